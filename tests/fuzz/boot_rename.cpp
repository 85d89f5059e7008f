// The boot-time rename list as the emulated boot carries it out. The input is WINDOWS\Wininit.ini.
// The boot touches no host file outside the machine's drives: the machine's own files (but for
// boot.log and the drives' attribute records), the floppy shelf and a file beside the machine
// folder stay as they were. On the drives a file appears only under a name the list gives
// (none shortened). The list is carried out once: after the boot no Wininit.ini is left, and a
// second boot replaces and deletes nothing.
#include "FuzzTarget.h"
#include "platform/Boot.h"
#include "platform/Cp1252.h"
#include "platform/WinPath.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

// Every name of every path of the list, as a file takes it (trailing blanks and full stops
// dropped), folded; and the name the list is kept under.
QSet<QString> namesGiven(const QByteArray& input)
{
    using platform::winpath::caseFolded;
    QSet<QString> names{caseFolded(QStringLiteral("Wininit.bak"))};
    static const QRegularExpression separators(QStringLiteral("[\\r\\n=\\\\/]"));
    for (QString name : platform::cp1252::decode(input).split(separators)) {
        name = name.trimmed();
        while (name.endsWith(u'.') || name.endsWith(u' '))
            name.chop(1);
        names << caseFolded(name);
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machine = fuzz::freshMachine();
    const QString root = QFileInfo(machine).path();
    const QString list = machine + QStringLiteral("/drive_c/WINDOWS/Wininit.ini");
    {
        QFile f(list);
        fuzz::require(f.open(QIODevice::WriteOnly) && f.write(fuzz::bytesOf(data, size)) == qint64(size), QStringLiteral("cannot write the input"));
    }
    // What the drives hold (the disk in A: included) may change; nothing else may.
    const QStringList drives{QStringLiteral("machine/drive_c/"), QStringLiteral("machine/drive_c.attr"), QStringLiteral("machine/floppies/blank/"),
                             QStringLiteral("machine/floppies/blank.attr"), QStringLiteral("machine/boot.log")};
    const fuzz::Stamps outside = fuzz::stampsUnder(root, drives);
    const QStringList records{QStringLiteral("drive_c.attr"), QStringLiteral("floppies/blank.attr"), QStringLiteral("boot.log")};
    const fuzz::Stamps inside = fuzz::stampsUnder(machine, records);

    fuzz::handlesItsErrors("the boot", [] { platform::bootMachine(); });
    const QString moved = fuzz::firstDifference(outside, fuzz::stampsUnder(root, drives));
    fuzz::require(moved.isEmpty(), QStringLiteral("the boot changed a host file outside the drives: %1").arg(moved));
    const QSet<QString> names = namesGiven(fuzz::bytesOf(data, size));
    const fuzz::Stamps now = fuzz::stampsUnder(machine, records);
    for (auto it = now.constBegin(); it != now.constEnd(); ++it)
        fuzz::require(inside.contains(it.key()) || names.contains(platform::winpath::caseFolded(QFileInfo(it.key()).fileName())),
                      QStringLiteral("the boot made %1, a name the list does not give").arg(it.key()));
    fuzz::require(!QFileInfo::exists(list), QStringLiteral("the boot left Wininit.ini to be carried out again"));

    platform::BootReport again;
    fuzz::handlesItsErrors("a second boot", [&] { again = platform::bootMachine(); });
    fuzz::require(again.replaced == 0 && again.deleted == 0, QStringLiteral("a second boot carried out the list again"));
    return 0;
}
