#include "platform/AtomicFile.h"
#include "platform/SysError.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <unistd.h>

namespace platform {

void writeFileAtomically(const QString& hostPath, const QByteArray& bytes)
{
    static std::atomic<int> counter{0};
    const QString tmp = hostPath + QStringLiteral(".~%1-%2").arg(::getpid()).arg(counter++);
    QFile f(tmp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(ErrPathFileAccess, hostPath);
    if (f.write(bytes) != bytes.size()) {
        f.close();
        QFile::remove(tmp);
        fail(ErrDiskFull, hostPath);
    }
    f.close();
    if (::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(hostPath).constData()) != 0) {
        QFile::remove(tmp);
        fail(ErrPathFileAccess, hostPath);
    }
}

bool isRacy(const QDateTime& modified)
{
    if (!modified.isValid())
        return false;
    return modified.msecsTo(QDateTime::currentDateTime()) < 50;
}

} // namespace platform
