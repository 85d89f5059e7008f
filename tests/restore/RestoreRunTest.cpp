// The restore run on the demo machine: archives made by the real zip as the save makes
// them, unpacked by the real unzip, the boot-drive files copied back, the boot-time rename
// list written, the restart requested and the emulated boot carried out.
#include "RestoreTesting.h"
#include "restore/Reboot.h"
#include "restore/WininitRename.h"
#include "support/EventLoopProbe.h"

#include <QTest>

using namespace restoretest;
using testsupport::ProcessEnded;

namespace {

const QString kWininit = QStringLiteral("C:\\WINDOWS\\Wininit.ini");

bool folderExists(const QString& win) { return fs::isDirectory(win); }

class RestoreRunTest : public RestoreTest {};

} // namespace

TEST_F(RestoreRunTest, OnlyUserFilesComeBackWithoutRestartAndTheWorkFolderGoes)
{
    // A chosen file three folder levels down whose folders are gone, one chosen file that
    // changed, one listed file that is not chosen.
    const QString deep = QStringLiteral("C:\\Projects\\1999\\Tax\\return.txt");
    makeFoldersFor(deep);
    fs::writeAll(deep, "Income 2400\r\n");
    // A name may hold "=", which User.ini also puts between a file and its staged copy.
    const QString equals = QStringLiteral("C:\\My Documents\\rate=4%.txt");
    fs::writeAll(equals, "4 percent");
    save({.userFiles = {kLetter, kBudget, deep, equals}});
    const QByteArray letter = read(kLetter);
    write(kLetter, "changed since the save");
    write(kBudget, "changed too");
    QDir(tm.hostC(QStringLiteral("Projects"))).removeRecursively();
    tm.machine().forgetDir(tm.hostC(QString()));

    vb::Kill(equals);
    listUserFiles({kLetter, kBudget, deep, equals}, {kLetter, deep, equals});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(read(equals), QByteArray("4 percent"));
    EXPECT_EQ(read(kLetter), letter);
    EXPECT_EQ(read(kBudget), QByteArray("changed too"));   // listed, not chosen
    EXPECT_EQ(read(deep), QByteArray("Income 2400\r\n"));
    EXPECT_FALSE(folderExists(kWork)) << "the work folder is removed";
    EXPECT_FALSE(boxes().join(u'|').contains(kQuestion));
    EXPECT_FALSE(platform::restartPending());
    EXPECT_FALSE(fs::exists(kWininit));
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).Enabled());
    EXPECT_TRUE(core::Win(QStringLiteral("Form1")).Enabled());
    EXPECT_EQ(core::StatusBarOf(QStringLiteral("Form1"), QStringLiteral("StatusBar1")).Text(), QStringLiteral("Restore finished"));
    EXPECT_TRUE(state().RestorePending);
    EXPECT_EQ(read(QStringLiteral("C:\\Restore.ini")), QByteArray("Restore=1\r\n"));
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();
}

