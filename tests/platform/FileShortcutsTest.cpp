// The file operations that do in one step what a copy and a removal, or many removals, do:
// the restore's move of a staged copy into place, the save's staged copy that shares its
// file's bytes, and the removal of many files of one folder. Each is held against what the
// plain operations leave on a twin of the same files.
#include "support/Errors.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "support/TempMachine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace platform;
using testsupport::errorOf;
using testsupport::MachineTest;

namespace {

struct Seen {
    QByteArray bytes;
    quint32 attrs = 0;
    qint64 msecs = 0;
    mode_t mode = 0;
    bool operator==(const Seen&) const = default;
};

// What the machine (and the host, for the rights) shows of a file.
Seen seen(const testsupport::TempMachine& tm, const QString& win, const QString& hostRel)
{
    struct stat st {};
    ::stat(QFile::encodeName(tm.hostC(hostRel)).constData(), &st);
    const fs::Entry e = fs::stat(win);
    return {fs::readAll(win), e.attrs, e.modified.toMSecsSinceEpoch(), st.st_mode & 07777};
}

void hostMode(const testsupport::TempMachine& tm, const QString& rel, mode_t mode)
{
    ::chmod(QFile::encodeName(tm.hostC(rel)).constData(), mode);
}

ino_t inodeOf(const testsupport::TempMachine& tm, const QString& rel)
{
    struct stat st {};
    ::stat(QFile::encodeName(tm.hostC(rel)).constData(), &st);
    return st.st_ino;
}

} // namespace

TEST_F(MachineTest, AStagedCopyMovedIntoPlaceLeavesWhatACopyAndARemovalLeave)
{
    // Two twins: one goes the old way (copy, then the staged copy removed), one is moved.
    for (const char* twin : {"Old", "New"}) {
        const QString t = QString::fromLatin1(twin);
        tm.writeC(QStringLiteral("Stage%1/letter.doc").arg(t), "saved letter");
        tm.writeC(QStringLiteral("Stage%1/report.doc").arg(t), "saved report");
        tm.writeC(QStringLiteral("Live%1/report.doc").arg(t), "current report, longer than the saved one");
        fs::setAttributes(QStringLiteral("C:\\Stage%1\\letter.doc").arg(t), AttrHidden | AttrReadOnly);
        fs::setAttributes(QStringLiteral("C:\\Live%1\\report.doc").arg(t), AttrSystem);
        hostMode(tm, QStringLiteral("Live%1/report.doc").arg(t), 0600);
        ::utimensat(AT_FDCWD, QFile::encodeName(tm.hostC(QStringLiteral("Stage%1/report.doc").arg(t))).constData(),
                    std::array<timespec, 2>{timespec{946684799, 700000000}, timespec{946684799, 700000000}}.data(), 0);
    }
    for (const char* name : {"letter.doc", "REPORT.DOC"}) {
        const QString n = QString::fromLatin1(name);
        fs::copyFile(QStringLiteral("C:\\StageOld\\") + n, QStringLiteral("C:\\LiveOld\\") + n);
        fs::setAttributes(QStringLiteral("C:\\StageOld\\") + n, AttrNormal);
        fs::removeFile(QStringLiteral("C:\\StageOld\\") + n);
        EXPECT_TRUE(fs::moveOrCopyFile(QStringLiteral("C:\\StageNew\\") + n, QStringLiteral("C:\\LiveNew\\") + n)) << name;
    }
    for (const char* name : {"letter.doc", "report.doc"}) {
        const QString n = QString::fromLatin1(name);
        EXPECT_EQ(seen(tm, QStringLiteral("C:\\LiveNew\\") + n, QStringLiteral("LiveNew/") + n),
                  seen(tm, QStringLiteral("C:\\LiveOld\\") + n, QStringLiteral("LiveOld/") + n))
            << name;
    }
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\LiveNew\\letter.doc")), quint32(AttrHidden | AttrReadOnly));
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\LiveNew\\report.doc")), quint32(AttrArchive)) << "the replaced file's attributes go";
    EXPECT_EQ(fs::find(QStringLiteral("C:\\StageNew\\*.*"), AttrHidden | AttrSystem | AttrDirectory).size(), 2) << "only . and .. are left";
    EXPECT_EQ(fs::find(QStringLiteral("C:\\LiveNew\\*.doc"), AttrHidden | AttrSystem).size(), 2);
}

