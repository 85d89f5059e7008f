#pragma once
// Reading the description of a configuration saved in another folder, for a restore from
// there or to show what it holds. Two forms share the name Config<n>.ini: the description
// file, and the sequential file of version 1.2x (items separated by commas or line ends).
#include <QString>

namespace catalogue {

// What the Import window offers the reader: the folder shown (ending with "\") and the
// chosen row of its list, which begins with the slot digit.
struct ImportSource {
    QString ImportFolder;
    QString Row;
};

// Reads ImportFolder & "Config" & n & ".ini" into RestoreReq (held items enabled, none
// ticked, the user files listed) and into ImportSaveFolder, SystemPath, the browser and
// Start menu folders and, for a save to floppies, the [SplitLog] state. SaveFolder,
// SelectedConfig, LoadResult and the slot descriptions stay as they are. ImportActive
// becomes False when the user gives the import up; nothing is raised to the caller.
void LoadCINIImport(const ImportSource& source);

// The same for the Import window's folder (Import.Label4) and chosen row (Import.List1).
void LoadCINIImport();

} // namespace catalogue
