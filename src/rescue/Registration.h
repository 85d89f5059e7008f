#pragma once
namespace rescue {
// Registers the main program's windows: those of the rescue disk wizard and of every
// layer below it.
void registerWindows();
// The start of the main program up to its event loop: the UI services, the machine (made
// from the demo template on the first start, into an absent or empty folder only), a
// restart asked for before this start, the windows, and the splash window, whose start
// timer runs the rest. False, after a message naming the file, when the machine folder
// holds no sound machine; nothing is written then and the program is to end.
bool startMainProgram();
} // namespace rescue
