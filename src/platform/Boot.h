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

// The lines of the [rename] sections of Wininit.ini, as the boot pass reads them (comments
// and blank lines left out), and of those the source of every "target=source" line. Empty
// when there is no list.
QStringList pendingRenameLines();
QStringList pendingRenameSources();

// A restart owed. A program that writes lines into the boot-time list for work that is
// complete only once they are carried out records them first, each with the name of that
// work, in the [OwedRestart] section of machine.ini (the section written whole, in one write
// of the file, so a kill leaves the old record or the new one). The boot pass drops what it
// carried out; the program drops what it takes back. So a start that finds recorded lines
// still in the list and no restart requested knows that the work that wrote them was cut
// short before it asked for the restart, and whose work it was.
struct OwedLine {
    QString line;    // "target=source", as written into the list
    QString owner;   // the work that wrote it, as the user knows it
};
QList<OwedLine> owedRenameLines();
// Replaces the record with `lines` (none: the section goes). Raises SysError when machine.ini
// cannot be written; the old record then stands.
void recordOwedRenameLines(const QList<OwedLine>& lines);
// Whether two lines of the list name the same replacement (blanks around them and letter case aside).
bool sameRenameLine(const QString& a, const QString& b);

// Performs the boot pass when a restart request is recorded; false when none was.
bool bootIfRestartPending();

} // namespace platform
