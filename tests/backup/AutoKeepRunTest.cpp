// The automatic save: the countdown window, Skip and the close box, the save into the
// rotating slots of the AutoKeep folder, what it records, and how the run ends.
#include "backup/AutoKeepSchedule.h"
#include "backup/FrmAutoKeep.h"
#include "catalogue/ConfigItems.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "platform/IniDocument.h"
#include "platform/ZipArchive.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/DateTime.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

using core::state;
using testsupport::ProcessEnded;
using testsupport::ScriptedUi;

namespace {

const QString kSchedule = QStringLiteral("Program Files/Trelvo/AutoKp.ini");
const QString kMarker = QStringLiteral("Program Files/Trelvo/Keep.go");
const QString kSettings = QStringLiteral("Program Files/Trelvo/trelvo.ini");
const QString kAutoKeep = QStringLiteral("Program Files/Trelvo/AutoKeep/");

class AutoKeepRunTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        ui = &ScriptedUi::install();
        vb::SetClockForTesting(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33)));
        state().TodayDate = QStringLiteral(" 8/12/2026");
        core::ReadSystemPaths();
        core::LoadSettings();
        // The user's own slot 4 and save folder, which an automatic save must leave alone.
        core::ProgramState& s = state();
        s.ConfigDescription[3] = QStringLiteral("Before upgrade");
        s.ConfigDate[3] = QStringLiteral(" 1/12/2026");
        s.ConfigTime[3] = QStringLiteral("10:15:00");
        s.SaveFolder = QStringLiteral("C:\\My Backups\\");
        QDir().mkpath(tm.hostC("My Backups"));
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
            item.SaveCheckBox().setValue(0);
        for (const char* box : {"Check1", "Check2", "Check3"})   // Start menu, Win.ini, System.ini
            core::CheckBoxOf("Form1", box).setValue(1);
        core::CheckBoxOf("UserFiles", "Check12").setValue(1);   // favorites
        tm.writeC("Program Files/Trelvo/trelvo.usr", " 1 \r\nC:\\AUTOEXEC.BAT\r\n");
        core::SaveSettings();
        settingsBefore = tm.readC(kSettings);
        tm.writeC(kMarker, "");
    }
    void TearDown() override
    {
        vb::SetClockForTesting(std::nullopt);
        vb::Screen::setMousePointer(0);
    }

    // A Daily schedule whose next save goes into slot `next` + 1.
    void writeSchedule(int next) const
    {
        tm.writeC(kSchedule, " 1 \r\n1/12/2026\r\n " + QByteArray::number(next) +
                                 " \r\n1\r\n#1 : Not Saved\r\n#2 : Not Saved\r\n#3 : Not Saved\r\n#4 : Not Saved\r\n");
    }
    QStringList scheduleLines() const
    {
        QStringList lines = QString::fromLatin1(tm.readC(kSchedule)).split(QStringLiteral("\r\n"));
        lines.removeAll(QString());
        return lines;
    }
    // The schedule loaded into the main window as at start-up, without the run it would start.
    void loadScheduleOnly(int next)
    {
        writeSchedule(next);
        QFile::remove(tm.hostC(kMarker));
        backup::LoadAutoKeepSettings();
        tm.writeC(kMarker, "");
    }
    // The countdown window on the screen, as the start-up shows it.
    static backup::FrmAutoKeepForm& shownWindow()
    {
        backup::FrmAutoKeepForm& w = backup::FrmAutoKeep();
        w.Show();
        return w;
    }
    // Runs `step`; true when it ended the process.
    static bool ends(const std::function<void()>& step)
    {
        try {
            step();
        } catch (const ProcessEnded&) {
            return true;
        }
        return false;
    }

    platform::IniDocument settings() const { return platform::IniDocument::parse(tm.readC(kSettings)); }
    // The user's slots and save folder in trelvo.ini are what they were before the run.
    void expectUserSettingsKept() const
    {
        const platform::IniDocument before = platform::IniDocument::parse(settingsBefore);
        const platform::IniDocument after = settings();
        for (int n = 1; n <= 5; ++n) {
            for (const QString key : {"Config", "LsDate", "LsTime"}) {
                const QString k = key + QString::number(n);
                EXPECT_EQ(after.value("Settings", k), before.value("Settings", k)) << k.toStdString();
            }
        }
        EXPECT_EQ(after.value("Settings", "Config4"), QStringLiteral("Before upgrade"));
        EXPECT_EQ(after.value("SystemPathes", "SaveFolder"), QStringLiteral("C:\\My Backups\\"));
    }
    QStringList archiveEntries(const QString& name) const
    {
        return platform::zip::entryNames(tm.hostC(kAutoKeep + name)).value_or(QStringList{"<no archive>"});
    }

    ScriptedUi* ui = nullptr;
    QByteArray settingsBefore;
};

} // namespace

