// The zip.exe and Unzip32.exe command lines of the programs, carried out by the host's
// Info-ZIP zip and unzip on a demo machine: entry names, wildcards, hidden and system
// files, attributes in the archive and back, floppies that are full, case of folders,
// unzip patterns, moving, and archives that are damaged or unsafe.
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/ZipArchive.h"
#include "support/TempMachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <sched.h>
#include <sys/stat.h>

using namespace platform;
using testsupport::MachineTest;

namespace {

class ZipAdapterTest : public MachineTest {
protected:
    // Runs a command line as the programs do: start hidden, wait, then the exit code.
    int run(const QString& line)
    {
        const qint64 pid = proc::Shell(line, proc::Hide);
        proc::WaitForProcess(pid);
        lastOutput = proc::OutputOf(pid);
        const std::optional<int> code = proc::ExitCodeOf(pid);
        EXPECT_TRUE(code.has_value()) << qPrintable(line);
        return code.value_or(-1);
    }

    static QString host(const QString& winPath) { return Machine::current().resolve(winPath).host(); }

    // Entry name -> entry, read from the central directory of an archive on the machine.
    static QMap<QString, zip::ZipEntry> entries(const QString& winArchive)
    {
        QMap<QString, zip::ZipEntry> map;
        QString error;
        const auto list = zip::readEntries(host(winArchive), &error);
        EXPECT_TRUE(list.has_value()) << qPrintable(error);
        for (const zip::ZipEntry& e : list.value_or(QList<zip::ZipEntry>{}))
            map.insert(e.name, e);
        return map;
    }

