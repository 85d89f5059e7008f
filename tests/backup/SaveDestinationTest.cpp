// Where a save puts its files and what it says about them: a backup drive that has room for
// the archives but not for the description files beside them, and the program's own folder
// of the automatic save chosen as the folder of an ordinary save.
#include "SaveTesting.h"
#include "FloppyTesting.h"
#include "support/SmallDisk.h"

using namespace backuptest;
using core::state;
namespace fs = platform::fs;

namespace {

const QString kAutoKeep = kProgramFolder + QStringLiteral("AutoKeep\\");

class SaveDestinationTest : public SaveFixture {
protected:
    // What the Save button sets before the engine runs, the copy path included.
    static void saveByButton(const QString& folder, int slot, const QString& description)
    {
        core::ProgramState& s = state();
        s.ConfigIniCopyPath = folder + QStringLiteral("Config") + QString::number(slot + 1) + QStringLiteral(".ini");
        saveInto(folder, slot, description);
    }
};

} // namespace

// The archives fit onto the backup drive, the description files beside them do not: the save
// does not call itself successful, names what is missing, and leaves no description on the
// drive without its user-file list (or the other way round).
TEST_F(SaveDestinationTest, DescriptionFilesThatDoNotFitBesideTheArchivesAreNoSuccess)
{
    // Drive D: of the machine on a small disk of its own, the backup drive.
    testsupport::SmallDrive disk(tm, u'D', 2 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    tm.writeC("WINDOWS/WIN.INI", randomBytes(20000, 3));

    // The same selection into the program folder first: how large the archive is.
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveByButton(kProgramFolder, 1, QStringLiteral("Measure"));
    ASSERT_TRUE(state().SaveComplete);
    const qint64 archiveSize = tm.readC(QStringLiteral("Program Files/Trelvo/Conf2.tva")).size();
    ASSERT_GT(archiveSize, 0);

    fs::createDirectory(QStringLiteral("D:\\Backups"));
    const qsizetype shownBefore = ui->shown().size();
    // Room for the archive to its last page, none for anything else.
    disk.fill((archiveSize + 4095) / 4096 * 4096);
    ui->expect(QStringLiteral("The configuration was saved, but not all of it."), QStringLiteral("OK"));
    saveByButton(QStringLiteral("D:\\Backups\\"), 0, QStringLiteral("Weekly"));
    disk.release();

    const auto boxes = ui->shown().mid(shownBefore);
    ASSERT_FALSE(boxes.isEmpty());
    for (const auto& box : boxes)
        EXPECT_FALSE(box.prompt.contains(QStringLiteral("successfull"))) << box.prompt.toStdString();
    EXPECT_TRUE(boxes.last().prompt.contains(QStringLiteral("D:\\Backups\\Config1.")) &&
                boxes.last().prompt.contains(QStringLiteral("Disk full")))
        << boxes.last().prompt.toStdString();
    EXPECT_TRUE(state().SaveDone);
    EXPECT_FALSE(state().SaveComplete);
    EXPECT_TRUE(fs::exists(QStringLiteral("D:\\Backups\\Conf1.tva")));
    // The slot's own description in the program folder is whole; beside the archives lie
    // both description files or neither.
    EXPECT_TRUE(fs::exists(kProgramFolder + QStringLiteral("Config1.ini")));
    EXPECT_TRUE(fs::exists(kProgramFolder + QStringLiteral("Config1.usr")));
    EXPECT_EQ(fs::exists(QStringLiteral("D:\\Backups\\Config1.ini")), fs::exists(QStringLiteral("D:\\Backups\\Config1.usr")));

    // Once more with room for one more page: the description goes beside the archive, its
    // list does not, and the description does not stay there alone.
    fs::removeFile(QStringLiteral("D:\\Backups\\Conf1.tva"));
    ASSERT_FALSE(fs::exists(QStringLiteral("D:\\Backups\\Config1.ini")));
    disk.fill((archiveSize + 4095) / 4096 * 4096 + 4096);
    ui->expect(QStringLiteral("The configuration was saved, but not all of it."), QStringLiteral("OK"));
    const qsizetype shownAgain = ui->shown().size();
    saveByButton(QStringLiteral("D:\\Backups\\"), 0, QStringLiteral("Weekly"));
    disk.release();
    const auto again = ui->shown().mid(shownAgain);
    ASSERT_FALSE(again.isEmpty());
    EXPECT_TRUE(again.last().prompt.contains(QStringLiteral("D:\\Backups\\Config1.usr: Disk full"))) << again.last().prompt.toStdString();
    EXPECT_FALSE(state().SaveComplete);
    EXPECT_TRUE(fs::exists(QStringLiteral("D:\\Backups\\Conf1.tva")));
    EXPECT_FALSE(fs::exists(QStringLiteral("D:\\Backups\\Config1.ini")));
    EXPECT_FALSE(fs::exists(QStringLiteral("D:\\Backups\\Config1.usr")));
}

// The folder of the automatic save holds its four slots under the same names as the five
// slots of the main window: an ordinary save into it would delete and overwrite an
// automatic save (and the next automatic save would delete the ordinary one). It is refused
// before anything changes.
TEST_F(SaveDestinationTest, AnOrdinarySaveIntoTheAutomaticSavesFolderIsRefused)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    saveAutomatically(0);
    ASSERT_TRUE(state().SaveDone);
    ASSERT_TRUE(fs::exists(kAutoKeep + QStringLiteral("Conf1.tva")));
    ASSERT_TRUE(fs::exists(kAutoKeep + QStringLiteral("Config1.ini")));
    ASSERT_EQ(iniFile(kAutoKeep + QStringLiteral("Config1.ini")).value("Configuration", "ConfigName"), QStringLiteral("AutoKeep #1"));

    tick(QStringLiteral("Form1"), QStringLiteral("Check3"));
    const auto before = machineSnapshot();
    for (const QString& folder : {kAutoKeep, QStringLiteral("c:\\program files\\trelvo\\autokeep\\"), QStringLiteral("C:\\PROGRA~1\\Trelvo\\AUTOKEEP\\")}) {
        ui->expect(QStringLiteral("This folder holds Trelvo's automatic saves, so it can not keep another configuration: ") + folder +
                       QStringLiteral(" Please choose another folder"),
                   QStringLiteral("OK"));
        saveByButton(folder, 0, QStringLiteral("Weekly"));
        EXPECT_FALSE(state().SaveDone) << folder.toStdString();
        EXPECT_TRUE(helpEnabled()) << folder.toStdString();
        EXPECT_TRUE(machineSnapshot() == before) << folder.toStdString();
    }
    EXPECT_EQ(iniFile(kAutoKeep + QStringLiteral("Config1.ini")).value("Configuration", "ConfigName"), QStringLiteral("AutoKeep #1"));

    // A folder of its own below it names no slot of the automatic save.
    fs::createDirectory(kAutoKeep + QStringLiteral("Mine"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveByButton(kAutoKeep + QStringLiteral("Mine\\"), 0, QStringLiteral("Weekly"));
    EXPECT_TRUE(state().SaveDone);
    EXPECT_TRUE(fs::exists(kAutoKeep + QStringLiteral("Conf1.tva")));
    EXPECT_EQ(iniFile(kAutoKeep + QStringLiteral("Config1.ini")).value("Configuration", "ConfigName"), QStringLiteral("AutoKeep #1"));
}
