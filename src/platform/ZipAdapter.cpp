#include "platform/ZipAdapter.h"
#include "platform/FileSystem.h"
#include "platform/HostTransfer.h"
#include "platform/SysError.h"
#include "platform/Waiting.h"
#include "platform/WinPath.h"
#include "platform/ZipArchive.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <utime.h>

namespace platform::infozip {
namespace {

const QString kZip = QStringLiteral("/usr/bin/zip");

enum ZipExit { ZipOk = 0, ZipNothingToDo = 12, ZipWriteError = 14, ZipCreateError = 15, ZipBadArguments = 16 };

struct ZipRequest {
    QChar level;
    bool quiet = false;
    bool update = false;
    bool grow = false;
    bool archiveTime = false;
    bool recurse = false;
    bool move = false;
    bool hiddenToo = false;
    QString archive;
    QStringList sources;
};

std::optional<ZipRequest> parse(const QStringList& args, QString* error)
{
    ZipRequest req;
    for (const QString& arg : args) {
        if (arg.size() < 2 || !arg.startsWith(u'-')) {
            if (req.archive.isEmpty())
                req.archive = arg;
            else
                req.sources << arg;
            continue;
        }
        for (const QChar c : arg.mid(1)) {
            switch (c.unicode()) {
            case u'q': req.quiet = true; break;
            case u'u': req.update = true; break;
            case u'g': req.grow = true; break;
            case u'o': req.archiveTime = true; break;
            case u'r': req.recurse = true; break;
            case u'm': req.move = true; break;
            case u'S': req.hiddenToo = true; break;
            default:
                if (!c.isDigit()) {
                    *error = QStringLiteral("zip error: Invalid command arguments (short option '%1' not supported)\n").arg(c);
                    return std::nullopt;
                }
                req.level = c;
            }
        }
    }
    if (req.archive.isEmpty()) {
        *error = QStringLiteral("zip error: Invalid command arguments (nothing to select from)\n");
        return std::nullopt;
    }
    // As on Windows, an archive name without an extension gets ".zip".
    const qsizetype sep = qMax(req.archive.lastIndexOf(u'\\'), qMax(req.archive.lastIndexOf(u'/'), req.archive.lastIndexOf(u':')));
    if (!req.archive.mid(sep + 1).contains(u'.'))
        req.archive += QStringLiteral(".zip");
    return req;
}

// An item to pack, by its path below the drive root in its stored case.
struct Item {
    QString rel;
    bool dir = false;
    quint8 attrs = 0;
    QString entryName() const { return dir ? rel + u'/' : rel; }
};

struct DriveItems {
    QChar drive;
    std::shared_ptr<Volume> volume;
    QList<Item> items;       // every folder before its contents
    QSet<QString> names;
};

QString childRel(const QString& rel, const QString& name) { return rel.isEmpty() ? name : rel + u'/' + name; }

// An item of a folder as one reading of the folder tells it.
struct FolderEntry {
    QString name;
    bool link = false;   // a host link, which is never packed
    bool dir = false;
    QString sortKey;     // the name in lower case
};

// What a folder holds, every kind and dot names included, in the order of QDir's listing
// by name without regard to case: the entries as the host reads them, put in order by
// their lower-case names with std::sort (so that names equal but for case come as QDir
// gives them), and their kinds from the reading itself, looked at one by one only where
// it does not tell.
QList<FolderEntry> folderContents(const QString& host)
{
    QList<FolderEntry> entries;
    DIR* dir = ::opendir(QFile::encodeName(host).constData());
    if (!dir)
        return entries;
    while (const dirent* e = ::readdir(dir)) {
        const char* raw = e->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(::dirfd(dir), raw, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
        }
        FolderEntry entry{QFile::decodeName(raw), type == DT_LNK, type == DT_DIR, {}};
        entry.sortKey = entry.name.toLower();
        entries.append(std::move(entry));
    }
    ::closedir(dir);
    if (entries.size() > 1)
        std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.sortKey.compare(b.sortKey) < 0; });
    return entries;
}

// Expands the sources as zip on the machine's own system does: DOS wildcards in the last
// part of a path, hidden and system items only with S, folders searched with r.
class Collector {
public:
    Collector(const ZipRequest& req, const Resolved& archive) : req_(req), archive_(archive) {}

