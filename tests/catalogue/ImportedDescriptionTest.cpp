// Reading a configuration saved in another folder: the description file, and the
// sequential file that version 1.2x wrote under the same name.
#include "CatalogueTesting.h"
#include "support/DamagedFile.h"
#include "catalogue/ImportedDescription.h"
#include "core/ProgramState.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"

using namespace catalogue;
using namespace cataloguetest;

namespace {

const ImportSource kSlot2{QStringLiteral("C:\\Import\\"), QStringLiteral("2 / Weekly          / 5/17/99 2:05 PM")};

// A 1.2x file: the description, the Windows folder and the archive folder on one line,
// one line per pair of flags, the four folders, then the user files.
struct SequentialFile {
    QStringList head = {"\"Old Set\"", "\"C:\\WINDOWS\"", "\"C:\\OLDSAVE\""};
    QStringList pairs = QStringList(24, "0,True");   // item order; pair 15 is the unused one
    QStringList folders = {"\"C:\\WINDOWS\\FAVORITES\\\"", "\"C:\\NETSCAPE\\USERS\\DEFAULT\"", "\"C:\\OTHER\"",
                           "\"C:\\WINDOWS\\START MENU\\\""};
    QStringList userLines = {""};
    QStringList lines() const { return QStringList() << head.join(u',') << pairs << folders.join(u',') << userLines; }
};

class ImportTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        core::ProgramState& s = core::state();
        s.SaveFolder = "C:\\Current\\";
        s.SelectedConfig = 3;
        s.LoadResult = 0;
        s.ImportActive = true;
        s.PathStartmenue = "C:\\WINDOWS\\Start Menu\\";
        for (int i = 0; i < 5; ++i)
            s.ConfigDescription[i] = "Slot " + QString::number(i + 1);
        fillAsAnEarlierLoad();
    }
    void writeImport(const QString& name, const QStringList& lines) { writeLines("Import/" + name, lines); }

    // What an import never touches.
    void expectOwnStateUntouched() const
    {
        const core::ProgramState& s = core::state();
        EXPECT_EQ(s.SaveFolder, "C:\\Current\\");
        EXPECT_EQ(s.SelectedConfig, 3);
        EXPECT_EQ(s.LoadResult, 0.0f);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(s.ConfigDescription[i], "Slot " + QString::number(i + 1));
    }
};

} // namespace

// ---- the description file -------------------------------------------------------------

TEST_F(ImportTest, ADescriptionFileGivesItsItemsFoldersAndUserFileKeys)
{
    DescriptionFile d;
    d.saveFolder = "D:\\Saves";
    d.systemPath = "C:\\WIN98";
    d.saved = {"Config.sys", "Startmenue", "MSEFavorites", "MSECookies"};
    d.netscape = "NONE";
    d.userKeys = {"UserFile0=c:\\letters\\brief, 1999.doc", "UserFile1=c:\\work\\plan.xls", "UserFile3=c:\\lost.txt"};
    writeImport("Config2.ini", d.lines());
    writeImport("Config2.usr", {" 1", "c:\\not\\this.txt"});   // the keys win

    LoadCINIImport(kSlot2);

    const core::ProgramState& s = core::state();
    EXPECT_EQ(held(), QStringList({"Check2", "Check11", "Check19", "Check20"}));
    EXPECT_EQ(ticked(), QStringList());
    EXPECT_EQ(restoreList(), QStringList({"c:\\letters\\brief, 1999.doc", "c:\\work\\plan.xls"}));
    EXPECT_EQ(s.ImportSaveFolder, "D:\\Saves\\");
    EXPECT_EQ(s.SystemPath, "C:\\WIN98");
    EXPECT_EQ(s.PathFavorites, "C:\\WINDOWS\\Favorites\\");
    EXPECT_EQ(s.PathNetscape, "NONE");
    EXPECT_EQ(s.PathStartmenue, "C:\\WINDOWS\\Start Menu\\");
    EXPECT_TRUE(s.ImportActive);
    expectOwnStateUntouched();
    // Saved to a hard disk: nothing of an earlier load's pieces is left.
    EXPECT_EQ(s.SplitArchive[1], "");
    EXPECT_EQ(s.SplitPieces[1], 0);
    EXPECT_EQ(s.DiskNo, 0);
    EXPECT_EQ(s.DiskRestoreFolder, "");
    EXPECT_TRUE(ui->requests.isEmpty());
    EXPECT_EQ(errorLog(), QByteArray());
}

