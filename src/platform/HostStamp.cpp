#include "platform/HostStamp.h"

#include <QFile>
#include <sys/stat.h>
#include <time.h>

namespace platform {

HostStamp HostStamp::of(const QString& hostPath)
{
    struct stat st;
    if (::stat(QFile::encodeName(hostPath).constData(), &st) != 0)
        return {};
    return of(st);
}

HostStamp HostStamp::of(const struct stat& st)
{
    HostStamp s;
    s.exists = true;
    s.isDir = S_ISDIR(st.st_mode);
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.size = st.st_size;
    s.inode = st.st_ino;
    s.device = st.st_dev;
    s.mode = st.st_mode;
    return s;
}

bool HostStamp::racy() const
{
    if (!exists)
        return false;
    timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    const qint64 nowNs = qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    return nowNs - mtimeNs < 50 * 1000000;   // as isRacy()
}

} // namespace platform
