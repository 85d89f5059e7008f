#include "platform/FileSystem.h"
#include "platform/HostStamp.h"
#include "platform/AtomicFile.h"
#include "platform/SysError.h"
#include "platform/Waiting.h"
#include "platform/WinPath.h"

#include <QDir>
#include <QHash>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <QScopeGuard>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace platform::fs {

Machine& machine() { return Machine::current(); }

Resolved resolveReady(const QString& winPath)
{
    if (winPath.trimmed().isEmpty())
        fail(ErrBadFileName, winPath);
    Resolved r = machine().resolve(winPath);
    switch (r.status) {
    case Resolved::Ok:
        return r;
    case Resolved::NoSuchDrive:
        fail(ErrDeviceUnavailable, winPath);
    case Resolved::NotReady:
        fail(ErrDiskNotReady, winPath);
    case Resolved::Unsupported:
    case Resolved::BadName:
        fail(ErrBadFileName, winPath);
    }
    return r;
}

void requireNameable(const QString& winPath)
{
    if (!winpath::isNameablePath(winPath))
        fail(ErrBadFileName, winpath::printable(winPath));
}

QString below(const QString& folder, const QString& rest)
{
    if (!winpath::isNameablePath(rest))
        fail(ErrBadFileName, winpath::printable(rest));
    if (const winpath::Parts parts = winpath::split(rest); parts.rooted || !parts.drive.isNull())
        fail(ErrBadFileName, winpath::printable(rest));
    return folder + rest;
}

// The entry of an item that is there, from one look at it: its time in local time as the
// status of one file gives it, or in UTC as a listing does (no look at the host's zone).
static Entry entryFor(const Resolved& r, Qt::TimeSpec spec = Qt::LocalTime)
{
    const HostStamp st = r.stamp.exists ? r.stamp : HostStamp::of(r.host());
    Entry e;
    e.name = r.isRoot() ? QString() : r.name();
    e.attrs = r.isRoot() ? AttrDirectory : r.volume->attributes(r.rel(), st.isDir);
    e.size = st.isDir ? 0 : qMax<qint64>(0, st.size);
    if (st.exists)
        e.modified = spec == Qt::UTC ? QDateTime::fromMSecsSinceEpoch(st.mtimeNs / 1000000, QTimeZone::utc())
                                     : QDateTime::fromMSecsSinceEpoch(st.mtimeNs / 1000000);
    return e;
}

std::optional<Entry> tryStat(const QString& winPath)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved r = machine().resolve(winPath);
    if (!r.ok() || !r.exists())
        return std::nullopt;
    return entryFor(r);
}

Entry stat(const QString& winPath)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved r = resolveReady(winPath);
    if (!r.exists())
        fail(r.parentExists() ? ErrFileNotFound : ErrPathNotFound, winPath);
    return entryFor(r);
}

bool exists(const QString& winPath) { return tryStat(winPath).has_value(); }

bool isDirectory(const QString& winPath)
{
    const auto e = tryStat(winPath);
    return e && e->isDir();
}

NotAFile whyNotAFile(const QString& winPath)
{
    Resolved r;
    try {
        r = resolveReady(winPath);
    } catch (const SysError&) {
        return NotAFile::NotReadable;
    }
    const QFileInfo host(r.host());
    if (host.isSymLink() && !host.exists())
        return NotAFile::LinkToNothing;
    if (!r.exists())
        return NotAFile::Missing;
    return r.isDir() ? NotAFile::Folder : NotAFile::NotReadable;
}

QString shortName(const QString& winPath)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved r = resolveReady(winPath);
    if (!r.exists())
        fail(ErrFileNotFound, winPath);
    if (r.isRoot())
        return {};
    return machine().shortNameOf(r.parentHost(), r.name());
}

