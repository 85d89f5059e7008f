#pragma once
// The save of a configuration: the current selection of the main window and of the
// user-file window into the archives of slot SelectedConfig + 1, in a folder or spread over
// floppies, with the slot's description files beside them.

namespace backup {

// Saves into SaveFolder; the caller has set SelectedConfig and ConfigIniPath (and, for the
// automatic save, AutomaticSave and PrevSaveFolder). Afterwards SaveDone tells that the save
// reached its end (description and settings written), SaveComplete that every selected item
// went into its archive, OldConfigDeleted that the slot's old archives and description are
// gone (a save stopped after that leaves the slot free). While a save runs SaveRunning is
// set, and a second call returns at once, changing nothing.
void Save();

// True, after saying so, when there is nothing to save: no item ticked (and available) on
// the Options page or in the user-file window, and no user file in trelvo.usr, which the
// user-file window's list is refilled from. An automatic save only logs it. Save refuses
// such a selection itself, before it changes anything.
bool RefuseEmptySave();

} // namespace backup
