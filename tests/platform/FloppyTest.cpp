// Floppy disks on the machine's shelf: FAT12 geometry, whole-cluster accounting and the
// states a disk can be in.
#include "support/Errors.h"
#include "platform/FileSystem.h"
#include "platform/IniDocument.h"
#include "platform/SysError.h"
#include "support/TempMachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

using namespace platform;
using testsupport::MachineTest;
using testsupport::errorOf;

namespace {


void newDisk(const QString& name, const QString& size, bool formatted = true)
{
    Machine::current().createDisk(name, DiskFormat::byName(size), formatted);
    Machine::current().insertDisk(name);
}

// The machine's own tool, run from another process as a user would in another terminal.
void machineTool(const QString& machineDir, const QStringList& args)
{
    const QString tool = qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath()) + QStringLiteral("/trelvo-machine");
    QProcess p;
    p.start(tool, QStringList{QStringLiteral("--machine"), machineDir} + args);
    ASSERT_TRUE(p.waitForFinished(10000)) << tool.toStdString();
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

} // namespace

TEST_F(MachineTest, EmptyDisksHaveTheFreeSpaceOfTheirFormat)
{
    struct Case { const char* size; qint64 free; qint64 cluster; };
    for (const Case& c : {Case{"720K", 730112, 1024}, Case{"1.44M", 1457664, 512}, Case{"2.88M", 2931712, 1024}}) {
        newDisk(QString::fromLatin1(c.size), QString::fromLatin1(c.size));
        const auto space = fs::diskSpace(QStringLiteral("A:\\"));
        ASSERT_TRUE(space) << c.size;
        EXPECT_EQ(space->freeClusters * space->sectorsPerCluster * space->bytesPerSector, c.free) << c.size;
        EXPECT_EQ(space->sectorsPerCluster * space->bytesPerSector, c.cluster) << c.size;
    }
}

TEST_F(MachineTest, FilesTakeWholeClustersFoldersOneAndEmptyFilesNone)
{
    newDisk(QStringLiteral("d1"), QStringLiteral("1.44M"));
    fs::writeAll(QStringLiteral("A:\\ONE.TXT"), QByteArray(1, 'x'));        // 1 cluster
    fs::writeAll(QStringLiteral("A:\\EXACT.BIN"), QByteArray(1024, 'x'));   // 2 clusters
    fs::writeAll(QStringLiteral("A:\\EMPTY.TXT"), QByteArray());            // none
    fs::createDirectory(QStringLiteral("A:\\SUB"));                         // 1 cluster
    EXPECT_EQ(Machine::current().volume(u'A')->freeBytes(), 1457664 - 4 * 512);
}

// What lies deeper counts too: files in sub-folders, a sub-folder whose many long names fill
// more than one cluster of entries, and links put on the disk from the host, which count as
// what they point to.
TEST_F(MachineTest, EveryLevelOfTheTreeAndWhatLinksPointToTakeTheirClusters)
{
    newDisk(QStringLiteral("d2"), QStringLiteral("1.44M"));
    fs::createDirectory(QStringLiteral("A:\\SUB"));                                          // 1 cluster
    fs::writeAll(QStringLiteral("A:\\SUB\\INNER.BIN"), QByteArray(513, 'x'));                // 2 clusters
    fs::createDirectory(QStringLiteral("A:\\Long Folder Name"));
    // "." and ".." and 12 names of four entries each: 50 entries of 32 bytes, 4 clusters.
    for (int i = 0; i < 12; ++i)
        fs::writeAll(QStringLiteral("A:\\Long Folder Name\\A rather long file name %1.txt").arg(i, 2, 10, QChar(u'0')), QByteArray());
    const QString disk = tm.hostDisk(QStringLiteral("d2"));
    ASSERT_TRUE(QFile::link(disk + QStringLiteral("/SUB/INNER.BIN"), disk + QStringLiteral("/LINK.BIN")));   // 2 clusters
    ASSERT_TRUE(QFile::link(disk + QStringLiteral("/SUB"), disk + QStringLiteral("/LINKDIR")));   // the folder again: 1 + 2
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent/target"), disk + QStringLiteral("/DANGLING")));   // none
    EXPECT_EQ(Machine::current().volume(u'A')->freeBytes(), 1457664 - (1 + 2 + 4 + 2 + 3) * 512);
}

