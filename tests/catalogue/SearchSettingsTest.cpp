// UserFiles.ini, the search dialog's remembered file types, folders and subfolder choice.
#include "catalogue/SearchSettings.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "support/SmallDisk.h"
#include "support/TempMachine.h"
#include "vb/FileIO.h"

using namespace catalogue;
using testsupport::MachineTest;

namespace {

const QString kFile = QStringLiteral("Program Files/Trelvo/UserFiles.ini");

class SearchSettingsTest : public MachineTest {
protected:
    void SetUp() override { core::state().UserFilesIni = "C:\\Program Files\\Trelvo\\UserFiles.ini"; }
    static void fill(const char* combo, const QStringList& entries)
    {
        vb::ComboBox& box = core::ComboBoxOf("AddUser", combo);
        box.Clear();
        for (const QString& e : entries)
            box.AddItem(e);
    }
    static void subDirs(int value) { core::CheckBoxOf("AddUser", "Check1").setValue(value); }
};

} // namespace

TEST_F(SearchSettingsTest, WritesOneKeyPerEntryInListOrderAndTheSubfolderChoice)
{
    fill("Combo1", {"doc", "xls", "txt"});
    fill("Combo2", {"C:\\Letters", "D:\\Work"});
    subDirs(1);
    SaveAddUserSettings();
    EXPECT_EQ(tm.readC(kFile), QByteArray("[AddUserSettings]\r\n"
                                          "Filetypes0=doc\r\n"
                                          "Filetypes1=xls\r\n"
                                          "Filetypes2=txt\r\n"
                                          "FilePath0=C:\\Letters\r\n"
                                          "FilePath1=D:\\Work\r\n"
                                          "SubDirs=1\r\n"));
}

TEST_F(SearchSettingsTest, TheFileIsWrittenAnewSoDroppedEntriesLeaveNoKeys)
{
    fill("Combo1", {"doc", "xls", "txt", "bmp", "wav"});
    fill("Combo2", {"C:\\A", "C:\\B", "C:\\C"});
    subDirs(1);
    SaveAddUserSettings();
    // Two file types, no folder, subfolders not included: exactly three keys.
    fill("Combo1", {"doc", "xls"});
    fill("Combo2", {});
    subDirs(0);
    SaveAddUserSettings();
    EXPECT_EQ(tm.readC(kFile), QByteArray("[AddUserSettings]\r\nFiletypes0=doc\r\nFiletypes1=xls\r\nSubDirs=0\r\n"));
}

TEST_F(SearchSettingsTest, AnEmptyEntryInTheMiddleIsWrittenAsAnEmptyValue)
{
    fill("Combo1", {"doc", "", "txt"});
    fill("Combo2", {});
    SaveAddUserSettings();
    EXPECT_EQ(tm.readC(kFile), QByteArray("[AddUserSettings]\r\nFiletypes0=doc\r\nFiletypes1=\r\nFiletypes2=txt\r\nSubDirs=0\r\n"));
}

TEST_F(SearchSettingsTest, AFileThatCannotBeReplacedStaysAsItWasAndNothingIsRaised)
{
    const QByteArray before = "[AddUserSettings]\r\nFiletypes0=old\r\nSubDirs=1\r\n";
    tm.writeC(kFile, before);
    vb::SetAttr("C:\\Program Files\\Trelvo\\UserFiles.ini", vb::vbReadOnly);
    fill("Combo1", {"doc"});
    EXPECT_NO_THROW(SaveAddUserSettings());
    EXPECT_EQ(QString::fromLatin1(tm.readC(kFile)), QString::fromLatin1(before));
}

// A disk without a free byte: the file is made anew in one piece once the old one has gone,
// so it needs no more room than the old one took and holds every entry, never a few of them.
TEST_F(SearchSettingsTest, OnAFullDiskTheFileKeepsEveryEntryAndNotJustTheFirst)
{
    testsupport::SmallDriveC disk(tm, 4 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    fill("Combo1", {"*.doc", "*.xls", "*.txt"});
    fill("Combo2", {"C:\\Letters\\", "C:\\Work\\"});
    subDirs(1);
    SaveAddUserSettings();
    const QByteArray before = tm.readC(kFile);
    ASSERT_TRUE(before.contains("FilePath1=C:\\Work\\"));

    disk.fill();
    SaveAddUserSettings();   // the same entries again, as OK and the search's end write them
    disk.release();
    EXPECT_EQ(QString::fromLatin1(tm.readC(kFile)), QString::fromLatin1(before));
}
