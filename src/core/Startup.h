#pragma once
// The core's part of the program's start, run once from the main window's load.
#include <QString>

namespace core {

// Probes the system folders (telling a registry file that cannot be read whole), removes what a run cut short left behind (RemoveLeftovers),
// reads the settings, moves the splash window's progress bar
// on, captions the main window and makes sure zip.exe and Unzip32.exe are in the program
// folder (without them the program ends). Afterwards the program folder is current and
// the settings count as saved.
void StartupChecks();

// What a run of the program cut short (killed, a power cut) left behind: the staging folder
// TempPath & "trelvo" (kept while the boot-time rename list still has files to move out of
// it), the pieces joined from floppies in the program folder's DiskRestore folder, and the
// zip programs' scratch folders on the host whose process is gone, the archives and
// description files in the program folder of a save that never finished, and the rescue
// wizard's archive Configd.tva there. A copy that waits for the boot-time rename and was set
// aside (WaitingCopyAside) comes back to its place.
void RemoveLeftovers();

// Where a restore sets aside a copy in the staging folder that waits for the boot-time
// rename, while it unpacks another configuration's system files there.
inline QString WaitingCopyAside(const QString& source) { return source + QStringLiteral(".wait"); }

// Does nothing; the last step of StartupChecks.
void EmptyProc();

} // namespace core
