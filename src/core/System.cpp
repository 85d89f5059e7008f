#include "core/System.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"
#include "vb/Error.h"
#include "vb/FileIO.h"

#include <limits>

namespace core {

namespace sys = platform::sys;

System& SysInfo()
{
    static System instance;
    return instance;
}

QString System::StripNull(const QString& s)
{
    const int at = int(s.indexOf(QChar(0)));
    return at < 0 ? s : s.left(at);
}

static qint32 clamp32(qint64 v) { return qint32(qMin<qint64>(v, std::numeric_limits<qint32>::max())); }

static QString withBackslash(QString s)
{
    if (!s.endsWith(u'\\'))
        s += u'\\';
    return s;
}

void System::DriveInfo(const QString& strRoot, qint32& lngTotalSpace, qint32& lngFreeSpace)
{
    // Sizes of big media are computed in 64 bits and reported as the largest 32-bit count.
    const auto s = platform::fs::diskSpace(strRoot);
    if (!s) {
        lngTotalSpace = 0;
        lngFreeSpace = 0;
        return;
    }
    const qint64 unit = s->sectorsPerCluster * s->bytesPerSector;
    lngTotalSpace = clamp32(unit * s->totalClusters);
    lngFreeSpace = clamp32(unit * s->freeClusters);
}

void System::Drives(qint16& intRemovable, qint16& intNotRemovable, qint16& intCD, qint16& intRAM, qint16& intNetwork)
{
    for (const QString& root : sys::GetLogicalDriveStrings()) {
        const QString t = DriveType(root.left(3));
        if (t == u"Removable drive")
            ++intRemovable;
        else if (t == u"Fixed drive")
            ++intNotRemovable;
        else if (t == u"CD-ROM drive")
            ++intCD;
        else if (t == u"RAM-disk")
            ++intRAM;
        else if (t == u"Network drive")
            ++intNetwork;
    }
}

QString System::DriveType(const QString& root)
{
    switch (sys::GetDriveType(root)) {
    case 2: return QStringLiteral("Removable drive");
    case 3: return QStringLiteral("Fixed drive");
    case 4: return QStringLiteral("Network drive");
    case 5: return QStringLiteral("CD-ROM drive");
    case 6: return QStringLiteral("RAM-disk");
    default: return {};
    }
}

QString System::PutPoints(qint32 lngNumber)
{
    QString digits = QString::number(qAbs(qint64(lngNumber)));
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, u'.');
    return lngNumber < 0 ? u'-' + digits : digits;
}

qint32 System::FastDiskSpace(const QString& root)
{
    const platform::Machine::OneReading reading(platform::fs::machine());   // one look at the drives for the step
    const QString folder = vb::CurDir();
    qint32 result = 0;
    try {
        vb::ChDrive(root);
        const auto free = sys::DiskSpaceFree();
        if (!free)
            throw vb::Error(71);
        result = clamp32(*free);
    } catch (const vb::Error&) {
        result = 0;
    }
    vb::ResumeNext([&] { vb::ChDrive(folder.left(2)); });
    // Changing drives leaves each drive's folder as it was: the folder is set again only
    // where the drive did not come back to it.
    vb::ResumeNext([&] {
        if (vb::CurDir() != folder)
            vb::ChDir(folder);
    });
    return result;
}

void System::FreeMemory(quint8& btePercentUsed, qint32& lngTotalRam, qint32& lngFreeRam)
{
    const sys::MemoryStatus m = sys::GlobalMemoryStatus();
    btePercentUsed = quint8(m.memoryLoad);
    lngTotalRam = clamp32((m.totalPhys + 512) / 1024);
    lngFreeRam = clamp32((m.availPhys + 512) / 1024);
}

quint8 System::FunctionKeys() { return quint8(sys::GetKeyboardType(2)); }

QString System::KeyboardType()
{
    switch (sys::GetKeyboardType(0)) {
    case 1: return QStringLiteral("IBM PC/XT or compatible (83 key)");
    case 2: return QStringLiteral("Olivetti \"ico\" (102 key)");
    case 3: return QStringLiteral("IBM PC/AT or compatible (84 key)");
    case 4: return QStringLiteral("IBM enhanced (101 or 102 key)");
    case 5: return QStringLiteral("Nokia 1050 or compatible");
    case 6: return QStringLiteral("Nokia 9140 or compatible");
    case 7: return QStringLiteral("Japanese");
    default: return {};
    }
}

void System::SystemInfo(QString& strProcessor, qint32& lngNumOfProcessors, qint32& lngActiveProcessor)
{
    const sys::ProcessorInfo p = sys::GetSystemInfo();
    lngNumOfProcessors = p.processors;
    lngActiveProcessor = qint32(p.activeMask);
    if (p.processorType == 386)
        strProcessor = QStringLiteral("80386");
    else if (p.processorType == 486)
        strProcessor = QStringLiteral("80486");
    else if (p.processorType == 586)
        strProcessor = QStringLiteral("Intel Pentium");
}

QString System::TempDir()
{
    // No fixed-size buffer: a long temporary path comes back whole.
    const QString t = StripNull(sys::GetTempPath()).trimmed();
    return t.isEmpty() ? QString() : withBackslash(t);
}

QString System::SystemDir()
{
    const QString s = StripNull(sys::GetSystemDirectory());
    return s.isEmpty() ? QString() : withBackslash(s);
}

QString System::WinDir()
{
    const QString s = StripNull(sys::GetWindowsDirectory());
    return s.isEmpty() ? QString() : withBackslash(s);
}

QString System::ComputerName() { return StripNull(sys::GetComputerName().value_or(QString())); }
QString System::UserName() { return StripNull(sys::GetUserName().value_or(QString())); }

QString System::SerialNumber(const QString& drive)
{
    const auto serial = platform::fs::volumeSerial(drive.left(3));
    if (!serial)
        return QStringLiteral("0000-0000");
    const QString hex = QString::number(*serial, 16).toUpper().rightJustified(8, u'0');
    return hex.left(4) + u'-' + hex.right(4);
}

QString System::VolumeLabel(const QString& drive)
{
    try {
        const QString label = StripNull(vb::Dir(drive, vb::vbVolume));
        return label.isEmpty() ? QStringLiteral("NoName") : label;
    } catch (const vb::Error&) {
        return {};
    }
}

void System::WinVer(qint16& intMajor, qint16& intMinor, QString& strPlatform)
{
    const auto v = sys::GetVersionEx();
    if (!v) {
        intMajor = 0;
        intMinor = 0;
        strPlatform.clear();
        return;
    }
    intMajor = qint16(v->major);
    intMinor = qint16(v->minor);
    if (v->platformId == 1)
        strPlatform = QStringLiteral("Windows 95");
    else if (v->platformId == 2)
        strPlatform = QStringLiteral("Windows NT");
    else if (v->platformId == 0)
        strPlatform = QStringLiteral("Windows %1.%2").arg(v->major).arg(v->minor);
}

} // namespace core
