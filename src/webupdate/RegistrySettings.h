#pragma once
// What the update program knows of the installed product, read once from the registry when
// its window loads, and its one orderly way to end.
namespace webupdate {

// Fills gsMajorVersion, giMinorVersion and gsInstallDir from the product's registry key and
// gsDefaultConnection from the user's dial-up settings. A value that is missing reads as
// empty (0 for the minor version); without an installation folder in the registry the
// program's own folder stands in for it.
void GetRegistrySettings();

// Offers to hang up a dial-up connection that is up, unloads the windows loaded after the
// first and ends the process. Failures on the way are passed over.
[[noreturn]] void ExitProgram();

} // namespace webupdate
