#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace testsupport {

SmallDrive::SmallDrive(const TempMachine& tm, QChar letter, qint64 bytes)
{
    if (letter.toUpper() != u'C') {
        const QString name = QStringLiteral("drive_") + letter.toLower();
        folder_ = tm.dir() + u'/' + name;
        const QByteArray options = "size=" + QByteArray::number(bytes);
        if (!QDir().mkpath(folder_) || ::mount("tmpfs", QFile::encodeName(folder_).constData(), "tmpfs", 0, options.constData()) != 0) {
            whyNot_ = QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        mounted_ = true;
        const QString section = QStringLiteral("Drive ") + letter.toUpper();
        tm.machine().setSetting(QStringLiteral("Drives"), QString(letter.toUpper()), QStringLiteral("fixed"));
        tm.machine().setSetting(section, QStringLiteral("Folder"), name);
        return;
    }
    folder_ = tm.hostC(QString());
    if (folder_.endsWith(u'/'))
        folder_.chop(1);
    const QString aside = folder_ + QStringLiteral(".before");
    if (!QDir().rename(folder_, aside) || !QDir().mkdir(folder_)) {
        whyNot_ = QStringLiteral("cannot move ") + folder_ + QStringLiteral(" aside");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(folder_).constData(), "tmpfs", 0, options.constData()) != 0) {
        whyNot_ = QString::fromLocal8Bit(std::strerror(errno));
        QDir().rmdir(folder_);
        QDir().rename(aside, folder_);
        return;
    }
    mounted_ = true;
    // The drive's files, with their times, onto the new disk.
    QProcess copy;
    copy.start(QStringLiteral("cp"), {QStringLiteral("-a"), aside + QStringLiteral("/."), folder_});
    if (!copy.waitForFinished() || copy.exitCode() != 0)
        ADD_FAILURE() << "cannot copy drive C: onto the small disk: " << copy.readAllStandardError().toStdString();
    QDir(aside).removeRecursively();
}

SmallDrive::~SmallDrive()
{
    release();
    if (mounted_) {
        ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
        QDir().rmdir(folder_);
    }
}

void SmallDrive::fill(qint64 leave)
{
    if (!mounted_ || filler_ >= 0)
        return;
    filler_ = ::open(QFile::encodeName(folder_).constData(), O_TMPFILE | O_RDWR, 0600);
    if (filler_ < 0) {
        ADD_FAILURE() << "cannot make the filler: " << std::strerror(errno);
        return;
    }
    const QByteArray block(1 << 20, 'F');
    for (qsizetype chunk = block.size(); chunk >= 512; chunk /= 2) {
        while (::write(filler_, block.constData(), size_t(chunk)) > 0) {
        }
    }
    // Whatever a page of its own still takes, nothing is left.
    while (::write(filler_, block.constData(), 1) > 0) {
    }
    if (leave > 0) {
        const off_t size = ::lseek(filler_, 0, SEEK_END);
        if (::ftruncate(filler_, size > leave ? size - leave : 0) != 0)
            ADD_FAILURE() << "cannot give room back: " << std::strerror(errno);
    }
}

void SmallDrive::release()
{
    if (filler_ >= 0)
        ::close(filler_);
    filler_ = -1;
}

} // namespace testsupport
