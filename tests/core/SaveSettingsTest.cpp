// Writing trelvo.ini and the restart marker c:\Restore.ini.
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "vb/DateTime.h"
#include "vb/FileIO.h"
#include "MachineFiles.h"

#include <QDir>

using core::state;
using coretest::settingsLines;

namespace {

const QString kFolder = QStringLiteral("C:\\Program Files\\Trelvo\\");

class SaveSettingsTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        testsupport::ScriptedUi::install();
        state().ConfigDescription = {QStringLiteral("Monday"), QStringLiteral("available"), QStringLiteral("available"),
                                     QStringLiteral("available"), QStringLiteral("Before update")};
        state().ConfigDate = {QStringLiteral(" 8/12/1999"), QStringLiteral("00/00/0000"), QStringLiteral("00/00/0000"),
                              QStringLiteral("00/00/0000"), QStringLiteral(" 1/2/2000")};
        state().ConfigTime = {QStringLiteral("14:05:33"), QStringLiteral("00:00"), QStringLiteral("00:00"),
                              QStringLiteral("00:00"), QStringLiteral("9:00:00")};
        state().Compression = QStringLiteral("5");
        state().SystemPath = QStringLiteral("C:\\WINDOWS");
        state().SaveFolder = kFolder;
    }
    static vb::CheckBox& box(const char* form, const char* name)
    {
        return core::CheckBoxOf(QString::fromLatin1(form), QString::fromLatin1(name));
    }
};

} // namespace

TEST_F(SaveSettingsTest, WritesTheFourSectionsInOrderWithEveryKey)
{
    box("Form1", "Check1").setValue(1);    // Start menu
    box("Form1", "Check8").setValue(2);    // Autoexec.bat, greyed
    box("Form1", "Check12").setValue(1);   // DblSpace.bin
    box("UserFiles", "Check11").setValue(1);
    box("UserFiles", "Check3").setValue(2);
    core::SaveSettings();

    EXPECT_EQ(settingsLines(tm), (QStringList{
                                     QStringLiteral("[Settings]"),
                                     QStringLiteral("Config1=Monday"),
                                     QStringLiteral("LsDate1= 8/12/1999"),
                                     QStringLiteral("LsTime1=14:05:33"),
                                     QStringLiteral("Config2=available"),
                                     QStringLiteral("LsDate2=00/00/0000"),
                                     QStringLiteral("LsTime2=00:00"),
                                     QStringLiteral("Config3=available"),
                                     QStringLiteral("LsDate3=00/00/0000"),
                                     QStringLiteral("LsTime3=00:00"),
                                     QStringLiteral("Config4=available"),
                                     QStringLiteral("LsDate4=00/00/0000"),
                                     QStringLiteral("LsTime4=00:00"),
                                     QStringLiteral("Config5=Before update"),
                                     QStringLiteral("LsDate5= 1/2/2000"),
                                     QStringLiteral("LsTime5=9:00:00"),
                                     QStringLiteral("Compression=5"),
                                     QStringLiteral("[SystemPathes]"),
                                     QStringLiteral("SystemPath=C:\\WINDOWS"),
                                     QStringLiteral("SaveFolder=C:\\Program Files\\Trelvo\\"),
                                     QStringLiteral("SaveFolderShort=C:\\PROGRA~1\\Trelvo"),
                                     QStringLiteral("[SystemFiles]"),
                                     QStringLiteral("Autoexec.bat=2"),
                                     QStringLiteral("Config.sys=0"),
                                     QStringLiteral("Control.ini=0"),
                                     QStringLiteral("MsDos.sys=0"),
                                     QStringLiteral("Protocol.ini=0"),
                                     QStringLiteral("System.dat=0"),
                                     QStringLiteral("System.ini=0"),
                                     QStringLiteral("User.dat=0"),
                                     QStringLiteral("Win.ini=0"),
                                     QStringLiteral("Autoexec.dos=0"),
                                     QStringLiteral("Config.dos=0"),
                                     QStringLiteral("DblSpace.ini=0"),
                                     QStringLiteral("DrvSpace.ini=0"),
                                     QStringLiteral("DrvSpace.bin=0"),
                                     QStringLiteral("StartMenue=1"),
                                     QStringLiteral("DblSpace.bin=1"),
                                     QStringLiteral("[UserFiles]"),
                                     QStringLiteral("NSCBookmark=1"),
                                     QStringLiteral("MSEFavorites=0"),
                                     QStringLiteral("MSEAdressbook=0"),
                                     QStringLiteral("MSECookies=0"),
                                     QStringLiteral("MSEMail=2"),
                                     QStringLiteral("NSCCookies=0"),
                                     QStringLiteral("NSCMail=0"),
                                 }));
}

