// The user-file window: the list file trelvo.usr, Add..., Remove, Remove Duplicates, Remove
// Orphanes, files dropped from the host's desktop, the seven boxes with Apply, OK and Cancel.
#include "UiTesting.h"
#include "core/IniValues.h"
#include "ui/UserFiles.h"
#include "support/SmallDisk.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"

#include <QDragEnterEvent>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

using core::state;
using uitest::click;

namespace {

const QString kChooseFiles = QStringLiteral("Select user-defined Files");

class UserFilesTest : public uitest::ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeSettings({});
        main = &start();
        window = &ui::UserFiles();
    }

    // The Options page's Select... button.
    void open()
    {
        uitest::clickTab(main->SSTab2, 2);
        click(main->Command11);
        ASSERT_TRUE(window->Visible());
    }
    QStringList entries() const
    {
        QStringList out;
        for (int i = 0; i < window->List1.ListCount(); ++i)
            out << window->List1.List(i);
        return out;
    }
    // A click on row `row` of the list, with Ctrl to add it to the rows already selected.
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        auto* list = static_cast<QListWidget*>(window->List1.widget());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->item(row)).center());
    }
    void writeList(const QByteArray& text) { writeProgramFile("trelvo.usr", text); }
    QString settings(const char* key) const
    {
        return core::ReadIni(QStringLiteral("UserFiles"), QString::fromLatin1(key),
                             QStringLiteral("C:\\Program Files\\Trelvo\\trelvo.ini"));
    }
    void drop(const QStringList& hostPaths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : hostPaths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QWidget* viewport = static_cast<QListWidget*>(window->List1.widget())->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &dropped);
    }

    ui::Form1Form* main = nullptr;
    ui::UserFilesForm* window = nullptr;
};

} // namespace