TEST_F(MachineTest, ARemovableMediumOfAnyByteSizeHas512ByteClustersAndNoRootLimit)
{
    newDisk(QStringLiteral("big"), QStringLiteral("3000000"));
    auto v = Machine::current().volume(u'A');
    EXPECT_EQ(v->totalBytes(), 2999808);
    EXPECT_EQ(v->rootEntryLimit(), 0);
    newDisk(QStringLiteral("huge"), QStringLiteral("3221225472"));
    EXPECT_EQ(Machine::current().volume(u'A')->freeBytes(), 3221225472LL);
}

TEST_F(MachineTest, WritesPastTheCapacityFailWithDiskFull)
{
    newDisk(QStringLiteral("d1"), QStringLiteral("720K"));
    fs::writeAll(QStringLiteral("A:\\FILL.BIN"), QByteArray(730112 - 1024, 'x'));
    EXPECT_EQ(errorOf([] { fs::writeAll(QStringLiteral("A:\\MORE.BIN"), QByteArray(1025, 'x')); }), ErrDiskFull);
    fs::File f;
    f.open(QStringLiteral("A:\\MORE.BIN"), fs::File::Write);
    f.write(QByteArray(1024, 'y'));   // exactly the last cluster
    EXPECT_EQ(errorOf([&] { f.write(QByteArray(1, 'z')); }), ErrDiskFull);
    f.close();
    EXPECT_EQ(Machine::current().volume(u'A')->freeBytes(), 0);
}

