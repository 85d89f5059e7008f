#pragma once
#include <QString>

namespace platform {

// Writes the demo Windows 98 machine into `dir`, which must be absent or empty: drive C:
// with the boot files, the Windows folder and its INI files, the registry hives, a Start
// menu, browser and mail data and the program folder; registry.reg; a floppy drive A:
// holding an empty, formatted 1.44 MB disk. Returns false, writing nothing, when the folder
// holds anything already, and false when it cannot be made.
bool createDemoMachine(const QString& dir);

} // namespace platform