TEST_F(MachineTest, AMoveThatCannotBeMadeCopiesOrFailsAsTheCopyWould)
{
    tm.writeC(QStringLiteral("Stage/a.txt"), "staged");
    // Onto another drive: copied, the staged copy stays.
    Machine::current().createDisk(QStringLiteral("d"), DiskFormat::byName(QStringLiteral("1.44M")), true);
    Machine::current().insertDisk(QStringLiteral("d"));
    EXPECT_FALSE(fs::moveOrCopyFile(QStringLiteral("C:\\Stage\\a.txt"), QStringLiteral("A:\\a.txt")));
    EXPECT_EQ(fs::readAll(QStringLiteral("A:\\a.txt")), QByteArray("staged"));
    EXPECT_TRUE(fs::exists(QStringLiteral("C:\\Stage\\a.txt")));

    // The copy's refusals, with both files as they were.
    tm.writeC(QStringLiteral("Live/a.txt"), "live");
    fs::setAttributes(QStringLiteral("C:\\Live\\a.txt"), AttrReadOnly);
    EXPECT_EQ(errorOf([] { fs::moveOrCopyFile(QStringLiteral("C:\\Stage\\a.txt"), QStringLiteral("C:\\Live\\a.txt")); }),
              ErrPathFileAccess);
    EXPECT_EQ(errorOf([] { fs::moveOrCopyFile(QStringLiteral("C:\\Stage\\a.txt"), QStringLiteral("C:\\Gone\\a.txt")); }),
              ErrPathNotFound);
    EXPECT_EQ(errorOf([] { fs::moveOrCopyFile(QStringLiteral("C:\\Stage\\none.txt"), QStringLiteral("C:\\Live\\b.txt")); }),
              ErrFileNotFound);
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Live\\a.txt")), QByteArray("live"));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Stage\\a.txt")), QByteArray("staged"));
    // A copy onto itself leaves the file where it is.
    EXPECT_FALSE(fs::moveOrCopyFile(QStringLiteral("C:\\Stage\\a.txt"), QStringLiteral("c:\\stage\\A.TXT")));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Stage\\a.txt")), QByteArray("staged"));
}

TEST_F(MachineTest, AStagedCopyThatSharesItsFilesBytesLooksLikeACopyAndGoesWithoutHarm)
{
    tm.writeC(QStringLiteral("Users/plain.doc"), "plain");
    tm.writeC(QStringLiteral("Users/private.doc"), "private");
    tm.writeC(QStringLiteral("Stage/old.doc"), "an older staged file");
    tm.writeC(QStringLiteral("Users/old.doc"), "the user's");
    hostMode(tm, QStringLiteral("Users/plain.doc"), 0644);
    hostMode(tm, QStringLiteral("Users/private.doc"), 0600);
    fs::setAttributes(QStringLiteral("C:\\Users\\plain.doc"), AttrHidden);

    EXPECT_TRUE(fs::linkOrCopyFile(QStringLiteral("C:\\Users\\plain.doc"), QStringLiteral("C:\\Stage\\plain.doc")));
    EXPECT_EQ(inodeOf(tm, QStringLiteral("Stage/plain.doc")), inodeOf(tm, QStringLiteral("Users/plain.doc")));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Stage\\plain.doc")), QByteArray("plain"));
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\Stage\\plain.doc")), quint32(AttrHidden)) << "the copy's attributes";
    EXPECT_EQ(fs::find(QStringLiteral("C:\\Stage\\*.doc"), AttrHidden).size(), 2);
    // Named in other cases than stored, both ends are still found and the bytes shared.
    tm.writeC(QStringLiteral("Users/second.doc"), "second");
    hostMode(tm, QStringLiteral("Users/second.doc"), 0644);
    EXPECT_TRUE(fs::linkOrCopyFile(QStringLiteral("C:\\USERS\\SECOND.DOC"), QStringLiteral("C:\\STAGE\\Second.doc")));
    EXPECT_EQ(inodeOf(tm, QStringLiteral("Stage/Second.doc")), inodeOf(tm, QStringLiteral("Users/second.doc")));
    // Other rights than a copy gets, or a file in the way: a real copy.
    EXPECT_FALSE(fs::linkOrCopyFile(QStringLiteral("C:\\Users\\private.doc"), QStringLiteral("C:\\Stage\\private.doc")));
    EXPECT_NE(inodeOf(tm, QStringLiteral("Stage/private.doc")), inodeOf(tm, QStringLiteral("Users/private.doc")));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Stage\\private.doc")), QByteArray("private"));
    EXPECT_FALSE(fs::linkOrCopyFile(QStringLiteral("C:\\Users\\old.doc"), QStringLiteral("C:\\Stage\\OLD.DOC")));
    EXPECT_NE(inodeOf(tm, QStringLiteral("Stage/old.doc")), inodeOf(tm, QStringLiteral("Users/old.doc")));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Stage\\old.doc")), QByteArray("the user's"));
    EXPECT_EQ(errorOf([] { fs::linkOrCopyFile(QStringLiteral("C:\\Users\\plain.doc"), QStringLiteral("C:\\None\\x.doc")); }),
              ErrPathNotFound);

    // Removing the staged copies, as the save does once they are packed, leaves the users' files.
    fs::setAttributes(QStringLiteral("C:\\Stage\\plain.doc"), AttrNormal);
    for (const char* name : {"plain.doc", "private.doc", "old.doc"})
        fs::removeFile(QStringLiteral("C:\\Stage\\") + QString::fromLatin1(name));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Users\\plain.doc")), QByteArray("plain"));
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\Users\\plain.doc")), quint32(AttrHidden));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Users\\private.doc")), QByteArray("private"));
}

