#include "platform/HostTransfer.h"
#include "platform/FileSystem.h"
#include "platform/AtomicFile.h"
#include "platform/SysError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utime.h>

namespace platform {

namespace {

// ".trelvo-zip-<process>-XXXXXX": the id tells a folder of a running process from one that a
// process killed or crashed left behind.
const QString kScratchPrefix = QStringLiteral(".trelvo-zip-");

QString scratchTemplate(const QString& near)
{
    const QString folder = near.isEmpty() ? QDir::tempPath() : near;
    return folder + u'/' + kScratchPrefix + QString::number(::getpid()) + QStringLiteral("-XXXXXX");
}

// By bytes, not by names: unzip may have left folders without write permission and names
// that are no UTF-8. Folders get their owner's rights back, then all goes.
void removeHostTree(const QString& folder)
{
    const QByteArray root = QFile::encodeName(folder);
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

// Once a process per folder: the first scratch folder made there sweeps it.
void sweepOnce(const QString& folder)
{
    static QSet<QString> swept;
    if (!swept.contains(folder)) {
        swept.insert(folder);
        removeStaleScratchFolders(folder);
    }
}

} // namespace

void removeStaleScratchFolders(const QString& folder)
{
    static const QRegularExpression name(QStringLiteral("^\\.trelvo-zip-(\\d+)-.{6}$"));
    const QStringList found = QDir(folder).entryList({kScratchPrefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& entry : found) {
        const QRegularExpressionMatch m = name.match(entry);
        if (!m.hasMatch())
            continue;
        const pid_t pid = pid_t(m.captured(1).toLongLong());
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            removeHostTree(folder + u'/' + entry);
    }
}

void removeStaleScratchFolders()
{
    const Machine& m = Machine::current();
    QSet<QString> folders{QDir::tempPath(), m.dir(), m.hostFile(QStringLiteral("floppies"))};
    for (const QChar drive : m.driveLetters())
        if (const auto v = m.volume(drive))
            folders.insert(QFileInfo(v->hostRoot()).path());
    for (const QString& folder : folders)
        removeStaleScratchFolders(folder);
}

ScratchDir::ScratchDir(const QString& near) : dir_(std::make_unique<QTemporaryDir>(scratchTemplate(near)))
{
    if (!dir_->isValid() && !near.isEmpty())
        dir_ = std::make_unique<QTemporaryDir>(scratchTemplate({}));
    dir_->setAutoRemove(false);
    if (dir_->isValid())
        sweepOnce(QFileInfo(dir_->path()).path());
}

ScratchDir::~ScratchDir()
{
    if (dir_->isValid())
        removeHostTree(dir_->path());
}

struct WriteAhead::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    std::thread thread;
};

WriteAhead::WriteAhead(const QString& folder) : worker_(std::make_unique<Worker>())
{
    worker_->thread = std::thread([w = worker_.get(), path = QFile::encodeName(folder)] {
        std::unique_lock lock(w->mutex);
        while (!w->wake.wait_for(lock, std::chrono::milliseconds(100), [w] { return w->stop; })) {
            lock.unlock();
            if (DIR* listing = ::opendir(path.constData())) {
                while (const dirent* e = ::readdir(listing)) {
                    if (e->d_type != DT_REG)
                        continue;
                    const int fd = ::openat(::dirfd(listing), e->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
                    if (fd >= 0) {
                        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
                        ::close(fd);
                    }
                }
                ::closedir(listing);
            }
            lock.lock();
        }
    });
}

WriteAhead::~WriteAhead()
{
    {
        const std::lock_guard lock(worker_->mutex);
        worker_->stop = true;
    }
    worker_->wake.notify_one();
    worker_->thread.join();
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