// ---- the countdown -------------------------------------------------------------------------

TEST_F(AutoKeepRunTest, TheCountdownRunsOnItsOwnSavesIntoTheNextSlotAndEndsTheProgram)
{
    writeSchedule(3);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(ends(backup::LoadAutoKeepSettings));
    EXPECT_GE(clock.elapsed(), 7500 + 3000) << "five ticks of 1500 ms, then the three-second closing";
    EXPECT_TRUE(ui->shown().isEmpty()) << "the countdown is answered by nobody";

    // Slot 4: its description, its list and its archives, all in the AutoKeep folder.
    const platform::IniDocument description = platform::IniDocument::parse(tm.readC(kAutoKeep + "Config4.ini"));
    EXPECT_EQ(description.value("Configuration", "ConfigName"), QStringLiteral("AutoKeep #4"));
    EXPECT_EQ(description.value("SystemFiles", "SaveFolder"), QStringLiteral("C:\\Program Files\\Trelvo\\AutoKeep\\"));
    EXPECT_EQ(description.value("SystemFilesSaved", "Win.ini"), QStringLiteral("1"));
    EXPECT_TRUE(tm.existsC(kAutoKeep + "Config4.usr"));
    EXPECT_TRUE(archiveEntries("Conf4.tva").contains("WINDOWS/TEMP/trelvo/WIN.INI", Qt::CaseInsensitive))
        << archiveEntries("Conf4.tva").join(", ").toStdString();
    EXPECT_FALSE(archiveEntries("Conf4s.tva").isEmpty());
    EXPECT_FALSE(archiveEntries("Conf4mb.tva").isEmpty());
    EXPECT_FALSE(archiveEntries("Conf4us.tva").isEmpty());
    EXPECT_FALSE(tm.existsC(kAutoKeep + "Config1.ini"));

    EXPECT_EQ(scheduleLines(), QStringList({" 1 ", "8/12/2026", " 4 ", "1", "#1 : Not Saved", "#2 : Not Saved", "#3 : Not Saved",
                                            "#4 :  8/Dec/2026"}));
    EXPECT_FALSE(tm.existsC(kMarker));
    EXPECT_FALSE(core::Win("Form1").Visible()) << "the main window is never shown";
    expectUserSettingsKept();
}

TEST_F(AutoKeepRunTest, TheWindowCountsFiveToOneAndTheFifthTickStartsTheSave)
{
    loadScheduleOnly(0);
    backup::FrmAutoKeepForm& w = shownWindow();
    EXPECT_EQ(w.Caption(), "Trelvo 2.0");
    EXPECT_EQ(w.Label2.Caption(), "AutoKeep starts in 5 seconds. Press the 'Skip' button to pass over the save process this time.");
    EXPECT_EQ(w.Label3.Caption(), "0");
    EXPECT_EQ(w.Command1.Caption(), "Cancel");
    EXPECT_EQ(w.Timer1.Interval(), 1500);
    EXPECT_TRUE(w.Timer1.Enabled());

    for (int shown = 5; shown >= 2; --shown) {
        w.Timer1_Timer();
        EXPECT_EQ(w.Label3.Caption(), "AutoKeep starts in  " + QString::number(shown) + " seconds");
        EXPECT_EQ(w.Command1.Caption(), "&Skip");
    }
    EXPECT_FALSE(tm.existsC(kAutoKeep)) << "the save began before the countdown ended";

    const QPointer<backup::FrmAutoKeepForm> window(&w);
    EXPECT_TRUE(ends([&] { w.Timer1_Timer(); }));
    EXPECT_TRUE(tm.existsC(kAutoKeep + "Config1.ini"));
    ASSERT_TRUE(window);   // unloaded by the end of the program, not yet destroyed
    EXPECT_EQ(window->Label2.Caption(), QString());
    EXPECT_EQ(window->Label3.Caption(), "Saving was successful");
    EXPECT_EQ(window->StatusBar1.Text(), "AutoKeep is shutting down...");
    EXPECT_EQ(window->Command1.Caption(), "&Cancel");
    EXPECT_EQ(window->ProgressBar1.Value(), 10) << "the window showed the save's progress to its end";
}

