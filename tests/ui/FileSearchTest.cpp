// The search by file type: the dialog AddUser with what UserFiles.ini remembers, the walk of
// the search window over a folder tree, the question at its end, and stopping it.
#include "UiTesting.h"
#include "core/IniValues.h"
#include "platform/Volume.h"
#include "ui/AddUser.h"
#include "ui/UserFiles.h"
#include "vb/Conversions.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <functional>
#include <unistd.h>

using uitest::click;

namespace {

const QString kSearchIni = QStringLiteral("C:\\Program Files\\Trelvo\\UserFiles.ini");

class FileSearchTest : public uitest::ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeSettings({});
        start();
        userFiles = &ui::UserFiles();
        uitest::clickTab(ui::Form1().SSTab2, 2);
        click(ui::Form1().Command11);
    }

    // The user-file window's Search... button; the dialog it brings.
    ui::AddUserForm& openSearch()
    {
        click(userFiles->Command5);
        return ui::AddUser();
    }
    static void typeInto(vb::ComboBox& box, const QString& text)
    {
        static_cast<QComboBox*>(box.widget())->clearEditText();
        QTest::keyClicks(box.widget(), text);
    }
    // C:\Docs with matches of *.txt on three levels, a folder whose name matches, a hidden
    // match and a file of another type.
    void makeTree()
    {
        for (const char* file : {"Docs/a.txt", "Docs/x.doc", "Docs/h.txt", "Docs/Sub/b.TXT", "Docs/Sub/Deeper/c.txt",
                                 "Docs/foo.txt/d.txt"})
            tm.writeC(QString::fromLatin1(file), "x");
        vb::SetAttr(QStringLiteral("C:\\Docs\\h.txt"), vb::vbHidden);
    }
    QStringList userEntries() const
    {
        QStringList out;
        for (int i = 0; i < userFiles->List1.ListCount(); ++i)
            out << userFiles->List1.List(i);
        return out;
    }
    static QString searchSetting(const QString& key)
    {
        return core::ReadIni(QStringLiteral("AddUserSettings"), key, kSearchIni);
    }

    ui::UserFilesForm* userFiles = nullptr;
};

} // namespace

TEST_F(FileSearchTest, TheDialogOffersWhatUserFilesIniRemembersAndBrowseAddsAFolderOnce)
{
    writeProgramFile("UserFiles.ini",
                     "[AddUserSettings]\nFiletypes0=*.doc\nFiletypes1=*.ini\nFiletypes2=\nFiletypes3=*.lost\n"
                     "FilePath0=C:\\Letters\\\nSubDirs=1\n");
    ui::AddUserForm& dialog = openSearch();
    EXPECT_TRUE(dialog.Visible());
    EXPECT_EQ(userFiles->WindowState(), vb::vbMinimized);
    EXPECT_EQ(dialog.Caption(), "Search user-defined Files");
    EXPECT_EQ(dialog.HelpContextID(), 2030);
    EXPECT_EQ(dialog.Combo1.ListCount(), 2);   // the list ends at the first empty entry
    EXPECT_EQ(dialog.Combo1.List(1), "*.ini");
    EXPECT_EQ(dialog.Combo2.List(0), "C:\\Letters\\");
    EXPECT_EQ(dialog.Check1.Value(), 1);

    ui->expectFolder(QStringLiteral("Select Source Folder"), QStringLiteral("C:\\WINDOWS"));
    ui->expectFolder(QStringLiteral("Select Source Folder"), QStringLiteral("c:\\windows\\"));
    click(dialog.Command2);
    click(dialog.Command2);
    EXPECT_EQ(dialog.Combo2.ListCount(), 2);
    EXPECT_EQ(dialog.Combo2.List(1), "C:\\WINDOWS\\");
    EXPECT_EQ(dialog.Combo2.ListIndex(), 1);

    // Cancel keeps the dialog loaded, with its lists, and brings the user-file window back.
    click(dialog.Command3);
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("AddUser")));
    EXPECT_EQ(userFiles->WindowState(), vb::vbNormal);
    EXPECT_EQ(openSearch().Combo2.ListCount(), 2);
}

