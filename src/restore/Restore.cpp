#include "restore/Restore.h"
#include "restore/RestoreSteps.h"
#include "backup/FolderPaths.h"
#include "backup/JoinPieces.h"
#include "core/Animate.h"
#include "core/Exit.h"
#include "core/Messages.h"
#include "core/Windows.h"
#include "platform/Boot.h"
#include "restore/InterruptedRestore.h"
#include "restore/Reboot.h"
#include "restore/WininitRename.h"
#include "vb/Conversions.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <array>
#include <utility>

namespace restore {

namespace steps {

const QString CR = QStringLiteral("\r");
constexpr int kHourglass = 11;

QString res(int number) { return core::LoadResString(number); }
QString quoted(const QString& text) { return u'"' + text + u'"'; }

vb::StatusBar& StatusBar() { return core::StatusBarOf(QStringLiteral("Form1"), QStringLiteral("StatusBar1")); }
vb::CommandButton& ExitButton() { return core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")); }
vb::ListBox& FolderList() { return core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List4")); }
void SetStatus(const QString& text) { StatusBar().setText(text); }

// Suffixes of the archive table, by position; the position is also the archive's place in
// the [SplitLog] record of a save onto floppies.
const std::array<QString, 9> kSuffix = {QString(),          QStringLiteral(".tva"),   QStringLiteral("us.tva"),
                                        QStringLiteral("s.tva"), QStringLiteral("mc.tva"), QStringLiteral("mb.tva"),
                                        QStringLiteral("ma.tva"), QStringLiteral("mx.tva"), QStringLiteral("na.tva")};

constexpr int kAnyFile = vb::vbHidden | vb::vbSystem | vb::vbReadOnly;

bool Present(const QString& path)
{
    try {
        return !vb::Dir(path, kAnyFile).isEmpty();
    } catch (const vb::Error&) {
        return false;
    }
}

bool FolderExists(QString path)
{
    if (path.endsWith(u'\\') && path.size() > 3)
        path.chop(1);
    try {
        return vb::GetAttr(path) & vb::vbDirectory;
    } catch (const vb::Error&) {
        return false;
    }
}

// The names of the files lying directly in `folder` (ending in "\"), whatever their attributes.
QStringList FilesIn(const QString& folder)
{
    QStringList names;
    vb::ResumeNext([&] {
        for (QString name = vb::Dir(folder + QStringLiteral("*.*"), kAnyFile); !name.isEmpty(); name = vb::Dir())
            names << name;
    });
    return names;
}

// Hidden, system and read-only files lying directly in `folder` (ending in "\") become
// plain files, so that a deletion of "*.*" takes them too.
void ClearAttributesIn(const QString& folder)
{
    for (const QString& name : FilesIn(folder))
        vb::ResumeNext([&] { vb::SetAttr(folder + name, vb::vbNormal); });
}

// The names (case-folded) of the files lying directly in the work folder that the boot-time
// rename list still moves into place: the copies an earlier restore left there for the
// restart that has not happened yet.
QStringList WaitingForBoot()
{
    QStringList names;
    for (const QString& source : platform::pendingRenameSources())
        if (StagedInWorkFolder(source))
            names << source.mid(source.lastIndexOf(u'\\') + 1).toCaseFolded();
    return names;
}

// Removes the files lying directly in `folder` (ending in "\"), whatever their attributes,
// but those named in `keep` (case-folded).
void RemoveFilesBut(const QString& folder, const QStringList& keep)
{
    for (const QString& name : FilesIn(folder)) {
        if (keep.contains(name.toCaseFolded()))
            continue;
        vb::ResumeNext([&] { vb::SetAttr(folder + name, vb::vbNormal); });
        vb::ResumeNext([&] { vb::Kill(folder + name); });
    }
}

// A path that can stand in quotes on a command line.
bool UsableInCommandLine(const QString& path)
{
    for (const QChar c : path)
        if (c == u'"' || c.unicode() < 32)
            return false;
    return true;
}

void RestartDidNotHappen()
{
    platform::withdrawRestart();
    vb::ResumeNext([] { core::Win(QStringLiteral("Form1")).setEnabled(true); });
    vb::ResumeNext([] { vb::Forms::unload(QStringLiteral("Reboot")); });
    vb::MsgBox(res(2126) + CR + res(2127), vb::vbOKOnly | vb::vbExclamation, res(1005));
}

// The reason for a failed file operation on `file`.
Failure FileFailure(int number, const QString& file)
{
    const QString reason = backup::FileErrorText(number);
    return {reason.isEmpty() ? vb::ErrorText(number) : reason, number, file};
}

void RestoreRun::enterBusyState()
{
    SetStatus(res(1018) + res(1019));
    ExitButton().setEnabled(false);
    // No other operation can start from any window while the restore runs. Of the main
    // window only the tab strip and its pages go: its status line and progress bars stay
    // readable, and Help, which starts nothing, stays at hand.
    for (vb::Form* form : vb::Forms::loaded()) {
        if (form->Name() == u"Form1") {
            QWidget* pages = core::Ctl<vb::TabStrip>(QStringLiteral("Form1"), QStringLiteral("SSTab2")).widget();
            if (pages->isEnabled()) {
                pages->setEnabled(false);
                inertPages = pages;
            }
        } else if (form->Enabled() && form->Visible()) {
            form->setEnabled(false);
            inert << form;
        }
    }
    trap(core::MakeProgramFolderCurrent);
    vb::Screen::setMousePointer(kHourglass);
}

void RestoreRun::prepareWorkFolder()
{
    const QString work = s.TempPath + QStringLiteral("trelvo");
    trap([&] {
        if (!FolderExists(s.TempPath))
            vb::MkDir(s.TempPath);
    });
    waitingForBoot = FolderExists(work) ? WaitingForBoot() : QStringList();
    trap([&] {
        if (!FolderExists(work)) {
            vb::MkDir(work);
            return;
        }
        // Leftovers of an earlier run must not pass for this configuration's files; the
        // copies the boot-time rename list still names are not leftovers.
        if (!waitingForBoot.isEmpty())
            return RemoveFilesBut(work + u'\\', waitingForBoot);
        ClearAttributesIn(work + u'\\');
        vb::Kill(work + QStringLiteral("\\*.*"));
    });
    trap(core::MakeProgramFolderCurrent);
}

void RestoreRun::floppyPhase()
{
    keptSaveFolder = s.SaveFolder;
    s.SaveFolder = s.DiskRestoreFolder;
    const QString n = QString::number(s.SelectedConfig + 1);
    for (int k = 1; k <= 8; ++k)
        quotedName[k] = quoted(s.SaveFolder + QStringLiteral("Conf") + n + kSuffix[k]);

    const QString prompt = res(1195) + vb::Str(qint64(s.DiskNo) + 1) + res(1196);
    for (;;) {
        if (vb::MsgBox(prompt, vb::vbOKCancel | vb::vbInformation, res(1011)) == vb::vbCancel) {
            CancelRestore();
            throw StopEarly{};
        }
        if (backup::CheckDiskInserted(keptSaveFolder.left(3)))
            break;
    }

    vb::DoEvents();
    core::AnimateForm& progress = core::Animate();
    progress.Show(vb::vbModeless);
    vb::DoEvents();
    progress.ProgressBar1.setMax(8);
    progress.ProgressBar1.setMin(0);
    progress.ProgressBar1.setValue(1);
    static const int kLabel[9] = {0, 1232, 1233, 1236, 1234, 1234, 1234, 1234, 1235};
    for (int k = 1; k <= 8; ++k) {
        const bool chosen = groupChosen(k);
        progress.ProgressBar1.setValue(k);
        progress.Label1.setCaption(res(kLabel[k]));
        // A group the save did not put onto the disks is left to the missing-archive question.
        if (!chosen || s.SplitArchive[k].isEmpty())
            continue;
        const QString target = s.DiskRestoreFolder + backup::GetFileName(plainName[k]);
        trap([&] { backup::ConcatSplitFile(plainName[k], target, s.SplitPieces[k]); });
        if (!Present(target)) {
            CancelRestore();
            throw StopEarly{};
        }
    }
    trap([] { vb::Forms::unload(QStringLiteral("Animate")); });
}

void RestoreRun::releaseWindows()
{
    for (const QPointer<vb::Form>& form : std::exchange(inert, {}))
        if (form)
            form->setEnabled(true);
    if (const QPointer<QWidget> pages = std::exchange(inertPages, nullptr))
        pages->setEnabled(true);
}

void RestoreRun::run()
{
    // One operation at a time: a save under way keeps its archives and folders to itself.
    if (s.SaveRunning)
        return;
    if (!s.SaveFolder.endsWith(u'\\'))
        s.SaveFolder += u'\\';
    if (!UsableInCommandLine(s.SaveFolder)) {
        vb::MsgBox(res(2119) + CR + s.SaveFolder, vb::vbOKOnly | vb::vbCritical, res(1005));
        ForgetLoadedRestore();
        return;
    }
    if (anySystemItemChosen()) {
        const QString question = QStringLiteral("Your system will be restarted after the Restore Process.") + CR +
                                 res(1015) + CR + QStringLiteral("Please save and close all open files before continuing.") +
                                 CR + CR + QStringLiteral("Continue Restore Operation?");
        if (vb::MsgBox(question, vb::vbYesNo | vb::vbCritical | vb::vbDefaultButton2, res(1005)) == vb::vbNo) {
            ForgetLoadedRestore();
            return;
        }
        req.Hide();
        if (!WininitPresent()) {
            ForgetLoadedRestore();
            return;
        }
        // Its restart carries out whatever the list holds: nothing of another restore unasked.
        AskAboutWaitingRestores();
    }
    RestartNeeded = false;
    enterBusyState();
    prepareWorkFolder();
    s.SomethingRestored = false;
    buildArchiveTable();
    // A configuration on floppies comes from the disks the user puts in, disk 1 asked for
    // first, also when none of its archives had to be split: whole archives lie on any disk.
    const auto onFloppies = [](const QString& archive) { return !archive.isEmpty(); };
    if (s.DiskRestoreFolder.isEmpty() && std::any_of(s.SplitArchive.begin(), s.SplitArchive.end(), onFloppies))
        s.DiskRestoreFolder = core::ProgramFolder() + QStringLiteral("\\DiskRestore\\");
    try {
        if (!s.DiskRestoreFolder.isEmpty())
            floppyPhase();
        systemFiles();
        CurrentStep = res(1524);
        userFiles();
        startMenuAndUserData();
    } catch (const StopEarly&) {
        stopEarly();
        return;
    }
    finish();
}

} // namespace steps

void Restore()
{
    steps::RestoreRun run;
    try {
        run.run();
    } catch (const vb::Error& e) {
        // Whatever escaped the steps' own trap: logged, and the windows usable again.
        core::ErrorLog(e.Number(), QStringLiteral(" Restore"));
        vb::ResumeNext([] { vb::Screen::setMousePointer(0); });
        vb::ResumeNext([] { steps::ExitButton().setEnabled(true); });
        run.releaseWindows();
        ForgetLoadedRestore();
    }
}

void CancelRestore()
{
    core::ProgramState& s = core::state();
    vb::ResumeNext([] { vb::MsgBox(steps::res(1237), vb::vbOKOnly); });
    s.SomethingRestored = false;
    vb::ResumeNext([] { vb::Forms::unload(QStringLiteral("Animate")); });
    vb::ResumeNext(vb::DoEvents);
    vb::ResumeNext([] { steps::ExitButton().setEnabled(true); });
    vb::ResumeNext([] { core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command4")).setEnabled(false); });
    vb::ResumeNext(vb::CloseAll);
    vb::ResumeNext([&] { vb::Kill(s.DiskRestoreFolder + QStringLiteral("*.*")); });
    vb::ResumeNext(vb::DoEvents);
}

void ListSubfolders(QString path)
{
    vb::Screen::setMousePointer(steps::kHourglass);
    if (!path.endsWith(u'\\'))
        path += u'\\';
    // The recursion disturbs the one directory listing: afterwards the listing of `path` is
    // started again and read up to the name it had reached.
    QString name = vb::Dir(path, vb::vbDirectory);
    while (!name.isEmpty()) {
        if (name != u"." && name != u".." && (vb::GetAttr(path + name) & vb::vbDirectory)) {
            steps::FolderList().AddItem(path + name);
            ListSubfolders(path + name);
            QString again = vb::Dir(path, vb::vbDirectory);
            while (!again.isEmpty() && again != name)
                again = vb::Dir();
            if (again.isEmpty())
                break;
        }
        name = vb::Dir();
    }
    vb::Screen::setMousePointer(0);
}

QString StripEnds(const QString& text) { return text.mid(1, text.size() - 2); }

void RebootWindows()
{
    vb::DoEvents();
    core::Win(QStringLiteral("Form1")).setEnabled(false);
    Reboot().Refresh();
    if (platform::ExitWindowsEx(platform::EWX_SHUTDOWN | platform::EWX_REBOOT, 0) == 0) {
        steps::RestartDidNotHappen();
        return;
    }
    Reboot().CloseWhenIdle();
}

void CloseForRestart()
{
    // The close runs the event loop once; the notice must not start it a second time.
    static bool closing = false;
    if (closing)
        return;
    const QScopedValueRollback<bool> once(closing, true);
    if (vb::Forms::isLoaded(QStringLiteral("Reboot")))
        Reboot().StopWaiting();
    core::QuitProgram();
    steps::RestartDidNotHappen();
}

void ForgetLoadedRestore()
{
    core::ProgramState& s = core::state();
    s.ImportActive = false;
    s.DiskRestoreFolder.clear();
    s.SplitArchive.fill(QString());
    s.SplitPieces.fill(0);
    s.DiskNo = 0;
}

} // namespace restore
