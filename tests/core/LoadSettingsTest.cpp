// Reading trelvo.ini at start-up: the state, the selection boxes of three windows, the
// repairs, and the fresh file after a first start or a damaged one.
#include "core/IniValues.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "vb/DateTime.h"
#include "vb/FileIO.h"
#include "MachineFiles.h"

#include <QDir>
#include <QRegularExpression>

using core::state;
using coretest::settingsLines;
using coretest::writeSettings;

namespace {

const QString kFolder = QStringLiteral("C:\\Program Files\\Trelvo\\");

// A complete file as a save leaves it; tests replace single lines.
QByteArray goodFile()
{
    return "[Settings]\n"
           "Config1=Monday\nLsDate1= 8/12/1999\nLsTime1=14:05:33\n"
           "Config2=available\nLsDate2=00/00/0000\nLsTime2=00:00\n"
           "Config3=available\nLsDate3=00/00/0000\nLsTime3=00:00\n"
           "Config4=available\nLsDate4=00/00/0000\nLsTime4=00:00\n"
           "Config5=Before update\nLsDate5= 1/2/2000\nLsTime5=9:00:00\n"
           "Compression=5\n"
           "[SystemPathes]\nSystemPath=C:\\WINDOWS\nSaveFolder=C:\\WINDOWS\\\nSaveFolderShort=C:\\WINDOWS\n"
           "[SystemFiles]\nAutoexec.bat=2\nConfig.sys=1\nControl.ini=0\nMsDos.sys=1\nProtocol.ini=0\nSystem.dat=1\n"
           "System.ini=1\nUser.dat=1\nWin.ini=1\nAutoexec.dos=0\nConfig.dos=0\nDblSpace.ini=0\nDrvSpace.ini=0\n"
           "DrvSpace.bin=0\nStartMenue=1\nDblSpace.bin=0\n"
           "[UserFiles]\nNSCBookmark=1\nMSEFavorites=1\nMSEAdressbook=0\nMSECookies=1\nMSEMail=0\nNSCCookies=0\nNSCMail=1\n";
}

QByteArray goodFileWith(const char* line, const char* replacement)
{
    QByteArray text = goodFile();
    const qsizetype at = text.indexOf(QByteArray(line) + '\n');
    EXPECT_GE(at, 0) << line;
    return text.replace(at, qstrlen(line), replacement);
}

class LoadSettingsTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        vb::SetClockForTesting(QDateTime(QDate(1999, 12, 8), QTime(14, 5, 33)));
        ui = &testsupport::ScriptedUi::install();
    }
    void TearDown() override { vb::SetClockForTesting(std::nullopt); }

    static vb::CheckBox& box(const char* form, const char* name)
    {
        return core::CheckBoxOf(QString::fromLatin1(form), QString::fromLatin1(name));
    }
    static QString stored(const char* section, const char* key)
    {
        return core::ReadIni(QString::fromLatin1(section), QString::fromLatin1(key), kFolder + QStringLiteral("trelvo.ini"));
    }
    QStringList damagedLines() const { return coretest::errorLogLines(tm).filter(QStringLiteral("Trelvo.ini damaged")); }

    void expectAllSlotsFree() const
    {
        for (int slot = 0; slot < 5; ++slot) {
            EXPECT_EQ(state().ConfigDescription[slot], QStringLiteral("available")) << slot;
            EXPECT_EQ(state().ConfigDate[slot], QStringLiteral("00/00/0000")) << slot;
            EXPECT_EQ(state().ConfigTime[slot], QStringLiteral("00:00")) << slot;
        }
    }

    testsupport::ScriptedUi* ui = nullptr;
};

} // namespace

