// The main window as a whole: its pages, the question about unsaved settings, Help, Exit,
// closing, the rights notice and the read-me viewer, and the wiring of the Options and
// Tools pages.
#include "UiTesting.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "ui/Readme.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"

using core::state;
using testsupport::ProcessEnded;
using uitest::click;
using uitest::clickTab;

namespace {

class MainWindowTest : public uitest::ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeSettings({QStringLiteral("Win.ini")});
        main = &start();
    }

    static QString settings(const char* section, const char* key)
    {
        return core::ReadIni(QString::fromLatin1(section), QString::fromLatin1(key),
                             QStringLiteral("C:\\Program Files\\Trelvo\\trelvo.ini"));
    }
    vb::Frame* visiblePage() const
    {
        vb::Frame* shown = nullptr;
        for (vb::Frame* page : {&main->frmSave, &main->frmRestore, &main->frmOptions, &main->frmTools, &main->frmNance, &main->frmInfo}) {
            if (page->Visible()) {
                EXPECT_EQ(shown, nullptr) << "two pages visible";
                shown = page;
            }
        }
        return shown;
    }

    ui::Form1Form* main = nullptr;
};

} // namespace

TEST_F(MainWindowTest, EachPageBringsItsFrameHelpTopicAndStatusText)
{
    struct Page {
        vb::Frame* frame;
        int help;
        const char* status;
    };
    const Page pages[] = {
        {&main->frmSave, 1010, "Select a configuration number and enter a description"},
        {&main->frmRestore, 1020, "Select a configuration to restore"},
        {&main->frmOptions, 1050, "Options"},
        {&main->frmTools, 1060, "Tools"},
        {&main->frmNance, 1070, "Maintenance"},
        {&main->frmInfo, 2020, "Info"},
    };
    const QStringList titles = {QStringLiteral("Save"),  QStringLiteral("Restore"),     QStringLiteral("Options"),
                                QStringLiteral("Tools"), QStringLiteral("Maintenance"), QStringLiteral("Info")};
    for (int tab : {1, 2, 3, 4, 5, 0}) {
        clickTab(main->SSTab2, tab);
        EXPECT_EQ(main->SSTab2.Tab(), tab);
        EXPECT_EQ(main->SSTab2.TabCaption(tab), titles[tab]);
        EXPECT_EQ(visiblePage(), pages[tab].frame) << tab;
        EXPECT_EQ(main->HelpContextID(), pages[tab].help);
        EXPECT_EQ(main->StatusBar1.Text(), QString::fromLatin1(pages[tab].status));
    }

    // With a description typed, the Save page greets with "Starting Save".
    uitest::type(main->Text1, QStringLiteral("Weekly"));
    clickTab(main->SSTab2, 5);
    clickTab(main->SSTab2, 0);
    EXPECT_EQ(main->StatusBar1.Text(), QStringLiteral("Starting Save"));

    // Without a configuration picked, the Restore page offers no Restore.
    ASSERT_EQ(main->List2.ListIndex(), -1);
    main->Command4.setEnabled(true);
    clickTab(main->SSTab2, 1);
    EXPECT_FALSE(main->Command4.Enabled());
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(MainWindowTest, AChangedSelectionBringsTheOptionsPageBackWithTheQuestion)
{
    clickTab(main->SSTab2, 2);
    click(main->Check8);
    EXPECT_EQ(main->Check8.Value(), 1);
    EXPECT_TRUE(main->Command14.Enabled());
    EXPECT_FALSE(state().SettingsSaved);

    // Yes: written, and the Options page stays in front.
    ui->expect(QStringLiteral("Sa&ve settings"), QStringLiteral("Yes"));
    clickTab(main->SSTab2, 1);
    EXPECT_EQ(main->SSTab2.Tab(), 2);
    EXPECT_EQ(visiblePage(), &main->frmOptions);
    EXPECT_EQ(main->StatusBar1.Text(), QStringLiteral("Options"));
    EXPECT_EQ(settings("SystemFiles", "Autoexec.bat"), QStringLiteral("1"));
    EXPECT_FALSE(main->Command14.Enabled());
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Confirmation"));

    // No: not written, asked only once.
    click(main->Check8);
    ui->expect(QStringLiteral("Sa&ve settings"), QStringLiteral("No"));
    clickTab(main->SSTab2, 1);
    EXPECT_EQ(main->SSTab2.Tab(), 2);
    EXPECT_EQ(visiblePage(), &main->frmOptions);
    EXPECT_EQ(settings("SystemFiles", "Autoexec.bat"), QStringLiteral("1"));
    clickTab(main->SSTab2, 1);
    EXPECT_EQ(main->SSTab2.Tab(), 1);
    EXPECT_EQ(visiblePage(), &main->frmRestore);
    EXPECT_EQ(ui->shown().size(), 2);

    // Save settings writes what the boxes now say.
    clickTab(main->SSTab2, 2);
    click(main->Check2);
    click(main->Command14);
    EXPECT_EQ(settings("SystemFiles", "Autoexec.bat"), QStringLiteral("0"));
    EXPECT_EQ(settings("SystemFiles", "Win.ini"), QStringLiteral("0"));
    EXPECT_TRUE(state().SettingsSaved);
    clickTab(main->SSTab2, 3);
    EXPECT_EQ(ui->shown().size(), 2);
}

TEST_F(MainWindowTest, ExitWritesTheSettingsAndEndsTheProgram)
{
    clickTab(main->SSTab2, 3);
    QTest::keyClick(main->Slider1.widget(), Qt::Key_End);
    EXPECT_EQ(state().Compression, QStringLiteral("9"));
    EXPECT_TRUE(state().SettingsSaved);   // the level is no change of the selection
    EXPECT_EQ(settings("Settings", "Compression"), QStringLiteral("1"));

    EXPECT_THROW(main->Command3_Click(), ProcessEnded);
    EXPECT_EQ(settings("Settings", "Compression"), QStringLiteral("9"));
}

TEST_F(MainWindowTest, WhileAnOperationRunsTheWindowNeitherExitsNorCloses)
{
    QTest::keyClick(main->Slider1.widget(), Qt::Key_End);
    for (vb::CommandButton* busy : {&main->Command2, &main->Command3}) {   // a save, then a restore
        busy->setEnabled(false);
        main->Command3_Click();
        main->window()->close();
        EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("Form1")));
        EXPECT_TRUE(main->Visible());
        EXPECT_EQ(settings("Settings", "Compression"), QStringLiteral("1"));
        busy->setEnabled(true);
    }

    // Idle again, the close box ends the program the orderly way.
    int cancel = 0;
    EXPECT_THROW(main->Form_Unload(cancel), ProcessEnded);
    EXPECT_EQ(settings("Settings", "Compression"), QStringLiteral("9"));
}

