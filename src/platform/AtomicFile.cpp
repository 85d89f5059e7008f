#include "platform/AtomicFile.h"
#include "platform/SysError.h"
#include "platform/Waiting.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int hostFailureCode(int err, const QFileDevice* device, int otherwise)
{
    if (err == ENOSPC || err == EDQUOT)
        return ErrDiskFull;
    if (device) {
        // The device keeps the reason as text when errno has moved on since.
        if (device->error() == QFileDevice::ResourceError)
            return ErrDiskFull;
        const QString reason = device->errorString();
        for (const int e : {ENOSPC, EDQUOT})
            if (reason == QString::fromLocal8Bit(std::strerror(e)))
                return ErrDiskFull;
    }
    return otherwise;
}

WholeFile::WholeFile(QString hostPath, Flush flush) : path_(std::move(hostPath)), flush_(flush) {}

// An uncommitted QSaveFile discards its temporary file; a QTemporaryFile removes its own.
WholeFile::~WholeFile() = default;

void WholeFile::failed(int err, int otherwise)
{
    failure_ = hostFailureCode(err, device_.get(), otherwise);
    device_.reset();
    fail(failure_, path_);
}

void WholeFile::open()
{
    const QFileInfo target(path_);
    replacing_ = target.exists() || target.isSymLink();
    if (replacing_ || flush_ == AlwaysFlush) {
        auto file = std::make_unique<QSaveFile>(path_);
        errno = 0;
        const bool opened = file->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        device_ = std::move(file);
        if (!opened)
            failed(errno, ErrPathFileAccess);
        return;
    }
    auto file = std::make_unique<QTemporaryFile>(path_ + QStringLiteral(".~XXXXXX"));
    errno = 0;
    const bool opened = file->open();
    device_ = std::move(file);
    if (!opened)
        failed(errno, ErrPathFileAccess);
    device_->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                            QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

void WholeFile::write(const QByteArray& bytes)
{
    if (!device_)
        fail(failure_, path_);
    errno = 0;
    // A short count is a failure too: the host stopped part of the way.
    if (device_->write(bytes) != bytes.size())
        failed(errno, ErrDeviceIO);
}

void WholeFile::copyFrom(QFile& in, const QString& source)
{
    const qint64 size = in.size();
    while (in.pos() < size) {
        const QByteArray chunk = in.read(qMin<qint64>(size - in.pos(), 1 << 20));
        if (chunk.isEmpty())
            fail(ErrDeviceIO, source);   // unreadable, or shorter than it was
        write(chunk);
        whileWaiting();   // the windows stay painted through a long copy
    }
}

void WholeFile::commit()
{
    if (!device_)
        fail(failure_, path_);
    errno = 0;
    if (!device_->flush())
        failed(errno, ErrDeviceIO);
    if (auto* save = dynamic_cast<QSaveFile*>(device_.get())) {
        // QSaveFile flushes to the disk itself but passes over a failure of it.
        if (::fdatasync(save->handle()) != 0 && errno != EINVAL && errno != EROFS)
            failed(errno, ErrDeviceIO);
        errno = 0;
        if (!save->commit())
            failed(errno, ErrPathFileAccess);
        device_.reset();
        return;
    }
    auto* temporary = static_cast<QTemporaryFile*>(device_.get());
    errno = 0;
    if (!temporary->rename(path_))
        failed(errno, ErrPathFileAccess);
    temporary->setAutoRemove(false);
    device_.reset();
}

qint64 WholeFile::size() const { return device_ ? device_->size() : 0; }
qint64 WholeFile::pos() const { return device_ ? device_->pos() : 0; }
bool WholeFile::seek(qint64 pos) { return device_ && device_->seek(pos); }

void writeFileAtomically(const QString& hostPath, const QByteArray& bytes)
{
    WholeFile file(hostPath, WholeFile::AlwaysFlush);
    file.open();
    file.write(bytes);
    file.commit();
}

void writeFileUnflushed(const QString& hostPath, const QByteArray& bytes)
{
    const QByteArray path = QFile::encodeName(hostPath);
    QByteArray temporary = path + ".~XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        fail(hostFailureCode(errno, nullptr, ErrPathFileAccess), hostPath);
    const auto failed = [&](int err, int otherwise) {
        ::close(fd);
        ::unlink(temporary.constData());
        fail(hostFailureCode(err, nullptr, otherwise), hostPath);
    };
    struct stat st;
    ::fchmod(fd, ::stat(path.constData(), &st) == 0 ? st.st_mode & 07777 : 0644);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            failed(n == 0 ? ENOSPC : errno, ErrDeviceIO);
        done += n;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temporary.constData());
        fail(hostFailureCode(err, nullptr, ErrDeviceIO), hostPath);
    }
    if (::rename(temporary.constData(), path.constData()) != 0) {
        const int err = errno;
        ::unlink(temporary.constData());
        fail(hostFailureCode(err, nullptr, ErrPathFileAccess), hostPath);
    }
}

std::optional<QByteArray> readHostFile(const QString& hostPath)
{
    const int fd = ::open(QFile::encodeName(hostPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes(4096, Qt::Uninitialized);
    qsizetype have = 0;
    for (;;) {
        if (have == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t n = ::read(fd, bytes.data() + have, size_t(bytes.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        have += n;
        // A regular file reads short only at its end.
        if (n == 0 || have < bytes.size())
            break;
    }
    ::close(fd);
    bytes.truncate(have);
    return bytes;
}

QByteArray rewriteRecordInPlace(const QString& hostPath, const QByteArray& bytes)
{
    constexpr qint64 kBlock = 4096;   // the page and block every host file system writes whole
    const QByteArray path = QFile::encodeName(hostPath);
    const int fd = bytes.size() <= kBlock ? ::open(path.constData(), O_WRONLY | O_CLOEXEC) : -1;
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 || st.st_size > kBlock) {
        if (fd >= 0)
            ::close(fd);
        writeFileUnflushed(hostPath, bytes);
        return bytes;
    }
    QByteArray record = bytes;
    if (record.size() < st.st_size)
        record.append(QByteArray(st.st_size - record.size(), ' '));
    ssize_t n;
    do
        n = ::pwrite(fd, record.constData(), size_t(record.size()), 0);
    while (n < 0 && errno == EINTR);
    const int err = errno;
    ::close(fd);
    if (n == record.size())
        return record;
    if (n < 0)
        fail(hostFailureCode(err, nullptr, ErrDeviceIO), hostPath);   // the old record stays
    // A part of it, which a write within one block does not leave: the record is put in
    // place whole the other way.
    writeFileUnflushed(hostPath, bytes);
    return bytes;
}

bool isRacy(const QDateTime& modified)
{
    if (!modified.isValid())
        return false;
    return modified.msecsTo(QDateTime::currentDateTime()) < 50;
}

} // namespace platform
