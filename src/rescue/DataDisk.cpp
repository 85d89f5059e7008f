// Rescue disk No. 2, the data disk: what the DOS restore module needs once the boot disk
// has started it, and the rescue archive, spread over further floppies when it does not
// fit. The update renews only the archive of an existing data disk.
#include "backup/FloppySpan.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/System.h"
#include "core/ProgramState.h"
#include "rescue/RescueDisks.h"
#include "rescue/SelWiz.h"
#include "rescue/Wizzard.h"
#include "vb/Error.h"
#include "vb/Conversions.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <functional>

namespace rescue {

namespace {

QString CongratulationsEnd() { return QStringLiteral("\r\r") + Text(1075) + u'\r' + Text(1076); }

// Copies the rescue archive onto the floppy in the drive and the further ones it needs.
// True when all of it arrived; the archive in the program folder is then gone.
// `furtherDisk` runs as each further disk comes in, before it takes anything.
bool CopyRescueArchive(const QString& floppyRoot, const std::function<void()>& furtherDisk = {})
{
    core::ProgramState& s = core::state();
    QString prompt = DiskChangePrompt(s.DiskNo);
    s.SplitTargetPath = floppyRoot;
    const bool copied = backup::CopyArchiveToDisk(RescueArchive(), QStringLiteral("a:\\"), prompt, {}, furtherDisk);
    s.SplitTargetPath.clear();
    return copied;
}

// The further floppies of a spread archive are labelled after the data disk, so a data disk
// without a numbered label gets its own first.
void LabelDataDisk(const QString& root)
{
    const QString label = core::SysInfo().VolumeLabel(root);
    if (label.isEmpty() || !label.back().isDigit())
        backup::LabelDisk(root, QStringLiteral("Data#1"));
}

// The parts of the old rescue archive on the data disk, copied into the program folder's
// RescueKeep before the update deletes them, and beside them a record of the update under
// way (Update.ini: the data disk's serial number and the number of the last disk the new
// archive has reached). An update that stops before any further disk has taken a piece of
// the new archive writes them back, so that the old set is whole again instead of a new
// first piece beside old further ones. A run cut short (killed, a power cut) leaves the
// keep and its record for the next start, which settles it (SettleInterruptedUpdate).
class OldArchiveKept {
public:
    // Keeps the parts on the disk in `root` and records the update; the disk is not changed.
    explicit OldArchiveKept(const QString& root) : root_(root)
    {
        RemoveCopies();
        names_ = backup::ArchiveParts(root_ + QStringLiteral("Configd.tva"));
        vb::ResumeNext([&] { serial_ = core::SysInfo().SerialNumber(root_); });
        bool kept = !names_.isEmpty() && vb::ResumeNext([&] { vb::MkDir(Folder().chopped(1)); }) == 0;
        for (const QString& name : names_)
            kept = kept && vb::ResumeNext([&] { vb::FileCopy(root_ + name, Folder() + name); }) == 0;
        // Only a whole old archive is worth putting back.
        if (!kept) {
            RemoveCopies();
            names_.clear();
            vb::ResumeNext([&] { vb::MkDir(Folder().chopped(1)); });
        }
        core::WriteIni(Section(), QStringLiteral("Serial"), serial_, Record());
        Reached(2);
    }
    // What an earlier run left in the keep, for the data disk in `root`.
    struct LeftBehind {};
    OldArchiveKept(const QString& root, LeftBehind)
        : root_(root), serial_(core::ReadIni(Section(), QStringLiteral("Serial"), Record())),
          names_(backup::ArchiveParts(Folder() + QStringLiteral("Configd.tva"))),
          reached_(int(vb::Val(core::ReadIni(Section(), QStringLiteral("Disk"), Record()))))
    {
    }
    ~OldArchiveKept() { RemoveCopies(); }
    OldArchiveKept(const OldArchiveKept&) = delete;
    OldArchiveKept& operator=(const OldArchiveKept&) = delete;

    // An update was under way (a record lies in the keep).
    bool Recorded() const { return reached_ > 0; }
    // Disk No. `diskNo` takes a part of the new archive next.
    void Reached(int diskNo)
    {
        reached_ = diskNo;
        core::WriteIni(Section(), QStringLiteral("Disk"), QString::number(diskNo), Record());
    }
    // No further disk has taken anything of the new archive: the old parts make the old set
    // whole again.
    bool CanPutBack() const { return reached_ == 2 && !names_.isEmpty(); }

