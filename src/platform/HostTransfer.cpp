#include "platform/HostTransfer.h"
#include "platform/FileSystem.h"
#include "platform/AtomicFile.h"
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

void importHostFile(const QString& hostFile, const QString& winPath, bool alwaysFlush)
{
    QFile in(hostFile);
    if (!in.open(QIODevice::ReadOnly))
        fail(ErrFileNotFound, hostFile);
    const Resolved r = resolveReady(winPath);
    if (r.isRoot() || (r.exists() && r.lastIsDir))
        fail(ErrPathFileAccess, winPath);
    if (!r.parentExists())
        fail(ErrPathNotFound, winPath);
    r.volume->requireWritable();
    if (r.isFile() && (r.volume->attributes(r.rel(), false) & AttrReadOnly))
        fail(ErrPathFileAccess, winPath);
    if (!r.exists() && r.components.size() == 1)
        r.volume->requireRootEntry(r.name());
    r.volume->requireRoom(r.isFile() ? QFileInfo(r.host()).size() : 0, in.size());
    // The copy takes the file's place whole, or the file stays as it was.
    WholeFile out(r.host(), alwaysFlush ? WholeFile::AlwaysFlush : WholeFile::FlushWhenReplacing);
    out.open();
    out.copyFrom(in, hostFile);
    out.commit();
    if (!r.exists()) {
        r.volume->forget(r.rel());
        Machine::current().noteAdded(r.parentHost(), r.name());
    } else {
        const quint32 a = r.volume->attributes(r.rel(), false);
        if (!(a & AttrArchive))
            r.volume->setAttributes(r.rel(), false, a | AttrArchive);
    }
    setModified(winPath, QFileInfo(hostFile).lastModified());
}

} // namespace fs
} // namespace platform
