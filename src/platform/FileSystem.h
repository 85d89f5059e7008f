#pragma once
// File operations on the machine's drives, by Windows path. Each checks what the real
// system checks (missing files and folders, read-only files, absent or unformatted or
// write-protected disks, full disks and full root folders) and throws SysError with
// the run-time error number of that failure.
#include "platform/HostStamp.h"
#include "platform/Machine.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <unordered_map>

namespace platform::fs {

struct Entry {
    QString name;
    quint32 attrs = 0;
    qint64 size = 0;
    QDateTime modified;     // local time from stat(); the same instant in UTC from find()
    bool isDir() const { return attrs & AttrDirectory; }
};

Machine& machine();

// Resolves and fails like the statements do: no such drive 68, no disk 71, UNC or a name
// with a character no name may hold 52.
Resolved resolveReady(const QString& winPath);

// A path read from a file (a list of user files, a description, User.ini) taken as a typed
// one is: 52 unless each of its names is one the machine can name (winpath::isNameablePath),
// so it names what it says and nothing above it.
void requireNameable(const QString& winPath);
// `folder` (ending in "\") followed by `rest`, a path that must stay below it: 52 when
// `rest` holds a name that is no name ("..", ".", a bad character), which could lead out.
QString below(const QString& folder, const QString& rest);

std::optional<Entry> tryStat(const QString& winPath);
Entry stat(const QString& winPath);                 // 53 (76 when the folder is missing)
bool exists(const QString& winPath);
bool isDirectory(const QString& winPath);
// What stands at a path that does not open as a file: nothing, a folder, a link to nothing,
// or a file the host does not let be read (also a drive that is not ready).
enum class NotAFile { Missing, Folder, LinkToNothing, NotReadable };
NotAFile whyNotAFile(const QString& winPath);

// A directory search: `spec` is a path whose last part may hold wildcards ("C:\X\*.*",
// "A:", "C:\X\"). Folders other than a drive root report "." and ".." first. `mask`
// takes the hidden (2), system (4) and directory (16) entries in; with the volume bit
// (8) the result is the volume label alone. A drive that is not ready fails with 52.
QList<Entry> find(const QString& spec, quint32 mask);

// The short (8.3) name of an existing item; "" when its name is already one.
QString shortName(const QString& winPath);

void createDirectory(const QString& winPath);
void removeDirectory(const QString& winPath);
void removeFile(const QString& winPath);
// removeFile() of each of `names` (plain names) in the folder `winFolder`, the folder found
// once and the attribute record written once: what removeFile() would refuse (a name that is
// not there, a folder, a read-only file, a drive that is not ready or is write-protected)
// stays, and nothing is reported. The names removed, as they were stored.
QStringList removeFilesIn(const QString& winFolder, const QStringList& names);
// The folder with everything below it, whatever the attributes of its files; what cannot
// be removed stays, and nothing is reported.
void removeTree(const QString& winPath);
void rename(const QString& from, const QString& to);
// A file moved onto another of the same drive in one step: `to`, when it exists, is replaced
// (whatever its attributes, under the name it is stored with), never removed first.
void moveOver(const QString& from, const QString& to);
// The copy gets the source's attributes. It is made beside the target and takes its place
// whole: a copy that fails (61 when the disk is full) leaves the target as it was.
void copyFile(const QString& from, const QString& to);
// What copyFile(from, to) leaves, for a copy that is only read and then removed (a file
// staged to be packed): where `to` is new, neither end is on a floppy, both lie on one host
// file system and `from` has the rights a copy gets, `to` becomes a second name of the
// bytes of `from` (a hard link; true) instead of a copy of them (false). File, opened to
// write in place onto either name, first gives that name bytes of its own, so that a write
// never reaches the other; writers on the host must replace such a file, not write into it.
// Its time is that of `from`.
// The checks and failures are those of copyFile().
bool linkOrCopyFile(const QString& from, const QString& to);
// linkOrCopyFile() for many files in a row (the save's staging of the user files). The run
// finds each folder of its sources and targets once and keeps the folders it used last
// open, so a file costs a look at its name in each folder instead of a walk along both
// paths. A folder found in an earlier reading of the drives (Machine::looks()) is looked at
// again before its next use: where its path was found as written, one look at that path
// (and at its drive) tells that it still leads there; otherwise it is found afresh. The run
// changes folders only by adding files; new folders may come meanwhile. Each file gets the
// checks, failures and outcome of linkOrCopyFile(); what the run does not take so (a name
// that is not there as written, a target that is there in any case, the root, a floppy, a
// file to copy) goes through linkOrCopyFile() itself.
class LinkRun {
public:
    LinkRun() = default;
    LinkRun(const LinkRun&) = delete;
    LinkRun& operator=(const LinkRun&) = delete;
    ~LinkRun();
    bool linkOrCopyFile(const QString& from, const QString& to);

private:
    struct Folder {
        Resolved where;
        QString host;
        QString relBase;        // its path below the drive root, with a closing "/"
        bool asWritten = false; // found by its path as written, without a look at other cases
        quint64 look = 0;       // Machine::looks() when it was last found or looked at
        quint64 device = 0, inode = 0;
        int fd = -1;
        HostStamp linked;         // as this run's last link into it left it,
        quint64 linkedLook = 0;   // within this look at the drives
    };
    Folder* take(const QString& win);
    bool stillThere(Folder& folder) const;
    void close(Folder& folder);
    std::unordered_map<QString, Folder> folders_;   // by the Windows path as written, with its closing "\\"
    QList<QString> open_;                           // those holding a descriptor, the oldest first
};
// What copyFile(from, to) and then the removal of `from` leave, in one step where it can:
// when both lie on one drive and one host file system `from` is renamed onto `to` and true
// comes back; otherwise the file is copied as copyFile() copies it, `from` stays, and the
// answer is false. The checks and failures are those of copyFile(); the file gets the
// rights and the time to the second that a copy gets, and its bytes reach the disk before
// it replaces a file.
bool moveOrCopyFile(const QString& from, const QString& to);
quint32 attributes(const QString& winPath);
void setAttributes(const QString& winPath, quint32 attrs);
void setModified(const QString& winPath, const QDateTime& t);

QByteArray readAll(const QString& winPath);
void writeAll(const QString& winPath, const QByteArray& bytes);   // replaces the file whole, as copyFile

// Volume information of a drive root ("A:\", "A:" or "A").
struct DiskSpace {
    qint64 bytesPerSector = 512;
    qint64 sectorsPerCluster = 0;
    qint64 freeClusters = 0;
    qint64 totalClusters = 0;
};
std::optional<DiskSpace> diskSpace(const QString& root);
std::optional<qint64> clusterBytes(const QString& root);   // diskSpace's cluster, without measuring the free space
std::optional<QString> volumeLabel(const QString& root);   // nullopt when not ready
std::optional<quint32> volumeSerial(const QString& root);
void setVolumeLabel(const QString& root, const QString& label);
DriveKind driveKind(const QString& root);

// An open file. Writes go through the volume, so capacity and write protection hold, and
// every write is checked on the host (61 when its disk is full, 57 otherwise). Write mode
// builds the new content beside the file and puts it in place at close(), which reports
// any failure; until then, and when the file is dropped without close(), the old content
// stays. Append and ReadWrite write in place (into bytes of the file's own, see
// linkOrCopyFile()).
class File {
public:
    enum Mode { Read, Write, Append, ReadWrite };
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    void open(const QString& winPath, Mode mode);
    // The same for a path the caller has just resolved (within its own reading of the drives).
    void open(const Resolved& where, const QString& winPath, Mode mode);
    void close();
    bool isOpen() const;
    qint64 size() const;
    qint64 pos() const;
    void seek(qint64 pos);
    QByteArray read(qint64 n);
    void write(const QByteArray& bytes);
    // Writes the next `count` bytes of `from` (from its position) at this file's position, as
    // one copy within the host. The checks of write() hold for the whole range first, so a
    // SysError from them comes before any byte moved. A host failure part of the way throws
    // too; what moved by then is written and both positions stand after it. Stops early at
    // the end of `from`. The count moved.
    qint64 writeFrom(File& from, qint64 count);
    Mode mode() const { return mode_; }
    const QString& winPath() const { return win_; }

private:
    void requireRoomToWrite(const Volume& v, qint64 cur, qint64 end);   // 61 when it does not fit
    void requireWriteTo(qint64 cur, qint64 end);   // the disk still there, writable, with room
    struct Impl;
    Impl* d_ = nullptr;
    Mode mode_ = Read;
    QString win_;
};

} // namespace platform::fs
