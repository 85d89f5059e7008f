// The save into a folder on the demo machine: every archive with the entries a restore
// unpacks at the drive root, User.ini, the description and its copies, trelvo.ini; the
// questions before anything is touched; failures that leave a save incomplete; entries of
// trelvo.usr that are no paths and a trelvo.usr that cannot be read, told.
#include "SaveTesting.h"
#include "core/Exit.h"
#include "vb/FileIO.h"
#include "vb/Form.h"
#include "vb/Forms.h"
#include "FloppyTesting.h"
#include "platform/Process.h"
#include "platform/ZipAdapter.h"
#include "support/DamagedFile.h"
#include "support/DriveState.h"

using namespace backuptest;
using core::state;
namespace fs = platform::fs;

namespace {

const QString kBackups = QStringLiteral("C:\\My Backups\\");
const QString kLetter = QStringLiteral("C:\\My Documents\\Letter to Anna.txt");
const QString kBudget = QStringLiteral("C:\\My Documents\\Budget 1999.csv");
const QString kStaging = QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo");
const QString kAutoKeep = kProgramFolder + QStringLiteral("AutoKeep\\");

class SaveTest : public SaveFixture {
protected:
    void SetUp() override
    {
        SaveFixture::SetUp();
        fs::createDirectory(kBackups.chopped(1));
    }
    static QString archive(const QString& suffix, const QString& folder = kBackups) { return folder + QStringLiteral("Conf1") + suffix; }
    static QString item(const platform::IniDocument& ini, const char* section, const char* key)
    {
        return ini.value(QString::fromLatin1(section), QString::fromLatin1(key)).value_or(QStringLiteral("<absent>"));
    }
    static QStringList errorLog(const testsupport::TempMachine& tm)
    {
        return QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/Error.log"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    // Drive C: but the save's own places (the backups, the program and the temporary folder).
    QMap<QString, testsupport::FileState> userFiles() const
    {
        auto files = testsupport::driveCFiles(tm);
        files.removeIf([](auto it) { return it.key().startsWith(QStringLiteral("My Backups/")); });
        return files;
    }
    static QStringList userIniKeys()
    {
        const QByteArray bytes = entryBytes(archive(QStringLiteral("us.tva")), QStringLiteral("WINDOWS/TEMP/trelvo/User/User.ini"));
        return iniOf(bytes).keys(QStringLiteral("UserFilesSaved"));
    }
};

QString nul() { return QString(QChar(0)); }

} // namespace

TEST_F(SaveTest, EveryBoxTickedSavesEveryArchiveIntoAFolder)
{
    selectAll(1);
    writeUserList({kLetter, kBudget});
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(kBackups);

    EXPECT_TRUE(state().SaveDone);
    EXPECT_TRUE(state().SaveComplete);
    EXPECT_TRUE(state().OldConfigDeleted);
    EXPECT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Message"));

    // Entry names are the Windows paths less the drive, so a restore unpacks at the root.
    EXPECT_EQ(entries(archive(QStringLiteral(".tva"))),
              (QStringList{"WINDOWS/TEMP/trelvo/autoexec.bat", "WINDOWS/TEMP/trelvo/autoexec.dos", "WINDOWS/TEMP/trelvo/config.dos",
                           "WINDOWS/TEMP/trelvo/config.sys", "WINDOWS/TEMP/trelvo/control.ini", "WINDOWS/TEMP/trelvo/dblspace.bin",
                           "WINDOWS/TEMP/trelvo/dblspace.ini", "WINDOWS/TEMP/trelvo/drvspace.bin", "WINDOWS/TEMP/trelvo/drvspace.ini",
                           "WINDOWS/TEMP/trelvo/msdos.sys", "WINDOWS/TEMP/trelvo/protocol.ini", "WINDOWS/TEMP/trelvo/system.dat",
                           "WINDOWS/TEMP/trelvo/system.ini", "WINDOWS/TEMP/trelvo/user.dat", "WINDOWS/TEMP/trelvo/win.ini"}));
    EXPECT_EQ(entryBytes(archive(QStringLiteral(".tva")), QStringLiteral("WINDOWS/TEMP/trelvo/win.ini")), tm.readC(QStringLiteral("WINDOWS/WIN.INI")));
    EXPECT_TRUE(entries(archive(QStringLiteral("s.tva"))).contains(QStringLiteral("WINDOWS/Start Menu/Programs/Accessories/Notepad.lnk")));
    EXPECT_EQ(entries(archive(QStringLiteral("ma.tva"))), (QStringList{"WINDOWS/Application Data/Microsoft/Address Book/Owner.wab"}));
    EXPECT_TRUE(entries(archive(QStringLiteral("mb.tva"))).contains(QStringLiteral("WINDOWS/Favorites/Links/Free Hotmail.url")));
    EXPECT_TRUE(entries(archive(QStringLiteral("mc.tva"))).contains(QStringLiteral("WINDOWS/Cookies/index.dat")));
    EXPECT_TRUE(entries(archive(QStringLiteral("mx.tva"))).contains(QStringLiteral("WINDOWS/Application Data/Microsoft/Outlook Express/Mail/Inbox.mbx")));
    // The three Netscape runs grow one archive.
    EXPECT_EQ(entries(archive(QStringLiteral("na.tva"))),
              (QStringList{"Program Files/Netscape/Users/owner/Bookmark.htm", "Program Files/Netscape/Users/owner/Cookies.txt",
                           "Program Files/Netscape/Users/owner/Mail/Inbox", "Program Files/Netscape/Users/owner/Mail/Inbox.snm",
                           "Program Files/Netscape/Users/owner/Mail/Sent", "Program Files/Netscape/Users/owner/Mail/Trash"}));
    EXPECT_EQ(state().ShellCommand,
              QStringLiteral("zip.exe -1qgurS \"C:\\My Backups\\Conf1na.tva\" \"C:\\Program Files\\Netscape\\Users\\owner\\Mail\\*.*\""));

    // User.ini maps each listed file to its staged copy, which the archive holds.
    const QString userArchive = archive(QStringLiteral("us.tva"));
    const platform::IniDocument userIni = iniOf(entryBytes(userArchive, QStringLiteral("WINDOWS/TEMP/trelvo/User/User.ini")));
    EXPECT_EQ(userIni.sections(), QStringList{QStringLiteral("UserFilesSaved")});
    EXPECT_EQ(userIni.keys(QStringLiteral("UserFilesSaved")), (QStringList{kLetter, kBudget}));
    for (const QString& file : {kLetter, kBudget}) {
        const QString staged = userIni.value(QStringLiteral("UserFilesSaved"), file).value_or(QString());
        EXPECT_EQ(staged, QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo\\User\\") + file.mid(3));
        EXPECT_EQ(entryBytes(userArchive, staged.mid(3).replace(u'\\', u'/')), fs::readAll(file));
    }

    // The description: its sections in order, each item saved and available.
    const platform::IniDocument description = iniFile(kProgramFolder + QStringLiteral("Config1.ini"));
    EXPECT_EQ(description.sections(),
              (QStringList{"Configuration", "SystemFiles", "SystemFilesSaved", "UserFilesSaved", "UserFiles"}));
    EXPECT_EQ(description.keys(QStringLiteral("SystemFiles")),
              (QStringList{"SystemPath", "SaveFolder", "SaveFolderShort", "Autoexec.bat", "Config.sys", "Control.ini", "Msdos.sys",
                           "Protocol.ini", "System.dat", "System.ini", "User.dat", "Win.ini", "Autoexec.dos", "Config.dos",
                           "Dblspace.ini", "Drvspace.ini", "Drvspace.bin", "Startmenue", "Dblspace.bin"}));
    EXPECT_EQ(description.keys(QStringLiteral("UserFiles")),
              (QStringList{"NSCBookmark", "MSEFavorites", "MSEAdressbook", "MSECookies", "MSEMailbox", "NSCCookies", "NSCMail",
                           "PathFavorites", "PathNetscape", "PathStartmenue"}));
    EXPECT_EQ(item(description, "Configuration", "ConfigName"), QStringLiteral("Weekly"));
    EXPECT_EQ(item(description, "SystemFiles", "SaveFolder"), kBackups);
    for (const catalogue::ConfigItem& it : catalogue::ConfigItems) {
        EXPECT_EQ(description.value(it.SavedSection(), it.DescriptionKey.toString()), QStringLiteral("1")) << it.DescriptionKey.toString().toStdString();
        EXPECT_EQ(description.value(it.AvailableSection(), it.DescriptionKey.toString()), QStringLiteral("True"));
    }
    EXPECT_EQ(tm.readC(QStringLiteral("Program Files/Trelvo/Config1.usr")),
              QByteArray(" 2\r\nC:\\My Documents\\Letter to Anna.txt\r\nC:\\My Documents\\Budget 1999.csv\r\n\r\n"));
    // ... and its copies beside the archives.
    EXPECT_EQ(fs::readAll(kBackups + QStringLiteral("Config1.ini")), fs::readAll(kProgramFolder + QStringLiteral("Config1.ini")));
    EXPECT_EQ(fs::readAll(kBackups + QStringLiteral("Config1.usr")), fs::readAll(kProgramFolder + QStringLiteral("Config1.usr")));

    // trelvo.ini records the slot and the folder.
    const platform::IniDocument settings = iniFile(kProgramFolder + QStringLiteral("trelvo.ini"));
    EXPECT_EQ(item(settings, "Settings", "Config1"), QStringLiteral("Weekly"));
    const QString lines = QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/trelvo.ini")));
    EXPECT_TRUE(lines.contains(QStringLiteral("\r\nLsDate1= 8/12/1999\r\n")));
    EXPECT_TRUE(lines.contains(QStringLiteral("\r\nLsTime1=") + state().ConfigTime[0] + QStringLiteral("\r\n")));
    EXPECT_FALSE(state().ConfigTime[0].isEmpty());
    EXPECT_EQ(item(settings, "SystemPathes", "SaveFolder"), kBackups);

    // The window is given back and nothing of the staging is left.
    EXPECT_FALSE(fs::exists(kStaging));
    EXPECT_TRUE(helpEnabled());
    EXPECT_EQ(statusText(), QStringLiteral("Saving finished"));
    EXPECT_EQ(core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar1")).Value(), 0);
    EXPECT_EQ(vb::Screen::MousePointer(), 0);
    EXPECT_FALSE(state().SaveRunning);
    EXPECT_TRUE(errorLog(tm).filter(QStringLiteral(" Save")).isEmpty());
}

TEST_F(SaveTest, StagedCopiesCarryTheirAttributesAndNoStaleCopyIsPacked)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check10"));   // Msdos.sys: hidden, system, read-only
    writeUserList({kLetter});
    // What a save that never finished left behind, one of them read-only.
    fs::createDirectory(kStaging);
    fs::createDirectory(kStaging + QStringLiteral("\\User"));
    fs::writeAll(kStaging + QStringLiteral("\\win.ini"), "stale");
    fs::setAttributes(kStaging + QStringLiteral("\\win.ini"), vb::vbReadOnly);
    fs::writeAll(kStaging + QStringLiteral("\\User\\Old.txt"), "stale");
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(kBackups);

    EXPECT_EQ(entries(archive(QStringLiteral(".tva"))), QStringList{QStringLiteral("WINDOWS/TEMP/trelvo/msdos.sys")});
    EXPECT_EQ(entries(archive(QStringLiteral("us.tva"))),
              (QStringList{"WINDOWS/TEMP/trelvo/User/My Documents/", "WINDOWS/TEMP/trelvo/User/My Documents/Letter to Anna.txt",
                           "WINDOWS/TEMP/trelvo/User/User.ini"}));
    const auto zipped = platform::zip::readEntries(hostOf(archive(QStringLiteral(".tva"))));
    ASSERT_TRUE(zipped && zipped->size() == 1);
    EXPECT_EQ(zipped->first().dosAttributes() & 7, fs::attributes(QStringLiteral("C:\\MSDOS.SYS")) & 7);
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\MSDOS.SYS")) & 7, quint32(vb::vbReadOnly | vb::vbHidden | vb::vbSystem));
    EXPECT_FALSE(fs::exists(kStaging));
}

TEST_F(SaveTest, FilesThatWouldStageToOnePathAreKeptApart)
{
    platform::Machine& m = tm.machine();
    m.setSetting(QStringLiteral("Drives"), QStringLiteral("D"), QStringLiteral("fixed"));
    m.setSetting(QStringLiteral("Drive D"), QStringLiteral("Folder"), QStringLiteral("drive_d"));
    QDir().mkpath(m.dir() + QStringLiteral("/drive_d"));
    fs::createDirectory(QStringLiteral("C:\\A"));
    fs::createDirectory(QStringLiteral("D:\\A"));
    fs::writeAll(QStringLiteral("C:\\A\\x.txt"), "from C");
    fs::writeAll(QStringLiteral("D:\\A\\x.txt"), "from D");
    fs::writeAll(QStringLiteral("C:\\User.ini"), "a user file of that name");
    // The same file listed twice, the second time in other letters, is one file.
    writeUserList({QStringLiteral("C:\\A\\x.txt"), QStringLiteral("D:\\A\\x.txt"), QStringLiteral("c:\\a\\X.TXT"), QStringLiteral("C:\\User.ini")});
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(kBackups);

    const QString userArchive = archive(QStringLiteral("us.tva"));
    const platform::IniDocument userIni = iniOf(entryBytes(userArchive, QStringLiteral("WINDOWS/TEMP/trelvo/User/User.ini")));
    const QString section = QStringLiteral("UserFilesSaved");
    EXPECT_EQ(userIni.keys(section), (QStringList{"C:\\A\\x.txt", "D:\\A\\x.txt", "C:\\User.ini"}));
    EXPECT_EQ(userIni.value(section, QStringLiteral("C:\\A\\x.txt")), QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo\\User\\A\\x.txt"));
    EXPECT_EQ(userIni.value(section, QStringLiteral("D:\\A\\x.txt")), QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo\\User\\~2\\A\\x.txt"));
    EXPECT_EQ(userIni.value(section, QStringLiteral("C:\\User.ini")), QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo\\User\\~2\\User.ini"));
    EXPECT_EQ(entryBytes(userArchive, QStringLiteral("WINDOWS/TEMP/trelvo/User/A/x.txt")), QByteArray("from C"));
    EXPECT_EQ(entryBytes(userArchive, QStringLiteral("WINDOWS/TEMP/trelvo/User/~2/A/x.txt")), QByteArray("from D"));
    EXPECT_EQ(entryBytes(userArchive, QStringLiteral("WINDOWS/TEMP/trelvo/User/~2/User.ini")), QByteArray("a user file of that name"));
}

TEST_F(SaveTest, OnlyTheStartMenuAndNoUserFiles)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check1"));
    // Ticked but not there: a system file missing at start-up; favorites whose folder nobody
    // knows (chosen, but the registry gave no folder) are named.
    tick(QStringLiteral("Form1"), QStringLiteral("Check8"));
    core::CheckBoxOf(QStringLiteral("Form1"), QStringLiteral("Check8")).setEnabled(false);
    tick(QStringLiteral("UserFiles"), QStringLiteral("Check12"));
    state().PathFavorites.clear();
    fs::removeFile(kProgramFolder + QStringLiteral("trelvo.usr"));
    ui->expect(QStringLiteral("The configuration was saved, but not all of it.  Not saved: Microsoft Internet Explorer Bookmarks: "
                              "the folder is unknown"),
               QStringLiteral("OK"));
    saveInto(kBackups);

    EXPECT_FALSE(state().SaveComplete);
    EXPECT_TRUE(fs::exists(archive(QStringLiteral("s.tva"))));
    // The system-files run finds nothing to pack: no archive, and nothing to report.
    for (const char* suffix : {".tva", "us.tva", "ma.tva", "mb.tva", "mc.tva", "mx.tva", "na.tva"})
        EXPECT_FALSE(fs::exists(archive(QString::fromLatin1(suffix)))) << suffix;
    const platform::IniDocument description = iniFile(kProgramFolder + QStringLiteral("Config1.ini"));
    EXPECT_EQ(item(description, "SystemFilesSaved", "Startmenue"), QStringLiteral("1"));
    EXPECT_EQ(item(description, "SystemFilesSaved", "Win.ini"), QStringLiteral("0"));
    EXPECT_EQ(item(description, "SystemFilesSaved", "Autoexec.bat"), QStringLiteral("0"));
    EXPECT_EQ(item(description, "SystemFiles", "Autoexec.bat"), QStringLiteral("False"));
    EXPECT_EQ(item(description, "UserFilesSaved", "MSEFavorites"), QStringLiteral("0"));
    EXPECT_EQ(tm.readC(QStringLiteral("Program Files/Trelvo/Config1.usr")), QByteArray(" 0\r\n\r\n"));
}

TEST_F(SaveTest, TheOldArchivesAndDescriptionOfTheSlotGoFirst)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    // Slot 3 held more than this save writes; none of it may survive.
    fs::writeAll(kBackups + QStringLiteral("Conf3na.tva"), "old");
    fs::writeAll(kBackups + QStringLiteral("Conf3s.tva"), "old");
    fs::setAttributes(kBackups + QStringLiteral("Conf3s.tva"), vb::vbHidden);
    fs::writeAll(kProgramFolder + QStringLiteral("Config3.ini"), "[Configuration]\r\nConfigName=Old\r\n[SplitLog]\r\nFile1=x\r\n");
    fs::writeAll(kBackups + QStringLiteral("Config3.ini"), "old copy");
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(kBackups, 2, QStringLiteral("Third"));

    EXPECT_FALSE(fs::exists(kBackups + QStringLiteral("Conf3na.tva")));
    EXPECT_FALSE(fs::exists(kBackups + QStringLiteral("Conf3s.tva")));
    EXPECT_TRUE(fs::exists(kBackups + QStringLiteral("Conf3.tva")));
    const platform::IniDocument description = iniFile(kProgramFolder + QStringLiteral("Config3.ini"));
    EXPECT_FALSE(description.sections().contains(QStringLiteral("SplitLog")));
    EXPECT_EQ(item(description, "Configuration", "ConfigName"), QStringLiteral("Third"));
    EXPECT_EQ(fs::readAll(kBackups + QStringLiteral("Config3.ini")), fs::readAll(kProgramFolder + QStringLiteral("Config3.ini")));
}

TEST_F(SaveTest, AMissingUserFileLeavesTheListFileTooIsLoggedAndNamedAtTheEnd)
{
    const QString gone = QStringLiteral("C:\\My Documents\\Gone.txt");
    writeUserList({gone, kLetter, kBudget});
    ui->expect(QStringLiteral("The following file was not found and can't be saved: C:\\My Documents\\Gone.txt "
                              "Trelvo removes the file from the User File List."),
               QStringLiteral("OK"));
    ui->expect(QStringLiteral("Configuration saved successfull!  Not found and removed from the User File List: C:\\My Documents\\Gone.txt"),
               QStringLiteral("OK"));
    saveInto(kBackups);

    EXPECT_TRUE(state().SaveComplete);
    const platform::IniDocument userIni = iniOf(entryBytes(archive(QStringLiteral("us.tva")), QStringLiteral("WINDOWS/TEMP/trelvo/User/User.ini")));
    EXPECT_EQ(userIni.keys(QStringLiteral("UserFilesSaved")), (QStringList{kLetter, kBudget}));
    const QByteArray list = " 2\r\nC:\\My Documents\\Letter to Anna.txt\r\nC:\\My Documents\\Budget 1999.csv\r\n\r\n";
    EXPECT_EQ(tm.readC(QStringLiteral("Program Files/Trelvo/Config1.usr")), list);
    EXPECT_EQ(tm.readC(QStringLiteral("Program Files/Trelvo/trelvo.usr")), list);
    ASSERT_EQ(errorLog(tm).size(), 2) << errorLog(tm).join(u'\n').toStdString();   // the first start's "Trelvo.ini damaged" line
    EXPECT_TRUE(errorLog(tm)[1].startsWith(QStringLiteral("File not found")));
    EXPECT_TRUE(errorLog(tm)[1].endsWith(gone + QStringLiteral(" Save")));

    // The next save knows nothing of it.
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(kBackups);
    EXPECT_EQ(ui->shown().last().prompt, QStringLiteral("Configuration saved successfull!"));
}

TEST_F(SaveTest, AnAutomaticSaveLogsTheUserFilesItCannotSaveAndGoesOnWithoutABox)
{
    const QString gone = QStringLiteral("C:\\My Documents\\Gone.txt");
    tm.machine().ejectDisk();
    writeUserList({gone, QStringLiteral("A:\\Notes.txt"), kLetter});
    saveAutomatically(0);
    const core::ProgramState& s = state();

    EXPECT_TRUE(ui->shown().isEmpty());
    EXPECT_TRUE(s.SaveDone);
    EXPECT_FALSE(s.SaveComplete) << "the floppy's file was not saved";
    const platform::IniDocument userIni = iniOf(entryBytes(kAutoKeep + QStringLiteral("Conf1us.tva"), QStringLiteral("WINDOWS/TEMP/trelvo/User/User.ini")));
    EXPECT_EQ(userIni.keys(QStringLiteral("UserFilesSaved")), QStringList{kLetter});
    // The file that is gone leaves the list; the one on the missing disk stays for next time.
    EXPECT_EQ(tm.readC(QStringLiteral("Program Files/Trelvo/trelvo.usr")),
              QByteArray(" 2\r\nA:\\Notes.txt\r\nC:\\My Documents\\Letter to Anna.txt\r\n\r\n"));
    const QStringList log = errorLog(tm);
    EXPECT_EQ(log.filter(gone + QStringLiteral(" Save")).size(), 1);
    EXPECT_EQ(log.filter(QStringLiteral("A:\\Notes.txt Save")).size(), 1);
}

TEST_F(SaveTest, AUserFileThatCannotBeReadIsPassedOverAndNamedAfterwards)
{
    // A file on the floppy drive, with no disk in it: not missing, just not there now.
    tm.machine().ejectDisk();
    writeUserList({QStringLiteral("A:\\Notes.txt"), kLetter});
    ui->expect(QStringLiteral("A:\\Notes.txt Disk not ready"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Not saved: A:\\Notes.txt"), QStringLiteral("OK"));
    saveInto(kBackups);

    EXPECT_TRUE(state().SaveDone);
    EXPECT_FALSE(state().SaveComplete);
    const platform::IniDocument userIni = iniOf(entryBytes(archive(QStringLiteral("us.tva")), QStringLiteral("WINDOWS/TEMP/trelvo/User/User.ini")));
    EXPECT_EQ(userIni.keys(QStringLiteral("UserFilesSaved")), QStringList{kLetter});
    // It stays in the list for the next save.
    EXPECT_TRUE(tm.readC(QStringLiteral("Program Files/Trelvo/Config1.usr")).contains("A:\\Notes.txt"));
}

TEST_F(SaveTest, ADiskPutInWhileAUserFileIsAskedAboutIsReadForTheNextFile)
{
    // The second disk, with a file, made on this machine and taken out again.
    tm.machine().createDisk(QStringLiteral("notes"), platform::DiskFormat::byName(QStringLiteral("1.44M")), true);
    tm.machine().insertDisk(QStringLiteral("notes"));
    fs::writeAll(QStringLiteral("A:\\Later.txt"), "later");
    tm.machine().ejectDisk();
    writeUserList({kLetter, QStringLiteral("A:\\Notes.txt"), QStringLiteral("A:\\Later.txt")});
    // While the box is open the disk goes in, from outside this process (as the machine's
    // tool writes it into machine.ini): the next file is looked for on it.
    ui->expect(QStringLiteral("A:\\Notes.txt Disk not ready"), QStringLiteral("OK"), [&] {
        QFile file(tm.dir() + QStringLiteral("/machine.ini"));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        platform::IniDocument ini = iniOf(file.readAll());
        ini.setValue(QStringLiteral("Drive A"), QStringLiteral("Disk"), QStringLiteral("notes"));
        file.resize(0);
        file.write(ini.serialize());
    });
    ui->expect(QStringLiteral("Not saved: A:\\Notes.txt"), QStringLiteral("OK"));
    saveInto(kBackups);

    const QByteArray userIniBytes = entryBytes(archive(QStringLiteral("us.tva")), QStringLiteral("WINDOWS/TEMP/trelvo/User/User.ini"));
    EXPECT_EQ(iniOf(userIniBytes).keys(QStringLiteral("UserFilesSaved")), (QStringList{kLetter, QStringLiteral("A:\\Later.txt")}));
    EXPECT_EQ(entryBytes(archive(QStringLiteral("us.tva")), QStringLiteral("WINDOWS/TEMP/trelvo/User/Later.txt")), QByteArray("later"));
}

TEST_F(SaveTest, CancelWhileStagingUserFilesFreesTheSlotAndCleansUp)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    state().ConfigDescription[0] = QStringLiteral("Monday");
    fs::writeAll(kBackups + QStringLiteral("Conf1.tva"), "the old save");
    writeUserList({kLetter, QStringLiteral("C:\\My Documents\\Gone.txt")});
    ui->expect(QStringLiteral("was not found and can't be saved"), QStringLiteral("Cancel"));
    saveInto(kBackups);

    EXPECT_FALSE(state().SaveDone);
    EXPECT_TRUE(state().OldConfigDeleted);
    // Neither the old save nor the system files this one had packed are left.
    EXPECT_FALSE(fs::exists(kBackups + QStringLiteral("Conf1.tva")));
    EXPECT_FALSE(fs::exists(kStaging));
    EXPECT_TRUE(helpEnabled());
    EXPECT_EQ(vb::Screen::MousePointer(), 0);
    // The slot holds nothing now, and says so.
    EXPECT_EQ(state().ConfigDescription[0], QStringLiteral("available"));
    EXPECT_EQ(item(iniFile(kProgramFolder + QStringLiteral("trelvo.ini")), "Settings", "Config1"), QStringLiteral("available"));
}

TEST_F(SaveTest, ASourceThatYieldsNothingIsRecordedAsNotSaved)
{
    tick(QStringLiteral("UserFiles"), QStringLiteral("Check1"));   // the address book
    tick(QStringLiteral("UserFiles"), QStringLiteral("Check2"));   // the cookies
    fs::removeFile(state().AddressBookFile);
    ui->expect(QStringLiteral("Not saved: Microsoft Windows Adressbook"), QStringLiteral("OK"));
    saveInto(kBackups);

    EXPECT_TRUE(state().SaveDone);
    EXPECT_FALSE(state().SaveComplete);
    EXPECT_FALSE(fs::exists(archive(QStringLiteral("ma.tva"))));
    const platform::IniDocument description = iniFile(kProgramFolder + QStringLiteral("Config1.ini"));
    EXPECT_EQ(item(description, "UserFilesSaved", "MSEAdressbook"), QStringLiteral("0"));
    EXPECT_EQ(item(description, "UserFilesSaved", "MSECookies"), QStringLiteral("1"));
}

TEST_F(SaveTest, AZipRunThatFailsIsLoggedAndTheSaveStillEnds)
{
    // A disk with room enough to be taken as a folder but not for the user files' archive.
    makeDisk(QStringLiteral("big"), {}, QStringLiteral("2.88M"));
    fs::createDirectory(QStringLiteral("C:\\Data"));
    fs::writeAll(QStringLiteral("C:\\Data\\Big.bin"), randomBytes(3500000, 3));
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    writeUserList({QStringLiteral("C:\\Data\\Big.bin")});
    ui->expect(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Not saved: user-defined Files"), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\"));

    EXPECT_TRUE(state().SaveDone);
    EXPECT_FALSE(state().SaveComplete);
    EXPECT_TRUE(fs::exists(QStringLiteral("A:\\Conf1.tva")));
    EXPECT_FALSE(fs::exists(QStringLiteral("A:\\Conf1us.tva")));
    const QStringList logged = errorLog(tm).filter(QStringLiteral("A:\\Conf1us.tva: zip.exe ended with 14 Save"));
    EXPECT_EQ(logged.size(), 1);
}

TEST_F(SaveTest, CancelAtEachQuestionBeforeTheSaveBeginsChangesNothing)
{
    fs::writeAll(kProgramFolder + QStringLiteral("Conf1.tva"), "the old save");
    fs::writeAll(kProgramFolder + QStringLiteral("Config1.ini"), "[Configuration]\r\nConfigName=Monday\r\n");
    state().ConfigDescription[0] = QStringLiteral("Monday");
    selectAll(1);
    writeUserList({kLetter});
    makeDisk(QStringLiteral("full"), {{QStringLiteral("Letter.doc"), "kept"}});
    const auto before = machineSnapshot();
    const auto expectNothingChanged = [&](const char* where) {
        EXPECT_EQ(machineSnapshot(), before) << where;
        EXPECT_FALSE(state().SaveDone) << where;
        EXPECT_FALSE(state().OldConfigDeleted) << where;
        EXPECT_TRUE(helpEnabled()) << where;
        EXPECT_EQ(vb::Screen::MousePointer(), 0) << where;
    };

    ui->expect(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("Cancel"));
    saveInto(QStringLiteral("A:\\"), 0, QStringLiteral("Monday"));
    expectNothingChanged("the first disk");

    // A disk that holds files: try another one, then give up.
    ui->expect(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("OK"));
    ui->onForm(QStringLiteral("frmNotEmpty"), [](vb::Form& dialog) {
        dialog.control<vb::CommandButton>(QStringLiteral("Command2")).setValue(true);
    });
    ui->expect(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("Cancel"));
    saveInto(QStringLiteral("A:\\"), 0, QStringLiteral("Monday"));
    expectNothingChanged("a disk that is not empty");

    // A folder that does not exist, and no program folder instead either.
    ui->expect(QStringLiteral("The specified folder does not exist: C:\\Nowhere\\ Should Trelvo create the specified folder?"),
               QStringLiteral("Cancel"));
    ui->expect(QStringLiteral("Configuration will be saved at:"), QStringLiteral("Cancel"));
    saveInto(QStringLiteral("C:\\Nowhere\\"), 0, QStringLiteral("Monday"));
    expectNothingChanged("the missing folder");
    EXPECT_EQ(state().SaveFolder, QStringLiteral("C:\\Program Files\\Trelvo\\"));
    EXPECT_EQ(core::TextBoxOf(QStringLiteral("Form1"), QStringLiteral("Text2")).Text(), QStringLiteral("C:\\Program Files\\Trelvo\\"));
}

// The folders the program empties for its own work keep no configuration: a save into one of
// them (named in any case or by short names) is refused before anything changes.
TEST_F(SaveTest, ASaveIntoTheProgramsOwnWorkFoldersIsRefused)
{
    fs::writeAll(kProgramFolder + QStringLiteral("Conf1.tva"), "the old save");
    fs::writeAll(kProgramFolder + QStringLiteral("Config1.ini"), "[Configuration]\r\nConfigName=Monday\r\n");
    fs::createDirectory(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo"));
    fs::createDirectory(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo\\Keep"));
    fs::createDirectory(kProgramFolder + QStringLiteral("DiskRestore"));
    selectAll(1);
    const auto before = machineSnapshot();
    for (const QString folder : {"C:\\WINDOWS\\TEMP\\TRELVO\\", "c:\\windows\\temp\\trelvo\\keep\\", "C:\\PROGRA~1\\Trelvo\\diskrestore\\"}) {
        ui->expect(QStringLiteral("This folder lies in a folder that Trelvo uses for its own work and empties, so it can not "
                                  "keep a configuration: ") + folder + QStringLiteral(" Please choose another folder"),
                   QStringLiteral("OK"));
        saveInto(folder, 0, QStringLiteral("Monday"));
        EXPECT_FALSE(state().SaveDone) << folder.toStdString();
        EXPECT_TRUE(helpEnabled()) << folder.toStdString();
        EXPECT_EQ(machineSnapshot(), before) << folder.toStdString();
    }
    // A folder of its own beside them is no work folder.
    selectAll(0);
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    fs::createDirectory(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo saves"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo saves\\"), 0, QStringLiteral("Monday"));
    EXPECT_TRUE(state().SaveDone);
}

TEST_F(SaveTest, AMissingFolderIsCreatedOrReplacedByTheProgramFolder)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    ui->expect(QStringLiteral("does not exist: C:\\Saves\\Week 1\\"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("C:\\Saves\\Week 1\\"));
    EXPECT_TRUE(fs::exists(QStringLiteral("C:\\Saves\\Week 1\\Conf1.tva")));
    EXPECT_TRUE(fs::exists(QStringLiteral("C:\\Saves\\Week 1\\Config1.ini")));

    ui->expect(QStringLiteral("does not exist: C:\\Elsewhere\\"), QStringLiteral("Cancel"));
    ui->expect(QStringLiteral("Configuration will be saved at:"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("C:\\Elsewhere\\"), 1);
    EXPECT_TRUE(fs::exists(kProgramFolder + QStringLiteral("Conf2.tva")));
    // The description lies in the program folder once, its copy path naming the same file.
    EXPECT_EQ(state().ConfigIniCopyPath, kProgramFolder + QStringLiteral("Config2.ini"));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\Elsewhere")));
}

TEST_F(SaveTest, AnEmptyFloppyWithRoomEnoughIsAFolderOfItsOwn)
{
    // A 2.88 MB disk has more than 1,500,000 bytes free: the archives go onto it directly.
    makeDisk(QStringLiteral("big"), {}, QStringLiteral("2.88M"));
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    ui->expect(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\"));

    EXPECT_TRUE(fs::exists(QStringLiteral("A:\\Conf1.tva")));
    EXPECT_TRUE(fs::exists(QStringLiteral("A:\\Config1.ini")));
    EXPECT_FALSE(iniFile(kProgramFolder + QStringLiteral("Config1.ini")).sections().contains(QStringLiteral("SplitLog")));
    EXPECT_EQ(platform::Machine::current().diskVolume(QStringLiteral("big"))->label(), QString());
}

TEST_F(SaveTest, AMarkerFileDoesNotMakeAManualSaveAutomatic)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    fs::writeAll(kProgramFolder + QStringLiteral("Keep.go"), "");
    core::ComboBoxOf(QStringLiteral("Form1"), QStringLiteral("Combo1")).AddItem(QStringLiteral("Disabled"));
    core::ComboBoxOf(QStringLiteral("Form1"), QStringLiteral("Combo1")).AddItem(QStringLiteral("Daily"));
    core::ComboBoxOf(QStringLiteral("Form1"), QStringLiteral("Combo1")).setListIndex(1);
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(kBackups);
    EXPECT_EQ(state().SaveFolder, kBackups);
    EXPECT_EQ(state().ConfigDate[0], QStringLiteral(" 8/12/1999"));
}

TEST_F(SaveTest, AnAutomaticSaveReportsInItsOwnWindowAndLeavesTheSlotsAlone)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    tick(QStringLiteral("Form1"), QStringLiteral("Check1"));
    core::ProgramState& s = state();
    s.ConfigDescription[1] = QStringLiteral("Tuesday");
    s.ConfigDate[1] = QStringLiteral(" 1/12/1999");
    s.PrevSaveFolder = kBackups;
    const QString autoKeep = kAutoKeep;

    // The automatic-save window is up while its save runs.
    vb::Form& window = core::Win(QStringLiteral("FrmAutoKeep"));
    core::Ctl<vb::Timer>(QStringLiteral("FrmAutoKeep"), QStringLiteral("Timer1")).setEnabled(false);
    window.Show();
    vb::StatusBar& status = core::StatusBarOf(QStringLiteral("FrmAutoKeep"), QStringLiteral("StatusBar1"));
    vb::ProgressBar& progress = core::ProgressBarOf(QStringLiteral("FrmAutoKeep"), QStringLiteral("ProgressBar1"));

    saveAutomatically(1);

    EXPECT_TRUE(s.SaveDone);
    EXPECT_TRUE(s.SaveComplete);
    EXPECT_TRUE(ui->shown().isEmpty());
    EXPECT_EQ(s.SaveFolder, kBackups);
    EXPECT_EQ(status.Text(), QStringLiteral("Saving System Files. Please wait..."));
    EXPECT_EQ(progress.Value(), 10);
    EXPECT_TRUE(fs::exists(autoKeep + QStringLiteral("Conf2.tva")));
    EXPECT_TRUE(fs::exists(autoKeep + QStringLiteral("Conf2s.tva")));
    EXPECT_TRUE(fs::exists(autoKeep + QStringLiteral("Config2.ini")));
    EXPECT_TRUE(fs::exists(autoKeep + QStringLiteral("Config2.usr")));
    EXPECT_EQ(s.ConfigDescription[1], QStringLiteral("Tuesday"));
    EXPECT_EQ(s.ConfigDate[1], QStringLiteral(" 1/12/1999"));
    // The settings keep the user's folder, not the automatic one.
    EXPECT_EQ(item(iniFile(kProgramFolder + QStringLiteral("trelvo.ini")), "SystemPathes", "SaveFolder"), kBackups);
    window.Hide();
}

TEST_F(SaveTest, ASecondSaveIsRefusedWhileOneRuns)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    ui->expect(QStringLiteral("does not exist"), QStringLiteral("OK"), [] {
        // The user presses Save again while the first save waits for an answer.
        core::state().ConfigIniPath = kProgramFolder + QStringLiteral("Config5.ini");
        core::state().SelectedConfig = 4;
        backup::Save();
        core::state().SelectedConfig = 0;
        core::state().ConfigIniPath = kProgramFolder + QStringLiteral("Config1.ini");
    });
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("C:\\New Folder\\"));

    EXPECT_EQ(ui->beeps(), 1);
    EXPECT_TRUE(state().SaveDone);
    EXPECT_TRUE(fs::exists(QStringLiteral("C:\\New Folder\\Conf1.tva")));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\New Folder\\Conf5.tva")));
    EXPECT_FALSE(fs::exists(kProgramFolder + QStringLiteral("Config5.ini")));
}

TEST_F(SaveTest, QuitIsRefusedWhileTheSaveRuns)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    tick(QStringLiteral("Form1"), QStringLiteral("Check8"));   // Autoexec.bat, which is saved
    bool quitReturned = false;
    fs::removeFile(state().SystemPath + QStringLiteral("\\WIN.INI"));
    ui->expect(QStringLiteral("Win.ini File not found!"), QStringLiteral("OK"), [&] {
        core::QuitProgram();
        quitReturned = true;
    });
    ui->expect(QStringLiteral("Not saved: Win.ini"), QStringLiteral("OK"));
    saveInto(kBackups);
    EXPECT_TRUE(quitReturned);
    EXPECT_TRUE(state().SaveDone);
    EXPECT_EQ(item(iniFile(kProgramFolder + QStringLiteral("Config1.ini")), "SystemFilesSaved", "Win.ini"), QStringLiteral("0"));
    EXPECT_EQ(errorLog(tm).filter(QStringLiteral("Win.ini Save")).size(), 1);
}

TEST_F(SaveTest, EachRunIsAnnouncedThenCountedOnTheProgressBar)
{
    selectAll(1);
    writeUserList({kLetter});
    state().Compression = QStringLiteral(" 9 ");
    // What the window shows while each zip run is under way.
    struct Seen {
        QString status;
        int progress;
        QString command;
    };
    QList<Seen> runs;
    platform::proc::registerBehaviour(QStringLiteral("zip"), [&](const platform::proc::Invocation& inv) {
        runs.append({statusText(), core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar1")).Value(), inv.argText});
        return platform::infozip::runZip(inv);
    });
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(kBackups);
    platform::proc::registerBehaviour(QStringLiteral("zip"), platform::infozip::runZip);

    const QStringList subjects{"Start Menu", "System Files", "user-defined Files", "Microsoft Windows Adressbook",
                               "Microsoft Internet Explorer Bookmarks", "Microsoft Internet Explorer Cookies",
                               "Microsoft Outlook Express Mailbox", "Netscape Navigator Bookmarks", "Netscape Navigator Cookies",
                               "Netscape Messenger Mailbox"};
    const QStringList options{"-9qurS", "-9gqoruS", "-9gqorumS", "-9q", "-9qurS", "-9qurgS", "-9qurgS", "-9qgurS", "-9qgurS", "-9qgurS"};
    ASSERT_EQ(runs.size(), 10);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(runs[k].status, QStringLiteral("Saving ") + subjects[k] + QStringLiteral(". Please wait..."));
        EXPECT_EQ(runs[k].progress, k);
        EXPECT_TRUE(runs[k].command.startsWith(options[k] + u' ')) << runs[k].command.toStdString();
    }
    // The system files' source is quoted like every other one.
    EXPECT_EQ(runs[1].command, QStringLiteral("-9gqoruS \"C:\\My Backups\\Conf1.tva\" \"C:\\WINDOWS\\TEMP\\trelvo\\*.*\""));
}

TEST_F(SaveTest, ANetworkDestinationIsOnlyWarnedAbout)
{
    platform::Machine& m = tm.machine();
    m.setSetting(QStringLiteral("Drives"), QStringLiteral("N"), QStringLiteral("network"));
    m.setSetting(QStringLiteral("Drive N"), QStringLiteral("Folder"), QStringLiteral("server_share"));
    QDir().mkpath(m.dir() + QStringLiteral("/server_share/Saves"));
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    ui->expect(QStringLiteral("You have chosen a destination directory on a network. This configuration can not be restored "
                              "with the DOS Module of Trelvo."),
               QStringLiteral("OK"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("N:\\Saves\\"));
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Trelvo"));
    EXPECT_TRUE(fs::exists(QStringLiteral("N:\\Saves\\Conf1.tva")));
    EXPECT_TRUE(fs::exists(QStringLiteral("N:\\Saves\\Config1.ini")));
}

TEST_F(SaveTest, ASaveWhoseDescriptionCannotBeWrittenIsNoConfigurationAndFreesItsSlot)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    writeUserList({kLetter});
    // A folder where the description goes: the archives can be made, the description not.
    fs::createDirectory(kProgramFolder + QStringLiteral("Config2.ini"));
    ui->expect(QStringLiteral("The configuration could not be saved!  Not saved: C:\\Program Files\\Trelvo\\Config2.ini: "),
               QStringLiteral("OK"));
    saveInto(kBackups, 1, QStringLiteral("Monday"));

    const core::ProgramState& s = state();
    EXPECT_FALSE(s.SaveDone);
    EXPECT_EQ(statusText(), QStringLiteral("The configuration could not be saved!"));
    EXPECT_TRUE(helpEnabled());
    // Archives that no description finds are not kept, and the slot is free on screen and on disk.
    for (const char* suffix : {".tva", "us.tva"})
        EXPECT_FALSE(fs::exists(kBackups + QStringLiteral("Conf2") + suffix)) << suffix;
    EXPECT_FALSE(fs::exists(kProgramFolder + QStringLiteral("Config2.usr")));
    EXPECT_EQ(s.ConfigDescription[1], QStringLiteral("available"));
    EXPECT_EQ(item(iniFile(kProgramFolder + QStringLiteral("trelvo.ini")), "Settings", "Config2"), QStringLiteral("available"));
    EXPECT_EQ(errorLog(tm).filter(QStringLiteral("C:\\Program Files\\Trelvo\\Config2.ini Save")).size(), 1);
}

// Each row is an entry of trelvo.usr beside a letter that is saved as usual: the entry is
// named once in the end message (control characters shown as "?") and in the log, nothing
// outside the staging folder is written, and the letter alone is in the archive.
TEST_F(SaveTest, AnEntryThatIsNoNameIsLeftOutAndNamedOnce)
{
    const QString longLine(300, u'x');
    const struct {
        QString entry;
        QString shown;
    } rows[] = {
        {QStringLiteral("C:\\A\\..\\..\\..\\..\\WIN.INI"), QStringLiteral("C:\\A\\..\\..\\..\\..\\WIN.INI")},
        {QStringLiteral("C:\\WINDOWS\\..\\AUTOEXEC.BAT"), QStringLiteral("C:\\WINDOWS\\..\\AUTOEXEC.BAT")},
        {QStringLiteral("C:\\NEWF") + nul() + QStringLiteral("tail"), QStringLiteral("C:\\NEWF?tail")},
        {QStringLiteral("C:\\WINDOWS\\WIN.INI") + nul() + QStringLiteral("x"), QStringLiteral("C:\\WINDOWS\\WIN.INI?x")},
        {QStringLiteral("C:\\My Documents\\a|b.txt"), QStringLiteral("C:\\My Documents\\a|b.txt")},
        {QStringLiteral("C:\\My Documents\\x\ty.txt"), QStringLiteral("C:\\My Documents\\x?y.txt")},
        {QStringLiteral("C:\\") + longLine, (QStringLiteral("C:\\") + longLine).left(259) + QStringLiteral("...")},
    };
    // A file of the name the first row climbs to: staged where that row's staged path leads, it
    // would land on the live WIN.INI.
    fs::writeAll(QStringLiteral("C:\\WIN.INI"), "[not the live one]\r\n");
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    for (const auto& row : rows) {
        const QString what = row.shown.left(60);
        writeUserList({row.entry, kLetter});
        const auto before = userFiles();
        ui->expect(QStringLiteral("The configuration was saved, but not all of it.  Not saved: ") + row.shown +
                       QStringLiteral(": Filename or number wrong"),
                   QStringLiteral("OK"));
        saveInto(kBackups);
        EXPECT_TRUE(state().SaveDone) << qPrintable(what);
        EXPECT_FALSE(state().SaveComplete) << qPrintable(what);
        ASSERT_FALSE(ui->shown().isEmpty());
        EXPECT_EQ(ui->shown().last().prompt.count(row.shown), 1) << qPrintable(what);
        EXPECT_EQ(userFiles(), before) << qPrintable(what);
        EXPECT_EQ(userIniKeys(), QStringList{kLetter}) << qPrintable(what);
        EXPECT_EQ(errorLog(tm).join(u'\n').count(row.shown + QStringLiteral(" Save")), 1) << qPrintable(what);
        EXPECT_FALSE(errorLog(tm).join(u'\n').contains(QChar(0)));
        // The list keeps the entry for the user to mend.
        EXPECT_TRUE(QString::fromLatin1(fs::readAll(kProgramFolder + QStringLiteral("trelvo.usr"))).contains(row.entry)) << qPrintable(what);
        fs::removeFile(kProgramFolder + QStringLiteral("Error.log"));
    }
}

// Each row is a trelvo.usr that is there but cannot be read as a list: the files it lists
// are named as not saved, by the list file and why, beside what was saved; with nothing else
// chosen nothing is saved and the box says so (no "nothing to save", no success).
TEST_F(SaveTest, AListFileThatCannotBeReadIsToldNeverTakenForAnEmptyList)
{
    const QString listFile = kProgramFolder + QStringLiteral("trelvo.usr");
    const QString host = hostOf(listFile);
    for (const testsupport::ListDamage& damage : testsupport::listFileDamages(false)) {
        const QString why = damage.isFile ? QStringLiteral("the file is damaged, it is not a list of files")
                                          : QStringLiteral("Error while accessing file/directory");
        const QString told = QStringLiteral("Not saved: User-defined files listed in ") + listFile + QStringLiteral(": ") + why;

        selectAll(0);
        tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
        damage.make(host);
        ui->expect(QStringLiteral("The configuration was saved, but not all of it.  ") + told, QStringLiteral("OK"));
        saveInto(kBackups);
        EXPECT_TRUE(state().SaveDone) << damage.name;
        EXPECT_FALSE(state().SaveComplete) << damage.name;
        EXPECT_TRUE(fs::exists(kBackups + QStringLiteral("Conf1.tva"))) << damage.name;
        EXPECT_FALSE(fs::exists(kBackups + QStringLiteral("Conf1us.tva"))) << damage.name;
        EXPECT_TRUE(errorLog(tm).join(u'\n').contains(listFile + QStringLiteral(" Save"))) << damage.name;

        selectAll(0);
        ui->expect(QStringLiteral("The configuration could not be saved!  ") + told, QStringLiteral("OK"));
        saveInto(kBackups);
        EXPECT_FALSE(state().SaveDone) << damage.name;

        QFile::remove(host);
        QDir(host).removeRecursively();
    }
}
