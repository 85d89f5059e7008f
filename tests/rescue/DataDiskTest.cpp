// Rescue disk No. 2: its files and the rescue archive, whole or spread over a further
// floppy; the update of an existing data disk; and what happens when the archive or a
// source does not make it.
#include "rescue/SelWiz.h"
#include "vb/Forms.h"
#include "backup/FloppyTesting.h"
#include "RescueTesting.h"

using namespace rescuetest;
using core::state;

namespace {

const QString kCongratulations = QStringLiteral("Congratulations!\rYour Rescue Disks were successfully created!\r\r"
                                                "Please store your Rescue Disks in a safe place \r"
                                                "and update them frequently to ensure maximum protection.");
const QString kUpdated = QStringLiteral("Congratulations!\rYour Rescue Disk was successfully updated!\r\r"
                                        "Please store your Rescue Disks in a safe place \r"
                                        "and update them frequently to ensure maximum protection.");
const QString kNotFunctional = QStringLiteral("Your Rescue Disk is probably not functional. Please contact Technical Support.");

class DataDiskTest : public RescueTest {
protected:
    // Where the wizard stands after the boot disk: disk 2 asked for, the rescue archive
    // built, a blank floppy in the drive.
    QByteArray afterBootDisk()
    {
        rescue::SelWiz().Show(vb::vbModal);
        state().DiskNo = 2;
        wizard().BootDiskDone = true;
        blankDisk(QStringLiteral("data"));
        insert(QStringLiteral("data"));
        return programFile(QStringLiteral("Configd.tva"));
    }
    QByteArray programFile(const QString& name) const { return tm.readC(QStringLiteral("Program Files/Trelvo/") + name); }
    // A SYSTEM.DAT that does not compress and makes the archive larger than one floppy.
    void largeSystemDat() const { tm.writeC(QStringLiteral("WINDOWS/SYSTEM.DAT"), backuptest::randomBytes(1600000, 7)); }