TEST_F(AutoKeepRunTest, AHiddenWindowSwitchesItsTimerOffAtItsFirstTickAndDoesNothingElse)
{
    backup::FrmAutoKeepForm& w = backup::FrmAutoKeep();   // loaded hidden, as a save from the Save page does
    w.Timer1_Timer();
    EXPECT_FALSE(w.Timer1.Enabled());
    EXPECT_EQ(w.Label3.Caption(), "0");
    EXPECT_EQ(w.Command1.Caption(), "Cancel");
    EXPECT_TRUE(tm.existsC(kMarker));
    EXPECT_FALSE(tm.existsC(kAutoKeep));
}

// ---- Skip and the close box ----------------------------------------------------------------

TEST_F(AutoKeepRunTest, SkipDuringTheCountdownDeletesTheMarkerAndEndsWithoutWritingAnything)
{
    loadScheduleOnly(2);
    const QByteArray schedule = tm.readC(kSchedule);
    backup::FrmAutoKeepForm& w = shownWindow();
    w.Timer1_Timer();
    w.Timer1_Timer();
    EXPECT_TRUE(ends([&] { w.Command1_Click(); }));
    EXPECT_FALSE(tm.existsC(kMarker));
    EXPECT_EQ(tm.readC(kSchedule), schedule);
    EXPECT_EQ(tm.readC(kSettings), settingsBefore);
    EXPECT_FALSE(tm.existsC(kAutoKeep));
}

TEST_F(AutoKeepRunTest, TheCloseBoxActsAsSkip)
{
    loadScheduleOnly(2);
    backup::FrmAutoKeepForm& w = shownWindow();
    w.Timer1_Timer();
    EXPECT_TRUE(ends([&] { vb::Forms::unload(w, vb::vbFormControlMenu); }));
    EXPECT_FALSE(tm.existsC(kMarker));
    EXPECT_EQ(tm.readC(kSettings), settingsBefore);
    EXPECT_FALSE(tm.existsC(kAutoKeep));
}

TEST_F(AutoKeepRunTest, SkipWhileTheSaveRunsLeavesTheSlotNotSaved)
{
    tm.writeC(kAutoKeep + "Config3.ini", "[Configuration]\r\nConfigName=AutoKeep #3\r\n");
    loadScheduleOnly(2);
    core::ListBoxOf("Form1", "List1").setList(2, "#3 :  1/Dec/2026");
    backup::FrmAutoKeepForm& w = shownWindow();
    for (int i = 0; i < 4; ++i)
        w.Timer1_Timer();
    // The user's press, taken while the save lets events through.
    bool pressed = false;
    QTimer::singleShot(0, &w, [&] {
        pressed = true;
        w.Command1_Click();
    });
    EXPECT_TRUE(ends([&] { w.Timer1_Timer(); }));
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(tm.existsC(kMarker));
    EXPECT_EQ(scheduleLines(), QStringList({" 1 ", "1/12/2026", " 2 ", "1", "#1 : Not Saved", "#2 : Not Saved", "#3 : Not Saved",
                                            "#4 : Not Saved"}));
}

// ---- what the run records and how it ends -----------------------------------------------

