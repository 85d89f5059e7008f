// The wizard driven through its pages as the user does it, headless: opened from the Tools
// page, a new set of rescue floppies made with Next alone, a refused second floppy, the
// update page, Back, Cancel, Exit and the close box.
#include "backup/FloppyTesting.h"
#include "vb/Forms.h"
#include "RescueTesting.h"

using namespace rescuetest;
using core::state;

namespace {

const QString kPageOne = QStringLiteral(
    "The Trelvo Rescue Disk Wizard will help you create a bootable Rescue Disk, containing important System Files."
    "With this Boot Disk you can try to restore your System Configuration in the event of a Windows Operating System "
    "failure, or other system failure.\r\r\r\rYou need at least two empty 1,44 Mb floppy disks");
const QString kNewSetPageTwo = QStringLiteral(
    "Please insert a blank, formatted 3.5'' floppy disk into your disk drive.\r\r"
    "Make sure that each 3.5'' floppy disk is not write protected.\r\r\rWarning: All data on each floppy disk will be erased!");
const QString kUpdatePageTwo = QStringLiteral(
    "Please insert the disk labeled [RESCUE DISK NO.2] into the disk drive"
    "and click on then 'Next >' button to update your Rescue Disk.");
const QString kFormatInstructions = QStringLiteral(
    "First, the Floppy Disk must be formated. To do this, follow these steps:\r\r"
    "1. Click on the 'Start' Button in the upcoming Dialog.\r2. Wait until the Floppy Disk is succesfully formatted.\r"
    "3. After that, click on the 'Close' button to close the 'Formating' dialog.");

class WizzardTest : public RescueTest {
protected:
    static vb::Form& mainWindow() { return core::Win(QStringLiteral("Form1")); }
    static vb::CommandButton& mainExit() { return core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")); }
    static void next() { wizard().Command2.setValue(true); }

    static void expectPageOne()
    {
        rescue::WizzardForm& w = wizard();
        EXPECT_EQ(w.Label1.Caption(), kPageOne);
        EXPECT_FALSE(w.Command1.Enabled());
        EXPECT_TRUE(w.Command1.Visible());
        EXPECT_TRUE(w.Command2.Enabled() && w.Command2.Visible());
        EXPECT_EQ(w.Command3.Caption(), QStringLiteral("&Cancel"));
        EXPECT_TRUE(w.Option1.Visible() && w.Option2.Visible());
        EXPECT_FALSE(w.Command5.Visible() || w.Label3.Visible() || w.ProgressBar4.Visible());
        EXPECT_EQ(w.ProgressBar4.Value(), 0);
        EXPECT_FALSE(w.BootDiskDone);
    }

    // Next on page 2 of a new set with the floppy formatted in the dialog and the boot disk
    // written; `second` goes in when disk 2 is asked for.
    void expectBootDisk(const QString& second)
    {
        ui->expect(QStringLiteral("First, the Floppy Disk must be formated"), QStringLiteral("OK"));
        ui->expectFormat(QStringLiteral("Quick"));
        ui->expect(QStringLiteral("Please remove Disk No. 1"), QStringLiteral("OK"), [second] { insert(second); });
    }
    void expectDataDiskDone()
    {
        ui->expect(QStringLiteral("label it Trelvo RESCUE DISK NO. 2"), QStringLiteral("OK"));
        ui->expect(QStringLiteral("Your Rescue Disks were successfully created!"), QStringLiteral("OK"));
    }
};

} // namespace

TEST_F(WizzardTest, PagesOfANewSetAndOfAnUpdate)
{
    rescue::WizzardForm& w = wizard();
    expectPageOne();
    EXPECT_TRUE(w.Option1.Value());
    EXPECT_TRUE(w.Command2.Default());
    EXPECT_EQ(w.HelpContextID(), 1040);

    next();
    EXPECT_EQ(w.Label1.Caption(), kNewSetPageTwo);
    EXPECT_EQ(w.Label3.Caption(), QStringLiteral("If you would like to format the floppy disk, simply click on the 'Formatting...' button."));
    EXPECT_FALSE(w.Label3.Visible() || w.Command5.Visible() || w.Option1.Visible() || w.Option2.Visible());
    EXPECT_TRUE(w.Command1.Enabled());

    w.Command1.setValue(true);
    expectPageOne();

    w.Option2.setValue(true);
    next();
    EXPECT_EQ(w.Label1.Caption(), kUpdatePageTwo);
    EXPECT_FALSE(w.Option1.Visible() || w.Option2.Visible() || w.Label3.Visible());

    w.Command4.setValue(true);
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown().first().kind, vb::BoxKind::Help);
    EXPECT_TRUE(ui->shown().first().prompt.endsWith(QStringLiteral("trelvo.HLP>Sub, topic 1040")));
}

