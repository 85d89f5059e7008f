#include "platform/ZipArchive.h"
#include "platform/Volume.h"
#include "platform/Waiting.h"
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <array>
#include <utility>

namespace platform::zip {
namespace {

constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kZip64LocatorSignature = 0x07064b50;
constexpr quint32 kCentralSignature = 0x02014b50;
constexpr qint64 kEndSize = 22;
constexpr qint64 kZip64LocatorSize = 20;
constexpr qint64 kCentralSize = 46;
constexpr qint64 kLocalSize = 30;
constexpr qint64 kMaxComment = 0xFFFF;
constexpr quint16 kMadeByMsDos = HostMsDos << 8 | 20;

// Where unzip (as UnzipAdapter runs it: -UU -V -^) writes an entry: under its stored bytes,
// the UTF-8 flag and any Unicode path field aside, except that those of MS-DOS and OS/2 hosts
// are taken from the OEM code page (850) into Latin-1 by this table of bytes 0x80 to 0xFF.
// The adapter reads a host name that is no UTF-8 as Latin-1, so the entry's name is what it
// lands as on the machine, and the restore judges each entry by where it lands.
constexpr char kOemToLatin1[] = "\xc7\xfc\xe9\xe2\xe4\xe0\xe5\xe7\xea\xeb\xe8\xef\xee\xec\xc4\xc5\xc9\xe6\xc6\xf4\xf6\xf2\xfb\xf9\xff\xd6"
                                "\xdc\xf8\xa3\xd8\xd7\x83\xe1\xed\xf3\xfa\xf1\xd1\xaa\xba\xbf\xae\xac\xbd\xbc\xa1\xab\xbb\xa6\xa6\xa6\xa6"
                                "\xa6\xc1\xc2\xc0\xa9\xa6\xa6++\xa2\xa5++--+-+\xe3\xc3++--\xa6-+\xa4\xf0\xd0\xca\xcb\xc8i\xcd\xce\xcf"
                                "++\xa6_\xa6\xcc\xaf\xd3\xdf\xd4\xd2\xf5\xd5\xb5\xfe\xde\xda\xdb\xd9\xfd\xdd\xaf\xb4\xad\xb1=\xbe\xb6\xa7"
                                "\xf7\xb8\xb0\xa8\xb7\xb9\xb3\xb2\xa6\xa0";
static_assert(sizeof(kOemToLatin1) == 129);

QString landingName(QByteArray name, quint8 host)
{
    // Bytes below 0x80 are the same characters in every reading of them.
    if (std::all_of(name.cbegin(), name.cend(), [](char c) { return quint8(c) < 0x80; }))
        return QString::fromLatin1(name);
    if (host == HostMsDos || host == HostHpfs)
        for (char& c : name)
            if (quint8(c) >= 0x80)
                c = kOemToLatin1[quint8(c) - 0x80];
    const QString utf8 = QString::fromUtf8(name);
    return utf8.toUtf8() == name ? utf8 : QString::fromLatin1(name);
}

quint16 le16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 le32(const char* p) { return qFromLittleEndian<quint32>(p); }

bool failWith(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

std::nullopt_t refuse(QString* error, const QString& why)
{
    failWith(error, why);
    return std::nullopt;
}

QDateTime fromDos(quint16 date, quint16 time)
{
    const QDate day(1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F);
    const QTime clock(time >> 11, (time >> 5) & 0x3F, (time & 0x1F) * 2);
    if (!day.isValid() || !clock.isValid())
        return {};
    return QDateTime(day, clock);
}

// The central directory as it lies in the file, with the position of each entry's header in it.
struct Directory {
    qint64 offset = 0;
    QByteArray bytes;
    QByteArray endRecord;   // the end record and its comment
    QList<ZipEntry> entries;
    QList<qsizetype> headers;
};

// Reads the tail of the file and the central directory, nothing else.
std::optional<Directory> readDirectory(QFile& file, QString* error)
{
    const qint64 fileSize = file.size();
    if (fileSize < kEndSize)
        return refuse(error, QStringLiteral("not a zip archive: %1 bytes long").arg(fileSize));

    // The end record is followed by its comment of up to 64 KB; the Zip64 locator would precede it.
    const qint64 tailSize = qMin(fileSize, kZip64LocatorSize + kEndSize + kMaxComment);
    const qint64 tailStart = fileSize - tailSize;
    QByteArray tail;
    if (file.seek(tailStart))
        tail = file.read(tailSize);
    if (tail.size() != tailSize)
        return refuse(error, QStringLiteral("cannot read the archive: %1").arg(file.errorString()));

    // The last record whose comment reaches exactly to the end of the file.
    qint64 end = tailSize - kEndSize;
    while (end >= 0
           && (le32(tail.constData() + end) != kEndSignature || end + kEndSize + le16(tail.constData() + end + 20) != tailSize))
        --end;
    if (end < 0)
        return refuse(error, QStringLiteral("not a zip archive: no end-of-central-directory record"));
    // unzip reads the last whole end record of the file, whatever length of comment it names:
    // one more in this record's comment would show unzip other entries than those read here.
    const qsizetype later = tail.indexOf(QByteArrayView("PK\x05\x06", 4), end + 1);
    if (later >= 0 && later <= tailSize - kEndSize)
        return refuse(error, QStringLiteral("damaged archive: a second end-of-central-directory record in its comment"));

    const char* e = tail.constData() + end;
    const qint64 endOffset = tailStart + end;
    const quint16 disk = le16(e + 4), directoryDisk = le16(e + 6), entriesOnDisk = le16(e + 8), count = le16(e + 10);
    const quint32 size = le32(e + 12), offset = le32(e + 16);
    if (count == 0xFFFF || size == 0xFFFFFFFF || offset == 0xFFFFFFFF
        || (end >= kZip64LocatorSize && le32(e - kZip64LocatorSize) == kZip64LocatorSignature))
        return refuse(error, QStringLiteral("Zip64 archives are not supported"));
    if (disk != 0 || directoryDisk != 0 || entriesOnDisk != count)
        return refuse(error, QStringLiteral("archives spanning several disks are not supported"));
    if (qint64(offset) + size != endOffset)
        return refuse(error, QStringLiteral("damaged archive: the central directory (%1 bytes at %2) does not end at the end record (at %3)")
                                 .arg(size).arg(offset).arg(endOffset));
    if (count > size / kCentralSize)
        return refuse(error, QStringLiteral("damaged archive: %1 entries cannot fit into a central directory of %2 bytes").arg(count).arg(size));

    Directory dir;
    dir.offset = offset;
    dir.endRecord = tail.mid(end);
    if (file.seek(offset))
        dir.bytes = file.read(size);
    if (dir.bytes.size() != qsizetype(size))
        return refuse(error, QStringLiteral("cannot read the central directory: %1").arg(file.errorString()));

    dir.entries.reserve(count);
    dir.headers.reserve(count);
    qsizetype pos = 0;
    for (int n = 1; n <= count; ++n) {
        const char* h = dir.bytes.constData() + pos;
        const qsizetype left = dir.bytes.size() - pos;
        if (left < kCentralSize || le32(h) != kCentralSignature)
            return refuse(error, QStringLiteral("damaged archive: no header for entry %1 in the central directory").arg(n));
        const qsizetype nameLength = le16(h + 28);
        const qsizetype headerSize = kCentralSize + nameLength + le16(h + 30) + le16(h + 32);
        if (left < headerSize)
            return refuse(error, QStringLiteral("damaged archive: entry %1 runs past the central directory").arg(n));

        ZipEntry entry;
        QByteArray name(h + kCentralSize, nameLength);
        if (const qsizetype nul = name.indexOf('\0'); nul >= 0)
            name.truncate(nul);   // unzip reads the name up to a NUL
        entry.versionMadeBy = le16(h + 4);
        entry.name = landingName(name, entry.host());
        entry.rawName = name;
        entry.method = le16(h + 10);
        entry.dosTime = le16(h + 12);
        entry.dosDate = le16(h + 14);
        entry.crc = le32(h + 16);
        entry.compressedSize = le32(h + 20);
        entry.size = le32(h + 24);
        entry.externalAttrs = le32(h + 38);
        entry.localHeaderOffset = le32(h + 42);
        const quint16 startDisk = le16(h + 34);
        if (entry.compressedSize == 0xFFFFFFFF || entry.size == 0xFFFFFFFF || entry.localHeaderOffset == 0xFFFFFFFF || startDisk == 0xFFFF)
            return refuse(error, QStringLiteral("Zip64 archives are not supported"));
        if (startDisk != 0)
            return refuse(error, QStringLiteral("archives spanning several disks are not supported"));
        if (entry.localHeaderOffset + kLocalSize + entry.compressedSize > quint64(offset))
            return refuse(error, QStringLiteral("damaged archive: the data of entry %1 (%2) runs into the central directory").arg(n).arg(entry.name));

        dir.entries.append(std::move(entry));
        dir.headers.append(pos);
        pos += headerSize;
    }
    if (pos != dir.bytes.size())
        return refuse(error, QStringLiteral("damaged archive: the central directory holds %1 bytes after its %2 entries").arg(dir.bytes.size() - pos).arg(count));
    return dir;
}

QString cannotOpen(const QFile& file)
{
    return QStringLiteral("cannot open %1: %2").arg(file.fileName(), file.errorString());
}

// Copies `length` bytes from the start of `from` to `at` in `to`, in the kernel where it can,
// and gives the copied part of `from` back to the disk as it goes; the windows stay painted.
bool copyInto(QFile& from, qint64 length, QFile& to, qint64 at, QString* error)
{
    constexpr qint64 kChunk = 16 << 20;
    QByteArray buffer;
    for (qint64 done = 0; done < length;) {
        const qint64 n = qMin(kChunk, length - done);
        loff_t in = done, out = at + done;
        qint64 copied = buffer.isEmpty() ? ::copy_file_range(from.handle(), &in, to.handle(), &out, size_t(n), 0) : -1;
        if (copied < 0 && buffer.isEmpty() && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL))
            buffer.resize(n);   // a host file system that cannot: through memory
        if (!buffer.isEmpty()) {
            copied = ::pread(from.handle(), buffer.data(), size_t(n), done);
            if (copied > 0 && ::pwrite(to.handle(), buffer.constData(), size_t(copied), at + done) != copied)
                copied = -1;
        }
        if (copied <= 0)
            return failWith(error, QStringLiteral("cannot copy %1 into %2: %3")
                                       .arg(from.fileName(), to.fileName(), QString::fromLocal8Bit(copied < 0 ? ::strerror(errno) : "it ended early")));
        ::fallocate(from.handle(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, done, copied);
        done += copied;
        whileWaiting();
    }
    return true;
}

} // namespace

QDateTime ZipEntry::modified() const { return fromDos(dosDate, dosTime); }

bool ZipEntry::isDir() const
{
    return name.endsWith(u'/');
}

quint8 ZipEntry::dosAttributes() const
{
    const quint8 attrs = quint8(externalAttrs);
    return isDir() ? attrs | AttrDirectory : attrs & ~AttrDirectory;
}

bool holdsEntry(const QString& hostPath, const ZipEntry& entry)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly) || quint64(file.size()) != entry.size)
        return false;
    quint32 crc = 0xFFFFFFFFu;
    QByteArray chunk;
    while (!(chunk = file.read(1 << 20)).isEmpty())
        for (const char byte : std::as_const(chunk))
            crc = table[(crc ^ quint8(byte)) & 0xFF] ^ (crc >> 8);
    return file.error() == QFileDevice::NoError && (crc ^ 0xFFFFFFFFu) == entry.crc;
}

