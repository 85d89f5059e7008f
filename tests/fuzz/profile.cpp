// The profile functions on an INI file of the machine. The input is the file, WINDOWS\FUZZ.INI.
// Every value reads as the file's document holds it, cut to the buffer; a value written, a key
// removed and a section removed read back so, from the cache and from the file read again,
// inside a batch of writes and after it; the file then holds the document as changed, and
// nothing else in the Windows folder changed.
#include "FuzzTarget.h"
#include "platform/IniDocument.h"
#include "platform/Profile.h"
#include "platform/WinPath.h"

#include <QFile>
#include <optional>

namespace profile = platform::profile;
using platform::IniDocument;

namespace {

const QString kFile = QStringLiteral("FUZZ.INI");
const QString kDefault = QStringLiteral("<default>");

QString identity(const QString& name) { return platform::winpath::caseFolded(name.trimmed()); }

// Every key of the first sections reads as `doc` holds it.
void expectReads(const IniDocument& doc, const char* when)
{
    QStringList sections = doc.sections().mid(0, 6);
    sections << QStringLiteral("Fuzz Section");
    for (const QString& section : sections) {
        QStringList keys = doc.keys(section).mid(0, 6);
        keys << QStringLiteral("Absent Key");
        for (const QString& key : keys) {
            if (key.trimmed().isEmpty())
                continue;
            const QString want = doc.value(section, key).value_or(kDefault);
            const QString got = profile::getString(section, key, kDefault, 256, kFile);
            fuzz::require(got == want.left(255), QStringLiteral("%1: [%2] %3 reads %4, the file holds %5")
                                                     .arg(QLatin1String(when), section, key, got, want));
            if (key == keys.first())
                fuzz::require(profile::getString(section, key, kDefault, 4, kFile) == want.left(3),
                              QStringLiteral("%1: [%2] %3 is not cut to a buffer of 4").arg(QLatin1String(when), section, key));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machine = fuzz::freshMachine();
    const QString windows = machine + QStringLiteral("/drive_c/WINDOWS");
    const QByteArray input = fuzz::bytesOf(data, size);
    {
        QFile f(windows + u'/' + kFile);
        fuzz::require(f.open(QIODevice::WriteOnly) && f.write(input) == input.size(), QStringLiteral("cannot write the input"));
    }
    profile::forgetCache();
    const fuzz::Stamps around = fuzz::stampsUnder(windows, {kFile});

    IniDocument doc = IniDocument::parse(input);
    expectReads(doc, "as read");

    // One value written, one key and one section removed (a name that stands once only:
    // removing the first of two uncovers the second), each by the profile functions and
    // the same on the document.
    const QStringList sections = doc.sections();
    const QString first = sections.value(0, QStringLiteral("Fuzz Section"));
    const QString firstKey = doc.keys(first).value(0, QStringLiteral("Fuzz Key")).trimmed();
    std::optional<QString> removedKey;
    for (const QString& key : doc.keys(first).mid(1)) {
        int standing = 0;
        for (const QString& other : doc.keys(first))
            standing += identity(other) == identity(key);
        if (standing == 1 && !key.trimmed().isEmpty() && identity(key) != identity(firstKey))
            removedKey = key;
    }
    std::optional<QString> removedSection;
    if (sections.size() > 1 && identity(sections.last()) != identity(first)) {
        int standing = 0;
        for (const QString& other : sections)
            standing += identity(other) == identity(sections.last());
        if (standing == 1)
            removedSection = sections.last();
    }
    const auto change = [&](const QString& section, const std::optional<QString>& key, const std::optional<QString>& value) {
        fuzz::require(profile::writeString(section, key, value, kFile),
                      QStringLiteral("a write to [%1] failed with error %2").arg(section).arg(profile::lastWriteError()));
        if (!key)
            doc.removeSection(section);
        else if (!value)
            doc.removeKey(section, *key);
        else
            doc.setValue(section, *key, *value);
    };
    if (!firstKey.isEmpty())
        change(first, firstKey, QStringLiteral("written"));
    if (removedKey)
        change(first, *removedKey, std::nullopt);
    if (removedSection)
        change(*removedSection, std::nullopt, std::nullopt);
    expectReads(doc, "after the writes");
    profile::forgetCache();
    expectReads(doc, "after the writes, read again");

    {
        profile::WriteBatch batch;
        change(first, QStringLiteral("Batch One"), QStringLiteral("one"));
        change(QStringLiteral("Fuzz Section"), QStringLiteral("Batch Two"), QStringLiteral("two"));
        expectReads(doc, "within a batch");
        fuzz::require(batch.finish(), QStringLiteral("the batch was not written"));
    }
    profile::forgetCache();
    expectReads(doc, "after a batch, read again");

    QFile f(windows + u'/' + kFile);
    fuzz::require(f.open(QIODevice::ReadOnly) && f.readAll() == doc.serialize(), QStringLiteral("the file does not hold the document as changed"));
    const QString moved = fuzz::firstDifference(around, fuzz::stampsUnder(windows, {kFile}));
    fuzz::require(moved.isEmpty(), QStringLiteral("the writes changed the Windows folder: %1").arg(moved));
    return 0;
}
