#pragma once
// The file-level work of the floppy side: copying one file whole, testing that a readable
// disk (and a file on it) is in the drive, and joining an archive that a save spread over
// several floppies. Piece n of A:\Conf1.tva is A:\Conf1.tvn (Conf1.tv1 ... Conf1.tv10 ...).
#include "backup/CopyState.h"

#include <QString>

namespace backup {

// Joins `archive` (its name on the floppy, "A:\Conf1.tva") into `target`. The recorded
// piece count decides: 0 copies the whole archive, n > 0 appends pieces 1..n. Whatever is
// not on the disk in the drive is asked for by disk number; the number follows the disk
// in the drive (DiskNo: the disk the last file came from, 0 before the first one). Cancel
// at a prompt, or a failed copy, leaves no target (nor anything else in
// DiskRestoreFolder); callers judge by whether the target exists.
void ConcatSplitFile(const QString& archive, const QString& target, int pieces);

// Creates the folders of `target`, and the target itself empty, open for writing under
// OutFileNo. Errors reach the caller.
void OpenConcatTarget(const QString& target);

// Appends the whole of `piece` to the file open under OutFileNo and closes the piece.
// A failed copy is reported ("... ConcatSplitFile") and gives false. A piece whose length
// cannot be read raises that error.
bool AppendFileToTarget(const QString& piece);

// Copies `source` to `target` (created empty) in chunks. A failed copy is reported, the
// partial target is deleted and the result is false; with `onFault` the failure goes there
// instead, and Retry copies the file again from its start. A source whose length cannot be
// read raises that error.
bool CopyWholeFile(const QString& source, const QString& target, const CopyFault& onFault = {});

// True when the drive of `path` can be read and, for a path longer than a drive root, a
// file exists at the path. Asks again for a disk while the drive cannot be read (Cancel:
// false); says so when the file is missing.
bool CheckDiskInserted(const QString& path);

} // namespace backup