    // A data disk as an earlier run left it, in the drive, page 2 of the update shown.
    void oldDataDisk(const QList<QPair<QString, QByteArray>>& files)
    {
        backuptest::makeDisk(QStringLiteral("old"), files, QStringLiteral("1.44M"), QStringLiteral("DATA#1"));
        wizard().Option2.setValue(true);
        wizard().Command2.setValue(true);
        ASSERT_TRUE(wizard().Command1.Enabled());
    }
    // The pieces of a spread archive put together pass the real unzip's test.
    bool joinedPassesUnzipTest(const QByteArray& pieces) const
    {
        const QString joined = tm.hostC(QStringLiteral("joined.zip"));
        QFile out(joined);
        if (!out.open(QIODevice::WriteOnly) || out.write(pieces) != pieces.size())
            return false;
        out.close();
        return archiveEntries(joined).size() == 14 &&
               QProcess::execute(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-tqq"), joined}) == 0;
    }
    static QString pageOneText()
    {
        return QStringLiteral("The Trelvo Rescue Disk Wizard will help you create a bootable Rescue Disk, containing important "
                              "System Files.With this Boot Disk");
    }
};

} // namespace

TEST_F(DataDiskTest, AnArchiveThatFitsGoesWholeOntoTheDataDisk)
{
    const QByteArray archive = afterBootDisk();
    ASSERT_FALSE(archive.isEmpty());
    ui->expect(QStringLiteral("Please remove the floppy disk now and label it Trelvo RESCUE DISK NO. 2"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Your Rescue Disks were successfully created!"), QStringLiteral("OK"));

    wizard().MakeDataDisk();

    const QString disk = QStringLiteral("data");
    EXPECT_EQ(label(disk), QStringLiteral("DATA#1"));
    EXPECT_EQ(filesOn(disk), (QStringList{QStringLiteral("Autoexec.bat"), QStringLiteral("command.com"), QStringLiteral("Configd.tva"),
                                          QStringLiteral("RescDos.exe"), QStringLiteral("trelvo.ini"), QStringLiteral("Unzip.exe")}));
    EXPECT_EQ(onDisk(disk, QStringLiteral("AUTOEXEC.BAT")), kAutoexec);
    EXPECT_EQ(onDisk(disk, QStringLiteral("COMMAND.COM")), tm.readC(QStringLiteral("WINDOWS/COMMAND.COM")));
    for (const char* file : {"RESCDOS.EXE", "trelvo.ini", "Unzip.exe"})
        EXPECT_EQ(onDisk(disk, QString::fromLatin1(file)), programFile(QString::fromLatin1(file))) << file;
    EXPECT_EQ(onDisk(disk, QStringLiteral("CONFIGD.TVA")), archive);
    EXPECT_FALSE(fs::exists(kArchive));

    EXPECT_EQ(boxTexts(), (QStringList{QStringLiteral("Please remove the floppy disk now and label it Trelvo RESCUE DISK NO. 2"),
                                       kCongratulations}));
    EXPECT_EQ(state().DiskNo, 2);
    EXPECT_TRUE(state().SplitTargetPath.isEmpty());
    // The set is finished: only Exit and Help lead on.
    EXPECT_EQ(wizard().ProgressBar4.Value(), 130);
    EXPECT_EQ(wizard().Label1.Caption(), QStringLiteral("The creation of the Rescue Disks is finished!"));
    EXPECT_EQ(wizard().Command3.Caption(), QStringLiteral("&Exit"));
    EXPECT_TRUE(wizard().Command3.Enabled() && wizard().Command4.Enabled());
    EXPECT_FALSE(wizard().Command1.Visible() || wizard().Command2.Visible());
    EXPECT_TRUE(errorLog().isEmpty());
}

TEST_F(DataDiskTest, ALargerArchiveGoesOnInPiecesOntoAFloppyLabelledData2)
{
    largeSystemDat();
    const QByteArray archive = afterBootDisk();
    ASSERT_GT(archive.size(), 1457664);
    blankDisk(QStringLiteral("third"));
    ui->expect(QStringLiteral("Please remove Disk No. 2 now and label it TRELVO RESCUE DISK NO. 2  Please insert Disk No. 3 now!"),
               QStringLiteral("OK"), [] { insert(QStringLiteral("third")); });
    ui->expect(QStringLiteral("Please remove the floppy disk now and label it Trelvo RESCUE DISK NO. 3"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Your Rescue Disks were successfully created!"), QStringLiteral("OK"));

    wizard().MakeDataDisk();

    EXPECT_TRUE(filesOn(QStringLiteral("data")).contains(QStringLiteral("Configd.tv1")));
    EXPECT_FALSE(filesOn(QStringLiteral("data")).contains(QStringLiteral("Configd.tva")));
    EXPECT_EQ(filesOn(QStringLiteral("third")), QStringList{QStringLiteral("Configd.tv2")});
    EXPECT_EQ(label(QStringLiteral("data")), QStringLiteral("DATA#1"));
    EXPECT_EQ(label(QStringLiteral("third")), QStringLiteral("DATA#2"));
    EXPECT_EQ(onDisk(QStringLiteral("data"), QStringLiteral("Configd.tv1")) + onDisk(QStringLiteral("third"), QStringLiteral("Configd.tv2")),
              archive);
    EXPECT_EQ(state().DiskNo, 3);
    EXPECT_FALSE(fs::exists(kArchive));
}

TEST_F(DataDiskTest, AnArchiveThatDoesNotArriveIsNamedAndTheDataDiskCanBeMadeAgain)
{
    largeSystemDat();
    const QByteArray archive = afterBootDisk();
    ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("Cancel"));
    ui->expect(QStringLiteral("written to it:  Configd.tva  Please insert a blank floppy disk"), QStringLiteral("OK"));

    wizard().MakeDataDisk();

    EXPECT_EQ(boxTexts().filter(QStringLiteral("Congratulations")).size(), 0);
    EXPECT_EQ(ui->shown().last().title, QStringLiteral("Warning!"));
    // The second-floppy state: Formatting offered, every button usable, the archive kept.
    rescue::WizzardForm& w = wizard();
    EXPECT_EQ(w.Command3.Caption(), QStringLiteral("&Cancel"));
    for (vb::CommandButton* button : {&w.Command1, &w.Command2, &w.Command3, &w.Command4})
        EXPECT_TRUE(button->Enabled() && button->Visible()) << button->Name().toStdString();
    EXPECT_TRUE(w.Command5.Visible() && w.Label3.Visible());
    EXPECT_EQ(fs::readAll(kArchive), archive);

    // Next with a fresh floppy makes the data disk from the archive that waited.
    blankDisk(QStringLiteral("again"));
    blankDisk(QStringLiteral("third"));
    insert(QStringLiteral("again"));
    ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("OK"), [] { insert(QStringLiteral("third")); });
    ui->expect(QStringLiteral("label it Trelvo RESCUE DISK NO. 3"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Your Rescue Disks were successfully created!"), QStringLiteral("OK"));
    w.Command2.setValue(true);
    EXPECT_EQ(boxTexts().last(), kCongratulations);
    EXPECT_EQ(onDisk(QStringLiteral("again"), QStringLiteral("Configd.tv1")) + onDisk(QStringLiteral("third"), QStringLiteral("Configd.tv2")),
              archive);
    EXPECT_EQ(label(QStringLiteral("third")), QStringLiteral("DATA#2"));
}

TEST_F(DataDiskTest, AMissingUnzipIsReportedByNameAndEndsTheProgram)
{
    afterBootDisk();
    fs::removeFile(kProgramFolder + QStringLiteral("\\Unzip.exe"));
    ui->expect(QStringLiteral("File not found!  Unzip.exe  Your Rescue Disk is probably not functional"), QStringLiteral("OK"));

    EXPECT_THROW(wizard().MakeDataDisk(), testsupport::ProcessEnded);

    EXPECT_EQ(errorLog(), (QList<LogLine>{{QStringLiteral("File not found"), QStringLiteral("Unzip.exe BootDisk critical")}}));
    EXPECT_TRUE(filesOn(QStringLiteral("data")).contains(QStringLiteral("trelvo.ini")));
}

TEST_F(DataDiskTest, AnUpdateReplacesEveryPieceOfTheOldArchiveAndNothingElse)
{
    oldDataDisk({{QStringLiteral("Autoexec.bat"), "old autoexec"},
                 {QStringLiteral("RescDos.exe"), "old module"},
                 {QStringLiteral("Configd.tv1"), "old piece 1"},
                 {QStringLiteral("Configd.tv2"), "old piece 2"}});
    ui->expect(QStringLiteral("Your Rescue Disk was successfully updated!"), QStringLiteral("OK"));

    wizard().Command2.setValue(true);

    EXPECT_EQ(boxTexts(), QStringList{kUpdated});
    EXPECT_EQ(filesOn(QStringLiteral("old")),
              (QStringList{QStringLiteral("Autoexec.bat"), QStringLiteral("Configd.tva"), QStringLiteral("RescDos.exe")}));
    EXPECT_EQ(archiveEntries(machine().diskFolder(QStringLiteral("old")) + QStringLiteral("/Configd.tva")).size(), 14);
    EXPECT_EQ(onDisk(QStringLiteral("old"), QStringLiteral("Autoexec.bat")), QByteArray("old autoexec"));
    EXPECT_EQ(label(QStringLiteral("old")), QStringLiteral("DATA#1"));
    EXPECT_FALSE(fs::exists(kArchive));
    EXPECT_EQ(state().DiskNo, 2);

    EXPECT_EQ(wizard().Label1.Caption(), QStringLiteral("Updating of the Rescue Disk is finished!"));
    EXPECT_EQ(wizard().Command3.Caption(), QStringLiteral("&Exit"));
    EXPECT_FALSE(wizard().Command1.Enabled() || wizard().Command2.Enabled());
    EXPECT_TRUE(wizard().Label2.Caption().isEmpty());
}

TEST_F(DataDiskTest, AnUpdateRefusesAFloppyWithoutArchiveUntilRetryFindsOne)
{
    oldDataDisk({{QStringLiteral("LETTER.TXT"), "not a data disk"}});
    backuptest::makeDisk(QStringLiteral("right"), {{QStringLiteral("Configd.tva"), "old archive"}});
    insert(QStringLiteral("old"));
    const QString notRescueDisk = QStringLiteral("The disk in the disk drive (A:) is not [RESCUE DISK NO.2]");

    // Cancel: back to page 1, nothing written.
    ui->expect(notRescueDisk, QStringLiteral("Cancel"));
    wizard().BootDiskDone = true;
    wizard().Command2.setValue(true);
    EXPECT_EQ(ui->shown().last().buttons, (QStringList{QStringLiteral("Retry"), QStringLiteral("Cancel")}));
    EXPECT_EQ(ui->shown().last().title, QStringLiteral("Warning!"));
    EXPECT_TRUE(wizard().Label1.Caption().startsWith(pageOneText()));
    EXPECT_FALSE(wizard().Command1.Enabled());
    EXPECT_TRUE(wizard().Option1.Visible() && wizard().Option2.Visible());
    EXPECT_FALSE(wizard().BootDiskDone);
    EXPECT_EQ(filesOn(QStringLiteral("old")), QStringList{QStringLiteral("LETTER.TXT")});

    // Retry with the right floppy: the update runs, and the wizard is back on page 1 after it.
    wizard().Command2.setValue(true);
    ui->expect(notRescueDisk, QStringLiteral("Retry"), [] { insert(QStringLiteral("right")); });
    ui->expect(QStringLiteral("Your Rescue Disk was successfully updated!"), QStringLiteral("OK"));
    wizard().Command2.setValue(true);
    EXPECT_EQ(archiveEntries(machine().diskFolder(QStringLiteral("right")) + QStringLiteral("/Configd.tva")).size(), 14);
    // The update is finished: Exit and Help lead on.
    EXPECT_EQ(wizard().Label1.Caption(), QStringLiteral("Updating of the Rescue Disk is finished!"));
    EXPECT_EQ(wizard().Command3.Caption(), QStringLiteral("&Exit"));
    EXPECT_TRUE(wizard().Command3.Enabled() && wizard().Command4.Enabled());
    EXPECT_FALSE(wizard().Command1.Enabled() || wizard().Command2.Enabled());
    EXPECT_FALSE(wizard().Option1.Visible() || wizard().Option2.Visible());
}

TEST_F(DataDiskTest, AnUpdateWithTheDriveEmptySaysSoAndStaysOnPageTwo)
{
    oldDataDisk({});
    machine().ejectDisk();
    ui->expect(QStringLiteral("No disk inserted or the disk isn't formatted!  Please use the 'Formatting...' button"),
               QStringLiteral("OK"));

    wizard().Command2.setValue(true);

    EXPECT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown().first().title, QStringLiteral("Message"));
    EXPECT_TRUE(wizard().Command1.Enabled());
    EXPECT_TRUE(wizard().Command2.Enabled());
    EXPECT_FALSE(fs::exists(kArchive));
}

TEST_F(DataDiskTest, AnUpdateWithoutANewArchiveLeavesTheOldDiskAsItWas)
{
    const QList<QPair<QString, QByteArray>> old = {{QStringLiteral("Configd.tva"), backuptest::randomBytes(5000, 3)},
                                                   {QStringLiteral("RescDos.exe"), "old module"}};
    oldDataDisk(old);
    fs::removeFile(kProgramFolder + QStringLiteral("\\zip.exe"));
    ui->expect(QStringLiteral("The rescue archive Configd.tva could not be made. Nothing has been written to the floppy disk."),
               QStringLiteral("OK"));

    wizard().Command2.setValue(true);

    EXPECT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(filesOn(QStringLiteral("old")), (QStringList{QStringLiteral("Configd.tva"), QStringLiteral("RescDos.exe")}));
    for (const auto& [file, bytes] : old)
        EXPECT_EQ(onDisk(QStringLiteral("old"), file), bytes);
    // Still page 2 of the update: Next tries again, Cancel leaves.
    EXPECT_TRUE(wizard().Command1.Enabled() && wizard().Command2.Enabled() && wizard().Command3.Enabled());
    EXPECT_EQ(wizard().Command3.Caption(), QStringLiteral("&Cancel"));
}

TEST_F(DataDiskTest, AnUpdateCancelledAtTheThirdDiskPutsTheOldSetBackWhole)
{
    // A real set spread over two floppies, made by an update of a disk with an older archive.
    backuptest::makeDisk(QStringLiteral("third"));
    oldDataDisk({{QStringLiteral("Configd.tva"), "older archive"}});
    largeSystemDat();
    ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("OK"), [] { insert(QStringLiteral("third")); });
    ui->expect(QStringLiteral("Your Rescue Disk was successfully updated!"), QStringLiteral("OK"));
    wizard().Command2.setValue(true);
    const QByteArray oldFirst = onDisk(QStringLiteral("old"), QStringLiteral("Configd.tv1"));
    const QByteArray oldSecond = onDisk(QStringLiteral("third"), QStringLiteral("Configd.tv2"));
    ASSERT_TRUE(joinedPassesUnzipTest(oldFirst + oldSecond));

    // The next update, with another SYSTEM.DAT, is cancelled where disk 3 is asked for.
    wizard().Command3.setValue(true);
    tm.writeC(QStringLiteral("WINDOWS/SYSTEM.DAT"), backuptest::randomBytes(1600000, 8));
    insert(QStringLiteral("old"));
    bool couldLeave = true;
    ui->expect(QStringLiteral("Please remove Disk No. 2 now and label it TRELVO RESCUE DISK NO. 2"), QStringLiteral("Cancel"), [&] {
        couldLeave = wizard().Command3.Enabled() || vb::Forms::unload(wizard(), vb::vbFormControlMenu);
    });
    ui->expect(QStringLiteral("The old rescue archive has been put back on [RESCUE DISK NO.2]"), QStringLiteral("OK"));
    wizard().Option2.setValue(true);
    wizard().Command2.setValue(true);
    wizard().Command2.setValue(true);

    EXPECT_FALSE(couldLeave);
    EXPECT_EQ(boxTexts().filter(QStringLiteral("successfully updated")).size(), 1);
    EXPECT_EQ(onDisk(QStringLiteral("old"), QStringLiteral("Configd.tv1")), oldFirst);
    EXPECT_EQ(filesOn(QStringLiteral("old")).filter(QStringLiteral("Configd")), QStringList{QStringLiteral("Configd.tv1")});
    EXPECT_EQ(onDisk(QStringLiteral("third"), QStringLiteral("Configd.tv2")), oldSecond);
    EXPECT_FALSE(tm.existsC(QStringLiteral("Program Files/Trelvo/RescueKeep")));
    EXPECT_FALSE(fs::exists(kArchive));
    EXPECT_TRUE(wizard().Command1.Enabled() && wizard().Command2.Enabled() && wizard().Command3.Enabled());

    // Next runs the update again, and this time it goes through: a whole new set.
    ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("OK"), [] { insert(QStringLiteral("third")); });
    ui->onForm(QStringLiteral("frmNotEmpty"), [](vb::Form& dialog) {
        dialog.control<vb::CommandButton>(QStringLiteral("Command3")).setValue(true);
    });
    ui->expect(QStringLiteral("Your Rescue Disk was successfully updated!"), QStringLiteral("OK"));
    wizard().Command2.setValue(true);
    const QByteArray newSet = onDisk(QStringLiteral("old"), QStringLiteral("Configd.tv1")) + onDisk(QStringLiteral("third"), QStringLiteral("Configd.tv2"));
    EXPECT_NE(newSet, oldFirst + oldSecond);
    EXPECT_TRUE(joinedPassesUnzipTest(newSet));
    EXPECT_EQ(wizard().Label1.Caption(), QStringLiteral("Updating of the Rescue Disk is finished!"));
}

TEST_F(DataDiskTest, AnUpdateCancelledWithTheThirdDiskInTheDriveAsksForTheDataDiskToPutTheOldArchiveBack)
{
    backuptest::makeDisk(QStringLiteral("third"), {{QStringLiteral("Configd.tv2"), "old piece 2"}}, QStringLiteral("1.44M"),
                         QStringLiteral("DATA#2"));
    oldDataDisk({{QStringLiteral("Configd.tv1"), "old piece 1"}, {QStringLiteral("Configd.tv10"), "old piece 10"}});
    largeSystemDat();
    ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("Cancel"), [] { insert(QStringLiteral("third")); });
    // Asked for the data disk: first left as it is, then given.
    ui->expect(QStringLiteral("so that its old rescue archive can be put back"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("so that its old rescue archive can be put back"), QStringLiteral("OK"), [] { insert(QStringLiteral("old")); });
    ui->expect(QStringLiteral("your Rescue Disks are as they were before the update"), QStringLiteral("OK"));

    wizard().Command2.setValue(true);

    EXPECT_EQ(filesOn(QStringLiteral("old")).filter(QStringLiteral("Configd")),
              (QStringList{QStringLiteral("Configd.tv1"), QStringLiteral("Configd.tv10")}));
    EXPECT_EQ(onDisk(QStringLiteral("old"), QStringLiteral("Configd.tv1")), "old piece 1");
    EXPECT_EQ(onDisk(QStringLiteral("old"), QStringLiteral("Configd.tv10")), "old piece 10");
    EXPECT_EQ(filesOn(QStringLiteral("third")), QStringList{QStringLiteral("Configd.tv2")});
    EXPECT_EQ(onDisk(QStringLiteral("third"), QStringLiteral("Configd.tv2")), "old piece 2");
    EXPECT_EQ(boxTexts().filter(QStringLiteral("incomplete")).size(), 0);
}

// Cancelled where disk 3 is asked for, the old archive cannot go back onto a data disk that
// has become write-protected or full meanwhile: the set is told incomplete, never put back.
TEST_F(DataDiskTest, AnOldArchiveThatCannotGoBackOntoTheDataDiskIsNotReportedAsPutBack)
{
    const struct {
        const char* disk;
        void (*fault)(const QString& disk);
    } rows[] = {
        {"protected", [](const QString& disk) { machine().protectDisk(disk, true); }},
        {"full", [](const QString& disk) {
             QFile filler(machine().diskFolder(disk) + QStringLiteral("/FILLER.BIN"));
             ASSERT_TRUE(filler.open(QIODevice::WriteOnly) && filler.resize(1457664));
         }},
    };
    largeSystemDat();
    wizard().Option2.setValue(true);
    wizard().Command2.setValue(true);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.disk);
        const QString disk = QString::fromLatin1(row.disk);
        backuptest::makeDisk(disk, {{QStringLiteral("Configd.tv1"), "old piece 1"}}, QStringLiteral("1.44M"), QStringLiteral("DATA#1"));
        ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("Cancel"), [&] { row.fault(disk); });
        ui->expect(QStringLiteral("Your Rescue Disks are now incomplete"), QStringLiteral("OK"));
        wizard().Command2.setValue(true);
        EXPECT_NE(onDisk(disk, QStringLiteral("Configd.tv1")), QByteArray("old piece 1"));
        EXPECT_FALSE(fs::exists(kArchive));
        EXPECT_FALSE(tm.existsC(QStringLiteral("Program Files/Trelvo/RescueKeep")));
    }
}

