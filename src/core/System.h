#pragma once
// Queries about drives, memory, keyboard, processor, folders and the Windows version.
// The program holds one instance, SysInfo().
#include <QString>

namespace core {

class System {
public:
    void DriveInfo(const QString& strRoot, qint32& lngTotalSpace, qint32& lngFreeSpace);
    void Drives(qint16& intRemovable, qint16& intNotRemovable, qint16& intCD, qint16& intRAM, qint16& intNetwork);
    QString DriveType(const QString& root);
    QString PutPoints(qint32 lngNumber);
    qint32 FastDiskSpace(const QString& root);
    void FreeMemory(quint8& btePercentUsed, qint32& lngTotalRam, qint32& lngFreeRam);
    quint8 FunctionKeys();
    QString KeyboardType();
    void SystemInfo(QString& strProcessor, qint32& lngNumOfProcessors, qint32& lngActiveProcessor);
    QString TempDir();
    QString SystemDir();
    QString ComputerName();
    QString UserName();
    QString SerialNumber(const QString& drive);
    QString VolumeLabel(const QString& drive);
    QString WinDir();
    void WinVer(qint16& intMajor, qint16& intMinor, QString& strPlatform);

private:
    static QString StripNull(const QString& s);
};

System& SysInfo();

} // namespace core
