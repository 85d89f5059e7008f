#include "backup/FloppyFault.h"
#include "backup/FolderPaths.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

namespace backup {

namespace {

QString text(int number) { return core::LoadResString(number); }

bool driveReadable(const QString& root)
{
    return vb::ResumeNext([&] { vb::Dir(root.left(2), vb::vbDirectory | vb::vbHidden | vb::vbSystem); }) == 0;
}

} // namespace

std::optional<int> FloppyWriteProblem(const QString& root)
{
    const QString probe = root.left(3) + QStringLiteral("Test.ttt");
    const int number = vb::FreeFile();
    const int error = vb::ResumeNext([&] {
        vb::Open(probe, vb::OpenMode::Output, number);
        vb::Close(number);
    });
    vb::ResumeNext([&] { vb::Close(number); });
    if (error != 0)
        return error;
    vb::ResumeNext([&] { vb::Kill(probe); });
    return std::nullopt;
}

bool RetryAfterFloppyFault(int errorNumber, const QString& file)
{
    core::ErrorLog(errorNumber, file + QStringLiteral(" Save"));
    const QString root = file.left(3);
    QString cause;
    int todo = 2133;
    if (errorNumber == 61) {
        cause = text(1067);
        todo = 2132;
    } else if (errorNumber == 71 || errorNumber == 68 || errorNumber == 52 || !driveReadable(root)) {
        cause = text(1070);
        todo = 2131;
    } else if ((errorNumber == 70 || errorNumber == 75) && FloppyWriteProblem(root)) {
        cause = text(1150);
        todo = 2130;
    } else {
        cause = FileErrorText(errorNumber);
        if (cause.isEmpty())
            cause = vb::ErrorText(errorNumber);
    }
    const QString message = cause + u'\r' + file + QStringLiteral("\r\r") + text(todo);
    return vb::MsgBox(message, vb::vbRetryCancel | vb::vbCritical, text(1005)) == vb::vbRetry;
}

} // namespace backup
