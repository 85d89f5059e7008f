// The start of the program: the splash window, its one-shot timer, the main window's load
// and the presence check of the system files.
#include "UiTesting.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/Windows.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"

#include <QProgressBar>

using core::state;
using uitest::waitUntil;

namespace {

class StartupTest : public uitest::ProgramTest {
protected:
    QStringList errorLog() const { return programFile("Error.log").split(QStringLiteral("\r\n"), Qt::SkipEmptyParts); }
    QString systemFileSetting(const char* key) const
    {
        return core::ReadIni(QStringLiteral("SystemFiles"), QString::fromLatin1(key), core::ProgramFolder() + QStringLiteral("\\trelvo.ini"));
    }
};

} // namespace

TEST_F(StartupTest, TheSplashWindowComesFirstWithItsTextsAndTheDateOfToday)
{
    ui::Form2Form& splash = ui::Form2();
    EXPECT_EQ(state().TodayDate, QStringLiteral(" 5/3/1999"));
    EXPECT_EQ(state().UserFilesIni, QStringLiteral("C:\\Program Files\\Trelvo\\UserFiles.ini"));
    EXPECT_EQ(splash.Caption(), QStringLiteral("Starting Trelvo 2.0 ..."));
    EXPECT_EQ(splash.StatusBar1.Text(), QStringLiteral("Checking System Settings and Configuration..."));
    EXPECT_EQ(splash.ProgressBar1.Value(), 10);
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Form1")));

    vb::SetClockForTesting(QDateTime(QDate(2026, 12, 25), QTime(9, 0)));
    vb::Forms::unload(splash);
    ui::Form2();
    EXPECT_EQ(state().TodayDate, QStringLiteral(" 25/12/2026"));
}

TEST_F(StartupTest, TheStartTimerRunsTheStartUpOnceInItsOrderAndShowsTheMainWindow)
{
    ui::Form2Form& splash = ui::Form2();
    QList<int> progress;
    QObject::connect(static_cast<QProgressBar*>(splash.ProgressBar1.widget()), &QProgressBar::valueChanged,
                     [&](int value) { progress << value; });
    splash.Show();
    ASSERT_TRUE(waitUntil([] { return vb::Forms::isLoaded(QStringLiteral("Form1")) && ui::Form1().Visible(); }));

    // Captions set (30), settings read (40), start-up checks done (50), then five for each
    // of the first ten system files, which brings the bar to 100.
    const QList<int> expected = {30, 40, 50, 55, 60, 65, 70, 75, 80, 85, 90, 95, 100};
    EXPECT_EQ(progress, expected);
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Form2")));
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("UserFiles")));
    EXPECT_FALSE(core::Win(QStringLiteral("UserFiles")).Visible());
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("RestoreReq")));
    EXPECT_FALSE(core::Win(QStringLiteral("RestoreReq")).Visible());
    EXPECT_EQ(vb::CurDir(), QStringLiteral("C:\\Program Files\\Trelvo"));
    EXPECT_TRUE(state().SettingsSaved);
    EXPECT_TRUE(programFileExists("trelvo.ini"));
    EXPECT_TRUE(programFileExists("AutoKp.ini"));

    ui::Form1Form& main = ui::Form1();
    EXPECT_EQ(main.Caption(), QStringLiteral("Trelvo 2.0"));
    EXPECT_EQ(main.SSTab2.Tab(), 0);
    EXPECT_TRUE(main.frmSave.Visible());
    for (vb::Frame* page : {&main.frmRestore, &main.frmOptions, &main.frmTools, &main.frmNance, &main.frmInfo})
        EXPECT_FALSE(page->Visible()) << page->Name().toStdString();
    EXPECT_EQ(main.StatusBar1.Text(), QStringLiteral("Select a configuration number and enter a description"));
    EXPECT_EQ(main.HelpContextID(), 1010);
    EXPECT_EQ(vb::App().HelpFile, QStringLiteral("C:\\Program Files\\Trelvo\\trelvo.HLP>Sub"));
    EXPECT_FALSE(main.Command14.Enabled());

    // The timer went with the splash window: nothing runs a second time.
    QTest::qWait(800);
    EXPECT_EQ(main.Combo1.ListCount(), 5);
    EXPECT_EQ(progress.size(), expected.size());
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(StartupTest, AMissingSystemFileHasItsBoxesUntickedAndDisabledAndTheSettingsSayNotSelected)
{
    writeSettings({QStringLiteral("MsDos.sys"), QStringLiteral("Autoexec.bat")});
    vb::SetAttr(QStringLiteral("C:\\MSDOS.SYS"), vb::vbNormal);
    vb::Kill(QStringLiteral("C:\\MSDOS.SYS"));

    ui::Form1Form& main = start();
    EXPECT_EQ(main.Check10.Value(), 0);
    EXPECT_FALSE(main.Check10.Enabled());
    EXPECT_FALSE(core::CheckBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("Check4")).Enabled());
    EXPECT_EQ(systemFileSetting("MsDos.sys"), QStringLiteral("0"));
    EXPECT_TRUE(errorLog().contains(QStringLiteral("03-05-1999searching for  Msdos.sys search file")));

    // The files that are there keep their boxes as the settings left them.
    EXPECT_EQ(main.Check8.Value(), 1);
    EXPECT_TRUE(main.Check8.Enabled());
    EXPECT_TRUE(core::CheckBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("Check1")).Enabled());
    EXPECT_EQ(systemFileSetting("Autoexec.bat"), QStringLiteral("1"));

    // The box on the Options page is out of the user's reach.
    uitest::clickTab(main.SSTab2, 2);
    ASSERT_TRUE(main.frmOptions.Visible());
    EXPECT_FALSE(main.Check10.widget()->isEnabled());
    uitest::click(main.Check10);
    EXPECT_EQ(main.Check10.Value(), 0);
    EXPECT_TRUE(state().SettingsSaved);
}

