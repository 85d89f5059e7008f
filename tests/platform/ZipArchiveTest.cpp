// Central directories of archives written by the host's Info-ZIP zip: reading them, patching
// the DOS attributes in, checking the result with unzip and zipinfo, and refusing damage.
#include "platform/ZipArchive.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

using namespace platform::zip;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString output;
};

class ZipArchiveTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    const QDateTime stamp{QDate(2004, 12, 31), QTime(23, 58, 46)};   // sets the high bits of every DOS date and time field

    QString path(const QString& rel) const { return tmp.filePath(rel); }

    // A host name that is no UTF-8, written and unpacked by the tests; QDir cannot remove it.
    std::string latinName(const char* folder) const { return QFile::encodeName(path(QString::fromLatin1(folder))).toStdString() + "/lat\xE9.txt"; }

    void TearDown() override
    {
        std::remove(latinName("src").c_str());
        std::remove(latinName("out").c_str());
    }

    void writeFile(const QString& rel, const QByteArray& bytes)
    {
        QDir(tmp.path()).mkpath(QFileInfo(path(rel)).path());
        QFile f(path(rel));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
        ASSERT_TRUE(f.flush());
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }

    static QByteArray contents(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void overwrite(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    ToolRun run(const QString& program, const QStringList& args, const QByteArray& input = {}) const
    {
        QProcess p;
        p.setWorkingDirectory(path(QStringLiteral("src")));
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAll())};
    }

    // The tree every test archives: blanks in names, a folder of its own, an empty file,
    // a compressible file and a name whose byte 0xE9 is "é" on the machine.
    void makeTree()
    {
        writeFile(QStringLiteral("src/Program Files/Trelvo/a b.txt"), "hello");
        writeFile(QStringLiteral("src/empty.dat"), {});
        writeFile(QStringLiteral("src/WINDOWS/big.ini"), QByteArray("[Section]\r\nKey=Value\r\n").repeated(1000));
        ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("src/Empty Folder")));
        std::ofstream(latinName("src")) << "x";
    }

    QString makeArchive(const QStringList& extra = {})
    {
        makeTree();
        const QString archive = path(QStringLiteral("arc.zip"));
        const ToolRun zipped = run(QStringLiteral("/usr/bin/zip"), QStringList{QStringLiteral("-rq")} + extra + QStringList{archive, QStringLiteral(".")});
        EXPECT_EQ(zipped.exitCode, 0) << qPrintable(zipped.output);
        return archive;
    }

    static QMap<QString, ZipEntry> byName(const QList<ZipEntry>& entries)
    {
        QMap<QString, ZipEntry> map;
        for (const ZipEntry& e : entries)
            map.insert(e.name, e);
        return map;
    }

    // zipinfo's verbose listing: per entry name, the host it names and the DOS attribute byte.
    QMap<QString, std::pair<QString, int>> zipinfo(const QString& archive) const
    {
        const ToolRun info = run(QStringLiteral("/usr/bin/zipinfo"), {QStringLiteral("-v"), archive});
        EXPECT_EQ(info.exitCode, 0) << qPrintable(info.output);
        static const QRegularExpression origin(QStringLiteral("operating system of origin:\\s+(.*)"));
        static const QRegularExpression dos(QStringLiteral("MS-DOS file attributes \\(([0-9A-Fa-f]{2}) hex\\)"));
        QMap<QString, std::pair<QString, int>> result;
        const QStringList blocks = info.output.split(QStringLiteral("Central directory entry #")).mid(1);
        for (const QString& block : blocks) {
            const QStringList lines = block.split(u'\n');
            const QString name = lines.value(3).trimmed();
            result.insert(name, {origin.match(block).captured(1).trimmed(), dos.match(block).captured(1).toInt(nullptr, 16)});
        }
        return result;
    }
};