// A piece written chunk by chunk, as the floppy split writes it, in a folder and at the root:
// it fills the disk to its last cluster and no further, also when another program put a file
// onto the disk between two of its chunks.
TEST_F(MachineTest, AFileWrittenInChunksFillsTheDiskToItsLastCluster)
{
    newDisk(QStringLiteral("d1"), QStringLiteral("720K"));
    fs::createDirectory(QStringLiteral("A:\\SAVE"));
    const qint64 free = Machine::current().volume(u'A')->freeBytes();
    fs::File piece;
    piece.open(QStringLiteral("A:\\SAVE\\CONF1.TV1"), fs::File::ReadWrite);
    const QByteArray chunk(64512, 'p');
    qint64 written = 0;
    while (written + chunk.size() <= free - 8 * 1024) {
        piece.write(chunk);
        written += chunk.size();
    }
    // Someone else's file takes four clusters meanwhile.
    QFile other(tm.hostDisk(QStringLiteral("d1")) + QStringLiteral("/OTHER.TXT"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write(QByteArray(4 * 1024, 'o'));
    other.close();
    const qint64 left = free - 4 * 1024 - (written + 1023) / 1024 * 1024;
    piece.write(QByteArray(left - (written % 1024 ? 1024 - written % 1024 : 0), 'p'));
    EXPECT_EQ(errorOf([&] { piece.write(QByteArray(1, 'z')); }), ErrDiskFull);
    piece.close();
    EXPECT_EQ(Machine::current().volume(u'A')->freeBytes(), 0);
}

// A piece copied within the host in one go, as the floppy split copies it: the whole range
// must fit first, else nothing moves; what fits fills the disk to its last cluster, and a
// disk protected or changed since the file was opened takes nothing.
TEST_F(MachineTest, ACopyWithinTheHostMovesAllOrNothingAndFillsTheDiskToItsLastCluster)
{
    const QByteArray archive = [] {
        QByteArray b(900000, Qt::Uninitialized);
        for (qsizetype i = 0; i < b.size(); ++i)
            b[i] = char((i * 7919) >> 5);
        return b;
    }();
    fs::writeAll(QStringLiteral("C:\\CONF1.TVA"), archive);
    newDisk(QStringLiteral("d1"), QStringLiteral("720K"));
    const qint64 free = Machine::current().volume(u'A')->freeBytes();
    fs::File source, piece;
    source.open(QStringLiteral("C:\\CONF1.TVA"), fs::File::Read);
    piece.open(QStringLiteral("A:\\CONF1.TV1"), fs::File::ReadWrite);
    source.seek(1000);
    EXPECT_EQ(errorOf([&] { piece.writeFrom(source, free + 1); }), ErrDiskFull);
    EXPECT_EQ(source.pos(), 1000);
    EXPECT_EQ(piece.size(), 0);

    EXPECT_EQ(piece.writeFrom(source, free - 1000), free - 1000);
    EXPECT_EQ(source.pos(), free);
    // The rest of the last cluster takes the next bytes; a byte past it does not fit.
    EXPECT_EQ(piece.writeFrom(source, 1000), 1000);
    EXPECT_EQ(errorOf([&] { piece.writeFrom(source, 1); }), ErrDiskFull);
    piece.close();
    EXPECT_EQ(Machine::current().volume(u'A')->freeBytes(), 0);
    EXPECT_EQ(fs::readAll(QStringLiteral("A:\\CONF1.TV1")), archive.mid(1000, free));

    // The end of the source ends the copy.
    newDisk(QStringLiteral("d2"), QStringLiteral("1.44M"));
    piece.open(QStringLiteral("A:\\CONF1.TV2"), fs::File::ReadWrite);
    source.seek(archive.size() - 10);
    EXPECT_EQ(piece.writeFrom(source, 5000), 10);
    EXPECT_EQ(piece.pos(), 10);
    piece.close();
    EXPECT_EQ(fs::readAll(QStringLiteral("A:\\CONF1.TV2")), archive.right(10));

    piece.open(QStringLiteral("A:\\CONF1.TV3"), fs::File::ReadWrite);
    Machine::current().protectDisk(QStringLiteral("d2"), true);
    source.seek(0);
    // The faults are those of a write.
    EXPECT_EQ(errorOf([&] { piece.writeFrom(source, 100); }), ErrPathFileAccess);
    EXPECT_EQ(errorOf([&] { piece.write("x"); }), ErrPathFileAccess);
    newDisk(QStringLiteral("d3"), QStringLiteral("1.44M"));
    EXPECT_EQ(errorOf([&] { piece.writeFrom(source, 100); }), ErrDiskNotReady);
    EXPECT_EQ(errorOf([&] { piece.write("x"); }), ErrDiskNotReady);
    EXPECT_EQ(source.pos(), 0);
    EXPECT_EQ(QFileInfo(tm.hostDisk(QStringLiteral("d2")) + QStringLiteral("/CONF1.TV3")).size(), 0);
}

TEST_F(MachineTest, TheRootFolderHoldsALimitedNumberOfEntries)
{
    newDisk(QStringLiteral("d1"), QStringLiteral("720K"));   // 112 root entries
    for (int i = 0; i < 112; ++i)
        fs::writeAll(QStringLiteral("A:\\F%1.TXT").arg(i), QByteArray());
    EXPECT_EQ(errorOf([] { fs::writeAll(QStringLiteral("A:\\LAST.TXT"), QByteArray()); }), ErrTooManyFiles);
    EXPECT_EQ(errorOf([] { fs::createDirectory(QStringLiteral("A:\\DIR")); }), ErrTooManyFiles);
}

TEST_F(MachineTest, DiskStatesGiveTheirErrors)
{
    Machine& m = Machine::current();
    m.ejectDisk();
    EXPECT_EQ(errorOf([] { fs::find(QStringLiteral("A:\\*.*"), 0); }), ErrBadFileName);
    EXPECT_EQ(errorOf([] { fs::File f; f.open(QStringLiteral("A:\\X.TXT"), fs::File::Write); }), ErrDiskNotReady);
    EXPECT_EQ(errorOf([&] { m.setCurrentDrive(u'A'); }), ErrDeviceUnavailable);

    newDisk(QStringLiteral("raw"), QStringLiteral("1.44M"), false);
    EXPECT_EQ(errorOf([] { fs::find(QStringLiteral("A:"), 0); }), ErrBadFileName);
    EXPECT_FALSE(fs::diskSpace(QStringLiteral("A:\\")));

    newDisk(QStringLiteral("ro"), QStringLiteral("1.44M"));
    fs::writeAll(QStringLiteral("A:\\KEEP.TXT"), "keep");
    m.protectDisk(QStringLiteral("ro"), true);
    EXPECT_EQ(errorOf([] { fs::writeAll(QStringLiteral("A:\\NEW.TXT"), "x"); }), ErrPathFileAccess);
    EXPECT_EQ(errorOf([] { fs::removeFile(QStringLiteral("A:\\KEEP.TXT")); }), ErrPathFileAccess);
    EXPECT_EQ(errorOf([] { fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("X")); }), ErrPathFileAccess);
    EXPECT_EQ(fs::readAll(QStringLiteral("A:\\KEEP.TXT")), QByteArray("keep"));
}

TEST_F(MachineTest, ADiskChangedBehindAnOpenFileIsNotWrittenTo)
{
    newDisk(QStringLiteral("one"), QStringLiteral("1.44M"));
    fs::File f;
    f.open(QStringLiteral("A:\\PIECE.TV1"), fs::File::Write);
    newDisk(QStringLiteral("two"), QStringLiteral("1.44M"));
    EXPECT_EQ(errorOf([&] { f.write("data"); }), ErrDiskNotReady);
}

TEST_F(MachineTest, LabelsAreUpperCaseAndAtMostElevenCharacters)
{
    fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("Save#1"));
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")).value(), QStringLiteral("SAVE#1"));
    fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("a-very-long-label"));
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A")).value(), QStringLiteral("A-VERY-LONG"));
}