TEST_F(RestoreRunTest, EverySystemFileComesBackThroughCopyAndTheBootTimeRename)
{
    const auto before = driveC();
    save(Saved::everything());
    write(QStringLiteral("C:\\AUTOEXEC.BAT"), "@ECHO OFF\r\nREM changed\r\n");
    write(QStringLiteral("C:\\WINDOWS\\WIN.INI"), "[windows]\r\nrun=evil.exe\r\n");
    write(QStringLiteral("C:\\DBLSPACE.INI"), "[DoubleSpace]\r\n");
    fs::setAttributes(QStringLiteral("C:\\MSDOS.SYS"), platform::AttrArchive);
    write(QStringLiteral("C:\\MSDOS.SYS"), "[Options]\r\nBootGUI=0\r\n");

    chooseAllSystemFiles();
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    // The boot drive is back at once; Msdos.sys and the compression drivers are read-only,
    // hidden and system whatever they were; no temporary copy is left beside them.
    EXPECT_EQ(read(QStringLiteral("C:\\AUTOEXEC.BAT")), before.value(QStringLiteral("AUTOEXEC.BAT")).bytes);
    EXPECT_EQ(read(QStringLiteral("C:\\DBLSPACE.INI")), before.value(QStringLiteral("DBLSPACE.INI")).bytes);
    EXPECT_EQ(read(QStringLiteral("C:\\MSDOS.SYS")), before.value(QStringLiteral("MSDOS.SYS")).bytes);
    for (const char* f : {"C:\\MSDOS.SYS", "C:\\DRVSPACE.BIN", "C:\\DBLSPACE.BIN"})
        EXPECT_EQ(attrs(QString::fromLatin1(f)), quint32(7)) << f;
    EXPECT_EQ(vb::Dir(QStringLiteral("C:\\*$"), vb::vbHidden | vb::vbSystem | vb::vbReadOnly), QString());
    // The files Windows holds open wait in the work folder, listed in Wininit.ini in order.
    EXPECT_EQ(read(QStringLiteral("C:\\WINDOWS\\WIN.INI")), QByteArray("[windows]\r\nrun=evil.exe\r\n"));
    EXPECT_EQ(QString::fromLatin1(read(kWininit)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts),
              (QStringList{"[rename]", "C:\\WINDOWS\\system.ini=C:\\WINDOWS\\TEMP\\trelvo\\system.ini",
                           "C:\\WINDOWS\\protocol.ini=C:\\WINDOWS\\TEMP\\trelvo\\protocol.ini",
                           "C:\\WINDOWS\\control.ini=C:\\WINDOWS\\TEMP\\trelvo\\control.ini",
                           "C:\\WINDOWS\\user.dat=C:\\WINDOWS\\TEMP\\trelvo\\user.dat",
                           "C:\\WINDOWS\\system.dat=C:\\WINDOWS\\TEMP\\trelvo\\system.dat",
                           "C:\\WINDOWS\\Win.ini=C:\\WINDOWS\\TEMP\\trelvo\\Win.ini"}));
    // The restart is asked for and the program made inert until it closes.
    EXPECT_TRUE(platform::restartPending());
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("Reboot")));
    EXPECT_TRUE(restore::Reboot().Visible());
    EXPECT_FALSE(core::Win(QStringLiteral("Form1")).Enabled());
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).Enabled());
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();

    closeAndBoot();
    const auto after = driveC();
    for (auto it = before.begin(); it != before.end(); ++it)
        EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_TRUE(fs::exists(QStringLiteral("C:\\WINDOWS\\Wininit.bak")));
    EXPECT_FALSE(fs::exists(kWininit));
    EXPECT_FALSE(platform::restartPending());
}

TEST_F(RestoreRunTest, NoAtTheRestartQuestionChangesNothing)
{
    save(Saved::everything());
    write(QStringLiteral("C:\\AUTOEXEC.BAT"), "changed");
    const auto before = driveC();
    state().ImportActive = true;
    state().SplitPieces[1] = 2;
    chooseAllSystemFiles();
    ui->expect(kQuestion, QStringLiteral("No"));
    runRestore();

    EXPECT_EQ(driveC(), before);
    EXPECT_FALSE(fs::exists(kWininit));
    EXPECT_FALSE(folderExists(kWork));
    EXPECT_FALSE(platform::restartPending());
    EXPECT_FALSE(state().RestorePending);
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown()[0].prompt, kQuestion + QStringLiteral("\r \rPlease save and close all open files before continuing.\r\r"
                                                                 "Continue Restore Operation?"));
    EXPECT_EQ(ui->shown()[0].buttons, (QStringList{"Yes", "No"}));
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Warning!"));
    // Nothing of this configuration's loading reaches the next restore.
    EXPECT_FALSE(state().ImportActive);
    EXPECT_EQ(state().SplitPieces[1], 0);
}

