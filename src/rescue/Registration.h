#pragma once
namespace rescue {
// Registers the main program's windows: those of the rescue disk wizard and of every
// layer below it.
void registerWindows();
// The start of the main program up to its event loop: the machine (made from the demo
// template on the first start), a restart asked for before this start, the UI services,
// the windows, and the splash window, whose start timer runs the rest.
void startMainProgram();
} // namespace rescue
