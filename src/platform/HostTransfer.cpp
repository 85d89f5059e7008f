#include "platform/HostTransfer.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <ftw.h>
#include <sys/stat.h>

namespace platform {

ScratchDir::ScratchDir() : dir_(QDir::tempPath() + QStringLiteral("/trelvo-zip-XXXXXX")) { dir_.setAutoRemove(false); }

ScratchDir::~ScratchDir()
{
    if (!dir_.isValid())
        return;
    // By bytes, not by names: unzip may have left folders without write permission and
    // names that are no UTF-8. Folders get their owner's rights back, then all goes.
    const QByteArray root = QFile::encodeName(dir_.path());
    ::nftw(root.constData(), [](const char* path, const struct stat*, int type, FTW*) {
        if (type == FTW_D || type == FTW_DNR)
            ::chmod(path, S_IRWXU);
        return 0;
    }, 16, FTW_PHYS);
    ::nftw(root.constData(), [](const char* path, const struct stat*, int, FTW*) {
        ::remove(path);
        return 0;
    }, 16, FTW_PHYS | FTW_DEPTH);
}

namespace fs {

void importHostFile(const QString& hostFile, const QString& winPath)
{
    QFile in(hostFile);
    if (!in.open(QIODevice::ReadOnly))
        fail(ErrFileNotFound, hostFile);
    const Resolved r = resolveReady(winPath);
    r.volume->requireWritable();
    r.volume->requireRoom(r.isFile() ? QFileInfo(r.host()).size() : 0, in.size());
    File out;
    out.open(winPath, File::Write);
    try {
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(1 << 20);
            if (chunk.isEmpty())
                fail(ErrDeviceIO, hostFile);
            out.write(chunk);
        }
        out.close();
    } catch (const SysError&) {
        out.close();
        try {
            removeFile(winPath);
        } catch (const SysError&) {
        }
        throw;
    }
    setModified(winPath, QFileInfo(hostFile).lastModified());
}

} // namespace fs
} // namespace platform
