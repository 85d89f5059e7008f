// What a save records comes back through the loader: exactly the saved items held, none
// chosen yet, the user-file list, and for floppies the piece counts of [SplitLog].
#include "FloppyTesting.h"
#include "SaveTesting.h"
#include "catalogue/Description.h"

using namespace backuptest;
using core::state;
namespace fs = platform::fs;

namespace {

class SaveLoadRoundTrip : public SaveFixture {
protected:
    // Every restore-side box ticked and enabled, the list filled: what an earlier load could leave.
    static void dirtyRestoreChoice()
    {
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems) {
            item.RestoreCheckBox().setValue(1);
            item.RestoreCheckBox().setEnabled(true);
        }
        core::ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1")).AddItem(QStringLiteral("c:\\stale.txt"));
    }
    // The restore-side boxes that are enabled, by name; none may be ticked.
    static QStringList heldItems()
    {
        QStringList held;
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems) {
            EXPECT_EQ(item.RestoreCheckBox().Value(), 0) << item.RestoreCheckBox().Name().toStdString();
            if (item.RestoreCheckBox().Enabled())
                held << item.RestoreCheckBox().Name();
        }
        return held;
    }
    static QStringList restoreList()
    {
        vb::ListBox& list = core::ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1"));
        QStringList rows;
        for (int i = 0; i < list.ListCount(); ++i)
            rows << list.List(i);
        return rows;
    }
    static void load()
    {
        state().SaveFolder = kProgramFolder;
        state().SelectedConfig = 0;
        state().LoadResult = 0;
        catalogue::LoadCINI();
    }
};

} // namespace

TEST_F(SaveLoadRoundTrip, AFolderSaveLoadsBackWhatItHolds)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));       // Win.ini
    tick(QStringLiteral("Form1"), QStringLiteral("Check1"));       // the Start menu
    tick(QStringLiteral("UserFiles"), QStringLiteral("Check12"));  // favorites
    writeUserList({QStringLiteral("c:\\my documents\\letter to anna.txt")});
    fs::createDirectory(QStringLiteral("C:\\Backup"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("C:\\Backup\\"));
    ASSERT_TRUE(state().SaveComplete);

    dirtyRestoreChoice();
    state().DiskRestoreFolder = QStringLiteral("left over");
    load();
    EXPECT_EQ(state().LoadResult, 0);
    const QStringList held = heldItems();
    EXPECT_TRUE(held.contains(QStringLiteral("Check9")));    // Win.ini
    EXPECT_TRUE(held.contains(QStringLiteral("Check20")));   // Start menu
    EXPECT_TRUE(held.contains(QStringLiteral("Check11")));   // favorites
    EXPECT_EQ(held.size(), 3) << held.join(u' ').toStdString();
    EXPECT_EQ(restoreList(), QStringList{QStringLiteral("c:\\my documents\\letter to anna.txt")});
    EXPECT_EQ(state().SaveFolder, QStringLiteral("C:\\Backup\\"));
    EXPECT_EQ(state().DiskRestoreFolder, QString());
    EXPECT_EQ(state().SplitPieces[2], 0);
}

TEST_F(SaveLoadRoundTrip, AFloppySaveLoadsBackItsPieceCounts)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    fs::createDirectory(QStringLiteral("C:\\Data"));
    fs::writeAll(QStringLiteral("C:\\Data\\Big.bin"), randomBytes(2000000, 7));
    writeUserList({QStringLiteral("c:\\data\\big.bin")});
    makeDisk(QStringLiteral("d1"));
    platform::Machine::current().createDisk(QStringLiteral("d2"), platform::DiskFormat::byName(QStringLiteral("1.44M")), true);
    ui->expect(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Please insert Disk No. 2 now!"), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\"));
    ASSERT_TRUE(state().SaveComplete);

    dirtyRestoreChoice();
    state().DiskNo = 9;
    load();
    const QStringList held = heldItems();
    EXPECT_EQ(held, (QStringList{QStringLiteral("Check9")}));
    EXPECT_EQ(restoreList(), QStringList{QStringLiteral("c:\\data\\big.bin")});
    EXPECT_EQ(state().SaveFolder, QStringLiteral("A:\\"));
    EXPECT_EQ(state().DiskNo, 0);
    EXPECT_EQ(state().SplitArchive[1], QStringLiteral("C:\\Program Files\\Trelvo\\Conf1.tva"));
    EXPECT_EQ(state().SplitPieces[1], 0);
    EXPECT_EQ(state().SplitArchive[2], QStringLiteral("C:\\Program Files\\Trelvo\\Conf1us.tva"));
    EXPECT_EQ(state().SplitPieces[2], 2);
    EXPECT_EQ(state().DiskRestoreFolder, QStringLiteral("C:\\Program Files\\Trelvo\\DiskRestore\\"));
}