TEST_F(MachineTest, RemovingManyFilesOfAFolderRemovesWhatRemovingThemOneByOneRemoves)
{
    // Enough names for the folder to be read once instead of looked at name by name.
    QStringList asked = {QStringLiteral("plain.txt"), QStringLiteral("LOCKED.TXT"), QStringLiteral("hidden.txt"),
                         QStringLiteral("Sub"),       QStringLiteral("missing.txt"), QStringLiteral("Other Case.TXT"),
                         QStringLiteral("LINKED"),    QStringLiteral("To File")};
    QStringList padding;
    for (int i = 0; i < 12; ++i)
        padding << QStringLiteral("pad%1.txt").arg(i);
    asked << padding;
    for (const char* twin : {"One", "Many"}) {
        const QString t = QString::fromLatin1(twin);
        for (const char* name : {"plain.txt", "locked.txt", "hidden.txt", "other case.txt", "kept.txt", "Sub/inside.txt"})
            tm.writeC(t + u'/' + QString::fromLatin1(name), name);
        for (const QString& name : padding)
            tm.writeC(t + u'/' + name, "pad");
        fs::setAttributes(QStringLiteral("C:\\%1\\locked.txt").arg(t), AttrReadOnly);
        fs::setAttributes(QStringLiteral("C:\\%1\\hidden.txt").arg(t), AttrHidden);
        fs::setAttributes(QStringLiteral("C:\\%1\\kept.txt").arg(t), AttrSystem);
        // A host link to the folder beside it counts as the folder; one to a file as a file
        // (the link goes, the file stays).
        ASSERT_TRUE(QFile::link(QStringLiteral("Sub"), tm.hostC(t + QStringLiteral("/Linked"))));
        ASSERT_TRUE(QFile::link(QStringLiteral("kept.txt"), tm.hostC(t + QStringLiteral("/To File"))));
    }
    for (const QString& name : asked) {
        try {
            fs::removeFile(QStringLiteral("C:\\One\\") + name);
        } catch (const SysError&) {
        }
    }
    const QStringList removed = fs::removeFilesIn(QStringLiteral("c:\\many"), asked);
    EXPECT_EQ(removed, (QStringList{QStringLiteral("plain.txt"), QStringLiteral("hidden.txt"), QStringLiteral("other case.txt"),
                                    QStringLiteral("To File")} + padding));

    const auto left = [](const QString& folder) {
        QStringList out;
        for (const fs::Entry& e : fs::find(folder + QStringLiteral("\\*.*"), AttrHidden | AttrSystem | AttrDirectory))
            out << e.name + u':' + QString::number(e.attrs);
        return out;
    };
    EXPECT_EQ(left(QStringLiteral("C:\\Many")), left(QStringLiteral("C:\\One")));
    EXPECT_EQ(left(QStringLiteral("C:\\Many\\Sub")), left(QStringLiteral("C:\\One\\Sub")));
    EXPECT_EQ(left(QStringLiteral("C:\\Many")).size(), 6) << left(QStringLiteral("C:\\Many")).join(u' ').toStdString();
    for (const char* twin : {"One", "Many"}) {
        const QString t = QString::fromLatin1(twin);
        EXPECT_TRUE(QFileInfo(tm.hostC(t + QStringLiteral("/Linked"))).isSymLink()) << twin;
        EXPECT_FALSE(QFileInfo(tm.hostC(t + QStringLiteral("/To File"))).isSymLink()) << twin;
        EXPECT_TRUE(QFileInfo::exists(tm.hostC(t + QStringLiteral("/kept.txt")))) << twin;
    }
    // A file made again under a removed name has no attributes of the old one.
    fs::writeAll(QStringLiteral("C:\\Many\\hidden.txt"), "new");
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\Many\\hidden.txt")), quint32(AttrArchive));

    // Nothing goes from a write-protected disk.
    Machine::current().createDisk(QStringLiteral("ro"), DiskFormat::byName(QStringLiteral("1.44M")), true);
    Machine::current().insertDisk(QStringLiteral("ro"));
    fs::writeAll(QStringLiteral("A:\\a.txt"), "a");
    Machine::current().protectDisk(QStringLiteral("ro"), true);
    EXPECT_TRUE(fs::removeFilesIn(QStringLiteral("A:\\"), {QStringLiteral("a.txt")}).isEmpty());
    EXPECT_TRUE(fs::exists(QStringLiteral("A:\\a.txt")));
}

