#include "platform/WinPath.h"
#include "platform/Cp1252.h"

namespace platform::winpath {

static bool isSep(QChar c) { return c == u'\\' || c == u'/'; }

Parts split(const QString& path)
{
    Parts p;
    int i = 0;
    const int n = path.size();
    if (n >= 2 && isSep(path[0]) && isSep(path[1])) {
        p.unc = true;
        p.rooted = true;
        i = 2;
    } else if (n >= 2 && path[1] == u':' && path[0].isLetter()) {
        p.drive = path[0].toUpper();
        i = 2;
    }
    if (!p.unc && i < n && isSep(path[i]))
        p.rooted = true;
    // Each name is taken whole from between its separators (every path of every file
    // operation passes here).
    for (int from = i; i <= n; ++i) {
        if (i < n && !isSep(path[i]))
            continue;
        if (i > from && !(i == from + 1 && path[from] == u'.'))
            p.components << path.mid(from, i - from);
        from = i + 1;
    }
    p.trailingSeparator = n > 0 && isSep(path[n - 1]);
    return p;
}

QString join(QChar drive, const QStringList& components)
{
    QString s = QString(drive) + QStringLiteral(":\\");
    s += components.join(u'\\');
    return s;
}

QStringList normalise(const QStringList& components)
{
    QStringList out;
    for (QString c : components) {
        if (c == u"..") {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        while (!c.isEmpty() && (c.endsWith(u' ') || c.endsWith(u'.')))
            c.chop(1);
        if (!c.isEmpty())
            out << c;
    }
    return out;
}

namespace {
// Most names are plain ASCII: in those the letters `from` to `from` + 25 change their case
// by hand, without the look-ups of the full tables; other names go to `full`.
template <char16_t from, class Full>
QString foldAscii(const QString& s, Full full)
{
    constexpr int shift = from == u'a' ? -0x20 : 0x20;
    const char16_t* c = reinterpret_cast<const char16_t*>(s.utf16());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && c[i] < 0x80 && !(c[i] >= from && c[i] <= from + 25))
        ++i;
    if (i == n)
        return s;
    for (qsizetype k = i; k < n; ++k)
        if (c[k] >= 0x80)
            return full(s);
    QString out = s;
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    for (; i < n; ++i)
        if (o[i] >= from && o[i] <= from + 25)
            o[i] = char16_t(o[i] + shift);
    return out;
}
} // namespace

QString foldCase(const QString& s)
{
    return foldAscii<u'a'>(s, [](const QString& t) { return t.toUpper(); });
}

QString caseFolded(const QString& s)
{
    return foldAscii<u'A'>(s, [](const QString& t) { return t.toCaseFolded(); });
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool listedBefore(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

bool isNameable(const QString& name)
{
    if (name.isEmpty() || name.size() > 255 || name.endsWith(u' ') || name.endsWith(u'.'))
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == u'\\' || u == u'/' || u == u':' || u == u'*' || u == u'?' || u == u'"' || u == u'<' ||
            u == u'>' || u == u'|')
            return false;
    }
    return cp1252::canHold(name);
}

bool holdsBadCharacter(const QString& name)
{
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == u'<' || u == u'>' || u == u'"' || u == u'|')
            return true;
    }
    return false;
}

bool isNameablePath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const Parts parts = split(path);
    // Every name as it stands, "." included (split() leaves it out); empty ones between
    // separators name nothing.
    qsizetype from = parts.drive.isNull() ? 0 : 2;
    for (qsizetype i = from; i <= path.size(); ++i) {
        if (i < path.size() && !isSep(path[i]))
            continue;
        if (i > from && !isNameable(path.mid(from, i - from)))
            return false;
        from = i + 1;
    }
    return true;
}

QString printable(const QString& path)
{
    QString out = path.size() > kMaxPath ? path.left(kMaxPath) + QStringLiteral("...") : path;
    for (QChar& c : out)
        if (c.unicode() < 0x20)
            c = u'?';
    return out;
}

bool hasWildcards(const QString& s) { return s.contains(u'*') || s.contains(u'?'); }