// The program keeps what it read of machine.ini, the disk's metadata and the attribute
// records only while they stay as they were: a change from outside, made at once after the
// program's last access (within the same tick of the clock) and at the same size, is seen at
// the next access.
TEST_F(MachineTest, ChangesMadeFromOutsideAreSeenAtTheNextAccess)
{
    newDisk(QStringLiteral("one"), QStringLiteral("1.44M"));
    fs::writeAll(QStringLiteral("A:\\KEEP.TXT"), "keep");
    EXPECT_TRUE(fs::exists(QStringLiteral("a:\\keep.txt")));

    machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("protect"), QStringLiteral("one"), QStringLiteral("on")});
    EXPECT_EQ(errorOf([] { fs::writeAll(QStringLiteral("A:\\NEW.TXT"), "x"); }), ErrPathFileAccess);
    machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("new"), QStringLiteral("two")});
    machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("insert"), QStringLiteral("two")});
    EXPECT_FALSE(fs::exists(QStringLiteral("A:\\KEEP.TXT")));
    fs::writeAll(QStringLiteral("A:\\NEW.TXT"), "x");
    machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("eject")});
    EXPECT_EQ(errorOf([] { fs::find(QStringLiteral("A:\\*.*"), 0); }), ErrBadFileName);

    // DOS attributes written into the records by hand, twice in a row at the same size.
    fs::writeAll(QStringLiteral("C:\\NOTE.TXT"), "note");
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\NOTE.TXT")), quint32(AttrArchive));
    QFile records(tm.dir() + QStringLiteral("/drive_c.attr"));
    ASSERT_TRUE(records.open(QIODevice::ReadOnly));
    const QByteArray before = records.readAll();
    records.close();
    const auto rewrite = [&](const QByteArray& line) {
        QFile f(records.fileName());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(before + line);
    };
    rewrite("02\tNOTE.TXT\n");
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\NOTE.TXT")), quint32(AttrHidden));
    rewrite("04\tNOTE.TXT\n");
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\NOTE.TXT")), quint32(AttrSystem));
}

// What the program writes itself (the disk put in, the label) it holds without reading it
// back; a change from another process right after, of the same size too, is still seen at
// the next access. A label rewritten shorter leaves the record whole: a fresh reader finds
// every value, and the record grows no longer than the longest label it held.
TEST_F(MachineTest, OwnWritesAreHeldAndOutsideChangesAfterThemAreSeen)
{
    newDisk(QStringLiteral("one"), QStringLiteral("1.44M"));
    const QString record = tm.dir() + QStringLiteral("/floppies/one.vol");
    const auto stored = [&](const char* key) {
        QFile f(record);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return IniDocument::parse(f.readAll()).value(QStringLiteral("Volume"), QString::fromLatin1(key)).value_or(QString());
    };
    const qint64 free = fs::diskSpace(QStringLiteral("A:\\"))->freeClusters;

    fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("Save#1"));
    machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("label"), QStringLiteral("one"), QStringLiteral("SAVE#2")});
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")).value(), QStringLiteral("SAVE#2"));

    fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("A-very-long"));
    const qint64 longest = QFileInfo(record).size();
    fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("S3"));
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")).value(), QStringLiteral("S3"));
    EXPECT_EQ(stored("Label"), QStringLiteral("S3"));
    EXPECT_EQ(stored("Kind"), QStringLiteral("floppy"));
    EXPECT_EQ(stored("Capacity"), QStringLiteral("1457664"));
    fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("Save#4"));
    fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("S5"));
    EXPECT_LE(QFileInfo(record).size(), longest);
    EXPECT_EQ(stored("Label"), QStringLiteral("S5"));
    EXPECT_EQ(fs::diskSpace(QStringLiteral("A:\\"))->freeClusters, free);

    machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("protect"), QStringLiteral("one"), QStringLiteral("on")});
    EXPECT_EQ(errorOf([] { fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("S6")); }), ErrPathFileAccess);
    EXPECT_EQ(stored("Label"), QStringLiteral("S5"));

    // The drive table: a disk this process put in, then another put in from outside.
    Machine::current().createDisk(QStringLiteral("two"), DiskFormat::byName(QStringLiteral("720K")), true);
    Machine::current().insertDisk(QStringLiteral("two"));
    EXPECT_EQ(fs::diskSpace(QStringLiteral("A:\\"))->totalClusters, 730112 / 1024);
    machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("insert"), QStringLiteral("one")});
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")).value(), QStringLiteral("S5"));
}

