// A slot's description file and user-file list: written by SaveCINI from the save-side
// boxes, read back by LoadCINI into the restore-choice window and the program state.
#include "CatalogueTesting.h"
#include "catalogue/Description.h"
#include "core/IniValues.h"
#include "core/ProgramState.h"
#include "vb/FileIO.h"
#include "support/DamagedFile.h"
#include "support/SmallDisk.h"

using namespace catalogue;
using namespace cataloguetest;

namespace {

const QString kProgram = QStringLiteral("Program Files/Trelvo/");

vb::CheckBox& form1(const char* box) { return core::CheckBoxOf(QStringLiteral("Form1"), QString::fromLatin1(box)); }
vb::CheckBox& userFiles(const char* box) { return core::CheckBoxOf(QStringLiteral("UserFiles"), QString::fromLatin1(box)); }

class SaveCINITest : public CatalogueTest {
protected:
    // The state and the boxes as the save leaves them for SaveCINI (slot 2).
    void SetUp() override
    {
        core::ProgramState& s = core::state();
        s.SelectedConfig = 1;
        s.ConfigDescription[1] = QStringLiteral("Weekly");
        s.ConfigIniPath = QStringLiteral("C:\\Program Files\\Trelvo\\Config2.ini");
        s.SystemPath = QStringLiteral("C:\\WINDOWS");
        vb::MkDir(QStringLiteral("C:\\My Backups"));
        s.SaveFolder = QStringLiteral("C:\\My Backups\\");
        s.PathFavorites = QStringLiteral("C:\\WINDOWS\\Favorites\\");
        s.PathNetscape = QStringLiteral("C:\\Program Files\\Netscape\\Users\\default");
        s.PathStartmenue = QStringLiteral("C:\\WINDOWS\\Start Menu\\");
    }
};

} // namespace

