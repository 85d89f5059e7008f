// The schedule of the automatic save: AutoKp.ini, its default, what loading shows, and the
// mode change of the Options page.
#include "backup/AutoKeepSchedule.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Conversions.h"
#include "vb/Forms.h"

#include <QDir>
#include <QFile>
#include <QSignalBlocker>

using core::state;
using testsupport::ScriptedUi;

namespace {

const QString kSchedule = QStringLiteral("Program Files/Trelvo/AutoKp.ini");
const QString kMarker = QStringLiteral("Program Files/Trelvo/Keep.go");

class AutoKeepScheduleTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        ui = &ScriptedUi::install();
        state().TodayDate = QStringLiteral(" 8/12/2026");
    }

    static vb::ComboBox& modes() { return core::ComboBoxOf(QStringLiteral("Form1"), QStringLiteral("Combo1")); }
    static vb::TextBox& interval() { return core::TextBoxOf(QStringLiteral("Form1"), QStringLiteral("Text3")); }
    static QStringList rows()
    {
        const vb::ListBox& list = core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List1"));
        QStringList out;
        for (int i = 0; i < list.ListCount(); ++i)
            out << list.List(i);
        return out;
    }
    void writeSchedule(const QStringList& lines) const { tm.writeC(kSchedule, (lines.join("\r\n") + "\r\n").toLatin1()); }
    QStringList scheduleLines() const
    {
        QStringList lines = QString::fromLatin1(tm.readC(kSchedule)).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    // An automatic-save slot whose description lies in the AutoKeep folder.
    void saveSlot(int k) const
    {
        tm.writeC("Program Files/Trelvo/AutoKeep/Config" + QString::number(k) + ".ini", "[Configuration]\r\nConfigName=AutoKeep\r\n");
    }
    // The mode change as the main window runs it on a click of the list.
    static void choose(int mode)
    {
        {
            const QSignalBlocker quiet(modes());
            modes().setListIndex(mode);
        }
        backup::Form1_Combo1_Click();
    }

    ScriptedUi* ui = nullptr;
};

} // namespace

// ---- loading ----------------------------------------------------------------------------

TEST_F(AutoKeepScheduleTest, AFirstStartWritesTheDefaultFileAndAMarkerStartsNothing)
{
    tm.writeC(kMarker, "");
    backup::LoadAutoKeepSettings();

    EXPECT_EQ(tm.readC(kSchedule), QByteArray(" 0 \r\n8/12/2026\r\n 0 \r\n 0 \r\n"
                                              "#1 : Not Saved\r\n#2 : Not Saved\r\n#3 : Not Saved\r\n#4 : Not Saved\r\n"));
    ASSERT_EQ(modes().ListCount(), 5);
    EXPECT_EQ(QStringList({modes().List(0), modes().List(1), modes().List(2), modes().List(3), modes().List(4)}),
              QStringList({"Disabled", "Daily", "Weekly", "Monthly", "User defined"}));
    EXPECT_EQ(modes().ListIndex(), 0);
    EXPECT_EQ(interval().Text(), "0");
    EXPECT_EQ(rows(), QStringList({"#1 : Not Saved", "#2 : Not Saved", "#3 : Not Saved", "#4 : Not Saved"}));
    EXPECT_EQ(state().AutoKeepLastDate, "8/12/2026");
    EXPECT_EQ(state().AutoKeepNextSlot, 0);
    EXPECT_TRUE(tm.existsC(kMarker));
    EXPECT_FALSE(vb::Forms::isLoaded("FrmAutoKeep"));
}

TEST_F(AutoKeepScheduleTest, ADisabledScheduleWithTheMarkerDoesNothingAndRewritesNothing)
{
    saveSlot(1);
    const QStringList stored = {" 0 ", "1/12/2026", " 1 ", "14", "#1 :  1/Dec/2026", "#2 : Not Saved", "#3 : Not Saved",
                                "#4 : Not Saved"};
    writeSchedule(stored);
    tm.writeC(kMarker, "");

    backup::LoadAutoKeepSettings();

    EXPECT_EQ(scheduleLines(), stored);
    EXPECT_TRUE(tm.existsC(kMarker));
    EXPECT_FALSE(vb::Forms::isLoaded("FrmAutoKeep"));
    EXPECT_EQ(modes().ListIndex(), 0);
    EXPECT_EQ(interval().Text(), "14");
    EXPECT_EQ(rows().first(), "#1 :  1/Dec/2026");
    EXPECT_FALSE(tm.existsC("Program Files/Trelvo/AutoKeep/Config2.ini"));
}

TEST_F(AutoKeepScheduleTest, TheStoredIntervalAndRowsAreShownAsStoredWhenTheirSlotsHoldASave)
{
    saveSlot(1);
    saveSlot(3);
    const QStringList stored = {" 2 ", "9/7/2026", " 2 ", "10", "#1 :  8/Jun/2026", "#2 : Nicht Gesichert",
                                "#3 :  9/Jul/2026", "#4 : 10/Jul/2026"};
    writeSchedule(stored);

    backup::LoadAutoKeepSettings();

    EXPECT_EQ(modes().ListIndex(), 2);
    EXPECT_EQ(modes().Text(), "Weekly");
    EXPECT_EQ(interval().Text(), "10") << "loading shows the stored interval, not the mode's";
    EXPECT_EQ(state().AutoKeepLastDate, "9/7/2026");
    EXPECT_EQ(state().AutoKeepNextSlot, 2);
    // Slot 2 holds the other edition's word; slot 4 claims a date but has no description.
    EXPECT_EQ(rows(), QStringList({"#1 :  8/Jun/2026", "#2 : Not Saved", "#3 :  9/Jul/2026", "#4 : Not Saved"}));
    EXPECT_EQ(scheduleLines(), stored) << "loading rewrote the file";
}