TEST_F(WizzardTest, TheToolsPageOpensItAndCancelBringsTheMainWindowBack)
{
    core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command18")).setValue(true);
    EXPECT_EQ(mainWindow().WindowState(), vb::vbMinimized);
    EXPECT_TRUE(wizard().Visible());
    EXPECT_FALSE(wizard().Picture1.Picture().isNull()) << "the picture, drawn once the window came up";

    wizard().Option2.setValue(true);
    next();
    wizard().Command3.setValue(true);
    EXPECT_FALSE(wizard().Visible());
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("Wizzard")));
    EXPECT_EQ(mainWindow().WindowState(), vb::vbNormal);

    // Reopened: page 1, the last choice still selected.
    rescue::Form1_Command18_Click();
    expectPageOne();
    EXPECT_TRUE(wizard().Option2.Value());
    wizard().Command3.setValue(true);

    // Not while the main window is busy with a save or a restore.
    mainExit().setEnabled(false);
    rescue::Form1_Command18_Click();
    EXPECT_FALSE(wizard().Visible());
    EXPECT_EQ(mainWindow().WindowState(), vb::vbNormal);
}

TEST_F(WizzardTest, OneClickOfNextMakesTheWholeSet)
{
    blankDisk(QStringLiteral("second"));
    rescue::Form1_Command18_Click();
    next();
    // While the floppies are written the main window cannot end the program.
    bool mainExitWhileWriting = true;
    ui->expect(QStringLiteral("First, the Floppy Disk must be formated"), QStringLiteral("OK"));
    ui->expectFormat(QStringLiteral("Quick"));
    ui->expect(QStringLiteral("Please remove Disk No. 1"), QStringLiteral("OK"), [&] {
        mainExitWhileWriting = mainExit().Enabled();
        insert(QStringLiteral("second"));
    });
    expectDataDiskDone();

    next();

    EXPECT_EQ(boxTexts().first(), kFormatInstructions);
    EXPECT_FALSE(mainExitWhileWriting);
    EXPECT_TRUE(mainExit().Enabled());
    EXPECT_EQ(label(QStringLiteral("blank")), QStringLiteral("BOOT#1"));
    EXPECT_EQ(label(QStringLiteral("second")), QStringLiteral("DATA#1"));
    EXPECT_TRUE(filesOn(QStringLiteral("blank")).contains(QStringLiteral("io.sys")));
    EXPECT_TRUE(filesOn(QStringLiteral("second")).contains(QStringLiteral("Configd.tva")));
    EXPECT_TRUE(wizard().BootDiskDone);

    // Finished: Exit and Help only, the bar full.
    rescue::WizzardForm& w = wizard();
    EXPECT_EQ(w.ProgressBar4.Value(), 130);
    EXPECT_FALSE(w.Command1.Visible() || w.Command2.Visible() || w.Command5.Visible());
    EXPECT_EQ(w.Command3.Caption(), QStringLiteral("&Exit"));
    EXPECT_TRUE(w.Command3.Enabled() && w.Command4.Enabled());

    w.Command3.setValue(true);
    expectPageOne();
    EXPECT_FALSE(w.Visible());
    EXPECT_EQ(mainWindow().WindowState(), vb::vbNormal);
}

// While the wizard writes its floppies the main window is only minimised: a Save clicked
// there meanwhile starts no save beside the wizard's work on the same floppy drive.
TEST_F(WizzardTest, TheMainWindowsSaveStartsNothingWhileTheFloppiesAreWritten)
{
    blankDisk(QStringLiteral("second"));
    core::TextBoxOf(QStringLiteral("Form1"), QStringLiteral("Text1")).setText(QStringLiteral("Monday"));
    core::Ctl<vb::OptionButton>(QStringLiteral("Form1"), QStringLiteral("Option1")).setValue(true);
    rescue::Form1_Command18_Click();
    next();
    ui->expect(QStringLiteral("First, the Floppy Disk must be formated"), QStringLiteral("OK"));
    ui->expectFormat(QStringLiteral("Quick"));
    ui->expect(QStringLiteral("Please remove Disk No. 1"), QStringLiteral("OK"), [] {
        core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command1")).setValue(true);
        insert(QStringLiteral("second"));
    });
    expectDataDiskDone();

    next();

    EXPECT_FALSE(tm.existsC(QStringLiteral("Program Files/Trelvo/Config1.ini")));
    EXPECT_FALSE(core::state().SaveDone);
    EXPECT_TRUE(filesOn(QStringLiteral("second")).contains(QStringLiteral("Configd.tva")));
    EXPECT_TRUE(wizard().BootDiskDone);
}

