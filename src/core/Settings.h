#pragma once
// The settings file trelvo.ini in the program folder: the five slots, the compression
// level, the Windows folder, the save folder and the save selection of the main window
// and of the user-file window.
#include <QString>

namespace core {

// Writes the whole file from the program state and the selection boxes, then c:\Restore.ini
// when a restore has run to its end, then refreshes the slot lists. Writes nothing while
// slot 1 has no description (the settings have not been read yet). A folder of the
// automatic save is never stored: the file's earlier save folder comes back instead.
// A file that cannot be written stays as it was; that is logged and told once, naming it.
void SaveSettings();

// Records slot `slot` (0..4) as free in the file (the free-slot word, "00/00/0000",
// "00:00"), leaving the rest of the file and the program state as they are: a save that
// has given up the slot's old files does so before it writes anything new. False (logged
// and told as above) when the file cannot be written.
bool RecordSlotFree(int slot);

// Reads the file into the program state, the selection boxes of Form1 and UserFiles and
// the availability of the RestoreReq boxes, repairs what other editions and older runs
// left, and writes it back. A missing or damaged file is logged ("Trelvo.ini damaged"),
// all slots are freed and a fresh file is written.
void LoadSettings();

// The folder of the automatic saves: the program folder & "\AutoKeep\".
QString AutoKeepFolder();
// Whether `folder` is that folder (the whole path, without regard to case or to a
// missing final "\").
bool IsAutoKeepFolder(const QString& folder);

} // namespace core
