#include "platform/HostPath.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

namespace platform::fs {

namespace {
// Symbolic links and "." or ".." resolved, so that a path and a drive root compare.
QString canonical(const QString& hostPath)
{
    const QFileInfo info(hostPath);
    const QString real = info.canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : real;
}
} // namespace

std::optional<QString> windowsPathOfHost(const QString& hostPath)
{
    const QString path = canonical(hostPath);
    for (const QChar letter : machine().driveLetters()) {
        const auto volume = machine().volume(letter);
        if (!volume)
            continue;
        const QString root = canonical(volume->hostRoot());
        const QString drive = QString(letter) + QStringLiteral(":\\");
        if (path == root)
            return drive;
        if (path.startsWith(root + u'/'))
            return drive + path.mid(root.size() + 1).replace(u'/', u'\\');
    }
    return std::nullopt;
}

} // namespace platform::fs
