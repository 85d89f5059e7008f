#include "restore/RestoreSteps.h"
#include "core/Settings.h"
#include "core/Windows.h"
#include "platform/Boot.h"
#include "restore/Reboot.h"
#include "restore/WininitRename.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <algorithm>

namespace restore::steps {

// One error-log line per failure, tagged with the step it came up in (an archive that
// several items came from once); an archive the user chose to pass over costs none.
void RestoreRun::logFailures()
{
    QList<QPair<int, QString>> logged;
    for (const Outcome& o : outcomes_) {
        if (!o.failure || !o.failure->logged || logged.contains(qMakePair(o.failure->number, o.failure->file)))
            continue;
        logged.append(qMakePair(o.failure->number, o.failure->file));
        core::ErrorLog(o.failure->number, o.failure->step.value_or(QString()) + QStringLiteral(" Restore"));
    }
}

// "Files successfully restored" only when every chosen item came back; otherwise what was
// not restored, each with its reason, under the warning or, when nothing came back, under
// "Nothing restored".
QString RestoreRun::finalMessage() const
{
    QStringList missed;
    bool any = false;
    for (const Outcome& o : outcomes_) {
        if (o.failure)
            missed << o.what + QStringLiteral(": ") + o.failure->why;
        else
            any = true;
    }
    if (missed.isEmpty())
        return res(any ? 1151 : 1245);
    return res(any ? 2120 : 1245) + CR + CR + missed.join(CR);
}

void RestoreRun::stopEarly()
{
    vb::Screen::setMousePointer(0);
    vb::ResumeNext([] { SetStatus(res(2262)); });
    ExitButton().setEnabled(true);
    releaseWindows();
    if (!keptSaveFolder.isEmpty()) {
        s.SaveFolder = keptSaveFolder;
        keptSaveFolder.clear();
    }
    ForgetLoadedRestore();
    logFailures();
    // Files of the boot drive copied back, or rename lines written: the rest of the system
    // files comes into place when Windows starts next.
    if (RestartNeeded)
        vb::MsgBox(res(2128) + CR + res(2129), vb::vbOKOnly | vb::vbExclamation);
}

void RestoreRun::finish()
{
    vb::ResumeNext([] { vb::Screen::setMousePointer(0); });
    vb::ResumeNext([] { core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar2")).setValue(0); });
    vb::ResumeNext([] { SetStatus(res(1023)); });
    vb::ResumeNext([] { ExitButton().setEnabled(true); });
    releaseWindows();
    s.RestorePending = true;
    if (!s.DiskRestoreFolder.isEmpty())
        vb::ResumeNext([&] { vb::Kill(s.DiskRestoreFolder + QStringLiteral("*.*")); });
    if (!keptSaveFolder.isEmpty()) {
        s.SaveFolder = keptSaveFolder;
        keptSaveFolder.clear();
    }
    if (!s.ImportActive) {
        // The settings keep the user's own save folder and this machine's Windows folder, not
        // the ones the configuration recorded; the Restore button puts its folder back later.
        const QString recorded = s.SaveFolder;
        if (!s.PrevSaveFolder.isEmpty())
            s.SaveFolder = s.PrevSaveFolder;
        s.SystemPath = BootWindowsFolder();
        vb::ResumeNext(core::SaveSettings);
        s.SaveFolder = recorded;
    }
    ForgetLoadedRestore();

    if (RestartNeeded) {
        // The work folder stays: the rename lines point into it.
        vb::ResumeNext([] { Reboot().Show(vb::vbModeless); });
        vb::ResumeNext(RebootWindows);
    } else {
        const QString work = s.TempPath + QStringLiteral("trelvo\\");
        for (const QString& folder : {work + QStringLiteral("User\\"), work}) {
            // What an earlier run left for the restart still waits for it.
            if (folder == work && !waitingForBoot.isEmpty()) {
                RemoveFilesBut(folder, WaitingForBoot());
                vb::ResumeNext([&] { vb::RmDir(folder.left(folder.size() - 1)); });
                continue;
            }
            ClearAttributesIn(folder);
            vb::ResumeNext([&] { vb::Kill(folder + QStringLiteral("*.*")); });
            vb::ResumeNext([&] { vb::RmDir(folder.left(folder.size() - 1)); });
        }
    }
    vb::ResumeNext([&] { req.Hide(); });
    vb::ResumeNext(vb::DoEvents);

    logFailures();
    s.SomethingRestored = std::any_of(outcomes_.begin(), outcomes_.end(), [](const Outcome& o) { return !o.failure; });
    const bool allRestored = std::none_of(outcomes_.begin(), outcomes_.end(), [](const Outcome& o) { return o.failure.has_value(); });
    // The restart notice has been up; it steps aside while the final message is shown, so
    // that neither covers the other, and comes back for the close.
    const auto noticeShown = [] { return vb::Forms::isLoaded(QStringLiteral("Reboot")) && Reboot().Visible(); };
    const bool notice = noticeShown();
    if (notice)
        vb::ResumeNext([] { Reboot().Hide(); });
    vb::ResumeNext([&] {
        if (allRestored)
            vb::MsgBox(finalMessage(), vb::vbOKOnly);
        else
            vb::MsgBox(finalMessage(), vb::vbOKOnly | vb::vbExclamation, res(1005));
    });
    if (notice && vb::Forms::isLoaded(QStringLiteral("Reboot")) && platform::restartPending())
        vb::ResumeNext([] { Reboot().Show(vb::vbModeless); });
}

} // namespace restore::steps
