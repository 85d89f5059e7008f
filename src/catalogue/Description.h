#pragma once
// The description of a saved configuration: Config<n>.ini (what the archives hold, where
// they lie, the folders of the machine that saved them, the [SplitLog] of a save spread
// over floppies) and its user-file list Config<n>.usr (a count line " 3", one path per line,
// one empty line). Both lie in the program folder, or in its AutoKeep folder for the four
// automatic-save slots, with a copy of both beside the archives.
#include <QString>

namespace catalogue {

// Writes the description and the user-file list of the slot a save has just filled, to
// ConfigIniPath, from the slot's description, SystemPath, SaveFolder, the browser and Start
// menu folders, the save-side boxes and UserFiles.List1. Deletes nothing, so a [SplitLog]
// written before stays first. An automatic-save slot (a description in the AutoKeep folder)
// is named "AutoKeep #<n>" instead of taking the text of the main slot of the same index.
// Raises the error of the first key that could not be written, or of the list file, which
// stays closed.
void SaveCINI();

// Loads the description of slot SelectedConfig + 1 for a restore (the AutoKeep folder's
// when SaveFolder names it): SaveFolder becomes the recorded save folder, SystemPath and the
// three folders the recorded ones, the [SplitLog] of a save to floppies is read, and
// RestoreReq offers exactly the saved items, none ticked, with the configuration's user
// files. Nothing of an earlier load survives. The outcome is LoadResult: left as the caller
// set it on success; 1 when the user gave up over a missing user-file list (show nothing);
// 2 after continuing without it, or over a damaged description. A description without a
// save folder (a missing file too) ends the program with message 1253, without saving the
// settings.
void LoadCINI();

// The user-file list beside a description: its path with "usr" for the last three characters.
QString UserFileListPath(const QString& descriptionPath);

} // namespace catalogue