std::optional<QList<ZipEntry>> readEntries(const QString& hostPath, QString* error)
{
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(error, cannotOpen(file));
    std::optional<Directory> dir = readDirectory(file, error);
    if (!dir)
        return std::nullopt;
    return std::move(dir->entries);
}

std::optional<QStringList> entryNames(const QString& hostPath, QString* error)
{
    const std::optional<QList<ZipEntry>> entries = readEntries(hostPath, error);
    if (!entries)
        return std::nullopt;
    QStringList names;
    names.reserve(entries->size());
    for (const ZipEntry& entry : *entries)
        names.append(entry.name);
    return names;
}

bool setDosAttributes(const QString& hostPath, const std::function<std::optional<quint8>(const ZipEntry&)>& attrsFor, QString* error)
{
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return failWith(error, cannotOpen(file));
    const std::optional<Directory> dir = readDirectory(file, error);
    if (!dir)
        return false;

    QByteArray patched = dir->bytes;
    for (qsizetype i = 0; i < dir->entries.size(); ++i) {
        const ZipEntry& entry = dir->entries[i];
        const std::optional<quint8> attrs = attrsFor(entry);
        if (!attrs || landingName(entry.rawName, HostMsDos) != entry.name)
            continue;
        const quint8 dosAttrs = entry.isDir() ? *attrs | AttrDirectory : *attrs & ~AttrDirectory;
        char* h = patched.data() + dir->headers[i];
        qToLittleEndian<quint16>(kMadeByMsDos, h + 4);
        qToLittleEndian<quint32>(dosAttrs, h + 38);
    }
    if (patched == dir->bytes)
        return true;
    // Fixed-size fields at fixed places: even a write that stops halfway leaves a readable archive.
    if (!file.seek(dir->offset) || file.write(patched) != patched.size() || !file.flush())
        return failWith(error, QStringLiteral("cannot write %1: %2").arg(hostPath, file.errorString()));
    return true;
}

