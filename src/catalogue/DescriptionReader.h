#pragma once
// The steps that the loaders of a slot's description and of an imported one share: each
// fills the restore-choice window (RestoreReq) and the program state from one file.
#include <QString>

namespace catalogue {

// Forgets an earlier load: every restore box unticked and disabled, the user-file list
// empty, the [SplitLog] state (SplitArchive, SplitPieces, DiskNo, DiskRestoreFolder) cleared.
void ForgetEarlierLoad();

// Whether the drive of `folder` (its first three characters) is a removable one.
bool OnRemovableDrive(const QString& folder);

// The [SplitLog] record into SplitArchive(1..8) and SplitPieces(1..8); DiskNo 0, and
// DiskRestoreFolder set once a piece count is not 0. An absent or unreadable count leaves
// its entry as it was.
void ReadSplitLog(const QString& file);

// Each item's Selected value into its box's Value, then its Available value into Enabled.
// An absent or unconvertible value makes its item not saved (or not available) alone and is
// logged under `tag` with the file, the section and the key.
void ReadItemBoxes(const QString& file, const QString& tag);

// Unticks and disables the restore box of ConfigItems[item]: the item is not held.
void DropRestoreItem(int item);

// PathFavorites and PathNetscape ("NONE" unticks and disables the favorites and the Netscape
// bookmarks box), then PathStartmenue as it stands.
void ReadBrowserFolders(const QString& file);

// A user-file list file into RestoreReq.List1 (core::ReadListFile): the count line is passed
// over, every further non-empty line is one entry. A file that is missing (53), cannot be
// read, is empty or is no list raises its error and leaves the list empty.
void ReadUserFileList(const QString& listFile);

// Turns what was read into the restore choice: a box is enabled exactly when it is ticked
// (the item was saved), and then no box stays ticked.
void FinishRestoreChoice();

// Asks whether to go on without being able to choose user files, `missingFile` not being
// found. True for Yes.
bool ContinueWithoutFileChoice(const QString& missingFile);

} // namespace catalogue
