#include "core/IniValues.h"
#include "core/Messages.h"
#include "platform/Profile.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/FileIO.h"

#include <cstdio>

namespace core {

QString ReadIni(const QString& section, const QString& key, const QString& file)
{
    return platform::profile::getString(section, key, QString(), kIniValueSize, file);
}

int WriteIni(const QString& section, const QString& key, const QString& value, const QString& file)
{
    return platform::profile::writeString(section, key, value, file) ? 1 : 0;
}

int WriteIniError()
{
    const int error = platform::profile::lastWriteError();
    return error != 0 ? error : 75;
}

void ErrorLog(int errorNumber, const QString& tag)
{
    // Every step may fail on its own; the next one still runs.
    vb::ResumeNext([] { vb::ChDir(ProgramFolder()); });
    vb::ResumeNext([] { vb::ChDrive(ProgramFolder()); });
    const QString text = vb::ErrorText(errorNumber);
    const QString log = QStringLiteral("Error.log");
    vb::ResumeNext([&] {
        if (!vb::Dir(log).isEmpty() && vb::FileLen(log) > 5000)
            vb::Kill(log);
    });
    const QString line = text + vb::Format(vb::Now(), QStringLiteral("mm-dd-yyyy")) + tag;
    const int n = vb::FreeFile();
    bool written = false;
    if (vb::ResumeNext([&] { vb::Open(log, vb::OpenMode::Append, n); }) == 0) {
        written = vb::ResumeNext([&] { vb::Print(n, line); }) == 0;
        written = vb::ResumeNext([&] { vb::Close(n); }) == 0 && written;
    }
    // A log that cannot take the line (a full disk) leaves it on standard error instead.
    if (!written)
        std::fprintf(stderr, "Error.log: %s\n", line.toLocal8Bit().constData());
}

} // namespace core
