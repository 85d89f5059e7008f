#include "backup/SaveSteps.h"
#include "backup/FolderPaths.h"
#include "core/IniValues.h"
#include "core/UserFileList.h"
#include "core/Windows.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

namespace backup::steps {

namespace {

// The bars between the system files' archive and the user files' one follow the staging of
// the user files: it takes them half the way, the archive run the other half.
void showStaged(int done, int count)
{
    const double fraction = count > 0 ? 0.5 * done / count : 0.0;
    core::ProgressBarOf(kForm1, QStringLiteral("ProgressBar1")).setPartWay(fraction);
    if (vb::Form* autoKeep = shownAutoKeepWindow())
        autoKeep->control<vb::ProgressBar>(QStringLiteral("ProgressBar1")).setPartWay(fraction);
}

// A user file staged for zip: zip only reads it and then it is removed, so the staged copy
// may share the bytes of the user's file instead of copying them.
void stageCopy(platform::fs::LinkRun& links, const QString& from, const QString& to)
{
    try {
        links.linkOrCopyFile(from, to);
    } catch (const platform::SysError& e) {
        throw vb::Error(e.code());
    }
}

} // namespace

// A user file that could not be staged. Only a file that is really gone is offered for
// removal from the list; any other failure can be passed over, the entry staying listed.
SaveRun::UserFileAnswer SaveRun::askAboutUserFile(const vb::Error& e)
{
    bool gone = false;
    vb::ResumeNext([&] { gone = vb::Dir(currentItem_, vb::vbHidden | vb::vbSystem | vb::vbReadOnly).isEmpty(); });
    core::ErrorLog(gone ? 53 : e.Number(), currentItem_ + QStringLiteral(" Save"));
    // Nobody is there to answer during an automatic save: the log tells.
    if (s.AutomaticSave)
        return gone ? UserFileAnswer::Remove : UserFileAnswer::Skip;
    if (gone) {
        const int answer = vb::MsgBox(text(1198) + u'\r' + currentItem_ + u'\r' + text(1199), vb::vbOKCancel | vb::vbCritical, text(1005));
        return answer == vb::vbOK ? UserFileAnswer::Remove : UserFileAnswer::Stop;
    }
    // The user went on after the disk ran full once: the next files fare no better.
    if (e.Number() == 61 && !tellDiskFull())
        return UserFileAnswer::Skip;
    const int answer = vb::MsgBox(currentItem_ + u'\r' + fileErrorReason(e.Number()), vb::vbOKCancel | vb::vbCritical, text(1005));
    return answer == vb::vbOK ? UserFileAnswer::Skip : UserFileAnswer::Stop;
}

// A fresh staging folder: whatever an earlier save left there is never packed.
void SaveRun::prepareStaging()
{
    currentItem_ = s.TempPath;
    withHandler1([&] {
        if (!folderExists(s.TempPath))
            Makepath(s.TempPath);
    });
    removeTree(stagingFolder());
    currentItem_ = stagingFolder();
    withHandler1([&] { vb::MkDir(stagingFolder()); });
    currentItem_.clear();
}

void SaveRun::stageSystemFiles()
{
    for (const SystemFile& f : kSystemFiles) {
        const vb::CheckBox& box = form1Box(f.box);
        if (!tickedAndEnabled(box))
            continue;
        currentItem_ = QString::fromUtf16(f.name);
        const QString file = QString::fromUtf16(f.file);
        const QString live = f.windowsFolder ? s.SystemPath + u'\\' + file : QStringLiteral("C:\\") + file;
        const std::optional<int> error = withHandler2([&] { vb::FileCopy(live, stagingFolder() + u'\\' + file); });
        markSaved(itemIndex(kForm1, QString::fromUtf16(f.box)), !error);
        if (error)
            notSaved(currentItem_, reasonFor(*error));
        vb::DoEvents();
    }
}

// Where a user file is staged: below trelvo\User\ by its path less the drive. A second
// file that would land on the same path goes below ~2\, a third below ~3\, and so on.
// `key` takes the staged path as the staged paths are told apart.
// The entry is read from trelvo.usr and taken as a typed one is: a path whose names are not
// all names (a NUL, "..") is refused with 52, so no staged path ever lies outside trelvo\User.
QString SaveRun::stagedPathFor(const QString& item, QString& key)
{
    platform::fs::requireNameable(item);
    const QString userFolder = stagingFolder() + QStringLiteral("\\User\\");
    const QString rel = item.startsWith(QStringLiteral("\\\\")) ? item.mid(2) : item.mid(3);
    QString staged = platform::fs::below(userFolder, rel);
    for (int k = 2; stagedUserPaths_.contains(key = staged.toCaseFolded()); ++k)
        staged = platform::fs::below(userFolder, u'~' + QString::number(k) + u'\\' + rel);
    return staged;
}

// The folders of a staged path below trelvo\User. That tree is made afresh by each save,
// so a folder this save has not made yet is not there: nothing needs to be looked up.
void SaveRun::makeStagingFolders(const QString& staged)
{
    const QString userFolder = stagingFolder() + QStringLiteral("\\User\\");
    // Folders are made from the top down, so a file's own folder made means all of them are.
    if (const qsizetype last = staged.lastIndexOf(u'\\'); last < userFolder.size() || madeFolders_.contains(staged.left(last).toCaseFolded()))
        return;
    for (qsizetype sep = staged.indexOf(u'\\', userFolder.size()); sep >= 0; sep = staged.indexOf(u'\\', sep + 1)) {
        const QString folder = staged.left(sep);
        if (madeFolders_.contains(folder.toCaseFolded()))
            continue;
        try {
            vb::MkDir(folder);
        } catch (const vb::Error&) {
            if (!folderExists(folder + u'\\'))
                throw;
        }
        madeFolders_.insert(folder.toCaseFolded());
    }
}

// False when the user stopped the save.
bool SaveRun::stageUserFiles()
{
    vb::ListBox& list = core::ListBoxOf(kUserFiles, QStringLiteral("List1"));
    // A list file that is there but cannot be read leaves out every file it lists: not a
    // save without user files, but one that lacks them, and the end message says why.
    if (const int error = core::LoadUserFileList()) {
        const QString listFile = core::UserFileListFile();
        core::ErrorLog(error, u' ' + listFile + QStringLiteral(" Save"));
        notSaved(text(2297) + listFile, error == core::kListDamaged ? text(2298) : reasonFor(error));
    }
    if (list.ListCount() <= 0)
        return true;
    userListNotEmpty_ = true;
    showRunStatus(QStringLiteral("Saving user-defined Files.") + text(1019));

    const QString userFolder = stagingFolder() + QStringLiteral("\\User");
    vb::ResumeNext([&] { vb::MkDir(userFolder); });
    s.UserIniPath = userFolder + QStringLiteral("\\User.ini");
    stagedUserPaths_ = {s.UserIniPath.toCaseFolded()};
    // User.ini is written once, when every file is staged. Its keys are distinct (a file
    // listed twice is staged once), so it holds exactly what one profile write per file
    // would leave: the section, then one "key=value" line per file in list order.
    QString userIni = QStringLiteral("[UserFilesSaved]\r\n");
    QSet<QString> stagedItems;

    // The windows are painted, and the bars follow the files, as often as while the program
    // waits, not once per file.
    vb::ProgressPace pace;
    const int count = list.ListCount();
    // Between two paintings the files are staged against one look at the drives (the drive
    // table, the volume and its records), as within one file operation; whatever happens
    // while the windows are painted or a question is asked is seen by the next file.
    std::optional<platform::Machine::OneReading> reading;
    // A file staged from a folder already used into one already used costs a look at its
    // name in each, not a walk along both paths (see LinkRun).
    platform::fs::LinkRun links;
    int i = 0;
    while (i < list.ListCount()) {
        if (!reading)
            reading.emplace(platform::fs::machine());
        currentItem_ = list.List(i);
        // A file listed twice (paths compare without regard to case) is staged once.
        const QString itemKey = currentItem_.trimmed().toCaseFolded();
        if (itemKey.isEmpty() || stagedItems.contains(itemKey)) {
            ++i;
            continue;
        }
        QString stagedKey;
        QString staged;
        try {
            staged = stagedPathFor(currentItem_, stagedKey);
        } catch (const platform::SysError& e) {
            // Named once, in the log and the end message, and left out: no question, and the
            // list file keeps it for the user to mend.
            const QString shown = platform::winpath::printable(currentItem_);
            core::ErrorLog(e.code(), shown + QStringLiteral(" Save"));
            userFilesWanted_ = true;
            notSaved(shown, reasonFor(e.code()));
            stagedItems.insert(itemKey);
            ++i;
            continue;
        }
        try {
            makeStagingFolders(staged);
            stageCopy(links, currentItem_, staged);
            userIni += currentItem_.trimmed() + u'=' + staged + QStringLiteral("\r\n");
            stagedUserPaths_.insert(stagedKey);
            stagedItems.insert(itemKey);
            userFilesWanted_ = true;
            ++i;
        } catch (const vb::Error& e) {
            reading.reset();
            switch (askAboutUserFile(e)) {
            case UserFileAnswer::Remove:
                // The list file loses it too, or every later save would ask again.
                removedFromList_ << currentItem_;
                list.RemoveItem(i);
                core::SaveUserFileList();
                break;
            case UserFileAnswer::Skip:
                userFilesWanted_ = true;
                notSaved(currentItem_, reasonFor(e.Number()));
                ++i;
                break;
            case UserFileAnswer::Stop:
                return false;
            }
        }
        if (pace.due()) {
            reading.reset();
            showStaged(i, count);
            vb::DoEvents();
        }
    }
    reading.reset();
    showStaged(count, count);
    vb::DoEvents();
    if (!stagedItems.isEmpty()) {
        try {
            platform::fs::writeAll(s.UserIniPath, platform::cp1252::encode(userIni));
        } catch (const platform::SysError& e) {
            core::ErrorLog(e.code(), s.UserIniPath + QStringLiteral(" Save"));
            notSaved(text(2178), reasonFor(e.code()));
        }
    }
    return true;
}

} // namespace backup::steps
