#pragma once
// The central directory of zip archives: read it, and patch the host system and the
// file attributes of its entries in place. The machine runs the host's Info-ZIP zip and
// unzip, which record Unix modes; archives of the machine carry DOS attributes instead,
// as a zip program on the machine's own system would write them. Only the central
// directory is read (the file is never read whole), and every offset and length is
// checked against the file before it is used.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace platform::zip {

// Host systems named in the upper byte of "version made by".
enum Host : quint8 { HostMsDos = 0, HostUnix = 3, HostHpfs = 6 };

struct ZipEntry {
    QString name;                   // where unzip writes it, "/"-separated; folders end in "/"
    QByteArray rawName;             // the stored bytes of the name up to a NUL, as unzip sees them
    quint16 versionMadeBy = 0;      // upper byte: Host; lower byte: format version * 10
    quint16 method = 0;             // 0 stored, 8 deflated
    quint32 crc = 0;
    quint64 compressedSize = 0;
    quint64 size = 0;
    quint32 externalAttrs = 0;
    quint16 dosDate = 0;            // as stored; modified() reads them
    quint16 dosTime = 0;
    quint64 localHeaderOffset = 0;

    quint8 host() const { return quint8(versionMadeBy >> 8); }
    // The DOS date and time, local; invalid when they name no date. Made when asked for, as
    // a local time costs a look at the host's time zone.
    QDateTime modified() const;
    bool isDir() const;
    // The DOS attribute byte (read-only 1, hidden 2, system 4, directory 0x10, archive 0x20).
    // Info-ZIP keeps it in the low byte of the external attributes on every host.
    quint8 dosAttributes() const;
};

// The entries in central-directory order, or nullopt with the reason in `error` when the
// file is missing, not a zip archive, damaged, spanned over several disks, or Zip64.
std::optional<QList<ZipEntry>> readEntries(const QString& hostPath, QString* error = nullptr);

// The entry names in central-directory order (nullopt as for readEntries).
std::optional<QStringList> entryNames(const QString& hostPath, QString* error = nullptr);

// Whether the host file holds exactly what `entry` stores: its size and its CRC-32. False
// also when the file cannot be read.
bool holdsEntry(const QString& hostPath, const ZipEntry& entry);

// For every entry that `attrsFor` answers, records the MS-DOS host (format version 2.0)
// and the answered attribute byte as the entry's external attributes; folders always keep
// the directory bit, files never get it. An entry that would land elsewhere as an MS-DOS
// entry (a name beyond ASCII of another host, which unzip would read in the OEM code page)
// stays as it is. Only those two fields of the central directory
// are written, in place, so the archive keeps its size and layout. Returns false with the
// reason in `error` when the archive cannot be read or written.
bool setDosAttributes(const QString& hostPath,
                      const std::function<std::optional<quint8>(const ZipEntry&)>& attrsFor,
                      QString* error = nullptr);

// Appends the entries of the archives `others` to the archive `hostPath`, in their order, as
// one zip run over all their names would have packed them: their bytes follow those of
// `hostPath`'s entries, and one central directory names them all. The archives are written
// by the host's zip (no Zip64, no comment but `hostPath`'s own). Each of `others` gives up
// its room on the disk as it is copied, so the join needs little more room than the
// archives it joins; they are left emptied. False, with the reason in `error`, when an
// archive cannot be read or written, or the joined one would need Zip64; `hostPath` is then
// no archive any more.
bool appendArchives(const QString& hostPath, const QStringList& others, QString* error = nullptr);

} // namespace platform::zip