QList<Entry> find(const QString& spec, quint32 mask)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved probe = machine().resolve(spec);
    if (probe.status != Resolved::Ok)
        fail(ErrBadFileName, spec);
    const winpath::Parts parts = winpath::split(spec);
    QList<Entry> out;
    if (mask & AttrVolume) {
        Entry e;
        e.name = probe.volume->label();
        e.attrs = AttrVolume;
        if (!e.name.isEmpty())
            out << e;
        return out;
    }
    // Folder to list and the pattern of names.
    QString pattern = QStringLiteral("*.*");
    Resolved folder = probe;
    if (!parts.trailingSeparator && !parts.components.isEmpty() && !folder.isRoot()) {
        pattern = folder.components.last();
        folder.components.removeLast();
        if (folder.existing > folder.components.size()) {
            folder.existing = folder.components.size();
            folder.lastIsDir = true;
        }
        if (pattern == u"." || pattern == u"..") {
            pattern = QStringLiteral("*.*");
        }
    }
    if (!folder.exists() || !folder.lastIsDir)
        return out;
    const QString host = folder.host();
    const bool wild = winpath::hasWildcards(pattern);
    const quint32 hiding = AttrHidden | AttrSystem | AttrDirectory;
    auto wanted = [&](quint32 attrs) { return (attrs & hiding & ~mask) == 0; };
    if (!folder.isRoot() && (pattern == u"*.*" || pattern == u"*")) {
        for (const char* dot : {".", ".."}) {
            Entry e;
            e.name = QString::fromLatin1(dot);
            e.attrs = AttrDirectory;
            if (wanted(e.attrs))
                out << e;
        }
    }
    const QString relBase = folder.rel().isEmpty() ? QString() : folder.rel() + u'/';
    if (!wild) {
        const QString name = machine().findInDir(host, pattern);
        if (!name.isEmpty()) {
            Resolved item = folder;
            item.components << name;
            item.existing = item.components.size();
            item.stamp = HostStamp::of(item.host());
            item.lastIsDir = item.stamp.isDir;
            const Entry e = entryFor(item, Qt::UTC);
            if (wanted(e.attrs))
                out << e;
        }
        return out;
    }
    const bool shortToo = pattern.contains(u'~');
    for (const QString& name : machine().listDir(host)) {
        if (!winpath::wildcardMatch(pattern, name)) {
            if (!shortToo)
                continue;
            const QString sn = machine().shortNameOf(host, name);
            if (sn.isEmpty() || !winpath::wildcardMatch(pattern, sn))
                continue;
        }
        const HostStamp st = HostStamp::of(host + u'/' + name);
        Entry e;
        e.name = name;
        e.attrs = folder.volume->attributes(relBase + name, st.isDir);
        e.size = st.isDir ? 0 : qMax<qint64>(0, st.size);
        // A listing costs no conversion to local time (a look at the host's zone each).
        e.modified = QDateTime::fromMSecsSinceEpoch(st.mtimeNs / 1000000, QTimeZone::utc());
        if (wanted(e.attrs))
            out << e;
    }
    return out;
}

// ---- changes ---------------------------------------------------------------

static void requireParent(const Resolved& r, const QString& winPath)
{
    if (!r.parentExists())
        fail(ErrPathNotFound, winPath);
}

void createDirectory(const QString& winPath)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved r = resolveReady(winPath);
    if (r.isRoot() || r.exists())
        fail(ErrPathFileAccess, winPath);
    requireParent(r, winPath);
    r.volume->requireWritable();
    if (r.components.size() == 1)
        r.volume->requireRootEntry(r.name());
    if (r.volume->isFloppy() && r.volume->freeBytes() < r.volume->clusterSize())
        fail(ErrDiskFull, winPath);
    if (!QDir().mkdir(r.host()))
        fail(ErrPathFileAccess, winPath);
    r.volume->forget(r.rel());
    machine().noteAdded(r.parentHost(), r.name());
}

void removeDirectory(const QString& winPath)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved r = resolveReady(winPath);
    if (r.isRoot())
        fail(ErrPathFileAccess, winPath);
    if (!r.exists() || !r.lastIsDir)
        fail(ErrPathNotFound, winPath);
    r.volume->requireWritable();
    // The host refuses a folder that still holds anything, with the answer of any other refusal.
    if (::rmdir(QFile::encodeName(r.host()).constData()) != 0)
        fail(ErrPathFileAccess, winPath);
    r.volume->forget(r.rel());
    machine().noteRemoved(r.parentHost(), r.name());
    machine().forgetDir(r.host());
}

void removeTree(const QString& winPath)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    QList<Entry> entries;
    try {
        if (!isDirectory(winPath))
            return;
        entries = find(winPath + QStringLiteral("\\*.*"), AttrHidden | AttrSystem | AttrDirectory);
    } catch (const SysError&) {
        return;
    }
    for (const Entry& e : entries) {
        if (e.name == u"." || e.name == u"..")
            continue;
        const QString path = winPath + u'\\' + e.name;
        if (e.isDir()) {
            removeTree(path);
            continue;
        }
        try {
            if (e.attrs & (AttrReadOnly | AttrHidden | AttrSystem))
                setAttributes(path, AttrNormal);
            removeFile(path);
        } catch (const SysError&) {
        }
        whileWaiting();   // thousands of files take a while
    }
    try {
        removeDirectory(winPath);
    } catch (const SysError&) {
    }
}

void removeFile(const QString& winPath)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved r = resolveReady(winPath);
    if (!r.exists() || r.isRoot() || r.lastIsDir)
        fail(r.parentExists() ? ErrFileNotFound : ErrPathNotFound, winPath);
    r.volume->requireWritable();
    if (r.volume->attributes(r.rel(), false) & AttrReadOnly)
        fail(ErrPathFileAccess, winPath);
    if (!QFile::remove(r.host()))
        fail(ErrPathFileAccess, winPath);
    r.volume->forget(r.rel());
    machine().noteRemoved(r.parentHost(), r.name());
}

// The kind (DT_REG, DT_DIR, ...) of each entry of the open folder `dir` by its host name,
// from one reading of it; nothing when `wanted` names are few against the folder's size (a
// look at each of them costs less than reading it all) or the folder cannot be read.
static QHash<QByteArray, unsigned char> entryKinds(int dir, qsizetype wanted)
{
    QHash<QByteArray, unsigned char> kinds;
    struct stat st;
    // Beyond its first block a folder takes some 24 bytes or more per entry.
    if (wanted < 16 || ::fstat(dir, &st) != 0 || wanted * 4 * 24 < st.st_size - 4096)
        return kinds;
    const int copy = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!listing) {
        if (copy >= 0)
            ::close(copy);
        return kinds;
    }
    kinds.reserve(wanted);
    while (const dirent* e = ::readdir(listing))
        kinds.insert(QByteArray(e->d_name), e->d_type);
    ::closedir(listing);
    return kinds;
}

