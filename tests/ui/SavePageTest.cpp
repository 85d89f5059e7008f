// The Save page as the user works it: slot choice, description, Save with its questions,
// the save itself with the status bar and the progress bars moving, and the save folder.
#include "UiTesting.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "platform/FileSystem.h"
#include "vb/FileIO.h"

#include <QProgressBar>
#include <QSet>
#include <QTimer>

using core::state;
using uitest::click;
using uitest::type;

namespace {

const QString kSaved = QStringLiteral("Configuration saved successfull!");
const QString kOverwrite = QStringLiteral("Configuration already used, overwrite?");
const QString kProgramFolder = QStringLiteral("C:\\Program Files\\Trelvo\\");

// What the main window showed while a save ran: every status text, every value of the
// first progress bar, and whether the pages took new work.
struct SaveWatch {
    QStringList statuses;
    QList<int> progress;
    bool pagesRefused = true;
    bool boxesStayedSelectable = true;

    explicit SaveWatch(ui::Form1Form& main)
    {
        QObject::connect(static_cast<QProgressBar*>(main.ProgressBar1.widget()), &QProgressBar::valueChanged, &timer,
                         [this](int value) { progress << value; });
        QObject::connect(&timer, &QTimer::timeout, [this, &main] {
            if (statuses.isEmpty() || statuses.last() != main.StatusBar1.Text())
                statuses << main.StatusBar1.Text();
            if (!main.Command2.Enabled()) {   // the save is running
                for (vb::Frame* page : {&main.frmSave, &main.frmRestore, &main.frmOptions, &main.frmTools, &main.frmNance})
                    pagesRefused = pagesRefused && !page->widget()->isEnabled();
                boxesStayedSelectable = boxesStayedSelectable && main.Check8.Enabled() && main.Check8.Value() == 1;
            }
        });
        timer.start(0);
    }
    QTimer timer;
};

class SavePageTest : public uitest::ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeSettings({QStringLiteral("Autoexec.bat"), QStringLiteral("Config.sys"), QStringLiteral("Win.ini"),
                       QStringLiteral("System.ini")});
        main = &start();
    }

    // Slot `slot` chosen, `description` typed over what the box holds, Save pressed.
    void saveAs(vb::OptionButton& slot, const QString& description)
    {
        click(slot);
        type(main->Text1, description, true);
        click(main->Command1);
    }

    static QString archive(const char* name) { return kProgramFolder + QString::fromLatin1(name); }
    static QString settings(const char* section, const char* key)
    {
        return core::ReadIni(QString::fromLatin1(section), QString::fromLatin1(key), kProgramFolder + QStringLiteral("trelvo.ini"));
    }

    ui::Form1Form* main = nullptr;
};

} // namespace