TEST_F(SaveCINITest, WritesEverySectionInOrderBehindTheSplitLogAndTheListFile)
{
    // The save onto floppies wrote its piece log first.
    const QString file = core::state().ConfigIniPath;
    core::WriteIni("SplitLog", "File1", "C:\\Program Files\\Trelvo\\Conf2.tva", file);
    core::WriteIni("SplitLog", "C:\\Program Files\\Trelvo\\Conf2.tva", " 3", file);
    core::WriteIni("SplitLog", "File3", "C:\\Program Files\\Trelvo\\Conf2s.tva", file);
    core::WriteIni("SplitLog", "C:\\Program Files\\Trelvo\\Conf2s.tva", " 0", file);

    for (const char* box : {"Check8", "Check2", "Check7", "Check1"})
        form1(box).setValue(1);
    for (const char* box : {"Check15", "Check17", "Check12"})   // missing on the machine
        form1(box).setEnabled(false);
    userFiles("Check11").setValue(1);   // Netscape bookmarks
    userFiles("Check3").setValue(1);    // mailbox
    userFiles("Check5").setEnabled(false);
    // The favorites box stays unticked although the folder is known: NONE.
    auto& list = core::ListBoxOf("UserFiles", "List1");
    list.AddItem("c:\\letters\\brief, 1999.doc");
    list.AddItem("c:\\work\\plan.xls");

    SaveCINI();

    EXPECT_EQ(tm.readC(kProgram + "Config2.ini"), QByteArray("[SplitLog]\r\n"
                                                             "File1=C:\\Program Files\\Trelvo\\Conf2.tva\r\n"
                                                             "C:\\Program Files\\Trelvo\\Conf2.tva= 3\r\n"
                                                             "File3=C:\\Program Files\\Trelvo\\Conf2s.tva\r\n"
                                                             "C:\\Program Files\\Trelvo\\Conf2s.tva= 0\r\n"
                                                             "[Configuration]\r\n"
                                                             "ConfigName=Weekly\r\n"
                                                             "[SystemFiles]\r\n"
                                                             "SystemPath=C:\\WINDOWS\r\n"
                                                             "SaveFolder=C:\\My Backups\\\r\n"
                                                             "SaveFolderShort=C:\\MYBACK~1\r\n"
                                                             "Autoexec.bat=True\r\n"
                                                             "Config.sys=True\r\n"
                                                             "Control.ini=True\r\n"
                                                             "Msdos.sys=True\r\n"
                                                             "Protocol.ini=True\r\n"
                                                             "System.dat=True\r\n"
                                                             "System.ini=True\r\n"
                                                             "User.dat=True\r\n"
                                                             "Win.ini=True\r\n"
                                                             "Autoexec.dos=True\r\n"
                                                             "Config.dos=True\r\n"
                                                             "Dblspace.ini=False\r\n"
                                                             "Drvspace.ini=True\r\n"
                                                             "Drvspace.bin=False\r\n"
                                                             "Startmenue=True\r\n"
                                                             "Dblspace.bin=False\r\n"
                                                             "[SystemFilesSaved]\r\n"
                                                             "Autoexec.bat=1\r\n"
                                                             "Config.sys=0\r\n"
                                                             "Control.ini=0\r\n"
                                                             "Msdos.sys=0\r\n"
                                                             "Protocol.ini=0\r\n"
                                                             "System.dat=1\r\n"
                                                             "System.ini=0\r\n"
                                                             "User.dat=0\r\n"
                                                             "Win.ini=1\r\n"
                                                             "Autoexec.dos=0\r\n"
                                                             "Config.dos=0\r\n"
                                                             "Dblspace.ini=0\r\n"
                                                             "Drvspace.ini=0\r\n"
                                                             "Drvspace.bin=0\r\n"
                                                             "Startmenue=1\r\n"
                                                             "Dblspace.bin=0\r\n"
                                                             "[UserFilesSaved]\r\n"
                                                             "NSCBookmark=1\r\n"
                                                             "MSEFavorites=0\r\n"
                                                             "MSEAdressbook=0\r\n"
                                                             "MSECookies=0\r\n"
                                                             "MSEMailbox=1\r\n"
                                                             "NSCCookies=0\r\n"
                                                             "NSCMail=0\r\n"
                                                             "[UserFiles]\r\n"
                                                             "NSCBookmark=True\r\n"
                                                             "MSEFavorites=True\r\n"
                                                             "MSEAdressbook=True\r\n"
                                                             "MSECookies=True\r\n"
                                                             "MSEMailbox=True\r\n"
                                                             "NSCCookies=True\r\n"
                                                             "NSCMail=False\r\n"
                                                             "PathFavorites=NONE\r\n"
                                                             "PathNetscape=C:\\Program Files\\Netscape\\Users\\default\r\n"
                                                             "PathStartmenue=C:\\WINDOWS\\Start Menu\\\r\n"));
    // The entry with a comma is one line; the list ends with one empty line.
    EXPECT_EQ(tm.readC(kProgram + "Config2.usr"),
              QByteArray(" 2\r\nc:\\letters\\brief, 1999.doc\r\nc:\\work\\plan.xls\r\n\r\n"));
    EXPECT_TRUE(ui->requests.isEmpty());
}

TEST_F(SaveCINITest, TheFoldersDependOnTheTickAloneAndAnEmptyListIsTwoLines)
{
    // Ticked but disabled boxes still record their folders; unticked ones never do.
    form1("Check1").setValue(1);
    form1("Check1").setEnabled(false);
    userFiles("Check12").setValue(1);
    userFiles("Check12").setEnabled(false);
    SaveCINI();
    const QString file = core::state().ConfigIniPath;
    EXPECT_EQ(core::ReadIni("UserFiles", "PathFavorites", file), "C:\\WINDOWS\\Favorites\\");
    EXPECT_EQ(core::ReadIni("UserFiles", "PathNetscape", file), "NONE");
    EXPECT_EQ(core::ReadIni("UserFiles", "PathStartmenue", file), "C:\\WINDOWS\\Start Menu\\");
    EXPECT_EQ(core::ReadIni("SystemFiles", "Startmenue", file), "False");
    EXPECT_EQ(core::ReadIni("SystemFilesSaved", "Startmenue", file), "1");
    EXPECT_EQ(tm.readC(kProgram + "Config2.usr"), QByteArray(" 0\r\n\r\n"));

    // A second save into the slot replaces the list file.
    core::ListBoxOf("UserFiles", "List1").AddItem("c:\\a.txt");
    SaveCINI();
    EXPECT_EQ(tm.readC(kProgram + "Config2.usr"), QByteArray(" 1\r\nc:\\a.txt\r\n\r\n"));
}

