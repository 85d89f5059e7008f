// An INI document as the profile functions hold it. The input is the file. A document
// written back unchanged gives the file's lines as they were read (each ended by CR LF);
// a key written reads back as written, a key removed reads as missing and every other value
// stays as it was, in the document and in its written form parsed again; a section's record
// (entries) is the section that its keys are found in.
#include "FuzzTarget.h"
#include "platform/IniDocument.h"
#include "platform/WinPath.h"

#include <QHash>
#include <optional>

using platform::IniDocument;

namespace {

struct Held {
    QString section;
    QString key;
    std::optional<QString> value;
};

// A key's identity: its section's and its own name, folded as the document compares them.
QString identity(const QString& section, const QString& key)
{
    using platform::winpath::caseFolded;
    return caseFolded(section.trimmed()) + u'\n' + caseFolded(key.trimmed());
}

void expectHeld(const IniDocument& doc, const QHash<QString, Held>& held, const char* when)
{
    for (const Held& h : held)
        fuzz::require(doc.value(h.section, h.key) == h.value,
                      QStringLiteral("%1: [%2] %3 reads %4, not %5")
                          .arg(QLatin1String(when), h.section, h.key, doc.value(h.section, h.key).value_or(QStringLiteral("<missing>")),
                               h.value.value_or(QStringLiteral("<missing>"))));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzz::bytesOf(data, size);
    IniDocument doc = IniDocument::parse(input);

    QByteArray lines = input;
    if (!lines.isEmpty() && !lines.endsWith('\n'))
        lines += '\n';
    QByteArray written = doc.serialize();
    fuzz::require(written.replace("\r\n", "\n") == lines.replace("\r\n", "\n"), QStringLiteral("the lines written back differ from those read"));

    // What the document holds (the first sections and keys: inputs are short).
    QList<Held> held;
    for (const QString& section : doc.sections().mid(0, 40)) {
        QStringList named;
        for (const QString& key : doc.keys(section))
            if (!key.isEmpty())
                named << key;
        QStringList recorded;
        for (const auto& [key, value] : doc.entries(section))
            recorded << key;
        fuzz::require(recorded == named, QStringLiteral("the record of [%1] is not the section its keys are found in").arg(section));
        for (const QString& key : named.mid(0, 40))
            held.append({section, key, doc.value(section, key)});
    }

    // One key replaced, one added to a section there is, one in a new section, one removed.
    QList<Held> writes;
    if (!held.isEmpty())
        writes.append({held.first().section, held.first().key, QStringLiteral("replaced")});
    writes.append({held.isEmpty() ? QStringLiteral("Fuzz") : held.last().section, QStringLiteral("Added Key"), QStringLiteral("added")});
    writes.append({QStringLiteral("Fuzz Section"), QStringLiteral("Key"), QStringLiteral("\"quoted\" ; not a comment")});
    // Removing a key that stands twice uncovers the second (the first of equal names counts).
    std::optional<Held> removed;
    if (held.size() > 1 && identity(held[1].section, held[1].key) != identity(held[0].section, held[0].key)) {
        int standing = 0;
        for (const auto& [key, value] : doc.entries(held[1].section))
            standing += identity(held[1].section, key) == identity(held[1].section, held[1].key);
        if (standing == 1)
            removed = Held{held[1].section, held[1].key, std::nullopt};
    }
    for (const Held& w : writes)
        doc.setValue(w.section, w.key, *w.value);
    if (removed)
        doc.removeKey(removed->section, removed->key);

    // What each key must read: the last change of it wins, the others read as before.
    QHash<QString, Held> expected;
    QList<Held> changes = held;
    changes += writes;
    if (removed)
        changes.append(*removed);
    for (const Held& h : changes)
        expected.insert(identity(h.section, h.key), h);
    expectHeld(doc, expected, "after the writes");
    expectHeld(IniDocument::parse(doc.serialize()), expected, "written and read again");
    return 0;
}