TEST_F(SaveSettingsTest, MarksTheSettingsSavedAndRefreshesTheSlotLists)
{
    box("Form1", "Check2").setValue(1);   // a change: Save settings enabled, settings unsaved
    ASSERT_TRUE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command14")).Enabled());
    ASSERT_FALSE(state().SettingsSaved);
    core::SaveSettings();
    EXPECT_TRUE(state().SettingsSaved);
    EXPECT_FALSE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command14")).Enabled());
    vb::ListBox& rows = core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List2"));
    ASSERT_EQ(rows.ListCount(), 5);
    EXPECT_EQ(rows.List(0), QStringLiteral("Monday               8/Dec/1999     14:05"));
    EXPECT_EQ(rows.List(4), QStringLiteral("Before update        1/Feb/2000     09:00"));
    // The program folder is current afterwards, whatever was before.
    EXPECT_EQ(vb::CurDir(), QStringLiteral("C:\\Program Files\\Trelvo"));
}

TEST_F(SaveSettingsTest, WritesNothingBeforeTheSlotsAreKnown)
{
    state().ConfigDescription[0].clear();
    box("Form1", "Check2").setValue(1);
    core::SaveSettings();
    EXPECT_FALSE(tm.existsC(QStringLiteral("Program Files/Trelvo/trelvo.ini")));
    EXPECT_FALSE(state().SettingsSaved);
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command14")).Enabled());
    EXPECT_EQ(core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List2")).ListCount(), 0);
}

TEST_F(SaveSettingsTest, TheAutomaticSaveFolderIsNeverStored)
{
    coretest::writeSettings(tm, "[SystemPathes]\nSaveFolder=C:\\My Backups\\\n");
    state().SaveFolder = QStringLiteral("c:\\program files\\trelvo\\AUTOKEEP\\");
    core::SaveSettings();
    EXPECT_EQ(state().SaveFolder, QStringLiteral("C:\\My Backups\\"));
    EXPECT_TRUE(settingsLines(tm).contains(QStringLiteral("SaveFolder=C:\\My Backups\\")));

    // Without a stored folder the program folder takes its place.
    coretest::writeSettings(tm, "[Settings]\nConfig1=Monday\n");
    state().SaveFolder = QStringLiteral("C:\\Program Files\\Trelvo\\AutoKeep");
    core::SaveSettings();
    EXPECT_EQ(state().SaveFolder, kFolder);
    EXPECT_TRUE(settingsLines(tm).contains(QStringLiteral("SaveFolder=C:\\Program Files\\Trelvo\\")));
}

TEST_F(SaveSettingsTest, AUserFolderThatMerelyMentionsAutoKeepIsKept)
{
    coretest::writeSettings(tm, "[SystemPathes]\nSaveFolder=C:\\My Backups\\\n");
    for (const QString& folder : {QStringLiteral("D:\\AutoKeepers\\"), QStringLiteral("C:\\Program Files\\Trelvo\\AutoKeep\\Old\\")}) {
        state().SaveFolder = folder;
        core::SaveSettings();
        EXPECT_EQ(state().SaveFolder, folder);
        EXPECT_TRUE(settingsLines(tm).contains(QStringLiteral("SaveFolder=") + folder));
    }
}

TEST_F(SaveSettingsTest, AnEmptySaveFolderBecomesTheProgramFolder)
{
    state().SaveFolder.clear();
    core::SaveSettings();
    EXPECT_EQ(state().SaveFolder, kFolder);
}

TEST_F(SaveSettingsTest, RestoreIniIsWrittenOnlyAfterAFinishedRestore)
{
    core::SaveSettings();
    EXPECT_FALSE(tm.existsC(QStringLiteral("Restore.ini")));
    state().RestorePending = true;
    core::SaveSettings();
    EXPECT_EQ(tm.readC(QStringLiteral("Restore.ini")), QByteArray("Restore=1\r\n"));
    // Every later write of the same run replaces it.
    tm.writeC(QStringLiteral("Restore.ini"), "changed by someone\r\n");
    core::SaveSettings();
    EXPECT_EQ(tm.readC(QStringLiteral("Restore.ini")), QByteArray("Restore=1\r\n"));
}

TEST_F(SaveSettingsTest, ARestoreIniThatCannotBeWrittenIsLoggedNotRaised)
{
    vb::SetClockForTesting(QDateTime(QDate(2000, 3, 4), QTime(10, 0)));
    tm.writeC(QStringLiteral("Restore.ini"), "old\r\n");
    vb::SetAttr(QStringLiteral("C:\\Restore.ini"), vb::vbReadOnly);
    state().RestorePending = true;
    EXPECT_NO_THROW(core::SaveSettings());
    vb::SetClockForTesting(std::nullopt);
    EXPECT_EQ(tm.readC(QStringLiteral("Restore.ini")), QByteArray("old\r\n"));
    EXPECT_EQ(coretest::errorLogLines(tm), QStringList{QStringLiteral("Path/File access error03-04-2000 SaveSettings")});
    // The settings were written all the same, and the lists refreshed.
    EXPECT_TRUE(settingsLines(tm).contains(QStringLiteral("Config1=Monday")));
    EXPECT_EQ(core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List2")).ListCount(), 5);
}

TEST(AutoKeepFolder, IsThePathOfTheProgramsOwnFolderWithoutRegardToCase)
{
    testsupport::TempMachine tm;
    EXPECT_EQ(core::AutoKeepFolder(), QStringLiteral("C:\\Program Files\\Trelvo\\AutoKeep\\"));
    EXPECT_TRUE(core::IsAutoKeepFolder(QStringLiteral("C:\\PROGRAM FILES\\TRELVO\\autokeep\\")));
    EXPECT_TRUE(core::IsAutoKeepFolder(QStringLiteral("C:\\Program Files\\Trelvo\\AutoKeep")));
    EXPECT_FALSE(core::IsAutoKeepFolder(QStringLiteral("D:\\AutoKeep\\")));
    EXPECT_FALSE(core::IsAutoKeepFolder(QStringLiteral("C:\\Program Files\\Trelvo\\AutoKeepers\\")));
    EXPECT_FALSE(core::IsAutoKeepFolder(QString()));
}

// trelvo.ini that cannot be written (here a folder of that name stands in its place): told
// once with its path, logged each time, and told again only after it could be written.
TEST_F(SaveSettingsTest, AFileThatCannotBeWrittenIsToldOnceWithItsPathAndLogged)
{
    auto& ui = testsupport::ScriptedUi::install();
    vb::SetClockForTesting(QDateTime(QDate(2000, 3, 4), QTime(10, 0)));
    const QString told = QStringLiteral("Trelvo could not save its settings into this file: C:\\Program Files\\Trelvo\\trelvo.ini");
    QDir().mkpath(tm.hostC(QStringLiteral("Program Files/Trelvo/trelvo.ini")));
    ui.expect(told, QStringLiteral("OK"));
    core::SaveSettings();
    core::SaveSettings();
    EXPECT_EQ(ui.shown().size(), 1);
    EXPECT_EQ(coretest::errorLogLines(tm),
              QStringList(2, QStringLiteral("Path/File access error03-04-2000 C:\\Program Files\\Trelvo\\trelvo.ini SaveSettings")));

    QDir(tm.hostC(QStringLiteral("Program Files/Trelvo/trelvo.ini"))).removeRecursively();
    core::SaveSettings();
    EXPECT_TRUE(settingsLines(tm).contains(QStringLiteral("Config1=Monday")));
    vb::Kill(QStringLiteral("C:\\Program Files\\Trelvo\\trelvo.ini"));
    QDir().mkpath(tm.hostC(QStringLiteral("Program Files/Trelvo/trelvo.ini")));
    ui.expect(told, QStringLiteral("OK"));
    core::SaveSettings();
    EXPECT_EQ(ui.shown().size(), 2);
    vb::SetClockForTesting(std::nullopt);
}