TEST_F(SaveCINITest, AnAutomaticSaveSlotIsNamedAfterItselfAndLeavesTheMainSlotAlone)
{
    vb::MkDir("C:\\Program Files\\Trelvo\\AutoKeep");
    core::ProgramState& s = core::state();
    s.SelectedConfig = 2;
    s.ConfigDescription[2] = "Monthly";
    s.ConfigIniPath = "C:\\Program Files\\Trelvo\\AutoKeep\\Config3.ini";
    s.SaveFolder = "C:\\Program Files\\Trelvo\\AutoKeep\\";
    SaveCINI();
    EXPECT_EQ(core::ReadIni("Configuration", "ConfigName", s.ConfigIniPath), "AutoKeep #3");
    EXPECT_EQ(s.ConfigDescription[2], "Monthly");
    EXPECT_TRUE(tm.existsC(kProgram + "AutoKeep/Config3.usr"));
}

TEST_F(SaveCINITest, AListFileThatCannotBeWrittenEndsTheWriteWithItsErrorAndLeavesNoFileOpen)
{
    tm.writeC(kProgram + "Config2.usr", " 1\r\nc:\\old.txt\r\n\r\n");
    vb::SetAttr("C:\\Program Files\\Trelvo\\Config2.usr", vb::vbReadOnly);
    try {
        SaveCINI();
        FAIL() << "the list file's error was expected";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.Number(), 75);
    }
    // The keys before the list stay written, the list keeps what it held.
    EXPECT_EQ(core::ReadIni("UserFiles", "PathStartmenue", core::state().ConfigIniPath), "NONE");
    EXPECT_EQ(tm.readC(kProgram + "Config2.usr"), QByteArray(" 1\r\nc:\\old.txt\r\n\r\n"));
    EXPECT_EQ(vb::FreeFile(), 1);
}

TEST_F(SaveCINITest, AListFileTheDiskHasNoRoomForEndsTheWriteWithDiskFull)
{
    testsupport::SmallDriveC disk(tm, 4 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    auto& list = core::ListBoxOf("UserFiles", "List1");
    QByteArray expected = " 3000\r\n";
    for (int i = 0; i < 3000; ++i) {
        const QString entry = QStringLiteral("c:\\letters\\to the bank, number %1.doc").arg(i);
        list.AddItem(entry);
        expected += entry.toLatin1() + "\r\n";
    }
    expected += "\r\n";
    SaveCINI();
    EXPECT_EQ(tm.readC(kProgram + "Config2.usr"), expected);

    // Room for the description's keys, not for the list.
    vb::Kill("C:\\Program Files\\Trelvo\\Config2.usr");
    disk.fill(64 << 10);
    try {
        SaveCINI();
        ADD_FAILURE() << "the full disk's error was expected";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.Number(), 61);
    }
    disk.release();
    EXPECT_EQ(core::ReadIni("UserFiles", "PathStartmenue", core::state().ConfigIniPath), "NONE");
    EXPECT_EQ(vb::FreeFile(), 1) << "the list file is closed";
}

// ---- LoadCINI ------------------------------------------------------------------------

namespace {

class LoadCINITest : public CatalogueTest {
protected:
    void SetUp() override
    {
        core::ProgramState& s = core::state();
        s.SaveFolder = "C:\\Current\\";
        s.SelectedConfig = 0;
        s.LoadResult = 0;
        for (int i = 0; i < 5; ++i)
            s.ConfigDescription[i] = "Slot " + QString::number(i + 1);
    }
    void writeDescription(const QString& rel, const DescriptionFile& d) { writeLines(kProgram + rel, d.lines()); }
    void writeList(const QString& rel, const QStringList& lines) { writeLines(kProgram + rel, lines); }
};

} // namespace

