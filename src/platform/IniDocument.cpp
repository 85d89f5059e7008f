#include "platform/IniDocument.h"
#include "platform/WinPath.h"
#include "platform/Cp1252.h"

namespace platform {

IniDocument::Line IniDocument::classify(const QString& text)
{
    Line l;
    l.text = text;
    const QString t = text.trimmed();
    if (t.startsWith(u'[')) {
        l.kind = 1;
        const int close = t.indexOf(u']');
        l.name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
        return l;
    }
    const int eq = text.indexOf(u'=');
    if (eq >= 0) {
        l.kind = 2;
        l.name = text.left(eq).trimmed();
    } else if (!t.isEmpty()) {
        l.kind = 2;   // a bare word counts as a key with an empty value
        l.name = t;
    }
    return l;
}

IniDocument IniDocument::parse(const QByteArray& bytes)
{
    IniDocument doc;
    const QString text = cp1252::decode(bytes);
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = n;
        qsizetype stop = end;
        if (stop > start && text[stop - 1] == u'\r')
            --stop;
        doc.lines_.push_back(classify(text.mid(start, stop - start)));
        start = end + 1;
    }
    return doc;
}

QByteArray IniDocument::serialize() const
{
    QString out;
    qsizetype total = 0;
    for (const Line& l : lines_)
        total += l.text.size() + 2;
    out.reserve(total);
    for (const Line& l : lines_) {
        out += l.text;
        out += u"\r\n";
    }
    return cp1252::encode(out);
}

const IniDocument::Index& IniDocument::index() const
{
    if (!index_) {
        auto index = std::make_shared<Index>();
        int header = -1;
        for (int i = 0; i < int(lines_.size()); ++i) {
            const Line& l = lines_[i];
            QHash<QString, int>* names = nullptr;
            QString name;
            if (l.kind == 1) {
                header = i;
                names = &index->sections;
                name = winpath::caseFolded(l.name);
            } else if (l.kind == 2 && header >= 0 && !l.name.isEmpty()) {
                names = &index->keys[header];
                name = winpath::caseFolded(l.name);
            }
            if (names && !names->contains(name))   // the first of equal names counts
                names->insert(name, i);
        }
        index_ = std::move(index);
    }
    return *index_;
}

int IniDocument::findSection(const QString& section) const
{
    return index().sections.value(winpath::caseFolded(section.trimmed()), -1);
}

int IniDocument::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < int(lines_.size()) && lines_[i].kind != 1)
        ++i;
    return i;
}

// Where the value of `key` begins in `text`, or -1 when the line is not that key's. For a
// key that holds "=" itself (a file name may): the line begins with the key, and its value
// after the "=" that follows it.
static qsizetype valueStart(const QString& text, const QString& key)
{
    qsizetype at = 0;
    while (at < text.size() && text[at].isSpace())
        ++at;
    if (winpath::caseFolded(text.mid(at, key.size())) != winpath::caseFolded(key))
        return -1;
    at += key.size();
    while (at < text.size() && text[at].isSpace())
        ++at;
    return at < text.size() && text[at] == u'=' ? at + 1 : -1;
}

int IniDocument::findKey(int header, const QString& key) const
{
    const QString k = key.trimmed();
    if (k.isEmpty())
        return -1;
    if (k.contains(u'=')) {
        for (int i = header + 1, end = sectionEnd(header); i < end; ++i)
            if (lines_[i].kind == 2 && valueStart(lines_[i].text, k) >= 0)
                return i;
        return -1;
    }
    const Index& in = index();
    const auto keys = in.keys.constFind(header);
    return keys == in.keys.constEnd() ? -1 : keys->value(winpath::caseFolded(k), -1);
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const int h = findSection(section);
    if (h < 0)
        return std::nullopt;
    const int k = findKey(h, key);
    if (k < 0)
        return std::nullopt;
    return valueOf(lines_[k], key);
}

qsizetype IniDocument::equalsOf(const Line& line, const QString& key)
{
    const QString k = key.trimmed();
    return k.contains(u'=') ? valueStart(line.text, k) - 1 : line.text.indexOf(u'=');
}

QString IniDocument::valueOf(const Line& line, const QString& key)
{
    const qsizetype eq = equalsOf(line, key);
    QString v = eq < 0 ? QString() : line.text.mid(eq + 1).trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

QList<std::pair<QString, QString>> IniDocument::entries(const QString& section) const
{
    QList<std::pair<QString, QString>> out;
    const QString wanted = section.trimmed();
    int i = 0;
    while (i < int(lines_.size()) && !(lines_[i].kind == 1 && lines_[i].name.compare(wanted, Qt::CaseInsensitive) == 0))
        ++i;
    for (++i; i < int(lines_.size()) && lines_[i].kind != 1; ++i)
        if (lines_[i].kind == 2 && !lines_[i].name.isEmpty())
            out.append({lines_[i].name, valueOf(lines_[i], QString())});
    return out;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString line = key.trimmed() + u'=' + value;
    int h = findSection(section);
    if (h < 0) {
        changed();
        lines_.push_back(classify(u'[' + section.trimmed() + u']'));
        lines_.push_back(classify(line));
        return;
    }
    const int k = findKey(h, key);
    if (k >= 0) {
        // The key keeps its spelling (and its place).
        const qsizetype eq = equalsOf(lines_[k], key);
        lines_[k] = classify((eq < 0 ? lines_[k].name : lines_[k].text.left(eq).trimmed()) + u'=' + value);
        return;
    }
    changed();
    // After the last non-blank line of the section, so blank separators stay below it.
    int at = sectionEnd(h);
    while (at > h + 1 && lines_[at - 1].text.trimmed().isEmpty())
        --at;
    lines_.insert(lines_.begin() + at, classify(line));
}

void IniDocument::removeKey(const QString& section, const QString& key)
{
    const int h = findSection(section);
    if (h < 0)
        return;
    const int k = findKey(h, key);
    if (k >= 0) {
        changed();
        lines_.erase(lines_.begin() + k);
    }
}

void IniDocument::removeSection(const QString& section)
{
    const int h = findSection(section);
    if (h < 0)
        return;
    changed();
    lines_.erase(lines_.begin() + h, lines_.begin() + sectionEnd(h));
}

QStringList IniDocument::sections() const
{
    QStringList out;
    for (const Line& l : lines_)
        if (l.kind == 1)
            out << l.name;
    return out;
}

QStringList IniDocument::keys(const QString& section) const
{
    QStringList out;
    const int h = findSection(section);
    if (h < 0)
        return out;
    const int end = sectionEnd(h);
    for (int i = h + 1; i < end; ++i)
        if (lines_[i].kind == 2)
            out << lines_[i].name;
    return out;
}

} // namespace platform
