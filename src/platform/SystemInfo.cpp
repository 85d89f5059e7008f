#include "platform/SystemInfo.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"

namespace platform::sys {

static QString setting(const char* key, const QString& def = {})
{
    return Machine::current().setting(QStringLiteral("Machine"), QString::fromLatin1(key), def);
}

std::optional<VersionInfo> GetVersionEx()
{
    const QStringList v = setting("WindowsVersion", QStringLiteral("4.10.1998")).split(u'.');
    if (v.size() < 2)
        return std::nullopt;
    VersionInfo info;
    info.major = v[0].toInt();
    info.minor = v[1].toInt();
    info.build = v.size() > 2 ? v[2].toInt() : 0;
    info.platformId = setting("PlatformId", QStringLiteral("1")).toInt();
    return info;
}

ProcessorInfo GetSystemInfo()
{
    ProcessorInfo p;
    p.processorType = setting("ProcessorType", QStringLiteral("586")).toInt();
    p.processors = qMax(1, setting("Processors", QStringLiteral("1")).toInt());
    p.activeMask = setting("ActiveProcessorMask", QStringLiteral("1")).toUInt();
    return p;
}

MemoryStatus GlobalMemoryStatus()
{
    MemoryStatus m;
    m.memoryLoad = setting("MemoryLoad", QStringLiteral("50")).toInt();
    m.totalPhys = setting("MemoryKB", QStringLiteral("65536")).toLongLong() * 1024;
    m.availPhys = setting("AvailableMemoryKB", QStringLiteral("32768")).toLongLong() * 1024;
    return m;
}

int GetKeyboardType(int typeFlag)
{
    if (typeFlag == 0)
        return setting("KeyboardType", QStringLiteral("4")).toInt();
    if (typeFlag == 2)
        return setting("FunctionKeys", QStringLiteral("12")).toInt();
    return 0;
}

std::optional<QString> GetComputerName()
{
    const QString n = setting("ComputerName");
    return n.isEmpty() ? std::nullopt : std::optional<QString>(n);
}

std::optional<QString> GetUserName()
{
    const QString n = setting("UserName");
    return n.isEmpty() ? std::nullopt : std::optional<QString>(n);
}

QString GetTempPath()
{
    QString t = Machine::current().tempFolder();
    if (!t.endsWith(u'\\'))
        t += u'\\';
    return t;
}

QString GetWindowsDirectory() { return Machine::current().windowsFolder(); }
QString GetSystemDirectory() { return Machine::current().systemFolder(); }

int GetDriveType(const QString& root) { return int(fs::driveKind(root)); }

QStringList GetLogicalDriveStrings()
{
    QStringList out;
    for (QChar d : Machine::current().driveLetters())
        out << QString(d) + QStringLiteral(":\\");
    return out;
}

} // namespace platform::sys

namespace platform::sys {

std::optional<qint64> DiskSpaceFree()
{
    const auto s = fs::diskSpace(QString(Machine::current().currentDrive()));
    if (!s)
        return std::nullopt;
    return s->freeClusters * s->sectorsPerCluster * s->bytesPerSector;
}

std::optional<qint64> AllocUnit() { return fs::clusterBytes(QString(Machine::current().currentDrive())); }

} // namespace platform::sys