TEST_F(LoadCINITest, OffersExactlyTheSavedItemsNoneTickedAndTakesTheRecordedFolders)
{
    fillAsAnEarlierLoad();
    DescriptionFile d;
    d.name = "Before Upgrade";
    d.saveFolder = "C:\\Backup";   // recorded without its "\"
    d.systemPath = "C:\\WIN98";
    d.saved = {"Autoexec.bat", "Win.ini", "Startmenue", "Dblspace.bin", "NSCBookmark", "MSEFavorites", "NSCMail"};
    d.unavailable = {"Config.sys", "Win.ini"};   // Available decides nothing
    d.favorites = "NONE";                       // MSEFavorites was "1" all the same
    writeDescription("Config3.ini", d);
    writeList("Config3.usr", {" 3", "c:\\letters\\brief, 1999.doc", "", "c:\\work\\plan.xls", "  "});
    core::state().SelectedConfig = 2;

    LoadCINI();

    const core::ProgramState& s = core::state();
    EXPECT_EQ(held(), QStringList({"Check1", "Check9", "Check10", "Check20", "Check23", "Check24"}));
    EXPECT_EQ(ticked(), QStringList());
    // The count line is no entry, the comma stays inside its entry, empty lines are skipped.
    EXPECT_EQ(restoreList(), QStringList({"c:\\letters\\brief, 1999.doc", "c:\\work\\plan.xls", "  "}));
    EXPECT_EQ(s.ConfigIniPath, "C:\\Program Files\\Trelvo\\Config3.ini");
    EXPECT_EQ(s.SaveFolder, "C:\\Backup\\");
    EXPECT_EQ(s.SystemPath, "C:\\WIN98");
    EXPECT_EQ(s.ConfigDescription[2], "Before Upgrade");
    EXPECT_EQ(s.ConfigDescription[0], "Slot 1");
    EXPECT_EQ(s.PathFavorites, "NONE");
    EXPECT_EQ(s.PathNetscape, "C:\\Program Files\\Netscape\\Users\\default");
    EXPECT_EQ(s.PathStartmenue, "C:\\WINDOWS\\Start Menu\\");
    EXPECT_EQ(s.LoadResult, 0.0f);
    // A save to a folder has no pieces: nothing of the earlier load's survives.
    EXPECT_EQ(s.DiskRestoreFolder, "");
    EXPECT_EQ(s.SplitArchive[1], "");
    EXPECT_EQ(s.SplitPieces[1], 0);
    EXPECT_EQ(s.DiskNo, 0);
    EXPECT_TRUE(ui->requests.isEmpty());
    EXPECT_EQ(errorLog(), QByteArray());
    EXPECT_EQ(vb::CurDir(), "C:\\Program Files\\Trelvo");
}

TEST_F(LoadCINITest, NetscapeNoneDropsTheBookmarksAndAListOfNoEntriesIsAnEmptyList)
{
    fillAsAnEarlierLoad();
    DescriptionFile d;
    d.saved = {"NSCBookmark", "MSEFavorites"};
    d.netscape = "NONE";
    d.startMenu = "NONE";
    writeDescription("Config1.ini", d);
    writeList("Config1.usr", {" 0", ""});
    LoadCINI();
    EXPECT_EQ(held(), QStringList({"Check11"}));
    EXPECT_EQ(ticked(), QStringList());
    EXPECT_EQ(restoreList(), QStringList());
    EXPECT_EQ(core::state().PathStartmenue, "NONE");
    EXPECT_EQ(core::state().LoadResult, 0.0f);
}

TEST_F(LoadCINITest, ASaveOntoFloppiesBringsItsPieceCounts)
{
    DescriptionFile d;
    d.saveFolder = "a:\\";
    d.saved = {"Win.ini"};
    d.splitLog = {"File1=C:\\Program Files\\Trelvo\\Conf1.tva", "C:\\Program Files\\Trelvo\\Conf1.tva= 3",
                  "File3=C:\\Program Files\\Trelvo\\Conf1s.tva", "C:\\Program Files\\Trelvo\\Conf1s.tva= 0",
                  "File5=C:\\Program Files\\Trelvo\\Conf1mb.tva", "C:\\Program Files\\Trelvo\\Conf1mb.tva=two"};
    writeDescription("Config1.ini", d);
    writeList("Config1.usr", {" 0", ""});
    core::state().DiskNo = 2;
    LoadCINI();
    const core::ProgramState& s = core::state();
    EXPECT_EQ(s.SaveFolder, "a:\\");
    EXPECT_EQ(s.DiskNo, 0);
    EXPECT_EQ(s.SplitArchive[1], "C:\\Program Files\\Trelvo\\Conf1.tva");
    EXPECT_EQ(s.SplitArchive[2], "");
    EXPECT_EQ(s.SplitArchive[3], "C:\\Program Files\\Trelvo\\Conf1s.tva");
    EXPECT_EQ(s.SplitArchive[5], "C:\\Program Files\\Trelvo\\Conf1mb.tva");
    EXPECT_EQ(s.SplitPieces[1], 3);
    EXPECT_EQ(s.SplitPieces[3], 0);
    EXPECT_EQ(s.SplitPieces[5], 0);   // an unreadable count is passed over
    EXPECT_EQ(s.DiskRestoreFolder, "C:\\Program Files\\Trelvo\\DiskRestore\\");
    EXPECT_EQ(held(), QStringList({"Check9"}));
    EXPECT_EQ(s.LoadResult, 0.0f);

    // Every archive whole on its floppy: no folder to join pieces in, also not the last one.
    d.splitLog = {"File1=C:\\Program Files\\Trelvo\\Conf1.tva", "C:\\Program Files\\Trelvo\\Conf1.tva= 0"};
    writeDescription("Config1.ini", d);
    core::state().SaveFolder = "C:\\Current\\";
    LoadCINI();
    EXPECT_EQ(s.SplitPieces[1], 0);
    EXPECT_EQ(s.SplitArchive[3], "");
    EXPECT_EQ(s.DiskRestoreFolder, "");
}

