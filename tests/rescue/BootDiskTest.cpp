// Rescue disk No. 1 written onto the machine's floppy: label, boot files with their
// attributes, MSDOS.SYS empty or edited, Config.sys and Autoexec.bat; and the failures that
// end the program.
#include "vb/Forms.h"
#include "RescueTesting.h"
#include "support/HostileArchive.h"

#include <QFile>

using namespace rescuetest;
using core::state;

namespace {

const QString kNextDisk =
    QStringLiteral("Please remove Disk No. 1 now and label it TRELVO RESCUE DISK NO. 1\r\rPlease insert Disk No. 2 now!");
const QString kFloppy = QStringLiteral("blank");   // the machine's own floppy, in drive A:

class BootDiskTest : public RescueTest {
protected:
    static void windowsVersion(const QString& version)
    {
        core::LabelOf(QStringLiteral("Form1"), QStringLiteral("Label7")).setCaption(version);
    }
    void removeFromC(const QString& rel) const { ASSERT_TRUE(QFile::remove(tm.hostC(rel))); }
    QByteArray msdosOnFloppy() const { return onDisk(kFloppy, QStringLiteral("MSDOS.SYS")); }
};

} // namespace

TEST_F(BootDiskTest, Windows98GetsTheBootFilesAndAnEmptyMsDosSys)
{
    ASSERT_EQ(core::LabelOf(QStringLiteral("Form1"), QStringLiteral("Label7")).Caption(), QStringLiteral("4.10.1998"));
    ui->expect(QStringLiteral("Please remove Disk No. 1"), QStringLiteral("OK"));

    wizard().MakeBootDisk();

    EXPECT_TRUE(wizard().BootDiskDone);
    EXPECT_EQ(state().DiskNo, 2);
    EXPECT_EQ(boxTexts(), QStringList{kNextDisk});
    EXPECT_EQ(label(kFloppy), QStringLiteral("BOOT#1"));
    EXPECT_EQ(filesOn(kFloppy), (QStringList{QStringLiteral("Autoexec.bat"), QStringLiteral("command.com"),
                                             QStringLiteral("Config.sys"), QStringLiteral("drvspace.bin"),
                                             QStringLiteral("Himem.sys"), QStringLiteral("io.sys"), QStringLiteral("MsDos.sys")}));

    EXPECT_EQ(msdosOnFloppy(), QByteArray());
    EXPECT_EQ(onDisk(kFloppy, QStringLiteral("IO.SYS")), tm.readC(QStringLiteral("IO.SYS")));
    EXPECT_EQ(onDisk(kFloppy, QStringLiteral("DRVSPACE.BIN")), tm.readC(QStringLiteral("DRVSPACE.BIN")));
    EXPECT_EQ(onDisk(kFloppy, QStringLiteral("COMMAND.COM")), tm.readC(QStringLiteral("WINDOWS/COMMAND.COM")));
    EXPECT_EQ(onDisk(kFloppy, QStringLiteral("HIMEM.SYS")), tm.readC(QStringLiteral("WINDOWS/HIMEM.SYS")));
    for (const char* file : {"MSDOS.SYS", "IO.SYS", "DRVSPACE.BIN"})
        EXPECT_EQ(attributesOn(kFloppy, QString::fromLatin1(file)), 7u) << file;
    EXPECT_EQ(attributesOn(kFloppy, QStringLiteral("COMMAND.COM")) & 7u, 0u);

    EXPECT_EQ(onDisk(kFloppy, QStringLiteral("CONFIG.SYS")), QByteArray("Files=40\r\nDevice=A:\\Himem.sys\r\n"));
    EXPECT_EQ(onDisk(kFloppy, QStringLiteral("AUTOEXEC.BAT")), kAutoexec);

    // Seven steps of the bar; the rescue archive waits in the program folder for the data disk.
    EXPECT_EQ(wizard().ProgressBar4.Value(), 49);
    EXPECT_TRUE(wizard().ProgressBar4.Visible());
    EXPECT_TRUE(fs::exists(kArchive));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo")));
    EXPECT_TRUE(errorLog().isEmpty());
    for (vb::CommandButton* button : {&wizard().Command1, &wizard().Command2, &wizard().Command3, &wizard().Command4})
        EXPECT_FALSE(button->Enabled()) << button->Name().toStdString();
}