namespace {

// An archive opened for the join, and its central directory.
std::optional<Directory> openForJoin(QFile& file, QString* error)
{
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return refuse(error, cannotOpen(file));
    return readDirectory(file, error);
}

} // namespace

bool appendArchives(const QString& hostPath, const QStringList& others, QString* error)
{
    QFile file(hostPath);
    const std::optional<Directory> first = openForJoin(file, error);
    if (!first)
        return false;
    QByteArray central = first->bytes;
    qint64 count = first->entries.size();
    qint64 end = first->offset;   // where the next archive's entries go
    for (const QString& other : others) {
        QFile part(other);
        const std::optional<Directory> dir = openForJoin(part, error);
        if (!dir)
            return false;
        QByteArray moved = dir->bytes;
        for (qsizetype i = 0; i < dir->entries.size(); ++i) {
            const quint64 offset = dir->entries[i].localHeaderOffset + quint64(end);
            if (offset >= 0xFFFFFFFF)
                return failWith(error, QStringLiteral("the joined archive would need Zip64"));
            qToLittleEndian<quint32>(quint32(offset), moved.data() + dir->headers[i] + 42);
        }
        if (!copyInto(part, dir->offset, file, end, error))
            return false;
        end += dir->offset;
        central += moved;
        count += dir->entries.size();
    }
    if (count >= 0xFFFF || end + central.size() >= 0xFFFFFFFF)
        return failWith(error, QStringLiteral("the joined archive would need Zip64"));
    QByteArray endRecord = first->endRecord;
    qToLittleEndian<quint16>(quint16(count), endRecord.data() + 8);
    qToLittleEndian<quint16>(quint16(count), endRecord.data() + 10);
    qToLittleEndian<quint32>(quint32(central.size()), endRecord.data() + 12);
    qToLittleEndian<quint32>(quint32(end), endRecord.data() + 16);
    central += endRecord;
    if (::pwrite(file.handle(), central.constData(), size_t(central.size()), end) != central.size() || !file.resize(end + central.size()))
        return failWith(error, QStringLiteral("cannot write %1: %2").arg(hostPath, QString::fromLocal8Bit(::strerror(errno))));
    return true;
}

} // namespace platform::zip