QStringList removeFilesIn(const QString& winFolder, const QStringList& names)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    QStringList removed;
    Resolved folder;
    try {
        folder = resolveReady(winFolder);
        if (!folder.isDir())
            return removed;
        folder.volume->requireWritable();
    } catch (const SysError&) {
        return removed;
    }
    const QString host = folder.host();
    const QString relBase = folder.isRoot() ? QString() : folder.rel() + u'/';
    // Each name is looked at and removed relative to the folder, opened once: the host
    // walks the folder's path once, not twice for every name.
    const int dir = ::open(QFile::encodeName(host).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return removed;
    const auto closeDir = qScopeGuard([dir] { ::close(dir); });
    // Where the names are many against what the folder holds, one reading of the folder tells
    // which are plain files and folders; a host link, or a kind the reading does not give, is
    // looked at by itself (followed, as resolve() does: a link to a folder counts as a folder).
    const QHash<QByteArray, unsigned char> kinds = entryKinds(dir, names.size());
    const auto plainFile = [dir, &kinds](const QByteArray& name) {
        if (!kinds.isEmpty()) {
            const auto it = kinds.constFind(name);
            if (it == kinds.constEnd())
                return -1;
            if (*it == DT_REG || *it == DT_DIR)
                return *it == DT_DIR ? 0 : 1;
        }
        struct stat st;
        return ::fstatat(dir, name.constData(), &st, 0) == 0 ? (S_ISDIR(st.st_mode) ? 0 : 1) : -1;
    };
    QStringList gone;
    for (const QString& name : names) {
        // As removeFile() finds and refuses it: by its name in any case, not a folder, not read-only.
        if (name.isEmpty() || name.contains(u'\\') || name.contains(u'/'))
            continue;
        QString stored = name;
        QByteArray local = QFile::encodeName(name);
        int kind = plainFile(local);
        if (kind < 0) {
            stored = machine().findInDir(host, name);
            if (stored.isEmpty())
                continue;
            local = QFile::encodeName(stored);
            kind = plainFile(local);
        }
        if (kind != 1 || (folder.volume->attributes(relBase + stored, false) & AttrReadOnly))
            continue;
        if (::unlinkat(dir, local.constData(), 0) != 0)
            continue;
        gone << relBase + stored;
        removed << stored;
        whileWaiting();   // thousands of files take a while
    }
    if (!gone.isEmpty()) {
        folder.volume->forgetAll(gone);
        machine().forgetDir(host);
    }
    return removed;
}

void rename(const QString& from, const QString& to)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved a = resolveReady(from);
    if (!a.exists() || a.isRoot())
        fail(a.parentExists() ? ErrFileNotFound : ErrPathNotFound, from);
    const Resolved b = resolveReady(to);
    if (a.drive != b.drive)
        fail(74, to);   // rename with a different drive
    const bool sameItem = a.rel().compare(b.rel(), Qt::CaseInsensitive) == 0;
    if (b.exists() && !sameItem)
        fail(ErrFileExists, to);
    requireParent(b, to);
    a.volume->requireWritable();
    if (b.components.size() == 1 && a.components.size() != 1)
        b.volume->requireRootEntry(b.name());
    const bool dir = a.lastIsDir;
    if (::rename(QFile::encodeName(a.host()).constData(), QFile::encodeName(b.host()).constData()) != 0)
        fail(ErrPathFileAccess, from);
    a.volume->moved(a.rel(), b.rel());
    machine().noteRemoved(a.parentHost(), a.name());
    machine().noteAdded(b.parentHost(), b.name());
    if (dir)
        machine().forgetDir(a.host());
}

void moveOver(const QString& from, const QString& to)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved a = resolveReady(from);
    if (!a.exists() || a.isRoot() || a.lastIsDir)
        fail(a.parentExists() ? ErrFileNotFound : ErrPathNotFound, from);
    const Resolved b = resolveReady(to);
    if (a.drive != b.drive)
        fail(74, to);
    if (b.isRoot() || (b.exists() && b.lastIsDir))
        fail(ErrPathFileAccess, to);
    requireParent(b, to);
    a.volume->requireWritable();
    if (!b.exists() && b.components.size() == 1 && a.components.size() != 1)
        b.volume->requireRootEntry(b.name());
    if (::rename(QFile::encodeName(a.host()).constData(), QFile::encodeName(b.host()).constData()) != 0)
        fail(hostFailureCode(errno, nullptr, ErrPathFileAccess), to);
    if (b.exists())
        b.volume->forget(b.rel());
    a.volume->moved(a.rel(), b.rel());
    machine().noteRemoved(a.parentHost(), a.name());
    machine().noteAdded(b.parentHost(), b.name());
}

