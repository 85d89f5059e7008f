#pragma once
// The orderly end of the main program and the busy state of the main window.
//
// The program is busy while a save (the main window's Help button, Command2, disabled)
// or a restore (its Exit button, Command3, disabled) runs. QuitProgram does nothing then.

namespace core {

// Writes the settings (unless SkipSaveOnQuit), unloads the windows loaded after the first
// one, latest first, and ends the process. Returns only when the program is busy, or when
// it is already on its way out (a window's unload calling it again).
void QuitProgram();

// A save or a restore runs (the main window's Help or Exit button is disabled).
bool OperationRunning();

// Puts the main window back into the idle state: Help and Exit enabled, the default mouse
// pointer, both progress bars at 0.
void EndOperation();

} // namespace core
