#pragma once
// The boot-time rename list. Six files of the Windows folder stay open while Windows runs
// (system.ini, protocol.ini, control.ini, user.dat, system.dat, Win.ini); the restore leaves
// their unpacked copies in its work folder and lists each in the [rename] section of
// Wininit.ini, which Windows carries out at its next start.
#include "restore/RestoreReq.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace restore {

// The six files in the order their lines are written: the box of RestoreReq that chooses
// each, and its name, which is also its name in the work folder.
struct BootTimeFile {
    vb::CheckBox RestoreReqForm::*box;
    const char16_t* name;
};
extern const BootTimeFile kBootTimeFiles[6];

// The Windows folder that the next start reads Wininit.ini from: the running system's own,
// in 8.3 form, without a trailing "\".
QString BootWindowsFolder();

// Whether the boot-time program Wininit.exe is in that folder. When it is not, says so and
// ends the program; false then (also when the program cannot end because an operation is
// running).
bool WininitPresent();

// Writes one "<target>=<source>" line for each of the six files that is chosen in
// RestoreReq and whose unpacked copy lies in the work folder, and returns their names.
// Without a line to write Wininit.ini is left alone. The restart the lines need is recorded
// as owed by this restore before they are written. A failure to record it, or to read or
// write the list, raises its run-time error and leaves the list and the record as they were.
QStringList WriteWininitRename();

// Gives Wininit.ini its [rename] section where it has none, as a restore of system files
// that lists no file does: a new file holds the header line alone, an existing one gains it
// after its last line; one that has the section stays as it is. Failures raise as above.
void AddRenameSection();

// Whether `path` lies directly in the work folder TempPath & "trelvo\", where a restore
// leaves the copies its rename lines move.
bool StagedInWorkFolder(const QString& path);

// Takes `lines` back out of the [rename] sections of Wininit.ini (written whole, and only when
// it holds one of them), deletes the copy each of them would have moved that lies in the work
// folder, and drops them from the record of the restart owed; the live files stay as they are.
// Failures are logged and the rest goes on: a list that cannot be written is left with its
// record, so that the next start asks again; a copy that stays goes with the start's leftovers.
void WithdrawRenameLines(const QStringList& lines);

// Wininit.ini (its bytes) without the lines of its [rename] sections that are one of `lines`
// (blanks around them and letter case aside); every other line stays as it was, in CR LF.
QByteArray RemoveRenameLines(const QByteArray& wininit, const QStringList& lines);

// Wininit.ini (its bytes, possibly empty) with `lines` inserted once, right after the
// first line that is exactly the section header "[rename]" (blanks around it and letter
// case aside), or appended in a new section at the end. Every other line stays as it was;
// lines end in CR LF.
QByteArray MergeRenameLines(const QByteArray& wininit, const QStringList& lines);

} // namespace restore