TEST_F(ImportTest, WithoutUserFileKeysTheListBesideItIsReadAndWithoutSaveFolderTheImportFolderServes)
{
    DescriptionFile d;
    d.saveFolder = QString();
    d.saved = {"Win.ini"};
    d.userKeys = {"UserFile1=c:\\second.txt"};   // no UserFile0: no keys at all
    writeImport("Config2.ini", d.lines());
    writeImport("Config2.usr", {" 2", "c:\\letters\\brief, 1999.doc", "", "c:\\work\\plan.xls", ""});
    LoadCINIImport(kSlot2);
    EXPECT_EQ(restoreList(), QStringList({"c:\\letters\\brief, 1999.doc", "c:\\work\\plan.xls"}));
    EXPECT_EQ(core::state().ImportSaveFolder, "C:\\Import\\");
    EXPECT_EQ(held(), QStringList({"Check9"}));
    EXPECT_TRUE(ui->requests.isEmpty());
    EXPECT_TRUE(core::state().ImportActive);
}

TEST_F(ImportTest, ADescriptionSavedOntoFloppiesBringsItsPieceLog)
{
    DescriptionFile d;
    d.saveFolder = "a:\\";
    d.splitLog = {"File2=C:\\Program Files\\Trelvo\\Conf2us.tva", "C:\\Program Files\\Trelvo\\Conf2us.tva= 2"};
    writeImport("Config2.ini", d.lines());
    writeImport("Config2.usr", {" 0", ""});
    LoadCINIImport(kSlot2);
    const core::ProgramState& s = core::state();
    EXPECT_EQ(s.DiskNo, 0);
    EXPECT_EQ(s.SplitArchive[1], "");
    EXPECT_EQ(s.SplitArchive[2], "C:\\Program Files\\Trelvo\\Conf2us.tva");
    EXPECT_EQ(s.SplitPieces[2], 2);
    EXPECT_EQ(s.DiskRestoreFolder, "C:\\Program Files\\Trelvo\\DiskRestore\\");
    EXPECT_EQ(s.ImportSaveFolder, "a:\\");
    expectOwnStateUntouched();
}

TEST_F(ImportTest, ADescriptionWithoutItsListAsksAndNoAbandonsTheImport)
{
    DescriptionFile d;
    d.saved = {"Win.ini"};
    writeImport("Config2.ini", d.lines());
    ui->expect("File not found!", "No");
    LoadCINIImport(kSlot2);
    ASSERT_EQ(ui->requests.size(), 1);
    EXPECT_EQ(ui->requests[0].prompt, "File not found! (C:\\Import\\Config2.usr)\r"
                                      "If you continue you can not select files to restore\r"
                                      "All files in the archive where restored\r\rContinue?");
    EXPECT_EQ(ui->requests[0].title, "Warning!");
    EXPECT_EQ(ui->requests[0].buttons, vb::vbYesNo | vb::vbCritical | vb::vbDefaultButton2);
    EXPECT_FALSE(core::state().ImportActive);
    EXPECT_EQ(errorLog(), QByteArray("File not found05-17-1999LoadCINIImport\r\n"));

    // Yes goes on with what the file holds.
    core::state().ImportActive = true;
    ui->expect("File not found!", "Yes");
    LoadCINIImport(kSlot2);
    EXPECT_TRUE(core::state().ImportActive);
    EXPECT_EQ(held(), QStringList({"Check9"}));
    EXPECT_EQ(ticked(), QStringList());
}

// Each row is a list beside the imported description that is there but cannot be read: asked
// about as a missing one, and No abandons the import.
TEST_F(ImportTest, AListThatCannotBeReadIsAskedAboutAsAMissingOne)
{
    DescriptionFile d;
    d.saved = {"Win.ini"};
    writeImport("Config2.ini", d.lines());
    const QString host = tm.hostC("Import/Config2.usr");
    for (const testsupport::ListDamage& damage : testsupport::listFileDamages(true)) {
        core::state().ImportActive = true;
        damage.make(host);
        ui->expect("File not found! (C:\\Import\\Config2.usr)", "No");
        LoadCINIImport(kSlot2);
        EXPECT_FALSE(core::state().ImportActive) << damage.name;
        EXPECT_EQ(restoreList(), QStringList()) << damage.name;
        QFile::remove(host);
        QDir(host).removeRecursively();
    }
    expectOwnStateUntouched();
}