TEST_F(RestoreRunTest, WithoutTheBootTimeProgramTheProgramEndsBeforeAnythingChanges)
{
    save(Saved::everything());
    write(QStringLiteral("C:\\AUTOEXEC.BAT"), "changed");
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\WININIT.EXE"));
    const auto before = driveC();
    chooseAllSystemFiles();
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(QStringLiteral("'Wininit.exe' File not found!"), QStringLiteral("OK"));
    EXPECT_THROW(runRestore(), ProcessEnded);
    EXPECT_EQ(driveC(), before);
    EXPECT_FALSE(folderExists(kWork));
}

TEST_F(RestoreRunTest, MissingArchivesAreAskedAboutOneByOne)
{
    choose({QStringLiteral("Check20"), QStringLiteral("Check11"), QStringLiteral("Check22"), QStringLiteral("Check23")});
    const QString missing = QStringLiteral("File not found!\r\"C:\\Program Files\\Trelvo\\Conf1%1\"\r%2\rWould you continue to restore the remaining files?");
    ui->expect(QStringLiteral("Your Start Menu can't be restored!"), QStringLiteral("Yes"));
    ui->expect(QStringLiteral("Your Microsoft Internet Explorer Bookmarks can't be restored!"), QStringLiteral("Yes"));
    ui->expect(QStringLiteral("Your Netscape Navigator Cookies can't be restored!"), QStringLiteral("Yes"));
    ui->expect(QStringLiteral("Your Netscape Messenger Mailbox can't be restored!"), QStringLiteral("Yes"));
    ui->expect(kNothing, QStringLiteral("OK"));
    runRestore();

    ASSERT_EQ(ui->shown().size(), 5);
    EXPECT_EQ(ui->shown()[0].prompt, missing.arg(QStringLiteral("s.tva"), QStringLiteral("Your Start Menu can't be restored!")));
    EXPECT_EQ(ui->shown()[0].buttons, (QStringList{"Yes", "No"}));
    EXPECT_EQ(ui->shown()[2].prompt, missing.arg(QStringLiteral("na.tva"), QStringLiteral("Your Netscape Navigator Cookies can't be restored!")));
    // A run that reaches its end is recorded, even with nothing restored.
    EXPECT_TRUE(state().RestorePending);
    EXPECT_EQ(read(QStringLiteral("C:\\Restore.ini")), QByteArray("Restore=1\r\n"));
    EXPECT_FALSE(folderExists(kWork));
}

TEST_F(RestoreRunTest, NoAtAMissingArchiveStopsTheRunWhereItIs)
{
    save({.startMenu = true});
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\Favorites\\Weather.url"));
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\Start Menu\\Windows Update.url"));
    choose({QStringLiteral("Check20"), QStringLiteral("Check18"), QStringLiteral("Check11")});
    ui->expect(QStringLiteral("Your Microsoft Windows Addressbook can't be restored!"), QStringLiteral("No"));
    runRestore();

    EXPECT_TRUE(fs::exists(QStringLiteral("C:\\WINDOWS\\Start Menu\\Windows Update.url"))) << "the Start menu came before";
    EXPECT_EQ(ui->shown().size(), 1) << "no final message";
    EXPECT_FALSE(state().RestorePending);
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\Restore.ini")));
    EXPECT_TRUE(folderExists(kWork)) << "an early stop leaves the work folder";
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).Enabled());
    EXPECT_TRUE(core::Win(QStringLiteral("Form1")).Enabled());
    EXPECT_EQ(vb::Screen::MousePointer(), 0);
}

TEST_F(RestoreRunTest, OnlyTheChosenNetscapeEntriesComeBackIntoTheNetscapeFolder)
{
    save({.netscapeBookmark = true, .netscapeCookies = true, .netscapeMail = true});
    const QString cookies = kNetscape + QStringLiteral("\\Cookies.txt");
    const QString bookmarks = kNetscape + QStringLiteral("\\Bookmark.htm");
    const QByteArray savedCookies = read(cookies);
    write(cookies, "changed cookies");
    write(bookmarks, "changed bookmarks");
    fs::removeFile(kNetscape + QStringLiteral("\\Mail\\Inbox"));
    choose({QStringLiteral("Check22")});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(read(cookies), savedCookies);
    EXPECT_EQ(read(bookmarks), QByteArray("changed bookmarks"));
    EXPECT_FALSE(fs::exists(kNetscape + QStringLiteral("\\Mail\\Inbox")));
}