TEST_F(BootDiskTest, OtherVersionsGetTheMachinesMsDosSysWithoutGuiAndLogo)
{
    windowsVersion(QStringLiteral("4.00.950"));
    ui->expect(QStringLiteral("Please remove Disk No. 1"), QStringLiteral("OK"));

    wizard().MakeBootDisk();

    QByteArray expected = tm.readC(QStringLiteral("MSDOS.SYS"));
    ASSERT_TRUE(expected.contains("BootGUI=1\r\n") && expected.contains("\r\n;\r\n"));
    expected.replace("BootGUI=1\r\n", "BootGUI=0\r\n");
    expected.replace("\r\n;\r\n", "\r\nLogo=0\r\n;\r\n");
    EXPECT_EQ(msdosOnFloppy(), expected);
    EXPECT_EQ(attributesOn(kFloppy, QStringLiteral("MSDOS.SYS")), 7u);
    EXPECT_FALSE(filesOn(kFloppy).contains(QStringLiteral("MSDOS.TMP"), Qt::CaseInsensitive));
    // The edit is one step more.
    EXPECT_EQ(wizard().ProgressBar4.Value(), 56);
    EXPECT_TRUE(wizard().BootDiskDone);
}

TEST_F(BootDiskTest, MsDosSysIsEditedLineByLineAndOnlyItsTwoSettingsChange)
{
    windowsVersion(QStringLiteral("4.00.950"));
    const QList<QPair<QByteArray, QByteArray>> cases = {
        // Commas, quotes and blanks stay; a comment about the logo is no setting; the settings
        // keep their place and the spelling of their names.
        {"[Paths]\r\nWinDir=C:\\WINDOWS\r\n\r\n[Options]\r\n  bootgui = 1\r\nNetwork=1 , 2\r\n"
         "; a comment about the Logo screen\r\nTitle=\"My PC\", \"Home\"\r\nLogo=1\r\n;Note, this comment has a comma\r\n;\r\n;xxxx\r\n",
         "[Paths]\r\nWinDir=C:\\WINDOWS\r\n\r\n[Options]\r\n  bootgui=0\r\nNetwork=1 , 2\r\n"
         "; a comment about the Logo screen\r\nTitle=\"My PC\", \"Home\"\r\nLogo=0\r\n;Note, this comment has a comma\r\n;\r\n;xxxx\r\n"},
        // Missing settings go after the last one of [Options]; a last line without its line
        // end keeps it so.
        {"[Options]\r\n;Logo=1 shows the clouds\r\nBootMulti=1\r\n\r\n[Other]\r\nLogo=1",
         "[Options]\r\n;Logo=1 shows the clouds\r\nBootMulti=1\r\nBootGUI=0\r\nLogo=0\r\n\r\n[Other]\r\nLogo=1"},
        // No [Options] at all: it comes at the end.
        {"[Paths]\r\nWinDir=C:\\WINDOWS", "[Paths]\r\nWinDir=C:\\WINDOWS\r\n[Options]\r\nBootGUI=0\r\nLogo=0\r\n"},
        // An empty file stays empty, with no message.
        {"", ""},
    };
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const QString floppy = QStringLiteral("boot%1").arg(i);
        blankDisk(floppy);
        insert(floppy);
        tm.writeC(QStringLiteral("MSDOS.SYS"), cases[i].first);
        ui->expect(QStringLiteral("Please remove Disk No. 1"), QStringLiteral("OK"));

        wizard().MakeBootDisk();

        EXPECT_EQ(onDisk(floppy, QStringLiteral("MSDOS.SYS")), cases[i].second) << "case " << i;
        EXPECT_EQ(attributesOn(floppy, QStringLiteral("MSDOS.SYS")), 7u) << "case " << i;
        EXPECT_FALSE(filesOn(floppy).contains(QStringLiteral("MSDOS.TMP"), Qt::CaseInsensitive));
        EXPECT_TRUE(wizard().BootDiskDone);
    }
    EXPECT_EQ(boxTexts(), QStringList(cases.size(), kNextDisk));
    EXPECT_TRUE(errorLog().isEmpty());
}

