#include "platform/Profile.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/HostStamp.h"
#include "platform/IniDocument.h"
#include "platform/SysError.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <optional>
#include <utility>

namespace platform::profile {

namespace {

struct Cached {
    IniDocument doc;
    QByteArray bytes;      // the file as parsed or written
    HostStamp stamp;
    // While the file waits in a batch: what it held when the batch first changed it.
    std::optional<QByteArray> onDisk;
    HostStamp onDiskStamp;
};

int g_lastWriteError = 0;

QHash<QString, Cached>& cache()
{
    static QHash<QString, Cached> c;
    return c;
}

// The files written while a WriteBatch is alive: host path -> Windows path. Their parsed
// copies in the cache hold what they are to hold.
int g_batches = 0;
QHash<QString, QString>& pending()
{
    static QHash<QString, QString> p;
    return p;
}

QString fullPath(const QString& file)
{
    if (file.contains(u'\\') || file.contains(u'/') || file.contains(u':'))
        return file;
    return Machine::current().windowsFolder() + u'\\' + file;
}

// The parsed file, or nullptr when it does not exist or its drive is not ready.
const IniDocument* load(const Resolved& r)
{
    if (!r.ok())
        return nullptr;
    const QString host = r.host();
    auto it = cache().find(host);
    if (it != cache().end() && pending().contains(host))
        return &it->doc;
    if (!r.isFile())
        return nullptr;
    const HostStamp stamp = HostStamp::of(host);
    const bool same = it != cache().end() && it->stamp == stamp;
    if (same && !stamp.racy())
        return &it->doc;
    std::optional<QByteArray> read = readHostFile(host);
    if (!read)
        return nullptr;
    QByteArray bytes = std::move(*read);
    // Within the clock tick of the last change the time proves nothing: compare the bytes.
    if (same && bytes == it->bytes)
        return &it->doc;
    Cached c;
    c.doc = IniDocument::parse(bytes);
    c.bytes = std::move(bytes);
    c.stamp = stamp;
    if (cache().size() > 256 && pending().isEmpty())
        cache().clear();
    return &cache().insert(host, std::move(c))->doc;
}

QString valueIn(const IniDocument* doc, const QString& section, const QString& key, const QString& def, int bufferSize)
{
    QString value = def;
    if (doc) {
        if (const auto v = doc->value(section, key))
            value = *v;
    }
    if (bufferSize > 0 && value.size() > bufferSize - 1)
        value.truncate(bufferSize - 1);
    return value;
}

} // namespace

QString getString(const QString& section, const QString& key, const QString& def, int bufferSize, const QString& file)
{
    return valueIn(load(Machine::current().resolve(fullPath(file))), section, key, def, bufferSize);
}

Reader::Reader(const QString& file)
{
    if (const IniDocument* doc = load(Machine::current().resolve(fullPath(file))))
        doc_ = *doc;
}

QString Reader::getString(const QString& section, const QString& key, const QString& def, int bufferSize) const
{
    return valueIn(doc_ ? &*doc_ : nullptr, section, key, def, bufferSize);
}

bool writeString(const QString& section, const std::optional<QString>& key, const std::optional<QString>& value,
                 const QString& file)
{
    const QString path = fullPath(file);
    try {
        const Resolved r = fs::resolveReady(path);
        IniDocument doc;
        const IniDocument* cur = load(r);
        if (cur)
            doc = *cur;
        if (!key)
            doc.removeSection(section);
        else if (!value)
            doc.removeKey(section, *key);
        else
            doc.setValue(section, *key, *value);
        Cached c;
        c.doc = std::move(doc);
        if (g_batches > 0) {
            // Written when the batch ends; until then the parsed copy is the file.
            if (!r.parentExists() || (r.exists() && r.lastIsDir)) {
                g_lastWriteError = r.parentExists() ? ErrPathFileAccess : ErrPathNotFound;
                return false;
            }
            if (const auto it = cache().constFind(r.host()); it != cache().constEnd()) {
                if (pending().contains(r.host())) {
                    c.onDisk = it->onDisk;
                    c.onDiskStamp = it->onDiskStamp;
                } else if (cur) {   // just looked at by load()
                    c.onDisk = it->bytes;
                    c.onDiskStamp = it->stamp;
                }
            }
            pending().insert(r.host(), path);
            cache().insert(r.host(), std::move(c));
            return true;
        }
        c.bytes = c.doc.serialize();
        fs::writeAll(path, c.bytes);
        c.stamp = HostStamp::of(r.host());
        cache().insert(r.host(), std::move(c));
        g_lastWriteError = 0;
        return true;
    } catch (const SysError& e) {
        g_lastWriteError = e.code();
        return false;
    }
}

int lastWriteError() { return g_lastWriteError; }

void forgetCache()
{
    if (pending().isEmpty())
        cache().clear();
}

WriteBatch::WriteBatch() { ++g_batches; }

WriteBatch::~WriteBatch() { finish(); }

bool WriteBatch::finish()
{
    if (std::exchange(finished_, true) || --g_batches > 0)
        return ok_;
    const QHash<QString, QString> files = std::exchange(pending(), {});
    for (auto it = files.begin(); it != files.end(); ++it) {
        Cached& c = cache()[it.key()];
        try {
            c.bytes = c.doc.serialize();
            // A round of values that leaves the file as it is, and nobody changed it since,
            // costs no write.
            if (c.onDisk && *c.onDisk == c.bytes && c.onDiskStamp.exists && HostStamp::of(it.key()) == c.onDiskStamp) {
                c.stamp = c.onDiskStamp;
                c.onDisk.reset();
                continue;
            }
            c.onDisk.reset();
            fs::writeAll(it.value(), c.bytes);
            c.stamp = HostStamp::of(it.key());
        } catch (const SysError& e) {
            ok_ = false;
            g_lastWriteError = e.code();
            cache().remove(it.key());   // the file holds what it held
        }
    }
    return ok_;
}

} // namespace platform::profile
