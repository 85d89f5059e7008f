#include "platform/Volume.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/IniDocument.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <dirent.h>
#include <sys/stat.h>

namespace platform {

DiskFormat DiskFormat::byName(const QString& name)
{
    const QString n = name.trimmed().toUpper();
    if (n == u"720K")
        return {QStringLiteral("720K"), 730112, 1024, 112};
    if (n == u"2.88M")
        return {QStringLiteral("2.88M"), 2931712, 1024, 240};
    if (n.isEmpty() || n == u"1.44M")
        return {QStringLiteral("1.44M"), 1457664, 512, 224};
    bool ok = false;
    const qint64 bytes = n.toLongLong(&ok);
    if (!ok || bytes < 512)
        return {};
    return {QString::number(bytes), bytes / 512 * 512, 512, 0};
}

struct Volume::Meta {
    bool damaged = false;
    bool formatted = true;
    bool writeProtected = false;
    bool floppy = false;
    QString label;
    quint32 serial = 0;
    qint64 clusterSize = 4096;
    qint64 capacity = 0;
    int rootEntries = 0;
    IniDocument doc;
    QByteArray bytes;      // the file as read
};

Volume::Volume(QString folder, QString meta, bool shelfDisk) : folder_(std::move(folder)), meta_(std::move(meta)), shelfDisk_(shelfDisk)
{
    attrFile_ = meta_;
    if (attrFile_.endsWith(u".vol"))
        attrFile_.chop(4);
    attrFile_ += u".attr";
}

namespace {
int g_lookDepth = 0;
quint64 g_look = 0;   // the look under way while g_lookDepth > 0

// True when the file whose last check `last` names was checked in the look under way;
// otherwise it is taken as checked now.
bool lookedAt(quint64& last)
{
    if (g_lookDepth > 0 && last == g_look)
        return true;
    last = g_lookDepth > 0 ? g_look : 0;
    return false;
}
} // namespace

Volume::OneLook::OneLook()
{
    if (g_lookDepth++ == 0)
        ++g_look;
}

Volume::OneLook::~OneLook() { --g_lookDepth; }

void Volume::OneLook::lookAgain()
{
    if (g_lookDepth > 0)
        ++g_look;
}

std::shared_ptr<Volume::Meta> Volume::parseMeta(const QByteArray& bytes) const
{
    // A record whose lines end in CR alone is read as one with CR LF.
    if (!bytes.contains('\n') && bytes.contains('\r'))
        return metaOf(IniDocument::parse(QByteArray(bytes).replace('\r', "\r\n")), bytes);
    return metaOf(IniDocument::parse(bytes), bytes);
}

std::shared_ptr<Volume::Meta> Volume::metaOf(IniDocument doc, const QByteArray& bytes) const
{
    auto m = std::make_shared<Meta>();
    m->bytes = bytes;
    // The record's values in one pass over its section; the first of equal names counts.
    enum { Formatted, WriteProtected, Kind, Label, Serial, ClusterSize, Capacity, RootEntries, Count };
    static const char* const names[Count] = {"Formatted", "WriteProtected", "Kind", "Label", "Serial", "ClusterSize", "Capacity", "RootEntries"};
    std::optional<QString> found[Count];
    for (const auto& [name, value] : doc.entries(QStringLiteral("Volume"))) {
        for (int k = 0; k < Count; ++k) {
            if (!found[k] && name.compare(QLatin1StringView(names[k]), Qt::CaseInsensitive) == 0) {
                found[k] = value;
                break;
            }
        }
    }
    const auto get = [&](int k, const QString& def = {}) { return found[k].value_or(def); };
    m->formatted = get(Formatted, QStringLiteral("1")) != u"0";
    m->writeProtected = get(WriteProtected, QStringLiteral("0")) == u"1";
    m->floppy = get(Kind) == u"floppy";
    m->label = get(Label);
    m->serial = get(Serial, QStringLiteral("0")).toUInt(nullptr, 16);
    m->clusterSize = qMax<qint64>(512, get(ClusterSize, QStringLiteral("4096")).toLongLong());
    m->capacity = get(Capacity, QStringLiteral("0")).toLongLong();
    m->rootEntries = get(RootEntries, QStringLiteral("0")).toInt();
    m->doc = std::move(doc);
    // A disk of the shelf is a floppy of a known capacity, or its record is damaged: then it
    // reads as not formatted and without room, whatever else the record may say.
    if (shelfDisk_) {
        bool capacityKnown = false;
        const qint64 capacity = get(Capacity).toLongLong(&capacityKnown);
        bool clusterKnown = !found[ClusterSize];
        if (found[ClusterSize])
            clusterKnown = get(ClusterSize).toLongLong() > 0;
        // The record always ends with a line end (blanks after it are a shorter rewrite's
        // padding): one that stops within a line was cut short.
        qsizetype end = bytes.size();
        while (end > 0 && bytes[end - 1] == ' ')
            --end;
        const bool whole = end > 0 && (bytes[end - 1] == '\n' || bytes[end - 1] == '\r');
        if (!whole || !m->floppy || !capacityKnown || capacity <= 0 || !clusterKnown) {
            m->damaged = true;
            m->formatted = false;
            m->writeProtected = false;
            m->floppy = true;
            m->capacity = 0;
            m->label.clear();
        }
    }
    return m;
}

const Volume::Meta& Volume::meta() const
{
    if (lookedAt(metaLook_) && metaCache_)
        return *metaCache_;
    const HostStamp stamp = HostStamp::of(meta_);
    // A link to nothing is a record that is there and cannot be read; its stamp is that of
    // no file, so whether the name is there is looked at anew.
    metaPresent_ = stamp.exists || QFileInfo(meta_).isSymLink();
    if (metaCache_ && stamp == metaStamp_)
        return *metaCache_;
    const QByteArray bytes = stamp.exists ? readHostFile(meta_).value_or(QByteArray()) : QByteArray();
    // Within the clock tick of the last change the stamp proves nothing, the bytes do.
    if (metaCache_ && bytes == metaCache_->bytes && stamp.exists == metaStamp_.exists) {
        metaStamp_ = stamp;
        if (stamp.racy())
            metaStamp_.mtimeNs = -1;
        return *metaCache_;
    }
    auto m = parseMeta(bytes);
    metaCache_ = m;
    metaStamp_ = stamp;
    if (stamp.racy())
        metaStamp_.mtimeNs = -1;   // read again next time
    return *metaCache_;
}

void Volume::writeMeta(bool flush, bool exact) const
{
    QByteArray bytes = metaCache_->doc.serialize();
    // The spaces an earlier rewrite in place left at the end are no part of the record.
    qsizetype end = bytes.size();
    while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\r' || bytes[end - 1] == '\n'))
        --end;
    bytes.truncate(end);
    if (end > 0)
        bytes += "\r\n";
    try {
        if (flush)
            writeFileAtomically(meta_, bytes);
        else
            bytes = rewriteRecordInPlace(meta_, bytes);
    } catch (...) {
        // The edit did not reach the record: the next look reads the record as it stands,
        // so that neither this process nor a later write carries the value that failed.
        metaCache_.reset();
        metaLook_ = 0;
        throw;
    }
    // What this process wrote is what it holds, within the same tick of the clock too: a
    // later change by another writer shows in the stamp taken here (a new file, a later tick
    // or another size; two writers of one record within one tick and at one size are not told
    // apart, as a rewrite in place keeps the file). The record as edited is what reading it
    // back would give, unless a value could not be written as it stands.
    metaCache_ = exact ? metaOf(metaCache_->doc, bytes) : parseMeta(bytes);
    metaStamp_ = HostStamp::of(meta_);
    metaPresent_ = metaStamp_.exists;
}

bool Volume::formatted() const { return meta().formatted; }
bool Volume::recorded() const
{
    meta();
    return metaPresent_;
}
bool Volume::damaged() const { return meta().damaged; }
bool Volume::writeProtected() const { return meta().writeProtected; }
QString Volume::label() const { return meta().label; }
quint32 Volume::serial() const { return meta().serial; }
bool Volume::isFloppy() const { return meta().floppy; }
qint64 Volume::clusterSize() const { return meta().clusterSize; }
qint64 Volume::capacity() const { return meta().capacity; }
int Volume::rootEntryLimit() const { return meta().rootEntries; }

void Volume::setMeta(const QString& key, const QString& value, bool flush)
{
    meta();
    metaCache_->doc.setValue(QStringLiteral("Volume"), key, value);
    writeMeta(flush, cp1252::canHold(key) && cp1252::canHold(value));
}

// A label comes with every disk of a floppy copy; its record is rewritten in place without
// waiting for the disk (whole after a kill, at worst the older label after a host crash).
void Volume::setLabel(const QString& label)
{
    requireWritable();
    setMeta(QStringLiteral("Label"), label, false);
}

static qint64 folderClusters(const QByteArray& path, qint64 cluster, int* entries)
{
    // Files take whole clusters; a sub-folder takes the clusters its entry table needs
    // (".", ".." and one or more entries per name). A link counts as what it points to,
    // a link to nothing as an empty file. One pass over the folder's entries, one stat a
    // file: the free space of a floppy is asked for at every piece of a split.
    qint64 clusters = 0;
    int count = 0;
    if (DIR* dir = ::opendir(path.constData())) {
        while (const dirent* e = ::readdir(dir)) {
            const char* raw = e->d_name;
            if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
                continue;
            count += winpath::fatEntriesFor(QFile::decodeName(raw));
            struct stat st;
            const bool found = e->d_type != DT_DIR && ::fstatat(::dirfd(dir), raw, &st, 0) == 0;
            if (e->d_type == DT_DIR || (found && S_ISDIR(st.st_mode))) {
                int sub = 0;
                clusters += folderClusters(path + '/' + raw, cluster, &sub);
                clusters += qMax<qint64>(1, ((sub + 2) * 32 + cluster - 1) / cluster);
            } else if (found) {
                clusters += (qint64(st.st_size) + cluster - 1) / cluster;
            }
        }
        ::closedir(dir);
    }
    if (entries)
        *entries = count;
    return clusters;
}

qint64 Volume::usedBytes() const
{
    return folderClusters(QFile::encodeName(folder_), clusterSize(), nullptr) * clusterSize();
}

int Volume::rootEntriesUsed() const
{
    int entries = 0;
    folderClusters(QFile::encodeName(folder_), clusterSize(), &entries);   // walks the tree; floppies are small
    if (!label().isEmpty())
        ++entries;
    return entries;
}

qint64 Volume::totalBytes() const
{
    if (isFloppy())
        return capacity() / clusterSize() * clusterSize();
    const QStorageInfo si(folder_);
    return si.isValid() ? si.bytesTotal() : 0;
}

qint64 Volume::freeBytes() const
{
    if (isFloppy())
        return qMax<qint64>(0, totalBytes() - usedBytes());
    const QStorageInfo si(folder_);
    return si.isValid() ? si.bytesAvailable() : 0;
}

void Volume::requireWritable() const
{
    if (!formatted())
        fail(ErrDiskNotReady, folder_);
    if (writeProtected())
        fail(ErrPathFileAccess, QStringLiteral("write-protected"));
}

void Volume::requireRoom(qint64 oldSize, qint64 newSize) const
{
    if (!isFloppy() || newSize <= oldSize)
        return;
    const qint64 more = (clustersFor(newSize) - clustersFor(oldSize)) * clusterSize();
    if (more > 0 && more > freeBytes())
        fail(ErrDiskFull);
}

void Volume::requireRootEntry(const QString& name) const
{
    const int limit = rootEntryLimit();
    if (limit > 0 && rootEntriesUsed() + winpath::fatEntriesFor(name) > limit)
        fail(ErrTooManyFiles, QStringLiteral("root directory full"));
}

// ---- attributes -----------------------------------------------------------

void Volume::loadAttributes() const
{
    if (lookedAt(attrsLook_) && attrsRead_)
        return;
    const HostStamp stamp = HostStamp::of(attrFile_);
    if (attrsKnown_ && stamp == attrStamp_)
        return;
    attrs_.clear();
    if (const auto bytes = stamp.exists ? readHostFile(attrFile_) : std::nullopt) {
        const QList<QByteArray> lines = bytes->split('\n');
        for (const QByteArray& raw : lines) {
            const int tab = raw.indexOf('\t');
            if (tab <= 0)
                continue;
            const quint32 a = raw.left(tab).toUInt(nullptr, 16);
            QString rel = QString::fromUtf8(raw.mid(tab + 1));
            if (rel.endsWith(u'\r'))
                rel.chop(1);
            attrs_.insert(winpath::foldCase(rel), {a, rel});
        }
    }
    attrStamp_ = stamp;
    attrsKnown_ = !stamp.racy();
    attrsRead_ = true;
}

void Volume::saveAttributes() const
{
    QByteArray out;
    QStringList keys = attrs_.keys();
    keys.sort();
    for (const QString& k : keys) {
        const auto& [a, rel] = attrs_[k];
        out += QByteArray::number(a, 16).rightJustified(2, '0') + '\t' + rel.toUtf8() + '\n';
    }
    try {
        if (out.isEmpty())
            QFile::remove(attrFile_);
        else
            writeFileAtomically(attrFile_, out);
    } catch (...) {
        // The records as edited did not reach the file: the next look reads the file as it
        // stands, so that neither this process nor a later write carries the change that failed.
        attrsKnown_ = false;
        attrsRead_ = false;
        attrsLook_ = 0;
        throw;
    }
    // What this process wrote is what it holds, within the same tick of the clock too.
    attrStamp_ = HostStamp::of(attrFile_);
    attrsKnown_ = true;
}

quint32 Volume::attributes(const QString& rel, bool isDir) const
{
    loadAttributes();
    const auto it = attrs_.constFind(winpath::foldCase(rel));
    if (it != attrs_.constEnd())
        return it->first | (isDir ? quint32(AttrDirectory) : 0u);
    return isDir ? AttrDirectory : AttrArchive;
}

// The record of one item takes `attrs`; true when it changed.
bool Volume::recordAttributes(const QString& rel, bool isDir, quint32 attrs)
{
    attrs &= (AttrReadOnly | AttrHidden | AttrSystem | AttrArchive);
    const QString key = winpath::foldCase(rel);
    const quint32 def = isDir ? 0u : quint32(AttrArchive);
    const auto it = attrs_.constFind(key);
    if (attrs == def) {
        if (it == attrs_.constEnd())
            return false;
        attrs_.remove(key);
        return true;
    }
    if (it != attrs_.constEnd() && it->first == attrs && it->second == rel)
        return false;
    attrs_.insert(key, {attrs, rel});
    return true;
}

void Volume::setAttributes(const QString& rel, bool isDir, quint32 attrs)
{
    loadAttributes();
    if (recordAttributes(rel, isDir, attrs))
        saveAttributes();
}

void Volume::setAttributesOf(const QList<AttributeChange>& changes)
{
    loadAttributes();
    bool changed = false;
    for (const AttributeChange& c : changes)
        changed = recordAttributes(c.rel, c.isDir, c.attrs) || changed;
    if (changed)
        saveAttributes();
}

void Volume::forget(const QString& rel) { forgetAll({rel}); }

void Volume::forgetAll(const QStringList& rels)
{
    loadAttributes();
    if (attrs_.isEmpty())
        return;
    // Each item, and whatever lay below it when it was a folder.
    QSet<QString> gone;
    for (const QString& rel : rels)
        gone.insert(winpath::foldCase(rel));
    bool changed = false;
    for (auto it = attrs_.begin(); it != attrs_.end();) {
        bool below = gone.contains(it.key());
        for (qsizetype cut = it.key().lastIndexOf(u'/'); !below && cut > 0; cut = it.key().lastIndexOf(u'/', cut - 1))
            below = gone.contains(it.key().left(cut));
        if (below) {
            it = attrs_.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    if (changed)
        saveAttributes();
}

void Volume::moved(const QString& fromRel, const QString& toRel)
{
    loadAttributes();
    const QString from = winpath::foldCase(fromRel);
    const QString prefix = from + u'/';
    QList<std::pair<QString, std::pair<quint32, QString>>> moving;
    for (auto it = attrs_.begin(); it != attrs_.end();) {
        if (it.key() == from || it.key().startsWith(prefix)) {
            moving.append({it.key(), it.value()});
            it = attrs_.erase(it);
        } else {
            ++it;
        }
    }
    if (moving.isEmpty())
        return;
    for (const auto& [key, val] : moving) {
        const QString rel = toRel + val.second.mid(fromRel.size());
        attrs_.insert(winpath::foldCase(rel), {val.first, rel});
    }
    saveAttributes();
}

} // namespace platform
