#include "platform/UnzipAdapter.h"
#include "platform/FileSystem.h"
#include "platform/HostTransfer.h"
#include "platform/SysError.h"
#include "platform/Waiting.h"
#include "platform/WinPath.h"
#include "platform/ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform::infozip {
namespace {

const QString kUnzip = QStringLiteral("/usr/bin/unzip");

enum UnzipExit { UnzipOk = 0, UnzipWarning = 1, UnzipError = 2, UnzipNoZip = 9, UnzipBadOptions = 10, UnzipDiskFull = 50 };

struct UnzipRequest {
    bool quiet = false;
    bool overwrite = false;
    bool caseless = false;
    bool test = false;       // -t: read every entry back and check it, extract nothing
    QString archive;
    QStringList patterns;    // "/"-separated
    QStringList exclusions;  // after "-x"
    std::optional<QString> target;
};

std::optional<UnzipRequest> parse(const QStringList& args, QString* error)
{
    UnzipRequest req;
    bool excluding = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"-x") {
            excluding = true;
        } else if (arg == u"-d") {
            if (i + 1 == args.size()) {
                *error = QStringLiteral("error:  must specify directory to which to extract with -d option\n");
                return std::nullopt;
            }
            req.target = args[++i];
        } else if (arg.size() > 1 && arg.startsWith(u'-')) {
            for (const QChar c : arg.mid(1)) {
                switch (c.unicode()) {
                case u'q': req.quiet = true; break;
                case u'o': req.overwrite = true; break;
                case u'C': req.caseless = true; break;
                case u't': req.test = true; break;
                default:
                    *error = QStringLiteral("error:  unknown option '%1'\n").arg(c);
                    return std::nullopt;
                }
            }
        } else if (req.archive.isEmpty()) {
            req.archive = arg;
        } else {
            (excluding ? req.exclusions : req.patterns) << QString(arg).replace(u'\\', u'/');
        }
    }
    if (req.archive.isEmpty()) {
        *error = QStringLiteral("error:  no archive named\n");
        return std::nullopt;
    }
    return req;
}

// An entry that would land outside the target folder: "..", a root, a drive.
bool unsafe(const QString& name)
{
    const QString n = QString(name).replace(u'\\', u'/');
    return n.startsWith(u'/') || n.contains(u':') || n.split(u'/').contains(QStringLiteral(".."));
}

// The attributes the machine gives an extracted file: as stored for entries of DOS
// systems; for others the archive bit and read-only when the owner may not write.
quint8 attributesOf(const zip::ZipEntry& e)
{
    const quint8 stored = e.dosAttributes() & (AttrReadOnly | AttrHidden | AttrSystem | AttrArchive);
    return e.host() == zip::HostMsDos ? stored : quint8(AttrArchive | (stored & AttrReadOnly));
}

// unzip gives the entries of MS-DOS systems their names in Latin-1 (from the OEM code page),
// and the host's file names are UTF-8: such a name is renamed to its UTF-8 form, so that no
// extracted file is passed over unseen. Returns the names that could not be renamed.
// The names in a host folder as bytes (unzip's names need not be UTF-8); nullopt when it
// cannot be read.
std::optional<QList<QByteArray>> hostNames(const QByteArray& dir)
{
    DIR* d = ::opendir(dir.constData());
    if (!d)
        return std::nullopt;
    QList<QByteArray> names;
    while (const dirent* e = ::readdir(d))
        if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0)
            names << QByteArray(e->d_name);
    ::closedir(d);
    return names;
}

QStringList repairNames(const QByteArray& dir)
{
    QStringList left;
    struct stat st;
    for (const QByteArray& name : hostNames(dir).value_or(QList<QByteArray>())) {
        QByteArray path = dir + '/' + name;
        if (QFile::encodeName(QFile::decodeName(name)) != name) {
            const QByteArray utf8 = dir + '/' + QString::fromLatin1(name).toUtf8();
            if (::lstat(utf8.constData(), &st) != 0 && ::rename(path.constData(), utf8.constData()) == 0)
                path = utf8;
            else
                left << QString::fromLatin1(name);
        }
        if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            left << repairNames(path);
    }
    return left;
}

