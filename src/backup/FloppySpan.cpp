#include "backup/FloppySpan.h"
#include "backup/CopyState.h"
#include "backup/FloppyPrep.h"
#include "backup/FolderPaths.h"
#include "backup/JoinPieces.h"
#include "core/Animate.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/System.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/SystemInfo.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QRegularExpression>
#include <optional>

namespace backup {

namespace {

constexpr qint32 kChunk = 64512;

// The user gave the split up after a failure (Abort or Ignore).
struct SplitAbandoned {};

// The label the disk now in the drive should carry but could not take when it came in (a
// write-protected disk): it is written once a file of the archive could be written there.
QString g_labelOwed;

void labelIfOwed(const QString& root)
{
    if (!g_labelOwed.isEmpty() && LabelDisk(root, g_labelOwed))
        g_labelOwed.clear();
}

QString stageLabel(int stage)
{
    switch (stage) {
    case 1: return QStringLiteral("resCANTOPEN ");
    case 2: return QStringLiteral("resCANTREAD ");
    case 3: return QStringLiteral("resCANTWRITE ");
    case 4: return QStringLiteral("resOUTOFMEMORY ");
    default: return {};
    }
}

// Abort, Retry or Ignore after a failed statement of the split.
int reportSplitFailure(const vb::Error& e, const QString& source)
{
    const int stage = copyState().CopyStage;
    QString text = vb::ErrorText(e.Number()) + stageLabel(stage) + u'\r' + source;
    if (stage == 3)
        text += QStringLiteral("resCHKSPACE");
    return vb::MsgBox(text, vb::vbAbortRetryIgnore | vb::vbExclamation | vb::vbDefaultButton2);
}

// Runs one statement of the split, which works on `file`; after a failure Retry runs it
// again. The caller's `onFault`, when given, answers instead of the split's own report.
template <class F>
auto splitStep(const QString& source, const QString& file, const CopyFault& onFault, F statement) -> decltype(statement())
{
    for (;;) {
        try {
            return statement();
        } catch (const vb::Error& e) {
            const bool retry = onFault ? onFault(e.Number(), file) : reportSplitFailure(e, source) == vb::vbRetry;
            if (!retry)
                throw SplitAbandoned{};
        }
    }
}

// Piece n of the archive: its name with the last character replaced by n.
QString pieceName(const QString& target, int n) { return target.left(target.size() - 1) + QString::number(n); }

bool folderMissing(const QString& folder)
{
    if (folder.size() <= 3)
        return false;
    bool missing = true;
    vb::ResumeNext([&] { missing = vb::Dir(folder + QStringLiteral("*.*"), vb::vbDirectory).isEmpty(); });
    return missing;
}

// Asks for the next disk until one with room is in the drive, then labels it and counts it.
// False when the user cancels.
bool changeDisk(QString& prompt)
{
    core::ProgramState& s = core::state();
    const QString root = s.SplitTargetPath.left(3);
    const QString label = NextDiskLabel(core::SysInfo().VolumeLabel(root), s.DiskNo);
    core::HideAnimateWhileAsking();
    std::optional<platform::Machine::OneReading> reading;
    for (;;) {
        reading.reset();
        if (prompt.isEmpty())
            prompt = core::LoadResString(1195) + vb::Str(s.DiskNo + 1) + core::LoadResString(1196);
        const int answer = vb::MsgBox(prompt, vb::vbOKCancel | vb::vbInformation);
        prompt.clear();
        if (answer == vb::vbCancel) {
            core::ShowAnimateAgain();
            return false;
        }
        // The disk that came in is looked at once for its checks, its label and its count;
        // a question on the way makes the next step look again.
        reading.emplace(platform::fs::machine());
        if (!PrepareFloppy(root))
            continue;
        // The disk just filled, or any other without a free cluster, takes no piece.
        if (core::SysInfo().FastDiskSpace(root) > 0)
            break;
        vb::MsgBox(core::LoadResString(1067), vb::vbExclamation | vb::vbOKOnly);
    }
    g_labelOwed = LabelDisk(root, label) ? QString() : label;
    NoteDiskInUse(root);
    reading.reset();
    s.DiskNo += 1;
    vb::DoEvents();
    core::ShowAnimateAgain();
    return true;
}

void openPiece(const QString& piece)
{
    // A piece holds exactly its own bytes, whatever an older file of the name held: one
    // that holds any is emptied first. A new piece comes into being with the first open.
    FloppyCopyState& c = copyState();
    c.OutFileNo = vb::FreeFile();
    vb::Open(piece, vb::OpenMode::Binary, c.OutFileNo);
    if (vb::Lof(c.OutFileNo) == 0)
        return;
    vb::Close(c.OutFileNo);
    c.OutFileNo = 0;
    const int number = vb::FreeFile();
    vb::Open(piece, vb::OpenMode::Output, number);
    vb::Close(number);
    c.OutFileNo = vb::FreeFile();
    vb::Open(piece, vb::OpenMode::Binary, c.OutFileNo);
}

void reportCopyError(const vb::Error& e)
{
    vb::MsgBox(FileErrorText(e.Number()) + u' ' + vb::Str(e.Number()) + QStringLiteral(" Kopiere Datei"),
               vb::vbCritical | vb::vbOKOnly | vb::vbDefaultButton2, core::LoadResString(1005));
}

} // namespace

bool LabelDisk(const QString& root, const QString& label)
{
    try {
        platform::fs::setVolumeLabel(root.left(3), label);
        return true;
    } catch (const platform::SysError&) {
        return false;
    }
}

QStringList ArchiveParts(const QString& target)
{
    const qsizetype sep = qMax(target.lastIndexOf(u'\\'), target.lastIndexOf(u':'));
    const QString folder = target.left(sep + 1);
    const QString name = target.mid(sep + 1);
    // A split asks for the parts of one name on every disk: its pattern is compiled once.
    static QRegularExpression part;
    const QString pattern = u'^' + QRegularExpression::escape(name.chopped(1)) + u'(' +
                            QRegularExpression::escape(name.right(1)) + QStringLiteral("|[0-9]+)$");
    if (part.pattern() != pattern)
        part = QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    const platform::Machine::OneReading reading(platform::fs::machine());   // one look at the drives for the listing
    vb::ResumeNext([&] {
        for (QString found = vb::Dir(folder + name.chopped(1) + u'*'); !found.isEmpty(); found = vb::Dir())
            if (part.match(found).hasMatch())
                names << found;
    });
    return names;
}

void RemoveArchiveParts(const QString& target, const QString& keep)
{
    const QString folder = target.left(qMax(target.lastIndexOf(u'\\'), target.lastIndexOf(u':')) + 1);
    const QString kept = keep.mid(qMax(keep.lastIndexOf(u'\\'), keep.lastIndexOf(u':')) + 1);
    const platform::Machine::OneReading reading(platform::fs::machine());   // one look at the drives for the step
    for (const QString& found : ArchiveParts(target))
        if (found.compare(kept, Qt::CaseInsensitive) != 0)
            vb::ResumeNext([&] { vb::Kill(folder + found); });
}

QString NextDiskLabel(const QString& lastLabel, int diskNo)
{
    int digits = 0;
    while (digits < lastLabel.size() && digits < 9 && lastLabel[lastLabel.size() - 1 - digits].isDigit())
        ++digits;
    if (digits == 0)
        return QStringLiteral("Save#") + QString::number(diskNo + 1);
    return lastLabel.left(lastLabel.size() - digits) + QString::number(lastLabel.right(digits).toLongLong() + 1);
}

qint64 GetAllocUnit(const QString& root)
{
    QString drive = root;
    if (!drive.contains(u':') || drive.size() > 2)
        drive = drive.left(1) + u':';
    QString remembered;
    vb::ResumeNext([&] { remembered = vb::CurDir().left(2); });

    qint64 unit = -1;
    QString reason;
    try {
        const platform::Machine::OneReading reading(platform::fs::machine());   // one look at the drives for the step
        vb::ChDrive(drive);
        if (vb::CurDir().left(2).compare(drive, Qt::CaseInsensitive) == 0)
            unit = platform::sys::AllocUnit().value_or(-1);
    } catch (const vb::Error& e) {
        reason = vb::ErrorText(e.Number());
    }
    if (unit <= 0) {
        unit = -1;
        vb::MsgBox(reason + QStringLiteral("resALLOCUNIT") + drive, vb::vbExclamation | vb::vbOKOnly);
    }
    vb::ResumeNext([&] { vb::ChDrive(remembered); });
    return unit;
}

qint64 RoundToAllocUnit(qint64 count, const QString& path)
{
    const qint64 unit = GetAllocUnit(path.left(3));
    if (unit <= 0)
        return count;
    const qint64 remainder = count % unit;
    return remainder == 0 ? count : count + unit - remainder;
}

bool SplitFileToDisks(const QString& source, const QString& target, qint64& freeSpace, QString& prompt, const CopyFault& onFault,
                      const std::function<void()>& furtherDisk)
{
    FloppyCopyState& c = copyState();
    const QString folder = core::state().SplitTargetPath;
    const auto step = [&](const QString& file, auto statement) { return splitStep(source, file, onFault, statement); };
    try {
        c.FileBytesLeft = step(source, [&] { return vb::FileLen(source); });
        c.BytesLeft = freeSpace;
        c.CopyStage = 1;
        step(source, [&] {
            c.InFileNo = vb::FreeFile();
            vb::Open(source, vb::OpenMode::Binary, c.InFileNo, vb::OpenAccess::Read);
        });
        while (c.FileBytesLeft != 0) {
            // Every piece but the first goes onto a new disk; so does the first when the
            // disk in the drive has no room left.
            if (c.SplitPieceCount > 0 || c.BytesLeft <= 0) {
                if (!changeDisk(prompt)) {
                    CloseCopyFiles();
                    return false;
                }
                if (furtherDisk)
                    furtherDisk();
            }
            // The piece's steps against one look at the drives; a question on a fault, and
            // the painting after the copy, make the next step look again.
            const platform::Machine::OneReading pieceReading(platform::fs::machine());
            if (folderMissing(folder)) {
                if (onFault)
                    step(folder, [&] { MakeFolders(folder); });
                else
                    Makepath(folder);
            }
            c.CopyStage = 1;
            const QString piece = pieceName(target, c.SplitPieceCount + 1);
            step(piece, [&] { openPiece(piece); });
            c.SplitPieceCount += 1;
            labelIfOwed(folder);
            RemoveArchiveParts(target, piece);

            // Free space comes in whole allocation units, so a piece fills its disk.
            const qint64 room = RoundToAllocUnit(core::SysInfo().FastDiskSpace(folder), folder);
            if (room <= 0) {
                // Making the folder took the last cluster: this disk takes no piece.
                vb::Close(c.OutFileNo);
                c.OutFileNo = 0;
                vb::ResumeNext([&] { vb::Kill(piece); });
                c.SplitPieceCount -= 1;
                c.BytesLeft = 0;
                continue;
            }
            c.BytesLeft = qMin(room, c.FileBytesLeft);

            c.ChunkSize = kChunk;
            step(source, DimCopyBuffer);
            // The piece in one copy where the disk takes it whole; the chunks below carry
            // what did not move and meet the fault that stopped it.
            if (const qint64 moved = CopyAtOnce(); moved > 0) {
                c.FileBytesLeft -= moved;
                vb::DoEvents();
            }
            while (c.BytesLeft != 0) {
                if (c.ChunkSize > c.BytesLeft) {
                    c.ChunkSize = qint32(c.BytesLeft);
                    step(source, DimCopyBuffer);
                }
                c.CopyStage = 2;
                step(source, [&] { c.CopyBuffer = vb::Get(c.InFileNo, c.ChunkSize); });
                c.CopyStage = 3;
                step(piece, [&] { vb::Put(c.OutFileNo, c.CopyBuffer); });
                c.BytesLeft -= c.ChunkSize;
                c.FileBytesLeft -= c.ChunkSize;
                vb::DoEvents();
            }
            c.BytesLeft = c.FileBytesLeft;
            vb::Close(c.OutFileNo);
            c.OutFileNo = 0;
        }
        CloseCopyFiles();
        freeSpace = core::SysInfo().FastDiskSpace(folder);
        return true;
    } catch (const SplitAbandoned&) {
        CloseCopyFiles();
        return false;
    }
}

bool CopyArchiveToDisk(const QString& source, const QString& targetFolder, QString& prompt, const CopyFault& onFault,
                       const std::function<void()>& furtherDisk)
{
    copyState().SplitPieceCount = 0;
    g_labelOwed.clear();
    const QString target = targetFolder + GetFileName(source);
    bool copied = false;
    try {
        CheckDiskInserted(target.left(3));
        const qint64 need = RoundToAllocUnit(vb::FileLen(source), targetFolder);
        qint64 free = core::SysInfo().FastDiskSpace(targetFolder);
        // A disk filled by the archive before takes nothing of this one: the next disk
        // comes first, and the archive may fit on it whole.
        if (free <= 0) {
            if (!changeDisk(prompt))
                return false;
            if (furtherDisk)
                furtherDisk();
            free = core::SysInfo().FastDiskSpace(targetFolder);
        }
        if (free >= need) {
            copied = CopyWholeFile(source, target, onFault);
            if (copied) {
                labelIfOwed(targetFolder);
                RemoveArchiveParts(target, target);
            }
        } else {
            copied = SplitFileToDisks(source, target, free, prompt, onFault, furtherDisk);
        }
    } catch (const vb::Error& e) {
        reportCopyError(e);
        return false;
    }
    if (copied) {
        try {
            vb::Kill(source);
        } catch (const vb::Error& e) {
            reportCopyError(e);
        }
    }
    return copied;
}

} // namespace backup
