#include "backup/CopyState.h"
#include "vb/Error.h"
#include "vb/FileIO.h"

#include <new>

namespace backup {

namespace {
constexpr qint32 kSmallestChunk = 4096;

FloppyCopyState g_copy;
BufferSource g_source;

QByteArray takeBuffer(qint32 size)
{
    if (g_source)
        return g_source(size);
    try {
        return QByteArray(size, '\0');
    } catch (const std::bad_alloc&) {
        throw vb::Error(14);
    }
}
} // namespace

FloppyCopyState& copyState() { return g_copy; }

void setBufferSource(BufferSource source) { g_source = std::move(source); }

void DimCopyBuffer()
{
    for (;;) {
        try {
            g_copy.CopyBuffer = takeBuffer(g_copy.ChunkSize);
            return;
        } catch (const vb::Error& e) {
            if (e.Number() != 14)
                throw;
            g_copy.ChunkSize /= 2;
            if (g_copy.ChunkSize < kSmallestChunk) {
                g_copy.CopyStage = 4;
                throw;
            }
        }
    }
}

qint64 CopyAtOnce()
{
    const qint64 moved = vb::CopyBinary(g_copy.InFileNo, g_copy.OutFileNo, g_copy.BytesLeft);
    g_copy.BytesLeft -= moved;
    return moved;
}

void CloseCopyFiles()
{
    vb::ResumeNext([] { vb::Close(g_copy.InFileNo); });
    vb::ResumeNext([] { vb::Close(g_copy.OutFileNo); });
    g_copy.InFileNo = 0;
    g_copy.OutFileNo = 0;
}

} // namespace backup
