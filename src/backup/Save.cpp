#include "backup/Save.h"
#include "backup/CopyState.h"
#include "backup/FloppyFault.h"
#include "backup/FloppyPrep.h"
#include "backup/FloppySpan.h"
#include "backup/FolderPaths.h"
#include "catalogue/ConfigItems.h"
#include "catalogue/Description.h"
#include "core/Animate.h"
#include "core/Exit.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/PathUtils.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Shell.h"
#include "core/System.h"
#include "core/UserFileList.h"
#include "core/Windows.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

#include <QHash>
#include <QScopedValueRollback>
#include <QSet>
#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <utility>

namespace backup {

namespace {

const QString kForm1 = QStringLiteral("Form1");
const QString kUserFiles = QStringLiteral("UserFiles");
const QString kAutoKeep = QStringLiteral("FrmAutoKeep");
constexpr qint32 kFloppyLimit = 1500000;
constexpr int kHourglass = 11;
constexpr int kAnyEntry = vb::vbDirectory | vb::vbHidden | vb::vbSystem;

QString text(int number) { return core::LoadResString(number); }
QString quoted(const QString& path) { return u'"' + path + u'"'; }

// Why a file operation failed, in the words of the file-error messages where one fits.
QString reasonFor(int number)
{
    const QString reason = FileErrorText(number);
    return reason.isEmpty() ? vb::ErrorText(number) : reason;
}

// The same with the error's number, as the boxes of a failed copy show it.
QString fileErrorReason(int number) { return reasonFor(number) + u' ' + vb::Str(number); }

// What a status text of the save ("Saving X.") names: X.
QString namedBy(const QString& status) { return status.mid(7).chopped(1); }

bool fileMissing(int number) { return number == 53 || number == 76; }

vb::CheckBox& form1Box(const char16_t* name) { return core::CheckBoxOf(kForm1, QString::fromUtf16(name)); }
vb::CheckBox& userBox(const char16_t* name) { return core::CheckBoxOf(kUserFiles, QString::fromUtf16(name)); }
bool tickedAndEnabled(const vb::CheckBox& box) { return box.Value() != 0 && box.Enabled(); }

// The system files, in the order they are staged: their box on Form1, the name the user
// knows them by, whether they live in the Windows folder (else on C:\), and the file name,
// which is also their name in the staging folder.
struct SystemFile {
    const char16_t* box;
    const char16_t* name;
    bool windowsFolder;
    const char16_t* file;
};
constexpr SystemFile kSystemFiles[] = {
    {u"Check8", u"Autoexec.bat", false, u"autoexec.bat"}, {u"Check13", u"Autoexec.dos", false, u"autoexec.dos"},
    {u"Check9", u"Config.sys", false, u"config.sys"},     {u"Check14", u"Config.dos", false, u"config.dos"},
    {u"Check10", u"Msdos.sys", false, u"msdos.sys"},      {u"Check3", u"System.ini", true, u"system.ini"},
    {u"Check5", u"Protocol.ini", true, u"protocol.ini"},  {u"Check4", u"Control.ini", true, u"control.ini"},
    {u"Check6", u"User.dat", true, u"user.dat"},          {u"Check7", u"System.dat", true, u"system.dat"},
    {u"Check2", u"Win.ini", true, u"win.ini"},            {u"Check15", u"dblspace.ini", false, u"dblspace.ini"},
    {u"Check16", u"drvspace.ini", false, u"drvspace.ini"}, {u"Check17", u"drvspace.bin", false, u"drvspace.bin"},
    {u"Check12", u"dblspace.bin", false, u"dblspace.bin"},
};

// The archives in the order they go onto floppies, with the caption of the progress window.
struct FloppyArchive {
    const char16_t* suffix;
    const char16_t* caption;
};
constexpr FloppyArchive kFloppyArchives[] = {
    {u".tva", u"Saving System Files."},
    {u"us.tva", u"Saving user-defined Files."},
    {u"s.tva", u"Saving Start Menu."},
    {u"mc.tva", u"Saving Microsoft Internet Explorer Files."},
    {u"mb.tva", u"Saving Microsoft Internet Explorer Files."},
    {u"ma.tva", u"Saving Microsoft Internet Explorer Files."},
    {u"mx.tva", u"Saving Microsoft Internet Explorer Files."},
    {u"na.tva", u"Saving Netscape Navigator Files."},
};

// The position of an item of the description in the item table, by its save-side box.
int itemIndex(const QString& form, const QString& box)
{
    for (int i = 0; i < int(catalogue::ConfigItems.size()); ++i)
        if (catalogue::ConfigItems[i].SaveForm == form && catalogue::ConfigItems[i].SaveBox == box)
            return i;
    return -1;
}

// The archive that holds an item of the description.
QString archiveSuffixOf(int item)
{
    const catalogue::ConfigItem& it = catalogue::ConfigItems[item];
    if (item == catalogue::StartMenuItem)
        return QStringLiteral("s.tva");
    if (it.SystemItem)
        return QStringLiteral(".tva");
    if (it.DescriptionKey.startsWith(u"NSC"))
        return QStringLiteral("na.tva");
    if (it.DescriptionKey == u"MSEFavorites")
        return QStringLiteral("mb.tva");
    if (it.DescriptionKey == u"MSEAdressbook")
        return QStringLiteral("ma.tva");
    if (it.DescriptionKey == u"MSECookies")
        return QStringLiteral("mc.tva");
    return QStringLiteral("mx.tva");
}

// Whether `folder` (ending with "\") is there. A drive root counts when the drive is
// ready, even with nothing on it; a drive that is not ready raises 52.
bool folderExists(const QString& folder)
{
    if (folder.size() == 3 && folder.endsWith(QStringLiteral(":\\"))) {
        vb::Dir(folder, kAnyEntry);
        return true;
    }
    return !vb::Dir(folder + QStringLiteral("*.*"), kAnyEntry).isEmpty();
}

// Deletes the file when it is there, whatever its attributes.
void deleteFile(const QString& path)
{
    if (vb::Dir(path, vb::vbHidden | vb::vbSystem | vb::vbReadOnly).isEmpty())
        return;
    vb::SetAttr(path, vb::vbNormal);
    vb::Kill(path);
}

// Removes `folder` with everything below it, whatever the attributes of its files.
void removeTree(const QString& folder) { platform::fs::removeTree(folder); }

// The program's own work folder that `folder` is or lies in, "" when none: the staging
// folder, which every save and restore empties, and the folder where pieces from floppies
// are joined, which every restore from floppies empties. Paths are compared as the machine
// resolves them, so letter case and short names make no difference.
QString workFolderHolding(const QString& folder)
{
    if (core::state().TempPath.isEmpty())
        return {};
    const QString target = core::FolderKey(folder);
    for (const QString& work : {core::state().TempPath + QStringLiteral("trelvo\\"), core::ProgramFolder() + QStringLiteral("\\DiskRestore\\")})
        if (target.startsWith(core::FolderKey(work)))
            return work;
    return {};
}

// The automatic-save window repeats the status texts and progress values while an
// automatic save shows it; an ordinary save leaves it alone.
vb::Form* shownAutoKeepWindow()
{
    if (!core::state().AutomaticSave || !vb::Forms::isLoaded(kAutoKeep))
        return nullptr;
    vb::Form& window = core::Win(kAutoKeep);
    return window.Visible() ? &window : nullptr;
}

void showRunStatus(const QString& status)
{
    vb::StatusBar& bar = core::StatusBarOf(kForm1, QStringLiteral("StatusBar1"));
    bar.setText(status);
    bar.Refresh();
    if (vb::Form* autoKeep = shownAutoKeepWindow())
        autoKeep->control<vb::StatusBar>(QStringLiteral("StatusBar1")).setText(status);
}

void showProgress(int value)
{
    core::ProgressBarOf(kForm1, QStringLiteral("ProgressBar1")).setValue(value);
    if (vb::Form* autoKeep = shownAutoKeepWindow())
        autoKeep->control<vb::ProgressBar>(QStringLiteral("ProgressBar1")).setValue(value);
}

// The bars between the system files' archive and the user files' one follow the staging of
// the user files: it takes them half the way, the archive run the other half.
void showStaged(int done, int count)
{
    const double fraction = count > 0 ? 0.5 * done / count : 0.0;
    core::ProgressBarOf(kForm1, QStringLiteral("ProgressBar1")).setPartWay(fraction);
    if (vb::Form* autoKeep = shownAutoKeepWindow())
        autoKeep->control<vb::ProgressBar>(QStringLiteral("ProgressBar1")).setPartWay(fraction);
}

// The status line once the save is over, however it ended, so that it never still says
// "Please wait..." under the box that tells the outcome.
void showOutcome(const QString& status)
{
    vb::StatusBar& bar = core::StatusBarOf(kForm1, QStringLiteral("StatusBar1"));
    bar.setText(status);
    bar.Refresh();
}

// One save, from the destination checks to the completion message.
class SaveRun {
public:
    void run();

private:
    // The three ways a failing statement is handled while the save runs.
    void withHandler1(const std::function<void()>& statement);
    std::optional<int> withHandler2(const std::function<void()>& statement);
    bool tellDiskFull();
    enum class UserFileAnswer { Remove, Skip, Stop };
    UserFileAnswer askAboutUserFile(const vb::Error& e);

