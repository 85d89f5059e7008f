#pragma once
// Where Windows, the temporary folder, the Start menu and the browser and mail data of
// this machine are, as the registry and the system tell.
namespace core {

// Fills SystemPath, TempPath, PathFavorites, PathNetscape, PathStartmenue,
// AddressBookFile, IECookiesFolder and OutlookExpressFolder; writes the Windows and
// product versions onto the Info page of Form1 and the browser versions onto UserFiles
// and RestoreReq; disables the save box of every item whose location is not found.
// A value that is missing, empty or of another type counts as not found.
void ReadSystemPaths();

} // namespace core