TEST_F(StartupTest, OnlyTheRowsThatLookForHiddenFilesFindThem)
{
    vb::SetAttr(QStringLiteral("C:\\AUTOEXEC.BAT"), vb::vbHidden);
    vb::Kill(QStringLiteral("C:\\CONFIG.DOS"));
    vb::SetAttr(QStringLiteral("C:\\DBLSPACE.BIN"), vb::vbNormal);
    vb::Kill(QStringLiteral("C:\\DBLSPACE.BIN"));

    ui::Form1Form& main = start();
    // Autoexec.bat is looked for as a plain file; Msdos.sys, System.dat and Drvspace.bin,
    // hidden and system files, are found.
    EXPECT_FALSE(main.Check8.Enabled());
    EXPECT_FALSE(core::CheckBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("Check1")).Enabled());
    EXPECT_TRUE(main.Check10.Enabled());
    EXPECT_TRUE(main.Check7.Enabled());
    EXPECT_TRUE(main.Check17.Enabled());
    EXPECT_FALSE(main.Check14.Enabled());
    EXPECT_FALSE(main.Check12.Enabled());
    EXPECT_FALSE(core::CheckBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("Check24")).Enabled());

    QStringList searches = errorLog().filter(QStringLiteral("searching for"));
    const QStringList expected = {
        QStringLiteral("03-05-1999searching for  Autoexec.bat search file"),
        QStringLiteral("03-05-1999searching for  Config.dosserach file"),
        QStringLiteral("03-05-1999searching for  dblspace.bin search file"),
    };
    EXPECT_EQ(searches, expected);
}

TEST_F(StartupTest, ARunTimeErrorInTheStartUpChecksIsLoggedAndTheStartGoesOn)
{
    // A splash bar that cannot take the value the checks give it.
    ui::Form2().ProgressBar1.setMax(35);
    ui::Form1Form& main = start();
    EXPECT_TRUE(main.Visible());
    const QStringList log = errorLog();
    EXPECT_TRUE(log.contains(QStringLiteral("Invalid property value03-05-1999StartupChecks")));
}

TEST_F(StartupTest, BoxesSetByTheProgramDoNotCountAsTheUsersChange)
{
    writeSettings({QStringLiteral("Win.ini"), QStringLiteral("System.ini"), QStringLiteral("StartMenue")});
    ui::Form1Form& main = start();
    EXPECT_EQ(main.Check2.Value(), 1);
    EXPECT_EQ(main.Check1.Value(), 1);
    EXPECT_FALSE(main.Command14.Enabled());

    {
        const ui::ProgramSetsSelection quiet;
        main.Check3.setValue(0);
    }
    EXPECT_FALSE(main.Command14.Enabled());
    EXPECT_TRUE(state().SettingsSaved);

    main.Check3.setValue(1);
    EXPECT_TRUE(main.Command14.Enabled());
    EXPECT_FALSE(state().SettingsSaved);
}