TEST_F(ZipArchiveTest, ReadsEveryEntryAsZipWroteIt)
{
    const QString archive = makeArchive();
    QString error;
    const auto entries = readEntries(archive, &error);
    ASSERT_TRUE(entries) << qPrintable(error);
    const auto map = byName(*entries);
    EXPECT_EQ(QStringList(map.keys()),
              (QStringList{QStringLiteral("Empty Folder/"), QStringLiteral("Program Files/"), QStringLiteral("Program Files/Trelvo/"),
                           QStringLiteral("Program Files/Trelvo/a b.txt"), QStringLiteral("WINDOWS/"), QStringLiteral("WINDOWS/big.ini"),
                           QStringLiteral("empty.dat"), QStringLiteral("laté.txt")}));

    const ZipEntry& hello = map[QStringLiteral("Program Files/Trelvo/a b.txt")];
    EXPECT_EQ(hello.size, 5u);
    EXPECT_EQ(hello.compressedSize, 5u);
    EXPECT_EQ(hello.method, 0);
    EXPECT_EQ(hello.crc, 0x3610a686u);
    EXPECT_EQ(hello.modified(), stamp);
    EXPECT_EQ(hello.host(), HostUnix);
    EXPECT_FALSE(hello.isDir());
    EXPECT_EQ(hello.dosAttributes(), 0);

    const ZipEntry& big = map[QStringLiteral("WINDOWS/big.ini")];
    EXPECT_EQ(big.size, 22000u);
    EXPECT_EQ(big.method, 8);
    EXPECT_LT(big.compressedSize, big.size);

    EXPECT_EQ(map[QStringLiteral("empty.dat")].size, 0u);
    EXPECT_TRUE(map[QStringLiteral("Empty Folder/")].isDir());
    EXPECT_EQ(map[QStringLiteral("Empty Folder/")].dosAttributes(), 0x10);

    // Every local header lies where the central directory says, under the same name.
    const QByteArray bytes = contents(archive);
    for (const ZipEntry& e : *entries) {
        ASSERT_LT(e.localHeaderOffset + 30, quint64(bytes.size()));
        EXPECT_EQ(bytes.mid(e.localHeaderOffset, 4), QByteArray("PK\3\4")) << qPrintable(e.name);
        const int nameLength = qFromLittleEndian<quint16>(bytes.constData() + e.localHeaderOffset + 26);
        EXPECT_EQ(bytes.mid(e.localHeaderOffset + 30, nameLength), e.name.toLatin1());   // "é" is 0xE9 in both
    }

    const auto names = entryNames(archive);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->size(), entries->size());
    EXPECT_EQ(names->first(), entries->first().name);
}

TEST_F(ZipArchiveTest, ReadOnlyOnTheHostReadsAsReadOnly)
{
    makeTree();
    QFile::setPermissions(path(QStringLiteral("src/empty.dat")), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const QString archive = path(QStringLiteral("arc.zip"));
    ASSERT_EQ(run(QStringLiteral("/usr/bin/zip"), {QStringLiteral("-q"), archive, QStringLiteral("empty.dat")}).exitCode, 0);
    const auto entries = readEntries(archive);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1);
    EXPECT_EQ(entries->first().dosAttributes(), 0x01);
}

TEST_F(ZipArchiveTest, NamesAreThoseUnzipWritesWhateverTheUtf8Flag)
{
    writeFile(QStringLiteral("src/Ümlaut ß.txt"), "u");
    const QString archive = path(QStringLiteral("arc.zip"));
    ASSERT_EQ(run(QStringLiteral("/usr/bin/zip"), {QStringLiteral("-q"), archive, QStringLiteral("Ümlaut ß.txt")}).exitCode, 0);
    // The host's zip stores the UTF-8 bytes of the name without marking them; unzip writes
    // them as they are, and with the flag set it does the same.
    EXPECT_EQ(entryNames(archive), QStringList{QStringLiteral("Ümlaut ß.txt")});
    // A name of bytes below 0x80 only, control characters included, reads as those bytes,
    // both as the host's entry and as an MS-DOS one.
    const QString plain = QStringLiteral("Plain\x01~\x7f name.TXT");
    writeFile(QStringLiteral("src/") + plain, "p");
    ASSERT_EQ(run(QStringLiteral("/usr/bin/zip"), {QStringLiteral("-q"), archive, plain}).exitCode, 0);
    EXPECT_EQ(entryNames(archive), (QStringList{QStringLiteral("Ümlaut ß.txt"), plain}));
    ASSERT_TRUE(setDosAttributes(archive, [](const ZipEntry&) { return std::optional<quint8>(0x21); }));
    const auto patched = readEntries(archive);
    ASSERT_TRUE(patched);
    ASSERT_EQ(patched->size(), 2);
    EXPECT_EQ(patched->at(0).host(), HostUnix);   // its UTF-8 bytes stay the host's
    EXPECT_EQ(patched->at(1).host(), HostMsDos);
    EXPECT_EQ(patched->at(1).name, plain);
    EXPECT_EQ(patched->at(1).dosAttributes(), 0x21);
    ASSERT_EQ(run(QStringLiteral("/usr/bin/zip"), {QStringLiteral("-dq"), archive, plain}).exitCode, 0);

    QByteArray bytes = contents(archive);
    const qsizetype central = bytes.indexOf("PK\1\2");
    ASSERT_GT(central, 0);
    bytes[central + 9] = char(bytes[central + 9] | 0x08);   // general purpose flag bit 11
    overwrite(archive, bytes);
    EXPECT_EQ(entryNames(archive), QStringList{QStringLiteral("Ümlaut ß.txt")});
}

