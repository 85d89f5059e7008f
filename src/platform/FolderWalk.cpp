#include "platform/FolderWalk.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::fs {

namespace {

// The longest folder path that can still be listed: the folder and "*.*" within the limit.
constexpr int kMaxListedFolder = winpath::kMaxPath - 3;

// The printable ASCII characters a name may hold.
struct PlainCharacters {
    bool allowed[128] = {};
    PlainCharacters()
    {
        for (int c = 0x20; c < 0x7F; ++c)
            allowed[c] = !std::strchr("\\/:*?\"<>|", c);
    }
};

// The name as the machine sees it, or an empty text when it cannot name it. Most names are
// plain ASCII and are taken as they stand; others are read as the host's UTF-8.
QString nameOf(const char* bytes)
{
    static const PlainCharacters plainCharacters;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const size_t n = std::strlen(bytes);
    bool plain = n > 0 && n <= 255 && p[n - 1] != ' ' && p[n - 1] != '.';
    for (size_t i = 0; plain && i < n; ++i)
        plain = p[i] < 0x80 && plainCharacters.allowed[p[i]];
    if (plain)
        return QString::fromLatin1(bytes, qsizetype(n));
    const QString name = QFile::decodeName(QByteArray(bytes, qsizetype(n)));
    // Bytes that are no UTF-8 come back as U+FFFD, which the code page does not hold.
    return winpath::isNameable(name) ? name : QString();
}

struct Item {
    QString name;
    QByteArray host;   // the entry's own bytes, for a subfolder
};

bool byListing(const Item& a, const Item& b) { return winpath::listedBefore(a.name, b.name); }

} // namespace

FolderWalk::FolderWalk(const QString& start)
{
    const Resolved r = machine().resolve(start);
    if (!r.ok() || !r.isDir())
        return;
    QString win = r.win();
    if (!win.endsWith(u'\\'))
        win += u'\\';
    if (win.size() > kMaxListedFolder)
        return;
    start_ = win;
    pending_.insert(start_, QFile::encodeName(r.host()));
    if (machine().driveKind(r.drive) == DriveKind::Removable) {
        removableDrive_ = r.drive;
        diskRoot_ = r.volume->hostRoot();
    }
}

FolderWalk::Listing FolderWalk::list(const QString& winFolder)
{
    Listing out;
    const auto it = pending_.constFind(winFolder);
    if (it == pending_.constEnd())
        return out;
    const QByteArray host = *it;
    pending_.erase(it);
    // The folders still to come on a floppy are those of the disk the walk began on; once
    // another disk (or none) is in the drive they are not there to list. One look at the
    // drive table a folder, and only on a removable drive.
    if (!removableDrive_.isNull()) {
        const std::shared_ptr<Volume> now = machine().volume(removableDrive_);
        if (!now || now->hostRoot() != diskRoot_)
            return out;
    }

    // The start folder may be reached through a link, as the user named it; every folder
    // below it is opened only when it is a folder itself.
    const bool isStart = !startListed_ && winFolder == start_;
    startListed_ = true;
    const int fd = ::open(host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (isStart ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return out;
    struct stat st;
    if (::fstat(fd, &st) != 0 || seen_.contains({quint64(st.st_dev), quint64(st.st_ino)})) {
        ::close(fd);
        return out;
    }
    seen_.insert({quint64(st.st_dev), quint64(st.st_ino)});
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return out;
    }
    out.listed = true;

    QList<Item> files;
    QList<Item> folders;
    while (const dirent* e = ::readdir(dir)) {
        const char* raw = e->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;
        unsigned char type = e->d_type;
        struct stat target;
        if (type == DT_UNKNOWN) {
            if (::fstatat(::dirfd(dir), raw, &target, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISLNK(target.st_mode) ? DT_LNK : S_ISDIR(target.st_mode) ? DT_DIR : DT_REG;
        }
        if (type == DT_LNK) {
            // A link counts as the file it points to; a link to a folder, or to nothing, is left out.
            if (::fstatat(::dirfd(dir), raw, &target, 0) != 0 || S_ISDIR(target.st_mode))
                continue;
            type = DT_REG;
        }
        const QString name = nameOf(raw);
        if (name.isEmpty())
            continue;
        const qsizetype pathLength = winFolder.size() + name.size();
        if (type == DT_DIR) {
            if (pathLength + 1 <= kMaxListedFolder)
                folders.append({name, QByteArray(raw)});
        } else if (pathLength <= winpath::kMaxPath) {
            files.append({name, {}});
        }
    }
    ::closedir(dir);

    std::sort(files.begin(), files.end(), byListing);
    std::sort(folders.begin(), folders.end(), byListing);
    out.files.reserve(files.size());
    for (const Item& f : files)
        out.files << f.name;
    out.folders.reserve(folders.size());
    for (const Item& f : folders) {
        out.folders << f.name;
        pending_.insert(winFolder + f.name + u'\\', host + '/' + f.host);
    }
    return out;
}

} // namespace platform::fs
