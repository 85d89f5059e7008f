#pragma once
// One main program per machine. The first to start locks the file trelvoapp.lock in the
// machine's folder and holds the lock for the life of its process; the lock ends with the
// process however it ends, so a program that died holds nobody back.
namespace ui {

// True when this process holds the lock of the current machine, taken now or earlier;
// false when another running program holds it. A lock file that cannot be opened (a folder
// that cannot be written) does not keep the program from starting.
bool HoldInstanceLock();

} // namespace ui