TEST_F(SavePageTest, ChoosingSlotTwoTypingADescriptionAndSavingWritesTheConfiguration)
{
    // A free slot: the box stays empty and Save waits for a description.
    click(main->Option2);
    EXPECT_EQ(state().SelectedConfig, 1);
    EXPECT_EQ(main->Text1.Text(), QString());
    EXPECT_EQ(main->StatusBar1.Text(), QStringLiteral("Select a configuration number and enter a description"));
    EXPECT_FALSE(main->Command1.Enabled());

    type(main->Text1, QStringLiteral("Weekly"));
    EXPECT_TRUE(main->Command1.Enabled());
    EXPECT_TRUE(main->Command1.Default());

    ui->expect(kSaved, QStringLiteral("OK"));
    SaveWatch watch(*main);
    click(main->Command1);
    watch.timer.stop();
    EXPECT_EQ(main->StatusBar1.Text(), QStringLiteral("Saving finished"));

    for (const char* name : {"Conf2.tva", "Config2.ini"})
        EXPECT_TRUE(platform::fs::exists(archive(name))) << name;
    EXPECT_EQ(core::ReadIni(QStringLiteral("Configuration"), QStringLiteral("ConfigName"), archive("Config2.ini")), QStringLiteral("Weekly"));
    EXPECT_EQ(settings("Settings", "Config2"), QStringLiteral("Weekly"));

    // The slot rows: description padded to 20, the day with its blank, the month's name,
    // the year, five blanks and the time.
    const QString row = QStringLiteral("Weekly") + QString(14, u' ') + QStringLiteral(" 5/Mar/1999") + QString(5, u' ') +
                        QStringLiteral("14:30");
    EXPECT_EQ(main->List2.List(1), row);
    EXPECT_EQ(main->List3.List(1), row);
    EXPECT_EQ(main->List2.List(0), QStringLiteral("available"));
    EXPECT_EQ(main->Label2.Caption().split(u'\r').value(1), QStringLiteral("Weekly"));

    // The window followed the save, and nothing on the pages took new work meanwhile.
    EXPECT_TRUE(watch.statuses.contains(QStringLiteral("Saving your Configuration.  Please wait...")));
    EXPECT_GE(QSet<int>(watch.progress.begin(), watch.progress.end()).size(), 3);
    EXPECT_EQ(main->ProgressBar1.Value(), 0);
    EXPECT_TRUE(watch.pagesRefused);
    EXPECT_TRUE(watch.boxesStayedSelectable);
    EXPECT_TRUE(main->frmSave.widget()->isEnabled());
    EXPECT_TRUE(main->Command2.Enabled());

    // The box keeps the description; Save waits for the next choice or edit.
    EXPECT_EQ(main->Text1.Text(), QStringLiteral("Weekly"));
    EXPECT_FALSE(main->Command1.Enabled());
    EXPECT_TRUE(state().SaveDone);
}

TEST_F(SavePageTest, OverwritingAUsedSlotAsksFirst)
{
    ui->expect(kSaved, QStringLiteral("OK"));
    saveAs(main->Option2, QStringLiteral("Weekly"));
    const QByteArray before = tm.readC(QStringLiteral("Program Files/Trelvo/Conf2.tva"));
    ASSERT_FALSE(before.isEmpty());

    // Choosing the used slot shows its description.
    click(main->Option1);
    click(main->Option2);
    EXPECT_EQ(main->Text1.Text(), QStringLiteral("Weekly"));
    EXPECT_EQ(main->StatusBar1.Text(), QStringLiteral("Save as Configuration # 2"));

    ui->expect(kOverwrite, QStringLiteral("No"));
    click(main->Command1);
    EXPECT_EQ(tm.readC(QStringLiteral("Program Files/Trelvo/Conf2.tva")), before);
    EXPECT_TRUE(platform::fs::exists(archive("Config2.ini")));
    EXPECT_EQ(state().ConfigDescription[1], QStringLiteral("Weekly"));
    EXPECT_TRUE(main->Command1.Enabled());

    ui->expect(kOverwrite, QStringLiteral("Yes")).expect(kSaved, QStringLiteral("OK"));
    type(main->Text1, QStringLiteral("Monthly-2"), true);
    click(main->Command1);
    EXPECT_TRUE(main->List2.List(1).startsWith(QStringLiteral("Monthly-2           ")));
    EXPECT_EQ(settings("Settings", "Config2"), QStringLiteral("Monthly-2"));
    ASSERT_EQ(ui->shown().size(), 4);
    EXPECT_EQ(ui->shown()[1].title, QStringLiteral("Confirmation"));
}

TEST_F(SavePageTest, ADescriptionWithABlankOrTheFreeSlotWordIsRefused)
{
    ui->expect(QStringLiteral("Only 'A-Z' and '0-9' (without spaces) are allowed!"), QStringLiteral("OK"));
    saveAs(main->Option1, QStringLiteral("my config"));
    ui->expect(QStringLiteral("Please enter a Description"), QStringLiteral("OK"));
    saveAs(main->Option1, QStringLiteral("available"));

    ASSERT_EQ(ui->shown().size(), 2);
    for (const auto& box : ui->shown())
        EXPECT_EQ(box.title, QStringLiteral("Message"));
    EXPECT_FALSE(platform::fs::exists(archive("Config1.ini")));
    EXPECT_FALSE(platform::fs::exists(archive("Conf1.tva")));
    EXPECT_EQ(state().ConfigDescription[0], QStringLiteral("available"));
    EXPECT_EQ(main->window()->focusWidget(), main->Text1.widget());
}

