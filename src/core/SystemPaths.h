#pragma once
// Where Windows, the temporary folder, the Start menu and the browser and mail data of
// this machine are, as the registry and the system tell.
#include <QString>

namespace core {

// Fills SystemPath, TempPath, PathFavorites, PathNetscape, PathStartmenue,
// AddressBookFile, IECookiesFolder and OutlookExpressFolder; writes the Windows and
// product versions onto the Info page of Form1 and the browser versions onto UserFiles
// and RestoreReq; disables the save box of every item whose location is not found.
// A value that is missing, empty or of another type counts as not found. While the
// registry file cannot be read whole, a location it does not give is unknown rather than
// not there: the box stays as the settings have it, and a save names the item.
void ReadSystemPaths();

// At start-up: a registry file that cannot be read whole is told (the file, the line and
// what is wrong) and logged.
void TellRegistryProblem();

} // namespace core
