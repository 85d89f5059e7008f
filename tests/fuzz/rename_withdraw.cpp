// Taking a restore's lines back out of the boot-time rename list. The input is
// WINDOWS\Wininit.ini. Withdrawing every line the boot would carry out leaves none for it, and
// every line that stays is one of the input's, in its order; a restore's line merged into the
// list and withdrawn again leaves the boot exactly the input's other lines.
#include "FuzzTarget.h"
#include "platform/Boot.h"
#include "restore/WininitRename.h"

#include <QFile>
#include <QRegularExpression>

namespace {

QString g_list;

QStringList carriedOutAfterWriting(const QByteArray& bytes)
{
    QFile f(g_list);
    fuzz::require(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size(), QStringLiteral("cannot write the list"));
    f.close();
    return platform::pendingRenameLines();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_list = fuzz::freshMachine() + QStringLiteral("/drive_c/WINDOWS/Wininit.ini");
    const QByteArray input = fuzz::bytesOf(data, size);
    const QStringList lines = carriedOutAfterWriting(input);

    const QByteArray withdrawn = restore::RemoveRenameLines(input, lines);
    fuzz::require(carriedOutAfterWriting(withdrawn).isEmpty(), QStringLiteral("a withdrawn line is still carried out at the boot"));
    static const QRegularExpression ends(QStringLiteral("\r\n|\r|\n"));
    const QList<QByteArray> before = [&] {
        QList<QByteArray> out;
        for (const QString& l : QString::fromLatin1(input).split(ends))
            out << l.toLatin1();
        return out;
    }();
    qsizetype at = 0;
    for (const QByteArray& kept : withdrawn.split('\n')) {
        if (kept.isEmpty())
            continue;
        const QByteArray line = kept.endsWith('\r') ? kept.chopped(1) : kept;
        while (at < before.size() && before[at] != line)
            ++at;
        fuzz::require(at < before.size(), QStringLiteral("the withdrawal wrote a line the list did not have: %1").arg(QString::fromLatin1(line)));
        ++at;
    }

    const QString own = QStringLiteral("C:\\WINDOWS\\system.ini=C:\\WINDOWS\\TEMP\\trelvo\\system.ini");
    const QByteArray merged = restore::MergeRenameLines(input, {own});
    fuzz::require(carriedOutAfterWriting(merged).contains(own), QStringLiteral("a merged line is not carried out at the boot"));
    QStringList others = lines;
    others.removeIf([&](const QString& l) { return platform::sameRenameLine(l, own); });
    fuzz::require(carriedOutAfterWriting(restore::RemoveRenameLines(merged, {own})) == others,
                  QStringLiteral("merging and withdrawing a line changed what else the boot carries out"));
    return 0;
}