void setModified(const QString& winPath, const QDateTime& t)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved r = resolveReady(winPath);
    if (!r.exists())
        fail(ErrFileNotFound, winPath);
    struct utimbuf ut;
    ut.actime = ut.modtime = t.toSecsSinceEpoch();
    ::utime(QFile::encodeName(r.host()).constData(), &ut);
}

// Resolves both ends of a copy with its checks of the source and of the target's place.
// False: a copy onto itself, which leaves the file as it is.
static bool resolveCopy(const QString& from, const QString& to, Resolved& a, Resolved& b)
{
    a = resolveReady(from);
    if (!a.exists() || a.isRoot() || a.lastIsDir)
        fail(a.parentExists() ? ErrFileNotFound : ErrPathNotFound, from);
    b = resolveReady(to);
    if (b.isRoot() || (b.exists() && b.lastIsDir))
        fail(ErrPathFileAccess, to);
    requireParent(b, to);
    return !(a.volume == b.volume && a.rel().compare(b.rel(), Qt::CaseInsensitive) == 0);
}

// The checks of the target of a copy before anything is read; the size of the file the
// copy replaces (0 when none).
static qint64 checkCopyTarget(const Resolved& b, const QString& to)
{
    b.volume->requireWritable();
    if (b.exists()) {
        if (b.volume->attributes(b.rel(), false) & AttrReadOnly)
            fail(ErrPathFileAccess, to);
        return QFileInfo(b.host()).size();
    }
    if (b.components.size() == 1)
        b.volume->requireRootEntry(b.name());
    return 0;
}

static void copyResolved(const Resolved& a, const Resolved& b, const QString& from, const QString& to)
{
    const quint32 srcAttrs = a.volume->attributes(a.rel(), false);
    const qint64 oldSize = checkCopyTarget(b, to);
    QFile in(a.host());
    if (!in.open(QIODevice::ReadOnly))
        fail(ErrPathFileAccess, from);
    // The copy takes the place of the file it replaces, whose clusters it gets.
    b.volume->requireRoom(oldSize, in.size());
    // Written beside the target and put in its place whole: until then the target stays
    // as it was, and a copy that fails or is cut short leaves it so.
    WholeFile out(b.host());
    out.open();
    out.copyFrom(in, from);
    out.commit();
    const QDateTime t = QFileInfo(a.host()).lastModified();
    struct utimbuf ut;
    ut.actime = ut.modtime = t.toSecsSinceEpoch();
    ::utime(QFile::encodeName(b.host()).constData(), &ut);
    b.volume->setAttributes(b.rel(), false, srcAttrs);
    machine().noteAdded(b.parentHost(), b.name());
}

void copyFile(const QString& from, const QString& to)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    Resolved a, b;
    if (resolveCopy(from, to, a, b))
        copyResolved(a, b, from, to);
}

bool linkOrCopyFile(const QString& from, const QString& to)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    Resolved a, b;
    if (!resolveCopy(from, to, a, b))
        return false;
    const QByteArray source = QFile::encodeName(a.host());
    if (b.exists() || a.volume->isFloppy() || b.volume->isFloppy()) {
        copyResolved(a, b, from, to);
        return false;
    }
    // What resolving has just seen of the source and of the target's folder is not looked at again.
    const HostStamp st = a.stamp.exists ? a.stamp : HostStamp::of(a.host());
    const HostStamp folder = b.folderStamp.exists ? b.folderStamp : HostStamp::of(b.parentHost());
    // A copy is a new file with the rights rw-r--r--; only a source that has them can stand in for it.
    if (!st.exists || !S_ISREG(st.mode) || (st.mode & 07777) != 0644 || !folder.exists || folder.device != st.device) {
        copyResolved(a, b, from, to);
        return false;
    }
    // The checks of the copy, in its order.
    const quint32 srcAttrs = a.volume->attributes(a.rel(), false);
    checkCopyTarget(b, to);
    if (::access(source.constData(), R_OK) != 0)
        fail(ErrPathFileAccess, from);
    b.volume->requireRoom(0, st.size);
    if (::link(source.constData(), QFile::encodeName(b.host()).constData()) != 0) {
        copyResolved(a, b, from, to);
        return false;
    }
    b.volume->setAttributes(b.rel(), false, srcAttrs);
    machine().noteAdded(b.parentHost(), b.name());
    return true;
}

LinkRun::~LinkRun()
{
    for (const auto& [win, folder] : folders_)
        if (folder.fd >= 0)
            ::close(folder.fd);
}

void LinkRun::close(Folder& folder)
{
    if (folder.fd < 0)
        return;
    ::close(folder.fd);
    folder.fd = -1;
}