TEST_F(SavePageTest, ASaveCalledOffBeforeItTouchedTheSlotLeavesItsDescription)
{
    ui->expect(kSaved, QStringLiteral("OK"));
    saveAs(main->Option2, QStringLiteral("Weekly"));

    // The root of a drive becomes its Trelvo folder, which does not exist: the write test
    // fails without a word.
    ui->expectFolder(QStringLiteral("Select Destination Folder"), QStringLiteral("C:\\"));
    ui->expect(QStringLiteral("You can't save directly to the root of a drive! Trelvo set the path to: C:\\Trelvo\\"), QStringLiteral("OK"));
    click(main->Command19);
    EXPECT_EQ(state().SaveFolder, QStringLiteral("C:\\Trelvo\\"));
    EXPECT_EQ(main->Text2.Text(), QStringLiteral("C:\\Trelvo\\"));

    ui->expect(kOverwrite, QStringLiteral("Yes"))
        .expect(QStringLiteral("The specified folder does not exist: C:\\Trelvo\\ Should Trelvo create"), QStringLiteral("Cancel"))
        .expect(QStringLiteral("Configuration will be saved at:"), QStringLiteral("Cancel"));
    saveAs(main->Option2, QStringLiteral("Daily"));

    EXPECT_FALSE(state().SaveDone);
    EXPECT_EQ(state().ConfigDescription[1], QStringLiteral("Weekly"));
    EXPECT_TRUE(main->List2.List(1).startsWith(QStringLiteral("Weekly ")));
    EXPECT_TRUE(platform::fs::exists(archive("Config2.ini")));
    EXPECT_TRUE(platform::fs::exists(archive("Conf2.tva")));
    EXPECT_EQ(settings("Settings", "Config2"), QStringLiteral("Weekly"));
    EXPECT_TRUE(main->frmSave.widget()->isEnabled());
}

TEST_F(SavePageTest, ASaveStoppedAfterTheOldFilesWentLeavesTheSlotFree)
{
    ui->expect(kSaved, QStringLiteral("OK"));
    saveAs(main->Option3, QStringLiteral("Before"));

    // A user-defined file that is gone, and the user stops the save at its question.
    writeProgramFile("trelvo.usr", " 1\nC:\\My Documents\\Gone.txt\n");
    ui->expect(kOverwrite, QStringLiteral("Yes"))
        .expect(QStringLiteral("The following file was not found and can't be saved:"), QStringLiteral("Cancel"));
    saveAs(main->Option3, QStringLiteral("After"));

    EXPECT_FALSE(state().SaveDone);
    EXPECT_TRUE(state().OldConfigDeleted);
    EXPECT_EQ(state().ConfigDescription[2], QStringLiteral("available"));
    EXPECT_EQ(main->List2.List(2), QStringLiteral("available"));
    EXPECT_EQ(settings("Settings", "Config3"), QStringLiteral("available"));
    EXPECT_FALSE(platform::fs::exists(archive("Config3.ini")));
}