TEST_F(WizzardTest, ARefusedSecondFloppyWaitsForAnotherWithoutANewBootDisk)
{
    backuptest::makeDisk(QStringLiteral("used"), {{QStringLiteral("LETTER.TXT"), "keep me"}});
    insert(QStringLiteral("blank"));
    rescue::WizzardForm& w = wizard();
    next();
    expectBootDisk(QStringLiteral("used"));
    ui->expect(QStringLiteral("This disk already contains files!"), QStringLiteral("OK"));

    next();

    // The second-floppy state: Formatting and the hint offered, every button usable.
    EXPECT_TRUE(w.BootDiskDone);
    EXPECT_TRUE(w.Command5.Visible() && w.Label3.Visible());
    for (vb::CommandButton* button : {&w.Command1, &w.Command2, &w.Command3, &w.Command4})
        EXPECT_TRUE(button->Enabled()) << button->Name().toStdString();
    EXPECT_EQ(filesOn(QStringLiteral("used")), QStringList{QStringLiteral("LETTER.TXT")});

    // Formatting clears it; Next goes straight on to the data disk.
    ui->expectFormat(QStringLiteral("Quick"));
    w.Command5.setValue(true);
    expectDataDiskDone();
    next();
    EXPECT_EQ(label(QStringLiteral("used")), QStringLiteral("DATA#1"));
    EXPECT_EQ(label(QStringLiteral("blank")), QStringLiteral("BOOT#1"));
    EXPECT_EQ(w.Label1.Caption(), QStringLiteral("The creation of the Rescue Disks is finished!"));
}

TEST_F(WizzardTest, BackFromTheSecondFloppyStartsOverWithANewBootDisk)
{
    backuptest::makeDisk(QStringLiteral("used"), {{QStringLiteral("LETTER.TXT"), "keep me"}});
    insert(QStringLiteral("blank"));
    next();
    expectBootDisk(QStringLiteral("used"));
    ui->expect(QStringLiteral("This disk already contains files!"), QStringLiteral("OK"));
    next();
    ASSERT_TRUE(fs::exists(kArchive)) << "kept for the second floppy";

    wizard().Command1.setValue(true);
    expectPageOne();
    EXPECT_FALSE(fs::exists(kArchive)) << "the set given up leaves no rescue archive";
    next();
    // The next Next on page 2 begins with the format instructions again.
    expectBootDisk(QStringLiteral("used"));
    ui->expect(QStringLiteral("This disk already contains files!"), QStringLiteral("OK"));
    next();
    EXPECT_EQ(boxTexts().filter(QStringLiteral("First, the Floppy Disk must be formated")).size(), 2);
}

TEST_F(WizzardTest, TheCloseBoxActsAsCancelAndIsRefusedWhileFloppiesAreWritten)
{
    rescue::Form1_Command18_Click();
    next();
    EXPECT_FALSE(vb::Forms::unload(wizard(), vb::vbFormControlMenu));
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("Wizzard")));
    EXPECT_FALSE(wizard().Visible());
    expectPageOne();
    EXPECT_EQ(mainWindow().WindowState(), vb::vbNormal);

    // Cancel is off while a boot or data disk is written: the window stays as it is.
    rescue::Form1_Command18_Click();
    next();
    wizard().Command3.setEnabled(false);
    EXPECT_FALSE(vb::Forms::unload(wizard(), vb::vbFormControlMenu));
    EXPECT_TRUE(wizard().Visible());
    EXPECT_TRUE(wizard().Command1.Enabled());
}

TEST_F(WizzardTest, ABootDiskThatLacksAFileIsMadeAgainWithNext)
{
    tm.writeC(QStringLiteral("WINDOWS/HIMEM.SYS"), QByteArray(1500000, 'h'));
    blankDisk(QStringLiteral("second"));
    rescue::Form1_Command18_Click();
    next();
    ui->expect(QStringLiteral("First, the Floppy Disk must be formated"), QStringLiteral("OK"));
    ui->expectFormat(QStringLiteral("Quick"));
    ui->expect(QStringLiteral("HIMEM.SYS - Disk full"), QStringLiteral("OK"));

    next();

    EXPECT_TRUE(boxTexts().filter(QStringLiteral("Please remove Disk No. 1")).isEmpty());
    EXPECT_FALSE(wizard().BootDiskDone);
    EXPECT_TRUE(wizard().Command2.Enabled() && wizard().Command1.Enabled());
    EXPECT_TRUE(mainExit().Enabled());

    // A HIMEM.SYS that fits: the next Next formats the floppy again and makes the whole set.
    tm.writeC(QStringLiteral("WINDOWS/HIMEM.SYS"), "himem driver");
    expectBootDisk(QStringLiteral("second"));
    expectDataDiskDone();
    next();
    EXPECT_EQ(onDisk(QStringLiteral("blank"), QStringLiteral("HIMEM.SYS")), QByteArray("himem driver"));
    EXPECT_EQ(onDisk(QStringLiteral("blank"), QStringLiteral("CONFIG.SYS")), QByteArray("Files=40\r\nDevice=A:\\Himem.sys\r\n"));
    EXPECT_EQ(wizard().Label1.Caption(), QStringLiteral("The creation of the Rescue Disks is finished!"));
}
