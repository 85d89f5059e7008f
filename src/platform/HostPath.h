#pragma once
// The way back from the host to the machine: a host path that lies inside one of the
// machine's drives (a fixed drive, or the disk now in a removable drive) as the Windows
// path the programs know it by. Files dragged onto a window come from the host's desktop.
#include <QString>
#include <optional>

namespace platform::fs {

// "C:\My Documents\Letter.doc" for <machine>/drives/c/My Documents/Letter.doc; nullopt when
// the path lies on no drive of the machine. Names keep the case stored on the host.
std::optional<QString> windowsPathOfHost(const QString& hostPath);

} // namespace platform::fs
