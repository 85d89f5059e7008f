#pragma once
// What the machine tells about itself: version, processor, memory, keyboard, names and
// folders, drive types and space, as the system calls report them.
#include <QString>
#include <QStringList>
#include <optional>

namespace platform::sys {

struct VersionInfo {
    int major = 0;
    int minor = 0;
    int build = 0;
    int platformId = 0;     // 1: Windows 95/98, 2: NT, 0: Win32s
};
std::optional<VersionInfo> GetVersionEx();

struct ProcessorInfo {
    int processorType = 0;  // 386, 486, 586
    int processors = 1;
    quint32 activeMask = 1;
};
ProcessorInfo GetSystemInfo();

struct MemoryStatus {
    int memoryLoad = 0;     // percent
    qint64 totalPhys = 0;   // bytes
    qint64 availPhys = 0;
};
MemoryStatus GlobalMemoryStatus();

// typeFlag 0: keyboard type (4 = enhanced 101/102), 2: number of function keys.
int GetKeyboardType(int typeFlag);

std::optional<QString> GetComputerName();
std::optional<QString> GetUserName();
QString GetTempPath();          // with a trailing "\"
QString GetWindowsDirectory();  // without
QString GetSystemDirectory();   // without

// Drive types: 0 unknown, 1 no root directory, 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk.
int GetDriveType(const QString& root);
QStringList GetLogicalDriveStrings();   // "A:\", "C:\", ...

} // namespace platform::sys

namespace platform::sys {
// The setup toolkit's two queries on the current drive: free bytes and bytes per
// allocation unit; nullopt when the drive is not ready.
std::optional<qint64> DiskSpaceFree();
std::optional<qint64> AllocUnit();
} // namespace platform::sys