// A folder found in an earlier reading, found as written: its drive is the same volume and
// its host path the same folder, so resolving its path now would give what it gave then.
bool LinkRun::stillThere(Folder& folder) const
{
    struct stat st;
    return folder.asWritten && machine().volume(folder.where.drive) == folder.where.volume &&
           ::stat(QFile::encodeName(folder.host).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           quint64(st.st_dev) == folder.device && quint64(st.st_ino) == folder.inode;
}

// The folder `win`, found and open; null when it is no folder below a drive root that the
// run takes. As many stay open as a quarter of the process's descriptors allows (between
// 64 and 4,096); one used again after the oldest were closed is opened again. The usual
// soft limit of 1,024 descriptors would keep 256 folders, fewer than a save of thousands of
// files spread over hundreds of folders uses: the process takes up to 16,384 where the hard
// limit lets it.
LinkRun::Folder* LinkRun::take(const QString& win)
{
    static const qsizetype kOpenAtMost = [] {
        struct rlimit limit;
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
            return qsizetype(64);
        const rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? rlim_t(16384) : qMin<rlim_t>(limit.rlim_max, 16384);
        if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
            struct rlimit raised = limit;
            raised.rlim_cur = wanted;
            if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
                limit = raised;
        }
        return qsizetype(qBound<rlim_t>(64, limit.rlim_cur / 4, 4096));
    }();
    auto it = folders_.find(win);
    if (it != folders_.end() && it->second.look != Machine::looks()) {
        if (stillThere(it->second)) {
            it->second.look = Machine::looks();
        } else {
            close(it->second);
            open_.removeOne(win);
            folders_.erase(it);
            it = folders_.end();
        }
    }
    if (it == folders_.end()) {
        const Resolved r = machine().resolve(win);
        struct stat st;
        if (!r.ok() || !r.isDir() || r.isRoot() || r.volume->isFloppy() || ::stat(QFile::encodeName(r.host()).constData(), &st) != 0)
            return nullptr;
        const winpath::Parts written = winpath::split(win);
        const bool asWritten = written.rooted && !written.unc && !written.drive.isNull() && winpath::normalise(written.components) == r.components;
        it = folders_.emplace(win, Folder{r, r.host(), r.rel() + u'/', asWritten, Machine::looks(), quint64(st.st_dev), quint64(st.st_ino), -1, {}, 0}).first;
    }
    Folder& folder = it->second;
    if (folder.fd < 0) {
        if (open_.size() >= kOpenAtMost)
            close(folders_.at(open_.takeFirst()));
        folder.fd = ::open(QFile::encodeName(folder.host).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        struct stat st;
        if (folder.fd >= 0 && (::fstat(folder.fd, &st) != 0 || quint64(st.st_dev) != folder.device || quint64(st.st_ino) != folder.inode))
            close(folder);   // no longer the folder that was found
        if (folder.fd < 0)
            return nullptr;
        open_ << win;
    }
    return &folder;
}

bool LinkRun::linkOrCopyFile(const QString& from, const QString& to)
{
    const Machine::OneReading reading(machine());
    const qsizetype fromCut = from.lastIndexOf(u'\\');
    const qsizetype toCut = to.lastIndexOf(u'\\');
    const QString fromName = from.mid(fromCut + 1);
    const QString toName = to.mid(toCut + 1);
    // Plain names, which resolving takes as they stand once their folder is found.
    if (fromCut < 0 || toCut < 0 || !winpath::isNameable(fromName) || !winpath::isNameable(toName))
        return fs::linkOrCopyFile(from, to);
    const Folder* src = take(from.left(fromCut + 1));
    Folder* const dst = src ? take(to.left(toCut + 1)) : nullptr;
    if (dst && src->fd < 0)   // the oldest open one, closed for the target's
        src = take(from.left(fromCut + 1));
    if (!src || !dst)
        return fs::linkOrCopyFile(from, to);
    const QByteArray source = QFile::encodeName(fromName);
    const QByteArray target = QFile::encodeName(toName);
    // The source there under its name as written; the target not there under its name, nor
    // under another case or short name of it: the listing of its folder, as the look at the
    // folder just taken finds it, holds none of them. One there all the same (come since)
    // makes the link fail, as the host never links over a name. Within one look at the drives
    // the folder is as this run's last link into it left it.
    struct stat st, folder;
    HostStamp folderStamp = dst->linkedLook == Machine::looks() ? dst->linked : HostStamp{};
    if (!folderStamp.exists && ::fstat(dst->fd, &folder) == 0)
        folderStamp = HostStamp::of(folder);
    if (::fstatat(src->fd, source.constData(), &st, 0) != 0 || !folderStamp.exists ||
        !machine().findOtherSpelling(dst->host, toName, folderStamp).isEmpty())
        return fs::linkOrCopyFile(from, to);
    // A copy is a new file with the rights rw-r--r--; only a source that has them can stand in for it.
    if (!S_ISREG(st.st_mode) || (st.st_mode & 07777) != 0644 || folderStamp.device != quint64(st.st_dev))
        return fs::linkOrCopyFile(from, to);
    // The checks of linkOrCopyFile() in its order, for a new file outside the root of a disk
    // that is no floppy (no room or root entry to count).
    const quint32 srcAttrs = src->where.volume->attributes(src->relBase + fromName, false);
    dst->where.volume->requireWritable();
    // rw-r--r-- lets its owner read it: only another user's file needs the host's answer.
    static const uid_t self = ::getuid();
    if (st.st_uid != self && ::faccessat(src->fd, source.constData(), R_OK, 0) != 0)
        fail(ErrPathFileAccess, from);
    if (::linkat(src->fd, source.constData(), dst->fd, target.constData(), 0) != 0)
        return fs::linkOrCopyFile(from, to);
    dst->where.volume->setAttributes(dst->relBase + toName, false, srcAttrs);
    const HostStamp after = ::fstat(dst->fd, &folder) == 0 ? HostStamp::of(folder) : HostStamp{};
    dst->linked = after;
    dst->linkedLook = Machine::looks();
    machine().noteAdded(dst->host, toName, after.exists ? &after : nullptr);
    return true;
}

bool moveOrCopyFile(const QString& from, const QString& to)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    Resolved a, b;
    if (!resolveCopy(from, to, a, b))
        return false;
    const QByteArray source = QFile::encodeName(a.host());
    const QByteArray target = QFile::encodeName(b.host());
    struct stat st, folder;
    if (a.volume != b.volume || ::stat(source.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::stat(QFile::encodeName(b.parentHost()).constData(), &folder) != 0 || folder.st_dev != st.st_dev) {
        copyResolved(a, b, from, to);
        return false;
    }
    // The checks of the copy, in its order.
    const qint64 oldSize = checkCopyTarget(b, to);
    const int fd = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(ErrPathFileAccess, from);
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    b.volume->requireRoom(oldSize, st.st_size);
    // What the copy would be: the rights of the file it replaces (those of a new file when
    // none), the source's time to the second, and bytes that reach the disk before they
    // replace a file.
    struct stat replaced;
    const bool replacing = ::stat(target.constData(), &replaced) == 0;
    if (replacing && ::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS)
        fail(hostFailureCode(errno, nullptr, ErrDeviceIO), to);
    if (::rename(source.constData(), target.constData()) != 0) {
        copyResolved(a, b, from, to);
        return false;
    }
    const mode_t mode = replacing ? (replaced.st_mode & 07777) : 0644;
    if ((st.st_mode & 07777) != mode)
        ::fchmod(fd, mode);
    if (st.st_mtim.tv_nsec != 0) {
        const struct timespec times[2] = {{st.st_mtim.tv_sec, 0}, {st.st_mtim.tv_sec, 0}};
        ::futimens(fd, times);
    }
    // The file carries the source's attributes, whatever the replaced one had.
    if (b.exists())
        b.volume->forget(b.rel());
    a.volume->moved(a.rel(), b.rel());
    machine().noteRemoved(a.parentHost(), a.name());
    machine().noteAdded(b.parentHost(), b.name());
    return true;
}

quint32 attributes(const QString& winPath) { return stat(winPath).attrs; }

void setAttributes(const QString& winPath, quint32 attrs)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved r = resolveReady(winPath);
    if (!r.exists() || r.isRoot())
        fail(r.parentExists() ? ErrFileNotFound : ErrPathNotFound, winPath);
    r.volume->requireWritable();
    r.volume->setAttributes(r.rel(), r.lastIsDir, attrs);
}