    // Puts the old parts back in place of the new ones, asking for the data disk when another
    // is in the drive. False when they are not back (none kept, the user gave up, a write
    // failed).
    bool PutBack()
    {
        if (!CanPutBack())
            return false;
        for (;;) {
            QString serial;
            vb::ResumeNext([&] { serial = core::SysInfo().SerialNumber(root_); });
            if (serial == serial_)
                break;
            if (vb::MsgBox(Text(2146), vb::vbOKCancel | vb::vbExclamation, Text(1005)) != vb::vbOK)
                return false;
        }
        backup::RemoveArchiveParts(root_ + QStringLiteral("Configd.tva"));
        bool back = true;
        for (const QString& name : names_)
            back = vb::ResumeNext([&] { vb::FileCopy(Folder() + name, root_ + name); }) == 0 && back;
        return back;
    }

private:
    static QString Section() { return QStringLiteral("Update"); }
    static QString Folder() { return core::ProgramFolder() + QStringLiteral("\\RescueKeep\\"); }
    static QString Record() { return Folder() + QStringLiteral("Update.ini"); }
    void RemoveCopies()
    {
        vb::ResumeNext([&] {
            for (const QString& name : backup::ArchiveParts(Folder() + QStringLiteral("Configd.tva")))
                vb::Kill(Folder() + name);
        });
        vb::ResumeNext([&] { vb::Kill(Record()); });
        vb::ResumeNext([&] { vb::RmDir(Folder().chopped(1)); });
    }