QString under(const QString& base, const QString& rel)
{
    const QString r = QString(rel).replace(u'/', u'\\');
    return base.endsWith(u'\\') ? base + r : base + u'\\' + r;
}

// Takes what the host's unzip extracted into the scratch folder onto the machine.
class Merger {
public:
    Merger(bool overwrite, QString* out) : overwrite_(overwrite), out_(out) {}

    QHash<QString, quint8> attrs;   // by entry name, folders with "/"
    int code = UnzipOk;
    bool diskFull = false;

    // The target folder, made when missing; "" when it cannot be had.
    QString prepare(const QString& target)
    {
        const std::optional<QString> folder = ensureFolder(target);
        if (!folder)
            *out_ += QStringLiteral("checkdir:  cannot create extraction directory: %1\n").arg(target);
        return folder.value_or(QString());
    }

    void mergeFolder(const QString& host, const QString& base, const QString& rel)
    {
        const QFileInfoList items = QDir(host).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                             QDir::Name);
        for (const QFileInfo& fi : items) {
            if (diskFull)
                return;
            whileWaiting();   // thousands of files take a while
            const QString itemRel = rel.isEmpty() ? fi.fileName() : rel + u'/' + fi.fileName();
            if (fi.isSymLink() || fi.fileName().contains(u'\\') || fi.fileName().contains(u':')) {
                warn(QStringLiteral("error:  refused to extract %1 outside a plain file or folder\n").arg(itemRel));
                continue;
            }
            const QString win = under(base, itemRel);
            if (fi.isDir()) {
                if (movedWhole(fi.filePath(), win, itemRel))
                    continue;
                if (!ensureFolder(win))
                    continue;
                if (const auto a = lookup(itemRel + u'/'))
                    guarded(win, [&] { fs::setAttributes(win, *a); });
                mergeFolder(fi.filePath(), base, itemRel);
            } else {
                mergeFile(fi.filePath(), win, itemRel);
            }
        }
    }

