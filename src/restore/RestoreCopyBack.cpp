#include "restore/RestoreSteps.h"
#include "core/Startup.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "restore/WininitRename.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QThread>

namespace restore::steps {

void RestoreRun::removeStaged(const QString& path)
{
    if (!Present(path))
        return;
    trap([&] {
        // Only a read-only, hidden or system copy needs plain attributes first; a plain one
        // would have them recorded only to have the record dropped again by the deletion.
        if (vb::GetAttr(path) & (vb::vbReadOnly | vb::vbHidden | vb::vbSystem))
            vb::SetAttr(path, vb::vbNormal);
        vb::Kill(path);
    });
}

// Copies the staged copy over the live file. A read-only live file is made writable first,
// since restoring it is what the user chose; the copy gives it the attributes it was saved
// with. The error number when the copy fails; the live file is then as it was. With
// `moved`, a staged copy that is to go afterwards anyway may be moved into place instead of
// copied; *moved tells whether it was (and so is gone).
std::optional<int> RestoreRun::copyOver(const QString& staged, const QString& live, bool* moved)
{
    std::optional<int> before;
    if (const std::optional<platform::fs::Entry> e = platform::fs::tryStat(live); e && !e->isDir())
        before = int(e->attrs);
    if (before && (*before & vb::vbReadOnly)) {
        if (const std::optional<int> error = attempt([&] { vb::SetAttr(live, *before & ~vb::vbReadOnly); }))
            return error;
    }
    const std::optional<int> error = attempt([&] {
        if (!moved)
            return vb::FileCopy(staged, live);
        try {
            *moved = platform::fs::moveOrCopyFile(staged, live);
        } catch (const platform::SysError& e) {
            throw vb::Error(e.code());
        }
    });
    if (error && before)
        vb::ResumeNext([&] { vb::SetAttr(live, *before); });
    return error;
}

void RestoreRun::systemFiles()
{
    const bool chosen = anySystemItemChosen();
    std::optional<Failure> archiveFailure;
    if (chosen) {
        SetStatus(res(1122));
        if (!askIfMissing(1, 1200)) {
            archiveFailure = missingArchive(1);
        } else {
            // The archive holds the staging folder's path less its drive: it unpacks on the
            // drive of the temporary folder, into the emptied work folder, every system file
            // it holds. The copies an earlier run left there for the restart step aside
            // meanwhile, and come back unless this run replaces them.
            const QString work = s.TempPath + QStringLiteral("trelvo\\");
            QStringList aside;
            for (const QString& name : waitingForBoot) {
                try {
                    platform::fs::moveOver(work + name, core::WaitingCopyAside(work + name));
                    aside << name;
                } catch (const platform::SysError& e) {
                    logError(e.code());
                }
            }
            archiveFailure = unpackSystemFiles(s.TempPath.left(3));
            for (const QString& name : aside) {
                const auto chosenNow = [&] {
                    for (const BootTimeFile& f : kBootTimeFiles)
                        if (QString::fromUtf16(f.name).toCaseFolded() == name)
                            return (req.*f.box).Value() != 0;
                    return false;
                };
                const QString kept = core::WaitingCopyAside(work + name);
                try {
                    if (!archiveFailure && chosenNow() && Present(work + name)) {
                        removeStaged(kept);
                    } else {
                        if (!archiveFailure && chosenNow())
                            earlierCopies << name;   // not this configuration's
                        platform::fs::moveOver(kept, work + name);
                    }
                } catch (const platform::SysError& e) {
                    logError(e.code());
                }
            }
            vb::DoEvents();
        }
    }

    // Never past the end of the bar.
    vb::ProgressBar& bar = core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar2"));
    for (int value = bar.Value(); value < qMin(50, bar.Max());) {
        QThread::usleep(300);
        bar.setValue(++value);
    }
    SetStatus(res(1022));
    if (!chosen)
        return;

    if (archiveFailure) {
        // Nothing of an archive that could not be unpacked whole is put in place.
        for (const BootDriveFile& f : kBootDriveFiles)
            if ((req.*f.box).Value() != 0)
                notRestored(QString::fromUtf16(f.live), *archiveFailure);
        for (const BootTimeFile& f : kBootTimeFiles)
            if ((req.*f.box).Value() != 0)
                notRestored(BootWindowsFolder() + u'\\' + QString::fromUtf16(f.name), *archiveFailure);
        return;
    }
    listForBootTimeRename();
    for (const BootDriveFile& f : kBootDriveFiles) {
        if ((req.*f.box).Value() == 0)
            continue;
        CurrentStep = QString::fromUtf16(f.step);
        SetStatus(res(1117) + u' ' + CurrentStep);
        const QString staged = s.TempPath + QString::fromUtf16(f.staged);
        const QString live = QString::fromUtf16(f.live);
        if (!Present(staged)) {
            notRestored(live, Failure{res(2123), 53, live});
            continue;
        }
        const std::optional<int> error =
            replaceWhole(staged, live, f.route);
        removeStaged(staged);
        if (error) {
            notRestored(live, FileFailure(*error, live));
            continue;
        }
        restored(live);
        RestartNeeded = true;
    }
}

// The rename lines go in once the system files are unpacked, for the copies that are
// there, and before any live file changes: a failure here stops the restore untouched.
void RestoreRun::listForBootTimeRename()
{
    QStringList listed;
    try {
        listed = WriteWininitRename();
    } catch (const vb::Error& e) {
        logError(e.Number());
        vb::MsgBox(QStringLiteral("'Wininit.ini' ") + vb::ErrorText(e.Number()) + CR + CR + res(1237),
                   vb::vbOKOnly | vb::vbCritical, res(1005));
        throw StopEarly{};
    }
    // With no copy to list the file still gets its section; nothing waits for that, so a
    // failure to write it is logged and the restore goes on.
    if (listed.isEmpty())
        trap(AddRenameSection);
    // A listed file comes into place when Windows starts next.
    for (const BootTimeFile& f : kBootTimeFiles) {
        if ((req.*f.box).Value() == 0)
            continue;
        const QString name = QString::fromUtf16(f.name);
        const QString live = BootWindowsFolder() + u'\\' + name;
        if (!listed.contains(name) || earlierCopies.contains(name.toCaseFolded())) {
            notRestored(live, Failure{res(2123), 53, live});
            continue;
        }
        restored(live);
        RestartNeeded = true;
    }
}

// The staged copy takes the live file's place whole (FileCopy builds it beside the live
// file and puts it in place only once it is complete), so nothing is deleted first: a copy
// that fails or is cut short leaves the live file as it was. A file of the boot drive that
// keeps its attributes gets read-only, hidden and system again.
std::optional<int> RestoreRun::replaceWhole(const QString& staged, const QString& live, Route route)
{
    const std::optional<int> error = copyOver(staged, live);
    if (!error && route == Route::WithAttributes)
        trap([&] { vb::SetAttr(live, vb::vbReadOnly | vb::vbHidden | vb::vbSystem); });
    return error;
}

} // namespace restore::steps