    // The real unzip's own test of an archive on the machine.
    static int unzipTest(const QString& winArchive)
    {
        QString out;
        return proc::runHost(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-tq"), host(winArchive)}, QDir::tempPath(), &out);
    }

    // An archive made on the host by the real zip from files given by path and content,
    // stored on the machine at `winArchive`.
    void hostArchive(const QString& winArchive, const QMap<QString, QByteArray>& files)
    {
        QTemporaryDir dir;
        QStringList names;
        for (auto it = files.begin(); it != files.end(); ++it) {
            QDir(dir.path()).mkpath(QFileInfo(dir.filePath(it.key())).path());
            QFile f(dir.filePath(it.key()));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(it.value());
            names << it.key();
        }
        QString out;
        ASSERT_EQ(proc::runHost(QStringLiteral("/usr/bin/zip"), QStringList{QStringLiteral("-q"), dir.filePath(QStringLiteral("a.zip")), QStringLiteral("--")} + names,
                                dir.path(), &out), 0) << qPrintable(out);
        QFile f(dir.filePath(QStringLiteral("a.zip")));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        fs::writeAll(winArchive, f.readAll());
    }

    // Stages a file as the save does: copied with its attributes, given a fixed time.
    static void stage(const QString& from, const QString& to)
    {
        fs::copyFile(from, to);
        fs::setModified(to, stamp);
    }

    static inline const QDateTime stamp{QDate(2001, 2, 3), QTime(4, 5, 6)};
    QString lastOutput;
};

const QString kSaveFolder = QStringLiteral("C:\\Program Files\\Trelvo\\");

} // namespace

TEST_F(ZipAdapterTest, TheStartMenuSaveLineStoresFullPathsWithFolderEntriesAndHiddenFiles)
{
    ASSERT_EQ(run(QStringLiteral("zip.exe -1qurS \"%1Conf1s.tva\" \"c:\\windows\\start menu\\*.*\"").arg(kSaveFolder)), 0) << qPrintable(lastOutput);
    const auto all = entries(kSaveFolder + QStringLiteral("Conf1s.tva"));
    for (const QString& name : all.keys())
        EXPECT_TRUE(name.startsWith(QStringLiteral("WINDOWS/Start Menu/"))) << qPrintable(name);
    EXPECT_FALSE(all.contains(QStringLiteral("WINDOWS/Start Menu/")));
    for (const char* name : {"WINDOWS/Start Menu/Programs/", "WINDOWS/Start Menu/Programs/Accessories/System Tools/",
                             "WINDOWS/Start Menu/Programs/Accessories/System Tools/ScanDisk.lnk",
                             "WINDOWS/Start Menu/Programs/MS-DOS Prompt.pif", "WINDOWS/Start Menu/Windows Update.url",
                             "WINDOWS/Start Menu/Programs/StartUp/", "WINDOWS/Start Menu/Programs/StartUp/desktop.ini"})
        EXPECT_TRUE(all.contains(QString::fromLatin1(name))) << name;
    EXPECT_EQ(all.size(), 14);

    // Every entry is recorded as Windows zip records it: MS-DOS host, the DOS attribute byte.
    for (const zip::ZipEntry& e : all)
        EXPECT_EQ(e.host(), zip::HostMsDos) << qPrintable(e.name);
    EXPECT_EQ(all[QStringLiteral("WINDOWS/Start Menu/Programs/StartUp/desktop.ini")].dosAttributes(), AttrHidden | AttrArchive);
    EXPECT_EQ(all[QStringLiteral("WINDOWS/Start Menu/Programs/")].dosAttributes(), AttrDirectory);
    EXPECT_EQ(all[QStringLiteral("WINDOWS/Start Menu/Windows Update.url")].dosAttributes(), AttrArchive);
    EXPECT_EQ(unzipTest(kSaveFolder + QStringLiteral("Conf1s.tva")), 0);

    // Without S the hidden file stays out, its folder does not.
    ASSERT_EQ(run(QStringLiteral("zip.exe -1qur \"%1Conf2s.tva\" \"C:\\WINDOWS\\Start Menu\\*.*\"").arg(kSaveFolder)), 0);
    const auto visible = entries(kSaveFolder + QStringLiteral("Conf2s.tva"));
    EXPECT_FALSE(visible.contains(QStringLiteral("WINDOWS/Start Menu/Programs/StartUp/desktop.ini")));
    EXPECT_TRUE(visible.contains(QStringLiteral("WINDOWS/Start Menu/Programs/StartUp/")));
    EXPECT_EQ(visible.size(), 13);

    // Without r the matched folders are entries of their own, their contents are not.
    ASSERT_EQ(run(QStringLiteral("zip.exe -1q \"%1Conf3s.tva\" \"C:\\WINDOWS\\Start Menu\\*.*\"").arg(kSaveFolder)), 0);
    EXPECT_EQ(entries(kSaveFolder + QStringLiteral("Conf3s.tva")).keys(),
              (QStringList{"WINDOWS/Start Menu/Programs/", "WINDOWS/Start Menu/Windows Update.url"}));
}

TEST_F(ZipAdapterTest, NothingToPackIsCode12AndMakesNoArchive)
{
    const QString line = QStringLiteral("zip.exe -1gqoruS \"%1Conf1.tva\" C:\\WINDOWS\\TEMP\\trelvo\\*.*").arg(kSaveFolder);
    EXPECT_EQ(run(line), 12);
    fs::createDirectory(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo"));
    EXPECT_EQ(run(line), 12);
    EXPECT_EQ(run(QStringLiteral("zip.exe -1q \"%1Conf1ma.tva\" \"C:\\nothere\\Owner.wab\"").arg(kSaveFolder)), 12);
    EXPECT_FALSE(fs::exists(kSaveFolder + QStringLiteral("Conf1.tva")));
    EXPECT_FALSE(fs::exists(kSaveFolder + QStringLiteral("Conf1ma.tva")));
    EXPECT_TRUE(lastOutput.contains(QStringLiteral("Nothing to do!")));

    // An option zip does not know is a bad command line, as it is for zip.
    EXPECT_EQ(run(QStringLiteral("zip.exe -1qZ \"%1x.tva\" C:\\AUTOEXEC.BAT").arg(kSaveFolder)), 16);
}

TEST_F(ZipAdapterTest, SystemFilesKeepReadOnlyHiddenSystemThroughZipAndUnzip)
{
    const QString trelvo = QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo\\");
    fs::createDirectory(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo"));
    stage(QStringLiteral("C:\\msdos.sys"), trelvo + QStringLiteral("msdos.sys"));
    stage(QStringLiteral("C:\\WINDOWS\\win.ini"), trelvo + QStringLiteral("win.ini"));
    stage(QStringLiteral("C:\\WINDOWS\\user.dat"), trelvo + QStringLiteral("user.dat"));

    // The rescue line: archive named relative to the current (program) folder, no quotes.
    tm.machine().setCurrentDir(kSaveFolder);
    ASSERT_EQ(run(QStringLiteral("zip.exe -1gqouS Configd.tva C:\\WINDOWS\\TEMP\\trelvo\\*.*")), 0) << qPrintable(lastOutput);
    const QString archive = kSaveFolder + QStringLiteral("Configd.tva");
    const auto all = entries(archive);
    EXPECT_EQ(all.keys(), (QStringList{"WINDOWS/TEMP/trelvo/msdos.sys", "WINDOWS/TEMP/trelvo/user.dat", "WINDOWS/TEMP/trelvo/win.ini"}));
    EXPECT_EQ(all[QStringLiteral("WINDOWS/TEMP/trelvo/msdos.sys")].dosAttributes(), AttrReadOnly | AttrHidden | AttrSystem);
    EXPECT_EQ(all[QStringLiteral("WINDOWS/TEMP/trelvo/win.ini")].dosAttributes(), AttrArchive);
    // o: the archive has the time of its newest entry.
    EXPECT_EQ(fs::stat(archive).modified, stamp);

    // Unpacked on a floppy, the files come back with their attributes, contents and times.
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -qo \"%1\" -d A:\\").arg(archive)), 0) << qPrintable(lastOutput);
    const QString back = QStringLiteral("A:\\WINDOWS\\TEMP\\trelvo\\");
    EXPECT_EQ(fs::attributes(back + QStringLiteral("msdos.sys")), AttrReadOnly | AttrHidden | AttrSystem);
    EXPECT_EQ(fs::attributes(back + QStringLiteral("user.dat")), AttrReadOnly | AttrHidden | AttrSystem);
    EXPECT_EQ(fs::attributes(back + QStringLiteral("win.ini")), AttrArchive);
    EXPECT_EQ(fs::readAll(back + QStringLiteral("msdos.sys")), fs::readAll(QStringLiteral("C:\\MSDOS.SYS")));
    EXPECT_EQ(fs::stat(back + QStringLiteral("win.ini")).modified, stamp);