TEST_F(UserFilesTest, TheListFileHoldsTheCountTheEntriesAndAnEmptyLineAndReadsBackTheSame)
{
    tm.writeC(QStringLiteral("Docs/a.txt"), "a");
    open();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(window->Frame8.Caption(), "User-defined Files - Total Files:  0");
    EXPECT_FALSE(window->Command1.Enabled());

    ui->expectFiles(kChooseFiles, {QStringLiteral("C:\\A.TXT")});
    click(window->Command11);
    ui->expectFiles(kChooseFiles, {QStringLiteral("C:\\Docs\\B,C.TXT"), QStringLiteral("C:\\Docs\\a.txt")});
    click(window->Command11);
    EXPECT_EQ(entries(), (QStringList{"c:\\a.txt", "c:\\docs\\b,c.txt", "c:\\docs\\a.txt"}));
    EXPECT_EQ(vb::CurDir(), "C:\\Docs");   // the dialog's folder is the current one now
    EXPECT_EQ(window->Frame8.Caption(), "User-defined Files - Total Files:  3");
    EXPECT_TRUE(window->Command1.Enabled());
    EXPECT_FALSE(state().SettingsSaved);

    // Remove takes the selected entries.
    EXPECT_FALSE(window->Command12.Enabled());
    clickRow(2);
    click(window->Command12);
    EXPECT_EQ(window->List1.ListCount(), 2);

    click(window->Command1);   // Apply
    EXPECT_EQ(programFile("trelvo.usr"), " 2\r\nc:\\a.txt\r\nc:\\docs\\b,c.txt\r\n\r\n");
    EXPECT_FALSE(window->Command1.Enabled());
    EXPECT_TRUE(state().SettingsSaved);

    // Shown again, the window reads the file: the same entries, and the tool tip of a row.
    click(window->Command3);   // OK
    EXPECT_FALSE(window->Visible());
    window->List1.Clear();
    open();
    EXPECT_EQ(entries(), (QStringList{"c:\\a.txt", "c:\\docs\\b,c.txt"}));
    auto* list = static_cast<QListWidget*>(window->List1.widget());
    QTest::mouseMove(list->viewport(), list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(window->List1.ToolTipText(), "c:\\docs\\b,c.txt");
    EXPECT_GT(window->List1.HorizontalExtent(), QFontMetrics(list->font()).horizontalAdvance("c:\\docs\\b,c.txt"));

    // An empty list is the count line " 0" and the empty line.
    clickRow(0);
    clickRow(1, Qt::ControlModifier);
    click(window->Command12);
    click(window->Command3);
    EXPECT_EQ(programFile("trelvo.usr"), " 0\r\n\r\n");
}

TEST_F(UserFilesTest, RemoveDuplicatesKeepsTheLastOfEachAndRemoveOrphanesTheFilesThatAreGone)
{
    tm.machine().ejectDisk(u'A');
    writeList(" 7\r\n"
              "c:\\autoexec.bat\r\n"
              "c:\\gone.txt\r\n"
              "c:\\autoexec.bat\r\n"
              "C:\\AUTOEXEC.BAT\r\n"
              " c:\\config.sys \r\n"
              "c:\\windows\r\n"
              "a:\\notes.txt\r\n\r\n");
    open();
    EXPECT_EQ(window->List1.ListCount(), 7);

    click(window->Command6);
    EXPECT_EQ(entries(), (QStringList{"c:\\gone.txt", "c:\\autoexec.bat", "C:\\AUTOEXEC.BAT", "c:\\config.sys", "c:\\windows",
                                      "a:\\notes.txt"}));
    EXPECT_EQ(window->Frame8.Caption(), "User-defined Files - Total Files:  6");
    EXPECT_TRUE(window->Command1.Enabled());
    click(window->Command6);   // nothing more to remove
    EXPECT_EQ(window->List1.ListCount(), 6);

    // A missing file and a folder go; a file on a drive without its disk cannot be judged.
    ui->expect(QStringLiteral("Removing:  2file(s)"), QStringLiteral("OK"));
    click(window->Command7);
    EXPECT_EQ(entries(), (QStringList{"c:\\autoexec.bat", "C:\\AUTOEXEC.BAT", "c:\\config.sys", "a:\\notes.txt"}));
    EXPECT_EQ(window->Frame8.Caption(), "User-defined Files - Total Files:  4");
    click(window->Command7);   // all there: no message
    EXPECT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(programFile("trelvo.usr").count(QStringLiteral("\r\n")), 9);   // nothing written before Apply
}

TEST_F(UserFilesTest, FilesDroppedFromTheDesktopAreAddedByTheirPathOnThePc)
{
    tm.writeC(QStringLiteral("My Documents/Report.DOC"), "report");
    tm.writeC(QStringLiteral("My Documents/Notes.txt"), "notes");
    QTemporaryDir elsewhere;
    QFile outside(elsewhere.filePath(QStringLiteral("host.txt")));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.close();
    open();
    ASSERT_FALSE(window->Command1.Enabled());

    ui->expect(QStringLiteral("You can not add a complete folder!"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("does not lie on a drive of this PC"), QStringLiteral("OK"));
    drop({tm.hostC(QStringLiteral("My Documents/Report.DOC")), tm.hostC(QStringLiteral("My Documents")), outside.fileName(),
          tm.hostC(QStringLiteral("My Documents/Notes.txt"))});
    EXPECT_EQ(entries(), (QStringList{"c:\\my documents\\report.doc", "c:\\my documents\\notes.txt"}));
    ASSERT_EQ(ui->shown().size(), 2);
    EXPECT_EQ(ui->shown()[0].title, "Warning!");
    EXPECT_TRUE(ui->shown()[1].prompt.endsWith(outside.fileName()));
    EXPECT_EQ(window->Frame8.Caption(), "User-defined Files - Total Files:  2");
    EXPECT_TRUE(window->Command1.Enabled());
}

TEST_F(UserFilesTest, ANameWindowsCannotStoreIsRefusedByNameWhetherChosenOrDropped)
{
    const QString turtle = QStringLiteral("My Documents/\u017c\u00f3\u0142w.txt");   // not in the code page
    const QString cafe = QStringLiteral("My Documents/caf\u00e9.txt");                  // in it
    tm.writeC(turtle, "shell");
    tm.writeC(cafe, "coffee");
    open();

    const QString turtleWin = QStringLiteral("C:\\My Documents\\\u017c\u00f3\u0142w.txt");
    ui->expectFiles(kChooseFiles, {turtleWin, QStringLiteral("C:\\My Documents\\caf\u00e9.txt")});
    ui->expect(QStringLiteral("can not store"), QStringLiteral("OK"));
    click(window->Command11);
    ui->expect(QStringLiteral("can not store"), QStringLiteral("OK"));
    drop({tm.hostC(turtle), tm.hostC(cafe)});

    ASSERT_EQ(ui->shown().size(), 3);
    for (int i : {1, 2}) {
        EXPECT_TRUE(ui->shown()[i].prompt.endsWith(u'\r' + turtleWin)) << ui->shown()[i].prompt.toStdString();
        EXPECT_EQ(ui->shown()[i].title, "Warning!");
    }
    EXPECT_EQ(entries(), (QStringList{"c:\\my documents\\caf\u00e9.txt", "c:\\my documents\\caf\u00e9.txt"}));
    click(window->Command1);   // Apply
    EXPECT_FALSE(tm.readC(QStringLiteral("Program Files/Trelvo/trelvo.usr")).contains('?'));

    // Nothing acceptable chosen: nothing changes, as after Cancel.
    click(window->Command1);
    ASSERT_FALSE(window->Command1.Enabled());
    ui->expectFiles(kChooseFiles, {turtleWin});
    ui->expect(QStringLiteral("can not store"), QStringLiteral("OK"));
    click(window->Command11);
    EXPECT_FALSE(window->Command1.Enabled());
    EXPECT_EQ(entries().size(), 2);
}

TEST_F(UserFilesTest, TheBoxesAreAppliedByApplyAndOkAndPutBackByCancelAndTheCloseBox)
{
    writeList(" 1\r\nc:\\autoexec.bat\r\n\r\n");
    open();
    uitest::clickTab(window->SSTab1, 1);
    EXPECT_TRUE(window->UserExpl.Visible());
    EXPECT_FALSE(window->UserUser.Visible());
    click(window->Check12);   // favorites
    EXPECT_FALSE(state().SettingsSaved);
    EXPECT_TRUE(window->Command1.Enabled());
    click(window->Command1);
    EXPECT_EQ(settings("MSEFavorites"), "1");
    EXPECT_TRUE(state().SettingsSaved);

    // Another window in between keeps what is not applied yet.
    ui->expectFiles(kChooseFiles, {QStringLiteral("C:\\CONFIG.SYS")});
    uitest::clickTab(window->SSTab1, 0);
    click(window->Command11);
    main->SetFocus();
    window->SetFocus();
    EXPECT_EQ(window->List1.ListCount(), 2);
    EXPECT_EQ(window->SSTab1.Tab(), 0);

    // Cancel: the box and the list as they were, nothing written.
    click(window->Check2);   // cookies
    click(window->Command2);
    EXPECT_FALSE(window->Visible());
    EXPECT_EQ(window->Check2.Value(), 0);
    EXPECT_EQ(window->Check12.Value(), 1);
    EXPECT_EQ(window->List1.ListCount(), 1);
    EXPECT_TRUE(state().SettingsSaved);
    EXPECT_EQ(settings("MSECookies"), "0");

    // The close box is Cancel too; the window stays loaded for the save to read.
    open();
    click(window->Check3);
    window->window()->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("UserFiles")));
    EXPECT_FALSE(window->Visible());
    EXPECT_EQ(window->Check3.Value(), 0);
    EXPECT_EQ(programFile("trelvo.usr"), " 1\r\nc:\\autoexec.bat\r\n\r\n");
}