TEST_F(RestoreRunTest, NetscapeDataNeverLandsInTheProgramFolder)
{
    save({.netscapeCookies = true, .netscapeMail = true});
    const QString inbox = kNetscape + QStringLiteral("\\Mail\\Inbox");
    const QByteArray savedInbox = read(inbox);
    write(inbox, "changed inbox");
    // The description recorded no Netscape folder (its bookmarks were not saved): the folder
    // this machine names is taken.
    state().PathNetscape = QStringLiteral("NONE");
    choose({QStringLiteral("Check23")});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();
    EXPECT_EQ(read(inbox), savedInbox);
    EXPECT_FALSE(fs::exists(kProgram + QStringLiteral("NON")));
    EXPECT_EQ(state().ZipCommand, QStringLiteral("Unzip32.exe -qo \"C:\\Program Files\\Trelvo\\Conf1na.tva\" "
                                                 "-x \"Program Files/Netscape/Users/owner/Cookies.txt\" -d C:\\"));

    // Without a Netscape folder anywhere the items are passed over and logged.
    QFile reg(tm.dir() + QStringLiteral("/registry.reg"));
    ASSERT_TRUE(reg.open(QIODevice::ReadOnly));
    QByteArray text = reg.readAll();
    reg.close();
    text.replace("\"CurrentUser\"=\"owner\"", "\"CurrentUser\"=\"\"");
    ASSERT_TRUE(reg.open(QIODevice::WriteOnly | QIODevice::Truncate));
    reg.write(text);
    reg.close();
    write(inbox, "changed again");
    choose({QStringLiteral("Check22"), QStringLiteral("Check23")});
    ui->expect(kNothing, QStringLiteral("OK"));
    runRestore();
    EXPECT_EQ(read(inbox), QByteArray("changed again"));
    EXPECT_FALSE(fs::exists(kProgram + QStringLiteral("NON")));
    ASSERT_EQ(errorLog().size(), 2);
    EXPECT_TRUE(errorLog()[0].startsWith(QStringLiteral("Path not found")));
    EXPECT_EQ(logTags(), (QStringList{QStringLiteral("\"NONE\\Cookies.txt\" Restore"), QStringLiteral("\"NONE\\Mail\" Restore")}));
    EXPECT_EQ(boxes().last(), kNothing + QStringLiteral("\r\rNetscape Navigator Cookies: Path not found\rNetscape Messenger Mailbox: Path not found"));
}

TEST_F(RestoreRunTest, TheMailboxPatternTakesOnlyTheNetscapeMailFolder)
{
    // A mail folder of another program lies in the same archive.
    makeFoldersFor(QStringLiteral("C:\\Other\\Mail\\"));
    fs::writeAll(QStringLiteral("C:\\Other\\Mail\\note.txt"), "not Netscape's");
    save({.netscapeMail = true});
    zip(QStringLiteral("qgurS "), quotedArchive(kProgram, QStringLiteral("na.tva")), QStringLiteral("\"C:\\Other\\Mail\\*.*\""));
    fs::removeFile(QStringLiteral("C:\\Other\\Mail\\note.txt"));
    fs::removeFile(kNetscape + QStringLiteral("\\Mail\\Sent"));
    choose({QStringLiteral("Check23")});
    ui->expect(kNotAll, QStringLiteral("OK"));
    runRestore();
    EXPECT_TRUE(fs::exists(kNetscape + QStringLiteral("\\Mail\\Sent")));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\Other\\Mail\\note.txt")));
    EXPECT_EQ(boxes().last(), kNotAll + QStringLiteral("\r\rOther\\Mail\\note.txt (Conf1na.tva): not where this archive may write"));
}

