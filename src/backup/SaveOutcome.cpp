#include "backup/SaveSteps.h"
#include "backup/FloppyPrep.h"
#include "backup/FloppySpan.h"
#include "backup/FolderPaths.h"
#include "catalogue/Description.h"
#include "core/IniValues.h"
#include "core/Settings.h"
#include "core/System.h"
#include "core/Windows.h"
#include "platform/Profile.h"
#include "vb/Conversions.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <algorithm>
#include <utility>

namespace backup::steps {

namespace {

// The status line once the save is over, however it ended, so that it never still says
// "Please wait..." under the box that tells the outcome.
void showOutcome(const QString& status)
{
    vb::StatusBar& bar = core::StatusBarOf(kForm1, QStringLiteral("StatusBar1"));
    bar.setText(status);
    bar.Refresh();
}

} // namespace

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

} // namespace backup::steps