TEST_F(ImportTest, ADamagedFlagIsLoggedByItsKeyAndTheOtherItemsAreOffered)
{
    DescriptionFile d;
    d.saved = {"Autoexec.bat", "NSCMail"};
    QStringList lines = d.lines();
    lines.replace(lines.indexOf("Msdos.sys=True"), "Msdos.sys=perhaps");
    writeImport("Config2.ini", lines);
    writeImport("Config2.usr", {" 0"});
    LoadCINIImport(kSlot2);
    EXPECT_EQ(held(), QStringList({"Check1", "Check23"}));
    EXPECT_EQ(ticked(), QStringList());
    EXPECT_TRUE(ui->requests.isEmpty());
    EXPECT_TRUE(core::state().ImportActive);
    const QString log = QString::fromLatin1(errorLog());
    EXPECT_TRUE(log.startsWith("Type mismatch05-17-1999LoadCINIImport ") && log.endsWith("Config2.ini [SystemFiles] Msdos.sys\r\n"))
        << log.toStdString();
}

// ---- the sequential file of version 1.2x -----------------------------------------------

TEST_F(ImportTest, AVersion12FileIsReadItemByItemAfterTheWarning)
{
    SequentialFile f;
    f.pairs[0] = "1,True";     // Autoexec.bat
    f.pairs[6] = " 1 , True";  // System.ini, blanks around the items
    f.pairs[14] = "1,True";    // Start menu
    f.pairs[15] = "1,False";   // the pair nothing reads
    f.pairs[16] = "1,True";    // Dblspace.bin
    f.pairs[18] = "1,True";    // favorites
    f.pairs[19] = "0,False";   // address book
    f.pairs[23] = "1,True";    // Netscape mail
    f.folders[0] = "None";     // a folder called None, all the same
    f.folders[3] = "None";     // the Start menu folder stays as it is
    f.userLines = {"c:\\letters\\brief, 1999.doc", "\"c:\\work\\plan, final.xls\",\"c:\\x.txt\"", ""};
    writeImport("Config2.ini", f.lines());
    ui->expect("This configuration was saved with Version 1.2x of Trelvo.", "OK");

    LoadCINIImport(kSlot2);

    ASSERT_EQ(ui->requests.size(), 1);
    EXPECT_EQ(ui->requests[0].prompt,
              "This configuration was saved with Version 1.2x of Trelvo. Therefore, user-defined files can't be restored!");
    EXPECT_EQ(ui->requests[0].title, "Warning!");
    EXPECT_EQ(ui->requests[0].buttons, vb::vbOKCancel | vb::vbInformation | vb::vbDefaultButton2);
    const core::ProgramState& s = core::state();
    EXPECT_EQ(held(), QStringList({"Check1", "Check7", "Check11", "Check20", "Check23", "Check24"}));
    EXPECT_EQ(ticked(), QStringList());
    // A comma outside quotes parts two entries; inside quotes it stays.
    EXPECT_EQ(restoreList(), QStringList({"c:\\letters\\brief", "1999.doc", "c:\\work\\plan, final.xls", "c:\\x.txt"}));
    EXPECT_EQ(s.SystemPath, "C:\\WINDOWS");
    EXPECT_EQ(s.ImportSaveFolder, "C:\\OLDSAVE\\");
    EXPECT_EQ(s.PathFavorites, "None");
    EXPECT_EQ(s.PathNetscape, "C:\\NETSCAPE\\USERS\\DEFAULT");
    EXPECT_EQ(s.PathStartmenue, "C:\\WINDOWS\\Start Menu\\");
    EXPECT_TRUE(s.ImportActive);
    expectOwnStateUntouched();
    EXPECT_EQ(errorLog(), QByteArray());
    EXPECT_EQ(vb::FreeFile(), 1);   // closed
}

TEST_F(ImportTest, AVersion12FileWithoutBrowserFoldersDropsTheirItems)
{
    SequentialFile f;
    f.pairs[17] = "1,True";   // Netscape bookmarks
    f.pairs[18] = "1,True";   // favorites
    f.pairs[21] = "1,True";   // mailbox
    f.folders = {"", "\"\"", "", "\"C:\\MENU\""};
    f.head[2] = "\"\"";       // no archive folder: the import folder
    writeImport("Config2.ini", f.lines());
    ui->expect("Version 1.2x", "OK");
    LoadCINIImport(kSlot2);
    EXPECT_EQ(held(), QStringList({"Check21"}));
    EXPECT_EQ(core::state().PathStartmenue, "C:\\MENU");
    EXPECT_EQ(core::state().ImportSaveFolder, "C:\\Import\\");
}

