// The Restore and Maintenance pages as the user works them: a configuration saved on the Save
// page and changed behind the program's back comes back through the Restore page, the
// restore-choice window and the restart; user files alone come back without a restart; an
// automatic save's slot is restored from the AutoKeep folder; No and Cancel change nothing;
// Delete removes a slot's files and frees the slot; a save folder that merely has "AutoKeep" in its
// name is an ordinary folder for both; nothing starts while an operation runs.
#include "support/DriveState.h"
#include "UiTesting.h"
#include "catalogue/ConfigItems.h"
#include "core/IniValues.h"
#include "core/Windows.h"
#include "platform/Boot.h"
#include "platform/FileSystem.h"
#include "restore/Restore.h"
#include "restore/RestoreReq.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"

#include <QDirIterator>
#include <QListWidget>
#include <QMap>
#include <QProcess>

namespace fs = platform::fs;
using core::state;
using testsupport::ProcessEnded;
using uitest::click;
using uitest::clickTab;

namespace {

const QString kProgramFolder = QStringLiteral("C:\\Program Files\\Trelvo\\");
const QString kAutoKeep = QStringLiteral("C:\\Program Files\\Trelvo\\AutoKeep\\");
const QString kBackup = QStringLiteral("C:\\Backup\\");
const QString kLetter = QStringLiteral("C:\\My Documents\\Letter to Anna.txt");
const QString kBudget = QStringLiteral("C:\\My Documents\\Budget 1999.csv");
const QString kFavorite = QStringLiteral("C:\\WINDOWS\\Favorites\\Weather.url");
const QString kCalculator = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\Accessories\\Calculator.lnk");
const QString kBookmarks = QStringLiteral("C:\\Program Files\\Netscape\\Users\\owner\\Bookmark.htm");

const QString kSaved = QStringLiteral("Configuration saved successfull!");
const QString kSure = QStringLiteral("Are you sure you wish to restore the following Configuration? ");
const QString kRestart = QStringLiteral("Your system will be restarted after the Restore Process.");
const QString kRestored = QStringLiteral("Files successfully restored");

const QStringList kAllSystemItems = {"Autoexec.bat", "Config.sys", "Control.ini", "MsDos.sys",    "Protocol.ini", "System.dat",
                                     "System.ini",   "User.dat",   "Win.ini",     "Autoexec.dos", "Config.dos",   "DblSpace.ini",
                                     "DrvSpace.ini", "DrvSpace.bin", "StartMenue", "DblSpace.bin"};
const QStringList kAllUserData = {"NSCBookmark", "MSEFavorites", "MSEAdressbook", "MSECookies", "MSEMail", "NSCCookies", "NSCMail"};

using testsupport::FileState;

class RestorePagesTest : public uitest::ProgramTest {
protected:
    // The program started with the items named selected and the user files listed.
    void startWith(const QStringList& system, const QStringList& userData, const QStringList& userFiles)
    {
        writeSettings(system, userData);
        QByteArray list = " " + QByteArray::number(userFiles.size()) + "\n";
        for (const QString& file : userFiles)
            list += file.toLatin1() + "\n";
        writeProgramFile("trelvo.usr", list);
        main = &start();
        probedSystemPath = state().SystemPath;
        probedStartMenu = state().PathStartmenue;
    }

    // The Save page: the slot chosen, the description typed, Save pressed.
    void saveSlot(vb::OptionButton& slot, const QString& description)
    {
        clickTab(main->SSTab2, 0);
        click(slot);
        uitest::type(main->Text1, description, true);
        ui->expect(kSaved, QStringLiteral("OK"));
        click(main->Command1);
        ASSERT_TRUE(state().SaveDone);
    }
    // Browse... on the Save page, to a folder made first.
    void chooseSaveFolder(const QString& folder)
    {
        if (!fs::isDirectory(folder))
            vb::MkDir(folder.chopped(1));
        ui->expectFolder(QStringLiteral("Select Destination Folder"), folder.chopped(1));
        click(main->Command19);
        ASSERT_EQ(state().SaveFolder, folder);
    }

    // A click on row `row` of a list, where the user clicks.
    static void pickRow(vb::ListBox& list, int row)
    {
        auto* w = static_cast<QListWidget*>(list.widget());
        QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, w->visualItemRect(w->item(row)).center());
    }

    static restore::RestoreReqForm& req() { return restore::RestoreReq(); }

