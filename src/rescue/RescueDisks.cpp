#include "rescue/RescueDisks.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Shell.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/ZipArchive.h"
#include "rescue/SelWiz.h"
#include "restore/ArchivePlace.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

namespace rescue {

QString Text(int number) { return core::LoadResString(number); }

QString RescueArchive() { return core::ProgramFolder() + QStringLiteral("\\Configd.tva"); }

void RemoveRescueArchive()
{
    vb::ResumeNext([] { vb::Kill(RescueArchive()); });
}

namespace {

// The DOS restore module unpacks the rescue archive whole: it may hold nothing but the staged
// system files. One that holds more (an older archive that zip grew because it could not be
// deleted, or one changed by hand) is no rescue archive; each entry out of place is logged.
bool HoldsOnlyTheStagedFiles()
{
    std::optional<QList<platform::zip::ZipEntry>> entries;
    try {
        entries = platform::zip::readEntries(platform::fs::resolveReady(RescueArchive()).host());
    } catch (const platform::SysError&) {
    }
    if (!entries)
        return false;
    const QString staging = core::state().TempPath + QStringLiteral("trelvo\\");
    QList<restore::Spot> place;
    for (const QString& name : RescueStagedNames())
        place << restore::Spot{staging + name};
    const restore::SortedEntries sorted = restore::SortEntries(*entries, staging.left(3), place, [](int) { return true; });
    for (const platform::zip::ZipEntry& e : sorted.refused)
        core::ErrorLog(75, restore::EntryShown(e) + QStringLiteral(" (Configd.tva) Wizard Configuration Save"));
    return sorted.refused.isEmpty();
}

} // namespace

bool RescueArchiveReady()
{
    bool present = false;
    vb::ResumeNext([&] { present = !vb::Dir(RescueArchive()).isEmpty(); });
    if (!present || !HoldsOnlyTheStagedFiles())
        return false;
    bool tested = false;
    vb::ResumeNext([&] {
        core::ShellAndWait(QStringLiteral("Unzip32.exe -tq \"") + RescueArchive() + u'"');
        tested = core::LastExitCode() == 0;
    });
    return tested;
}

QStringList AutoexecLines()
{
    QStringList lines;
    for (const int number : {1159, 1160, 1161, 1162, 1163, 1164, 1163, 1165, 1160})
        lines << Text(number);
    lines << QStringLiteral("a:\\RescDos.exe");
    return lines;
}

void WriteTextFile(const QString& path, const QStringList& lines)
{
    const int file = vb::FreeFile();
    vb::Open(path, vb::OpenMode::Output, file);
    try {
        for (const QString& line : lines)
            vb::Print(file, line);
    } catch (const vb::Error&) {
        vb::ResumeNext([&] { vb::Close(file); });
        throw;
    }
    vb::Close(file);
}

QString DiskChangePrompt(int diskNo)
{
    return Text(1062) + vb::Str(diskNo) + Text(1063) + vb::Str(diskNo) + QStringLiteral("\r\r") + Text(1195) +
           vb::Str(diskNo + 1) + Text(1196);
}

void ReportMissingFiles(const QStringList& missing)
{
    vb::MsgBox(Text(2141) + QStringLiteral("\r\r") + missing.join(u'\r') + QStringLiteral("\r\r") + Text(2142),
               vb::vbCritical | vb::vbOKOnly, Text(1005));
}

void EndOnCriticalError(const vb::Error& error, const QString& fileInHand)
{
    const QString notFunctional = QStringLiteral("\r\r") + fileInHand + QStringLiteral("\r\r") + Text(1065);
    QString reason;
    switch (error.Number()) {
    case 53: reason = Text(1064) + notFunctional; break;
    case 58: reason = Text(1066) + notFunctional; break;
    case 61: reason = Text(1067) + notFunctional + QStringLiteral("\r\r") + Text(1182); break;
    // Any other failure (a write-protected disk, a disk taken out) is told in its own words:
    // the program ends and the floppy is half written.
    default: reason = vb::ErrorText(error.Number()) + notFunctional; break;
    }
    vb::MsgBox(reason, vb::vbCritical | vb::vbOKOnly, Text(1005));
    core::ErrorLog(error.Number(), fileInHand + QStringLiteral(" BootDisk critical"));
    vb::End();
}

} // namespace rescue