// A file written chunk by chunk looks at the disk's state at every chunk: a disk protected
// or changed from outside between two chunks stops the next one, and what was written stays.
TEST_F(MachineTest, AFileWrittenInChunksSeesTheDiskProtectedOrChangedBetweenChunks)
{
    newDisk(QStringLiteral("one"), QStringLiteral("1.44M"));
    newDisk(QStringLiteral("two"), QStringLiteral("1.44M"));
    Machine::current().insertDisk(QStringLiteral("one"));
    {
        fs::File f;
        f.open(QStringLiteral("A:\\PIECE.001"), fs::File::Append);
        f.write(QByteArray(64512, 'a'));
        machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("protect"), QStringLiteral("one"), QStringLiteral("on")});
        EXPECT_EQ(errorOf([&] { f.write(QByteArray(64512, 'b')); }), ErrPathFileAccess);
        machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("protect"), QStringLiteral("one"), QStringLiteral("off")});
        f.write(QByteArray(10, 'c'));
        machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("insert"), QStringLiteral("two")});
        EXPECT_EQ(errorOf([&] { f.write(QByteArray(10, 'd')); }), ErrDiskNotReady);
    }
    machineTool(tm.dir(), {QStringLiteral("floppy"), QStringLiteral("insert"), QStringLiteral("one")});
    EXPECT_EQ(fs::readAll(QStringLiteral("A:\\PIECE.001")), QByteArray(64512, 'a') + QByteArray(10, 'c'));
}

// A disk's record written by hand as an INI file may be: names in any case, blanks around
// them, quoted values, a name twice (the first counts), a second section of the same name
// (not read); the record is read as the profile functions read it, and a label written
// afterwards changes that value only, read back the same by a fresh reader.
TEST_F(MachineTest, ADisksRecordWrittenByHandIsReadAsAProfileIs)
{
    const QString record = tm.dir() + QStringLiteral("/floppies/hand.vol");
    QDir().mkpath(tm.dir() + QStringLiteral("/floppies/hand"));
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("; made by hand\r\n[volume]\r\n  KIND = floppy \r\ncapacity=\"730112\"\r\nClusterSize=1024\r\n"
            "clustersize=512\r\nLABEL=  Hand Made\r\nserial=1A2B3C4D\r\nRootEntries=112\r\n"
            "[Other]\r\nLabel=NOT THIS\r\n[VOLUME]\r\nWriteProtected=1\r\n");
    f.close();
    tm.machine().insertDisk(QStringLiteral("hand"));
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")).value(), QStringLiteral("Hand Made"));
    EXPECT_EQ(fs::volumeSerial(QStringLiteral("A:")).value(), 0x1A2B3C4Du);
    const auto space = fs::diskSpace(QStringLiteral("A:\\"));
    ASSERT_TRUE(space.has_value());
    EXPECT_EQ(space->sectorsPerCluster * space->bytesPerSector, 1024);
    EXPECT_EQ(space->totalClusters, 730112 / 1024);
    fs::writeAll(QStringLiteral("A:\\WRITTEN.TXT"), "not protected");   // the second section is not read

    fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("Save#7"));
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")).value(), QStringLiteral("SAVE#7"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const IniDocument fresh = IniDocument::parse(f.readAll());
    EXPECT_EQ(fresh.value(QStringLiteral("Volume"), QStringLiteral("Label")), QStringLiteral("SAVE#7"));
    EXPECT_EQ(fresh.value(QStringLiteral("Volume"), QStringLiteral("Capacity")), QStringLiteral("730112"));
    EXPECT_EQ(fresh.value(QStringLiteral("Other"), QStringLiteral("Label")), QStringLiteral("NOT THIS"));
    EXPECT_EQ(fs::diskSpace(QStringLiteral("A:\\"))->sectorsPerCluster * 512, 1024);
}
