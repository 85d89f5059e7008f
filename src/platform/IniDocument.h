#pragma once
// An INI file held in memory with the reading and writing rules of the system's
// profile functions: names compare without regard to case, the first duplicate wins,
// blanks around keys and values and one pair of enclosing quotes are dropped on
// reading, ";" inside a value is part of it, writes replace a key in place, append a
// new key at the end of its section and a new section at the end of the file. Lines
// that are not touched are written back exactly as they were read.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class IniDocument {
public:
    static IniDocument parse(const QByteArray& bytes);   // Windows-1252, CR LF or LF
    QByteArray serialize() const;                         // Windows-1252, CR LF

    // The value as the profile functions deliver it; nullopt when the section or key
    // is missing (an empty value gives an empty string).
    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    void removeKey(const QString& section, const QString& key);
    void removeSection(const QString& section);

    // The keys of a section with their values as value() gives them, in file order (each
    // name as it stands, duplicates too), without building the look-up tables: for a small
    // record read whole at once.
    QList<std::pair<QString, QString>> entries(const QString& section) const;

    QStringList sections() const;
    QStringList keys(const QString& section) const;
    bool isEmpty() const { return lines_.empty(); }

private:
    struct Line {
        QString text;          // the line as read or written, without its end
        int kind = 0;          // 0 other, 1 section header, 2 key
        QString name;          // section or key name, trimmed
    };
    int findSection(const QString& section) const;                    // header index or -1
    int sectionEnd(int header) const;                                  // index past its last line
    int findKey(int header, const QString& key) const;
    static Line classify(const QString& text);
    // Where the "=" after `key` stands in its line (-1 for a bare word); the value follows it.
    static qsizetype equalsOf(const Line& line, const QString& key);
    static QString valueOf(const Line& line, const QString& key);
    // Where each section and key first stands, by folded name; made when first asked for,
    // dropped by every change that moves or renames a line.
    struct Index {
        QHash<QString, int> sections;                  // section -> header line
        QHash<int, QHash<QString, int>> keys;          // header line -> key -> key line
    };
    const Index& index() const;
    void changed() { index_.reset(); }
    std::vector<Line> lines_;
    mutable std::shared_ptr<const Index> index_;
};

} // namespace platform