TEST_F(LoadCINITest, OnlyTheProgramsOwnAutoKeepFolderMeansAnAutomaticSlotAndItKeepsTheMainSlotsName)
{
    DescriptionFile d;
    d.name = "AutoKeep #2";
    d.saveFolder = "C:\\Program Files\\Trelvo\\AutoKeep\\";
    d.saved = {"User.dat"};
    writeLines(kProgram + "AutoKeep/Config2.ini", d.lines());
    writeLines(kProgram + "AutoKeep/Config2.usr", {" 0", ""});
    d.name = "Main two";
    d.saveFolder = "C:\\AutoKeep Backups\\";
    d.saved = {"System.dat"};
    writeDescription("Config2.ini", d);
    writeList("Config2.usr", {" 0", ""});
    core::ProgramState& s = core::state();
    s.SelectedConfig = 1;

    // The program's AutoKeep folder, in whatever case the path is written.
    for (const char* folder : {"C:\\Program Files\\Trelvo\\AutoKeep\\", "c:\\PROGRAM FILES\\trelvo\\autokeep"}) {
        s.SaveFolder = folder;
        LoadCINI();
        EXPECT_EQ(s.ConfigIniPath, "C:\\Program Files\\Trelvo\\AutoKeep\\Config2.ini") << folder;
        EXPECT_EQ(held(), QStringList({"Check8"})) << folder;
        EXPECT_EQ(s.ConfigDescription[1], "Slot 2");
    }

    // A folder of the user's with the word in its path is no automatic slot: the program
    // folder's description is read, also when that folder is the current save folder.
    for (const char* folder : {"C:\\AutoKeep Backups\\", "C:\\Program Files\\Trelvo\\AutoKeep\\Old\\", "C:\\AUTOKEEP\\"}) {
        s.SaveFolder = folder;
        s.ConfigDescription[1] = "Slot 2";
        LoadCINI();
        EXPECT_EQ(s.ConfigIniPath, "C:\\Program Files\\Trelvo\\Config2.ini") << folder;
        EXPECT_EQ(held(), QStringList({"Check6"})) << folder;
        EXPECT_EQ(s.ConfigDescription[1], "Main two");
        EXPECT_EQ(s.SaveFolder, "C:\\AutoKeep Backups\\");
        EXPECT_EQ(s.LoadResult, 0.0f);
    }
}

TEST_F(LoadCINITest, AMissingListFileAsksAndNoGivesUp)
{
    DescriptionFile d;
    d.saved = {"Win.ini"};
    writeDescription("Config1.ini", d);
    ui->expect("File not found!", "No");
    LoadCINI();
    ASSERT_EQ(ui->requests.size(), 1);
    const vb::MessageBoxRequest& box = ui->requests[0];
    EXPECT_EQ(box.prompt, "File not found! (C:\\Program Files\\Trelvo\\Config1.usr)\r"
                          "If you continue you can not select files to restore\r"
                          "All files in the archive where restored\r\rContinue?");
    EXPECT_EQ(box.title, "Warning!");
    EXPECT_EQ(box.buttons, vb::vbYesNo | vb::vbCritical | vb::vbDefaultButton2);
    EXPECT_EQ(core::state().LoadResult, 1.0f);
    EXPECT_EQ(errorLog(), QByteArray("File not found05-17-1999LoadCINI\r\n"));
}

