#pragma once
// A write to a floppy of the save that failed: the cause in the user's words (a
// write-protected disk, no disk, a full disk), with Retry and Cancel.
#include <QString>
#include <optional>

namespace backup {

// The error a write to the disk in the drive of `root` runs into, or none: a small file is
// made there and deleted again.
std::optional<int> FloppyWriteProblem(const QString& root);

// Says that `file` on the floppy could not be written, why, and what to do, and logs it
// (tag: the file and " Save"). True when the user chose Retry, false for Cancel.
bool RetryAfterFloppyFault(int errorNumber, const QString& file);

} // namespace backup