TEST_F(LoadSettingsTest, AFirstStartWritesAFreshFileAndLogsOnce)
{
    core::LoadSettings();

    EXPECT_EQ(coretest::errorLogLines(tm), QStringList{QStringLiteral("Type mismatch12-08-1999Trelvo.ini damaged")});
    expectAllSlotsFree();
    EXPECT_EQ(state().SaveFolder, kFolder);
    EXPECT_EQ(state().SystemPath, QStringLiteral("C:\\WINDOWS"));   // from the probe
    EXPECT_EQ(state().Compression, QStringLiteral("1"));

    const QStringList lines = settingsLines(tm);
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^\\["))),
              (QStringList{QStringLiteral("[Settings]"), QStringLiteral("[SystemPathes]"), QStringLiteral("[SystemFiles]"),
                           QStringLiteral("[UserFiles]")}));
    EXPECT_EQ(lines.size(), 4 + 16 + 3 + 16 + 7);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_TRUE(lines.contains(QStringLiteral("Config%1=available").arg(n)));
        EXPECT_TRUE(lines.contains(QStringLiteral("LsDate%1=00/00/0000").arg(n)));
        EXPECT_TRUE(lines.contains(QStringLiteral("LsTime%1=00:00").arg(n)));
    }
    EXPECT_TRUE(lines.contains(QStringLiteral("Compression=1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("SaveFolder=C:\\Program Files\\Trelvo\\")));
    EXPECT_TRUE(lines.contains(QStringLiteral("SystemPath=C:\\WINDOWS")));
    EXPECT_EQ(core::TextBoxOf(QStringLiteral("Form1"), QStringLiteral("Text2")).Text(), kFolder);
    EXPECT_EQ(core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List3")).List(4), QStringLiteral("available"));

    // The next start reads that file without complaint.
    core::resetState();
    core::LoadSettings();
    EXPECT_EQ(damagedLines().size(), 1);
}

TEST_F(LoadSettingsTest, AGoodFileFillsTheStateAndTheBoxesOfThreeWindows)
{
    writeSettings(tm, goodFile());
    box("Form1", "Check4").setValue(1);   // ticked before: the stored 0 of Control.ini wins
    core::LoadSettings();

    EXPECT_TRUE(coretest::errorLogLines(tm).isEmpty());
    EXPECT_EQ(state().ConfigDescription[0], QStringLiteral("Monday"));
    EXPECT_EQ(state().ConfigDate[0], QStringLiteral("8/12/1999"));   // the profile reader trims values
    EXPECT_EQ(state().ConfigTime[4], QStringLiteral("9:00:00"));
    EXPECT_EQ(state().SaveFolder, QStringLiteral("C:\\WINDOWS\\"));
    EXPECT_EQ(state().Compression, QStringLiteral("5"));
    EXPECT_EQ(core::SliderOf(QStringLiteral("Form1"), QStringLiteral("Slider1")).Value(), 5);
    EXPECT_EQ(state().IniFile, QStringLiteral("C:\\Program Files\\Trelvo\\trelvo.ini"));

    EXPECT_EQ(box("Form1", "Check8").Value(), 2);   // greyed Autoexec.bat stays greyed
    EXPECT_EQ(box("Form1", "Check9").Value(), 1);
    EXPECT_EQ(box("Form1", "Check4").Value(), 0);
    EXPECT_EQ(box("Form1", "Check1").Value(), 1);
    EXPECT_EQ(box("UserFiles", "Check11").Value(), 1);
    EXPECT_EQ(box("UserFiles", "Check1").Value(), 0);
    EXPECT_EQ(box("UserFiles", "Check5").Value(), 1);

    // The restore choice offers what is selected (greyed included), nothing else.
    EXPECT_TRUE(box("RestoreReq", "Check1").Enabled());    // Autoexec.bat = 2
    EXPECT_FALSE(box("RestoreReq", "Check3").Enabled());   // Control.ini = 0
    EXPECT_TRUE(box("RestoreReq", "Check10").Enabled());   // NSCBookmark
    EXPECT_FALSE(box("RestoreReq", "Check18").Enabled());  // MSEAdressbook
    EXPECT_TRUE(box("RestoreReq", "Check20").Enabled());   // StartMenue
    EXPECT_FALSE(box("RestoreReq", "Check24").Enabled());  // DblSpace.bin
    EXPECT_TRUE(box("RestoreReq", "Check23").Enabled());   // NSCMail

    // Written back at once, the greyed box as 2 again.
    EXPECT_EQ(stored("SystemFiles", "Autoexec.bat"), QStringLiteral("2"));
    EXPECT_TRUE(state().SettingsSaved);
    EXPECT_EQ(core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List2")).List(0),
              QStringLiteral("Monday              8/Dec/1999     14:05"));
}

TEST_F(LoadSettingsTest, WordsOfTheOtherEditionAndTruthValueTimesAreRepaired)
{
    QByteArray text = goodFileWith("Config3=available", "Config3=verfuegbar");
    writeSettings(tm, text.replace("LsTime2=00:00", "LsTime2=True").replace("LsTime4=00:00", "LsTime4=False"));
    core::LoadSettings();
    EXPECT_EQ(state().ConfigDescription[2], QStringLiteral("available"));
    EXPECT_EQ(state().ConfigTime[1], QStringLiteral("00:00"));
    EXPECT_EQ(state().ConfigTime[3], QStringLiteral("00:00"));
    EXPECT_EQ(stored("Settings", "Config3"), QStringLiteral("available"));
    EXPECT_EQ(stored("Settings", "LsTime2"), QStringLiteral("00:00"));
    EXPECT_EQ(core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List2")).List(2), QStringLiteral("available"));
}

TEST_F(LoadSettingsTest, AnEmptyDescriptionReadsAsAFreeSlot)
{
    writeSettings(tm, goodFileWith("Config1=Monday", "Config1=").replace("Config4=available", "Config4="));
    core::LoadSettings();
    EXPECT_EQ(state().ConfigDescription[0], QStringLiteral("available"));
    EXPECT_EQ(state().ConfigDescription[3], QStringLiteral("available"));
    EXPECT_EQ(stored("Settings", "Config1"), QStringLiteral("available"));
    EXPECT_TRUE(damagedLines().isEmpty());
}

TEST_F(LoadSettingsTest, CompressionIsAlwaysTheSlidersDigit)
{
    const struct {
        const char* line;
        const char* expected;
    } cases[] = {{"Compression=", "1"}, {"Compression=5", "5"}, {"Compression= 5", "5"}, {"Compression=1.5", "2"},
                 {"Compression=9x", "9"}, {"Compression=fast", "0"}};
    for (const auto& c : cases) {
        writeSettings(tm, goodFileWith("Compression=5", c.line));
        core::LoadSettings();
        EXPECT_EQ(state().Compression, QString::fromLatin1(c.expected)) << c.line;
        EXPECT_EQ(stored("Settings", "Compression"), QString::fromLatin1(c.expected)) << c.line;
        EXPECT_EQ(core::SliderOf(QStringLiteral("Form1"), QStringLiteral("Slider1")).Value(), QString::fromLatin1(c.expected).toInt());
    }
    EXPECT_TRUE(damagedLines().isEmpty());

    // A level the slider refuses resets the file.
    writeSettings(tm, goodFileWith("Compression=5", "Compression=12"));
    core::LoadSettings();
    EXPECT_EQ(damagedLines().size(), 1);
    EXPECT_EQ(state().Compression, QStringLiteral("1"));
    expectAllSlotsFree();
}

TEST_F(LoadSettingsTest, TheSaveFolderGetsItsFinalBackslash)
{
    writeSettings(tm, goodFileWith("SaveFolder=C:\\WINDOWS\\", "SaveFolder=C:\\Program Files"));
    core::LoadSettings();
    EXPECT_EQ(state().SaveFolder, QStringLiteral("C:\\Program Files\\"));
    EXPECT_EQ(stored("SystemPathes", "SaveFolder"), QStringLiteral("C:\\Program Files\\"));
    EXPECT_EQ(stored("SystemPathes", "SaveFolderShort"), QStringLiteral("C:\\PROGRA~1"));

    // No folder at all is the root of the current drive, and stays so.
    for (const char* empty : {"SaveFolder=", "SaveFolder=\\"}) {
        writeSettings(tm, goodFileWith("SaveFolder=C:\\WINDOWS\\", empty));
        core::LoadSettings();
        EXPECT_EQ(state().SaveFolder, QStringLiteral("\\")) << empty;
        EXPECT_EQ(stored("SystemPathes", "SaveFolder"), QStringLiteral("\\")) << empty;
    }
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(LoadSettingsTest, AStoredWindowsFolderReplacesTheProbedOneOnlyWhenNotEmpty)
{
    state().SystemPath = QStringLiteral("C:\\WINDOWS");
    writeSettings(tm, goodFileWith("SystemPath=C:\\WINDOWS", "SystemPath=D:\\WIN98"));
    core::LoadSettings();
    EXPECT_EQ(state().SystemPath, QStringLiteral("D:\\WIN98"));

    state().SystemPath = QStringLiteral("C:\\WINDOWS");
    writeSettings(tm, goodFileWith("SystemPath=C:\\WINDOWS", "SystemPath="));
    core::LoadSettings();
    EXPECT_EQ(state().SystemPath, QStringLiteral("C:\\WINDOWS"));
    EXPECT_EQ(stored("SystemPathes", "SystemPath"), QStringLiteral("C:\\WINDOWS"));
}

TEST_F(LoadSettingsTest, AMissingSaveFolderOnAFixedDriveFallsBackWithAMessage)
{
    writeSettings(tm, goodFileWith("SaveFolder=C:\\WINDOWS\\", "SaveFolder=C:\\Gone\\Backups\\"));
    ui->expect(QStringLiteral("The destination of the last backup is not accessible. Destination path has been set to default location!"),
               QStringLiteral("OK"));
    core::LoadSettings();
    EXPECT_EQ(state().SaveFolder, kFolder);
    EXPECT_EQ(stored("SystemPathes", "SaveFolder"), kFolder);
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown()[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(damagedLines().isEmpty());
}

TEST_F(LoadSettingsTest, ASaveFolderOnADriveThatIsGoneFallsBackWithAMessage)
{
    writeSettings(tm, goodFileWith("SaveFolder=C:\\WINDOWS\\", "SaveFolder=Q:\\Backups\\"));
    ui->expect(QStringLiteral("The destination of the last backup is not accessible."), QStringLiteral("OK"));
    core::LoadSettings();
    EXPECT_EQ(state().SaveFolder, kFolder);
    EXPECT_TRUE(damagedLines().isEmpty());
}

TEST_F(LoadSettingsTest, ASaveFolderOnAFloppyIsNeverTested)
{
    tm.machine().ejectDisk();
    writeSettings(tm, goodFileWith("SaveFolder=C:\\WINDOWS\\", "SaveFolder=a:\\"));
    core::LoadSettings();   // no disk, no message
    EXPECT_EQ(state().SaveFolder, QStringLiteral("a:\\"));
    EXPECT_EQ(stored("SystemPathes", "SaveFolder"), QStringLiteral("a:\\"));
    EXPECT_EQ(core::TextBoxOf(QStringLiteral("Form1"), QStringLiteral("Text2")).Text(), QStringLiteral("a:\\"));
}

TEST_F(LoadSettingsTest, AnEmptyDriveRootIsAnExistingSaveFolder)
{
    QDir().mkpath(tm.dir() + QStringLiteral("/drive_d"));
    tm.machine().setSetting(QStringLiteral("Drives"), QStringLiteral("D"), QStringLiteral("fixed"));
    tm.machine().setSetting(QStringLiteral("Drive D"), QStringLiteral("Folder"), QStringLiteral("drive_d"));
    writeSettings(tm, goodFileWith("SaveFolder=C:\\WINDOWS\\", "SaveFolder=D:\\"));
    core::LoadSettings();
    EXPECT_EQ(state().SaveFolder, QStringLiteral("D:\\"));
}

TEST_F(LoadSettingsTest, ALongSaveFolderIsShownShortened)
{
    tm.writeC(QStringLiteral("Program Files/Backup Tools/Saved Configurations/Week1/keep.txt"), "x");
    writeSettings(tm, goodFileWith("SaveFolder=C:\\WINDOWS\\",
                                   "SaveFolder=C:\\Program Files\\Backup Tools\\Saved Configurations\\Week1\\"));
    core::LoadSettings();
    EXPECT_EQ(core::TextBoxOf(QStringLiteral("Form1"), QStringLiteral("Text2")).Text(),
              QStringLiteral("C:\\Program Files\\Backup Tools\\...Week1\\"));
}

TEST_F(LoadSettingsTest, AnUnreadableSelectionValueResetsEverySlot)
{
    for (const char* bad : {"Config.sys=x", "Config.sys=", "Config.sys=3", "NSCMail=-1"}) {
        const char* good = QByteArray(bad).startsWith("NSC") ? "NSCMail=1" : "Config.sys=1";
        writeSettings(tm, goodFileWith(good, bad));
        state().RestorePending = false;
        core::LoadSettings();
        expectAllSlotsFree();
        EXPECT_EQ(state().SaveFolder, kFolder) << bad;
        EXPECT_EQ(state().Compression, QStringLiteral("1")) << bad;
        EXPECT_EQ(stored("Settings", "Config1"), QStringLiteral("available")) << bad;
        EXPECT_EQ(stored("Settings", "LsDate5"), QStringLiteral("00/00/0000")) << bad;
        EXPECT_EQ(core::LabelOf(QStringLiteral("Form1"), QStringLiteral("Label2")).Caption(),
                  QStringLiteral("available\ravailable\ravailable\ravailable\ravailable"));
    }
    EXPECT_EQ(damagedLines().size(), 4);
}

TEST_F(LoadSettingsTest, TheDamagePathKeepsBoxesSetBeforeTheFailure)
{
    // Autoexec.bat and Config.sys are read before the bad Control.ini; Win.ini after it.
    writeSettings(tm, goodFileWith("Control.ini=0", "Control.ini=?"));
    box("Form1", "Check2").setValue(0);
    core::LoadSettings();
    EXPECT_EQ(box("Form1", "Check8").Value(), 2);
    EXPECT_EQ(box("Form1", "Check9").Value(), 1);
    EXPECT_EQ(box("Form1", "Check2").Value(), 0);
    EXPECT_EQ(stored("SystemFiles", "Autoexec.bat"), QStringLiteral("2"));
    EXPECT_EQ(stored("SystemFiles", "Win.ini"), QStringLiteral("0"));
}

TEST_F(LoadSettingsTest, RestorePendingIsClearedByAGoodFileAndKeptByTheDamagePath)
{
    writeSettings(tm, goodFile());
    state().RestorePending = true;
    core::LoadSettings();
    EXPECT_FALSE(state().RestorePending);
    EXPECT_FALSE(tm.existsC(QStringLiteral("Restore.ini")));

    writeSettings(tm, goodFileWith("Win.ini=1", "Win.ini=yes"));
    state().RestorePending = true;
    core::LoadSettings();
    EXPECT_TRUE(state().RestorePending);
    EXPECT_EQ(tm.readC(QStringLiteral("Restore.ini")), QByteArray("Restore=1\r\n"));
}

TEST_F(LoadSettingsTest, ASlotWithAnOddDateIsKeptAndShownAsStored)
{
    writeSettings(tm, goodFileWith("LsDate1= 8/12/1999", "LsDate1=00/00/0000"));
    core::LoadSettings();
    EXPECT_TRUE(damagedLines().isEmpty());
    EXPECT_EQ(state().ConfigDescription[0], QStringLiteral("Monday"));
    EXPECT_EQ(core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List2")).List(0),
              QStringLiteral("Monday              00/00/0000     14:05"));
}