    // Changes a file behind the program's back, whatever its attributes.
    static void change(const QString& file, const QByteArray& bytes)
    {
        fs::setAttributes(file, platform::AttrArchive);
        fs::writeAll(file, bytes);
    }

    QMap<QString, testsupport::FileState> driveC() const { return testsupport::driveCFiles(tm); }

    QString settings(const char* section, const char* key) const
    {
        return core::ReadIni(QString::fromLatin1(section), QString::fromLatin1(key), kProgramFolder + QStringLiteral("trelvo.ini"));
    }
    QStringList errorLog() const { return programFile("Error.log").split(QStringLiteral("\r\n"), Qt::SkipEmptyParts); }

    // The slot's description copies and archives that lie in `folder`.
    static QStringList slotFiles(const QString& folder, int n)
    {
        QStringList found;
        for (const char* pattern : {"Config%1.ini", "Config%1.usr", "Conf%1.tva", "Conf%1s.tva", "Conf%1us.tva", "Conf%1mb.tva"}) {
            const QString name = QString::fromLatin1(pattern).arg(n);
            if (fs::exists(folder + name))
                found << name;
        }
        return found;
    }

    ui::Form1Form* main = nullptr;
    QString probedSystemPath, probedStartMenu;
};

} // namespace

TEST_F(RestorePagesTest, EverythingSavedComesBackThroughTheRestorePageAndTheRestart)
{
    startWith(kAllSystemItems, kAllUserData, {kLetter, kBudget});
    saveSlot(main->Option1, QStringLiteral("Weekly"));
    const auto saved = driveC();

    change(QStringLiteral("C:\\WINDOWS\\WIN.INI"), "[windows]\r\nload=spy.exe\r\n");
    change(QStringLiteral("C:\\AUTOEXEC.BAT"), "@ECHO OFF\r\nSET PATH=C:\\EVIL\r\n");
    change(kLetter, "Dear Anna, never mind.");
    change(kFavorite, "[InternetShortcut]\r\nURL=http://elsewhere.example/\r\n");
    change(kBookmarks, "<DL></DL>");
    fs::removeFile(kCalculator);

    clickTab(main->SSTab2, 1);
    EXPECT_FALSE(main->Command4.Enabled()) << "nothing picked yet";
    pickRow(main->List2, 1);
    EXPECT_FALSE(main->Command4.Enabled()) << "a free slot";
    pickRow(main->List2, 0);
    EXPECT_TRUE(main->Command4.Enabled());
    EXPECT_EQ(state().SelectedConfig, 0);

    ui->expect(kSure + QStringLiteral("Weekly"), QStringLiteral("Yes"));
    ui->onForm(QStringLiteral("RestoreReq"), [&](vb::Form&) {
        // Exactly what was saved is offered, nothing ticked, both user files listed.
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems) {
            EXPECT_TRUE(item.RestoreCheckBox().Enabled()) << item.DescriptionKey.toString().toStdString();
            EXPECT_EQ(item.RestoreCheckBox().Value(), 0) << item.DescriptionKey.toString().toStdString();
        }
        EXPECT_EQ(req().List1.ListCount(), 2);
        // The pictures, read only once the window came up.
        for (const vb::Image* image : {&req().Image1, &req().Image2, &req().Image5, &req().Image9})
            EXPECT_FALSE(image->Picture().isNull()) << image->Name().toStdString();
        click(req().Command5);
        click(req().Check20);
        clickTab(req().SSTab1, 1);
        click(req().Command3);
        clickTab(req().SSTab1, 2);
        for (vb::CheckBox* box : {&req().Check11, &req().Check19, &req().Check21, &req().Check18})
            click(*box);
        clickTab(req().SSTab1, 3);
        for (vb::CheckBox* box : {&req().Check10, &req().Check22, &req().Check23})
            click(*box);
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
            EXPECT_EQ(item.RestoreCheckBox().Value(), 1) << item.DescriptionKey.toString().toStdString();
        click(req().Command1);
    });
    ui->expect(kRestart, QStringLiteral("Yes"));
    ui->expect(kRestored, QStringLiteral("OK"));
    click(main->Command4);

    // The restart is asked for; the program waits to be idle to close for it.
    EXPECT_TRUE(platform::restartPending());
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("Reboot")));
    EXPECT_FALSE(main->Enabled());
    EXPECT_FALSE(req().Visible());
    EXPECT_TRUE(main->Command3.Enabled());
    EXPECT_EQ(main->StatusBar1.Text(), QStringLiteral("Restore finished"));
    EXPECT_TRUE(QString::fromLatin1(tm.readC(QStringLiteral("WINDOWS/Wininit.ini"))).contains(QStringLiteral("[rename]")));
    EXPECT_EQ(state().SaveFolder, kProgramFolder);
    EXPECT_EQ(main->Text2.Text(), kProgramFolder);
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();

    EXPECT_THROW(restore::CloseForRestart(), ProcessEnded);
    EXPECT_TRUE(platform::bootIfRestartPending());

    const auto restored = driveC();
    for (auto it = saved.begin(); it != saved.end(); ++it)
        EXPECT_EQ(restored.value(it.key()), it.value()) << it.key().toStdString();
    QStringList added;
    for (auto it = restored.begin(); it != restored.end(); ++it)
        if (!saved.contains(it.key()))
            added << it.key();
    EXPECT_EQ(added, (QStringList{"Restore.ini", "WINDOWS/Wininit.bak"}));
    EXPECT_EQ(tm.readC(QStringLiteral("Restore.ini")), QByteArray("Restore=1\r\n"));
    // The settings written on the way out are the user's, not the configuration's.
    EXPECT_EQ(settings("SystemPathes", "SaveFolder"), kProgramFolder);
    EXPECT_EQ(settings("SystemPathes", "SystemPath"), probedSystemPath);
    EXPECT_EQ(settings("Settings", "Config1"), QStringLiteral("Weekly"));
}