TEST_F(MachineTest, AWriteInPlaceOntoEitherNameOfSharedBytesLeavesTheOtherAsItWas)
{
    tm.writeC(QStringLiteral("Users/log.txt"), "first line\r\n");
    tm.writeC(QStringLiteral("Users/data.bin"), "0123456789");
    fs::createDirectory(QStringLiteral("C:\\Stage"));
    hostMode(tm, QStringLiteral("Users/log.txt"), 0644);
    hostMode(tm, QStringLiteral("Users/data.bin"), 0644);
    ASSERT_TRUE(fs::linkOrCopyFile(QStringLiteral("C:\\Users\\log.txt"), QStringLiteral("C:\\Stage\\log.txt")));
    ASSERT_TRUE(fs::linkOrCopyFile(QStringLiteral("C:\\Users\\data.bin"), QStringLiteral("C:\\Stage\\data.bin")));
    const Seen logBefore = seen(tm, QStringLiteral("C:\\Users\\log.txt"), QStringLiteral("Users/log.txt"));

    // The user's file is appended to while its staged copy waits to be packed.
    {
        fs::File f;
        f.open(QStringLiteral("C:\\Users\\log.txt"), fs::File::Append);
        f.write("second line\r\n");
        f.close();
    }
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Users\\log.txt")), QByteArray("first line\r\nsecond line\r\n"));
    EXPECT_EQ(seen(tm, QStringLiteral("C:\\Stage\\log.txt"), QStringLiteral("Stage/log.txt")), logBefore)
        << "the staged copy keeps what was staged, its time and rights";
    EXPECT_NE(inodeOf(tm, QStringLiteral("Stage/log.txt")), inodeOf(tm, QStringLiteral("Users/log.txt")));

    // And the other way: a write into the staged copy does not reach the user's file.
    {
        fs::File f;
        f.open(QStringLiteral("C:\\Stage\\data.bin"), fs::File::ReadWrite);
        f.seek(2);
        f.write("xx");
        f.close();
    }
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Stage\\data.bin")), QByteArray("01xx456789"));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Users\\data.bin")), QByteArray("0123456789"));
    struct stat st {};
    ::stat(QFile::encodeName(tm.hostC(QStringLiteral("Stage/data.bin"))).constData(), &st);
    EXPECT_EQ(st.st_mode & 07777, mode_t(0644));
    EXPECT_EQ(st.st_nlink, nlink_t(1));

    // A file with one name is still written in place, in its own bytes.
    const ino_t own = inodeOf(tm, QStringLiteral("Users/log.txt"));
    {
        fs::File f;
        f.open(QStringLiteral("C:\\Users\\log.txt"), fs::File::Append);
        f.write("third\r\n");
        f.close();
    }
    EXPECT_EQ(inodeOf(tm, QStringLiteral("Users/log.txt")), own);
}

