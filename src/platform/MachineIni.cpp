#include "platform/MachineIni.h"
#include "platform/HostStamp.h"
#include "platform/IniDocument.h"
#include "platform/Machine.h"
#include "platform/WinPath.h"

#include <QDir>
#include <algorithm>

namespace platform {

QString shownValue(const QString& value)
{
    QString out;
    for (const QChar c : value.left(80)) {
        if (c.unicode() == 0)
            out += QStringLiteral("<NUL>");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("<0x%1>").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    if (value.size() > 80)
        out += QStringLiteral("...");
    return out;
}

QString windowsPathFault(const QString& path, bool wildcards)
{
    const QString refused = wildcards ? QStringLiteral("<>\"|") : QStringLiteral("<>\"|*?");
    for (const QChar c : path) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("holds a control character, which Windows does not allow in a path");
        if (refused.contains(c))
            return QStringLiteral("holds the character %1, which Windows does not allow in a name").arg(c);
    }
    // The colon of the drive is the only one a path may hold.
    if (path.indexOf(u':', 2) >= 0 || (path.indexOf(u':') == 0))
        return QStringLiteral("holds the character :, which Windows does not allow in a name");
    int depth = 0;
    for (const QString& component : winpath::split(path).components) {
        depth += component == u".." ? -1 : 1;
        if (depth < 0)
            return QStringLiteral("leads out of its drive (\"..\" above the root)");
    }
    return {};
}

namespace {

QString fault(const QString& section, const QString& key, const QString& value, const QString& what)
{
    return QStringLiteral("[%1] %2=%3 %4").arg(section, key, shownValue(value), what);
}

// A folder of the machine: a full path with its drive letter.
QString folderFault(const QString& path)
{
    const winpath::Parts parts = winpath::split(path);
    if (parts.drive.isNull() || !parts.rooted)
        return QStringLiteral("is not a full path with a drive letter (such as C:\\WINDOWS)");
    return windowsPathFault(path);
}

} // namespace

QString machineIniFault(const QString& dir, const IniDocument& doc)
{
    const QString drives = QStringLiteral("Drives");
    const std::optional<QString> kindOfC = doc.value(drives, QStringLiteral("C"));
    if (!kindOfC)
        return QStringLiteral("[Drives] has no key C: the machine has no drive C:");
    const QString kind = kindOfC->toLower();
    if (kind != u"fixed" && kind != u"ramdisk" && kind != u"network")
        return fault(drives, QStringLiteral("C"), *kindOfC, QStringLiteral("is no kind of drive that drive C: can be (fixed)"));

    // The host folders of the drives: a control character would end the name the host sees.
    for (const QString& section : doc.sections()) {
        if (!section.startsWith(QStringLiteral("Drive "), Qt::CaseInsensitive))
            continue;
        for (const QString& key : {QStringLiteral("Folder"), QStringLiteral("Disk")}) {
            const QString value = doc.value(section, key).value_or(QString());
            if (std::any_of(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }))
                return fault(section, key, value, QStringLiteral("holds a control character, which no folder name may hold"));
        }
    }
    const QString sectionC = QStringLiteral("Drive C");
    const std::optional<QString> folderC = doc.value(sectionC, QStringLiteral("Folder"));
    if (!folderC || folderC->isEmpty())
        return QStringLiteral("[Drive C] has no key Folder: drive C: has no folder");
    const QString hostC = QDir::isRelativePath(*folderC) ? dir + u'/' + *folderC : *folderC;
    if (!HostStamp::of(hostC).isDir)
        return fault(sectionC, QStringLiteral("Folder"), *folderC, QStringLiteral("names a folder that is not there (%1)").arg(hostC));

    const QString section = QStringLiteral("Machine");
    for (const char* key : {"WindowsFolder", "SystemFolder", "TempFolder", "ProgramFolder"}) {
        const QString name = QString::fromLatin1(key);
        if (const auto value = doc.value(section, name)) {
            if (const QString what = folderFault(*value); !what.isEmpty())
                return fault(section, name, *value, what);
        }
    }
    // Program names may hold wildcards; one given with its folder is a path all the same.
    for (const QString& key : doc.keys(QStringLiteral("Programs"))) {
        if (const QString what = windowsPathFault(key, true); !what.isEmpty())
            return QStringLiteral("[Programs] the key %1 %2").arg(shownValue(key), what);
    }

    // The program lives in its folder: without it nothing of the program can be found.
    const Machine probe(dir);
    const QString programFolder = probe.programFolder();
    if (!probe.resolve(programFolder).isDir())
        return fault(section, QStringLiteral("ProgramFolder"), programFolder, QStringLiteral("names a folder that is not there"));
    return {};
}

} // namespace platform
