#pragma once
// The file statements of the runtime, on the machine's drives. Every path is a Windows
// path; relative paths and bare names are taken against the current folder of the
// current drive (ChDir/ChDrive), never against the host process's working folder.
// Failures throw vb::Error with the number the statement gives on the real system.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include "vb/Constants.h"

namespace vb {

enum FileAttribute : int {
    vbReadOnly = 1,
    vbHidden = 2,
    vbSystem = 4,
    vbVolume = 8,
    vbDirectory = 16,
    vbArchive = 32,
};

// Dir: the first name matching `pathname` (wildcards in its last part; a path ending in
// "\" or a bare drive lists everything), "" when none. Dir() gives the next one.
QString Dir(const QString& pathname, int attributes = vbNormal);
QString Dir();

void FileCopy(const QString& source, const QString& destination);
void Kill(const QString& pathname);                 // wildcards; hidden and system files are passed over
void MkDir(const QString& path);
void RmDir(const QString& path);
void Name(const QString& oldPath, const QString& newPath);
qint64 FileLen(const QString& pathname);
QDateTime FileDateTime(const QString& pathname);
int GetAttr(const QString& pathname);
void SetAttr(const QString& pathname, int attributes);

void ChDir(const QString& path);
void ChDrive(const QString& drive);
QString CurDir(const QString& drive = {});

// Open/Close and the statements on open files. File numbers are 1..255.
enum class OpenMode { Input, Output, Append, Binary };
// Access Read opens a binary file for reading only (so that a file on a write-protected
// disk can be read) and shares it with other readers.
enum class OpenAccess { Default, Read };
int FreeFile();
void Open(const QString& pathname, OpenMode mode, int fileNumber, OpenAccess access = OpenAccess::Default);
// A file opened for Output gets its new content at Close, which raises the error of a
// write that did not reach the disk (61 when it is full); the old content stays then. The
// number is free after Close either way; CloseAll closes every file, then raises the first error.
void Close(int fileNumber);
void CloseAll();
bool IsOpen(int fileNumber);

QString LineInput(int fileNumber);                  // one line; CR, CR LF or LF end it
QString InputItem(int fileNumber);                  // one item as Input # reads it
void Print(int fileNumber, const QString& text);    // the text and CR LF
void PrintPart(int fileNumber, const QString& text); // the text alone (Print #n, x;)
bool Eof(int fileNumber);
qint64 Lof(int fileNumber);
qint64 Seek(int fileNumber);                        // 1-based position of the next byte
void SeekTo(int fileNumber, qint64 position);       // 1-based
QByteArray Get(int fileNumber, qint64 length, qint64 position = -1);   // position 1-based, -1 = current
void Put(int fileNumber, const QByteArray& bytes, qint64 position = -1);
// Up to `length` bytes from Binary file `from` to Binary file `to`, each at its position, as
// one copy within the host: what a loop of Get and Put would write. Moves nothing where a
// Put of them all would fail (disk changed, protected or full) and stops early at a failure
// of the host or the end of `from`; the caller goes on with Get and Put from the positions
// reached, which meet such a failure again and raise it. The count moved.
qint64 CopyBinary(int from, int to, qint64 length);

} // namespace vb