TEST_F(DataDiskTest, AnUpdateStoppedAfterAFurtherDiskTookAPieceSaysTheSetIsIncompleteAndRunsAgain)
{
    // The new archive needs three floppies; the user gives up where the fourth is asked for.
    backuptest::makeDisk(QStringLiteral("third"), {{QStringLiteral("Configd.tv2"), "old piece 2"}}, QStringLiteral("1.44M"),
                         QStringLiteral("DATA#2"));
    oldDataDisk({{QStringLiteral("Configd.tv1"), "old piece 1"}});
    tm.writeC(QStringLiteral("WINDOWS/SYSTEM.DAT"), backuptest::randomBytes(3000000, 9));
    ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("OK"), [] { insert(QStringLiteral("third")); });
    ui->onForm(QStringLiteral("frmNotEmpty"), [](vb::Form& dialog) {
        dialog.control<vb::CommandButton>(QStringLiteral("Command3")).setValue(true);
    });
    ui->expect(QStringLiteral("Please insert Disk No. 4 now!"), QStringLiteral("Cancel"));
    ui->expect(QStringLiteral("Your Rescue Disks are now incomplete and can not be used to restore your System Configuration."
                              "  Please insert [RESCUE DISK NO.2] and click on 'Next >' to run the update again."),
               QStringLiteral("OK"));

    wizard().Command2.setValue(true);

    EXPECT_EQ(boxTexts().filter(QStringLiteral("Congratulations")).size(), 0);
    // No piece of the old set is left on the disks written, only new ones.
    EXPECT_EQ(filesOn(QStringLiteral("old")).filter(QStringLiteral("Configd")), QStringList{QStringLiteral("Configd.tv1")});
    EXPECT_NE(onDisk(QStringLiteral("old"), QStringLiteral("Configd.tv1")), QByteArray("old piece 1"));
    EXPECT_EQ(filesOn(QStringLiteral("third")), QStringList{QStringLiteral("Configd.tv2")});
    EXPECT_NE(onDisk(QStringLiteral("third"), QStringLiteral("Configd.tv2")), QByteArray("old piece 2"));
    EXPECT_FALSE(tm.existsC(QStringLiteral("Program Files/Trelvo/RescueKeep")));
    EXPECT_TRUE(wizard().Command1.Enabled() && wizard().Command2.Enabled() && wizard().Command3.Enabled());
}