// "*" any run, "?" one character, letter case aside. One pass over the name with a single
// point to go back to: the last "*" seen and where in the name it began to match. A later
// mismatch lets that "*" swallow one more character; an earlier "*" never needs to take
// more, since the later one can take whatever it would have. So a pattern of many stars
// costs at most pattern length times name length steps, never an exponential search.
static bool matchFrom(const QString& p, const QString& s)
{
    qsizetype pi = 0;
    qsizetype si = 0;
    qsizetype starAt = -1;     // pattern index just after the last "*"
    qsizetype starFrom = 0;    // where in the name that "*" currently ends
    while (si < s.size()) {
        if (pi < p.size() && p[pi] == u'*') {
            while (pi < p.size() && p[pi] == u'*')
                ++pi;
            if (pi == p.size())
                return true;
            starAt = pi;
            starFrom = si;
            continue;
        }
        if (pi < p.size() && (p[pi] == u'?' || p[pi].toUpper() == s[si].toUpper())) {
            ++pi;
            ++si;
            continue;
        }
        if (starAt < 0)
            return false;
        pi = starAt;
        si = ++starFrom;
    }
    while (pi < p.size() && p[pi] == u'*')
        ++pi;
    return pi == p.size();
}

bool wildcardMatch(const QString& pattern, const QString& name)
{
    if (pattern.isEmpty())
        return false;
    if (pattern == u"*" || pattern == u"*.*")
        return true;
    // "*.doc" and its like, a run of anything and a fixed end: the end alone decides.
    if (pattern[0] == u'*' && pattern.indexOf(u'*', 1) < 0 && !pattern.contains(u'?') && !pattern.endsWith(u'.')) {
        const qsizetype n = pattern.size() - 1;
        if (name.size() < n)
            return false;
        for (qsizetype i = 0; i < n; ++i)
            if (pattern[1 + i].toUpper() != name[name.size() - n + i].toUpper())
                return false;
        return true;
    }
    if (matchFrom(pattern, name))
        return true;
    // "name.*" also matches "name" without any extension, as on the real system.
    if (pattern.endsWith(u".*") && !name.contains(u'.'))
        return matchFrom(pattern.left(pattern.size() - 2), name);
    // "*." matches the names that have no extension.
    if (pattern.endsWith(u'.') && !name.contains(u'.'))
        return matchFrom(pattern.left(pattern.size() - 1), name);
    return false;
}

static bool validShortChar(QChar c)
{
    if (c.unicode() >= 128)
        return true;
    if (c.isLetterOrNumber())
        return true;
    static const QString extra = QStringLiteral("!#$%&'()-@^_`{}~");
    return extra.contains(c);
}

bool isShortName(const QString& name)
{
    if (name == u"." || name == u"..")
        return true;
    const int dot = name.indexOf(u'.');
    if (dot != name.lastIndexOf(u'.'))
        return false;
    const QString stem = dot < 0 ? name : name.left(dot);
    const QString ext = dot < 0 ? QString() : name.mid(dot + 1);
    if (stem.isEmpty() || stem.size() > 8 || ext.size() > 3 || (dot >= 0 && ext.isEmpty()))
        return false;
    for (QChar c : stem)
        if (!validShortChar(c))
            return false;
    for (QChar c : ext)
        if (!validShortChar(c))
            return false;
    return true;
}

static QString cleanShort(const QString& s)
{
    QString out;
    for (QChar c : s) {
        if (c == u' ' || c == u'.')
            continue;
        out += validShortChar(c) ? c.toUpper() : QChar(u'_');
    }
    return out;
}

ShortBasis shortBasis(const QString& longName)
{
    QString name = longName;
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    const int dot = name.lastIndexOf(u'.');
    ShortBasis b;
    b.stem = cleanShort(dot < 0 ? name : name.left(dot)).left(6);
    b.ext = dot < 0 ? QString() : cleanShort(name.mid(dot + 1)).left(3);
    if (b.stem.isEmpty())
        b.stem = QStringLiteral("_");
    return b;
}

QString makeShortName(const ShortBasis& basis, int number)
{
    const QString tail = u'~' + QString::number(number);
    QString s = basis.stem.left(8 - tail.size()) + tail;
    if (!basis.ext.isEmpty())
        s += u'.' + basis.ext;
    return s;
}

int fatEntriesFor(const QString& name)
{
    if (isShortName(name) && name == name.toUpper())
        return 1;
    return 1 + (int(name.size()) + 12) / 13;
}

} // namespace platform::winpath
