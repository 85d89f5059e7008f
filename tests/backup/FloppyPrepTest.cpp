// Getting a floppy ready: the save's check with its three-button dialog and the format
// dialog, the wizard's blank test, with real disks of the machine.
#include "backup/FloppyPrep.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "FloppyTesting.h"

#include <QWidget>

using namespace backup;
using namespace backuptest;
namespace fs = platform::fs;

namespace {

const QString kNotEmpty = QStringLiteral("This disk already contains files!");
const QString kNoDisk = QStringLiteral("No disk inserted or the disk isn't formatted!  Please use the 'Formatting...' button");

class PrepareTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ui = &testsupport::ScriptedUi::install(); }
    void TearDown() override { vb::Screen::setMousePointer(0); }

    bool diskHolds(const QString& file) const { return fs::exists(QStringLiteral("A:\\") + file); }

    testsupport::ScriptedUi* ui = nullptr;
};

} // namespace

TEST_F(PrepareTest, AnEmptyFloppyIsTakenWithoutAQuestion)
{
    EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(PrepareTest, MediaAbove3000000BytesAreNoFloppiesAndTakenAsTheyAre)
{
    for (const char* size : {"100000000", "3221225472", "3000320"}) {
        makeDisk(QString::fromLatin1(size), {{QStringLiteral("DATA.TXT"), "kept"}}, QString::fromLatin1(size));
        EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\"))) << size;
        EXPECT_TRUE(diskHolds(QStringLiteral("DATA.TXT")));
    }
    EXPECT_TRUE(ui->shown().isEmpty());

    // Just under the limit it is a floppy like any other.
    makeDisk(QStringLiteral("small"), {{QStringLiteral("DATA.TXT"), "x"}}, QStringLiteral("3000000"));
    ui->expect(kNotEmpty, QStringLiteral("Retry"));
    EXPECT_FALSE(PrepareFloppy(QStringLiteral("A:\\")));
}

TEST_F(PrepareTest, AFloppyWithFilesIsUsedRefusedOrFormattedAsTheUserSays)
{
    makeDisk(QStringLiteral("used"), {{QStringLiteral("OLD.TXT"), "old"}});

    ui->expect(kNotEmpty, QStringLiteral("Continue?"));
    EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_TRUE(diskHolds(QStringLiteral("OLD.TXT")));

    ui->expect(kNotEmpty, QStringLiteral("Retry"));
    EXPECT_FALSE(PrepareFloppy(QStringLiteral("A:\\")));

    // Formatting: the format dialog, then the disk is looked at again; now empty, it is
    // taken without a second dialog.
    ui->expect(kNotEmpty, QStringLiteral("Formatting..."));
    ui->expectFormat(QStringLiteral("Quick"));
    EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_FALSE(diskHolds(QStringLiteral("OLD.TXT")));
    EXPECT_EQ(ui->shown().size(), 4);
    // The dialog was unloaded by the formatting.
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("frmNotEmpty")));
}

TEST_F(PrepareTest, TheDialogSaysWhatToDoAndOffersItsThreeButtons)
{
    makeDisk(QStringLiteral("used"), {{QStringLiteral("OLD.TXT"), "old"}});
    ui->onForm(QStringLiteral("frmNotEmpty"), [](vb::Form& dialog) {
        EXPECT_EQ(dialog.Caption(), QStringLiteral("Message"));
        EXPECT_EQ(dialog.control<vb::Label>(QStringLiteral("Label1")).Caption(),
                  QStringLiteral("This disk already contains files!\r\r"
                                 "Please insert a blank disk or use the 'Formatting...' button,\r"
                                 "and select the Format type 'Quick (erase)' to erase the disk.\r\r"
                                 "Important: Close the 'Format - 3 1/2 Floppy' window after format is finished.\r\r"
                                 "To use another disk, insert it now and click on 'Retry'."));
        EXPECT_EQ(dialog.control<vb::CommandButton>(QStringLiteral("Command1")).Caption(), QStringLiteral("Formatting..."));
        EXPECT_EQ(dialog.control<vb::CommandButton>(QStringLiteral("Command2")).Caption(), QStringLiteral("Retry"));
        EXPECT_EQ(dialog.control<vb::CommandButton>(QStringLiteral("Command3")).Caption(), QStringLiteral("Continue?"));
        EXPECT_EQ(dialog.HelpContextID(), 2040);
        EXPECT_TRUE(dialog.window()->isModal());
        dialog.control<vb::CommandButton>(QStringLiteral("Command3")).setValue(true);
    });
    EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\")));
    // Hidden, not unloaded, with its answer kept.
    ASSERT_TRUE(vb::Forms::isLoaded(QStringLiteral("frmNotEmpty")));
    EXPECT_FALSE(vb::Forms::get(QStringLiteral("frmNotEmpty")).Visible());
    EXPECT_EQ(vb::Forms::get(QStringLiteral("frmNotEmpty")).Tag(), QStringLiteral("Continue"));
}

