#pragma once
// The core's part of the program's start, run once from the main window's load.
namespace core {

// Probes the system folders, reads the settings, moves the splash window's progress bar
// on, captions the main window and makes sure zip.exe and Unzip32.exe are in the program
// folder (without them the program ends). Afterwards the program folder is current and
// the settings count as saved.
void StartupChecks();

// Does nothing; the last step of StartupChecks.
void EmptyProc();

} // namespace core