    // The same unzip again: the read-only files are not overwritten, which is a warning.
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -qo \"%1\" -d A:\\").arg(archive)), 1);
    EXPECT_TRUE(lastOutput.contains(QStringLiteral("msdos.sys"))) << qPrintable(lastOutput);
}

TEST_F(ZipAdapterTest, AFullFloppyGetsNoArchiveAndAWriteProtectedOneNeither)
{
    const QString line = QStringLiteral("zip.exe -1q \"A:\\Conf1ma.tva\" \"C:\\WINDOWS\\Application Data\\Microsoft\\Address Book\\Owner.wab\"");
    fs::writeAll(QStringLiteral("A:\\FILL.BIN"), QByteArray(1457664 - 512, 'x'));
    ASSERT_EQ(run(line), 0) << qPrintable(lastOutput);   // one cluster left: the archive fits
    EXPECT_EQ(entries(QStringLiteral("A:\\Conf1ma.tva")).keys(),
              QStringList{"WINDOWS/Application Data/Microsoft/Address Book/Owner.wab"});
    EXPECT_EQ(fs::diskSpace(QStringLiteral("A:\\"))->freeClusters, 0);

    fs::removeFile(QStringLiteral("A:\\Conf1ma.tva"));
    fs::writeAll(QStringLiteral("A:\\MORE.BIN"), QByteArray(100, 'y'));   // the disk is full now
    EXPECT_EQ(run(line), 14);
    EXPECT_EQ(QDir(tm.hostDisk(QStringLiteral("blank"))).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // unzip onto the full disk: disk full, nothing half written.
    ASSERT_EQ(run(QStringLiteral("zip.exe -1q \"C:\\Conf1ma.tva\" \"C:\\WINDOWS\\Application Data\\Microsoft\\Address Book\\Owner.wab\"")), 0);
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -o \"C:\\Conf1ma.tva\" -d A:\\")), 50);
    EXPECT_FALSE(fs::exists(QStringLiteral("A:\\WINDOWS\\Application Data\\Microsoft\\Address Book\\Owner.wab")));

    fs::removeFile(QStringLiteral("A:\\FILL.BIN"));
    tm.machine().protectDisk(QStringLiteral("blank"), true);
    EXPECT_EQ(run(line), 15);
    EXPECT_FALSE(fs::exists(QStringLiteral("A:\\Conf1ma.tva")));
}

TEST_F(ZipAdapterTest, UnzipLandsInExistingFoldersWhateverTheirCase)
{
    hostArchive(QStringLiteral("C:\\case.tva"), {{QStringLiteral("windows/start menu/New.lnk"), "new shortcut"},
                                                 {QStringLiteral("WINDOWS/START MENU/PROGRAMS/More/deep.txt"), "deep"}});
    // The listing of the folder is cached before the run; it must show the new file after it.
    EXPECT_EQ(fs::find(QStringLiteral("C:\\WINDOWS\\Start Menu\\*.lnk"), 0).size(), 0);
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -o \"C:\\case.tva\" -d C:\\")), 0) << qPrintable(lastOutput);

    EXPECT_TRUE(tm.existsC(QStringLiteral("WINDOWS/Start Menu/New.lnk")));
    EXPECT_TRUE(tm.existsC(QStringLiteral("WINDOWS/Start Menu/Programs/More/deep.txt")));
    EXPECT_EQ(QDir(tm.hostC(QStringLiteral("WINDOWS"))).entryList({QStringLiteral("*")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)
                  .filter(QStringLiteral("start menu"), Qt::CaseInsensitive),
              QStringList{"Start Menu"});
    const auto found = fs::find(QStringLiteral("C:\\WINDOWS\\Start Menu\\*.lnk"), 0);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].name, QStringLiteral("New.lnk"));
    EXPECT_EQ(found[0].attrs, AttrArchive);
}

