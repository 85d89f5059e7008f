#pragma once
// A restore's boot-time rename lines, and the copies in the work folder that they move,
// belong to that restore, and so does the restart that carries them out. WriteWininitRename
// records the restart as owed, under the restore's name, before it writes the first line
// (platform::recordOwedRenameLines: in machine.ini beside the restart request, whole in one
// write, so a kill -9 leaves the old record or the new one); the boot that carries the lines
// out drops them from the record, and so does their withdrawal. Lines still in the list while
// no restart is requested were written by a restore that never asked for its restart (killed,
// stopped early, its restart refused), and they are never carried out in silence: the start
// asks whether to complete that restore now (the restart) or to withdraw it, and a later
// restore that restarts the machine asks whether its restart is to carry them out too. Lines
// whose copy lies in the work folder count as a restore's even where no record names them.
#include <QList>
#include <QString>
#include <QStringList>

namespace restore {

// The restore under way as the user knows it: the description of its configuration, or the
// automatic save's slot.
QString RestoreName();

// Rename lines in Wininit.ini that wait for a restart nobody has asked for, by the restore
// that wrote them (`name` empty where no record names it). None while a restart is requested.
struct WaitingRestore {
    QString name;
    QStringList lines;
};
QList<WaitingRestore> RestoresWaitingForRestart();

// At the start: a restore cut short before its restart is completed now (the user agrees to
// the restart, which then ends the program) or withdrawn (the user declines; an automatic run,
// with nobody to ask, logs it and withdraws). A record that names no line of the list goes.
void SettleInterruptedRestore(bool automatic);

// Before a restore that restarts the machine changes anything: lines another restore left
// waiting are carried out by this restart only if the user agrees; otherwise they are withdrawn.
void AskAboutWaitingRestores();

} // namespace restore
