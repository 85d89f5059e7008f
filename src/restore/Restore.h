#pragma once
// The restore of a saved configuration. The description of the slot has been loaded into
// the program state and into RestoreReq, whose boxes and list say what to restore; Restore
// unpacks the archives, copies the boot-drive files back, lists the files Windows holds
// open for renaming at the next start, restores the user files, the Start menu and the
// browser and mail data, and ends with a restart of Windows or with the removal of its
// work folder (TempPath & "trelvo").
#include <QString>

namespace restore {

// Runs to its end or stops early; never raises. Nothing is touched unless the user agrees
// to the restart that system files need.
void Restore();

// Ends a restore from floppies that cannot go on (a disk prompt cancelled, a joined archive
// missing): says so, unloads the progress window, frees the Exit button, disables the main
// window's Restore button and deletes the joined archives.
void CancelRestore();

// Adds every folder below `path` to Form1.List4, each parent before its sub-folders.
void ListSubfolders(QString path);

// The text without its first and last character (a quoted path without its quotes).
QString StripEnds(const QString& text);

// Asks the machine to restart. The main window is made inert meanwhile; the program then
// closes through its normal way out once it is idle again (the restart notice sees to it).
// When the request cannot even be recorded, the restart does not happen (see below).
void RebootWindows();

// The close of the program for a requested restart: QuitProgram. Should the program stay
// (an operation is running), the restart does not happen: the request is withdrawn, the
// main window is enabled again, the notice goes away and the user is told to restart.
void CloseForRestart();

// Forgets what the loading of a configuration prepared for its restore (the import flag,
// the joining folder and the piece counts of a save on floppies), so that none of it
// reaches the restore of the next configuration.
void ForgetLoadedRestore();

} // namespace restore
