// The user-file list trelvo.usr (a description's Config<n>.usr has the same form), read into
// the user-file window by LoadUserFileList and staged by a save of the user files alone into
// the program folder. The input is the list. Neither lets a run-time error through (every
// question is answered by a user who goes on). An entry with a ".." name or a character no
// name holds is left out and named in the log. The save stages only below its staging folder
// TEMP\trelvo\User\: User.ini in its archive maps each entry to a copy there, and the archive
// holds nothing else. No live file changes: on the machine only the save's own files in the
// program folder (its archive, its description files, the list, trelvo.ini, the error log)
// are new or changed, and nothing outside the machine's drive (the staging folder is gone again).
#include "FuzzTarget.h"
#include "backup/Save.h"
#include "catalogue/ConfigItems.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "core/UserFileList.h"
#include "core/Windows.h"
#include "platform/Cp1252.h"
#include "platform/IniDocument.h"
#include "platform/WinPath.h"
#include "platform/ZipArchive.h"
#include "ui/Registration.h"
#include "vb/Lists.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

const QString kProgram = QStringLiteral("drive_c/Program Files/Trelvo/");   // below the machine folder

void writeHost(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    fuzz::require(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(), QStringLiteral("cannot write %1").arg(path));
}

// What the save may write in the program folder: the user-file archive, the description and
// its list, the list itself (an entry the user removes), the settings, the log.
bool savesOwn(const QString& item)
{
    static const QStringList own{QStringLiteral("conf1us.tva"), QStringLiteral("config1.ini"), QStringLiteral("config1.usr"),
                                 QStringLiteral("trelvo.usr"), QStringLiteral("trelvo.ini"), QStringLiteral("error.log")};
    const QString folded = platform::winpath::caseFolded(item);
    const QString program = QStringLiteral("program files/trelvo/");
    return folded.startsWith(program) && own.contains(folded.mid(program.size()));
}

// A name ".." or a character no name holds (which would end or cut the path on the host).
bool leadsAstray(const QString& entry)
{
    for (const QString& name : QString(entry).replace(u'/', u'\\').split(u'\\'))
        if (name.trimmed() == u"..")
            return true;
    return std::any_of(entry.begin(), entry.end(), [](QChar c) { return c.unicode() < 0x20 || QStringView(u"<>\"|").contains(c); });
}

// The bytes of one entry of the archive, as the host's unzip extracts it.
QByteArray entryBytes(const QString& hostArchive, const QString& entry)
{
    QProcess unzip;
    unzip.start(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-p"), hostArchive, entry});
    fuzz::require(unzip.waitForFinished(20000), QStringLiteral("unzip -p did not end"));
    return unzip.readAllStandardOutput();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machine = fuzz::freshMachineWithWindows(ui::registerWindows);
    writeHost(machine + u'/' + kProgram + QStringLiteral("trelvo.usr"), fuzz::bytesOf(data, size));
    const QString top = QFileInfo(machine).path();
    const QStringList drive{QStringLiteral("machine/drive_c/"), QStringLiteral("machine/drive_c.attr")};
    const fuzz::Stamps outside = fuzz::stampsUnder(top, drive);
    const fuzz::Stamps before = fuzz::stampsUnder(machine + QStringLiteral("/drive_c"));

    core::resetState();
    core::ProgramState& s = core::state();
    s.TodayDate = QStringLiteral(" 8/12/1999");
    core::ReadSystemPaths();
    core::LoadSettings();
    for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
        item.SaveCheckBox().setValue(0);
    fuzz::require(fuzz::handlesItsErrors("LoadUserFileList", core::LoadUserFileList), QStringLiteral("reading the list ended the program"));

    // The entries that could lead out of the staging folder or reach the host shortened.
    const vb::ListBox& list = core::ListBoxOf(QStringLiteral("UserFiles"), QStringLiteral("List1"));
    QStringList astray;
    for (int i = 0; i < list.ListCount(); ++i)
        if (leadsAstray(list.List(i)))
            astray << list.List(i);
    const bool logKeepsAll = list.ListCount() <= 10;   // the log starts anew beyond 5000 bytes

    s.SaveFolder = QStringLiteral("C:\\Program Files\\Trelvo\\");
    s.SelectedConfig = 0;
    s.ConfigDescription[0] = s.SaveDescription = QStringLiteral("Fuzz");
    s.ConfigIniPath = s.SaveFolder + QStringLiteral("Config1.ini");
    fuzz::handlesItsErrors("the save", backup::Save);

    const QString moved = fuzz::firstDifference(outside, fuzz::stampsUnder(top, drive));
    fuzz::require(moved.isEmpty(), QStringLiteral("the save changed a host file outside the machine's drive: %1").arg(moved));
    const fuzz::Stamps after = fuzz::stampsUnder(machine + QStringLiteral("/drive_c"));
    for (const QString& path : fuzz::changedPaths(before, after))
        fuzz::require(savesOwn(path), QStringLiteral("the save changed C:/%1").arg(path));

    // Each such entry is named in the log, as it can be shown.
    QFile log(machine + u'/' + kProgram + QStringLiteral("Error.log"));
    const QString logged = log.open(QIODevice::ReadOnly) ? platform::cp1252::decode(log.readAll()) : QString();
    for (QString entry : std::as_const(astray)) {
        for (QChar& c : entry)
            c = c.unicode() < 0x20 ? u'?' : c;
        fuzz::require(!logKeepsAll || logged.contains(entry.left(200)), QStringLiteral("the log does not name the entry %1").arg(entry));
    }

    // The archive holds the staged copies and User.ini, and User.ini names copies there only.
    const QString archive = machine + u'/' + kProgram + QStringLiteral("Conf1us.tva");
    const QString staging = QStringLiteral("WINDOWS/TEMP/trelvo/User/");
    const std::optional<QStringList> names = platform::zip::entryNames(archive);
    if (!names)
        return 0;
    for (const QString& name : *names)
        fuzz::require(name.startsWith(staging), QStringLiteral("the user-file archive holds %1").arg(name));
    const platform::IniDocument userIni = platform::IniDocument::parse(entryBytes(archive, staging + QStringLiteral("User.ini")));
    const QString folder = s.TempPath + QStringLiteral("trelvo\\User\\");
    for (const QString& key : userIni.keys(QStringLiteral("UserFilesSaved"))) {
        fuzz::require(!leadsAstray(key), QStringLiteral("the entry %1 was staged").arg(key));
        const QString staged = userIni.value(QStringLiteral("UserFilesSaved"), key).value_or(QString());
        const platform::winpath::Parts parts = platform::winpath::split(staged);
        const QString normal = platform::winpath::join(parts.drive, platform::winpath::normalise(parts.components));
        fuzz::require(staged.startsWith(folder, Qt::CaseInsensitive) && normal.startsWith(folder, Qt::CaseInsensitive) &&
                          !parts.components.contains(QStringLiteral("..")),
                      QStringLiteral("User.ini maps %1 to %2, outside the staging folder").arg(key, staged));
    }
    return 0;
}