TEST_F(FileSearchTest, ASearchWithSubfoldersFindsEveryMatchOnceAndYesAddsThemToTheList)
{
    makeTree();
    writeProgramFile("trelvo.usr", " 1\r\nc:\\autoexec.bat\r\n\r\n");
    userFiles->Command2_Click();
    click(ui::Form1().Command11);
    ui::AddUserForm& dialog = openSearch();
    typeInto(dialog.Combo1, QStringLiteral("txt"));
    typeInto(dialog.Combo2, QStringLiteral("c:\\docs"));
    click(dialog.Check1);

    QStringList shownWhileSearching;
    ui->expect(QStringLiteral("Trelvo has found"), QStringLiteral("Yes"), [&] {
        ui::frmDrvScanForm& search = ui::frmDrvScan();
        for (int i = 0; i < search.List1.ListCount(); ++i)
            shownWhileSearching << search.List1.List(i);
        EXPECT_FALSE(ui::Form1().Enabled());   // nothing else starts meanwhile
    });
    click(dialog.Command1);

    // Pre-order, subfolders in the order of the listing; the folder foo.txt is walked, not found.
    const QStringList found = {"C:\\Docs\\a.txt", "C:\\Docs\\h.txt", "C:\\Docs\\foo.txt\\d.txt", "C:\\Docs\\Sub\\b.TXT",
                               "C:\\Docs\\Sub\\Deeper\\c.txt"};
    EXPECT_EQ(shownWhileSearching, found);
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown()[0].prompt,
              "Trelvo has found  5 *.txt files.\r\rWould you like to add them to the userfile list?");
    EXPECT_EQ(ui->shown()[0].title, "Search Results");
    EXPECT_EQ(ui->beeps(), 1);

    QStringList expected = {"c:\\autoexec.bat"};
    for (const QString& path : found)
        expected << path.toLower();
    EXPECT_EQ(userEntries(), expected);
    EXPECT_EQ(programFile("trelvo.usr").split(QStringLiteral("\r\n")).mid(0, 7),
              QStringList{" 6"} + expected);
    EXPECT_EQ(userFiles->Frame8.Caption(), "User-defined Files - Total Files:  6");

    // The typed type joined the list and was remembered; the typed folder got its "\".
    EXPECT_EQ(searchSetting("Filetypes0"), "*.txt");
    EXPECT_EQ(searchSetting("FilePath0"), "");
    EXPECT_EQ(searchSetting("SubDirs"), "1");
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("frmDrvScan")));
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("AddUser")));
    EXPECT_EQ(userFiles->WindowState(), vb::vbNormal);
    EXPECT_TRUE(ui::Form1().Enabled());
}

TEST_F(FileSearchTest, WithoutSubfoldersOnlyTheStartFolderIsSearchedAndNoAddsNothing)
{
    makeTree();
    ui::AddUserForm& dialog = openSearch();
    typeInto(dialog.Combo1, QStringLiteral(".TXT"));
    typeInto(dialog.Combo2, QStringLiteral("C:\\Docs"));
    ui->expect(QStringLiteral("Trelvo has found  2 *.TXT files."), QStringLiteral("No"), [&] {
        EXPECT_EQ(dialog.Combo2.Text(), "C:\\Docs\\");
    });
    click(dialog.Command1);
    EXPECT_TRUE(userEntries().isEmpty());
    EXPECT_EQ(programFile("trelvo.usr"), " 0\r\n\r\n");   // written all the same
    EXPECT_EQ(searchSetting("Filetypes0"), "*.TXT");
    EXPECT_EQ(searchSetting("SubDirs"), "0");
}