TEST_F(ZipArchiveTest, PatchedAttributesAreWhatUnzipAndZipinfoSee)
{
    const QString archive = makeArchive();
    const auto before = readEntries(archive);
    ASSERT_TRUE(before);
    const QByteArray original = contents(archive);

    const QMap<QString, quint8> wanted{
        {QStringLiteral("Program Files/Trelvo/a b.txt"), 0x21},   // read-only, archive
        {QStringLiteral("WINDOWS/big.ini"), 0x22},                // hidden, archive
        {QStringLiteral("empty.dat"), 0x06 | 0x10},               // hidden, system; a file never keeps 0x10
        {QStringLiteral("Empty Folder/"), 0x00},                  // a folder keeps 0x10
        {QStringLiteral("WINDOWS/"), 0x12},
    };
    QString error;
    ASSERT_TRUE(setDosAttributes(archive, [&](const ZipEntry& e) -> std::optional<quint8> {
        if (wanted.contains(e.name))
            return wanted[e.name];
        return std::nullopt;
    }, &error)) << qPrintable(error);

    // Only version-made-by and the external attributes of the answered entries changed.
    const QByteArray patched = contents(archive);
    ASSERT_EQ(patched.size(), original.size());
    int changed = 0;
    for (qsizetype i = 0; i < patched.size(); ++i) {
        if (patched[i] == original[i])
            continue;
        ++changed;
        const qsizetype field = i - original.lastIndexOf("PK\1\2", i);
        EXPECT_TRUE(field == 4 || field == 5 || (field >= 38 && field <= 41)) << "byte " << i;
    }
    EXPECT_GT(changed, 0);

    const auto after = readEntries(archive, &error);
    ASSERT_TRUE(after) << qPrintable(error);
    ASSERT_EQ(after->size(), before->size());
    const QMap<QString, quint8> expected{
        {QStringLiteral("Program Files/Trelvo/a b.txt"), 0x21}, {QStringLiteral("WINDOWS/big.ini"), 0x22},
        {QStringLiteral("empty.dat"), 0x06}, {QStringLiteral("Empty Folder/"), 0x10}, {QStringLiteral("WINDOWS/"), 0x12}};
    for (qsizetype i = 0; i < after->size(); ++i) {
        const ZipEntry& a = (*after)[i];
        const ZipEntry& b = (*before)[i];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.crc, b.crc);
        EXPECT_EQ(a.size, b.size);
        EXPECT_EQ(a.compressedSize, b.compressedSize);
        EXPECT_EQ(a.modified(), b.modified());
        EXPECT_EQ(a.localHeaderOffset, b.localHeaderOffset);
        if (expected.contains(a.name)) {
            EXPECT_EQ(a.versionMadeBy, 0x0014) << qPrintable(a.name);
            EXPECT_EQ(a.externalAttrs, expected[a.name]) << qPrintable(a.name);
            EXPECT_EQ(a.dosAttributes(), expected[a.name]) << qPrintable(a.name);
        } else {
            EXPECT_EQ(a.versionMadeBy, b.versionMadeBy) << qPrintable(a.name);
            EXPECT_EQ(a.externalAttrs, b.externalAttrs) << qPrintable(a.name);
        }
    }

    const auto info = zipinfo(archive);
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        EXPECT_EQ(info[it.key()].first, QStringLiteral("MS-DOS, OS/2 or NT FAT")) << qPrintable(it.key());
        EXPECT_EQ(info[it.key()].second, it.value()) << qPrintable(it.key());
    }
    EXPECT_EQ(info[QStringLiteral("Program Files/")].first, QStringLiteral("Unix"));
    const ToolRun listing = run(QStringLiteral("/usr/bin/zipinfo"), {archive, QStringLiteral("empty.dat")});
    EXPECT_TRUE(listing.output.contains(QStringLiteral(" fat "))) << qPrintable(listing.output);

    const ToolRun test = run(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-t"), archive});
    EXPECT_EQ(test.exitCode, 0) << qPrintable(test.output);

    // unzip gives the extracted files the attributes: read-only loses the write permission.
    const ToolRun unzipped = run(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-qo"), archive, QStringLiteral("-d"), path(QStringLiteral("out"))});
    EXPECT_EQ(unzipped.exitCode, 0) << qPrintable(unzipped.output);
    EXPECT_EQ(contents(path(QStringLiteral("out/Program Files/Trelvo/a b.txt"))), QByteArray("hello"));
    EXPECT_FALSE(QFileInfo(path(QStringLiteral("out/Program Files/Trelvo/a b.txt"))).permissions() & QFileDevice::WriteOwner);
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("out/WINDOWS/big.ini"))).permissions() & QFileDevice::WriteOwner);
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("out/Empty Folder"))).isDir());
}