TEST_F(BootDiskTest, AMissingDrvSpaceBinIsLoggedAndTheDiskFinishedWithoutIt)
{
    removeFromC(QStringLiteral("DRVSPACE.BIN"));
    ui->expect(QStringLiteral("Please remove Disk No. 1"), QStringLiteral("OK"));

    wizard().MakeBootDisk();

    EXPECT_TRUE(wizard().BootDiskDone);
    EXPECT_EQ(boxTexts(), QStringList{kNextDisk});
    // Once by the rescue archive, twice by the boot disk (the copy and the attributes).
    const LogLine missing{QStringLiteral("File not found"), QStringLiteral("DRVSPACE.BIN BootDisk")};
    EXPECT_EQ(errorLog(),
              (QList<LogLine>{{QStringLiteral("File not found"), QStringLiteral("drvspace.bin Wizard Configuration Save")}, missing, missing}));
    EXPECT_FALSE(filesOn(kFloppy).contains(QStringLiteral("drvspace.bin"), Qt::CaseInsensitive));
    EXPECT_EQ(onDisk(kFloppy, QStringLiteral("AUTOEXEC.BAT")), kAutoexec);
}

TEST_F(BootDiskTest, AFileTheFloppyCannotTakeIsNamedAndTheBootDiskIsNotDone)
{
    // A HIMEM.SYS larger than the floppy: the copy fails with a full disk, the rest goes on,
    // and Config.sys would load a driver that is not there.
    tm.writeC(QStringLiteral("WINDOWS/HIMEM.SYS"), QByteArray(1500000, 'h'));
    const QString missing = QStringLiteral("The Rescue Disk is not complete. These files could not be written to it:\r\r"
                                           "HIMEM.SYS - Disk full\r\r"
                                           "Please insert a blank floppy disk and click on 'Next >' to try again.");
    ui->expect(QStringLiteral("written to it:  HIMEM.SYS - Disk full  Please insert"), QStringLiteral("OK"));

    wizard().MakeBootDisk();

    // No congratulation of a boot disk and no request for the next floppy.
    EXPECT_EQ(boxTexts(), QStringList{missing});
    EXPECT_EQ(ui->shown().first().title, QStringLiteral("Warning!"));
    EXPECT_EQ(errorLog(), (QList<LogLine>{{QStringLiteral("Disk full"), QStringLiteral("HIMEM.SYS BootDisk")}}));
    EXPECT_FALSE(filesOn(kFloppy).contains(QStringLiteral("Himem.sys")));
    EXPECT_FALSE(wizard().BootDiskDone);
    EXPECT_EQ(state().DiskNo, 1);
    // Page 2 again, every button usable: Next makes the boot disk anew.
    for (vb::CommandButton* button : {&wizard().Command1, &wizard().Command2, &wizard().Command3, &wizard().Command4})
        EXPECT_TRUE(button->Enabled() && button->Visible()) << button->Name().toStdString();
    EXPECT_TRUE(wizard().Label1.Caption().startsWith(QStringLiteral("Please insert a blank, formatted 3.5'' floppy disk")));
    EXPECT_FALSE(wizard().ProgressBar4.Visible());
}

TEST_F(BootDiskTest, WithoutARescueArchiveTheFloppyIsNotTouched)
{
    fs::removeFile(kProgramFolder + QStringLiteral("\\zip.exe"));
    ui->expect(QStringLiteral("The rescue archive Configd.tva could not be made. Nothing has been written to the floppy disk."),
               QStringLiteral("OK"));

    wizard().MakeBootDisk();

    EXPECT_EQ(ui->shown().size(), 1);
    EXPECT_TRUE(filesOn(kFloppy).isEmpty());
    EXPECT_TRUE(label(kFloppy).isEmpty());
    EXPECT_FALSE(wizard().BootDiskDone);
    EXPECT_TRUE(wizard().Command2.Enabled());
}