TEST_F(ImportTest, AVersion12FileEndingAfterTheStartMenuFolderIsLoggedAndStillOffered)
{
    SequentialFile f;
    f.pairs[8] = "1,True";   // Win.ini
    f.userLines.clear();
    writeImport("Config2.ini", f.lines());
    ui->expect("Version 1.2x", "OK");
    LoadCINIImport(kSlot2);
    EXPECT_EQ(ui->requests.size(), 1);
    EXPECT_EQ(errorLog(), QByteArray("Input past end of file05-17-1999LoadCINIImport\r\n"));
    EXPECT_EQ(held(), QStringList({"Check9"}));
    EXPECT_EQ(ticked(), QStringList());
    EXPECT_EQ(restoreList(), QStringList());
    EXPECT_TRUE(core::state().ImportActive);
    EXPECT_EQ(vb::FreeFile(), 1);
}

TEST_F(ImportTest, AVersion12FileWithABadFlagKeepsWhatWasReadBeforeIt)
{
    SequentialFile f;
    f.pairs[0] = "1,True";
    f.pairs[1] = "1,True";
    f.pairs[2] = "yes,True";
    writeImport("Config2.ini", f.lines());
    ui->expect("Version 1.2x", "OK");
    LoadCINIImport(kSlot2);
    EXPECT_EQ(held(), QStringList({"Check1", "Check2"}));
    EXPECT_EQ(errorLog(), QByteArray("Type mismatch05-17-1999LoadCINIImport\r\n"));
    EXPECT_EQ(vb::FreeFile(), 1);
}

TEST_F(ImportTest, CancelAtTheWarningAbandonsTheImportAndOffersNothingOfAnEarlierLoad)
{
    writeImport("Config2.ini", SequentialFile().lines());
    ui->expect("Version 1.2x", "Cancel");
    LoadCINIImport(kSlot2);
    EXPECT_FALSE(core::state().ImportActive);
    EXPECT_EQ(held(), QStringList());
    EXPECT_EQ(ticked(), QStringList());
    EXPECT_EQ(restoreList(), QStringList());
    EXPECT_EQ(errorLog(), QByteArray());
}

TEST_F(ImportTest, AMissingFileIsReportedAsMissing)
{
    ui->expect("File not found!", "No");
    LoadCINIImport({"C:\\Import\\", " 4 / Gone"});
    ASSERT_EQ(ui->requests.size(), 1);
    EXPECT_EQ(ui->requests[0].prompt, "File not found! (C:\\Import\\Config4.ini)\r"
                                      "If you continue you can not select files to restore\r"
                                      "All files in the archive where restored\r\rContinue?");
    EXPECT_FALSE(core::state().ImportActive);
    EXPECT_EQ(errorLog(), QByteArray("File not found05-17-1999LoadCINIImport\r\n"));
    expectOwnStateUntouched();
}

// ---- the Import window's entry point ------------------------------------------------------

namespace {

// The two controls of the Import window that the reader takes its file from.
class ImportWindow : public vb::Form {
public:
    ImportWindow() : vb::Form(QStringLiteral("Import")) {}
    vb::Label Label4{*this, QStringLiteral("Label4")};
    vb::ListBox List1{*this, QStringLiteral("List1")};
};

} // namespace

TEST_F(ImportTest, TheWindowsFolderAndChosenRowNameTheFile)
{
    vb::Forms::registerFactory("Import", [] { return new ImportWindow; });
    auto& window = vb::Forms::get<ImportWindow>("Import");
    window.Label4.setCaption("C:\\Import\\");
    window.List1.AddItem("2 / Weekly          / 5/17/99 2:05 PM");
    window.List1.AddItem("5 / Monthly         / 5/17/99 2:06 PM");
    window.List1.setListIndex(1);
    DescriptionFile d;
    d.saved = {"User.dat"};
    d.userKeys = {"UserFile0=c:\\five.txt"};
    writeImport("Config5.ini", d.lines());
    d.saved = {"Win.ini"};
    writeImport("Config2.ini", d.lines());

    LoadCINIImport();

    EXPECT_EQ(held(), QStringList({"Check8"}));
    EXPECT_EQ(restoreList(), QStringList({"c:\\five.txt"}));
    EXPECT_TRUE(ui->requests.isEmpty());
}