TEST_F(RestorePagesTest, UserFilesAloneComeBackWithoutARestartAndTheWorkFolderGoes)
{
    startWith({QStringLiteral("Win.ini")}, {}, {kLetter, kBudget});
    // A used slot whose description merely contains the free-slot word.
    saveSlot(main->Option3, QStringLiteral("Unavailable"));
    const QByteArray letter = fs::readAll(kLetter);
    const QByteArray winIni = fs::readAll(QStringLiteral("C:\\WINDOWS\\WIN.INI"));
    change(kLetter, "Dear Anna, never mind.");
    change(kBudget, "0;0;0");
    change(QStringLiteral("C:\\WINDOWS\\WIN.INI"), "[windows]\r\n");

    clickTab(main->SSTab2, 1);
    pickRow(main->List2, 2);
    ui->expect(kSure + QStringLiteral("Unavailable"), QStringLiteral("Yes"));
    ui->onForm(QStringLiteral("RestoreReq"), [&](vb::Form&) {
        EXPECT_TRUE(req().Check9.Enabled());
        EXPECT_FALSE(req().Check1.Enabled());
        clickTab(req().SSTab1, 1);
        ASSERT_EQ(req().List1.List(0), kLetter);
        pickRow(req().List1, 0);   // the letter only
        click(req().Command1);
    });
    ui->expect(kRestored, QStringLiteral("OK"));   // and no question about a restart
    click(main->Command4);

    EXPECT_EQ(fs::readAll(kLetter), letter);
    EXPECT_EQ(fs::readAll(kBudget), QByteArray("0;0;0")) << "not chosen";
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\WINDOWS\\WIN.INI")), QByteArray("[windows]\r\n")) << "not chosen";
    EXPECT_NE(winIni, QByteArray("[windows]\r\n"));
    EXPECT_FALSE(platform::restartPending());
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Reboot")));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo")));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\WINDOWS\\Wininit.ini")));
    EXPECT_TRUE(main->Enabled());
    EXPECT_TRUE(main->Command3.Enabled());
    EXPECT_EQ(main->StatusBar1.Text(), QStringLiteral("Restore finished"));
    EXPECT_EQ(tm.readC(QStringLiteral("Restore.ini")), QByteArray("Restore=1\r\n"));
    EXPECT_EQ(state().SelectedConfig, 2);
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();
}