// A folder that the machine does not have yet comes over whole from unzip's scratch folder;
// it holds what unzipping item by item gives (as onto a floppy): names, contents, times,
// attributes of files and folders, and the host's rights. A tree whose names would clash on
// the machine is taken item by item.
TEST_F(ZipAdapterTest, AFolderNewToTheMachineComesOverWholeAsItWouldItemByItem)
{
    const QString user = QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo\\User");
    fs::createDirectory(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo"));
    for (const char* folder : {"", "\\Docs", "\\Docs\\Old", "\\Hidden", "\\Empty"})
        fs::createDirectory(user + QString::fromLatin1(folder));
    for (const char* file : {"\\Docs\\a.txt", "\\Docs\\locked.txt", "\\Docs\\Old\\b.txt", "\\Hidden\\c.txt"}) {
        fs::writeAll(user + QString::fromLatin1(file), file);
        fs::setModified(user + QString::fromLatin1(file), stamp);
    }
    fs::setAttributes(user + QStringLiteral("\\Docs\\locked.txt"), AttrReadOnly | AttrArchive);
    fs::setAttributes(user + QStringLiteral("\\Hidden"), AttrHidden);
    ASSERT_EQ(run(QStringLiteral("zip.exe -1qurS \"C:\\tree.tva\" \"%1\\*.*\"").arg(user)), 0) << qPrintable(lastOutput);

    Machine::current().createDisk(QStringLiteral("f"), DiskFormat::byName(QStringLiteral("1.44M")), true);
    Machine::current().insertDisk(QStringLiteral("f"));
    fs::createDirectory(QStringLiteral("C:\\Back"));
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\tree.tva\" -d C:\\Back")), 0) << qPrintable(lastOutput);
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\tree.tva\" -d A:\\")), 0) << qPrintable(lastOutput);

    const auto look = [](const QString& root) {
        QStringList out;
        const std::function<void(const QString&)> walk = [&](const QString& folder) {
            for (const fs::Entry& e : fs::find(folder + QStringLiteral("\\*.*"), AttrHidden | AttrSystem | AttrDirectory)) {
                if (e.name == u"." || e.name == u"..")
                    continue;
                const QString path = folder + u'\\' + e.name;
                struct stat st {};
                ::stat(QFile::encodeName(host(path)).constData(), &st);
                out << path.mid(root.size()) + QStringLiteral(" attrs %1 mode %2 time %3 bytes %4")
                                                     .arg(e.attrs)
                                                     .arg(st.st_mode & 07777, 0, 8)
                                                     .arg(e.isDir() ? QString() : e.modified.toString(Qt::ISODate))
                                                     .arg(e.isDir() ? QString() : QString::fromLatin1(fs::readAll(path)));
                if (e.isDir())
                    walk(path);
            }
        };
        walk(root);
        return out;
    };
    const QStringList whole = look(QStringLiteral("C:\\Back"));
    EXPECT_EQ(whole, look(QStringLiteral("A:"))) << whole.join(u'\n').toStdString();
    EXPECT_EQ(whole.size(), 12) << whole.join(u'\n').toStdString();
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\Back\\WINDOWS\\TEMP\\trelvo\\User\\Docs\\locked.txt")), AttrReadOnly | AttrArchive);
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\Back\\WINDOWS\\TEMP\\trelvo\\User\\Hidden")), AttrHidden | AttrDirectory);

    // Two entries that the machine takes for one name: the second overwrites the first.
    hostArchive(QStringLiteral("C:\\clash.tva"), {{QStringLiteral("Top/Mixed/note.txt"), "first"}, {QStringLiteral("Top/Mixed/NOTE.TXT"), "second"}});
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\clash.tva\" -d C:\\Back")), 0) << qPrintable(lastOutput);
    EXPECT_EQ(fs::find(QStringLiteral("C:\\Back\\Top\\Mixed\\*.*"), 0).size(), 1);
    EXPECT_EQ(QDir(tm.hostC(QStringLiteral("Back/Top/Mixed"))).entryList(QDir::Files).size(), 1);
}

