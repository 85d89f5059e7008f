#include "platform/Registry.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/DialUp.h"
#include "platform/Machine.h"
#include "platform/WinPath.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <optional>

namespace platform::reg {

namespace {

struct Root {
    HKEY handle;
    QLatin1StringView name;
};

constexpr Root kRoots[] = {
    {HKEY_CLASSES_ROOT, QLatin1StringView("HKEY_CLASSES_ROOT")},
    {HKEY_CURRENT_USER, QLatin1StringView("HKEY_CURRENT_USER")},
    {HKEY_LOCAL_MACHINE, QLatin1StringView("HKEY_LOCAL_MACHINE")},
    {HKEY_USERS, QLatin1StringView("HKEY_USERS")},
    {HKEY_CURRENT_CONFIG, QLatin1StringView("HKEY_CURRENT_CONFIG")},
    {HKEY_DYN_DATA, QLatin1StringView("HKEY_DYN_DATA")},
};

QString rootName(HKEY root)
{
    for (const Root& r : kRoots)
        if (r.handle == root)
            return r.name;
    return {};
}

HKEY rootByName(const QString& name)
{
    for (const Root& r : kRoots)
        if (name.compare(r.name, Qt::CaseInsensitive) == 0)
            return r.handle;
    return 0;
}

// "HKEY_LOCAL_MACHINE\SOFTWARE\MICROSOFT": the key's identity, empty parts dropped;
// empty for an unknown root.
QString keyId(HKEY root, const QString& path)
{
    QString id = rootName(root);
    if (id.isEmpty())
        return id;
    for (const QString& part : path.split(u'\\', Qt::SkipEmptyParts))
        id += u'\\' + winpath::foldCase(part);
    return id;
}

// The text between the quote at `pos` and its closing quote, with "\\" and "\""
// undone (any other backslash stays as written). Returns the index past the closing
// quote, or -1 when the line ends first.
qsizetype readQuoted(const QString& s, qsizetype pos, QString* out)
{
    out->clear();
    for (qsizetype i = pos + 1; i < s.size(); ++i) {
        if (s[i] == u'"')
            return i + 1;
        if (s[i] == u'\\' && i + 1 < s.size() && (s[i + 1] == u'\\' || s[i + 1] == u'"'))
            ++i;
        out->append(s[i]);
    }
    return -1;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') ? u - '0' : (u >= 'a' && u <= 'f') ? u - 'a' + 10 : (u >= 'A' && u <= 'F') ? u - 'A' + 10 : -1;
}

std::optional<quint32> parseHex(const QString& digits, int maxDigits)
{
    if (digits.isEmpty() || digits.size() > maxDigits)
        return std::nullopt;
    quint32 v = 0;
    for (const QChar c : digits) {
        if (hexDigit(c) < 0)
            return std::nullopt;
        v = v * 16 + quint32(hexDigit(c));
    }
    return v;
}

// "00,4a,ff": one or two hex digits per byte; an empty list is no bytes.
std::optional<QByteArray> parseBytes(const QString& list)
{
    QByteArray out;
    if (list.trimmed().isEmpty())
        return out;
    for (const QString& part : list.split(u',')) {
        const auto b = parseHex(part.trimmed(), 2);
        if (!b)
            return std::nullopt;
        out.append(char(*b));
    }
    return out;
}

// The data after "=": "text", dword:XXXXXXXX, hex:..., hex(N):...
std::optional<Registry::Value> parseData(const QString& text)
{
    Registry::Value v;
    if (text.startsWith(u'"')) {
        QString s;
        const qsizetype end = readQuoted(text, 0, &s);
        if (end < 0 || !text.mid(end).trimmed().isEmpty())
            return std::nullopt;
        v.type = REG_SZ;
        v.data = cp1252::encode(s) + '\0';
        return v;
    }
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0)
        return std::nullopt;
    const QString kind = text.left(colon).trimmed().toLower();
    const QString rest = text.mid(colon + 1).trimmed();
    if (kind == u"dword") {
        const auto d = parseHex(rest, 8);
        if (!d)
            return std::nullopt;
        v.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            v.data.append(char((*d >> (8 * i)) & 0xFF));
        return v;
    }
    if (kind == u"hex")
        v.type = REG_BINARY;
    else if (kind.startsWith(u"hex(") && kind.endsWith(u')')) {
        const auto t = parseHex(kind.mid(4, kind.size() - 5), 8);
        if (!t)
            return std::nullopt;
        v.type = *t;
    } else
        return std::nullopt;
    const auto bytes = parseBytes(rest);
    if (!bytes)
        return std::nullopt;
    v.data = *bytes;
    return v;
}

// The lines of a text whose lines end in CR LF, LF or CR alone; `lastEnded` tells whether
// its last line has its line end.
QStringList textLines(const QString& text, bool* lastEnded)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    *lastEnded = start == n;
    if (start < n)
        lines << text.mid(start);
    return lines;
}