QByteArray readAll(const QString& winPath)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    File f;
    f.open(winPath, File::Read);
    return f.read(f.size());
}

void writeAll(const QString& winPath, const QByteArray& bytes)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    const Resolved r = resolveReady(winPath);
    requireParent(r, winPath);
    if (r.isRoot() || (r.exists() && r.lastIsDir))
        fail(ErrPathFileAccess, winPath);
    r.volume->requireWritable();
    qint64 oldSize = 0;
    if (r.exists()) {
        if (r.volume->attributes(r.rel(), false) & AttrReadOnly)
            fail(ErrPathFileAccess, winPath);
        oldSize = QFileInfo(r.host()).size();
    } else if (r.components.size() == 1) {
        r.volume->requireRootEntry(r.name());
    }
    r.volume->requireRoom(oldSize, bytes.size());
    WholeFile out(r.host());
    out.open();
    out.write(bytes);
    out.commit();
    machine().noteAdded(r.parentHost(), r.name());
    if (r.exists()) {
        const quint32 a = r.volume->attributes(r.rel(), false);
        if (!(a & AttrArchive))
            r.volume->setAttributes(r.rel(), false, a | AttrArchive);
    }
}

// ---- volumes ----------------------------------------------------------------

static QChar driveOf(const QString& root)
{
    const QString t = root.trimmed();
    if (t.isEmpty())
        return machine().currentDrive();
    return t[0].toUpper();
}

DriveKind driveKind(const QString& root)
{
    const QString t = root.trimmed();
    // A root must be "X:\" (or "X:" / "X"); anything else has no root directory.
    if (t.isEmpty() || !t[0].isLetter() || (t.size() > 1 && t[1] != u':') || t.size() > 3 || (t.size() == 3 && t[2] != u'\\' && t[2] != u'/'))
        return DriveKind::None;
    return machine().driveKind(t[0]);
}

std::optional<DiskSpace> diskSpace(const QString& root)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    auto v = machine().volume(driveOf(root));
    if (!v || !v->formatted())
        return std::nullopt;
    DiskSpace s;
    s.bytesPerSector = 512;
    s.sectorsPerCluster = v->clusterSize() / 512;
    s.totalClusters = v->totalBytes() / v->clusterSize();
    s.freeClusters = v->freeBytes() / v->clusterSize();
    return s;
}

std::optional<qint64> clusterBytes(const QString& root)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    auto v = machine().volume(driveOf(root));
    if (!v || !v->formatted())
        return std::nullopt;
    return v->clusterSize() / 512 * 512;
}

