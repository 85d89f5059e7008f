#include "backup/Save.h"
#include "backup/SaveSteps.h"
#include "backup/FloppyPrep.h"
#include "backup/FolderPaths.h"
#include "catalogue/Description.h"
#include "core/Exit.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/PathUtils.h"
#include "core/Settings.h"
#include "core/System.h"
#include "core/UserFileList.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

#include <QScopedValueRollback>
#include <utility>

namespace backup {

namespace steps {

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

// The position of an item of the description in the item table, by its save-side box.
int itemIndex(const QString& form, const QString& box)
{
    for (int i = 0; i < int(catalogue::ConfigItems.size()); ++i)
        if (catalogue::ConfigItems[i].SaveForm == form && catalogue::ConfigItems[i].SaveBox == box)
            return i;
    return -1;
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
    // A list file that cannot be read is no empty selection: the save tells what is wrong with
    // it. Only the number of entries counts here; the staging puts them into the list box.
    try {
        if (!core::ReadListFile(core::UserFileListFile(), true).isEmpty())
            return false;
    } catch (const vb::Error& e) {
        if (e.Number() != 53)
            return false;
    }
    core::LoadUserFileList();   // the list box shows the empty list
    return true;
}

} // namespace steps

bool RefuseEmptySave()
{
    if (!steps::nothingSelected())
        return false;
    if (core::state().AutomaticSave)
        core::ErrorLog(0, u' ' + steps::text(2185) + QStringLiteral(" Save"));
    else
        vb::MsgBox(steps::text(2185) + u'\r' + steps::text(2186), vb::vbCritical | vb::vbOKOnly, steps::text(1011));
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
    steps::SaveRun().run();
}

} // namespace backup