TEST_F(ZipAdapterTest, NetscapeItemsShareOneArchiveAndComeBackByPattern)
{
    const QString na = kSaveFolder + QStringLiteral("Conf1na.tva");
    const QString owner = QStringLiteral("C:\\Program Files\\Netscape\\Users\\owner");
    for (const char* source : {"\\Bookmark.htm", "\\Cookies.txt", "\\Mail\\*.*"})
        ASSERT_EQ(run(QStringLiteral("zip.exe -1qgurS \"%1\" \"%2%3\"").arg(na, owner, QString::fromLatin1(source))), 0) << qPrintable(lastOutput);
    const QString base = QStringLiteral("Program Files/Netscape/Users/owner/");
    QStringList expected{base + "Bookmark.htm", base + "Cookies.txt"};
    for (const char* mail : {"Inbox", "Inbox.snm", "Sent", "Trash"})
        expected << base + "Mail/" + mail;
    expected.sort();
    EXPECT_EQ(entries(na).keys(), expected);

    const QByteArray cookies = fs::readAll(owner + QStringLiteral("\\Cookies.txt"));
    fs::removeFile(owner + QStringLiteral("\\Bookmark.htm"));
    fs::removeFile(owner + QStringLiteral("\\Cookies.txt"));
    for (const char* mail : {"Inbox", "Inbox.snm", "Sent", "Trash"})
        fs::removeFile(owner + QStringLiteral("\\Mail\\") + QString::fromLatin1(mail));

    // -C: the pattern ignores case; without it a pattern of the wrong case finds nothing.
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -qo \"%1\" *COOKIES.TXT -d C:\\").arg(na)), 11);
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -Cqo \"%1\" *COOKIES.TXT -d C:\\").arg(na)), 0) << qPrintable(lastOutput);
    EXPECT_EQ(fs::readAll(owner + QStringLiteral("\\Cookies.txt")), cookies);
    EXPECT_FALSE(fs::exists(owner + QStringLiteral("\\Bookmark.htm")));
    EXPECT_FALSE(fs::exists(owner + QStringLiteral("\\Mail\\Inbox")));

    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -Cqo \"%1\" *Mail\\* -d C:\\").arg(na)), 0) << qPrintable(lastOutput);
    EXPECT_EQ(fs::find(owner + QStringLiteral("\\Mail\\*.*"), 0).size(), 4);
    EXPECT_FALSE(fs::exists(owner + QStringLiteral("\\Bookmark.htm")));
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -Cqo \"%1\" *Bookmark.htm -d C:\\").arg(na)), 0);
    EXPECT_TRUE(fs::exists(owner + QStringLiteral("\\Bookmark.htm")));
}

TEST_F(ZipAdapterTest, MoveRemovesThePackedFilesTheirAttributesAndEmptiedFolders)
{
    const QString user = QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo\\User");
    fs::createDirectory(QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo"));
    fs::createDirectory(user);
    fs::createDirectory(user + QStringLiteral("\\1"));
    fs::writeAll(user + QStringLiteral("\\User.ini"), "[UserFilesSaved]\r\n");
    stage(QStringLiteral("C:\\My Documents\\Letter to Anna.txt"), user + QStringLiteral("\\1\\Letter to Anna.txt"));
    fs::setAttributes(user + QStringLiteral("\\1\\Letter to Anna.txt"), AttrHidden | AttrArchive);
    fs::createDirectory(QStringLiteral("C:\\Program Files\\Trelvo\\Saves"));
    tm.machine().setCurrentDir(QStringLiteral("C:\\Program Files\\Trelvo\\Saves"));
    EXPECT_EQ(fs::find(user + QStringLiteral("\\*.*"), AttrDirectory).size(), 4);   // cached: . .. 1 User.ini

    ASSERT_EQ(run(QStringLiteral("zip.exe -1gqorumS \"..\\Conf1us.tva\" \"%1\\*.*\"").arg(user)), 0) << qPrintable(lastOutput);
    const auto all = entries(kSaveFolder + QStringLiteral("Conf1us.tva"));
    EXPECT_EQ(all.keys(), (QStringList{"WINDOWS/TEMP/trelvo/User/1/", "WINDOWS/TEMP/trelvo/User/1/Letter to Anna.txt",
                                       "WINDOWS/TEMP/trelvo/User/User.ini"}));
    EXPECT_EQ(all[QStringLiteral("WINDOWS/TEMP/trelvo/User/1/Letter to Anna.txt")].dosAttributes(), AttrHidden | AttrArchive);

    // The folder named in the line stays; what was packed is gone, its attribute record too.
    EXPECT_EQ(fs::find(user + QStringLiteral("\\*.*"), AttrDirectory | AttrHidden | AttrSystem).size(), 2);
    EXPECT_FALSE(tm.existsC(QStringLiteral("WINDOWS/TEMP/trelvo/User/1")));
    QFile attrs(tm.dir() + QStringLiteral("/drive_c.attr"));
    ASSERT_TRUE(attrs.open(QIODevice::ReadOnly));
    EXPECT_FALSE(attrs.readAll().contains("Letter to Anna"));

    // A run that packs nothing moves nothing.
    fs::writeAll(user + QStringLiteral("\\User.ini"), "again");
    EXPECT_EQ(run(QStringLiteral("zip.exe -1gqorumS \"..\\Conf1us.tva\" \"%1\\*.zzz\"").arg(user)), 12);
    EXPECT_TRUE(fs::exists(user + QStringLiteral("\\User.ini")));
}

// The entries come in the order of the host's listing of each folder by name without regard
// to case, each folder before what it holds: names equal but for case, marks, digits, dot
// names, and links to files and folders, which are left out.
TEST_F(ZipAdapterTest, EntriesComeInTheCaseBlindOrderOfEachFolder)
{
    const QStringList names{"b.txt", "alpha.txt", "Alpha.TXT", "ALPHA.txt", "_under", "~tilde", "10.txt", "9.txt", "Émile.txt",
                            "émile2.txt", "[b].txt", "Zeta", ".dot", "a b", "a-b", "Sub/y", "Sub/X", "Sub/Deeper/z", "sub2/Q"};
    for (const QString& name : names)
        tm.writeC(QStringLiteral("Order/") + name, name.toUtf8());
    QFile::link(tm.hostC(QStringLiteral("Order/b.txt")), tm.hostC(QStringLiteral("Order/link.txt")));
    QFile::link(tm.hostC(QStringLiteral("Order/Sub")), tm.hostC(QStringLiteral("Order/Linked")));

    // What QDir lists, folder by folder, depth first.
    QStringList expected;
    const std::function<void(const QString&, const QString&)> walk = [&](const QString& hostDir, const QString& rel) {
        for (const QFileInfo& fi : QDir(hostDir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                               QDir::Name | QDir::IgnoreCase)) {
            if (fi.isSymLink())
                continue;
            expected << rel + fi.fileName() + (fi.isDir() ? QStringLiteral("/") : QString());
            if (fi.isDir())
                walk(fi.filePath(), rel + fi.fileName() + u'/');
        }
    };
    walk(tm.hostC(QStringLiteral("Order")), QStringLiteral("Order/"));
    ASSERT_EQ(expected.size(), names.size() + 3);   // Sub, Sub/Deeper and sub2 as folders

    ASSERT_EQ(run(QStringLiteral("zip.exe -1qrS \"%1Order.tva\" \"C:\\Order\\*.*\"").arg(kSaveFolder)), 0) << qPrintable(lastOutput);
    const auto list = zip::readEntries(host(kSaveFolder + QStringLiteral("Order.tva")));
    ASSERT_TRUE(list);
    QStringList packed;
    for (const zip::ZipEntry& e : *list)
        packed << e.name;
    EXPECT_EQ(packed, expected);
}

TEST_F(ZipAdapterTest, BadArchivesAndBadLinesEndWithUnzipsCodes)
{
    fs::writeAll(QStringLiteral("C:\\bad.tva"), (QByteArray("PK\x03\x04") + "this is not really an archive").repeated(20));
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\bad.tva\" -d c:\\")), 9);
    fs::writeAll(QStringLiteral("C:\\empty.tva"), {});
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\empty.tva\" -d c:\\")), 9);
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\none.tva\" -d c:\\")), 9);

    ASSERT_EQ(run(QStringLiteral("zip.exe -1q \"C:\\good.tva\" C:\\CONFIG.SYS")), 0);
    // An empty folder after -d, as an empty path gives it: the line is refused.
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -o \"C:\\good.tva\" -d ")), 10);
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -o \"C:\\good.tva\" nomatch* -d C:\\")), 11);
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -o \"C:\\good.tva\" -d Q:\\")), 2);
}