std::optional<QString> volumeLabel(const QString& root)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    auto v = machine().volume(driveOf(root));
    if (!v || !v->formatted())
        return std::nullopt;
    return v->label();
}

std::optional<quint32> volumeSerial(const QString& root)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    auto v = machine().volume(driveOf(root));
    if (!v || !v->formatted())
        return std::nullopt;
    return v->serial();
}

void setVolumeLabel(const QString& root, const QString& label)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    auto v = machine().volume(driveOf(root));
    if (!v || !v->formatted())
        fail(ErrDiskNotReady, root);
    v->setLabel(label.left(11).toUpper());
}

// ---- File -------------------------------------------------------------------

// Read and the in-place modes use the file itself; Write builds a WholeFile that takes
// the file's place at close(), so the file being written over stays whole until then.
struct File::Impl {
    QFile file;
    std::unique_ptr<WholeFile> whole;
    Resolved where;
    qint64 replacedSize = 0;   // Write: the file that is being replaced
    bool dirty = false;
    // The room on a floppy as measured at the first write that grew the file: the file's size
    // it was measured for, the free bytes then, and the disk's root folder at that moment.
    qint64 roomBase = -1;
    qint64 roomFree = 0;
    HostStamp roomRoot, roomFolder;
};

File::~File()
{
    // Not closed: a replacement is dropped, the file keeps what it held.
    delete d_;
}

bool File::isOpen() const { return d_ != nullptr; }

// A file that came into being: its name in the listings, no attributes of an older one.
static void noteNewFile(Resolved& where)
{
    where.volume->forget(where.rel());
    machine().noteAdded(where.parentHost(), where.name());
    where.existing = where.components.size();
    where.lastIsDir = false;
}

// A file about to be written in place that shares its bytes with a second name (a staged
// copy made by linkOrCopyFile()) first gets bytes of its own, with its rights and time, so
// that the write reaches this name only. A copy that fails leaves the file as it was.
static void ownBytes(const Resolved& r, const QString& winPath)
{
    struct stat st;
    if (::stat(QFile::encodeName(r.host()).constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink < 2)
        return;
    QFile in(r.host());
    if (!in.open(QIODevice::ReadOnly))
        fail(ErrPathFileAccess, winPath);
    WholeFile own(r.host());   // replacing: the rights stay those of the file
    own.open();
    own.copyFrom(in, winPath);
    own.commit();
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, QFile::encodeName(r.host()).constData(), times, 0);
}

void File::open(const QString& winPath, Mode mode)
{
    const Machine::OneReading reading(machine());   // one look at the drives for the whole step
    close();
    open(resolveReady(winPath), winPath, mode);
}

void File::open(const Resolved& r, const QString& winPath, Mode mode)
{
    close();
    if (r.isRoot() || (r.exists() && r.lastIsDir))
        fail(ErrPathFileAccess, winPath);
    if (!r.exists()) {
        requireParent(r, winPath);
        if (mode == Read)
            fail(ErrFileNotFound, winPath);
        r.volume->requireWritable();
        if (r.components.size() == 1)
            r.volume->requireRootEntry(r.name());
    } else if (mode != Read) {
        r.volume->requireWritable();
        if (r.volume->attributes(r.rel(), false) & AttrReadOnly)
            fail(ErrPathFileAccess, winPath);
        if (mode != Write)
            ownBytes(r, winPath);
    }
    auto d = std::make_unique<Impl>();
    d->where = r;
    if (mode == Write) {
        d->replacedSize = r.exists() ? QFileInfo(r.host()).size() : 0;
        d->whole = std::make_unique<WholeFile>(r.host());
        d->whole->open();
        d->dirty = true;
    } else {
        d->file.setFileName(r.host());
        errno = 0;
        // Writes in place go straight to the host, so a failure comes with the write.
        const QIODevice::OpenMode om = mode == Read ? QIODevice::ReadOnly : QIODevice::ReadWrite | QIODevice::Unbuffered;
        if (!d->file.open(om))
            fail(hostFailureCode(errno, &d->file, ErrPathFileAccess), winPath);
        if (!r.exists())
            noteNewFile(d->where);
        if (mode == Append)
            d->file.seek(d->file.size());
    }
    d_ = d.release();
    mode_ = mode;
    win_ = winPath;
}

void File::close()
{
    if (!d_)
        return;
    std::unique_ptr<Impl> d(d_);
    d_ = nullptr;
    if (d->whole) {
        const bool existed = d->whole->replacing();
        d->whole->commit();
        if (!existed)
            noteNewFile(d->where);
    } else if (mode_ != Read) {
        d->file.close();
        if (d->file.error() != QFileDevice::NoError)
            fail(hostFailureCode(0, &d->file, ErrDeviceIO), win_);
    }
    if (d->dirty) {
        const Resolved& r = d->where;
        const quint32 a = r.volume->attributes(r.rel(), false);
        if (!(a & AttrArchive))
            r.volume->setAttributes(r.rel(), false, a | AttrArchive);
    }
}

qint64 File::size() const
{
    if (!d_)
        return 0;
    return d_->whole ? d_->whole->size() : d_->file.size();
}