TEST_F(FileSearchTest, EscStopAndTheCloseBoxEndTheWalkAndTheQuestionTellsWhatWasFoundSoFar)
{
    constexpr int kFolders = 200;
    for (int i = 0; i < kFolders; ++i)
        tm.writeC(QStringLiteral("Big/F%1/match%1.log").arg(i, 4, 10, QLatin1Char('0')), "x");

    const QList<std::pair<const char*, std::function<void(ui::frmDrvScanForm&)>>> ways = {
        {"Esc", [](ui::frmDrvScanForm& search) { QTest::keyClick(search.window(), Qt::Key_Escape); }},
        {"Stop", [](ui::frmDrvScanForm& search) { click(search.Command1); }},
        {"the close box", [](ui::frmDrvScanForm& search) { search.window()->close(); }},
    };
    for (const auto& [way, stop] : ways) {
        SCOPED_TRACE(way);
        ui::AddUserForm& dialog = openSearch();
        typeInto(dialog.Combo1, QStringLiteral("log"));
        typeInto(dialog.Combo2, QStringLiteral("C:\\Big\\"));
        dialog.Check1.setValue(1);

        // The user stops the walk as soon as the first files show.
        QTimer user;
        int foundWhenStopped = -1;
        QObject::connect(&user, &QTimer::timeout, [&, stop = stop] {
            if (!vb::Forms::isLoaded(QStringLiteral("frmDrvScan")) || foundWhenStopped != -1)
                return;
            ui::frmDrvScanForm& search = ui::frmDrvScan();
            if (search.List1.ListCount() > 0) {
                foundWhenStopped = search.List1.ListCount();
                stop(search);
            }
        });
        user.start(0);
        int reported = -1;
        ui->expect(QStringLiteral("Trelvo has found"), QStringLiteral("No"),
                   [&] { reported = ui::frmDrvScan().List1.ListCount(); });
        const qsizetype before = ui->shown().size();
        click(dialog.Command1);

        ASSERT_GT(foundWhenStopped, 0);
        EXPECT_EQ(reported, foundWhenStopped);
        EXPECT_LT(reported, kFolders);
        ASSERT_EQ(ui->shown().size(), before + 1);
        EXPECT_TRUE(ui->shown().last().prompt.startsWith(QStringLiteral("Trelvo has found ") + vb::Str(reported) + " *.log files."));
        EXPECT_TRUE(userEntries().isEmpty());
        EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("frmDrvScan")));
    }
}

TEST_F(FileSearchTest, LinksToFoldersAreNotEnteredSoALoopEndsAndEachFileIsAddedOnce)
{
    // A link back to the folder above and two links of a folder to itself.
    for (const char* file : {"T/a.txt", "T/L1/b.txt", "T/L1/L2/c.txt", "T/L1/L2/d.txt", "T/L1/L2/e.txt", "T/f.txt", "T/L1/g.txt"})
        tm.writeC(QString::fromLatin1(file), "x");
    for (const auto& [at, target] : {std::pair{"T/L1/loop", ".."}, {"T/L1/L2/self", "."}, {"T/L1/L2/again", "."}})
        ASSERT_EQ(::symlink(target, QFile::encodeName(tm.hostC(QString::fromLatin1(at))).constData()), 0);

    ui::AddUserForm& dialog = openSearch();
    typeInto(dialog.Combo1, QStringLiteral("*.txt"));
    typeInto(dialog.Combo2, QStringLiteral("C:\\T"));
    dialog.Check1.setValue(1);
    ui->expect(QStringLiteral("Trelvo has found  7 *.txt files."), QStringLiteral("Yes"));
    click(dialog.Command1);

    EXPECT_EQ(userEntries(), (QStringList{"c:\\t\\a.txt", "c:\\t\\f.txt", "c:\\t\\l1\\b.txt", "c:\\t\\l1\\g.txt",
                                          "c:\\t\\l1\\l2\\c.txt", "c:\\t\\l1\\l2\\d.txt", "c:\\t\\l1\\l2\\e.txt"}));
    EXPECT_EQ(programFile("trelvo.usr").count(QStringLiteral("\r\n")), 9);   // the count, seven paths, the end
}

