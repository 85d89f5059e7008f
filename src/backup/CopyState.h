#pragma once
// The state of the floppy copy in progress, shared by the split writer and the joining of
// pieces (one copy runs at a time), and the transfer buffer both move the bytes through.
#include <QByteArray>
#include <QString>
#include <functional>

namespace backup {

struct FloppyCopyState {
    int InFileNo = 0;           // the source or piece open for reading
    int OutFileNo = 0;          // the target open for writing
    int CopyStage = 0;          // 1 opening, 2 reading, 3 writing, 4 out of memory
    qint64 BytesLeft = 0;       // bytes of the current source (or piece) still to copy
    qint64 FileBytesLeft = 0;   // bytes of the whole source still to copy while splitting
    qint32 ChunkSize = 0;       // bytes per read and write
    QByteArray CopyBuffer;      // ChunkSize bytes
    quint8 SplitPieceCount = 0; // pieces written for the last archive, 0 for a whole copy
};

FloppyCopyState& copyState();

// Sizes CopyBuffer to ChunkSize bytes. When the memory cannot be had (run-time error 14,
// out of string space) ChunkSize is halved and the buffer taken again while it stays at
// least 4,096 bytes; below that CopyStage becomes 4 and the error reaches the caller.
void DimCopyBuffer();

// Where the buffer's memory comes from: `size` bytes, or run-time error 14. The process's
// own memory unless replaced (a machine short of memory); null puts the default back.
using BufferSource = std::function<QByteArray(qint32 size)>;
void setBufferSource(BufferSource source);

// Moves BytesLeft bytes from InFileNo to OutFileNo in one copy where the target takes them,
// and counts off BytesLeft what moved (the count it returns). What did not move is left to
// the caller's loop of Get and Put, which meets the failure that stopped the copy.
qint64 CopyAtOnce();

// Closes the files of the copy in progress, if any.
void CloseCopyFiles();

// What a copy onto floppies does when one of its steps fails on `file`: true to run the
// step again (the user has put the disk right), false to give the copy up. Given, it
// replaces the copy's own report of the failure.
using CopyFault = std::function<bool(int errorNumber, const QString& file)>;

} // namespace backup