TEST_F(ZipAdapterTest, TestingAnArchiveReadsEveryEntryAndWritesNothing)
{
    ASSERT_EQ(run(QStringLiteral("zip.exe -1q \"C:\\Program Files\\good.tva\" C:\\CONFIG.SYS C:\\WINDOWS\\WIN.INI")), 0);
    const QStringList before = QDir(host(QStringLiteral("C:\\"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -tq \"C:\\Program Files\\good.tva\"")), 0);
    EXPECT_EQ(QDir(host(QStringLiteral("C:\\"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

    // One byte of the packed data changed: the archive still lists, but an entry fails its check.
    QByteArray bytes = fs::readAll(QStringLiteral("C:\\Program Files\\good.tva"));
    const auto list = zip::readEntries(host(QStringLiteral("C:\\Program Files\\good.tva")));
    ASSERT_TRUE(list.has_value());
    const qsizetype header = qsizetype(list->first().localHeaderOffset);
    const auto u16 = [&](qsizetype at) { return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8; };
    const qsizetype data = header + 30 + u16(header + 26) + u16(header + 28);   // behind name and extra field
    bytes[data] = char(bytes[data] ^ 0x5A);
    fs::writeAll(QStringLiteral("C:\\bad.tva"), bytes);
    ASSERT_TRUE(zip::entryNames(host(QStringLiteral("C:\\bad.tva"))).has_value());
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -tq C:\\bad.tva")), 2);
    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -tq C:\\none.tva")), 9);
}

TEST_F(ZipAdapterTest, EntriesThatWouldLeaveTheTargetAreRefused)
{
    // Names patched after the real zip wrote them (same length, so the archive stays sound).
    hostArchive(QStringLiteral("C:\\evil.tva"), {{QStringLiteral("qq/evil.txt"), "up"}, {QStringLiteral("Qabs.txt"), "abs"}, {QStringLiteral("ok.txt"), "ok"}});
    QByteArray bytes = fs::readAll(QStringLiteral("C:\\evil.tva"));
    bytes.replace("qq/evil.txt", "../evil.txt").replace("Qabs.txt", "/abs.txt");
    fs::writeAll(QStringLiteral("C:\\evil.tva"), bytes);

    EXPECT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\evil.tva\" -d \"C:\\My Documents\\Out\"")), 1);
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\My Documents\\Out\\ok.txt")), QByteArray("ok"));
    EXPECT_EQ(fs::find(QStringLiteral("C:\\My Documents\\Out\\*.*"), 0).size(), 1);
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\My Documents\\evil.txt")));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\abs.txt")));
    EXPECT_TRUE(lastOutput.contains(QStringLiteral("../evil.txt"))) << qPrintable(lastOutput);
}

