#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <memory>
#include <optional>

namespace platform {

// The run-time error of a failed host file operation: 61 (disk full) when the host had no
// room (ENOSPC, EDQUOT), else `otherwise` (57 device I/O, 75 path/file access).
int hostFailureCode(int err, const QFileDevice* device, int otherwise);

// A file that takes its place whole or not at all. It is written under a temporary name in
// the folder of its final one (a nameless file where the host's file system allows it, so
// that a process killed meanwhile leaves nothing behind) and gets its name in commit().
// When it replaces a file the data reaches the disk before the rename (the library's
// QSaveFile), so even a crash of the host leaves the old file or the new one; a new file is
// only linked into place unless `AlwaysFlush` asks for the same. Until commit() the folder
// holds what it held before; a writer dropped without commit() leaves it so.
class WholeFile {
public:
    enum Flush { FlushWhenReplacing, AlwaysFlush };
    explicit WholeFile(QString hostPath, Flush flush = FlushWhenReplacing);
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // SysError: 75 when the folder takes no file, 61 when the disk has no room for one.
    void open();
    // Every byte or a SysError: 61 when the disk is full, 57 for another failure.
    void write(const QByteArray& bytes);
    // Writes the whole of `in` (from where it stands to its size); a source that cannot
    // be read that far fails with 57 naming `source`.
    void copyFrom(QFile& in, const QString& source);
    // Puts the file in place: 61, 57 or 75 (the rename) on failure, the old file staying.
    // After a failure of its own the writer only repeats that failure.
    void commit();

    bool replacing() const { return replacing_; }
    qint64 size() const;
    qint64 pos() const;
    bool seek(qint64 pos);

private:
    [[noreturn]] void failed(int err, int otherwise);

    QString path_;
    Flush flush_;
    bool replacing_ = false;
    int failure_ = 52;   // before open(): bad file name or number
    std::unique_ptr<QFileDevice> device_;
};

// Replaces `hostPath` by `bytes` through a WholeFile that always reaches the disk.
// Throws SysError 61, 57 or 75 as WholeFile does.
void writeFileAtomically(const QString& hostPath, const QByteArray& bytes);

// Replaces `hostPath` by `bytes` written beside it and renamed over it, without waiting for
// the disk: a process killed at any moment leaves the old file or the new one whole (and at
// worst the "NAME.~XXXXXX" it was writing beside it). For a small record rewritten often,
// where a crash of the whole host may cost its last change.
// The rights stay those of the file replaced. Throws SysError 61, 57 or 75 as WholeFile does.
void writeFileUnflushed(const QString& hostPath, const QByteArray& bytes);

// Rewrites a small record (at most one block, before and after) in place with one write of
// the whole: a process killed at any moment leaves the old record or the new one, and no
// new file is made, which on a journalling host costs far more than the write. A record
// that shrinks keeps its size, the rest filled with spaces; returns the bytes the file now
// holds. A larger record, a missing one or one with a second name is replaced as
// writeFileUnflushed() replaces it. Throws SysError 61, 57 or 75 as that does.
QByteArray rewriteRecordInPlace(const QString& hostPath, const QByteArray& bytes);

// The bytes of a host file (a record of the machine, of a disk or a profile), read with an open,
// as many reads as it takes and a close; nullopt when it cannot be opened or read.
std::optional<QByteArray> readHostFile(const QString& hostPath);

// A file time that lies so close to now that a later change within the same tick of
// the host's clock would not move it; caches must not trust such a time.
bool isRacy(const QDateTime& modified);

} // namespace platform
