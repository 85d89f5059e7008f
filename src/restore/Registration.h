#pragma once
namespace restore {
// Registers the windows of the restore engine: RestoreReq and the restart notice Reboot.
void registerWindows();
} // namespace restore