TEST_F(LoadCINITest, AMissingListFileAnsweredYesOffersTheItemsAsSavedAndAvailable)
{
    fillAsAnEarlierLoad();
    DescriptionFile d;
    d.saved = {"Win.ini", "Config.sys", "MSEFavorites", "NSCMail"};
    d.unavailable = {"Config.sys", "Protocol.ini", "NSCCookies"};
    d.favorites = "NONE";
    writeDescription("Config1.ini", d);
    ui->expect("File not found!", "Yes");
    LoadCINI();
    EXPECT_EQ(core::state().LoadResult, 2.0f);
    EXPECT_EQ(ticked(), QStringList({"Check2", "Check9", "Check23"}));
    QStringList available = kRestoreBoxes;
    for (const char* box : {"Check2", "Check5", "Check11", "Check22"})
        available.removeOne(box);
    EXPECT_EQ(held(), available);
    EXPECT_EQ(restoreList(), QStringList());
}

// Each row is a list file that is there but cannot be read as one: asked about as a missing
// one is (never "no user files"), and the log names what was wrong.
TEST_F(LoadCINITest, AListFileThatCannotBeReadIsAskedAboutAsAMissingOne)
{
    DescriptionFile d;
    d.saved = {"Win.ini"};
    writeDescription("Config1.ini", d);
    const QString host = tm.hostC(kProgram + "Config1.usr");
    for (const testsupport::ListDamage& damage : testsupport::listFileDamages(true)) {
        fillAsAnEarlierLoad();
        core::state().LoadResult = 0;
        ui->requests.clear();
        tm.writeC(kProgram + "Error.log", QByteArray());
        damage.make(host);
        ui->expect("File not found! (C:\\Program Files\\Trelvo\\Config1.usr)", "Yes");
        LoadCINI();
        EXPECT_EQ(ui->requests.size(), 1) << damage.name;
        EXPECT_EQ(core::state().LoadResult, 2.0f) << damage.name;
        EXPECT_EQ(restoreList(), QStringList()) << damage.name;
        EXPECT_EQ(ticked(), QStringList({"Check9"})) << damage.name;
        const QByteArray log = errorLog();
        EXPECT_TRUE(log.endsWith("LoadCINI\r\n") && log.count('\n') == 1) << damage.name << ": " << log.constData();
        EXPECT_FALSE(log.startsWith("File not found")) << damage.name;
        QFile::remove(host);
        QDir(host).removeRecursively();
    }
}

namespace {

// A flag of the description that cannot be read: the line it replaces (or removes) and the
// key the log names.
struct BadFlag {
    const char* name;
    const char* line;          // as the save writes it
    QString replacement;       // null: the line is gone
    const char* logged;
    QStringList held;          // the restore boxes offered afterwards
};

void PrintTo(const BadFlag& row, std::ostream* os) { *os << row.name; }

const QStringList kSavedItems = {"Autoexec.bat", "User.dat", "Win.ini", "NSCMail"};
const QStringList kHeldButWinIni = {"Check1", "Check8", "Check23"};

const BadFlag kBadFlags[] = {
    {"NotANumber", "Win.ini=1", "Win.ini=abc", "[SystemFilesSaved] Win.ini", kHeldButWinIni},
    {"Empty", "Win.ini=1", "Win.ini=", "[SystemFilesSaved] Win.ini", kHeldButWinIni},
    {"Missing", "Win.ini=1", QString(), "[SystemFilesSaved] Win.ini", kHeldButWinIni},
    {"LongLine", "Win.ini=1", "Win.ini=" + QString(1 << 20, u'x'), "[SystemFilesSaved] Win.ini", kHeldButWinIni},
    {"AvailableNotABoolean", "Msdos.sys=True", "Msdos.sys=perhaps", "[SystemFiles] Msdos.sys",
     {"Check1", "Check8", "Check9", "Check23"}},
    {"LastItem", "NSCMail=1", "NSCMail=yes", "[UserFilesSaved] NSCMail", {"Check1", "Check8", "Check9"}},
};

class BadFlagTest : public LoadCINITest, public ::testing::WithParamInterface<BadFlag> {};

} // namespace