TEST_F(ZipArchiveTest, ZipGrowsAPatchedArchiveAndKeepsItsAttributes)
{
    const QString archive = makeArchive();
    ASSERT_TRUE(setDosAttributes(archive, [](const ZipEntry&) { return std::optional<quint8>(0x20); }));
    writeFile(QStringLiteral("src/later.txt"), "later");
    const ToolRun grown = run(QStringLiteral("/usr/bin/zip"), {QStringLiteral("-gq"), archive, QStringLiteral("later.txt")});
    ASSERT_EQ(grown.exitCode, 0) << qPrintable(grown.output);

    const auto entries = readEntries(archive);
    ASSERT_TRUE(entries);
    for (const ZipEntry& e : *entries) {
        // The entry added later, and one that as MS-DOS's would be read in the OEM code page.
        if (e.name == QStringLiteral("later.txt") || e.name == QStringLiteral("laté.txt")) {
            EXPECT_EQ(e.host(), HostUnix);
            continue;
        }
        EXPECT_EQ(e.versionMadeBy, 0x0014) << qPrintable(e.name);
        EXPECT_EQ(e.dosAttributes(), e.isDir() ? 0x30 : 0x20) << qPrintable(e.name);
    }
    EXPECT_EQ(entries->size(), 9);
}

TEST_F(ZipArchiveTest, AnArchiveNobodyAnswersForStaysUntouched)
{
    const QString archive = makeArchive();
    const QByteArray original = contents(archive);
    {
        QFile f(archive);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    int asked = 0;
    ASSERT_TRUE(setDosAttributes(archive, [&](const ZipEntry&) { ++asked; return std::optional<quint8>(); }));
    EXPECT_EQ(asked, 8);
    EXPECT_EQ(contents(archive), original);
    EXPECT_EQ(QFileInfo(archive).lastModified(), stamp);   // not even written
}

TEST_F(ZipArchiveTest, FindsTheEndRecordBehindAComment)
{
    const QString archive = makeArchive();
    // Close to the 64 KB a comment can hold.
    const QByteArray comment = QByteArray("Configuration 1 of the machine, saved for a rainy day.\n").repeated(1150);
    ASSERT_GT(comment.size(), 60000);
    ASSERT_EQ(run(QStringLiteral("/usr/bin/zip"), {QStringLiteral("-zq"), archive}, comment).exitCode, 0);
    ASSERT_GT(contents(archive).size(), comment.size());

    QString error;
    ASSERT_TRUE(readEntries(archive, &error)) << qPrintable(error);
    ASSERT_TRUE(setDosAttributes(archive, [](const ZipEntry&) { return std::optional<quint8>(0x01); }, &error)) << qPrintable(error);
    EXPECT_EQ(run(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-tq"), archive}).exitCode, 0);
    EXPECT_EQ(zipinfo(archive)[QStringLiteral("empty.dat")], std::make_pair(QStringLiteral("MS-DOS, OS/2 or NT FAT"), 0x01));

    // A stray signature inside the comment is where unzip looks for the end record (the last
    // whole one in the file): the archive is refused rather than read otherwise than unzip reads it.
    const QString stray = path(QStringLiteral("stray.zip"));
    ASSERT_TRUE(QFile::copy(archive, stray));
    QByteArray bytes = contents(stray);
    const qsizetype at = bytes.size() - 1000;
    bytes.replace(at, 22, QByteArray("PK\5\6").append(18, '\x01'));
    overwrite(stray, bytes);
    EXPECT_FALSE(readEntries(stray, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("second end-of-central-directory record"))) << qPrintable(error);
    EXPECT_NE(run(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-tq"), stray}).exitCode, 0);
}

TEST_F(ZipArchiveTest, RefusesWhatIsNoSoundArchive)
{
    const QString archive = makeArchive();
    const QByteArray good = contents(archive);
    const QString bad = path(QStringLiteral("bad.zip"));
    const qsizetype end = good.size() - 22;                 // no comment: the end record closes the file
    const qsizetype central = good.indexOf("PK\1\2");
    ASSERT_EQ(good.mid(end, 4), QByteArray("PK\5\6"));
    ASSERT_GT(central, 0);

    // Each damage is refused for the reason given, and patching leaves the file as it was; as
    // a part to join onto a sound archive, it is refused as well.
    const QString joined = path(QStringLiteral("joined.zip"));
    const auto refused = [&](const QByteArray& bytes, const char* what, const QString& reason) {
        overwrite(bad, bytes);
        QString error;
        EXPECT_FALSE(readEntries(bad, &error)) << what;
        EXPECT_TRUE(error.contains(reason)) << what << ": " << qPrintable(error);
        EXPECT_FALSE(setDosAttributes(bad, [](const ZipEntry&) { return std::optional<quint8>(0x20); }, &error)) << what;
        EXPECT_EQ(contents(bad), bytes) << what;
        overwrite(joined, good);
        EXPECT_FALSE(appendArchives(joined, {bad}, &error)) << what;
    };
    const auto withField = [&](qsizetype at, auto value) {
        QByteArray bytes = good;
        qToLittleEndian(value, bytes.data() + at);
        return bytes;
    };
    const QString notZip = QStringLiteral("not a zip archive");
    const QString damaged = QStringLiteral("damaged archive");

    for (qsizetype length = 0; length < good.size(); ++length)
        refused(good.left(length), "truncated", notZip);
    refused(QByteArray(), "empty", QStringLiteral("0 bytes"));
    refused(QByteArray(good).replace(end, 22, QByteArray(22, '\0')), "zeroed end record", notZip);
    refused(withField(end + 16, quint32(good.size() + 100)), "directory past the end", damaged);
    refused(withField(end + 16, quint32(central - 1)), "directory one byte early", damaged);
    refused(withField(end + 12, quint32(0xFFFFFFF0u)), "huge directory", damaged);
    // Entries on this disk and in total, both.
    refused(withField(end + 8, quint32(9 * 0x10001u)), "one entry too many", damaged);
    refused(withField(end + 8, quint32(7 * 0x10001u)), "one entry too few", damaged);
    refused(withField(end + 8, quint32(0xFFFE * 0x10001u)), "entries galore", damaged);
    refused(withField(end + 4, quint16(1)), "a later disk", QStringLiteral("several disks"));
    refused(withField(central + 34, quint16(1)), "an entry on a later disk", QStringLiteral("several disks"));
    refused(withField(central + 42, quint32(central)), "local header in the directory", damaged);
    refused(withField(central + 20, quint32(good.size())), "data past the directory", damaged);
    refused(withField(central + 28, quint16(0xFFFF)), "name past the directory", damaged);
    refused(withField(central, quint32(0)), "no header signature", damaged);

    QByteArray garbage(good.size(), Qt::Uninitialized);
    QRandomGenerator random(1998);
    for (char& c : garbage)
        c = char(random.bounded(256));
    refused(garbage, "garbage", notZip);
    garbage.replace(garbage.size() - 22, 22, good.right(22));
    refused(garbage, "garbage with the end record of an archive", damaged);

    QString error;
    EXPECT_FALSE(readEntries(path(QStringLiteral("missing.zip")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing.zip")));
    EXPECT_FALSE(readEntries(tmp.path(), &error));
    EXPECT_FALSE(setDosAttributes(path(QStringLiteral("missing.zip")), [](const ZipEntry&) { return std::optional<quint8>(); }, &error));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("missing.zip"))));
}

TEST_F(ZipArchiveTest, ReadsAnEmptyArchiveAndRefusesZip64)
{
    const QString empty = path(QStringLiteral("empty.zip"));
    overwrite(empty, QByteArray("PK\5\6").append(18, '\0'));
    const auto none = readEntries(empty);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());

    const QString archive = makeArchive({QStringLiteral("-fz")});
    QString error;
    EXPECT_FALSE(readEntries(archive, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Zip64"))) << qPrintable(error);
    EXPECT_FALSE(appendArchives(empty, {archive}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Zip64"))) << qPrintable(error);
}

} // namespace
