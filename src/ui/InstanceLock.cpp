#include "ui/InstanceLock.h"
#include "platform/Machine.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>

namespace ui {

namespace {

// The lock is the operating system's lock on the open file: it goes with the process,
// however the process ends, so a lock file left behind holds nobody back.
struct HeldLock {
    QString machine;
    std::unique_ptr<QFile> file;
};

HeldLock& held()
{
    static HeldLock lock;
    return lock;
}

} // namespace

bool HoldInstanceLock()
{
    const QString machine = platform::Machine::current().dir();
    HeldLock& h = held();
    if (h.file && h.machine == machine)
        return true;
    auto file = std::make_unique<QFile>(machine + QStringLiteral("/trelvoapp.lock"));
    if (!file->open(QIODevice::ReadWrite))
        return true;
    const int fd = file->handle();
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);   // programs started later do not keep it
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno != EWOULDBLOCK;
    file->resize(0);
    file->write(QByteArray::number(QCoreApplication::applicationPid()) + '\n');
    file->flush();
    h.machine = machine;
    h.file = std::move(file);
    return true;
}

} // namespace ui
