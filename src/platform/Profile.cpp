#include "platform/Profile.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/IniDocument.h"
#include "platform/SysError.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace platform::profile {

namespace {

struct Cached {
    IniDocument doc;
    QByteArray bytes;      // the file as parsed or written
    QDateTime modified;
    qint64 size = -1;
};

QHash<QString, Cached>& cache()
{
    static QHash<QString, Cached> c;
    return c;
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
    if (!r.ok() || !r.isFile())
        return nullptr;
    const QString host = r.host();
    const QFileInfo fi(host);
    auto it = cache().find(host);
    const bool same = it != cache().end() && it->modified == fi.lastModified() && it->size == fi.size();
    if (same && !isRacy(fi.lastModified()))
        return &it->doc;
    QFile f(host);
    if (!f.open(QIODevice::ReadOnly))
        return nullptr;
    QByteArray bytes = f.readAll();
    // Within the clock tick of the last change the time proves nothing: compare the bytes.
    if (same && bytes == it->bytes)
        return &it->doc;
    Cached c;
    c.doc = IniDocument::parse(bytes);
    c.bytes = std::move(bytes);
    c.modified = fi.lastModified();
    c.size = fi.size();
    if (cache().size() > 256)
        cache().clear();
    return &cache().insert(host, std::move(c))->doc;
}

} // namespace

QString getString(const QString& section, const QString& key, const QString& def, int bufferSize, const QString& file)
{
    const Resolved r = Machine::current().resolve(fullPath(file));
    QString value = def;
    if (const IniDocument* doc = load(r)) {
        if (const auto v = doc->value(section, key))
            value = *v;
    }
    if (bufferSize > 0 && value.size() > bufferSize - 1)
        value.truncate(bufferSize - 1);
    return value;
}

bool writeString(const QString& section, const std::optional<QString>& key, const std::optional<QString>& value,
                 const QString& file)
{
    const QString path = fullPath(file);
    try {
        const Resolved r = fs::resolveReady(path);
        IniDocument doc;
        if (const IniDocument* cur = load(r))
            doc = *cur;
        if (!key)
            doc.removeSection(section);
        else if (!value)
            doc.removeKey(section, *key);
        else
            doc.setValue(section, *key, *value);
        QByteArray bytes = doc.serialize();
        fs::writeAll(path, bytes);
        const QFileInfo fi(r.host());
        Cached c;
        c.doc = std::move(doc);
        c.bytes = std::move(bytes);
        c.modified = fi.lastModified();
        c.size = fi.size();
        cache().insert(r.host(), std::move(c));
        return true;
    } catch (const SysError&) {
        return false;
    }
}

void forgetCache() { cache().clear(); }

} // namespace platform::profile