private:
    std::optional<quint8> lookup(const QString& name) const
    {
        const auto it = attrs.constFind(name);
        return it == attrs.constEnd() ? std::nullopt : std::optional(*it);
    }

    void warn(const QString& text)
    {
        *out_ += text;
        code = UnzipWarning;
    }

    // Runs a change of the machine; a full disk ends the merge, other failures are warnings.
    template <typename F>
    bool guarded(const QString& win, F&& change)
    {
        try {
            change();
            return true;
        } catch (const SysError& e) {
            if (e.code() == ErrDiskFull) {
                diskFull = true;
                *out_ += QStringLiteral("%1:  write error (disk full?).\n").arg(win);
            } else {
                warn(QStringLiteral("error:  cannot create %1 (error %2)\n").arg(win).arg(e.code()));
            }
            return false;
        }
    }

    // What lies below a folder that the host's unzip made, when all of it can come onto the
    // machine as it is: plain folders and files only, with names the machine takes as they
    // stand (no "~" that could stand for a short name, no two that differ in case alone).
    // Every item by its path below `rel` ("/"-separated), folders before their contents.
    struct TreeItem {
        QByteArray host;
        QString rel;
        bool dir = false;
        struct stat st;
    };
    static bool plainTree(const QByteArray& host, const QString& rel, QList<TreeItem>& items)
    {
        const std::optional<QList<QByteArray>> names = hostNames(host);
        if (!names)
            return false;
        QSet<QString> folded;
        for (const QByteArray& raw : *names) {
            whileWaiting();   // a tree of thousands of files takes a while
            const QString name = QFile::decodeName(raw);
            if (QFile::encodeName(name) != raw || name.contains(u'\\') || name.contains(u':') || name.contains(u'~') ||
                !firstOfItsName(folded, name))
                return false;
            TreeItem item{host + '/' + raw, rel + u'/' + name, false, {}};
            if (::lstat(item.host.constData(), &item.st) != 0 || !(S_ISDIR(item.st.st_mode) || S_ISREG(item.st.st_mode)))
                return false;
            item.dir = S_ISDIR(item.st.st_mode);
            items << item;
            if (item.dir && !plainTree(item.host, item.rel, items))
                return false;
        }
        return true;
    }
    static bool firstOfItsName(QSet<QString>& seen, const QString& name)
    {
        const QString f = winpath::foldCase(name);
        if (seen.contains(f))
            return false;
        seen.insert(f);
        return true;
    }

    // A folder that the machine does not have yet comes there whole, by one rename of the host
    // folder, when nothing in it needs a check of its own: not onto a floppy (whose space is
    // counted file by file), and holding only what plainTree() takes. Its folders and files
    // then have what they would have had one by one: the rights of new ones, their time to the
    // second and the attributes of their entries. False: the folder is to be merged item by item.
    bool movedWhole(const QString& host, const QString& win, const QString& rel)
    {
        const Resolved r = Machine::current().resolve(win);
        if (!r.ok() || r.isRoot() || r.existing != r.components.size() - 1 || !r.lastIsDir || r.volume->isFloppy())
            return false;
        const QByteArray from = QFile::encodeName(host);
        const QByteArray to = QFile::encodeName(r.host());
        struct stat source, folder;
        if (::stat(from.constData(), &source) != 0 || ::stat(QFile::encodeName(r.parentHost()).constData(), &folder) != 0 ||
            source.st_dev != folder.st_dev)
            return false;
        QList<TreeItem> items;
        if (!plainTree(from, QString(), items))
            return false;
        // The checks of making the folder; a failure passes over the folder, as there.
        if (!guarded(win, [&] {
                r.volume->requireWritable();
                if (r.components.size() == 1)
                    r.volume->requireRootEntry(r.name());
            }))
            return true;
        if (::rename(from.constData(), to.constData()) != 0)
            return false;
        static const mode_t folderMode = [] {
            const mode_t mask = ::umask(022);
            ::umask(mask);
            return 0777 & ~mask;
        }();
        // Folders made one by one would carry the time they were made.
        const auto madeNow = [&](const QByteArray& path, mode_t mode) {
            if ((mode & 07777) != folderMode)
                ::chmod(path.constData(), folderMode);
            ::utimensat(AT_FDCWD, path.constData(), nullptr, 0);
        };
        madeNow(to, source.st_mode);
        QList<Volume::AttributeChange> changes;
        if (const auto a = lookup(rel + u'/'))
            changes.append({r.rel(), true, *a});
        for (const TreeItem& item : items) {
            const QByteArray now = to + QFile::encodeName(item.rel);
            if (item.dir)
                madeNow(now, item.st.st_mode);
            else if ((item.st.st_mode & 07777) != 0644)
                ::chmod(now.constData(), 0644);
            if (!item.dir && item.st.st_mtim.tv_nsec != 0) {
                const struct timespec times[2] = {{item.st.st_mtim.tv_sec, 0}, {item.st.st_mtim.tv_sec, 0}};
                ::utimensat(AT_FDCWD, now.constData(), times, 0);
            }
            const QString entry = rel + item.rel;
            if (item.dir) {
                if (const auto a = lookup(entry + u'/'))
                    changes.append({r.rel() + item.rel, true, *a});
            } else {
                changes.append({r.rel() + item.rel, false, lookup(entry).value_or(AttrArchive)});
            }
        }
        // No record of an item that was there before under the name stays.
        r.volume->forget(r.rel());
        r.volume->setAttributesOf(changes);
        Machine::current().noteAdded(r.parentHost(), r.name());
        return true;
    }

    // The folder in its stored case, its missing levels made with the case given.
    std::optional<QString> ensureFolder(const QString& win)
    {
        const Resolved r = Machine::current().resolve(win);
        if (!r.ok())
            return std::nullopt;
        if (r.exists() && !r.lastIsDir) {
            warn(QStringLiteral("error:  cannot create %1: a file is in the way\n").arg(r.win()));
            return std::nullopt;
        }
        for (qsizetype level = r.existing + 1; level <= r.components.size(); ++level)
            if (!guarded(win, [&] { fs::createDirectory(winpath::join(r.drive, r.components.mid(0, level))); }))
                return std::nullopt;
        return r.win();
    }

    void mergeFile(const QString& host, const QString& win, const QString& rel)
    {
        const Resolved r = Machine::current().resolve(win);
        if (r.exists()) {
            if (r.lastIsDir) {
                warn(QStringLiteral("error:  cannot create %1: a folder is in the way\n").arg(r.win()));
                return;
            }
            if (!overwrite_)
                return;
            if (r.volume->attributes(r.rel(), false) & AttrReadOnly) {
                warn(QStringLiteral("error:  cannot overwrite read-only file %1\n").arg(r.win()));
                return;
            }
        }
        const quint8 a = lookup(rel).value_or(AttrArchive);
        guarded(win, [&] {
            fs::moveHostFile(host, win);
            fs::setAttributes(win, a);
        });
    }

    bool overwrite_;
    QString* out_;
};

} // namespace