TEST_F(MainWindowTest, HelpOpensTheTopicOfThePageInFront)
{
    clickTab(main->SSTab2, 3);
    click(main->Command2);
    clickTab(main->SSTab2, 5);
    click(main->Command2);
    const QStringList expected = {QStringLiteral("help: C:\\Program Files\\Trelvo\\trelvo.HLP>Sub, topic 1060"),
                                  QStringLiteral("help: C:\\Program Files\\Trelvo\\trelvo.HLP>Sub, topic 2020")};
    EXPECT_EQ(ui->notices(), expected);
}

TEST_F(MainWindowTest, TheRightsNoticeBoxShowsBothMessages)
{
    clickTab(main->SSTab2, 5);
    EXPECT_EQ(main->Label18.Caption(), core::LoadResString(1099));
    ui->expect(QStringLiteral("Info-ZIP"), QStringLiteral("OK"));
    click(main->Command23);
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown()[0].prompt, core::LoadResString(1099) + QStringLiteral("\r\r") + core::LoadResString(1158));
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Trelvo"));
    EXPECT_FALSE(core::LoadResString(1158).contains(u'<'));
}

TEST_F(MainWindowTest, TheReadmeViewerShowsTheFileLineByLineAndGoesWithClose)
{
    writeProgramFile("Readme.txt", "Trelvo 2.0\n\nSave:     choose a slot.\n");
    QStringList rows;
    ui->onForm(QStringLiteral("Readme"), [&](vb::Form& form) {
        auto& readme = static_cast<ui::ReadmeForm&>(form);
        for (int i = 0; i < readme.List1.ListCount(); ++i)
            rows << readme.List1.List(i);
        click(readme.Command1);
    });
    clickTab(main->SSTab2, 5);
    click(main->Command9);
    const QStringList expected = {QStringLiteral("Trelvo 2.0"), QString(), QStringLiteral("Save:     choose a slot.")};
    EXPECT_EQ(rows, expected);
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Readme")));
}

TEST_F(MainWindowTest, WithoutReadmeTheViewerSaysSoAndOpensEmpty)
{
    vb::Kill(QStringLiteral("C:\\Program Files\\Trelvo\\Readme.txt"));
    int rows = -1;
    ui->expect(QStringLiteral("Readme.txt File not found!"), QStringLiteral("OK"));
    ui->onForm(QStringLiteral("Readme"), [&](vb::Form& form) {
        rows = static_cast<ui::ReadmeForm&>(form).List1.ListCount();
        form.Unload();
    });
    click(main->Command9);
    EXPECT_EQ(rows, 0);
}

TEST_F(MainWindowTest, TheToolsPageSetsTheScheduleAndStartsTheUpdateProgram)
{
    clickTab(main->SSTab2, 3);
    main->Combo1.setListIndex(2);   // "Weekly"
    EXPECT_EQ(main->Text3.Text(), QStringLiteral("7"));
    const QStringList schedule = programFile("AutoKp.ini").split(QStringLiteral("\r\n"));
    EXPECT_EQ(schedule.value(0), QStringLiteral(" 2 "));
    EXPECT_EQ(schedule.value(3), QStringLiteral("7"));

    vb::Kill(QStringLiteral("C:\\Program Files\\Trelvo\\skyfetch.exe"));
    ui->expect(QStringLiteral("File not found! skyfetch.exe"), QStringLiteral("OK"));
    click(main->Command28);
    EXPECT_EQ(ui->shown().size(), 1);
}