TEST_F(AutoKeepRunTest, NeitherATickDuringTheSaveNorAMarkerRemovedMeanwhileChangesTheRun)
{
    vb::SetClockForTesting(QDateTime(QDate(2026, 7, 9), QTime(9, 0, 0)));
    state().TodayDate = QStringLiteral(" 9/7/2026");
    loadScheduleOnly(0);
    backup::FrmAutoKeepForm& w = shownWindow();
    for (int i = 0; i < 4; ++i)
        w.Timer1_Timer();
    bool during = false;
    QTimer::singleShot(0, &w, [&] {
        during = true;
        QFile::remove(tm.hostC(kMarker));   // something outside takes the marker away
        w.Timer1_Timer();                   // and a tick of the countdown arrives
    });
    EXPECT_TRUE(ends([&] { w.Timer1_Timer(); }));
    EXPECT_TRUE(during) << "the save let no events through";
    EXPECT_EQ(ui->beeps(), 0) << "a second save was attempted";
    EXPECT_TRUE(tm.existsC(kAutoKeep + "Config1.ini"));
    EXPECT_FALSE(tm.existsC(kAutoKeep + "Config2.ini"));
    EXPECT_EQ(scheduleLines(), QStringList({" 1 ", "9/7/2026", " 1 ", "1", "#1 :  9/Jul/2026", "#2 : Not Saved", "#3 : Not Saved",
                                            "#4 : Not Saved"}));
    expectUserSettingsKept();
}

TEST_F(AutoKeepRunTest, AnIncompleteSaveRecordsItsSlotButReportsAndLogsTheFailure)
{
    loadScheduleOnly(1);
    state().PathFavorites = QStringLiteral("C:\\WINDOWS\\No Favorites\\");   // nothing there to pack
    backup::FrmAutoKeepForm& w = shownWindow();
    for (int i = 0; i < 4; ++i)
        w.Timer1_Timer();
    const QPointer<backup::FrmAutoKeepForm> window(&w);
    EXPECT_TRUE(ends([&] { w.Timer1_Timer(); }));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->Label3.Caption(), "Saving was not successful. Not every file could be saved.");
    EXPECT_TRUE(tm.readC("Program Files/Trelvo/Error.log").contains("AutoKeep #2 Saving was not successful."));
    EXPECT_EQ(scheduleLines().at(2), " 2 ");
    EXPECT_EQ(scheduleLines().at(5), "#2 :  8/Dec/2026");
    EXPECT_FALSE(tm.existsC(kMarker));
}

TEST_F(AutoKeepRunTest, ASaveThatDidNotRunLeavesTheSlotAsItWasAndTheRotationWhereItWas)
{
    tm.writeC(kAutoKeep + "Config2.ini", "[Configuration]\r\nConfigName=AutoKeep #2\r\n");
    loadScheduleOnly(1);
    core::ListBoxOf("Form1", "List1").setList(1, "#2 :  1/Dec/2026");
    // Nothing selected: the save refuses before it touches the slot, and only logs it.
    for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
        item.SaveCheckBox().setValue(0);
    tm.writeC("Program Files/Trelvo/trelvo.usr", " 0 \r\n\r\n");
    backup::FrmAutoKeepForm& w = shownWindow();
    for (int i = 0; i < 4; ++i)
        w.Timer1_Timer();
    const QPointer<backup::FrmAutoKeepForm> window(&w);
    EXPECT_TRUE(ends([&] { w.Timer1_Timer(); }));
    ASSERT_TRUE(window);
    EXPECT_TRUE(ui->shown().isEmpty());
    EXPECT_EQ(window->Label3.Caption(), "Saving was not successful. Not every file could be saved.");
    EXPECT_TRUE(tm.readC("Program Files/Trelvo/Error.log").contains("There is nothing to save: no file is selected! Save"));
    EXPECT_TRUE(tm.existsC(kAutoKeep + "Config2.ini"));
    EXPECT_EQ(core::ListBoxOf("Form1", "List1").List(1), QStringLiteral("#2 :  1/Dec/2026"));
    EXPECT_EQ(scheduleLines(), QStringList({" 1 ", "1/12/2026", " 1 ", "1", "#1 : Not Saved", "#2 : Not Saved", "#3 : Not Saved",
                                            "#4 : Not Saved"}));
    EXPECT_FALSE(tm.existsC(kMarker));
}
