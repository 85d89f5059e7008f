#pragma once
// Restarting the machine. A program asks for a restart with ExitWindowsEx, which records
// the request in machine.ini (so every other process of the machine sees it) and returns
// at once; the host is never rebooted. The emulated next boot happens when the asking
// program has ended, or at the next start of any program of the machine: it carries out
// the boot-time rename list, the "[rename]" section of Wininit.ini in the Windows folder,
// as Windows 98 does at start, and keeps the list as Wininit.bak.
#include <QString>
#include <QStringList>

namespace platform {

enum ExitWindowsFlags : quint32 {
    EWX_LOGOFF = 0,
    EWX_SHUTDOWN = 1,
    EWX_REBOOT = 2,
    EWX_FORCE = 4,
    EWX_POWEROFF = 8,
};

// Records a shut-down or restart request (a log-off alone asks for nothing the machine
// emulates). Nonzero when the request stands, 0 when it could not be recorded.
int ExitWindowsEx(quint32 flags, quint32 reserved);

bool restartPending();
// Takes a recorded request back: the restart did not happen.
void withdrawRestart();

// What one boot pass did, line by line, in the order it did it.
struct BootReport {
    QStringList lines;
    int replaced = 0;   // target=source lines carried out
    int deleted = 0;    // NUL=x lines carried out
    int skipped = 0;    // lines passed over (missing source, bad line, ...)
};

// The boot pass: every line of every [rename] section of Wininit.ini in the Windows folder,
// from top to bottom. "target=source" replaces the target by the source (the source moves;
// a target that exists keeps the name it is stored under and is replaced whatever its
// attributes; the moved file keeps the source's attributes); "NUL=x" deletes x. Names are
// resolved without regard to case. A line whose source is missing, or that cannot be
// carried out, is skipped and logged. Wininit.ini then becomes Wininit.bak. Without
// Wininit.exe in the Windows folder nothing is done. Clears a recorded restart request.
// Every line of the report is also appended to boot.log in the machine's folder.
BootReport bootMachine();

// The files the next boot pass is to move into place: the source of every "target=source"
// line of Wininit.ini, as written there. Empty when there is no list.
QStringList pendingRenameSources();

// Performs the boot pass when a restart request is recorded; false when none was.
bool bootIfRestartPending();

} // namespace platform