TEST_P(BadFlagTest, CountsAsNotSavedForItsItemAloneAndIsLoggedByKey)
{
    const BadFlag& row = GetParam();
    fillAsAnEarlierLoad();
    DescriptionFile d;
    d.saved = kSavedItems;
    QStringList lines = d.lines();
    const qsizetype at = lines.lastIndexOf(QString::fromLatin1(row.line));
    ASSERT_GE(at, 0) << row.line;
    if (row.replacement.isNull())
        lines.removeAt(at);
    else
        lines[at] = row.replacement;
    writeLines(kProgram + "Config1.ini", lines);
    writeList("Config1.usr", {" 1", "c:\\a.txt"});
    LoadCINI();
    EXPECT_EQ(core::state().LoadResult, 0.0f) << "the window is offered as after any load";
    EXPECT_TRUE(ui->requests.isEmpty());
    EXPECT_EQ(held(), row.held);
    EXPECT_EQ(ticked(), QStringList());
    EXPECT_EQ(restoreList(), QStringList({"c:\\a.txt"}));
    const QString log = QString::fromLatin1(errorLog());
    EXPECT_EQ(log.count("\r\n"), 1) << log.toStdString();
    EXPECT_TRUE(log.startsWith("Type mismatch05-17-1999LoadCINI ")) << log.toStdString();
    EXPECT_TRUE(log.contains("Config1.ini " + QString::fromLatin1(row.logged))) << log.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, BadFlagTest, ::testing::ValuesIn(kBadFlags),
                         [](const ::testing::TestParamInfo<BadFlag>& info) { return std::string(info.param.name); });

TEST_F(LoadCINITest, ADescriptionWithoutSaveFolderEndsTheProgramWithoutSavingTheSettings)
{
    const QByteArray settings = tm.readC(kProgram + "trelvo.ini");
    DescriptionFile d;
    d.saveFolder = QString();
    writeDescription("Config1.ini", d);
    ui->expect("A problem occured while reading a configuration file, Trelvo must be restarted.", "OK");
    EXPECT_THROW(LoadCINI(), testsupport::ProcessEnded);
    ASSERT_EQ(ui->requests.size(), 1);
    EXPECT_EQ(ui->requests[0].buttons, vb::vbOKOnly);
    EXPECT_EQ(ui->requests[0].title, "");
    EXPECT_TRUE(core::state().SkipSaveOnQuit);
    EXPECT_EQ(tm.readC(kProgram + "trelvo.ini"), settings);
}

TEST_F(LoadCINITest, AMissingDescriptionOrOneWithOnlyItsSplitLogEndsTheProgram)
{
    ui->expect("A problem occured while reading a configuration file", "OK");
    EXPECT_THROW(LoadCINI(), testsupport::ProcessEnded);

    // A save onto floppies broken off before the description was written.
    writeLines(kProgram + "AutoKeep/Config4.ini", {"[SplitLog]", "File1=C:\\Program Files\\Trelvo\\Conf4.tva",
                                                   "C:\\Program Files\\Trelvo\\Conf4.tva= 2"});
    core::ProgramState& s = core::state();
    s.SkipSaveOnQuit = false;
    s.SelectedConfig = 3;
    s.SaveFolder = "C:\\Program Files\\Trelvo\\AutoKeep\\";
    ui->expect("A problem occured while reading a configuration file", "OK");
    EXPECT_THROW(LoadCINI(), testsupport::ProcessEnded);
    EXPECT_TRUE(s.SkipSaveOnQuit);
}

TEST_F(LoadCINITest, WhileAnOperationRunsTheFatalPathShowsNothingFurther)
{
    core::ButtonOf("Form1", "Command3").setEnabled(false);   // a restore is running
    ui->expect("A problem occured while reading a configuration file", "OK");
    LoadCINI();
    EXPECT_EQ(core::state().LoadResult, 1.0f);
    EXPECT_FALSE(core::state().SkipSaveOnQuit);
    EXPECT_EQ(held(), QStringList());
}

TEST_F(SaveCINITest, WhatASaveWritesALoadOffers)
{
    for (const char* box : {"Check8", "Check1", "Check12"})
        form1(box).setValue(1);
    form1("Check3").setEnabled(false);
    for (const char* box : {"Check11", "Check12", "Check1", "Check5"})
        userFiles(box).setValue(1);
    core::ListBoxOf("UserFiles", "List1").AddItem("c:\\letters\\brief, 1999.doc");
    SaveCINI();

    core::state().SaveFolder = "C:\\Elsewhere\\";
    LoadCINI();
    EXPECT_EQ(held(), QStringList({"Check1", "Check10", "Check11", "Check18", "Check20", "Check23", "Check24"}));
    EXPECT_EQ(ticked(), QStringList());
    EXPECT_EQ(restoreList(), QStringList({"c:\\letters\\brief, 1999.doc"}));
    EXPECT_EQ(core::state().SaveFolder, "C:\\My Backups\\");
    EXPECT_EQ(core::state().ConfigDescription[1], "Weekly");
}
