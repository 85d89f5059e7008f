#include "platform/HostTransfer.h"
#include "platform/FileSystem.h"
#include "platform/AtomicFile.h"
#include "platform/SysError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace platform {

static QString scratchTemplate(const QString& near)
{
    const QString folder = near.isEmpty() ? QDir::tempPath() : near;
    return folder + QStringLiteral("/.trelvo-zip-XXXXXX");
}

ScratchDir::ScratchDir(const QString& near) : dir_(std::make_unique<QTemporaryDir>(scratchTemplate(near)))
{
    if (!dir_->isValid() && !near.isEmpty())
        dir_ = std::make_unique<QTemporaryDir>(scratchTemplate({}));
    dir_->setAutoRemove(false);
}

ScratchDir::~ScratchDir()
{
    if (!dir_->isValid())
        return;
    // By bytes, not by names: unzip may have left folders without write permission and
    // names that are no UTF-8. Folders get their owner's rights back, then all goes.
    const QByteArray root = QFile::encodeName(dir_->path());
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

namespace {

// The place on the machine a host file of `size` bytes is to take, with the checks of a
// write of the programs: write protection, a read-only file or a folder in the way, the
// entries of a root folder, the room on the disk.
Resolved checkedTarget(const QString& winPath, qint64 size)
{
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
    r.volume->requireRoom(r.isFile() ? QFileInfo(r.host()).size() : 0, size);
    return r;
}

// What a file that took its place leaves: a new one has no attribute record and its folder
// listing has it; a replaced one keeps its attributes with the archive bit. The file gets
// the host file's time (to the second, as a copy gets it).
void tookPlace(const Resolved& r, qint64 modifiedSecs)
{
    if (!r.exists()) {
        r.volume->forget(r.rel());
        Machine::current().noteAdded(r.parentHost(), r.name());
    } else {
        const quint32 a = r.volume->attributes(r.rel(), false);
        if (!(a & AttrArchive))
            r.volume->setAttributes(r.rel(), false, a | AttrArchive);
    }
    struct utimbuf ut;
    ut.actime = ut.modtime = modifiedSecs;
    ::utime(QFile::encodeName(r.host()).constData(), &ut);
}

} // namespace

void importHostFile(const QString& hostFile, const QString& winPath, bool alwaysFlush)
{
    QFile in(hostFile);
    if (!in.open(QIODevice::ReadOnly))
        fail(ErrFileNotFound, hostFile);
    const Resolved r = checkedTarget(winPath, in.size());
    // The copy takes the file's place whole, or the file stays as it was.
    WholeFile out(r.host(), alwaysFlush ? WholeFile::AlwaysFlush : WholeFile::FlushWhenReplacing);
    out.open();
    out.copyFrom(in, hostFile);
    out.commit();
    tookPlace(r, QFileInfo(hostFile).lastModified().toSecsSinceEpoch());
}

void moveHostFile(const QString& hostFile, const QString& winPath, bool alwaysFlush)
{
    const QByteArray from = QFile::encodeName(hostFile);
    struct stat source;
    if (::stat(from.constData(), &source) != 0 || !S_ISREG(source.st_mode))
        fail(ErrFileNotFound, hostFile);
    const Resolved r = checkedTarget(winPath, source.st_size);
    const QByteArray to = QFile::encodeName(r.host());
    struct stat folder;
    if (::stat(QFile::encodeName(r.parentHost()).constData(), &folder) != 0 || folder.st_dev != source.st_dev)
        return importHostFile(hostFile, winPath, alwaysFlush);
    // As with a copy, the bytes of a file that replaces another reach the disk before its
    // name does; the file gets the rights the machine's files have (or the replaced file's).
    struct stat replaced;
    const bool replacing = ::stat(to.constData(), &replaced) == 0;
    const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(ErrFileNotFound, hostFile);
    const bool synced = !(replacing || alwaysFlush) || ::fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS;
    const int syncError = errno;
    ::fchmod(fd, replacing ? (replaced.st_mode & 07777) : 0644);
    ::close(fd);
    if (!synced)
        fail(hostFailureCode(syncError, nullptr, ErrDeviceIO), winPath);
    if (::rename(from.constData(), to.constData()) != 0)
        return importHostFile(hostFile, winPath, alwaysFlush);
    tookPlace(r, source.st_mtim.tv_sec);
}

} // namespace fs
} // namespace platform