// The file's registry, read again when the file's size or time has changed.
const Registry& machineRegistry()
{
    static QString file;
    static QDateTime time;
    static qint64 size = -2;
    static Registry registry;
    const QFileInfo fi(MachineRegistryFile());
    const QDateTime t = fi.exists() ? fi.lastModified() : QDateTime();
    const qint64 s = fi.exists() ? fi.size() : -1;
    if (fi.filePath() == file && t == time && s == size)
        return registry;
    registry = Registry::read(fi.filePath());
    file = fi.filePath();
    time = isRacy(t) ? QDateTime::fromMSecsSinceEpoch(0) : t;   // read again next time
    size = s;
    return registry;
}

struct OpenKey {
    HKEY root;
    QString path;
};

struct Handles {
    QHash<HKEY, OpenKey> open;
    HKEY next = 0x100;
};

Handles& handles()
{
    static Handles h;
    return h;
}

std::optional<OpenKey> keyOf(HKEY handle)
{
    if (!rootName(handle).isEmpty())
        return OpenKey{handle, {}};
    const auto it = handles().open.constFind(handle);
    if (it == handles().open.cend())
        return std::nullopt;
    return *it;
}

} // namespace

Registry Registry::parse(const QByteArray& bytes)
{
    Registry reg;
    const auto note = [&reg](Problem::Kind kind, qsizetype index) {
        if (!reg.problem_)
            reg.problem_ = Problem{kind, int(index + 1)};
    };
    bool lastEnded = true;
    const QStringList lines = textLines(cp1252::decode(bytes), &lastEnded);
    bool header = false;
    bool anyKey = false;        // a key line was met, sound or not
    QString current;            // id of the key being read; empty after a bad key line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (!header) {
            if (line.compare(QLatin1StringView("REGEDIT4"), Qt::CaseInsensitive) != 0) {
                note(Problem::NoHeader, i);
                return reg;
            }
            header = true;
            continue;
        }
        if (line.startsWith(u'[')) {
            current.clear();
            anyKey = true;
            if (!line.endsWith(u']')) {
                note(Problem::BadKey, i);
                continue;
            }
            const QStringList parts = line.mid(1, line.size() - 2).split(u'\\', Qt::SkipEmptyParts);
            const HKEY root = parts.isEmpty() ? 0 : rootByName(parts.first());
            if (!root) {
                note(Problem::UnknownRoot, i);
                continue;
            }
            current = rootName(root);
            reg.keys_[current];
            for (qsizetype p = 1; p < parts.size(); ++p) {
                current += u'\\' + winpath::foldCase(parts[p]);
                reg.keys_[current];
            }
            continue;
        }
        const qsizetype first = i;
        QString name;
        qsizetype pos = 1;
        if (line.startsWith(u'"'))
            pos = readQuoted(line, 0, &name);
        else if (!line.startsWith(u'@')) {
            note(Problem::NotAnEntry, i);
            continue;
        }
        QString data = pos < 0 ? QString() : line.mid(pos).trimmed();
        if (!data.startsWith(u'=')) {
            note(Problem::BadValue, i);
            continue;
        }
        data = data.mid(1).trimmed();
        // A byte list goes on after a trailing backslash; a continuation line starts
        // with a hex digit, so a damaged list never swallows the next section or value.
        if (data.startsWith(QLatin1StringView("hex"), Qt::CaseInsensitive))
            while (data.endsWith(u'\\') && i + 1 < lines.size()) {
                const QString next = lines[i + 1].trimmed();
                if (next.isEmpty() || hexDigit(next[0]) < 0)
                    break;
                data.chop(1);
                data += next;
                ++i;
            }
        auto value = parseData(data);
        if (!value) {
            note(Problem::BadValue, first);
            continue;
        }
        if (current.isEmpty()) {
            // Below a key line that could not be read, the value goes with it unnoted.
            if (!anyKey)
                note(Problem::OutsideKey, first);
            continue;
        }
        value->name = name;
        reg.keys_[current].insert(winpath::foldCase(name), *value);
    }
    if (!header)
        note(Problem::Empty, -1);
    else if (!lastEnded && !lines.last().trimmed().isEmpty())
        note(Problem::CutShort, lines.size() - 1);
    return reg;
}