TEST_F(RestorePagesTest, AnAutomaticSaveSlotIsRestoredFromTheAutoKeepFolderAndANotSavedRowIsRefused)
{
    // The user's own slot 2, which the automatic save into its slot #2 leaves alone.
    writeSettings({QStringLiteral("StartMenue")}, {QStringLiteral("MSEFavorites")});
    QByteArray settingsFile = tm.readC(QStringLiteral("Program Files/Trelvo/trelvo.ini"));
    settingsFile.replace("Config2=available\r\nLsDate2=00/00/0000\r\nLsTime2=00:00",
                         "Config2=Weekly\r\nLsDate2= 1/3/1999\r\nLsTime2=09:15");
    tm.writeC(QStringLiteral("Program Files/Trelvo/trelvo.ini"), settingsFile);
    writeProgramFile("AutoKp.ini", " 1 \n1/3/1999\n 1 \n1\n#1 : Not Saved\n#2 : Not Saved\n#3 : Not Saved\n#4 : Not Saved\n");
    writeProgramFile("Keep.go", "");

    // The real program, started by the schedule, counts down, saves and ends on its own.
    QProcess automatic;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TRELVO_MACHINE"), tm.dir());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("TRELVO_UI_SCRIPT"));
    automatic.setProcessEnvironment(env);
    automatic.start(qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath()) + QStringLiteral("/trelvoapp"), {});
    ASSERT_TRUE(automatic.waitForFinished(60000));
    ASSERT_TRUE(fs::exists(kAutoKeep + QStringLiteral("Config2.ini")));
    const auto saved = driveC();
    change(kFavorite, "[InternetShortcut]\r\nURL=http://elsewhere.example/\r\n");
    fs::removeFile(kCalculator);

    main = &start();
    const QString weeklyRow = main->List2.List(1);
    ASSERT_TRUE(weeklyRow.startsWith(QStringLiteral("Weekly ")));
    const QString automaticRow = main->List1.List(1);
    ASSERT_TRUE(automaticRow.startsWith(QStringLiteral("#2 : ")));
    ASSERT_FALSE(automaticRow.contains(QStringLiteral("Not Saved")));
    clickTab(main->SSTab2, 1);

    // The two lists' picks exclude each other.
    pickRow(main->List2, 1);
    EXPECT_TRUE(main->Command4.Enabled());
    pickRow(main->List1, 0);
    EXPECT_EQ(main->List2.ListIndex(), -1);
    // A slot the automatic save has not filled cannot be restored, even were its button pressed.
    EXPECT_FALSE(main->Command4.Enabled());
    main->Command4.setEnabled(true);
    ui->expect(QStringLiteral("Configuration not available"), QStringLiteral("OK"));
    click(main->Command4);
    EXPECT_EQ(state().SaveFolder, kProgramFolder);

    pickRow(main->List2, 1);
    EXPECT_EQ(main->List1.ListIndex(), -1);
    pickRow(main->List1, 1);
    EXPECT_EQ(main->List2.ListIndex(), -1);
    EXPECT_TRUE(main->Command4.Enabled());

    ui->expect(kSure + QStringLiteral("AutoKeep ") + automaticRow, QStringLiteral("Yes"));
    ui->onForm(QStringLiteral("RestoreReq"), [&](vb::Form&) {
        EXPECT_EQ(state().SaveFolder, kAutoKeep);
        EXPECT_EQ(state().SelectedConfig, 1);
        EXPECT_TRUE(req().Check20.Enabled());
        EXPECT_TRUE(req().Check11.Enabled());
        EXPECT_FALSE(req().Check9.Enabled());
        click(req().Check20);
        clickTab(req().SSTab1, 2);
        click(req().Check11);
        click(req().Command1);
    });
    ui->expect(kRestored, QStringLiteral("OK"));
    click(main->Command4);

    const auto restored = driveC();
    for (auto it = saved.begin(); it != saved.end(); ++it)
        EXPECT_EQ(restored.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_FALSE(platform::restartPending());
    EXPECT_EQ(state().SaveFolder, kProgramFolder);
    EXPECT_EQ(state().SelectedConfig, 1);
    // The main slot of the same number kept its description.
    EXPECT_EQ(state().ConfigDescription[1], QStringLiteral("Weekly"));
    EXPECT_EQ(main->List2.List(1), weeklyRow);
    EXPECT_EQ(settings("Settings", "Config2"), QStringLiteral("Weekly"));
    EXPECT_EQ(settings("SystemPathes", "SaveFolder"), kProgramFolder);
}