TEST_F(BootDiskTest, AnOlderRescueArchiveHoldingFilesOfOtherPlacesIsNotTakenForTheNewOne)
{
    // A read-only archive that the packing cannot delete, so zip only adds to it.
    testsupport::addEntries(tm.hostC(QStringLiteral("Program Files/Trelvo/Configd.tva")), {{QStringLiteral("WINDOWS/WIN.INI"), "planted"}});
    fs::setAttributes(kArchive, platform::AttrReadOnly | platform::AttrArchive);
    ui->expect(QStringLiteral("The rescue archive Configd.tva could not be made. Nothing has been written to the floppy disk."),
               QStringLiteral("OK"));

    wizard().MakeBootDisk();

    EXPECT_TRUE(filesOn(kFloppy).isEmpty());
    EXPECT_FALSE(wizard().BootDiskDone);
    EXPECT_TRUE(errorLog().contains(LogLine{QStringLiteral("Path/File access error"),
                                            QStringLiteral("WINDOWS\\WIN.INI (Configd.tva) Wizard Configuration Save")}))
        << ::testing::PrintToString(errorLog());
}

TEST_F(BootDiskTest, AMissingIoSysIsReportedAndEndsTheProgram)
{
    removeFromC(QStringLiteral("IO.SYS"));
    ui->expect(QStringLiteral("File not found!  IO.SYS  Your Rescue Disk is probably not functional"), QStringLiteral("OK"));

    EXPECT_THROW(wizard().MakeBootDisk(), testsupport::ProcessEnded);

    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("File not found!\r\rIO.SYS\r\rYour Rescue Disk is probably not functional. "
                                                     "Please contact Technical Support.")});
    EXPECT_EQ(ui->shown().first().title, QStringLiteral("Warning!"));
    EXPECT_EQ(errorLog(), (QList<LogLine>{{QStringLiteral("File not found"), QStringLiteral("IO.SYS BootDisk critical")}}));
    EXPECT_FALSE(wizard().BootDiskDone);
}

TEST_F(BootDiskTest, AWriteProtectedFloppyIsReportedInItsOwnWordsAndEndsTheProgram)
{
    machine().protectDisk(kFloppy, true);
    ui->expect(QStringLiteral("MSDOS.SYS  Your Rescue Disk is probably not functional"), QStringLiteral("OK"));

    EXPECT_THROW(wizard().MakeBootDisk(), testsupport::ProcessEnded);

    const QList<LogLine> log = errorLog();
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0].tag, QStringLiteral("MSDOS.SYS BootDisk critical"));
    EXPECT_TRUE(boxTexts().first().startsWith(log[0].error + QStringLiteral("\r\rMSDOS.SYS\r\r")));
    EXPECT_TRUE(filesOn(kFloppy).isEmpty());
}

TEST_F(BootDiskTest, AFileThatFailsOverAnOlderOneOfItsNameIsNamedAndTheBootDiskIsNotDone)
{
    // An earlier disk, not formatted again: it already holds a small HIMEM.SYS of its own.
    // The new one does not fit; the older one stays, and it is not the file the disk needs.
    const QByteArray older("an older driver");
    {
        QFile f(machine().diskFolder(kFloppy) + QStringLiteral("/HIMEM.SYS"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(older);
    }
    tm.writeC(QStringLiteral("WINDOWS/HIMEM.SYS"), QByteArray(1500000, 'h'));
    ui->expect(QStringLiteral("written to it:  HIMEM.SYS - Disk full  Please insert"), QStringLiteral("OK"));

    wizard().MakeBootDisk();

    EXPECT_EQ(errorLog(), (QList<LogLine>{{QStringLiteral("Disk full"), QStringLiteral("HIMEM.SYS BootDisk")}}));
    EXPECT_EQ(onDisk(kFloppy, QStringLiteral("HIMEM.SYS")), older) << "the failed copy left the older file as it was";
    EXPECT_FALSE(boxTexts().contains(kNextDisk)) << "a boot disk without its HIMEM.SYS was passed as done";
    EXPECT_FALSE(wizard().BootDiskDone);
    EXPECT_EQ(state().DiskNo, 1);
}