    bool add(const QString& source)
    {
        const qsizetype before = count();
        const qsizetype sep = qMax(source.lastIndexOf(u'\\'), source.lastIndexOf(u'/'));
        const qsizetype split = sep >= 0 ? sep + 1 : (source.size() >= 2 && source[1] == u':' ? 2 : 0);
        const QString pattern = source.mid(split);
        const Machine& m = Machine::current();
        const Machine::OneReading reading(m);   // the attributes of every item from one look
        if (winpath::hasWildcards(pattern)) {
            const Resolved folder = m.resolve(source.left(split));
            if (folder.ok() && folder.isDir()) {
                DriveItems& d = drive(folder);
                const QString host = folder.host();
                for (const FolderEntry& e : folderContents(host))
                    if (winpath::wildcardMatch(pattern, e.name))
                        consider(d, childRel(folder.rel(), e.name), e.dir ? host + u'/' + e.name : QString(), e.link, e.dir);
            }
        } else {
            const Resolved item = m.resolve(source);
            if (item.ok() && item.exists() && !item.isRoot()) {
                const QFileInfo fi(item.host());
                consider(drive(item), item.rel(), item.host(), fi.isSymLink(), fi.isDir());
            }
        }
        return count() > before;
    }

    QList<DriveItems>& drives() { return drives_; }
    qsizetype count() const
    {
        qsizetype n = 0;
        for (const DriveItems& d : drives_)
            n += d.items.size();
        return n;
    }

private:
    DriveItems& drive(const Resolved& r)
    {
        for (DriveItems& d : drives_)
            if (d.drive == r.drive)
                return d;
        drives_.append({r.drive, r.volume, {}, {}});
        return drives_.last();
    }

    // `host`: the host path of a folder, whose contents are considered with r.
    void consider(DriveItems& d, const QString& rel, const QString& host, bool link, bool dir)
    {
        if (link)
            return;
        if (archive_.ok() && archive_.drive == d.drive && winpath::sameName(archive_.rel(), rel))
            return;   // the archive does not pack itself
        const quint32 attrs = d.volume->attributes(rel, dir);
        if (!req_.hiddenToo && (attrs & (AttrHidden | AttrSystem)))
            return;
        const Item item{rel, dir, quint8(attrs)};
        whileWaiting();   // a tree of thousands of files takes a while
        if (!d.names.contains(item.entryName())) {
            d.names.insert(item.entryName());
            d.items.append(item);
        }
        if (dir && req_.recurse)
            for (const FolderEntry& child : folderContents(host))
                consider(d, childRel(rel, child.name), child.dir ? host + u'/' + child.name : QString(), child.link, child.dir);
    }

    const ZipRequest& req_;
    const Resolved& archive_;
    QList<DriveItems> drives_;
};

QString winPathOf(QChar drive, const QString& rel) { return winpath::join(drive, rel.split(u'/')); }

// zip -m removes what it packed; the machine does it here so that attribute records and
// cached listings follow. Folders go only when they have become empty.
void removePacked(const QList<DriveItems>& drives)
{
    const Machine::OneReading reading(Machine::current());   // one look at the drives for every folder
    for (const DriveItems& d : drives) {
        // The files folder by folder, in the order they were packed.
        QList<std::pair<QString, QStringList>> byFolder;
        QHash<QString, qsizetype> folderAt;
        for (const Item& item : d.items) {
            if (item.dir)
                continue;
            const qsizetype cut = item.rel.lastIndexOf(u'/');
            const QString folder = cut < 0 ? QString() : item.rel.left(cut);
            auto it = folderAt.constFind(folder);
            if (it == folderAt.constEnd()) {
                it = folderAt.insert(folder, byFolder.size());
                byFolder.append({folder, {}});
            }
            byFolder[*it].second << item.rel.mid(cut + 1);
        }
        for (const auto& [folder, names] : byFolder)
            fs::removeFilesIn(folder.isEmpty() ? QString(d.drive) + QStringLiteral(":\\") : winPathOf(d.drive, folder), names);
        for (auto it = d.items.crbegin(); it != d.items.crend(); ++it) {
            if (it->dir) {
                try {
                    fs::removeDirectory(winPathOf(d.drive, it->rel));
                } catch (const SysError&) {
                }
                whileWaiting();
            }
        }
    }
}

// A long list is packed by several zips at once, each into an archive of its own, one part
// of the list each, the parts about equal in bytes; the archives are then joined in their
// order. zip packs every entry by itself, so the joined archive is byte for byte the one a
// single run over the whole list makes, in a fraction of its time where the host has
// processors to spare.
constexpr int kMaxParts = 8;
constexpr qint64 kPartBytes = 4 << 20;   // less is not worth a zip of its own
constexpr qsizetype kPartItems = 64;
constexpr qint64 kItemBytes = 4096;      // what an item costs besides its bytes: its header, its opening