TEST_F(RestorePagesTest, NoAndCancelPutTheSaveFolderAndTheFoldersFoundAtStartUpBack)
{
    startWith({QStringLiteral("Win.ini")}, {}, {});
    chooseSaveFolder(kBackup);
    saveSlot(main->Option1, QStringLiteral("Weekly"));
    click(main->Command22);
    ASSERT_EQ(state().SaveFolder, kProgramFolder);
    // A configuration saved while Windows lay elsewhere.
    const QString description = kProgramFolder + QStringLiteral("Config1.ini");
    core::WriteIni(QStringLiteral("SystemFiles"), QStringLiteral("SystemPath"), QStringLiteral("C:\\WIN98"), description);
    core::WriteIni(QStringLiteral("UserFiles"), QStringLiteral("PathStartmenue"), QStringLiteral("C:\\WIN98\\Start Menu\\"), description);
    ASSERT_NE(probedSystemPath, QStringLiteral("C:\\WIN98"));
    const auto before = driveC();
    // A view-only showing left the choice buttons hidden.
    for (vb::CommandButton* button : {&req().Command1, &req().Command3, &req().Command4, &req().Command5, &req().Command6})
        button->setVisible(false);

    clickTab(main->SSTab2, 1);
    pickRow(main->List2, 0);
    ui->expect(kSure + QStringLiteral("Weekly"), QStringLiteral("No"));
    click(main->Command4);
    EXPECT_EQ(state().SaveFolder, kProgramFolder);

    ui->expect(kSure + QStringLiteral("Weekly"), QStringLiteral("Yes"));
    ui->onForm(QStringLiteral("RestoreReq"), [&](vb::Form&) {
        for (vb::CommandButton* button : {&req().Command1, &req().Command3, &req().Command4, &req().Command5, &req().Command6})
            EXPECT_TRUE(button->Visible()) << button->Name().toStdString();
        EXPECT_FALSE(req().Label1.Visible());
        // What the description recorded serves the restore while the window is up.
        EXPECT_EQ(state().SaveFolder, kBackup);
        EXPECT_EQ(state().SystemPath, QStringLiteral("C:\\WIN98"));
        EXPECT_EQ(state().PathStartmenue, QStringLiteral("C:\\WIN98\\Start Menu\\"));
        EXPECT_TRUE(req().Check9.Enabled());
        click(req().Check9);
        click(req().Command2);
    });
    click(main->Command4);

    EXPECT_FALSE(req().Visible());
    EXPECT_EQ(state().SaveFolder, kProgramFolder);
    EXPECT_EQ(main->Text2.Text(), kProgramFolder);
    EXPECT_EQ(state().SystemPath, probedSystemPath);
    EXPECT_EQ(state().PathStartmenue, probedStartMenu);
    EXPECT_TRUE(state().DiskRestoreFolder.isEmpty());
    EXPECT_EQ(driveC(), before);
    EXPECT_FALSE(platform::restartPending());
    EXPECT_TRUE(main->Command3.Enabled());
    EXPECT_EQ(ui->shown().size(), 5) << "the folder, the save's box, two questions and the window";
    // The Exit writes the user's folders, not the configuration's.
    EXPECT_THROW(main->Command3_Click(), ProcessEnded);
    EXPECT_EQ(settings("SystemPathes", "SaveFolder"), kProgramFolder);
    EXPECT_EQ(settings("SystemPathes", "SystemPath"), probedSystemPath);
}