TEST_F(ZipAdapterTest, ThousandsOfFilesGoThroughOneRunEachWay)
{
    const QString root = QStringLiteral("C:\\My Documents\\Many");
    QDir().mkpath(tm.hostC(QStringLiteral("My Documents/Many")));
    for (int d = 0; d < 40; ++d)
        for (int f = 0; f < 50; ++f)
            tm.writeC(QStringLiteral("My Documents/Many/Folder %1/File %2.txt").arg(d).arg(f), QByteArray::number(d * 100 + f));
    ASSERT_EQ(run(QStringLiteral("zip.exe -1qurS \"C:\\many.tva\" \"%1\\*.*\"").arg(root)), 0) << qPrintable(lastOutput);
    EXPECT_EQ(entries(QStringLiteral("C:\\many.tva")).size(), 40 + 2000);

    fs::createDirectory(QStringLiteral("C:\\Copy"));
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\many.tva\" -d C:\\Copy")), 0) << qPrintable(lastOutput);
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Copy\\My Documents\\Many\\Folder 39\\File 49.txt")), QByteArray("3949"));
    EXPECT_EQ(fs::find(QStringLiteral("C:\\Copy\\My Documents\\Many\\Folder 7\\*.txt"), 0).size(), 50);
}

// A long list is packed by several zips at once, their archives joined: byte for byte the
// archive a single zip makes where the host has one processor, with the time of its newest
// entry, and m removes every packed file.
TEST_F(ZipAdapterTest, ALongListPackedInPartsIsTheArchiveOfOneRun)
{
    QRandomGenerator random(30);
    for (int i = 0; i < 300; ++i) {
        const QString rel = QStringLiteral("Staged/Folder %1/File %2.dat").arg(i % 12).arg(i);
        QByteArray bytes(8192 + random.bounded(200000), 'x');
        if (i % 2)
            random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        tm.writeC(rel, bytes);
        fs::setModified(QStringLiteral("C:\\") + QString(rel).replace(u'/', u'\\'), stamp.addSecs(-4 * i));
    }
    const auto packOn = [&](bool oneProcessor, const QString& line) {
        cpu_set_t all;
        ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
        if (oneProcessor) {
            cpu_set_t one;
            CPU_ZERO(&one);
            for (int cpu = 0; cpu < CPU_SETSIZE && CPU_COUNT(&one) == 0; ++cpu)
                if (CPU_ISSET(cpu, &all))
                    CPU_SET(cpu, &one);
            ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
        }
        const int code = run(line);
        ::sched_setaffinity(0, sizeof all, &all);
        ASSERT_EQ(code, 0) << qPrintable(lastOutput);
    };
    packOn(true, QStringLiteral("zip.exe -1gqoruS C:\\one.tva C:\\Staged\\*.*"));
    packOn(false, QStringLiteral("zip.exe -1gqorumS C:\\parts.tva C:\\Staged\\*.*"));

    EXPECT_EQ(entries(QStringLiteral("C:\\parts.tva")).size(), 312);
    EXPECT_TRUE(fs::readAll(QStringLiteral("C:\\parts.tva")) == fs::readAll(QStringLiteral("C:\\one.tva")));
    EXPECT_EQ(QFileInfo(host(QStringLiteral("C:\\parts.tva"))).lastModified(), stamp);
    EXPECT_EQ(QFileInfo(host(QStringLiteral("C:\\one.tva"))).lastModified(), stamp);
    EXPECT_EQ(QDir(tm.hostC(QStringLiteral("Staged"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
}

TEST_F(ZipAdapterTest, NamesBeyondAsciiComeBackUnchanged)
{
    fs::writeAll(QStringLiteral("C:\\My Documents\\Café menu.txt"), "crème");
    fs::setAttributes(QStringLiteral("C:\\My Documents\\Letter to Anna.txt"), AttrHidden | AttrArchive);
    ASSERT_EQ(run(QStringLiteral("zip.exe -1qS \"C:\\docs.tva\" \"C:\\My Documents\\*.*\"")), 0) << qPrintable(lastOutput);
    EXPECT_TRUE(entries(QStringLiteral("C:\\docs.tva")).contains(QStringLiteral("My Documents/Café menu.txt")));   // as it arrives
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\docs.tva\" -d A:\\")), 0) << qPrintable(lastOutput);
    EXPECT_EQ(fs::readAll(QStringLiteral("A:\\My Documents\\Café menu.txt")), QByteArray("crème"));
    EXPECT_EQ(fs::attributes(QStringLiteral("A:\\My Documents\\Letter to Anna.txt")), AttrHidden | AttrArchive);
    EXPECT_EQ(fs::find(QStringLiteral("A:\\My Documents\\*.*"), AttrHidden).size(), 3);
}

TEST_F(ZipAdapterTest, OemNamesOfOldArchivesAreReadInTheirCodePage)
{
    // An archive as zip on the real system wrote it: MS-DOS entries, "é" as 0x82 (code page 850).
    hostArchive(QStringLiteral("C:\\old.tva"), {{QStringLiteral("Menu/CafX.txt"), "old"}, {QStringLiteral("Menu/plain.txt"), "plain"}});
    ASSERT_TRUE(zip::setDosAttributes(host(QStringLiteral("C:\\old.tva")), [](const zip::ZipEntry&) { return quint8(AttrArchive); }));
    QByteArray bytes = fs::readAll(QStringLiteral("C:\\old.tva"));
    bytes.replace("CafX.txt", "Caf\x82.txt");
    fs::writeAll(QStringLiteral("C:\\old.tva"), bytes);

    EXPECT_TRUE(entries(QStringLiteral("C:\\old.tva")).contains(QStringLiteral("Menu/Café.txt")));   // as it arrives
    ASSERT_EQ(run(QStringLiteral("Unzip32.exe -qo \"C:\\old.tva\" -d C:\\")), 0) << qPrintable(lastOutput);
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Menu\\Café.txt")), QByteArray("old"));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Menu\\plain.txt")), QByteArray("plain"));
}