TEST_F(FileSearchTest, ATypedNameSearchesForItsExtension)
{
    makeTree();
    tm.writeC(QStringLiteral("Docs/page.html"), "x");
    const QList<std::pair<QString, QString>> typed = {
        {QStringLiteral("b.Txt"), QStringLiteral("Trelvo has found  2 *.Txt files.")},
        {QStringLiteral("*.html"), QStringLiteral("Trelvo has found  1 *.html files.")},   // the whole extension
        {QStringLiteral("report.DOC"), QStringLiteral("Trelvo has found  1 *.DOC files.")},
    };
    for (const auto& [text, question] : typed) {
        SCOPED_TRACE(text.toStdString());
        ui::AddUserForm& dialog = openSearch();
        typeInto(dialog.Combo1, text);
        typeInto(dialog.Combo2, QStringLiteral("C:\\Docs"));
        ui->expect(question, QStringLiteral("No"));
        click(dialog.Command1);
    }
    ui::AddUserForm& last = openSearch();
    QStringList types;
    for (int i = 0; i < last.Combo1.ListCount(); ++i)
        types << last.Combo1.List(i);
    EXPECT_EQ(types, (QStringList{"*.Txt", "*.html", "*.DOC"}));
}

TEST_F(FileSearchTest, WithoutAFileTypeNothingIsSearched)
{
    ui::AddUserForm& dialog = openSearch();
    typeInto(dialog.Combo2, QStringLiteral("C:\\"));
    ui->expect(QStringLiteral("Please indicate a file type (Extension)"), QStringLiteral("OK"));
    click(dialog.Command1);
    EXPECT_EQ(ui->shown().size(), 1);
    EXPECT_FALSE(programFileExists("trelvo.usr"));
    EXPECT_EQ(searchSetting("SubDirs"), "0");   // remembered by OK before the search
}

// Another disk put into A: while the search walks the first one: what comes after the change
// is what the drive holds now, not the folders of the disk that was taken out.
TEST_F(FileSearchTest, AFloppyChangedDuringTheSearchIsNotWalkedOnFromTheDiskTakenOut)
{
    constexpr int kFolders = 120;
    platform::Machine& machine = tm.machine();
    machine.createDisk(QStringLiteral("first"), platform::DiskFormat::byName(QStringLiteral("1.44M")), true);
    machine.createDisk(QStringLiteral("second"), platform::DiskFormat::byName(QStringLiteral("1.44M")), true);
    for (int i = 0; i < kFolders; ++i) {
        const QString folder = tm.hostDisk(QStringLiteral("first")) + QStringLiteral("/F%1").arg(i, 3, 10, QLatin1Char('0'));
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(folder + QStringLiteral("/m%1.log").arg(i));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    machine.insertDisk(QStringLiteral("first"));

    ui::AddUserForm& dialog = openSearch();
    typeInto(dialog.Combo1, QStringLiteral("log"));
    typeInto(dialog.Combo2, QStringLiteral("A:\\"));
    dialog.Check1.setValue(1);

    // The user changes the disk as soon as the first files show.
    QTimer user;
    int foundWhenChanged = -1;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!vb::Forms::isLoaded(QStringLiteral("frmDrvScan")) || foundWhenChanged != -1)
            return;
        if (const int shown = ui::frmDrvScan().List1.ListCount(); shown > 0) {
            foundWhenChanged = shown;
            machine.insertDisk(QStringLiteral("second"));
        }
    });
    user.start(0);
    QStringList found;
    ui->expect(QStringLiteral("Trelvo has found"), QStringLiteral("No"), [&] {
        ui::frmDrvScanForm& search = ui::frmDrvScan();
        for (int i = 0; i < search.List1.ListCount(); ++i)
            found << search.List1.List(i);
    });
    click(dialog.Command1);

    ASSERT_GT(foundWhenChanged, 0);
    // At most the rest of the folder whose listing was under way: one file.
    EXPECT_LE(found.size(), foundWhenChanged + 1) << found.join(u' ').toStdString();
    EXPECT_LT(found.size(), kFolders);
}