TEST_F(RestorePagesTest, DeleteRemovesTheSlotsFilesWhereItsDescriptionPutThemAndFreesTheSlot)
{
    startWith({QStringLiteral("Win.ini"), QStringLiteral("StartMenue")}, {QStringLiteral("MSEFavorites")}, {kLetter});
    chooseSaveFolder(kBackup);
    saveSlot(main->Option2, QStringLiteral("Weekly"));
    click(main->Command22);
    saveSlot(main->Option3, QStringLiteral("Monthly"));
    const QStringList all = {"Config%1.ini", "Config%1.usr", "Conf%1.tva", "Conf%1s.tva", "Conf%1us.tva", "Conf%1mb.tva"};
    ASSERT_EQ(slotFiles(kBackup, 2).size(), all.size());
    ASSERT_EQ(slotFiles(kProgramFolder, 3).size(), all.size());

    clickTab(main->SSTab2, 4);
    EXPECT_FALSE(main->Command13.Enabled());
    pickRow(main->List3, 0);
    EXPECT_FALSE(main->Command13.Enabled()) << "a free slot";
    pickRow(main->List3, 1);
    EXPECT_TRUE(main->Command13.Enabled());
    EXPECT_EQ(main->DeleteConfig, 1);

    ui->expect(QStringLiteral("Are you sure you wish to delete Weekly"), QStringLiteral("No"));
    click(main->Command13);
    EXPECT_EQ(slotFiles(kBackup, 2).size(), all.size());
    EXPECT_EQ(state().ConfigDescription[1], QStringLiteral("Weekly"));

    ui->expect(QStringLiteral("Are you sure you wish to delete Weekly"), QStringLiteral("Yes"));
    click(main->Command13);
    EXPECT_EQ(slotFiles(kBackup, 2), QStringList());
    EXPECT_EQ(slotFiles(kProgramFolder, 3).size(), all.size()) << "another slot's files";
    EXPECT_EQ(main->List2.List(1), QStringLiteral("available"));
    EXPECT_EQ(main->List3.List(1), QStringLiteral("available"));
    EXPECT_EQ(settings("Settings", "Config2"), QStringLiteral("available"));
    EXPECT_FALSE(main->Command13.Enabled());
    EXPECT_EQ(state().SaveFolder, kProgramFolder);
    EXPECT_EQ(main->Text2.Text(), kProgramFolder);
    EXPECT_EQ(ui->shown().last().title, QStringLiteral("Confirmation"));

    // A slot whose description is gone: its files are looked for in the program folder.
    vb::Kill(kProgramFolder + QStringLiteral("Config3.ini"));
    pickRow(main->List3, 2);
    ui->expect(QStringLiteral("Are you sure you wish to delete Monthly"), QStringLiteral("Yes"));
    click(main->Command13);
    EXPECT_EQ(slotFiles(kProgramFolder, 3), QStringList());
    EXPECT_EQ(main->List3.List(2), QStringLiteral("available"));
    EXPECT_EQ(settings("Settings", "Config3"), QStringLiteral("available"));

    // A freed slot offers no restore.
    clickTab(main->SSTab2, 1);
    pickRow(main->List2, 1);
    EXPECT_FALSE(main->Command4.Enabled());
}

TEST_F(RestorePagesTest, WhileASaveOrARestoreRunsNeitherRestoreNorDeleteStarts)
{
    startWith({QStringLiteral("Win.ini")}, {}, {});
    saveSlot(main->Option1, QStringLiteral("Weekly"));
    clickTab(main->SSTab2, 1);
    pickRow(main->List2, 0);
    clickTab(main->SSTab2, 4);
    pickRow(main->List3, 0);
    const int boxes = int(ui->shown().size());

    const auto tryBoth = [&] {
        vb::runEventHandler([&] { main->Command4_Click(); });
        vb::runEventHandler([&] { main->Command13_Click(); });
    };
    main->Command2.setEnabled(false);   // a save runs
    tryBoth();
    main->Command2.setEnabled(true);
    main->Command3.setEnabled(false);   // a restore runs
    tryBoth();
    main->Command3.setEnabled(true);
    state().SaveRunning = true;   // a save on its way, the window not yet marked
    tryBoth();
    state().SaveRunning = false;

    EXPECT_EQ(ui->shown().size(), boxes) << "neither asked anything";
    EXPECT_EQ(slotFiles(kProgramFolder, 1).size(), 3);
    EXPECT_EQ(state().ConfigDescription[0], QStringLiteral("Weekly"));
    EXPECT_FALSE(req().Visible());
}

TEST_F(RestorePagesTest, AUsedSlotWhoseDescriptionIsGoneEndsTheProgramWithoutWritingTheSettings)
{
    startWith({QStringLiteral("Win.ini")}, {}, {});
    saveSlot(main->Option1, QStringLiteral("Weekly"));
    vb::Kill(kProgramFolder + QStringLiteral("Config1.ini"));
    QTest::keyClick(main->Slider1.widget(), Qt::Key_End);   // a change the settings file has not seen
    const QByteArray settingsBefore = tm.readC(QStringLiteral("Program Files/Trelvo/trelvo.ini"));

    clickTab(main->SSTab2, 1);
    pickRow(main->List2, 0);
    ui->expect(kSure + QStringLiteral("Weekly"), QStringLiteral("Yes"));
    ui->expect(QStringLiteral("A problem occured while reading a configuration file, Trelvo must be restarted."), QStringLiteral("OK"));
    EXPECT_THROW(vb::runEventHandler([&] { main->Command4_Click(); }), ProcessEnded);
    EXPECT_EQ(tm.readC(QStringLiteral("Program Files/Trelvo/trelvo.ini")), settingsBefore);
    EXPECT_FALSE(req().Visible());
}