TEST_F(SavePageTest, BrowseTakesAWritableFolderAndDefaultGoesBackToTheProgramFolder)
{
    // A change of the level is written with the next settings write.
    QTest::keyClick(main->Slider1.widget(), Qt::Key_End);
    ASSERT_EQ(state().Compression, QStringLiteral("9"));

    ui->expectFolder(QStringLiteral("Select Destination Folder"), QStringLiteral("C:\\My Documents"));
    click(main->Command19);
    EXPECT_EQ(state().SaveFolder, QStringLiteral("C:\\My Documents\\"));
    EXPECT_EQ(main->Text2.Text(), QStringLiteral("C:\\My Documents\\"));
    EXPECT_FALSE(platform::fs::exists(QStringLiteral("C:\\My Documents\\Test.ttt")));
    EXPECT_EQ(settings("SystemPathes", "SaveFolder"), QStringLiteral("C:\\My Documents\\"));
    EXPECT_EQ(settings("Settings", "Compression"), QStringLiteral("9"));

    // Cancelling the dialog keeps the folder and still writes the settings.
    QTest::keyClick(main->Slider1.widget(), Qt::Key_Home);
    ui->expectFolder(QStringLiteral("Select Destination Folder"), QString());
    click(main->Command19);
    EXPECT_EQ(state().SaveFolder, QStringLiteral("C:\\My Documents\\"));
    EXPECT_EQ(settings("Settings", "Compression"), QStringLiteral("0"));

    click(main->Command22);
    EXPECT_EQ(state().SaveFolder, kProgramFolder);
    EXPECT_EQ(main->Text2.Text(), kProgramFolder);
    EXPECT_EQ(settings("SystemPathes", "SaveFolder"), kProgramFolder);
}

TEST_F(SavePageTest, BrowsingToAWriteProtectedFloppyFallsBackToTheProgramFolder)
{
    vb::MkDir(QStringLiteral("A:\\DATA"));
    tm.machine().protectDisk(QStringLiteral("blank"), true);
    QTest::keyClick(main->Slider1.widget(), Qt::Key_End);

    ui->expectFolder(QStringLiteral("Select Destination Folder"), QStringLiteral("A:\\DATA"));
    ui->expect(QStringLiteral("You can't save to a write protected disk!"), QStringLiteral("OK"));
    click(main->Command19);
    EXPECT_EQ(state().SaveFolder, kProgramFolder);
    EXPECT_EQ(main->Text2.Text(), kProgramFolder);
    // The settings file was not written.
    EXPECT_EQ(settings("Settings", "Compression"), QStringLiteral("1"));
}

TEST_F(SavePageTest, ASaveWithNothingSelectedIsRefusedBeforeAnythingChanges)
{
    ui->expect(kSaved, QStringLiteral("OK"));
    saveAs(main->Option2, QStringLiteral("Weekly"));
    const QByteArray description = programFile("Config2.ini").toLatin1();
    const QByteArray settingsFile = programFile("trelvo.ini").toLatin1();

    // Every box of the Options page cleared, nothing in the user-file window, no user file.
    for (vb::CheckBox* box : {&main->Check1, &main->Check2, &main->Check3, &main->Check8, &main->Check9})
        if (box->Value() != 0)
            click(*box);
    writeProgramFile("trelvo.usr", " 0\n\n");
    ui->expect(QStringLiteral("There is nothing to save: no file is selected! Please select the files to save"), QStringLiteral("OK"));
    saveAs(main->Option2, QStringLiteral("Empty"));

    // Not even the question about the used slot: the slot, its files and the settings are as they were.
    ASSERT_EQ(ui->shown().size(), 2);
    EXPECT_EQ(ui->shown().last().title, QStringLiteral("Message"));
    EXPECT_FALSE(state().SaveDone);
    EXPECT_EQ(state().ConfigDescription[1], QStringLiteral("Weekly"));
    EXPECT_TRUE(main->List2.List(1).startsWith(QStringLiteral("Weekly ")));
    EXPECT_EQ(programFile("Config2.ini").toLatin1(), description);
    EXPECT_TRUE(platform::fs::exists(archive("Conf2.tva")));
    EXPECT_EQ(programFile("trelvo.ini").toLatin1(), settingsFile);
    EXPECT_TRUE(main->Command2.Enabled());

    // One user file listed is something to save.
    writeProgramFile("trelvo.usr", " 1\nC:\\AUTOEXEC.BAT\n");
    ui->expect(kOverwrite, QStringLiteral("Yes")).expect(kSaved, QStringLiteral("OK"));
    saveAs(main->Option2, QStringLiteral("Autoexec"));
    EXPECT_TRUE(state().SaveDone);
    EXPECT_TRUE(platform::fs::exists(archive("Conf2us.tva")));
    EXPECT_FALSE(platform::fs::exists(archive("Conf2.tva")));
}
