// The Options and Tools pages: All and None, the user-file window, the days box of the
// automatic save, the compression level and its default, the rescue disk wizard.
#include "UiTesting.h"
#include "core/IniValues.h"
#include "core/Windows.h"
#include "ui/UserFiles.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"

#include <QTimer>


using core::state;
using uitest::click;
using uitest::clickTab;

namespace {

class OptionsToolsTest : public uitest::ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeSettings({QStringLiteral("Win.ini"), QStringLiteral("StartMenue")});
    }

    QStringList schedule() const { return programFile("AutoKp.ini").split(QStringLiteral("\r\n")); }
    ui::Form1Form* main = nullptr;
};

std::vector<vb::CheckBox*> systemFileBoxes(ui::Form1Form& m)
{
    return {&m.Check2,  &m.Check3,  &m.Check4,  &m.Check5,  &m.Check6,  &m.Check7,  &m.Check8, &m.Check9,
            &m.Check10, &m.Check12, &m.Check13, &m.Check14, &m.Check15, &m.Check16, &m.Check17};
}

} // namespace

TEST_F(OptionsToolsTest, AllAndNoneChangeOnlyTheSystemFilesThatAreThere)
{
    vb::SetAttr(QStringLiteral("C:\\DBLSPACE.BIN"), vb::vbNormal);
    vb::Kill(QStringLiteral("C:\\DBLSPACE.BIN"));
    main = &start();
    clickTab(main->SSTab2, 2);

    click(main->Command20);
    for (vb::CheckBox* box : systemFileBoxes(*main))
        EXPECT_EQ(box->Value(), box == &main->Check12 ? 0 : 1) << box->Name().toStdString();
    EXPECT_FALSE(main->Check12.Enabled());
    EXPECT_EQ(main->Check1.Value(), 1);   // the Start menu is no system file
    EXPECT_TRUE(main->Command14.Enabled());
    EXPECT_FALSE(state().SettingsSaved);

    click(main->Command14);
    EXPECT_EQ(core::ReadIni("SystemFiles", "Config.dos", "C:\\Program Files\\Trelvo\\trelvo.ini"), "1");
    click(main->Command21);
    for (vb::CheckBox* box : systemFileBoxes(*main))
        EXPECT_EQ(box->Value(), 0);
    EXPECT_EQ(main->Check1.Value(), 1);

    // None once more changes no box, and still counts as a change: the page change asks.
    click(main->Command14);
    click(main->Command21);
    EXPECT_FALSE(main->Command14.Enabled());
    ui->expect(QStringLiteral("Sa&ve settings"), QStringLiteral("No"));
    clickTab(main->SSTab2, 0);
    EXPECT_EQ(main->SSTab2.Tab(), 2);
}

TEST_F(OptionsToolsTest, SelectShowsTheUserFileWindowAndTheWizardButtonMinimisesTheMainWindow)
{
    main = &start();
    clickTab(main->SSTab2, 2);
    click(main->Command11);
    EXPECT_TRUE(ui::UserFiles().Visible());
    EXPECT_TRUE(main->Visible());   // not modal: the main window goes on working
    ui::UserFiles().Command2_Click();

    clickTab(main->SSTab2, 3);
    click(main->Command18);
    EXPECT_EQ(main->WindowState(), vb::vbMinimized);
    EXPECT_TRUE(core::Win(QStringLiteral("Wizzard")).Visible());
}

TEST_F(OptionsToolsTest, TheDaysBoxAsksForTheDaysAndCancelKeepsThem)
{
    main = &start();
    clickTab(main->SSTab2, 3);
    main->Combo1.setListIndex(2);   // Weekly
    ASSERT_EQ(main->Text3.Text(), "7");

    ui->expectInput(QStringLiteral("Enter the frequency in days"), QStringLiteral("14"));
    click(main->Text3);
    EXPECT_EQ(main->Combo1.ListIndex(), 4);
    EXPECT_EQ(main->Text3.Text(), "14");
    EXPECT_EQ(schedule().value(0), " 4 ");
    EXPECT_EQ(schedule().value(3), "14");

    ui->expect(QStringLiteral("Enter the frequency in days"), QStringLiteral("Cancel"));
    click(main->Text3);
    EXPECT_EQ(main->Text3.Text(), "14");
    EXPECT_EQ(schedule().value(0), " 4 ");
    EXPECT_EQ(schedule().value(3), "14");
    EXPECT_EQ(ui->shown().size(), 2);   // one question per click, no detour over "Daily"
}