Registry Registry::read(const QString& hostPath)
{
    if (const auto bytes = readHostFile(hostPath))
        return parse(*bytes);
    Registry reg;
    const QFileInfo fi(hostPath);
    Problem::Kind kind = Problem::NotReadable;
    if (fi.isSymLink() && !fi.exists())
        kind = Problem::LinkToNothing;
    else if (!fi.exists())
        kind = Problem::Missing;
    else if (fi.isDir())
        kind = Problem::Folder;
    reg.problem_ = Problem{kind, 0};
    return reg;
}

bool Registry::hasKey(HKEY root, const QString& path) const
{
    const QString id = keyId(root, path);
    return !id.isEmpty() && (!id.contains(u'\\') || keys_.contains(id));
}

const Registry::Value* Registry::value(HKEY root, const QString& path, const QString& name) const
{
    const auto key = keys_.constFind(keyId(root, path));
    if (key == keys_.cend())
        return nullptr;
    const auto v = key->constFind(winpath::foldCase(name));
    return v == key->cend() ? nullptr : &*v;
}

QString MachineRegistryFile() { return Machine::current().hostFile(QStringLiteral("registry.reg")); }

std::optional<Registry::Problem> MachineRegistryProblem() { return machineRegistry().problem(); }

long RegOpenKeyEx(HKEY root, const QString& subKey, quint32, quint32, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    const auto base = keyOf(root);
    if (!base)
        return ERROR_INVALID_HANDLE;
    const QString path = base->path + u'\\' + subKey;
    if (!machineRegistry().hasKey(base->root, path))
        return ERROR_FILE_NOT_FOUND;
    Handles& h = handles();
    *result = h.next++;
    h.open.insert(*result, {base->root, path});
    return ERROR_SUCCESS;
}

long RegOpenKey(HKEY root, const QString& subKey, HKEY* result)
{
    if (!subKey.isEmpty() || !result)
        return RegOpenKeyEx(root, subKey, 0, KEY_ALL_ACCESS, result);
    *result = keyOf(root) ? root : 0;
    return *result ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

long RegQueryValueEx(HKEY key, const QString& valueName, quint32* type, QByteArray* data, quint32* size)
{
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    const auto open = keyOf(key);
    if (!open)
        return ERROR_INVALID_HANDLE;
    const Registry::Value* v = machineRegistry().value(open->root, open->path, valueName);
    // The dial-up state is the system's to keep, whatever the file says.
    Registry::Value kept;
    if (keyId(open->root, open->path) == keyId(HKEY_LOCAL_MACHINE, QStringLiteral("System\\CurrentControlSet\\Services\\RemoteAccess")) &&
        winpath::sameName(valueName, QStringLiteral("Remote Connection"))) {
        kept = {QStringLiteral("Remote Connection"), REG_BINARY, ras::RemoteConnectionValue()};
        v = &kept;
    }
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = v->type;
    const auto needed = quint32(v->data.size());
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data)
        *data = v->data;
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

long RegCloseKey(HKEY key)
{
    if (!rootName(key).isEmpty())
        return ERROR_SUCCESS;
    return handles().open.remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace platform::reg