TEST_F(RestoreRunTest, AnUnzipRunThatFailsIsLoggedAndDoesNotCount)
{
    fs::writeAll(kProgram + QStringLiteral("Conf1s.tva"), "this is no zip archive");
    choose({QStringLiteral("Check20")});
    ui->expect(kNothing, QStringLiteral("OK"));
    runRestore();
    ASSERT_EQ(errorLog().size(), 1);
    EXPECT_TRUE(errorLog()[0].startsWith(QStringLiteral("Device I/O error")));
    EXPECT_EQ(logTags(), QStringList{QStringLiteral("Updating Start Menu Restore")});
    EXPECT_EQ(boxes().last(), kNothing + QStringLiteral("\r\rStart Menu: archive damaged or unreadable: C:\\Program Files\\Trelvo\\Conf1s.tva"));
}

TEST_F(RestoreRunTest, SystemFilesSavedFromAnotherTemporaryFolderAreReportedNotRestarted)
{
    save(Saved::everything());
    write(QStringLiteral("C:\\AUTOEXEC.BAT"), "changed");
    // The machine's temporary folder has moved since the save.
    makeFoldersFor(QStringLiteral("C:\\TEMP\\"));
    state().TempPath = QStringLiteral("C:\\TEMP\\");
    choose({QStringLiteral("Check1"), QStringLiteral("Check9")});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(kNothing, QStringLiteral("OK"));
    runRestore();
    EXPECT_EQ(boxes().last(), kNothing + QStringLiteral("\r\rC:\\autoexec.bat: saved from another temporary folder than C:\\TEMP\\"
                                                        "\rC:\\WINDOWS\\Win.ini: saved from another temporary folder than C:\\TEMP\\"));
    EXPECT_EQ(read(QStringLiteral("C:\\AUTOEXEC.BAT")), QByteArray("changed"));
    EXPECT_FALSE(fs::exists(kWininit));
    EXPECT_FALSE(platform::restartPending());
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Reboot")));
}

TEST_F(RestoreRunTest, UserIniNamesOnlyFilesOfItsOwnFolder)
{
    save({.userFiles = {kLetter, kBudget}});
    // A user file list entry whose record points outside the unpacked folder.
    const QString planted = QStringLiteral("C:\\planted.txt");
    fs::writeAll(planted, "planted");
    const QString userIni = kWork + QStringLiteral("User\\User.ini");
    makeFoldersFor(kWork + QStringLiteral("User\\"));
    core::WriteIni(QStringLiteral("UserFilesSaved"), kLetter, kWork + QStringLiteral("User\\..\\..\\..\\..\\planted.txt"), userIni);
    core::WriteIni(QStringLiteral("UserFilesSaved"), kBudget, planted, userIni);
    zip(QStringLiteral("gqormS "), quotedArchive(kProgram, QStringLiteral("us.tva")), QStringLiteral("\"") + kWork + QStringLiteral("User\\*.*\""));
    const QByteArray letter = read(kLetter);
    const QByteArray budget = read(kBudget);

    listUserFiles({kLetter, kBudget}, {kLetter, kBudget});
    // Each such entry is told as one the archive does not know, and named again at the end.
    const QString unknown = QStringLiteral("An error occurred while restoring.\rFile:");
    ui->expect(QString(unknown).replace(u'\r', u' ') + kLetter, QStringLiteral("OK"));
    ui->expect(QString(unknown).replace(u'\r', u' ') + kBudget, QStringLiteral("OK"));
    ui->expect(kNothing, QStringLiteral("OK"));
    runRestore();
    ASSERT_EQ(ui->shown().size(), 3);
    EXPECT_EQ(ui->shown()[0].prompt, unknown + kLetter);
    EXPECT_EQ(ui->shown()[1].prompt, unknown + kBudget);
    EXPECT_EQ(ui->shown()[2].prompt, kNothing + QStringLiteral("\r\r") + kLetter + QStringLiteral(": An error occurred while restoring.\r") +
                                         kBudget + QStringLiteral(": An error occurred while restoring."));
    // Logged at the step they came up in: the work folder, there already without a file of
    // its own; the two records that point elsewhere. The staged copies that no record names
    // are never unpacked. What the boxes told is not logged.
    const QString userFiles = QStringLiteral("Updating UserFiles Restore");
    EXPECT_EQ(logTags(), (QStringList{QStringLiteral(" Restore"), userFiles, userFiles}))
        << errorLog().join(u'\n').toStdString();
    EXPECT_EQ(read(kLetter), letter);
    EXPECT_EQ(read(kBudget), budget);
    EXPECT_EQ(read(planted), QByteArray("planted"));
}

