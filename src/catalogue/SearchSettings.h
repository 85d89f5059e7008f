#pragma once
// The search dialog's remembered choices (AddUser): the file types and folders searched
// before and whether subfolders were included, in UserFiles.ini [AddUserSettings] as
// Filetypes0.., FilePath0.. (one key per entry, in list order) and SubDirs ("1"/"0").

namespace catalogue {

// Writes UserFiles.ini anew from AddUser.Combo1, AddUser.Combo2 and AddUser.Check1.
// Reports nothing and raises nothing: a file that cannot be replaced stays as it was.
void SaveAddUserSettings();

} // namespace catalogue