TEST_F(DataDiskTest, EveryFloppyOfAnUpdatedSetIsLabelledAlsoAfterARetry)
{
    // An unlabelled data disk, and a third floppy that is write-protected until the user frees it.
    backuptest::makeDisk(QStringLiteral("old"), {{QStringLiteral("Configd.tva"), "old archive"}});
    blankDisk(QStringLiteral("third"));
    machine().protectDisk(QStringLiteral("third"), true);
    largeSystemDat();
    wizard().Option2.setValue(true);
    wizard().Command2.setValue(true);
    ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("OK"), [] { insert(QStringLiteral("third")); });
    ui->expect(QStringLiteral("resCANTOPEN"), QStringLiteral("Retry"), [] { machine().protectDisk(QStringLiteral("third"), false); });
    ui->expect(QStringLiteral("Your Rescue Disk was successfully updated!"), QStringLiteral("OK"));

    wizard().Command2.setValue(true);

    EXPECT_EQ(label(QStringLiteral("old")), QStringLiteral("DATA#1"));
    EXPECT_EQ(label(QStringLiteral("third")), QStringLiteral("DATA#2"));
    EXPECT_EQ(filesOn(QStringLiteral("third")), QStringList{QStringLiteral("Configd.tv2")});
    EXPECT_EQ(state().DiskNo, 3);
}
