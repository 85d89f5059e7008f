// The zip archive reader (ZipArchive). The input is an archive file. An archive it does not
// read is refused with a reason. One it reads has no entry it cannot account for: the host's
// unzip lists the same names in the same order. Patching the entries' DOS attributes changes
// only those two fields of the patched entries, and leaves an entry that would land elsewhere
// as MS-DOS's: the file keeps its size, at most six bytes per patched entry differ, and it
// reads back with the same entries, carrying the attributes given.
#include "FuzzTarget.h"
#include "platform/ZipArchive.h"

#include <QFile>
#include <QProcess>

namespace zip = platform::zip;

namespace {

QString writeScratch(const QString& name, const QByteArray& bytes)
{
    const QString path = fuzz::scratchFolder() + u'/' + name;
    QFile f(path);
    fuzz::require(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(), QStringLiteral("cannot write %1").arg(path));
    return path;
}

// Names unzip prints as they are stored.
bool plainName(const QString& name)
{
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e || c == u'\\')
            return false;
    return !name.isEmpty();
}

// The names the host's unzip lists (those it extracts to), or nullopt when it cannot read the archive.
std::optional<QStringList> unzipNames(const QString& path)
{
    QProcess unzip;
    unzip.start(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-Z1"), QStringLiteral("-UU"), path});   // no Unicode path fields, as extracted
    fuzz::require(unzip.waitForFinished(20000), QStringLiteral("unzip -Z1 did not end"));
    if (unzip.exitStatus() != QProcess::NormalExit || unzip.exitCode() > 1)
        return std::nullopt;
    QStringList names = QString::fromLatin1(unzip.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    names.removeAll(QStringLiteral("Empty zipfile."));
    return names;
}

// The attributes given to entry `i` by the patch; none for every third entry.
std::optional<quint8> patchFor(int i)
{
    if (i % 3 == 2)
        return std::nullopt;
    return quint8(0x27 ^ (i * 0x35));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzz::bytesOf(data, size);
    const QString path = writeScratch(QStringLiteral("archive.tva"), input);
    QString error;
    const std::optional<QList<zip::ZipEntry>> entries = zip::readEntries(path, &error);
    if (!entries) {
        fuzz::require(!error.isEmpty(), QStringLiteral("an archive was refused without a reason"));
        return 0;
    }

    QStringList names;
    bool plain = true;
    for (const zip::ZipEntry& e : *entries) {
        names << e.name;
        plain = plain && plainName(e.name);
    }
    if (plain) {
        const std::optional<QStringList> listed = unzipNames(path);
        fuzz::require(!listed || *listed == names, QStringLiteral("the reader finds %1, unzip lists %2")
                                                       .arg(names.join(u'|'), listed.value_or(QStringList()).join(u'|')));
    }

    int index = 0;
    const bool patched = zip::setDosAttributes(
        path, [&](const zip::ZipEntry&) { return patchFor(index++); }, &error);
    fuzz::require(patched, QStringLiteral("an archive that reads cannot be patched: %1").arg(error));
    QFile f(path);
    fuzz::require(f.open(QIODevice::ReadOnly), QStringLiteral("the patched archive cannot be read"));
    const QByteArray after = f.readAll();
    fuzz::require(after.size() == input.size(), QStringLiteral("the patch changed the archive's size"));
    qsizetype changed = 0;
    for (qsizetype i = 0; i < after.size(); ++i)
        changed += after[i] != input[i];
    const std::optional<QList<zip::ZipEntry>> again = zip::readEntries(path, &error);
    fuzz::require(again && again->size() == entries->size(), QStringLiteral("the patched archive does not read back: %1").arg(error));
    int patchedEntries = 0;
    for (int i = 0; i < int(entries->size()); ++i) {
        const zip::ZipEntry& was = entries->at(i);
        const zip::ZipEntry& now = again->at(i);
        fuzz::require(now.name == was.name && now.crc == was.crc && now.size == was.size && now.compressedSize == was.compressedSize &&
                          now.method == was.method && now.localHeaderOffset == was.localHeaderOffset,
                      QStringLiteral("the patch changed entry %1 beyond its attributes").arg(i));
        const std::optional<quint8> given = patchFor(i);
        // A name beyond ASCII of another host would be read in the OEM code page as MS-DOS's.
        const bool staysItsHost = was.host() != zip::HostMsDos && was.host() != zip::HostHpfs &&
                                  std::any_of(was.rawName.begin(), was.rawName.end(), [](char c) { return quint8(c) >= 0x80; });
        if (!given || staysItsHost) {
            fuzz::require(now.versionMadeBy == was.versionMadeBy && now.externalAttrs == was.externalAttrs,
                          QStringLiteral("the patch changed entry %1, which it was to leave").arg(i));
            continue;
        }
        ++patchedEntries;
        const quint8 attrs = was.isDir() ? *given | 0x10 : *given & ~0x10;
        fuzz::require(now.host() == zip::HostMsDos && now.externalAttrs == attrs && now.dosAttributes() == attrs,
                      QStringLiteral("entry %1 does not carry the attributes given").arg(i));
    }
    fuzz::require(changed <= 6 * patchedEntries, QStringLiteral("the patch changed %1 bytes for %2 entries").arg(changed).arg(patchedEntries));
    return 0;
}