TEST_F(AutoKeepScheduleTest, TheNextSlotRestartsAtOneAfterSlotFourAndOnValuesNoSlotHas)
{
    for (const char* stored : {" 4 ", " 5 ", " -1 ", "three"}) {
        SCOPED_TRACE(stored);
        vb::Forms::unloadAll();
        state().AutoKeepNextSlot = 0;
        writeSchedule({" 1 ", "8/12/2026", stored, "1", "#1 : Not Saved", "#2 : Not Saved", "#3 : Not Saved", "#4 : Not Saved"});
        backup::LoadAutoKeepSettings();
        EXPECT_EQ(state().AutoKeepNextSlot, 0);
    }
    vb::Forms::unloadAll();
    writeSchedule({" 1 ", "8/12/2026", " 3 ", "1", "#1 : Not Saved", "#2 : Not Saved", "#3 : Not Saved", "#4 : Not Saved"});
    backup::LoadAutoKeepSettings();
    EXPECT_EQ(state().AutoKeepNextSlot, 3);
}

TEST_F(AutoKeepScheduleTest, AShortOrDamagedFileOffersNoSlotWithoutASaveBehindIt)
{
    saveSlot(1);
    saveSlot(2);
    // Cut short after the second row; the first row belongs to another slot.
    writeSchedule({" 3 ", "8/12/2026", "x", "30", "#2 :  8/Dec/2026", "#2 :  8/Dec/2026"});

    backup::LoadAutoKeepSettings();

    EXPECT_EQ(rows(), QStringList({"#1 : Not Saved", "#2 :  8/Dec/2026", "#3 : Not Saved", "#4 : Not Saved"}));
    EXPECT_EQ(state().AutoKeepNextSlot, 0);
    EXPECT_EQ(modes().ListIndex(), 3);
    EXPECT_EQ(interval().Text(), "30");
}

TEST_F(AutoKeepScheduleTest, WhileTheScheduleIsReadTheModeChangeNeitherAsksNorWrites)
{
    // The main window's wiring of its list, and the window already on the screen: reading a
    // stored "User defined" must still ask nothing.
    QObject::connect(&modes(), &vb::ComboBox::Click, [] { backup::Form1_Combo1_Click(); });
    core::Win("Form1").Show();
    const QStringList stored = {" 4 ", "1/12/2026", " 1 ", "14", "#1 : Not Saved", "#2 : Not Saved", "#3 : Not Saved",
                                "#4 : Not Saved"};
    writeSchedule(stored);

    backup::LoadAutoKeepSettings();

    EXPECT_TRUE(ui->shown().isEmpty());
    EXPECT_EQ(scheduleLines(), stored);
    EXPECT_EQ(modes().ListIndex(), 4);
    EXPECT_EQ(interval().Text(), "14");
}

// ---- the mode change ---------------------------------------------------------------------

TEST_F(AutoKeepScheduleTest, ChoosingAModeSetsItsIntervalAndRewritesTheFileAtOnce)
{
    saveSlot(2);
    writeSchedule({" 0 ", "1/12/2026", " 2 ", "0", "#1 : Not Saved", "#2 :  1/Dec/2026", "#3 : Not Saved", "#4 : Not Saved"});
    backup::LoadAutoKeepSettings();

    const struct {
        int mode;
        const char* days;
    } cases[] = {{2, "7"}, {1, "1"}, {3, "30"}, {0, "0"}};
    for (const auto& c : cases) {
        choose(c.mode);
        EXPECT_EQ(interval().Text(), c.days);
        EXPECT_EQ(scheduleLines(), QStringList({vb::PrintNumber(c.mode), "1/12/2026", " 2 ", c.days, "#1 : Not Saved",
                                                "#2 :  1/Dec/2026", "#3 : Not Saved", "#4 : Not Saved"}));
    }
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(AutoKeepScheduleTest, UserDefinedAsksOnlyOnTheVisibleWindowAndTakesTheAnswerAsTyped)
{
    backup::LoadAutoKeepSettings();

    choose(4);   // the main window is still hidden
    EXPECT_TRUE(ui->shown().isEmpty());
    EXPECT_EQ(interval().Text(), "0");
    EXPECT_EQ(scheduleLines().at(0), " 4 ");

    core::Win("Form1").Show();
    ui->expectInput("Enter the frequency in days", "every fortnight");
    choose(4);
    EXPECT_EQ(interval().Text(), "every fortnight");
    EXPECT_EQ(scheduleLines().at(3), "every fortnight");

    ui->expect("Enter the frequency in days", "Cancel");
    choose(4);
    EXPECT_EQ(interval().Text(), "every fortnight");
    EXPECT_EQ(scheduleLines().at(3), "every fortnight");
}

TEST_F(AutoKeepScheduleTest, AModeChangeThatCannotWriteTheFileEndsSilently)
{
    backup::LoadAutoKeepSettings();
    QFile::remove(tm.hostC(kSchedule));
    QDir().mkpath(tm.hostC(kSchedule));   // a folder in the file's place

    choose(2);

    EXPECT_EQ(interval().Text(), "7");
    EXPECT_TRUE(ui->shown().isEmpty());
}