qint64 File::pos() const
{
    if (!d_)
        return 0;
    return d_->whole ? d_->whole->pos() : d_->file.pos();
}

void File::seek(qint64 pos)
{
    if (!d_)
        fail(ErrBadFileName);
    if (d_->whole)
        d_->whole->seek(pos);
    else
        d_->file.seek(pos);
}

QByteArray File::read(qint64 n)
{
    if (!d_)
        fail(ErrBadFileName);
    if (mode_ == Write)
        fail(ErrBadFileMode, win_);
    return d_->file.read(n);
}

// A replacement is not on the disk yet: it takes over the clusters of the file it replaces.
// Measuring a floppy's free space walks all of it; while the file is written nothing else
// changes on the disk but the file itself (its folders looked at once per write say so), so
// the space is measured once and what the file took since is counted off it.
void File::requireRoomToWrite(const Volume& v, qint64 cur, qint64 end)
{
    const qint64 base = d_->whole ? d_->replacedSize : cur;
    if (!v.isFloppy() || end <= base)
        return v.requireRoom(base, end);
    const QString folderHost = d_->where.parentHost();
    const HostStamp root = HostStamp::of(v.hostRoot());
    const auto folderNow = [&] { return folderHost == v.hostRoot() ? root : HostStamp::of(folderHost); };
    if (d_->roomBase < 0 || root != d_->roomRoot || folderNow() != d_->roomFolder) {
        d_->roomBase = base;
        d_->roomFree = v.freeBytes();
        d_->roomRoot = root;
        d_->roomFolder = folderNow();
    }
    const qint64 more = (v.clustersFor(end) - v.clustersFor(d_->roomBase)) * v.clusterSize();
    if (more > 0 && more > d_->roomFree)
        fail(ErrDiskFull);
}

// The disk may have been changed or protected behind our back: looked at once per write.
void File::requireWriteTo(qint64 cur, qint64 end)
{
    const Machine::OneReading reading(machine());
    auto v = machine().volume(d_->where.drive);
    if (!v || v != d_->where.volume)
        fail(ErrDiskNotReady, win_);
    v->requireWritable();
    requireRoomToWrite(*v, cur, end);
}

void File::write(const QByteArray& bytes)
{
    if (!d_)
        fail(ErrBadFileName);
    if (mode_ == Read)
        fail(ErrBadFileMode, win_);
    const qint64 cur = size();
    requireWriteTo(cur, qMax(cur, pos() + bytes.size()));
    if (d_->whole) {
        d_->whole->write(bytes);
    } else {
        errno = 0;
        if (d_->file.write(bytes) != bytes.size())
            fail(hostFailureCode(errno, &d_->file, ErrDeviceIO), win_);
    }
    d_->dirty = true;
    whileWaiting();   // a long copy written piece by piece
}

// The bytes of `in` from `inPos` to `out` at `outPos` within the kernel where it can, else
// read and written here; -1 with errno on a failure, after *moved bytes.
static int hostCopy(int in, qint64 inPos, int out, qint64 outPos, qint64 count, qint64* moved)
{
    *moved = 0;
    bool inKernel = true;
    QByteArray buffer;
    while (*moved < count) {
        const size_t want = size_t(qMin<qint64>(count - *moved, qint64(1) << 30));
        ssize_t n;
        if (inKernel) {
            loff_t from = inPos + *moved, to = outPos + *moved;
            n = ::copy_file_range(in, &from, out, &to, want, 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF)) {
                inKernel = false;
                continue;
            }
        } else {
            if (buffer.isEmpty())
                buffer.resize(1 << 20);
            n = ::pread(in, buffer.data(), qMin<size_t>(want, size_t(buffer.size())), inPos + *moved);
            if (n > 0) {
                for (ssize_t done = 0; done < n;) {
                    const ssize_t w = ::pwrite(out, buffer.constData() + done, size_t(n - done), outPos + *moved + done);
                    if (w <= 0) {
                        *moved += done;
                        if (w == 0)
                            errno = ENOSPC;
                        return -1;
                    }
                    done += w;
                }
            }
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;   // the end of the source
        *moved += n;
    }
    return 0;
}

qint64 File::writeFrom(File& from, qint64 count)
{
    if (!d_ || !from.d_)
        fail(ErrBadFileName);
    if (mode_ == Read || d_->whole)
        fail(ErrBadFileMode, win_);
    if (from.mode_ == Write)
        fail(ErrBadFileMode, from.win_);
    const qint64 inPos = from.pos();
    count = qMax<qint64>(0, qMin(count, from.size() - inPos));
    const qint64 cur = size();
    const qint64 outPos = pos();
    requireWriteTo(cur, qMax(cur, outPos + count));
    qint64 moved = 0;
    errno = 0;
    const int result = hostCopy(from.d_->file.handle(), inPos, d_->file.handle(), outPos, count, &moved);
    const int err = errno;
    from.d_->file.seek(inPos + moved);
    d_->file.seek(outPos + moved);
    if (moved > 0)
        d_->dirty = true;
    if (result != 0)
        fail(hostFailureCode(err, nullptr, ErrDeviceIO), win_);
    whileWaiting();
    return moved;
}

} // namespace platform::fs