TEST_F(PrepareTest, ClosingTheDialogLooksAtTheDiskAgain)
{
    makeDisk(QStringLiteral("used"), {{QStringLiteral("OLD.TXT"), "old"}});
    ui->onForm(QStringLiteral("frmNotEmpty"), [](vb::Form& dialog) { dialog.window()->close(); });
    ui->expect(kNotEmpty, QStringLiteral("Continue?"));
    EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_EQ(ui->shown().size(), 2);
}

TEST_F(PrepareTest, NoDiskIsAskedForThenReportedAndTheDialogOffersFormatting)
{
    tm.machine().ejectDisk();
    ui->expect(QStringLiteral("No disk inserted"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("No disk inserted"), QStringLiteral("Cancel"));
    ui->expect(kNoDisk, QStringLiteral("OK"));
    ui->expect(kNotEmpty, QStringLiteral("Retry"));
    EXPECT_FALSE(PrepareFloppy(QStringLiteral("A:\\")));
    ASSERT_EQ(ui->shown().size(), 4);
    EXPECT_EQ(ui->shown()[0].buttons, (QStringList{"OK", "Cancel"}));
    EXPECT_EQ(ui->shown()[2].buttons, (QStringList{"OK"}));
    EXPECT_EQ(ui->shown()[2].title, QStringLiteral("Message"));
}

TEST_F(PrepareTest, AnUnformattedFloppyCanBeFormattedFromTheDialog)
{
    tm.machine().createDisk(QStringLiteral("raw"), platform::DiskFormat::byName(QStringLiteral("1.44M")), false);
    insert(QStringLiteral("raw"));
    ui->expect(QStringLiteral("No disk inserted"), QStringLiteral("Cancel"));
    ui->expect(kNoDisk, QStringLiteral("OK"));
    // A quick format cannot erase what was never formatted; the disk is still unreadable.
    ui->expect(kNotEmpty, QStringLiteral("Formatting..."));
    ui->expectFormat(QStringLiteral("Quick"));
    ui->expect(kNoDisk, QStringLiteral("OK"));
    ui->expect(kNotEmpty, QStringLiteral("Formatting..."));
    ui->expectFormat(QStringLiteral("Full, SAVE#1"));
    EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:\\")), QStringLiteral("SAVE#1"));
    EXPECT_EQ(ui->notices().size(), 1);
}

TEST_F(PrepareTest, AWriteProtectedFloppyWithFilesCannotBeFormatted)
{
    makeDisk(QStringLiteral("locked"), {{QStringLiteral("OLD.TXT"), "old"}});
    tm.machine().protectDisk(QStringLiteral("locked"), true);
    ui->expect(kNotEmpty, QStringLiteral("Formatting..."));
    ui->expectFormat(QStringLiteral("Quick"));
    ui->expect(kNotEmpty, QStringLiteral("Retry"));
    EXPECT_FALSE(PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_TRUE(diskHolds(QStringLiteral("OLD.TXT")));
    EXPECT_EQ(ui->notices().size(), 1);

    // Empty and protected: readable and blank, so it is taken; writing is the save's affair.
    makeDisk(QStringLiteral("locked-empty"));
    tm.machine().protectDisk(QStringLiteral("locked-empty"), true);
    EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\")));
}

TEST_F(PrepareTest, TheHourglassStepsAsideForTheDialogAndTheFormatAndComesBack)
{
    makeDisk(QStringLiteral("used"), {{QStringLiteral("OLD.TXT"), "old"}});
    vb::Screen::setMousePointer(11);
    QList<int> pointers;
    ui->expect(kNotEmpty, QStringLiteral("Formatting..."), [&] { pointers << vb::Screen::MousePointer(); });
    ui->expectFormat(QStringLiteral("Quick"), [&] { pointers << vb::Screen::MousePointer(); });
    EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_EQ(pointers, (QList<int>{0, 0}));
    EXPECT_EQ(vb::Screen::MousePointer(), 11);

    // The format dialog on its own does the same.
    pointers.clear();
    ui->expectFormat(QStringLiteral("Close"), [&] { pointers << vb::Screen::MousePointer(); });
    FormatFloppyA();
    EXPECT_EQ(pointers, (QList<int>{0}));
    EXPECT_EQ(vb::Screen::MousePointer(), 11);
}

TEST_F(PrepareTest, PathsOnTheFloppyAreCheckedByTheirDrive)
{
    makeDisk(QStringLiteral("used"));
    fs::createDirectory(QStringLiteral("A:\\SAVE"));
    fs::writeAll(QStringLiteral("A:\\SAVE\\Conf1.tva"), "x");
    ui->expect(kNotEmpty, QStringLiteral("Continue?"));
    EXPECT_TRUE(PrepareFloppy(QStringLiteral("A:\\SAVE\\")));
    // A path to something the disk does not hold is the wrong disk; the check goes on.
    ui->expect(QStringLiteral("Wrong disk inserted A:\\OTHER\\ not found!"), QStringLiteral("OK"));
    ui->expect(kNotEmpty, QStringLiteral("Retry"));
    EXPECT_FALSE(PrepareFloppy(QStringLiteral("A:\\OTHER\\")));
}

// ---- the wizard's blank test ----------------------------------------------------

TEST_F(PrepareTest, CheckBlankFloppyAcceptsOnlyAReadableEmptyDisk)
{
    QString drive = QStringLiteral("a:\\");
    EXPECT_TRUE(CheckBlankFloppy(drive));
    EXPECT_EQ(drive, QStringLiteral("a:"));
    EXPECT_TRUE(ui->shown().isEmpty());
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Wizzard"), QStringLiteral("Command3")).Visible());
    EXPECT_TRUE(core::LabelOf(QStringLiteral("Wizzard"), QStringLiteral("Label3")).Visible());

    fs::writeAll(QStringLiteral("A:\\IO.SYS"), "boot");
    fs::setAttributes(QStringLiteral("A:\\IO.SYS"), platform::AttrHidden | platform::AttrSystem);
    ui->expect(QStringLiteral("This disk already contains files!  Please insert a blank 3.5'' floppy disk"), QStringLiteral("OK"));
    EXPECT_FALSE(CheckBlankFloppy(drive));

    // An unreadable disk: the one message with the formatting hint, nothing else.
    tm.machine().ejectDisk();
    ui->expect(kNoDisk, QStringLiteral("OK"));
    EXPECT_FALSE(CheckBlankFloppy(drive));
    EXPECT_EQ(ui->shown().size(), 2);
    EXPECT_EQ(ui->shown()[1].title, QStringLiteral("Message"));
}

TEST_F(PrepareTest, CheckBlankFloppyShowsTheWizardsCancelButtonEvenWhenItFails)
{
    tm.machine().ejectDisk();
    ui->expect(kNoDisk, QStringLiteral("OK"));
    QString drive = QStringLiteral("a:");
    core::ButtonOf(QStringLiteral("Wizzard"), QStringLiteral("Command3")).setVisible(false);
    EXPECT_FALSE(CheckBlankFloppy(drive));
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Wizzard"), QStringLiteral("Command3")).Visible());
    EXPECT_TRUE(core::LabelOf(QStringLiteral("Wizzard"), QStringLiteral("Label3")).Visible());
}