TEST_F(RestorePagesTest, ASaveFolderWithAutoKeepInItsNameIsAnOrdinaryFolderForRestoreAndDelete)
{
    const QString folder = QStringLiteral("C:\\AutoKeep Backups\\");
    startWith({QStringLiteral("Win.ini")}, {}, {kLetter});
    chooseSaveFolder(folder);
    saveSlot(main->Option1, QStringLiteral("Weekly"));
    ASSERT_EQ(slotFiles(folder, 1), (QStringList{"Config1.ini", "Config1.usr", "Conf1.tva", "Conf1us.tva"}));
    // The automatic save's own slot #1, which neither the restore nor the delete of slot 1 reads.
    vb::MkDir(kAutoKeep.chopped(1));
    fs::writeAll(kAutoKeep + QStringLiteral("Config1.ini"), "[SystemFiles]\r\nSaveFolder=C:\\Program Files\\Trelvo\\AutoKeep\\\r\n");
    const QByteArray letter = fs::readAll(kLetter);
    change(kLetter, "Dear Anna, never mind.");

    clickTab(main->SSTab2, 1);
    pickRow(main->List2, 0);
    ui->expect(kSure + QStringLiteral("Weekly"), QStringLiteral("Yes"));
    ui->onForm(QStringLiteral("RestoreReq"), [&](vb::Form&) {
        EXPECT_EQ(state().SaveFolder, folder);
        EXPECT_TRUE(req().Check9.Enabled());
        clickTab(req().SSTab1, 1);
        pickRow(req().List1, 0);
        click(req().Command1);
    });
    ui->expect(kRestored, QStringLiteral("OK"));
    click(main->Command4);
    EXPECT_EQ(fs::readAll(kLetter), letter);
    EXPECT_EQ(state().SaveFolder, folder);
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();

    clickTab(main->SSTab2, 4);
    pickRow(main->List3, 0);
    ui->expect(QStringLiteral("Are you sure you wish to delete Weekly"), QStringLiteral("Yes"));
    click(main->Command13);
    EXPECT_EQ(slotFiles(folder, 1), QStringList());
    EXPECT_TRUE(fs::exists(kAutoKeep + QStringLiteral("Config1.ini")));
    EXPECT_EQ(settings("Settings", "Config1"), QStringLiteral("available"));
}

// The restart notice stays until the program closes for the restart: closed by the user
// (close box, Alt+F4) before that, the program would never close and leave the main window
// it disabled for the restart disabled for good.
TEST_F(RestorePagesTest, TheRestartNoticeCannotBeClosedBeforeTheProgramClosesForTheRestart)
{
    startWith({QStringLiteral("Win.ini")}, {}, {});
    saveSlot(main->Option1, QStringLiteral("Weekly"));
    change(QStringLiteral("C:\\WINDOWS\\WIN.INI"), "[windows]\r\nload=spy.exe\r\n");

    clickTab(main->SSTab2, 1);
    pickRow(main->List2, 0);
    ui->expect(kSure + QStringLiteral("Weekly"), QStringLiteral("Yes"));
    ui->onForm(QStringLiteral("RestoreReq"), [&](vb::Form&) {
        click(req().Command5);
        click(req().Command1);
    });
    ui->expect(kRestart, QStringLiteral("Yes"));
    ui->expect(kRestored, QStringLiteral("OK"));
    click(main->Command4);
    ASSERT_TRUE(platform::restartPending());
    ASSERT_TRUE(vb::Forms::isLoaded(QStringLiteral("Reboot")));
    ASSERT_FALSE(main->Enabled());

    ASSERT_TRUE(core::Win(QStringLiteral("Reboot")).Visible());
    core::Win(QStringLiteral("Reboot")).window()->close();   // what the close box and Alt+F4 send
    ASSERT_TRUE(vb::Forms::isLoaded(QStringLiteral("Reboot"))) << "nothing would close the program for the restart";
    EXPECT_TRUE(core::Win(QStringLiteral("Reboot")).Visible());

    // Idle, the program closes for the restart as it would have without the attempt.
    EXPECT_THROW(restore::CloseForRestart(), ProcessEnded);
    EXPECT_TRUE(platform::bootIfRestartPending());
}