// What zip -@ reads: the names of items [from, to), a line each.
QByteArray namesOf(const QList<Item>& items, qsizetype from, qsizetype to)
{
    QByteArray names;
    for (qsizetype i = from; i < to; ++i)
        names += QFile::encodeName(items[i].rel) + '\n';
    return names;
}

// The index of each part's first item; one part for a short list or a host of one processor.
QList<qsizetype> partStarts(const DriveItems& d)
{
    const int processors = qMin(QThread::idealThreadCount(), kMaxParts);
    if (processors < 2 || d.items.size() < 2 * kPartItems)
        return {0};
    QList<qint64> costs;
    costs.reserve(d.items.size());
    qint64 total = 0;
    const QByteArray root = QFile::encodeName(d.volume->hostRoot()) + '/';
    for (const Item& item : d.items) {
        struct stat st;
        const qint64 bytes = !item.dir && ::lstat((root + QFile::encodeName(item.rel)).constData(), &st) == 0 ? st.st_size : 0;
        costs.append(bytes + kItemBytes);
        total += costs.last();
    }
    const qint64 parts = std::clamp<qint64>(qMin(total / kPartBytes, d.items.size() / kPartItems), 1, processors);
    QList<qsizetype> starts{0};
    qint64 sum = 0;
    for (qsizetype i = 0; i < costs.size() && starts.size() < parts; ++i) {
        sum += costs[i];
        if (sum >= total * starts.size() / parts && i + 1 < costs.size())
            starts.append(i + 1);
    }
    return starts;
}

// The parts packed at once and joined into `work`; nullopt when they could not be joined (the
// single run then packs the list, and only its output counts).
// With `archiveTime` (o) the joined archive gets the time of its newest entry, as zip gives it.
std::optional<int> packInParts(const DriveItems& d, const QList<qsizetype>& starts, const QStringList& args, bool archiveTime,
                               const QString& work, const ScratchDir& scratch, QString* out)
{
    QList<proc::HostRun> runs;
    for (qsizetype k = 0; k < starts.size(); ++k) {
        const QByteArray names = namesOf(d.items, starts[k], k + 1 < starts.size() ? starts[k + 1] : d.items.size());
        const QString listFile = scratch.filePath(QStringLiteral("part%1.names").arg(k));
        QFile list(listFile);
        if (!list.open(QIODevice::WriteOnly) || list.write(names) != names.size())
            return std::nullopt;
        const QString archive = k == 0 ? work : scratch.filePath(QStringLiteral("part%1.zip").arg(k));
        runs.append({kZip, args + QStringList{archive}, d.volume->hostRoot(), listFile, {}, -1});
    }
    proc::runHostTogether(runs);

    int code = ZipNothingToDo;
    QString partsOut;
    QStringList archives;   // those that found anything to pack, in order
    qint64 newest = 0;      // with o, each one has the time of its newest entry
    for (const proc::HostRun& run : std::as_const(runs)) {
        partsOut += run.output;
        if (run.exitCode != ZipOk && run.exitCode != ZipNothingToDo) {
            *out += partsOut;
            return run.exitCode < 0 ? ZipCreateError : run.exitCode;
        }
        if (run.exitCode == ZipOk) {
            code = ZipOk;
            archives << run.args.last();
            newest = qMax(newest, QFileInfo(archives.last()).lastModified().toSecsSinceEpoch());
        }
    }
    if (!archives.isEmpty()) {
        if ((archives.first() != work && !QFile::rename(archives.first(), work)) || !zip::appendArchives(work, archives.mid(1))) {
            archives << work;
            for (const QString& archive : std::as_const(archives))
                QFile::remove(archive);
            return std::nullopt;
        }
        for (const QString& archive : archives.mid(1))
            QFile::remove(archive);
        if (archiveTime) {
            struct utimbuf times{newest, newest};
            ::utime(QFile::encodeName(work).constData(), &times);
        }
    }
    *out += partsOut;
    return code;
}

// Runs the host's zip over one drive's items into `work`; its exit code, -1 when it could not run.
int pack(const DriveItems& d, const QStringList& args, bool archiveTime, const QString& work, const ScratchDir& scratch, QString* out)
{
    // An existing archive is one zip's start: the parts are for a new one.
    if (const QList<qsizetype> starts = QFileInfo::exists(work) ? QList<qsizetype>{0} : partStarts(d); starts.size() > 1)
        if (const std::optional<int> rc = packInParts(d, starts, args, archiveTime, work, scratch, out))
            return *rc;
    QString zipOut;
    const int rc = proc::runHost(kZip, args + QStringList{work}, d.volume->hostRoot(), &zipOut, namesOf(d.items, 0, d.items.size()));
    *out += zipOut;
    return rc;
}

} // namespace

