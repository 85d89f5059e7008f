// Writes that replace a file: on a host disk that is really full (drive C: on a small tmpfs)
// every way of writing fails with "disk full" and leaves the file it was to replace as it
// was, with nothing left beside it; on a floppy a replacement is counted as the overwrite it
// stands for, so it fits wherever the overwrite would. A record of the machine that a full
// disk refuses (attributes, a disk's state) is neither reported nor written later.
#include "platform/AtomicFile.h"
#include "platform/DemoMachine.h"
#include "platform/FileSystem.h"
#include "platform/HostStamp.h"
#include "platform/HostTransfer.h"
#include "platform/SysError.h"
#include "support/Errors.h"
#include "support/SmallDisk.h"
#include "support/TempMachine.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace platform;
using testsupport::errorOf;
using testsupport::MachineTest;

namespace {

QByteArray bytes(qint64 n, char c) { return QByteArray(n, c); }

// Names in a host folder, the hidden ones too.
QStringList namesIn(const QString& hostFolder)
{
    return QDir(hostFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

class FullDriveCTest : public MachineTest {
protected:
    testsupport::SmallDriveC disk{tm};
};

} // namespace

TEST_F(FullDriveCTest, EveryWayOfWritingFailsWithDiskFullAndLeavesTheOldFile)
{
    SKIP_UNLESS_MOUNTED(disk);
    const QByteArray autoexec = tm.readC("AUTOEXEC.BAT");
    const QByteArray config = tm.readC("CONFIG.SYS");
    const QByteArray winIni = tm.readC("WINDOWS/WIN.INI");
    const QByteArray control = tm.readC("WINDOWS/CONTROL.INI");
    ASSERT_FALSE(autoexec.isEmpty());
    QTemporaryDir hostDir;
    const QString hostFile = hostDir.filePath("import.bin");
    {
        QFile f(hostFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes(200000, 'h'));
    }
    tm.writeC("WINDOWS/TEMP/new.bat", bytes(300000, 'n'));   // a source larger than any room left
    const QStringList rootBefore = namesIn(tm.hostC(""));
    disk.fill();

    EXPECT_EQ(errorOf([] { fs::copyFile("C:\\WINDOWS\\TEMP\\new.bat", "C:\\AUTOEXEC.BAT"); }), ErrDiskFull);
    EXPECT_EQ(errorOf([] { fs::writeAll("C:\\WINDOWS\\WIN.INI", QByteArray(100000, 'w')); }), ErrDiskFull);
    EXPECT_EQ(errorOf([&] { fs::importHostFile(hostFile, "C:\\WINDOWS\\CONTROL.INI"); }), ErrDiskFull);
    EXPECT_EQ(errorOf([] {
                  fs::File f;
                  f.open("C:\\CONFIG.SYS", fs::File::Write);
                  f.write(QByteArray(100000, 'c'));
                  f.close();
              }),
              ErrDiskFull);
    // New files do not come into being half written either.
    EXPECT_EQ(errorOf([] { fs::copyFile("C:\\WINDOWS\\TEMP\\new.bat", "C:\\NEW.BAT"); }), ErrDiskFull);
    EXPECT_EQ(errorOf([&] { fs::importHostFile(hostFile, "C:\\IMPORT.BIN", true); }), ErrDiskFull);

    EXPECT_EQ(tm.readC("AUTOEXEC.BAT"), autoexec);
    EXPECT_EQ(tm.readC("CONFIG.SYS"), config);
    EXPECT_EQ(tm.readC("WINDOWS/WIN.INI"), winIni);
    EXPECT_EQ(tm.readC("WINDOWS/CONTROL.INI"), control);
    EXPECT_EQ(namesIn(tm.hostC("")), rootBefore);   // nothing new, nothing left beside the files
    EXPECT_FALSE(fs::exists("C:\\NEW.BAT"));

    // With room again the very same writes go through.
    disk.release();
    fs::copyFile("C:\\WINDOWS\\TEMP\\new.bat", "C:\\AUTOEXEC.BAT");
    fs::importHostFile(hostFile, "C:\\WINDOWS\\CONTROL.INI");
    EXPECT_EQ(tm.readC("AUTOEXEC.BAT"), bytes(300000, 'n'));
    EXPECT_EQ(tm.readC("WINDOWS/CONTROL.INI"), bytes(200000, 'h'));
}

TEST_F(FullDriveCTest, AWriteThatRunsOutOfRoomHalfwayKeepsTheFileItWasToReplace)
{
    SKIP_UNLESS_MOUNTED(disk);
    // Room for part of the new content only: the disk runs full in the middle of it.
    fs::writeAll("C:\\WINDOWS\\TEMP\\ballast.bin", bytes(7 << 20, 'b'));
    const qint64 room = QStorageInfo(tm.hostC("")).bytesAvailable();
    ASSERT_GT(room, 0);
    const QByteArray old = tm.readC("WINDOWS/SYSTEM.INI");
    fs::File f;
    f.open("C:\\WINDOWS\\SYSTEM.INI", fs::File::Write);
    const int error = errorOf([&] {
        for (int i = 0; i < 64; ++i)
            f.write(bytes(room / 8, 's'));
        f.close();
    });
    EXPECT_EQ(error, ErrDiskFull);
    // What was written is dropped; closing says again why.
    EXPECT_EQ(errorOf([&] { f.close(); }), ErrDiskFull);
    EXPECT_EQ(tm.readC("WINDOWS/SYSTEM.INI"), old);
    EXPECT_FALSE(f.isOpen());
}

// A copy within the host that the disk stops part of the way: disk full, and both files
// stand after the bytes that did land, which are the source's.
TEST_F(FullDriveCTest, ACopyWithinTheHostThatRunsOutOfRoomStopsAfterWhatLanded)
{
    SKIP_UNLESS_MOUNTED(disk);
    QByteArray archive(1 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < archive.size(); ++i)
        archive[i] = char(i * 31 + (i >> 9));
    fs::writeAll("C:\\WINDOWS\\TEMP\\Conf1.tva", archive);
    fs::File source, target;
    source.open("C:\\WINDOWS\\TEMP\\Conf1.tva", fs::File::Read);
    target.open("C:\\WINDOWS\\TEMP\\Conf1.tv1", fs::File::ReadWrite);
    disk.fill(256 * 1024);
    EXPECT_EQ(errorOf([&] { target.writeFrom(source, archive.size()); }), ErrDiskFull);
    const qint64 landed = target.pos();
    EXPECT_GT(landed, 0);
    EXPECT_LT(landed, archive.size());
    EXPECT_EQ(source.pos(), landed);
    EXPECT_EQ(target.size(), landed);
    target.close();
    EXPECT_EQ(fs::readAll("C:\\WINDOWS\\TEMP\\Conf1.tv1"), archive.left(landed));
}

// A record renamed into place without a flush (a floppy's label): the new content whole,
// the rights of the old file, nothing left beside it; on a full host disk the old record
// stays as it was and nothing is left beside it either.
TEST_F(FullDriveCTest, ARecordReplacedWithoutFlushIsWholeOrAsItWas)
{
    SKIP_UNLESS_MOUNTED(disk);
    const QString record = tm.hostC("disk1.vol");
    const QByteArray old = "[Volume]\r\nLabel=SAVE#1\r\n";
    tm.writeC("disk1.vol", old);
    QFile::setPermissions(record, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QStringList before = namesIn(tm.hostC(""));

    const QByteArray next = "[Volume]\r\nLabel=SAVE#2\r\n" + QByteArray(3000, ';');
    writeFileUnflushed(record, next);
    EXPECT_EQ(tm.readC("disk1.vol"), next);
    EXPECT_EQ(QFile::permissions(record), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_EQ(namesIn(tm.hostC("")), before);

    disk.fill();
    EXPECT_EQ(errorOf([&] { writeFileUnflushed(record, QByteArray(64 * 1024, 'x')); }), ErrDiskFull);
    EXPECT_EQ(tm.readC("disk1.vol"), next);
    EXPECT_EQ(namesIn(tm.hostC("")), before);
}

// A small record rewritten in place (a floppy's label) needs no new file: on a host disk
// with no room left it still takes its new content whole, a shorter one filled out with
// spaces to the old size; a record that has a second name is replaced instead, so that the
// other name keeps what it held.
TEST_F(FullDriveCTest, ASmallRecordRewrittenInPlaceNeedsNoRoomAndSparesASecondName)
{
    SKIP_UNLESS_MOUNTED(disk);
    const QString record = tm.hostC("disk1.vol");
    tm.writeC("disk1.vol", "[Volume]\r\nLabel=SAVE#10\r\n");
    const quint64 inode = HostStamp::of(record).inode;
    const QStringList before = namesIn(tm.hostC(""));
    disk.fill();

    EXPECT_EQ(rewriteRecordInPlace(record, "[Volume]\r\nLabel=SAVE#11\r\n" + QByteArray(1000, ';')),
              "[Volume]\r\nLabel=SAVE#11\r\n" + QByteArray(1000, ';'));
    EXPECT_EQ(rewriteRecordInPlace(record, "[Volume]\r\nLabel=S1\r\n"), "[Volume]\r\nLabel=S1\r\n" + QByteArray(1005, ' '));
    EXPECT_EQ(tm.readC("disk1.vol"), "[Volume]\r\nLabel=S1\r\n" + QByteArray(1005, ' '));
    EXPECT_EQ(HostStamp::of(record).inode, inode);
    EXPECT_EQ(namesIn(tm.hostC("")), before);

    disk.release();
    const QString second = tm.hostC("disk2.vol");
    ASSERT_EQ(::link(QFile::encodeName(record).constData(), QFile::encodeName(second).constData()), 0);
    EXPECT_EQ(rewriteRecordInPlace(record, "[Volume]\r\nLabel=S2\r\n"), "[Volume]\r\nLabel=S2\r\n");
    EXPECT_EQ(tm.readC("disk1.vol"), "[Volume]\r\nLabel=S2\r\n");
    EXPECT_EQ(tm.readC("disk2.vol"), "[Volume]\r\nLabel=S1\r\n" + QByteArray(1005, ' '));
}

// The records of the machine and its disks, and the profiles, are read whole with plain reads:
// at every size around the reader's first buffer and its doublings, empty too; a file that is
// not there, or a folder, reads as nothing.
TEST(HostFileRead, AFileIsReadWholeAtEverySize)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const qint64 size : {0, 1, 4095, 4096, 4097, 8192, 12289, 300000}) {
        QByteArray content(size, '\0');
        for (qint64 i = 0; i < size; ++i)
            content[i] = char('a' + i % 23);
        const QString path = dir.filePath(QStringLiteral("record-%1").arg(size));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(content), size);
        f.close();
        const auto read = readHostFile(path);
        ASSERT_TRUE(read.has_value()) << size;
        EXPECT_EQ(*read, content) << size;
    }
    EXPECT_FALSE(readHostFile(dir.filePath(QStringLiteral("missing"))).has_value());
    EXPECT_FALSE(readHostFile(dir.path()).has_value());
}

TEST_F(MachineTest, AFileBeingWrittenOverKeepsItsOldContentUntilItIsClosed)
{
    fs::writeAll("C:\\NOTES.TXT", "old notes");
    {
        fs::File f;
        f.open("C:\\NOTES.TXT", fs::File::Write);
        f.write("new");
        EXPECT_EQ(fs::readAll("C:\\NOTES.TXT"), "old notes");
        EXPECT_EQ(f.size(), 3);
    }   // dropped without close
    EXPECT_EQ(fs::readAll("C:\\NOTES.TXT"), "old notes");
    fs::File f;
    f.open("C:\\NOTES.TXT", fs::File::Write);
    f.write("new");
    f.close();
    EXPECT_EQ(fs::readAll("C:\\NOTES.TXT"), "new");
    // A new file shows once it is closed; ReadWrite writes in place.
    fs::File g;
    g.open("C:\\FRESH.TXT", fs::File::Write);
    EXPECT_FALSE(fs::exists("C:\\FRESH.TXT"));
    g.write("abc");
    g.close();
    EXPECT_EQ(fs::readAll("C:\\FRESH.TXT"), "abc");
    g.open("C:\\FRESH.TXT", fs::File::ReadWrite);
    g.seek(1);
    g.write("X");
    EXPECT_EQ(fs::readAll("C:\\FRESH.TXT"), "aXc");
    g.close();
}

TEST_F(MachineTest, OnAFullFloppyAReplacementNeedsOnlyTheClustersItAdds)
{
    Machine::current().createDisk("full", DiskFormat::byName("1.44M"), true);
    Machine::current().insertDisk("full");
    // 1,457,664 bytes: the file to replace takes 1,000 clusters, the filler all but 10 of the rest.
    fs::writeAll("A:\\CONF1.TVA", bytes(1000 * 512, 'o'));
    fs::writeAll("A:\\FILLER.BIN", bytes((2847 - 1000 - 10) * 512, 'f'));
    ASSERT_EQ(Machine::current().volume(u'A')->freeBytes(), 10 * 512);
    tm.writeC("WINDOWS/TEMP/grown.tva", bytes(1010 * 512, 'g'));
    tm.writeC("WINDOWS/TEMP/toobig.tva", bytes(1011 * 512, 't'));

    fs::copyFile("C:\\WINDOWS\\TEMP\\grown.tva", "A:\\CONF1.TVA");
    EXPECT_EQ(fs::readAll("A:\\CONF1.TVA"), bytes(1010 * 512, 'g'));
    EXPECT_EQ(Machine::current().volume(u'A')->freeBytes(), 0);

    EXPECT_EQ(errorOf([] { fs::copyFile("C:\\WINDOWS\\TEMP\\toobig.tva", "A:\\CONF1.TVA"); }), ErrDiskFull);
    EXPECT_EQ(errorOf([] { fs::writeAll("A:\\CONF1.TVA", QByteArray(1011 * 512, 'w')); }), ErrDiskFull);
    EXPECT_EQ(fs::readAll("A:\\CONF1.TVA"), bytes(1010 * 512, 'g'));

    // Written piece by piece the same holds: the old file's clusters count as the new one's.
    fs::File f;
    f.open("A:\\CONF1.TVA", fs::File::Write);
    for (int i = 0; i < 10; ++i)
        f.write(bytes(101 * 512, 'p'));
    EXPECT_EQ(errorOf([&] { f.write(bytes(512, 'p')); }), ErrDiskFull);
    f.close();
    EXPECT_EQ(fs::readAll("A:\\CONF1.TVA"), bytes(1010 * 512, 'p'));
    EXPECT_EQ(Machine::current().volume(u'A')->freeBytes(), 0);
}

TEST_F(MachineTest, AFileInAFullRootFolderIsReplacedWithoutANewEntry)
{
    Machine::current().createDisk("root", DiskFormat::byName("720K"), true);   // 112 root entries
    Machine::current().insertDisk("root");
    for (int i = 0; i < 112; ++i)
        fs::writeAll(QStringLiteral("A:\\F%1.TXT").arg(i), "before");
    ASSERT_EQ(errorOf([] { fs::writeAll("A:\\ONE.MOR", "x"); }), ErrTooManyFiles);
    tm.writeC("WINDOWS/TEMP/after.txt", "after");

    fs::copyFile("C:\\WINDOWS\\TEMP\\after.txt", "A:\\F0.TXT");
    fs::writeAll("A:\\F1.TXT", "after");
    fs::importHostFile(tm.hostC("WINDOWS/TEMP/after.txt"), "A:\\F2.TXT");
    fs::File f;
    f.open("A:\\F3.TXT", fs::File::Write);
    f.write("after");
    f.close();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(fs::readAll(QStringLiteral("A:\\F%1.TXT").arg(i)), "after") << i;
    EXPECT_EQ(namesIn(tm.hostDisk("root")).size(), 112);
}

TEST_F(MachineTest, AFileMovedOverAnotherTakesItsPlaceInOneStep)
{
    fs::writeAll("C:\\WINDOWS\\TEMP\\NEW.INI", "new");
    fs::setAttributes("C:\\WINDOWS\\TEMP\\NEW.INI", AttrArchive | AttrHidden);
    fs::setAttributes("C:\\WINDOWS\\SYSTEM.INI", AttrReadOnly | AttrSystem);
    fs::moveOver("C:\\WINDOWS\\TEMP\\new.ini", "c:\\windows\\system.ini");
    EXPECT_EQ(fs::readAll("C:\\WINDOWS\\SYSTEM.INI"), "new");
    EXPECT_EQ(fs::attributes("C:\\WINDOWS\\SYSTEM.INI"), quint32(AttrArchive | AttrHidden));
    EXPECT_TRUE(QFileInfo::exists(tm.hostC("WINDOWS/SYSTEM.INI"))) << "the name it is stored under";
    EXPECT_FALSE(fs::exists("C:\\WINDOWS\\TEMP\\NEW.INI"));
    EXPECT_EQ(errorOf([] { fs::moveOver("C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS"); }), ErrPathFileAccess);
    EXPECT_EQ(errorOf([] { fs::moveOver("C:\\WINDOWS\\WIN.INI", "A:\\WIN.INI"); }), 74);
}

namespace {

// A machine whose own folder (its records beside the drives' folders included) lies on a
// small tmpfs that a test fills to the last byte.
class FullMachineFolderTest : public MachineTest {
protected:
    void SetUp() override
    {
        mountPoint_ = tmp_.path() + QStringLiteral("/disk");
        QDir().mkpath(mountPoint_);
        if (::mount("tmpfs", QFile::encodeName(mountPoint_).constData(), "tmpfs", 0, "size=16777216") != 0)
            GTEST_SKIP() << "no small disk for the machine: " << std::strerror(errno);
        mounted_ = true;
        dir_ = mountPoint_ + QStringLiteral("/machine");
        ASSERT_TRUE(createDemoMachine(dir_));
        ::usleep(100000);   // the records are no longer within the clock tick they were made in
        Machine::use(dir_);
    }
    void TearDown() override
    {
        release();
        Machine::use(tm.dir());
        if (mounted_)
            ::umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
    }
    void fill()
    {
        filler_ = ::open(QFile::encodeName(mountPoint_).constData(), O_TMPFILE | O_RDWR, 0600);
        ASSERT_GE(filler_, 0) << std::strerror(errno);
        const QByteArray block(1 << 20, 'F');
        for (qsizetype chunk = block.size(); chunk >= 1; chunk /= 2)
            while (::write(filler_, block.constData(), size_t(chunk)) > 0) {
            }
    }
    void release()
    {
        if (filler_ >= 0)
            ::close(filler_);
        filler_ = -1;
    }
    QByteArray attrRecord() const
    {
        QFile f(dir_ + QStringLiteral("/drive_c.attr"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir tmp_;
    QString mountPoint_, dir_;
    bool mounted_ = false;
    int filler_ = -1;
};

} // namespace

TEST_F(FullMachineFolderTest, AnAttributeThatCouldNotBeRecordedIsNeitherReportedNorRecordedLater)
{
    const QString letter = QStringLiteral("C:\\My Documents\\Letter to Anna.txt");
    const QString config = QStringLiteral("C:\\CONFIG.SYS");
    const quint32 before = fs::attributes(letter);
    ASSERT_FALSE(before & AttrReadOnly);
    fill();
    EXPECT_EQ(errorOf([&] { fs::setAttributes(letter, AttrReadOnly | AttrArchive); }), ErrDiskFull);
    // What the machine says of the file is what its record holds.
    EXPECT_EQ(fs::attributes(letter), before);
    release();
    // A later change that is recorded carries only itself.
    fs::setAttributes(config, AttrHidden | AttrArchive);
    Machine::use(dir_);
    EXPECT_EQ(fs::attributes(config), AttrHidden | AttrArchive);
    EXPECT_EQ(fs::attributes(letter), before) << attrRecord().constData();
}

TEST_F(FullMachineFolderTest, ADisksStateThatCouldNotBeRecordedIsNotRecordedWithItsNextLabel)
{
    Machine& m = Machine::current();
    m.createDisk(QStringLiteral("spare"), DiskFormat::byName(QStringLiteral("1.44M")), true);
    m.insertDisk(QStringLiteral("spare"));
    ::usleep(100000);
    ASSERT_FALSE(m.volume(u'A')->writeProtected());
    fill();
    EXPECT_EQ(errorOf([&] { m.protectDisk(QStringLiteral("spare"), true); }), ErrDiskFull);
    // The label is rewritten in place, which needs no room: it must carry nothing else.
    fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("SAVE 1"));
    release();
    Machine::use(dir_);
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:\\")).value_or(QString()), QStringLiteral("SAVE 1"));
    EXPECT_FALSE(Machine::current().volume(u'A')->writeProtected());
}