TEST_F(ZipAdapterTest, ADamagedArchiveNeverTouchesWhatARefusedEntryNames)
{
    // A refused entry that names the machine's own record beside the drives' folders, and a
    // second entry whose packed data is damaged, so that unzip ends with an error of its own.
    hostArchive(QStringLiteral("C:\\evil.tva"), {{QStringLiteral("qq/machine.ini"), "not the record"}, {QStringLiteral("ok.txt"), "some text to pack"}});
    QByteArray bytes = fs::readAll(QStringLiteral("C:\\evil.tva"));
    bytes.replace("qq/machine.ini", "../machine.ini");
    const QString hostEvil = host(QStringLiteral("C:\\evil.tva"));
    {
        QFile f(hostEvil);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const auto list = zip::readEntries(hostEvil);
    ASSERT_TRUE(list.has_value());
    for (const zip::ZipEntry& e : *list) {
        if (e.name != u"ok.txt")
            continue;
        const qsizetype header = qsizetype(e.localHeaderOffset);
        const auto u16 = [&](qsizetype at) { return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8; };
        const qsizetype data = header + 30 + u16(header + 26) + u16(header + 28);
        bytes[data] = char(bytes[data] ^ 0x5A);
    }
    {
        QFile f(hostEvil);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const QString record = tm.dir() + QStringLiteral("/machine.ini");
    QFile r(record);
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    const QByteArray before = r.readAll();
    r.close();

    EXPECT_GE(run(QStringLiteral("Unzip32.exe -qo \"C:\\evil.tva\" -d \"C:\\My Documents\\Out\"")), 1);
    ASSERT_TRUE(QFileInfo::exists(record)) << qPrintable(lastOutput);
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    EXPECT_EQ(r.readAll(), before);
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\My Documents\\Out\\ok.txt")));
}

TEST_F(ZipAdapterTest, ADamagedEntryOfAnArchiveWithBytesBeforeItNeverReplacesAFile)
{
    // An archive with bytes in front of it (as a copy with a stray header leaves it): unzip
    // still reads it, the machine's own reading of the directory does not. One entry's packed
    // data is damaged, so that unzip ends with an error of its own.
    hostArchive(QStringLiteral("C:\\bad.tva"), {{QStringLiteral("ok.txt"), "the text as it was packed"}});
    const QString hostBad = host(QStringLiteral("C:\\bad.tva"));
    QByteArray bytes = fs::readAll(QStringLiteral("C:\\bad.tva"));
    const auto list = zip::readEntries(hostBad);
    ASSERT_TRUE(list.has_value());
    const qsizetype header = qsizetype(list->first().localHeaderOffset);
    const auto u16 = [&](qsizetype at) { return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8; };
    const qsizetype data = header + 30 + u16(header + 26) + u16(header + 28);
    bytes[data] = char(bytes[data] ^ 0x5A);
    fs::writeAll(QStringLiteral("C:\\bad.tva"), QByteArray("JUNK") + bytes);
    ASSERT_FALSE(zip::readEntries(hostBad).has_value());

    fs::createDirectory(QStringLiteral("C:\\Out"));
    fs::writeAll(QStringLiteral("C:\\Out\\ok.txt"), "the live file");
    EXPECT_GE(run(QStringLiteral("Unzip32.exe -qo \"C:\\bad.tva\" -d C:\\Out")), 2);
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Out\\ok.txt")), QByteArray("the live file")) << qPrintable(lastOutput);
}