    bool checkDestination();
    bool floppyTakesFiles(const QString& root);
    bool writeToFloppy(const QString& file, const std::function<void()>& write);
    void leaveOut(const QString& archive, const QString& suffix);
    void enterBusyState();
    void deleteOldConfiguration();
    void stampSlot();
    void prepareStaging();
    void stageSystemFiles();
    bool stageUserFiles();
    QString stagedPathFor(const QString& item, QString& key);
    void makeStagingFolders(const QString& staged);
    void runBrowserAndMailArchives();
    bool zipRun(int progress, const QString& suffix, const QString& options, const QString& source, const QString& status);
    QString zipFailure_;         // why the last zip run made no archive
    QHash<QString, QStringList> archiveHolds_;   // by suffix: what each archive made holds, as the user knows it
    void spreadOverFloppies();
    void writeDescription();
    void descriptionNotWritten(int number);
    void copyDescriptionBesideArchives();
    void leaveEarly();
    void stopShowingProgress();
    void readyForTheNext();
    void freeTheSlot();
    bool anythingSaved() const;
    void giveUp();
    void tellTheEnd(bool nothingSaved = false);
    void finish();

    QString archivePath(const QString& suffix) const { return archiveFolder_ + QStringLiteral("Conf") + n_ + suffix; }
    QString stagingFolder() const { return core::state().TempPath + QStringLiteral("trelvo"); }
    void notSaved(const QString& what, const QString& why = {});
    void markSaved(int item, bool saved);