TEST_F(RestoreRunTest, ASaveFolderThatWouldBreakTheCommandLineIsRefused)
{
    state().SaveFolder = QStringLiteral("C:\\Backup\" -d \"C:\\WINDOWS");
    state().ImportActive = true;
    choose({QStringLiteral("Check1")});
    ui->expect(QStringLiteral("This configuration cannot be restored from its folder:"), QStringLiteral("OK"));
    runRestore();
    EXPECT_EQ(ui->shown().size(), 1);
    EXPECT_FALSE(folderExists(kWork));
    EXPECT_FALSE(state().ImportActive);
}

TEST_F(RestoreRunTest, ARenameListThatCannotBeWrittenStopsBeforeAnyLiveFileChanges)
{
    save(Saved::everything());
    write(QStringLiteral("C:\\AUTOEXEC.BAT"), "changed");
    fs::writeAll(kWininit, "[rename]\r\n");
    fs::setAttributes(kWininit, platform::AttrReadOnly);
    const auto before = driveC();
    chooseAllSystemFiles();
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(QStringLiteral("Restoring canceled."), QStringLiteral("OK"));
    runRestore();
    EXPECT_EQ(driveC(), before);
    EXPECT_FALSE(platform::restartPending());
    EXPECT_TRUE(platform::owedRenameLines().isEmpty()) << "a restart owed for lines that are not in the list";
    ASSERT_EQ(ui->shown().size(), 2);
    EXPECT_EQ(ui->shown()[1].prompt, QStringLiteral("'Wininit.ini' Path/File access error\r\rAn error occurs while restoring. Restoring canceled."));
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).Enabled());
}

TEST_F(RestoreRunTest, AStopAfterTheCopyBackKeepsTheRenameLinesAndSaysSo)
{
    save({.systemBoxes = {QStringLiteral("Check1"), QStringLiteral("Check9")}});
    const QByteArray autoexec = read(QStringLiteral("C:\\AUTOEXEC.BAT"));
    write(QStringLiteral("C:\\AUTOEXEC.BAT"), "changed");
    choose({QStringLiteral("Check1"), QStringLiteral("Check9"), QStringLiteral("Check11")});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(QStringLiteral("Your Microsoft Internet Explorer Bookmarks can't be restored!"), QStringLiteral("No"));
    ui->expect(QStringLiteral("Your system files will be completed when the computer is restarted next."), QStringLiteral("OK"));
    runRestore();
    EXPECT_EQ(read(QStringLiteral("C:\\AUTOEXEC.BAT")), autoexec);
    EXPECT_TRUE(read(kWininit).contains("C:\\WINDOWS\\Win.ini=C:\\WINDOWS\\TEMP\\trelvo\\Win.ini"));
    EXPECT_TRUE(fs::exists(kWork + QStringLiteral("win.ini")));
    EXPECT_FALSE(platform::restartPending());

    // The next start of the machine completes them.
    const QByteArray win = read(kWork + QStringLiteral("win.ini"));
    platform::bootMachine();
    EXPECT_EQ(read(QStringLiteral("C:\\WINDOWS\\WIN.INI")), win);
}

TEST_F(RestoreRunTest, AnImportedConfigurationLeavesTheSettingsAloneAndForgetsTheImport)
{
    save({.startMenu = true});
    state().ImportActive = true;
    state().DiskRestoreFolder.clear();
    choose({QStringLiteral("Check20")});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\Restore.ini")));
    EXPECT_FALSE(fs::exists(kProgram + QStringLiteral("trelvo.ini")));
    EXPECT_FALSE(state().ImportActive);
    EXPECT_TRUE(state().RestorePending);
}