proc::Outcome runUnzip(const proc::Invocation& inv)
{
    QString out;
    const std::optional<UnzipRequest> req = parse(inv.args, &out);
    if (!req)
        return proc::Outcome::ended(UnzipBadOptions, out);

    const Machine& m = Machine::current();
    Resolved archive = m.resolve(req->archive);
    if (!archive.ok() || !archive.isFile())
        archive = m.resolve(req->archive + QStringLiteral(".zip"));
    if (!archive.ok() || !archive.isFile())
        return proc::Outcome::ended(UnzipNoZip, QStringLiteral("unzip:  cannot find or open %1, %1.zip or %1.ZIP.\n").arg(req->archive));

    if (req->test) {
        QStringList args{QStringLiteral("-t")};
        if (req->quiet)
            args << QStringLiteral("-q");
        args << archive.host() << req->patterns;
        if (!req->exclusions.isEmpty())
            args << QStringLiteral("-x") << req->exclusions;
        QString testOut;
        const int rc = proc::runHost(kUnzip, args, QString(), &testOut);
        out += testOut.replace(archive.host(), req->archive);
        return proc::Outcome::ended(rc < 0 ? int(UnzipError) : rc, out);
    }

    Merger merger(req->overwrite, &out);
    QList<zip::ZipEntry> refused;
    const std::optional<QList<zip::ZipEntry>> entries = zip::readEntries(archive.host());
    if (entries) {
        for (const zip::ZipEntry& e : *entries) {
            if (unsafe(e.name))
                refused << e;
            else
                merger.attrs.insert(e.name, attributesOf(e));
        }
    }

    // unzip extracts into a scratch folder; nothing of the machine is its to write. The folder
    // lies beside the target drive's own, so that the files are renamed into place, not copied.
    const Resolved target = m.resolve(req->target.value_or(m.currentDir()));
    ScratchDir scratch(target.ok() ? QFileInfo(target.volume->hostRoot()).path() : QString());
    if (!scratch.isValid())
        return proc::Outcome::ended(UnzipError, QStringLiteral("error:  no scratch folder on the host\n"));
    // Each entry lands under its stored name as ZipArchive reads it: no Unicode path field
    // (which could name another place than the name the restore sorted, "AUTOEXEC.BAT" for
    // "WINDOWS/Favorites/Weather.url"), no version ";1" cut off, no character dropped.
    QStringList args{QStringLiteral("-o"), QStringLiteral("-UU"), QStringLiteral("-V"), QStringLiteral("-^")};
    if (req->quiet)
        args << QStringLiteral("-q");
    if (req->caseless)
        args << QStringLiteral("-C");
    args << archive.host() << req->patterns;
    if (!refused.isEmpty() || !req->exclusions.isEmpty()) {
        args << QStringLiteral("-x") << req->exclusions;
        const bool told = req->patterns.isEmpty() && req->exclusions.isEmpty();
        for (const zip::ZipEntry& e : std::as_const(refused)) {
            args << literalPattern(e);
            if (told) {
                merger.code = UnzipWarning;
                out += QStringLiteral("error:  refused to extract %1 outside the target folder\n").arg(e.name);
            }
        }
    }
    args << QStringLiteral("-d") << scratch.path();
    QString unzipOut;
    const int rc = proc::runHost(kUnzip, args, scratch.path(), &unzipOut);
    out += QString(unzipOut).replace(scratch.path() + u'/', QString());

    // An error of unzip's own (a damaged entry, a checksum that does not hold) may leave what
    // it could not unpack whole in the scratch folder: that never goes over a file in place.
    if (rc >= UnzipError && entries) {
        for (const zip::ZipEntry& e : *entries) {
            // A refused entry was not extracted, and its name leads out of the scratch folder.
            if (e.isDir() || unsafe(e.name))
                continue;
            const QString host = scratch.path() + u'/' + e.name;
            if (!QFileInfo(host).isFile() || zip::holdsEntry(host, e))
                continue;
            QFile::remove(host);
            out += QStringLiteral("error:  %1 is damaged in the archive: not extracted\n").arg(e.name);
        }
    }
    // Without the archive's directory nothing extracted can be checked: after such an error
    // none of it goes over the machine's files.
    if (rc >= UnzipError && !entries) {
        out += QStringLiteral("error:  the archive's directory cannot be read: nothing extracted\n");
        return proc::Outcome::ended(rc, out);
    }
    for (const QString& name : repairNames(QFile::encodeName(scratch.path()))) {
        out += QStringLiteral("error:  cannot extract %1: its name clashes with another entry\n").arg(name);
        merger.code = UnzipWarning;
    }
    if (!QDir(scratch.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString base = merger.prepare(req->target.value_or(m.currentDir()));
        if (base.isEmpty())
            return proc::Outcome::ended(UnzipError, out);
        merger.mergeFolder(scratch.path(), base, QString());
    }
    if (merger.diskFull)
        return proc::Outcome::ended(UnzipDiskFull, out);
    if (rc < 0)
        return proc::Outcome::ended(UnzipError, out);
    return proc::Outcome::ended(rc > UnzipWarning ? rc : qMax(rc, merger.code), out);
}

namespace {
// A byte that a pattern cannot name as it is stored: beyond ASCII, "\\", and what would end the
// pattern's quotes on a command line or the argument itself.
bool unnameable(char byte) { return quint8(byte) >= 0x80 || quint8(byte) < 0x20 || byte == '\\' || byte == '"'; }
} // namespace

QString literalPattern(const zip::ZipEntry& entry)
{
    QString p;
    p.reserve(entry.rawName.size());
    for (const char byte : entry.rawName) {
        if (unnameable(byte))
            p += u'?';
        else if (byte == '[' || byte == '*' || byte == '?')
            p += u'[' + QChar::fromLatin1(byte) + u']';
        else
            p += QChar::fromLatin1(byte);
    }
    return p;
}

bool patternTakes(const QByteArray& patternRaw, const QByteArray& raw)
{
    if (patternRaw.size() != raw.size())
        return false;
    for (qsizetype i = 0; i < raw.size(); ++i)
        if (patternRaw[i] != raw[i] && !unnameable(patternRaw[i]))
            return false;
    return true;
}

} // namespace platform::infozip