    core::ProgramState& s = core::state();
    QString n_;                  // the slot number in names
    QString archiveFolder_;      // where the archives are built
    QString currentItem_;        // what is being worked on, for the error log and messages
    std::array<bool, catalogue::ConfigItems.size()> saved_{};
    QList<QPair<QString, QString>> notSaved_;   // what the user is told was not saved, and why
    QStringList leftOut_;        // what is not on the floppies and so no part of the configuration
    QStringList removedFromList_;     // user files gone from the disk, taken off the list
    bool descriptionKept_ = false;    // the description files could not go beside the archives
    bool floppiesGivenUp_ = false;    // Cancel after a floppy fault: nothing more goes onto the floppies
    bool userFilesLost_ = false;      // the user-files archive is no part of the configuration
    bool userListNotEmpty_ = false; // the user-files archive is made
    bool userFilesWanted_ = false;  // some user file was to go into it
    bool userFilesArchived_ = false;  // and its archive was made
    bool descriptionFailed_ = false;  // Config<n>.ini (or its list) could not be written whole
    bool diskFullTold_ = false;       // the user has been told once that the disk is full
    QSet<QString> stagedUserPaths_;   // staged paths taken, case-folded
    QSet<QString> madeFolders_;       // staging folders made, case-folded
};

void SaveRun::notSaved(const QString& what, const QString& why)
{
    for (const auto& entry : notSaved_)
        if (entry.first == what)
            return;
    notSaved_.append({what, why});
}

void SaveRun::markSaved(int item, bool saved)
{
    if (item >= 0)
        saved_[item] = saved;
}

// The first full disk of a save is told; the files that fail after it for the same reason
// are logged and named in the end message, without a box each. False when it was told before.
bool SaveRun::tellDiskFull()
{
    return !std::exchange(diskFullTold_, true);
}

// From the destination checks to the staging folders: each failure is logged; a full disk
// or a file in use is told and ends the program (which does nothing once the save is busy,
// so the save goes on), a drive that is not ready may be tried again; then the next
// statement runs. An automatic save has nobody to tell or to ask: the log has it all.
void SaveRun::withHandler1(const std::function<void()>& statement)
{
    for (;;) {
        try {
            statement();
            return;
        } catch (const vb::Error& e) {
            core::ErrorLog(e.Number(), currentItem_ + QStringLiteral(" Save"));
            if (s.AutomaticSave)
                return;
            switch (e.Number()) {
            case 61:
                if (tellDiskFull())
                    vb::MsgBox(QStringLiteral("Not enough free disk space!"), vb::vbCritical | vb::vbOKOnly, text(1011));
                core::QuitProgram();
                return;
            case 55:
                vb::MsgBox(QStringLiteral("File already in use!\rPlease close all programs"), vb::vbCritical | vb::vbOKOnly, text(1011));
                core::QuitProgram();
                return;
            case 52:
                if (vb::MsgBox(QStringLiteral("The drive you specified as destination is not available.\r"
                                              "Please make sure that the drive is ready!"),
                               vb::vbRetryCancel | vb::vbCritical, text(1005)) == vb::vbRetry)
                    continue;
                return;
            default:
                return;
            }
        }
    }
}

// Staging the system files and loading the user-file list: a failure is logged and told
// (with the way to the help page), and the save goes on. The box names the cause: a file
// that is not there, a full disk (told once), or what else the copy met. An automatic save
// logs it and goes on: nobody is there to press OK. The error number when the statement failed.
std::optional<int> SaveRun::withHandler2(const std::function<void()>& statement)
{
    try {
        statement();
        return std::nullopt;
    } catch (const vb::Error& e) {
        core::ErrorLog(e.Number(), currentItem_ + QStringLiteral(" Save"));
        if (s.AutomaticSave)
            return e.Number();
        QString first;
        if (fileMissing(e.Number()))
            first = currentItem_ + u' ' + text(1064);
        else if (e.Number() != 61)
            first = currentItem_ + QStringLiteral(": ") + fileErrorReason(e.Number());
        else if (tellDiskFull())
            first = QStringLiteral("Not enough free disk space!\r") + currentItem_;
        else
            return e.Number();
        vb::MsgBox(first + u'\r' + text(1154) + QStringLiteral("\r\r") + text(1157),
                   vb::vbCritical | vb::vbOKOnly | vb::vbMsgBoxHelpButton | vb::vbDefaultButton2, text(1005),
                   QStringLiteral("Trelvo.hlp"), 2010);
        return e.Number();
    }
}

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

// Steps up to the choice between a folder and floppies; false when the user called the
// save off (nothing on disk has changed then, only DiskNo, SaveFolder and the save-folder box).
bool SaveRun::checkDestination()
{
    const QString driveType = core::SysInfo().DriveType(vb::UCase(s.SaveFolder.left(3)));
    if (driveType == u"Network drive")
        vb::MsgBox(text(1168), vb::vbOKOnly);

    const bool removable = driveType == u"Removable drive";
    if (removable) {
        s.DiskNo = 1;
        for (;;) {
            const QString ask = text(1195) + vb::Str(s.DiskNo) + text(1196);
            if (vb::MsgBox(ask, vb::vbOKCancel | vb::vbInformation, text(1011)) == vb::vbCancel)
                return false;
            if (!PrepareFloppy(s.SaveFolder.left(3)))
                continue;
            // A disk that cannot be written says so now, before anything is packed for it.
            if (!floppyTakesFiles(s.SaveFolder.left(3)))
                return false;
            break;
        }
    }

    bool exists = false;
    currentItem_ = s.SaveFolder;   // a failure is logged with the folder's name
    withHandler1([&] { exists = folderExists(s.SaveFolder); });
    currentItem_.clear();
    if (!exists && s.AutomaticSave) {
        // The program's own folder for the automatic save: made without asking, and when
        // that fails, nothing can be saved; the log says why.
        try {
            MakeFolders(s.SaveFolder);
        } catch (const vb::Error& e) {
            core::ErrorLog(e.Number(), s.SaveFolder + QStringLiteral(" Save"));
            return false;
        }
    } else if (!exists) {
        vb::TextBox& shown = core::TextBoxOf(kForm1, QStringLiteral("Text2"));
        if (vb::MsgBox(text(1111) + u'\r' + s.SaveFolder + u'\r' + text(1184), vb::vbOKCancel | vb::vbCritical, text(1005)) == vb::vbOK) {
            Makepath(s.SaveFolder);
            shown.setText(core::ShortenPath(s.SaveFolder, 49));
        } else {
            s.SaveFolder = core::ProgramFolder() + u'\\';
            shown.setText(core::ShortenPath(s.SaveFolder, 49));
            const int answer = vb::MsgBox(text(1111) + u'\r' + text(1112) + u'\r' + s.SaveFolder + QStringLiteral("\r "),
                                          vb::vbOKCancel | vb::vbCritical | vb::vbDefaultButton2, text(1005));
            if (answer == vb::vbCancel)
                return false;
        }
    }

    // The description goes beside the archives, in the folder the user gets them in.
    s.ConfigIniCopyPath = s.SaveFolder + QStringLiteral("Config") + n_ + QStringLiteral(".ini");

    if (removable && core::SysInfo().FastDiskSpace(s.SaveFolder) < kFloppyLimit) {
        s.SplitTargetPath = s.SaveFolder;
        s.SaveFolder = core::ProgramFolder() + u'\\';
    } else {
        s.SplitTargetPath.clear();
    }
    return true;
}

// Whether the disk in the drive of `root` takes files; after a fault the user may put it
// right (Retry: it is tried again) or call the save off (false).
bool SaveRun::floppyTakesFiles(const QString& root)
{
    for (;;) {
        const std::optional<int> problem = FloppyWriteProblem(root);
        if (!problem)
            return true;
        if (!RetryAfterFloppyFault(*problem, root))
            return false;
    }
}

// Runs a write to the floppy until it succeeds (true) or, after a fault, the user gives
// the floppies up (false, and nothing more is written to them).
bool SaveRun::writeToFloppy(const QString& file, const std::function<void()>& write)
{
    for (;;) {
        try {
            write();
            return true;
        } catch (const vb::Error& e) {
            if (!RetryAfterFloppyFault(e.Number(), file)) {
                floppiesGivenUp_ = true;
                return false;
            }
        }
    }
}

void SaveRun::enterBusyState()
{
    vb::Screen::setMousePointer(kHourglass);
    vb::StatusBar& bar = core::StatusBarOf(kForm1, QStringLiteral("StatusBar1"));
    bar.setText(text(1032) + u' ' + text(1019));
    bar.Refresh();
    core::ButtonOf(kForm1, QStringLiteral("Command2")).setEnabled(false);
}

// The slot's old archives and its old description files go together: from here on the
// slot holds nothing of the earlier save.
void SaveRun::deleteOldConfiguration()
{
    archiveFolder_ = s.SaveFolder;
    // Before anything of the slot goes the settings file lists it as free, so that a save
    // cut short (a crash, a power cut) leaves a free slot, never one whose description is gone.
    if (!s.AutomaticSave)
        vb::ResumeNext([&] { core::RecordSlotFree(s.SelectedConfig); });
    QStringList old;
    for (const char16_t* suffix : core::ArchiveSuffixes)
        old << archivePath(QString::fromUtf16(suffix));
    old << s.ConfigIniPath << catalogue::UserFileListPath(s.ConfigIniPath);
    if (s.ConfigIniCopyPath.compare(s.ConfigIniPath, Qt::CaseInsensitive) != 0)
        old << s.ConfigIniCopyPath << catalogue::UserFileListPath(s.ConfigIniCopyPath);
    for (const QString& path : old) {
        currentItem_ = path;   // a failure is logged with the file's name
        withHandler1([&] { deleteFile(path); });
    }
    currentItem_.clear();
    s.OldConfigDeleted = true;
}

void SaveRun::stampSlot()
{
    // The automatic save has slots of its own; the five slots of the main window stay as they are.
    if (s.AutomaticSave)
        return;
    s.ConfigDate[s.SelectedConfig] = s.TodayDate;
    s.ConfigTime[s.SelectedConfig] = vb::TimeText();
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

// Runs zip for one archive. True when the run ended with 0 or 12 and its archive is there;
// anything else is logged, and zipFailure_ says why the archive is not there.
bool SaveRun::zipRun(int progress, const QString& suffix, const QString& options, const QString& source, const QString& status)
{
    showRunStatus(status + text(1019));
    const QString archive = archivePath(suffix);
    s.ZipCommand = QStringLiteral("zip.exe -") + s.Compression.trimmed() + options + quoted(archive) + u' ' + source;
    s.ShellCommand = s.ZipCommand;
    std::optional<int> exitCode;
    const int startError = vb::ResumeNext([&] {
        core::ShellAndWait(s.ShellCommand);
        exitCode = core::LastExitCode();
    });
    vb::DoEvents();
    vb::ResumeNext([&] { showProgress(progress); });

    if (startError != 0) {
        core::ErrorLog(startError, archive + QStringLiteral(" Save"));
        zipFailure_ = reasonFor(startError);
        return false;
    }
    if (!exitCode || (*exitCode != 0 && *exitCode != 12)) {
        const QString ended = exitCode ? text(2176) + QString::number(*exitCode) : text(2177);
        // A write or create error of zip's own says when the disk is full.
        const bool diskFull = (exitCode == 14 || exitCode == 15) && core::LastOutput().contains(QStringLiteral("No space left on device"));
        core::ErrorLog(diskFull ? 61 : 0, archive + QStringLiteral(": ") + ended + QStringLiteral(" Save"));
        zipFailure_ = diskFull ? reasonFor(61) : ended;
        return false;
    }
    bool there = false;
    vb::ResumeNext([&] { there = !vb::Dir(archive).isEmpty(); });
    // Nothing to pack: what was to go in is not there.
    if (!there)
        zipFailure_ = reasonFor(53);
    else
        archiveHolds_[suffix] << namedBy(status);
    return there;
}

// The runs of the browser and mail data, in order: the box of the user-file window, whether
// the run takes place, whether it is chosen but its folder unknown (the registry did not
// give it, and the box stayed as the settings have it), the archive, the zip options, what
// is packed and the status text.
struct DataRun {
    const char16_t* box;
    bool wanted;
    bool folderUnknown;
    const char16_t* suffix;
    const char16_t* options;
    QString source;
    const char16_t* status;
};

std::array<DataRun, 7> browserAndMailRuns()
{
    const core::ProgramState& s = core::state();
    const auto ticked = [](const char16_t* box) { return userBox(box).Value() != 0; };
    const auto available = [](const char16_t* box) { return tickedAndEnabled(userBox(box)); };
    const auto run = [&](const char16_t* box, bool chosen, const QString& folder, const char16_t* suffix, const char16_t* options,
                         const QString& source, const char16_t* status) {
        return DataRun{box, chosen && !folder.isEmpty(), available(box) && folder.isEmpty(), suffix, options, source, status};
    };
    return {{
        run(u"Check1", available(u"Check1"), s.AddressBookFile, u"ma.tva", u"q ", s.AddressBookFile, u"Saving Microsoft Windows Adressbook."),
        run(u"Check12", ticked(u"Check12"), s.PathFavorites, u"mb.tva", u"qurS ", s.PathFavorites + QStringLiteral("*.*"),
            u"Saving Microsoft Internet Explorer Bookmarks."),
        run(u"Check2", available(u"Check2"), s.IECookiesFolder, u"mc.tva", u"qurgS ", s.IECookiesFolder + QStringLiteral("*.*"),
            u"Saving Microsoft Internet Explorer Cookies."),
        run(u"Check3", available(u"Check3"), s.OutlookExpressFolder, u"mx.tva", u"qurgS ", s.OutlookExpressFolder + QStringLiteral("*.*"),
            u"Saving Microsoft Outlook Express Mailbox."),
        run(u"Check11", ticked(u"Check11"), s.PathNetscape, u"na.tva", u"qgurS ", s.PathNetscape + QStringLiteral("\\Bookmark.htm"),
            u"Saving Netscape Navigator Bookmarks."),
        run(u"Check4", ticked(u"Check4"), s.PathNetscape, u"na.tva", u"qgurS ", s.PathNetscape + QStringLiteral("\\Cookies.txt"),
            u"Saving Netscape Navigator Cookies."),
        run(u"Check5", ticked(u"Check5"), s.PathNetscape, u"na.tva", u"qgurS ", s.PathNetscape + QStringLiteral("\\Mail\\*.*"),
            u"Saving Netscape Messenger Mailbox."),
    }};
}

// The Start menu is chosen, but the registry gave no folder for it.
bool startMenuFolderUnknown() { return tickedAndEnabled(form1Box(u"Check1")) && core::state().PathStartmenue.isEmpty(); }

void SaveRun::runBrowserAndMailArchives()
{
    const std::array<DataRun, 7> runs = browserAndMailRuns();
    for (int i = 0; i < int(runs.size()); ++i) {
        const DataRun& r = runs[i];
        if (r.folderUnknown)
            notSaved(namedBy(QString::fromUtf16(r.status)), text(2286));
        if (!r.wanted)
            continue;
        const QString status = QString::fromUtf16(r.status);
        const bool ok = zipRun(4 + i, QString::fromUtf16(r.suffix), QString::fromUtf16(r.options), quoted(r.source), status);
        markSaved(itemIndex(kUserFiles, QString::fromUtf16(r.box)), ok);
        if (!ok)
            notSaved(namedBy(status), zipFailure_);
    }
}

// The archives go from the program folder onto the floppies, each recorded in [SplitLog]
// once it is there whole.
void SaveRun::spreadOverFloppies()
{
    showRunStatus(text(1250));
    core::AnimateForm& progress = core::Animate();
    vb::ResumeNext([&] { progress.Show(vb::vbModeless); });
    vb::DoEvents();
    vb::ResumeNext([&] {
        progress.ProgressBar1.setMax(9);
        progress.ProgressBar1.setMin(0);
        progress.ProgressBar1.setValue(1);
    });
    // The first disk takes its label before anything else: a disk that cannot be written
    // says so at once.
    const QString root = s.SplitTargetPath.left(3);
    while (!LabelDisk(root, QStringLiteral("Save#") + QString::number(s.DiskNo))) {
        const std::optional<int> problem = FloppyWriteProblem(root);
        if (!problem)
            break;   // the disk takes files, only not its label
        if (!RetryAfterFloppyFault(*problem, root)) {
            floppiesGivenUp_ = true;
            break;
        }
    }
    NoteDiskInUse(root);
    vb::DoEvents();
    vb::ResumeNext([] { vb::Kill(core::ProgramFolder() + QStringLiteral("\\split.Log")); });

    // One fault, one box: after Cancel no further archive is tried.
    const CopyFault onFault = [this](int number, const QString& file) {
        if (RetryAfterFloppyFault(number, file))
            return true;
        floppiesGivenUp_ = true;
        return false;
    };
    QString prompt;
    for (int k = 1; k <= 8; ++k) {
        const QString suffix = QString::fromUtf16(kFloppyArchives[k - 1].suffix);
        const QString archive = archivePath(suffix);
        vb::ResumeNext([&] { progress.ProgressBar1.setValue(k); });
        qint64 length = 0;
        vb::ResumeNext([&] { length = vb::FileLen(archive); });
        if (length == 0)
            continue;
        progress.Label1.setCaption(QString::fromUtf16(kFloppyArchives[k - 1].caption));
        if (!floppiesGivenUp_ && CopyArchiveToDisk(archive, s.SplitTargetPath, prompt, onFault)) {
            // Pieces the description does not record are not found again.
            if (core::WriteIni(QStringLiteral("SplitLog"), QStringLiteral("File") + QString::number(k), archive, s.ConfigIniPath) == 0 ||
                core::WriteIni(QStringLiteral("SplitLog"), archive, vb::Str(copyState().SplitPieceCount), s.ConfigIniPath) == 0) {
                descriptionNotWritten(core::WriteIniError());
            }
            continue;
        }
        leaveOut(archive, suffix);
    }
    vb::ResumeNext([&] { progress.ProgressBar1.setValue(9); });
    s.SaveFolder = s.SplitTargetPath;
    vb::ResumeNext([] { vb::Forms::unload(QStringLiteral("Animate")); });
}

// An archive that did not go onto the floppies whole is no part of the configuration: the
// description records its items as not saved, the end message says so, and the archive goes
// from the program folder. (Recording it as saved where it lies would give one configuration
// two places, while every reader of a description, the import and the slot's deletion
// included, finds the archives in the one save folder it records, or joins them from the
// floppies that [SplitLog] names.) Pieces of it already on a floppy stay there, unrecorded.
void SaveRun::leaveOut(const QString& archive, const QString& suffix)
{
    vb::ResumeNext([&] { deleteFile(archive); });
    for (const QString& name : archiveHolds_.value(suffix, {GetFileName(archive)}))
        if (!leftOut_.contains(name))
            leftOut_ << name;
    userFilesLost_ = userFilesLost_ || suffix == u"us.tva";
    for (int item = 0; item < int(saved_.size()); ++item)
        if (archiveSuffixOf(item) == suffix)
            saved_[item] = false;
}

// The first key of the description that could not be written makes the description none;
// it is logged and told once.
void SaveRun::descriptionNotWritten(int number)
{
    if (std::exchange(descriptionFailed_, true))
        return;
    core::ErrorLog(number, s.ConfigIniPath + QStringLiteral(" Save"));
    notSaved(s.ConfigIniPath, reasonFor(number));
}

// The description, saying "1" only for what its archive really holds. A description that
// could not be written whole is none: descriptionFailed_ says so.
void SaveRun::writeDescription()
{
    {
        // Its keys, written one by one, reach the file in one replacement of it.
        platform::profile::WriteBatch batch;
        try {
            catalogue::SaveCINI();
        } catch (const vb::Error& e) {
            descriptionNotWritten(e.Number());
        }
        vb::DoEvents();
        for (int item = 0; item < int(saved_.size()) && !descriptionFailed_; ++item) {
            const catalogue::ConfigItem& it = catalogue::ConfigItems[item];
            if (!saved_[item] && it.SaveCheckBox().Value() != 0 &&
                core::WriteIni(it.SavedSection(), it.DescriptionKey.toString(), QStringLiteral("0"), s.ConfigIniPath) == 0)
                descriptionNotWritten(core::WriteIniError());
        }
        if (!batch.finish())
            descriptionNotWritten(core::WriteIniError());
    }
    // No user files to offer where their archive is not.
    if (userFilesLost_) {
        const int n = vb::FreeFile();
        vb::ResumeNext([&] {
            vb::Open(catalogue::UserFileListPath(s.ConfigIniPath), vb::OpenMode::Output, n);
            vb::Print(n, vb::Str(0));
            vb::Print(n, QString());
        });
        vb::ResumeNext([&] { vb::Close(n); });
    }
}

// The two description files beside the archives; on floppies they may need one more disk.
void SaveRun::copyDescriptionBesideArchives()
{
    if (s.ConfigIniCopyPath.compare(s.ConfigIniPath, Qt::CaseInsensitive) == 0)
        return;
    const QString listFile = catalogue::UserFileListPath(s.ConfigIniPath);
    const bool floppy = !s.SplitTargetPath.isEmpty();
    const QString target = floppy ? s.SplitTargetPath : s.SaveFolder;
    if (floppy && floppiesGivenUp_) {
        descriptionKept_ = true;
        return;
    }
    if (floppy) {
        qint64 need = 0;
        vb::ResumeNext([&] {
            need = RoundToAllocUnit(vb::FileLen(s.ConfigIniPath), target) + RoundToAllocUnit(vb::FileLen(listFile), target);
        });
        if (need + 1000 > core::SysInfo().FastDiskSpace(target)) {
            for (;;) {
                const QString ask = text(1195) + vb::Str(s.DiskNo + 1) + text(1196);
                if (vb::MsgBox(ask, vb::vbOKCancel | vb::vbInformation, text(1011)) == vb::vbCancel) {
                    // The archives are on the floppies; the description stays in the program folder.
                    descriptionKept_ = true;
                    return;
                }
                if (PrepareFloppy(target.left(3)))
                    break;
            }
        }
    }
    bool missing = false;
    vb::ResumeNext([&] { missing = !folderExists(target); });
    if (missing && !floppy)
        Makepath(target);
    if (missing && floppy && !writeToFloppy(target, [&] { MakeFolders(target); })) {
        descriptionKept_ = true;
        return;
    }
    const QString pairs[][2] = {{s.ConfigIniPath, s.ConfigIniCopyPath},
                                {listFile, catalogue::UserFileListPath(s.ConfigIniCopyPath)}};
    for (const auto& pair : pairs) {
        const QString& from = pair[0];
        const QString& to = pair[1];
        if (floppy) {
            if (writeToFloppy(to, [&] { vb::FileCopy(from, to); }))
                continue;
            // Both or neither: a description without its list is no set to import.
            vb::ResumeNext([&] { deleteFile(s.ConfigIniCopyPath); });
            descriptionKept_ = true;
            return;
        }
        try {
            vb::FileCopy(from, to);
        } catch (const vb::Error& e) {
            // Both or neither, as on the floppies; the end message names what is missing.
            core::ErrorLog(e.Number(), to + QStringLiteral(" Save"));
            vb::ResumeNext([&] { deleteFile(s.ConfigIniCopyPath); });
            notSaved(to, reasonFor(e.Number()));
            break;
        }
    }
    vb::DoEvents();
}

void SaveRun::stopShowingProgress()
{
    vb::Screen::setMousePointer(0);
    core::ProgressBarOf(kForm1, QStringLiteral("ProgressBar1")).setValue(0);
    core::ProgressBarOf(kForm1, QStringLiteral("ProgressBar2")).setValue(0);
}

// The save is over, however it ended: another may start.
void SaveRun::readyForTheNext()
{
    s.SplitTargetPath.clear();
    core::ButtonOf(kForm1, QStringLiteral("Command2")).setEnabled(true);
}

// The user stopped the save while its files were staged.
void SaveRun::leaveEarly()
{
    vb::DoEvents();
    stopShowingProgress();
    if (!s.SplitTargetPath.isEmpty())
        s.SaveFolder = s.SplitTargetPath;
    showOutcome(text(2261));
    removeTree(stagingFolder());
    freeTheSlot();
    readyForTheNext();
}

// The old archives are gone, and what this save had packed is no configuration: the slot is
// free now, on disk, on screen and in the settings.
void SaveRun::freeTheSlot()
{
    for (const char16_t* suffix : core::ArchiveSuffixes) {
        const QString archive = archivePath(QString::fromUtf16(suffix));
        vb::ResumeNext([&] { deleteFile(archive); });
    }
    for (const QString& file : {s.ConfigIniPath, catalogue::UserFileListPath(s.ConfigIniPath)})
        vb::ResumeNext([&] { deleteFile(file); });
    if (!s.AutomaticSave) {
        s.ConfigDescription[s.SelectedConfig] = text(1010);
        s.ConfigDate[s.SelectedConfig] = QStringLiteral("00/00/0000");
        s.ConfigTime[s.SelectedConfig] = QStringLiteral("00:00");
        vb::ResumeNext(core::SaveSettings);
    }
}

// Whether any part of the selection went where the description says it is.
bool SaveRun::anythingSaved() const
{
    return std::find(saved_.begin(), saved_.end(), true) != saved_.end() || (userFilesArchived_ && !userFilesLost_);
}

// Nothing of the selection was saved, or the description that finds it could not be
// written: the slot holds no configuration, and the user is told what failed and why.
void SaveRun::giveUp()
{
    stopShowingProgress();
    if (!s.SplitTargetPath.isEmpty())
        s.SaveFolder = s.SplitTargetPath;
    if (s.AutomaticSave && !s.PrevSaveFolder.isEmpty())
        s.SaveFolder = s.PrevSaveFolder;
    freeTheSlot();
    s.SaveComplete = false;
    showOutcome(text(2200));
    tellTheEnd(true);
    readyForTheNext();
}

// The end message: success, a part saved, or nothing saved at all; then what is missing
// (with the reason) and where things lie, and the user files that were taken off the list.
void SaveRun::tellTheEnd(bool nothingSaved)
{
    const auto part = [](int heading, const QStringList& lines) { return QStringLiteral("\r\r") + text(heading) + u'\r' + lines.join(u'\r'); };
    QString message = s.SaveComplete ? QStringLiteral("Configuration saved successfull!") : text(nothingSaved ? 2200 : 2170);
    QStringList missing;
    for (const auto& [what, why] : notSaved_)
        missing << (why.isEmpty() ? what : what + QStringLiteral(": ") + why);
    if (!missing.isEmpty())
        message += part(2171, missing);
    if (!leftOut_.isEmpty())
        message += part(2172, leftOut_);
    if (descriptionKept_)
        message += part(2173, {s.ConfigIniPath, catalogue::UserFileListPath(s.ConfigIniPath)});
    if (s.AutomaticSave) {
        // Nobody reads a box: the log keeps what it would have said (each file taken off the
        // list has its own line), once the save has given back the room its staging took.
        if (!s.SaveComplete || nothingSaved)
            core::ErrorLog(0, u' ' + QString(message).replace(u'\r', u' ').simplified() + QStringLiteral(" Save"));
        return;
    }
    if (!removedFromList_.isEmpty())
        message += part(2174, removedFromList_);
    if (s.SaveComplete && !nothingSaved)
        vb::MsgBox(message, vb::vbInformation | vb::vbOKOnly, text(1011));
    else
        vb::MsgBox(message, vb::vbExclamation | vb::vbOKOnly, text(1005));
}

void SaveRun::finish()
{
    // No disk of this save is formatted while the save may still ask for one.
    const DisksInUse disks;
    if (!s.SplitTargetPath.isEmpty())
        spreadOverFloppies();
    writeDescription();
    if (descriptionFailed_ || !anythingSaved()) {
        giveUp();
        return;
    }

    stopShowingProgress();
    if (s.AutomaticSave && !s.PrevSaveFolder.isEmpty())
        s.SaveFolder = s.PrevSaveFolder;
    vb::ResumeNext(core::SaveSettings);
    vb::DoEvents();
    copyDescriptionBesideArchives();

    s.SaveComplete = notSaved_.isEmpty() && leftOut_.isEmpty() && !descriptionKept_;
    showOutcome(s.SaveComplete ? QStringLiteral("Saving finished") : text(2175));
    tellTheEnd();
    readyForTheNext();
    s.SaveDone = true;
}

void SaveRun::run()
{
    n_ = QString::number(s.SelectedConfig + 1);
    // The automatic save's folder holds its slots under the names of the main window's slots:
    // an ordinary save there would delete one of them, and the next automatic save this one.
    const bool automaticSavesFolder = !s.AutomaticSave && !s.SaveFolder.isEmpty() &&
                                      core::FolderKey(s.SaveFolder) == core::FolderKey(core::AutoKeepFolder());
    if (automaticSavesFolder || !workFolderHolding(s.SaveFolder).isEmpty()) {
        vb::MsgBox(text(automaticSavesFolder ? 2253 : 2251) + u'\r' + s.SaveFolder + u'\r' + text(2252), vb::vbCritical | vb::vbOKOnly, text(1005));
        return;
    }
    if (!checkDestination())
        return;
    enterBusyState();
    deleteOldConfiguration();
    stampSlot();
    prepareStaging();

    if (startMenuFolderUnknown()) {
        notSaved(QStringLiteral("Start Menu"), text(2286));
    } else if (tickedAndEnabled(form1Box(u"Check1"))) {
        const bool ok = zipRun(1, QStringLiteral("s.tva"), QStringLiteral("qurS "), quoted(s.PathStartmenue + QStringLiteral("*.*")),
                               QStringLiteral("Saving Start Menu."));
        markSaved(catalogue::StartMenuItem, ok);
        if (!ok)
            notSaved(text(1088), zipFailure_);
    }

    stageSystemFiles();
    const bool systemFilesSaved = zipRun(2, QStringLiteral(".tva"), QStringLiteral("gqoruS "),
                                         quoted(stagingFolder() + QStringLiteral("\\*.*")), QStringLiteral("Saving System Files."));
    for (const SystemFile& f : kSystemFiles) {
        const int item = itemIndex(kForm1, QString::fromUtf16(f.box));
        if (saved_[item] && !systemFilesSaved) {
            saved_[item] = false;
            notSaved(QString::fromUtf16(f.name), zipFailure_);
        }
    }

    if (!stageUserFiles()) {
        leaveEarly();
        return;
    }
    if (userListNotEmpty_) {
        core::StatusBarOf(kForm1, QStringLiteral("StatusBar1")).Refresh();
        const bool userFilesSaved = zipRun(3, QStringLiteral("us.tva"), QStringLiteral("gqorumS "),
                                 quoted(stagingFolder() + QStringLiteral("\\User\\*.*")), QStringLiteral("Saving user-defined Files."));
        if (userFilesWanted_ && !userFilesSaved) {
            notSaved(text(2178), zipFailure_);
            userFilesLost_ = true;
        }
        userFilesArchived_ = userFilesSaved;
    }

    runBrowserAndMailArchives();

    vb::ResumeNext([] { showProgress(10); });
    removeTree(stagingFolder());
    finish();
}

// Nothing ticked that a run would pack, and no user file listed.
bool nothingSelected()
{
    if (tickedAndEnabled(form1Box(u"Check1")))
        return false;
    for (const SystemFile& f : kSystemFiles)
        if (tickedAndEnabled(form1Box(f.box)))
            return false;
    // One whose folder is unknown is chosen all the same: the save says why it is not saved.
    for (const DataRun& run : browserAndMailRuns())
        if (run.wanted || run.folderUnknown)
            return false;
    // A list file that cannot be read is no empty selection: the save tells what is wrong with it.
    return core::LoadUserFileList() == 0 && core::ListBoxOf(kUserFiles, QStringLiteral("List1")).ListCount() <= 0;
}

} // namespace

bool RefuseEmptySave()
{
    if (!nothingSelected())
        return false;
    if (core::state().AutomaticSave)
        core::ErrorLog(0, u' ' + text(2185) + QStringLiteral(" Save"));
    else
        vb::MsgBox(text(2185) + u'\r' + text(2186), vb::vbCritical | vb::vbOKOnly, text(1011));
    return true;
}

void Save()
{
    core::ProgramState& s = core::state();
    if (s.SaveRunning) {
        vb::Beep();
        return;
    }
    const QScopedValueRollback<bool> running(s.SaveRunning, true);
    s.SaveDone = false;
    s.SaveComplete = false;
    s.OldConfigDeleted = false;
    if (RefuseEmptySave())
        return;
    SaveRun().run();
}

} // namespace backup
