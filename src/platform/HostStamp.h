#pragma once
// What one stat of a host path tells about it: enough for a cache to see that a file or a
// folder changed since it was read, without a date conversion.
#include <QString>
#include <QtGlobal>

struct stat;

namespace platform {

struct HostStamp {
    bool exists = false;
    bool isDir = false;
    qint64 mtimeNs = 0;     // nanoseconds since the epoch
    qint64 size = -1;
    quint64 inode = 0;
    quint64 device = 0;
    quint32 mode = 0;       // type and rights, as stat gives them

    static HostStamp of(const QString& hostPath);   // follows links, as a stat does
    static HostStamp of(const struct stat& st);     // what a stat the caller made saw
    bool operator==(const HostStamp&) const = default;
    // Changed so shortly before now that another change within the same tick of the host's
    // clock would leave the stamp as it is: a cache must not trust it.
    bool racy() const;
};

} // namespace platform