proc::Outcome runZip(const proc::Invocation& inv)
{
    QString out;
    const std::optional<ZipRequest> req = parse(inv.args, &out);
    if (!req)
        return proc::Outcome::ended(ZipBadArguments, out);

    const Resolved archive = Machine::current().resolve(req->archive);
    Collector collector(*req, archive);
    for (const QString& source : req->sources)
        if (!collector.add(source))
            out += QStringLiteral("\tzip warning: name not matched: %1\n").arg(source);
    if (collector.count() == 0)
        return proc::Outcome::ended(ZipNothingToDo, out + QStringLiteral("\nzip error: Nothing to do! (%1)\n").arg(req->archive));

    const auto cannotCreate = [&](const QString& why) {
        return proc::Outcome::ended(ZipCreateError, out + QStringLiteral("zip error: Could not create output file (%1): %2\n").arg(req->archive, why));
    };
    if (!archive.ok() || !archive.parentExists() || (archive.exists() && archive.lastIsDir))
        return cannotCreate(QStringLiteral("the folder is not there or the drive not ready"));

    // The host's zip builds the archive in a scratch folder beside the archive's drive (so that
    // the archive is renamed into place, not copied); an existing archive is its start.
    ScratchDir scratch(QFileInfo(archive.volume->hostRoot()).path());
    const QString work = scratch.filePath(QStringLiteral("archive.zip"));
    if (!scratch.isValid() || (archive.isFile() && !QFile::copy(archive.host(), work)))
        return cannotCreate(QStringLiteral("no scratch folder on the host"));

    // r, m and S are the adapter's own work: zip gets the expanded list of names.
    QString flags = QStringLiteral("-");
    if (!req->level.isNull())
        flags += req->level;
    for (const auto& [on, letter] : {std::pair(req->quiet, u'q'), std::pair(req->update, u'u'), std::pair(req->grow, u'g'),
                                     std::pair(req->archiveTime, u'o')})
        if (on)
            flags += QChar(letter);
    QStringList args;
    if (flags.size() > 1)
        args << flags;
    args << QStringLiteral("-X") << QStringLiteral("-nw") << QStringLiteral("-@");

    int code = ZipNothingToDo;
    QHash<QString, quint8> attrs;
    {
        const WriteAhead writing(scratch.path());   // while the host's zip runs
        for (const DriveItems& d : collector.drives()) {
            for (const Item& item : d.items)
                attrs.insert(item.entryName(), item.attrs);
            QString zipOut;
            const int rc = pack(d, args, req->archiveTime, work, scratch, &zipOut);
            out += zipOut;
            if (rc != ZipOk && rc != ZipNothingToDo)
                return proc::Outcome::ended(rc < 0 ? ZipCreateError : rc, out);
            if (rc == ZipOk)
                code = ZipOk;
        }
    }
    if (code != ZipOk)
        return proc::Outcome::ended(code, out);

    // Entries become MS-DOS entries with their attributes. A name beyond ASCII stays in the
    // Unix entry zip wrote (setDosAttributes leaves it): its bytes are UTF-8, and unzip reads
    // the names of MS-DOS entries in the OEM code page.
    const QDateTime made = QFileInfo(work).lastModified();   // with o: the time of the newest entry
    QString error;
    if (!zip::setDosAttributes(work, [&](const zip::ZipEntry& e) {
            const auto it = attrs.constFind(e.name);
            return it == attrs.constEnd() ? std::nullopt : std::optional<quint8>(*it);
        }, &error))
        out += QStringLiteral("zip warning: attributes not recorded: %1\n").arg(error);

    try {
        fs::moveHostFile(work, req->archive, true);
    } catch (const SysError& e) {
        if (e.code() == ErrDiskFull)
            return proc::Outcome::ended(ZipWriteError, out + QStringLiteral("zip I/O error: No space left on device\nzip error: Output file write failure (write error on zip file)\n"));
        return cannotCreate(e.detail());
    }
    fs::setModified(req->archive, made);
    if (req->move)
        removePacked(collector.drives());
    return proc::Outcome::ended(ZipOk, out);
}

} // namespace platform::infozip
