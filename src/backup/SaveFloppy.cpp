#include "backup/SaveSteps.h"
#include "backup/CopyState.h"
#include "backup/FloppyFault.h"
#include "backup/FloppyPrep.h"
#include "backup/FloppySpan.h"
#include "backup/FolderPaths.h"
#include "core/Animate.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "vb/Conversions.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

namespace backup::steps {

namespace {

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

} // namespace

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

} // namespace backup::steps