TEST_F(RestoreRunTest, ARestartThatDoesNotHappenGivesTheProgramBackAndSaysSo)
{
    save({.systemBoxes = {QStringLiteral("Check9")}});
    choose({QStringLiteral("Check9")});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    // The notice steps aside for the final message and comes back after it.
    QElapsedTimer sinceTheMessage;
    int painted = 0;
    std::optional<testsupport::PaintWatch> painting;
    ui->expect(kRestored, QStringLiteral("OK"), [&] {
        painting.emplace(restore::Reboot().window(), [&] { ++painted; });
        sinceTheMessage.start();
    });
    // As the OK button runs it, inside the handler of the Restore button that showed the window.
    vb::runEventHandler([&] {
        runRestore();
        // A save is running meanwhile: the program cannot end.
        core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command2")).setEnabled(false);
        QTest::qWait(300);
        EXPECT_TRUE(platform::restartPending()) << "nothing closes while a handler runs";
        EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("Reboot")));
        ui->expect(QStringLiteral("Please restart it yourself to complete the restore."), QStringLiteral("OK"));
    });
    // It stays up, painted, long enough to be read before the program closes.
    while (vb::Forms::isLoaded(QStringLiteral("Reboot")) && sinceTheMessage.elapsed() < 20000)
        QTest::qWait(20);
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Reboot")));
    EXPECT_GE(sinceTheMessage.elapsed(), restore::RebootForm::kReadableMs);
    EXPECT_GE(painted, 1);
    EXPECT_FALSE(platform::restartPending());
    EXPECT_TRUE(core::Win(QStringLiteral("Form1")).Enabled());
    EXPECT_EQ(ui->shown().last().prompt,
              QStringLiteral("Your computer could not be restarted.\rPlease restart it yourself to complete the restore."));
}

TEST_F(RestoreRunTest, ListSubfoldersPutsEachParentBeforeItsChildren)
{
    for (const char* f : {"C:\\Tree\\A\\A1\\A11\\", "C:\\Tree\\A\\A2\\", "C:\\Tree\\B\\"})
        makeFoldersFor(QString::fromLatin1(f));
    fs::writeAll(QStringLiteral("C:\\Tree\\A\\file.txt"), "x");
    vb::ListBox& list = core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List4"));
    list.Clear();
    restore::ListSubfolders(QStringLiteral("C:\\Tree"));
    QStringList found;
    for (int i = 0; i < list.ListCount(); ++i)
        found << list.List(i);
    EXPECT_EQ(found, (QStringList{"C:\\Tree\\A", "C:\\Tree\\A\\A1", "C:\\Tree\\A\\A1\\A11", "C:\\Tree\\A\\A2", "C:\\Tree\\B"}));
    EXPECT_EQ(restore::StripEnds(QStringLiteral("\"C:\\X\\Conf1.tva\"")), QStringLiteral("C:\\X\\Conf1.tva"));
}

TEST_F(RestoreRunTest, WhileTheRestoreRunsNoWindowTakesAnotherOperation)
{
    save({.startMenu = true});
    core::Win(QStringLiteral("Form1")).Show();
    core::Win(QStringLiteral("UserFiles")).Show();
    choose({QStringLiteral("Check20"), QStringLiteral("Check18")});
    bool pagesUsable = true, userFilesUsable = true, exitUsable = true, statusReadable = false;
    ui->expect(QStringLiteral("Your Microsoft Windows Addressbook can't be restored!"), QStringLiteral("Yes"), [&] {
        // Of the main window only the pages go; its status line stays readable.
        pagesUsable = core::Ctl<vb::TabStrip>(QStringLiteral("Form1"), QStringLiteral("SSTab2")).widget()->isEnabled();
        statusReadable = core::StatusBarOf(QStringLiteral("Form1"), QStringLiteral("StatusBar1")).widget()->isEnabled();
        userFilesUsable = core::Win(QStringLiteral("UserFiles")).Enabled();
        exitUsable = core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).Enabled();
        // The main window's close box cannot end the program meanwhile.
        core::Win(QStringLiteral("Form1")).window()->close();
        QApplication::processEvents();
    });
    ui->expect(kNotAll, QStringLiteral("OK"));
    runRestore();
    EXPECT_FALSE(pagesUsable);
    EXPECT_TRUE(statusReadable);
    EXPECT_FALSE(userFilesUsable);
    EXPECT_FALSE(exitUsable);
    EXPECT_TRUE(core::Win(QStringLiteral("Form1")).Visible());
    EXPECT_TRUE(core::Ctl<vb::TabStrip>(QStringLiteral("Form1"), QStringLiteral("SSTab2")).widget()->isEnabled());
    EXPECT_TRUE(core::Win(QStringLiteral("UserFiles")).Enabled());
}

