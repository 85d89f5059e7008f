#include "backup/JoinPieces.h"
#include "backup/CopyState.h"
#include "backup/FolderPaths.h"
#include "core/Animate.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

#include <optional>

namespace backup {

namespace {

constexpr qint32 kChunk = 64512;

// The stage labels of the failure message differ in one word between the two copies.
enum class CopyKind { Whole, Append };

QString stageLabel(CopyKind kind, int stage)
{
    switch (stage) {
    case 1: return QStringLiteral(u"Kann Datei nicht öffnen");
    case 2: return kind == CopyKind::Append ? QStringLiteral(u"Kan nich von Datei Lesen") : QStringLiteral(u"Kann nicht von Datei Lesen");
    case 3: return QStringLiteral(u"Kann nicht in Datei schreiben");
    case 4: return QStringLiteral(u"Memory überlauf");
    default: return {};
    }
}

// The file being joined onto, open under OutFileNo (OpenConcatTarget).
QString g_joinTarget;

// `path` is the file the failing stage worked on: the one read, or the one written to. A
// write that found its disk full says which drive is full: the target's, not the floppy's.
void reportCopyFailure(CopyKind kind, const QString& path, const vb::Error& e)
{
    const int stage = copyState().CopyStage;
    QString text = stageLabel(kind, stage) + u'\r' + path;
    if (stage == 3)
        text += QStringLiteral("\rZu wenig Speicher frei");
    if (stage == 3 && e.Number() == 61)
        text += u'\r' + core::LoadResString(2296) + u' ' + vb::UCase(path.left(2));
    text += u' ' + vb::Str(e.Number()) + QStringLiteral(" ConcatSplitFile");
    vb::MsgBox(text, vb::vbCritical | vb::vbOKOnly, core::LoadResString(1005));
}

void openSource(const QString& path)
{
    FloppyCopyState& c = copyState();
    c.InFileNo = vb::FreeFile();
    vb::Open(path, vb::OpenMode::Binary, c.InFileNo, vb::OpenAccess::Read);
}

// The target always starts empty: an older, longer file of the name keeps no tail.
void openTarget(const QString& path)
{
    FloppyCopyState& c = copyState();
    const int number = vb::FreeFile();
    vb::Open(path, vb::OpenMode::Output, number);
    vb::Close(number);
    c.OutFileNo = vb::FreeFile();
    vb::Open(path, vb::OpenMode::Binary, c.OutFileNo);
}

// Moves BytesLeft bytes from InFileNo to OutFileNo at their current positions.
void copyChunks(bool eventsPerChunk)
{
    FloppyCopyState& c = copyState();
    c.ChunkSize = kChunk;
    DimCopyBuffer();
    if (CopyAtOnce() > 0 && eventsPerChunk)
        vb::DoEvents();
    while (c.BytesLeft != 0) {
        if (c.ChunkSize > c.BytesLeft) {
            c.ChunkSize = qint32(c.BytesLeft);
            DimCopyBuffer();
        }
        c.CopyStage = 2;
        c.CopyBuffer = vb::Get(c.InFileNo, c.ChunkSize);
        c.CopyStage = 3;
        vb::Put(c.OutFileNo, c.CopyBuffer);
        c.BytesLeft -= c.ChunkSize;
        if (eventsPerChunk)
            vb::DoEvents();
    }
}

// The whole-file copy once the source's length is known: false after a reported failure,
// with both files closed and the partial target gone. With `onFault` a failure is its to
// answer: Retry copies the file again from its start.
bool copyWhole(const QString& source, const QString& target, qint64 length, const CopyFault& onFault = {})
{
    FloppyCopyState& c = copyState();
    for (;;) {
        c.BytesLeft = length;
        bool targetMade = false;
        QString failing = source;
        try {
            c.CopyStage = 1;
            openSource(source);
            failing = target;
            openTarget(target);
            targetMade = true;
            copyChunks(true);
            CloseCopyFiles();
            return true;
        } catch (const vb::Error& e) {
            if (!onFault)
                reportCopyFailure(CopyKind::Whole, c.CopyStage == 1 || c.CopyStage == 3 ? failing : source, e);
            CloseCopyFiles();
            if (targetMade)
                vb::ResumeNext([&] { vb::Kill(target); });
            if (onFault && onFault(e.Number(), c.CopyStage == 2 ? source : failing))
                continue;
            return false;
        }
    }
}

// "Please insert the first disk." until the drive of `archive` can be read; false on Cancel.
bool askFirstDisk(const QString& archive)
{
    core::HideAnimateWhileAsking();
    do {
        if (vb::MsgBox(core::LoadResString(1242), vb::vbOKCancel | vb::vbInformation, core::LoadResString(1011)) == vb::vbCancel)
            return false;
    } while (!CheckDiskInserted(archive.left(3)));
    vb::DoEvents();
    core::ShowAnimateAgain();
    return true;
}

// Runs a step that reads the floppy; while the drive cannot be read the first disk is
// asked for and the step runs again. nullopt: the user cancelled.
template <class F>
auto onFloppy(const QString& archive, F step) -> std::optional<decltype(step())>
{
    for (;;) {
        try {
            return step();
        } catch (const vb::Error&) {
            if (!askFirstDisk(archive))
                return std::nullopt;
        }
    }
}

// Brings `file` into the drive: DiskNo becomes the number of the disk that holds it.
// A file on the disk in the drive needs no prompt; otherwise the next disk is asked for
// (the progress window hidden meanwhile) until the file is found. False on Cancel.
bool bringIntoDrive(const QString& archive, const QString& file)
{
    core::ProgramState& s = core::state();
    const auto present = onFloppy(archive, [&] { return !vb::Dir(file).isEmpty(); });
    if (!present)
        return false;
    if (*present) {
        s.DiskNo = qMax(s.DiskNo, 1);
        return true;
    }
    core::HideAnimateWhileAsking();
    const QString prompt = core::LoadResString(1195) + vb::Str(s.DiskNo + 1) + core::LoadResString(1196);
    do {
        if (vb::MsgBox(prompt, vb::vbOKCancel | vb::vbInformation, core::LoadResString(1011)) == vb::vbCancel)
            return false;
    } while (!CheckDiskInserted(file));
    vb::DoEvents();
    core::ShowAnimateAgain();
    s.DiskNo += 1;
    return true;
}

// Ends a join that did not finish: no target (unless it could not even be opened, and so
// is not ours), nor anything else in the rejoin folder.
void abandonJoin(const QString& target, bool targetIsOurs = true)
{
    CloseCopyFiles();
    if (targetIsOurs)
        vb::ResumeNext([&] { vb::Kill(target); });
    const QString folder = core::state().DiskRestoreFolder;
    if (!folder.isEmpty())
        vb::ResumeNext([&] { vb::Kill(folder + QStringLiteral("*.*")); });
}

// Piece n of the archive: its name with the last character replaced by n.
QString pieceName(const QString& archive, int n) { return archive.left(archive.size() - 1) + QString::number(n); }

} // namespace

void OpenConcatTarget(const QString& target)
{
    Makepath(target);
    g_joinTarget = target;
    openTarget(target);
}

bool AppendFileToTarget(const QString& piece)
{
    FloppyCopyState& c = copyState();
    c.BytesLeft = vb::FileLen(piece);
    try {
        c.CopyStage = 1;
        openSource(piece);
        copyChunks(false);
        vb::Close(c.InFileNo);
        c.InFileNo = 0;
        return true;
    } catch (const vb::Error& e) {
        reportCopyFailure(CopyKind::Append, c.CopyStage == 3 ? g_joinTarget : piece, e);
        return false;
    }
}

bool CopyWholeFile(const QString& source, const QString& target, const CopyFault& onFault)
{
    vb::DoEvents();
    const bool copied = copyWhole(source, target, vb::FileLen(source), onFault);
    vb::DoEvents();
    return copied;
}

bool CheckDiskInserted(const QString& path)
{
    const auto noDisk = [] {
        return vb::MsgBox(core::LoadResString(1070), vb::vbOKCancel | vb::vbCritical, core::LoadResString(1011)) == vb::vbOK;
    };
    if (path.size() > 3) {
        bool present = false;
        try {
            present = !vb::Dir(path).isEmpty();
        } catch (const vb::Error&) {
            if (!noDisk())
                return false;
        }
        if (!present) {
            vb::MsgBox(core::LoadResString(1246) + path + core::LoadResString(1247), vb::vbCritical | vb::vbOKOnly);
            return false;
        }
    }
    for (;;) {
        try {
            vb::Dir(path.left(2), vb::vbDirectory | vb::vbSystem | vb::vbHidden);
            return true;
        } catch (const vb::Error&) {
            if (!noDisk())
                return false;
        }
    }
}

void ConcatSplitFile(const QString& archive, const QString& target, int pieces)
{
    if (vb::Dir(target, vb::vbDirectory).isEmpty())
        Makepath(target);

    if (pieces == 0) {
        if (!bringIntoDrive(archive, archive))
            return abandonJoin(target);
        vb::DoEvents();
        const auto length = onFloppy(archive, [&] { return vb::FileLen(archive); });
        if (!length || !copyWhole(archive, target, *length))
            abandonJoin(target);
        return;
    }

    try {
        OpenConcatTarget(target);
    } catch (const vb::Error& e) {
        copyState().CopyStage = 1;
        reportCopyFailure(CopyKind::Whole, target, e);
        return abandonJoin(target, false);
    }
    vb::DoEvents();
    for (int k = 1; k <= pieces; ++k) {
        const QString piece = pieceName(archive, k);
        if (!bringIntoDrive(archive, piece))
            return abandonJoin(target);
        core::ShowAnimateAgain();
        const auto appended = onFloppy(archive, [&] { return AppendFileToTarget(piece); });
        if (!appended || !*appended)
            return abandonJoin(target);
        vb::DoEvents();
    }
    CloseCopyFiles();
}

} // namespace backup