TEST_F(OptionsToolsTest, CancellingTheDaysOfUserDefinedLeavesTheModeAndTheScheduleAsTheyWere)
{
    main = &start();
    clickTab(main->SSTab2, 3);
    main->Combo1.setListIndex(2);   // Weekly, written at once
    const QStringList weekly = schedule();
    ASSERT_EQ(weekly.value(0), " 2 ");

    for (const QString& answer : {QStringLiteral("Cancel"), QStringLiteral("\"\"")}) {   // Cancel, or OK on nothing
        SCOPED_TRACE(answer.toStdString());
        if (answer == u"Cancel")
            ui->expect(QStringLiteral("Enter the frequency in days"), answer);
        else
            ui->expectInput(QStringLiteral("Enter the frequency in days"), QString());
        QTest::keyClick(main->Combo1.widget(), Qt::Key_End);   // "User defined", the list's last row
        EXPECT_EQ(main->Combo1.ListIndex(), 2);
        EXPECT_EQ(main->Text3.Text(), "7");
        EXPECT_EQ(schedule(), weekly);
    }

    // The next choice is one as any other.
    main->Combo1.setListIndex(1);
    EXPECT_EQ(schedule().value(0), " 1 ");
    EXPECT_EQ(schedule().value(3), "1");
}

TEST_F(OptionsToolsTest, CancellingTheDaysRightAfterTheStartShowsDisabledAgain)
{
    // The first start's schedule: "Disabled", the list's first row, on which the list already
    // stands once it is filled.
    main = &start();
    clickTab(main->SSTab2, 3);
    const QByteArray before = tm.readC(QStringLiteral("Program Files/Trelvo/AutoKp.ini"));
    ASSERT_TRUE(before.startsWith(" 0 "));
    ASSERT_EQ(main->Combo1.ListIndex(), 0);
    ui->expect(QStringLiteral("Enter the frequency in days"), QStringLiteral("Cancel"));
    QTest::keyClick(main->Combo1.widget(), Qt::Key_End);
    EXPECT_EQ(main->Combo1.ListIndex(), 0);
    EXPECT_EQ(main->Combo1.Text(), QStringLiteral("Disabled"));
    EXPECT_EQ(main->Text3.Text(), "0");
    EXPECT_EQ(tm.readC(QStringLiteral("Program Files/Trelvo/AutoKp.ini")), before);
}

TEST_F(OptionsToolsTest, TheCompressionLevelIsNoChangeOfTheSelectionAndDefaultBringsOneBack)
{
    main = &start();
    clickTab(main->SSTab2, 3);
    QTest::keyClick(main->Slider1.widget(), Qt::Key_End);
    EXPECT_EQ(state().Compression, "9");
    EXPECT_TRUE(state().SettingsSaved);
    EXPECT_FALSE(main->Command14.Enabled());

    click(main->Command26);
    EXPECT_EQ(main->Slider1.Value(), 1);
    EXPECT_EQ(state().Compression, "1");
    clickTab(main->SSTab2, 0);   // no question
    EXPECT_TRUE(ui->shown().isEmpty());
}

// The wizard stays open beside the main window. A save started from there meanwhile reads
// the folders, the floppy state and the staging the wizard's disks would write too: while it
// runs, the wizard's Next must not start a boot disk inside it.
TEST_F(OptionsToolsTest, TheWizardsNextStartsNothingWhileASaveRuns)
{
    main = &start();
    clickTab(main->SSTab2, 3);
    click(main->Command18);
    vb::Form& wizard = core::Win(QStringLiteral("Wizzard"));
    ASSERT_TRUE(wizard.Visible());
    vb::CommandButton& next = core::ButtonOf(QStringLiteral("Wizzard"), QStringLiteral("Command2"));
    click(next);   // page two of a new set: the next Next writes the boot disk
    ASSERT_TRUE(core::ButtonOf(QStringLiteral("Wizzard"), QStringLiteral("Command1")).Enabled());

    main->setWindowState(vb::vbNormal);
    clickTab(main->SSTab2, 0);
    click(main->Option1);
    uitest::type(main->Text1, QStringLiteral("Monday"));

    bool clicked = false, nextTookInput = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!state().SaveRunning || clicked)
            return;
        clicked = true;
        nextTookInput = next.widget()->isEnabled();
        click(next);
        QTest::keyClick(wizard.window(), Qt::Key_Return);
    });
    user.start(0);
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    click(main->Command1);
    user.stop();

    ASSERT_TRUE(clicked);
    EXPECT_FALSE(nextTookInput);
    ASSERT_EQ(ui->shown().size(), 1) << "no box but the save's own";
    EXPECT_TRUE(programFileExists("Config1.ini"));
    // Once the save is over the wizard goes on where it was.
    EXPECT_TRUE(next.widget()->isEnabled());
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Wizzard"), QStringLiteral("Command1")).Enabled());
}