TEST_F(RestoreRunTest, TheSettingsWrittenAtTheEndKeepTheUsersFolderAndThisWindows)
{
    save({.startMenu = true});
    // The Restore button kept the user's folder; the description brought its own folders.
    state().PrevSaveFolder = QStringLiteral("C:\\My Documents\\");
    state().SystemPath = QStringLiteral("C:\\WIN95");
    choose({QStringLiteral("Check20")});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();
    const QString ini = kProgram + QStringLiteral("trelvo.ini");
    EXPECT_EQ(core::ReadIni(QStringLiteral("SystemPathes"), QStringLiteral("SaveFolder"), ini), QStringLiteral("C:\\My Documents\\"));
    EXPECT_EQ(core::ReadIni(QStringLiteral("SystemPathes"), QStringLiteral("SystemPath"), ini), QStringLiteral("C:\\WINDOWS"));
    EXPECT_EQ(state().SaveFolder, kProgram) << "the configuration's folder until the Restore button puts the user's back";
}

// Many user files: each staged copy goes into place (moved, as nothing needs it afterwards),
// with its attributes, into folders made where they are missing; the status line, brought up
// to date now and then rather than for every file, ends on the count of all of them.
TEST_F(RestoreRunTest, ManyUserFilesComeBackAndTheStatusEndsOnTheirCount)
{
    QStringList files;
    for (int i = 0; i < 150; ++i)
        files << QStringLiteral("C:\\Data\\Part %1\\Sub\\file %2.txt").arg(i % 4).arg(i);
    for (const QString& f : files) {
        makeFoldersFor(f);
        fs::writeAll(f, f.toLatin1());
    }
    fs::setAttributes(files[7], platform::AttrReadOnly | platform::AttrHidden);
    save({.userFiles = files});
    QDir(tm.hostC(QStringLiteral("Data"))).removeRecursively();
    makeFoldersFor(QStringLiteral("C:\\Data\\Part 0\\"));
    tm.machine().forgetDir(tm.hostC(QString()));

    // All but the last listed file chosen; then a missing archive asks, with the status as the
    // user files left it.
    listUserFiles(files, files.mid(0, files.size() - 1));
    choose({QStringLiteral("Check10")});
    QString statusAtTheQuestion;
    ui->expect(QStringLiteral("Your Netscape Navigator Bookmarks can't be restored!"), QStringLiteral("Yes"), [&] {
        statusAtTheQuestion = core::StatusBarOf(QStringLiteral("Form1"), QStringLiteral("StatusBar1")).Text();
    });
    ui->expect(kNotAll, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(statusAtTheQuestion, QStringLiteral("Updating UserFiles: 150 of 150"));
    for (int i = 0; i + 1 < files.size(); ++i)
        ASSERT_EQ(read(files[i]), files[i].toLatin1()) << files[i].toStdString();
    EXPECT_FALSE(fs::exists(files.last())) << "listed, not chosen";
    EXPECT_EQ(attrs(files[7]), quint32(platform::AttrReadOnly | platform::AttrHidden));
    EXPECT_EQ(attrs(files[8]), quint32(platform::AttrArchive));
    EXPECT_FALSE(folderExists(kWork)) << "every staged copy went";
    EXPECT_TRUE(errorLog().filter(QStringLiteral("file ")).isEmpty()) << errorLog().join(u'\n').toStdString();
}