    QString root_;
    QString serial_;
    QStringList names_;
    int reached_ = 0;
};

} // namespace

void WizzardForm::MakeDataDisk()
{
    core::ProgramState& s = core::state();
    fileInHand_.clear();
    s.DiskNo = 2;
    try {
        backup::LabelDisk(QStringLiteral("a:\\"), QStringLiteral("Data#1"));
        Command1.setVisible(false);
        Command2.setVisible(false);
        Command3.setEnabled(false);
        Command4.setEnabled(false);
        Command5.setVisible(false);
        Label3.setVisible(false);

        ShowStatus(Text(1096), QStringLiteral("AUTOEXEC.BAT"));
        WriteTextFile(QStringLiteral("a:\\Autoexec.bat"), AutoexecLines());
        ShowStatus(Text(1095), QStringLiteral("COMMAND.COM"));
        vb::FileCopy(s.SystemPath + QStringLiteral("\\command.com"), QStringLiteral("a:\\command.com"));
        core::MakeProgramFolderCurrent();
        const QString folder = core::ProgramFolder();
        ShowStatus(Text(1095), QStringLiteral("RESCDOS.EXE"));
        vb::FileCopy(folder + QStringLiteral("\\RescDos.exe"), QStringLiteral("A:\\RescDos.exe"));
        ShowStatus(Text(1095), QStringLiteral("trelvo.INI"));
        vb::FileCopy(folder + QStringLiteral("\\trelvo.ini"), QStringLiteral("a:\\trelvo.ini"));
        Refres();
        fileInHand_ = QStringLiteral("Unzip.exe");
        Label2.setCaption(Text(1095) + fileInHand_);
        vb::FileCopy(folder + QStringLiteral("\\Unzip.exe"), QStringLiteral("a:\\Unzip.exe"));
        Refres();
        ShowStatus(Text(1095), Text(1118));
        // The archive stays in the program folder for the next try.
        if (!CopyRescueArchive(QStringLiteral("A:\\"))) {
            ReportMissingFiles({QStringLiteral("Configd.tva")});
            StayOnPageTwo();
            return;
        }

        ProgressBar4.setValue(ProgressBar4.Max());
        Label1.setCaption(Text(1097));
        Label2.setCaption({});
        Command3.setCaption(u'&' + Text(1517));
        Command1.setEnabled(false);
        Refres();
        vb::MsgBox(Text(1072) + vb::Str(s.DiskNo), vb::vbOKOnly);
        vb::MsgBox(Text(1073) + u'\r' + Text(1074) + CongratulationsEnd(), vb::vbOKOnly);
        Command3.setEnabled(true);
        Command4.setEnabled(true);
    } catch (const vb::Error& e) {
        EndOnCriticalError(e, fileInHand_);
    }
}

void WizzardForm::UpDateDataDisk()
{
    core::ProgramState& s = core::state();
    fileInHand_.clear();

    // A data disk is known by its archive, whole or in pieces; its label is not looked at.
    // Retry looks at the disk in the drive again.
    for (;;) {
        QString archive;
        try {
            archive = vb::Dir(QStringLiteral("a:\\Configd.tva"));
            if (archive.isEmpty())
                archive = vb::Dir(QStringLiteral("a:\\Configd.tv1"));
        } catch (const vb::Error&) {
            vb::MsgBox(Text(1070) + QStringLiteral("\r\r") + Text(1071), vb::vbCritical | vb::vbOKOnly, Text(1011));
            return;
        }
        if (!archive.isEmpty())
            break;
        const QString prompt = Text(1142) + u'\r' + Text(1143) + QStringLiteral("\r\r") + Text(1149);
        if (vb::MsgBox(prompt, vb::vbRetryCancel | vb::vbCritical | vb::vbDefaultButton2, Text(1005)) != vb::vbRetry) {
            ReturnToPage1();
            return;
        }
    }

    // From here until the new archive is on the floppies the wizard cannot be left: the old
    // archive goes before the new one is written.
    Command1.setEnabled(false);
    Command2.setEnabled(false);
    Command3.setEnabled(false);
    try {
        SelWiz().Show(vb::vbModal);
        // Without a sound new archive the disk keeps the old one.
        if (!RescueArchiveReady()) {
            vb::MsgBox(Text(2140), vb::vbCritical | vb::vbOKOnly, Text(1005));
            StayOnPageTwo();
            return;
        }
        Label2.setVisible(true);
        Label2.setCaption(Text(1095) + Text(1118) + Text(1019));
        Label2.Refresh();
        OldArchiveKept old(QStringLiteral("a:\\"));
        vb::Kill(QStringLiteral("a:\\Configd.tv?"));
        backup::RemoveArchiveParts(QStringLiteral("a:\\Configd.tva"));
        LabelDataDisk(QStringLiteral("a:\\"));
        fileInHand_ = QStringLiteral("Configd.tva");
        s.DiskNo = 2;
        if (!CopyRescueArchive(QStringLiteral("a:\\"), [&] { old.Reached(s.DiskNo); })) {
            // Stopped before a further disk took anything: nothing else was changed.
            if (old.PutBack())
                vb::MsgBox(Text(2145), vb::vbExclamation | vb::vbOKOnly, Text(1005));
            else
                vb::MsgBox(Text(2143) + QStringLiteral("\r\r") + Text(2144), vb::vbCritical | vb::vbOKOnly, Text(1005));
            StayOnPageTwo();
            return;
        }

        vb::DoEvents();
        Label1.setCaption(Text(1146));
        Command3.setCaption(u'&' + Text(1517));
        Command1.setEnabled(false);
        Refresh();
        vb::MsgBox(Text(1073) + u'\r' + Text(1147) + CongratulationsEnd(), vb::vbOKOnly);
        Label2.setCaption({});
        Command3.setEnabled(true);
        Command4.setEnabled(true);
    } catch (const vb::Error& e) {
        EndOnCriticalError(e, fileInHand_);
    }
}

void SettleInterruptedUpdate()
{
    // A keep without a record was made before the data disk was touched: it goes quietly.
    OldArchiveKept left(QStringLiteral("a:\\"), OldArchiveKept::LeftBehind{});
    if (!left.Recorded())
        return;
    const QString runAgain = QStringLiteral("\r\r") + Text(2149);
    if (left.CanPutBack() && vb::MsgBox(Text(2147), vb::vbOKCancel | vb::vbExclamation, Text(1005)) == vb::vbOK) {
        if (left.PutBack())
            vb::MsgBox(Text(2145), vb::vbExclamation | vb::vbOKOnly, Text(1005));
        else
            vb::MsgBox(Text(2143) + runAgain, vb::vbCritical | vb::vbOKOnly, Text(1005));
        return;
    }
    vb::MsgBox(Text(2148) + runAgain, vb::vbCritical | vb::vbOKOnly, Text(1005));
}

} // namespace rescue