TEST_F(UserFilesTest, WhileASaveRunsTheWindowTakesNoInputAndTheSaveTakesTheListFile)
{
    tm.writeC(QStringLiteral("My Documents/budget.xls"), "numbers");
    writeList(" 1\r\nc:\\my documents\\budget.xls\r\n\r\n");
    open();
    click(main->Option1);
    uitest::type(main->Text1, QStringLiteral("Monday"));

    bool refused = true, watched = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (state().SaveRunning) {
            watched = true;
            refused = refused && !window->Enabled();
        }
    });
    watch.start(0);
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    click(main->Command1);
    watch.stop();
    EXPECT_TRUE(watched);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(window->Enabled());
    EXPECT_TRUE(programFileExists("Conf1us.tva"));
    EXPECT_EQ(programFile("Config1.usr"), " 1\r\nc:\\my documents\\budget.xls\r\n\r\n");
}

// A full disk that does not take the list file: the user is told so, with the file and the
// reason, rather than finding the entries gone the next time the window opens. The file
// keeps what it held.
TEST_F(UserFilesTest, AListFileThatAFullDiskRefusesIsToldNotDroppedInSilence)
{
    testsupport::SmallDriveC disk(tm, 4 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    writeList(" 1\r\nc:\\autoexec.bat\r\n\r\n");
    tm.writeC(QStringLiteral("Docs/Report.doc"), "r");
    open();
    click(window->Command1);   // Apply, while there is room
    ASSERT_EQ(entries(), QStringList{"c:\\autoexec.bat"});
    tm.writeC(QStringLiteral("Program Files/Trelvo/Error.log"), "before\r\n");

    disk.fill();
    ui->expectFiles(kChooseFiles, {QStringLiteral("C:\\Docs\\Report.doc")});
    click(window->Command11);
    ui->expect(QStringLiteral("Trelvo could not save its settings into this file: C:\\Program Files\\Trelvo\\trelvo.usr Disk full"),
               QStringLiteral("OK"));
    click(window->Command3);   // OK
    disk.release();

    EXPECT_EQ(programFile("trelvo.usr"), " 1\r\nc:\\autoexec.bat\r\n\r\n");
    EXPECT_EQ(ui->shown().size(), 2);   // the file dialog and the one box
}