// The save's run of staged copies (LinkRun) against linkOrCopyFile() file by file, on twins
// of the same files: each row is one file of the run, with what happens to the machine
// before it. The run keeps its folders between files and between readings of the drives,
// so the rows also move, rename and make folders under it, and use more folders than it
// keeps open (the process's descriptors are limited to 256 for that).
TEST_F(MachineTest, AStagingRunLeavesWhatStagingFileByFileLeaves)
{
    struct rlimit limit;
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    limit.rlim_cur = qMin<rlim_t>(limit.rlim_cur, 256);   // at most 64 folders stay open
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    Machine::current().createDisk(QStringLiteral("d"), DiskFormat::byName(QStringLiteral("1.44M")), true);
    Machine::current().insertDisk(QStringLiteral("d"));

    struct Row {
        const char* what;
        QString from, to;                               // "%1": the twin's folder
        std::function<void(const QString&)> before;     // run on each twin first
        int expected;                                   // 1 linked, 0 copied, else the error
    };
    const auto file = [this](const QString& rel, const QByteArray& bytes, mode_t mode = 0644) {
        tm.writeC(rel, bytes);
        hostMode(tm, rel, mode);
    };
    QList<Row> rows = {
        {"a plain file", "C:\\%1\\Users\\a.doc", "C:\\%1\\Stage\\a.doc", [&](const QString& t) { file(t + "/Users/a.doc", "a"); }, 1},
        {"a second one of the same folders", "C:\\%1\\Users\\b.doc", "C:\\%1\\Stage\\b.doc",
         [&](const QString& t) { file(t + "/Users/b.doc", "b"); }, 1},
        {"a read-only and hidden one", "C:\\%1\\Users\\ro.doc", "C:\\%1\\Stage\\ro.doc",
         [&](const QString& t) {
             file(t + "/Users/ro.doc", "ro");
             fs::setAttributes(QStringLiteral("C:\\%1\\Users\\ro.doc").arg(t), AttrReadOnly | AttrHidden);
         },
         1},
        {"both ends named in other cases", "C:\\%1\\USERS\\CASE.DOC", "C:\\%1\\stage\\Case.doc",
         [&](const QString& t) { file(t + "/Users/case.doc", "case"); }, 1},
        {"rights a copy does not get", "C:\\%1\\Users\\private.doc", "C:\\%1\\Stage\\private.doc",
         [&](const QString& t) { file(t + "/Users/private.doc", "private", 0600); }, 0},
        {"a staged file in the way under another case", "C:\\%1\\Users\\old.doc", "C:\\%1\\Stage\\OLD.DOC",
         [&](const QString& t) {
             file(t + "/Users/old.doc", "the user's");
             file(t + "/Stage/old.doc", "older");
         },
         0},
        {"a staged file in the way under its own name", "C:\\%1\\Users\\same.doc", "C:\\%1\\Stage\\same.doc",
         [&](const QString& t) {
             file(t + "/Users/same.doc", "the user's");
             file(t + "/Stage/same.doc", "older");
         },
         0},
        {"a host link to nowhere under the target's name", "C:\\%1\\Users\\dangling.doc", "C:\\%1\\Stage\\dangling.doc",
         [&](const QString& t) {
             file(t + "/Users/dangling.doc", "the user's");
             QFile::link(tm.hostC(t + "/Nowhere"), tm.hostC(t + "/Stage/dangling.doc"));
         },
         0},
        {"a short name for the source", "C:\\%1\\Users\\LONGNA~1.DOC", "C:\\%1\\Stage\\long.doc",
         [&](const QString& t) { file(t + "/Users/long name.doc", "long"); }, 1},
        {"a name with a trailing dot", "C:\\%1\\Users\\dot.doc.", "C:\\%1\\Stage\\dot.doc",
         [&](const QString& t) { file(t + "/Users/dot.doc", "dot"); }, 1},
        {"a missing file", "C:\\%1\\Users\\none.doc", "C:\\%1\\Stage\\none.doc", {}, ErrFileNotFound},
        {"a folder as the source", "C:\\%1\\Users\\Sub", "C:\\%1\\Stage\\Sub", [&](const QString& t) { file(t + "/Users/Sub/x", "x"); },
         ErrFileNotFound},
        {"a missing target folder", "C:\\%1\\Users\\a.doc", "C:\\%1\\Gone\\a.doc", {}, ErrPathNotFound},
        {"onto a floppy", "C:\\%1\\Users\\a.doc", "A:\\%1\\a.doc", [&](const QString& t) { fs::createDirectory("A:\\" + t); }, 0},
        {"its folder renamed and made anew once the drives are looked at again", "C:\\%1\\Users\\a.doc", "C:\\%1\\Stage\\again.doc",
         [&](const QString& t) {
             QDir(tm.hostC(t)).rename(QStringLiteral("Users"), QStringLiteral("Before"));
             file(t + "/Users/a.doc", "the new a");
             Machine::lookAgain();
         },
         1},
        {"its folder gone once the drives are looked at again", "C:\\%1\\Users\\a.doc", "C:\\%1\\Stage\\gone.doc",
         [&](const QString& t) {
             QDir(tm.hostC(t)).rename(QStringLiteral("Users"), QStringLiteral("After"));
             Machine::lookAgain();
         },
         ErrPathNotFound},
        {"a file in the root", "C:\\%1.doc", "C:\\%1\\Stage\\root.doc", [&](const QString& t) { file(t + ".doc", "root"); }, 1},
    };
    // More folders than stay open, each used twice, the second time after all the others.
    for (int pass = 0; pass < 2; ++pass)
        for (int k = 0; k < 70; ++k)
            rows.append({"one of many folders", QStringLiteral("C:\\%1\\Many\\F") + QString::number(k) + QStringLiteral("\\f") + QString::number(pass) + QStringLiteral(".doc"),
                         QStringLiteral("C:\\%1\\Staged\\F") + QString::number(k) + QStringLiteral("\\f") + QString::number(pass) + QStringLiteral(".doc"),
                         [&, k, pass](const QString& t) {
                             file(QStringLiteral("%1/Many/F%2/f%3.doc").arg(t).arg(k).arg(pass), "many");
                             if (pass == 0)
                                 fs::createDirectory(QStringLiteral("C:\\%1\\Staged\\F%2").arg(t).arg(k));
                         },
                         1});

    fs::createDirectory(QStringLiteral("C:\\One"));
    fs::createDirectory(QStringLiteral("C:\\Run"));
    for (const char* twin : {"One", "Run"}) {
        fs::createDirectory(QStringLiteral("C:\\%1\\Stage").arg(QString::fromLatin1(twin)));
        fs::createDirectory(QStringLiteral("C:\\%1\\Staged").arg(QString::fromLatin1(twin)));
    }
    fs::LinkRun run;
    std::optional<Machine::OneReading> reading;
    const auto outcome = [](const std::function<bool()>& link) {
        try {
            return link() ? 1 : 0;
        } catch (const SysError& e) {
            return e.code();
        }
    };
    for (const Row& row : rows) {
        const QString& from = row.from;
        for (const char* twin : {"One", "Run"})
            if (row.before)
                row.before(QString::fromLatin1(twin));
        reading.emplace(Machine::current());   // the run's files share a reading, as in the save
        const QString one = from.arg(QStringLiteral("One")), run1 = from.arg(QStringLiteral("Run"));
        const int plain = outcome([&] { return fs::linkOrCopyFile(one, row.to.arg(QStringLiteral("One"))); });
        const int ran = outcome([&] { return run.linkOrCopyFile(run1, row.to.arg(QStringLiteral("Run"))); });
        reading.reset();
        EXPECT_EQ(plain, row.expected) << row.what;
        EXPECT_EQ(ran, row.expected) << row.what;
        if (row.expected > 1)
            continue;
        const QString target = row.to.arg(QStringLiteral("Run"));
        EXPECT_EQ(fs::readAll(target), fs::readAll(row.to.arg(QStringLiteral("One")))) << row.what;
        EXPECT_EQ(fs::attributes(target), fs::attributes(row.to.arg(QStringLiteral("One")))) << row.what;
        EXPECT_EQ(fs::readAll(target), fs::readAll(run1)) << row.what;
    }
    // Shared bytes where linked: the staged copy is the user's file under a second name.
    EXPECT_EQ(inodeOf(tm, QStringLiteral("Run/Stage/a.doc")), inodeOf(tm, QStringLiteral("Run/Before/a.doc")));
    EXPECT_EQ(inodeOf(tm, QStringLiteral("Run/Stage/again.doc")), inodeOf(tm, QStringLiteral("Run/After/a.doc")));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Run\\Stage\\again.doc")), QByteArray("the new a"));
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\Run\\Stage\\ro.doc")), quint32(AttrReadOnly | AttrHidden));
    EXPECT_NE(inodeOf(tm, QStringLiteral("Run/Stage/private.doc")), inodeOf(tm, QStringLiteral("Run/Before/private.doc")));
    // The listing the machine keeps follows the run: a search finds every staged file.
    EXPECT_EQ(fs::find(QStringLiteral("C:\\Run\\Stage\\*.*"), AttrHidden | AttrSystem).size(),
              fs::find(QStringLiteral("C:\\One\\Stage\\*.*"), AttrHidden | AttrSystem).size());
    EXPECT_EQ(fs::find(QStringLiteral("C:\\Run\\Staged\\F69\\*.doc"), 0).size(), 2);
}
