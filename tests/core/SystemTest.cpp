// The System class against the machine: the space of drive C: (on a small disk of the host,
// so that free and total differ and are known) and of floppies, the types of the drives and
// their counts, the version, processor, memory, keyboard and name texts, and PutPoints.
#include "core/System.h"
#include "platform/FileSystem.h"
#include "support/TempMachine.h"
#include "vb/FileIO.h"

#include <QDir>
#include <QFile>
#include <QProcess>

using core::SysInfo;

namespace {

class SystemTest : public testsupport::MachineTest {
protected:
    void TearDown() override
    {
        if (!mounted_.isEmpty())
            QProcess::execute(QStringLiteral("umount"), {mounted_});
    }

    void set(const char* section, const char* key, const QString& value)
    {
        tm.machine().setSetting(QString::fromLatin1(section), QString::fromLatin1(key), value);
    }
    // Drive C: moved onto a host disk of `megabytes`, empty; false when the host refuses.
    bool cOnASmallDisk(int megabytes)
    {
        const QString folder = tm.dir() + QStringLiteral("/small_c");
        QDir().mkpath(folder);
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                        QStringLiteral("size=%1m").arg(megabytes), QStringLiteral("tmpfs"), folder}) != 0)
            return false;
        mounted_ = folder;
        set("Drive C", "Folder", folder);
        return true;
    }
    static std::pair<qint32, qint32> space(const QString& root)
    {
        qint32 total = -1;
        qint32 free = -1;
        SysInfo().DriveInfo(root, total, free);
        return {total, free};
    }

    QString mounted_;
};

} // namespace

TEST_F(SystemTest, TheSpaceOfCIsWhatItsDiskHoldsAndFastDiskSpaceKeepsTheCurrentFolder)
{
    if (!cOnASmallDisk(16))
        GTEST_SKIP() << "this process cannot mount a small disk (mount -t tmpfs) for drive C:";
    EXPECT_EQ(space(QStringLiteral("C:\\")), std::pair(16 * 1048576, 16 * 1048576));

    QFile big(mounted_ + QStringLiteral("/big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_EQ(big.write(QByteArray(3 * 1048576, 'x')), 3 * 1048576);
    big.close();
    EXPECT_EQ(space(QStringLiteral("C:\\")), std::pair(16 * 1048576, 13 * 1048576));

    QDir().mkpath(mounted_ + QStringLiteral("/WINDOWS"));
    vb::ChDir(QStringLiteral("C:\\WINDOWS"));
    EXPECT_EQ(SysInfo().FastDiskSpace(QStringLiteral("C:\\")), 13 * 1048576);
    tm.machine().ejectDisk();
    EXPECT_EQ(SysInfo().FastDiskSpace(QStringLiteral("A:\\")), 0);   // no disk
    EXPECT_EQ(vb::CurDir(), "C:\\WINDOWS");
    EXPECT_EQ(tm.machine().currentDrive(), u'C');
}

TEST_F(SystemTest, AFloppyCountsWholeClustersFromItsFormatAndNoDiskHasNoSpace)
{
    EXPECT_EQ(space(QStringLiteral("A:\\")), std::pair(1457664, 1457664));
    platform::fs::writeAll(QStringLiteral("A:\\notes.txt"), QByteArray(10000, 'n'));   // 20 clusters of 512
    EXPECT_EQ(space(QStringLiteral("A:\\")), std::pair(1457664, 1457664 - 20 * 512));
    vb::ChDrive(QStringLiteral("C:"));
    EXPECT_EQ(SysInfo().FastDiskSpace(QStringLiteral("A:\\")), 1457664 - 20 * 512);
    // Measured from another drive, each drive keeps its own folder and A: stays current.
    platform::fs::createDirectory(QStringLiteral("A:\\SUB"));
    vb::ChDrive(QStringLiteral("A:"));
    vb::ChDir(QStringLiteral("A:\\SUB"));
    vb::ChDir(QStringLiteral("C:\\WINDOWS"));
    EXPECT_GT(SysInfo().FastDiskSpace(QStringLiteral("C:\\")), 0);
    EXPECT_EQ(vb::CurDir(), "A:\\SUB");
    EXPECT_EQ(vb::CurDir(QStringLiteral("C")), "C:\\WINDOWS");
    EXPECT_EQ(SysInfo().FastDiskSpace(QStringLiteral("A:\\")), 1457664 - 21 * 512);
    EXPECT_EQ(vb::CurDir(), "A:\\SUB");
    vb::ChDrive(QStringLiteral("C:"));

    tm.machine().createDisk(QStringLiteral("old"), platform::DiskFormat::byName(QStringLiteral("720K")), true);
    tm.machine().insertDisk(QStringLiteral("old"));
    EXPECT_EQ(space(QStringLiteral("A:")), std::pair(730112, 730112));
    tm.machine().ejectDisk();
    EXPECT_EQ(space(QStringLiteral("A:\\")), std::pair(0, 0));
    EXPECT_EQ(space(QStringLiteral("Q:\\")), std::pair(0, 0));   // no such drive
}

TEST_F(SystemTest, DriveTypesAreTheirTextsAndDrivesAddsOneToTheCounterOfEach)
{
    set("Drives", "D", QStringLiteral("cdrom"));
    set("Drives", "E", QStringLiteral("network"));
    set("Drives", "R", QStringLiteral("ramdisk"));
    set("Drives", "F", QStringLiteral("fixed"));
    const std::pair<const char*, const char*> types[] = {
        {"A:\\", "Removable drive"}, {"C:\\", "Fixed drive"}, {"d:\\", "CD-ROM drive"}, {"E:\\", "Network drive"},
        {"R:\\", "RAM-disk"},       {"Q:\\", ""},            {"C:\\WINDOWS", ""},     {"", ""},
    };
    for (const auto& [root, text] : types)
        EXPECT_EQ(SysInfo().DriveType(QString::fromLatin1(root)), QString::fromLatin1(text)) << root;

    // The counters go on from what they held.
    qint16 removable = 1, fixed = 1, cd = 1, ram = 1, network = 1;
    SysInfo().Drives(removable, fixed, cd, ram, network);
    EXPECT_EQ((QList<int>{removable, fixed, cd, ram, network}), (QList<int>{2, 3, 2, 2, 2}));
}

TEST_F(SystemTest, TheVersionProcessorMemoryKeyboardAndNamesAreTheMachines)
{
    qint16 major = -1, minor = -1;
    QString platformText = QStringLiteral("unchanged");
    SysInfo().WinVer(major, minor, platformText);
    EXPECT_EQ((std::tuple(major, minor, platformText)), (std::tuple(qint16(4), qint16(10), QStringLiteral("Windows 95"))));
    const std::pair<const char*, const char*> platforms[] = {{"2", "Windows NT"}, {"0", "Windows 4.10"}, {"7", "unchanged"}};
    for (const auto& [id, text] : platforms) {
        set("Machine", "PlatformId", QString::fromLatin1(id));
        platformText = QStringLiteral("unchanged");
        SysInfo().WinVer(major, minor, platformText);
        EXPECT_EQ(platformText, QString::fromLatin1(text)) << id;
    }
    set("Machine", "WindowsVersion", QStringLiteral("unknown"));
    SysInfo().WinVer(major, minor, platformText);
    EXPECT_EQ((std::tuple(major, minor, platformText)), (std::tuple(qint16(0), qint16(0), QString())));

    quint8 load = 0;
    qint32 totalRam = 0, freeRam = 0;
    SysInfo().FreeMemory(load, totalRam, freeRam);
    EXPECT_EQ((std::tuple(int(load), totalRam, freeRam)), (std::tuple(62, 65536, 24576)));
    set("Machine", "MemoryKB", QStringLiteral("131072"));
    SysInfo().FreeMemory(load, totalRam, freeRam);
    EXPECT_EQ(totalRam, 131072);

    EXPECT_EQ(SysInfo().KeyboardType(), "IBM enhanced (101 or 102 key)");
    EXPECT_EQ(SysInfo().FunctionKeys(), 12);
    set("Machine", "KeyboardType", QStringLiteral("9"));
    EXPECT_EQ(SysInfo().KeyboardType(), QString());

    QString processor = QStringLiteral("unchanged");
    qint32 processors = 0, mask = 0;
    SysInfo().SystemInfo(processor, processors, mask);
    EXPECT_EQ((std::tuple(processor, processors, mask)), (std::tuple(QStringLiteral("Intel Pentium"), 1, 1)));
    set("Machine", "ProcessorType", QStringLiteral("486"));
    SysInfo().SystemInfo(processor, processors, mask);
    EXPECT_EQ(processor, "80486");
    set("Machine", "ProcessorType", QStringLiteral("686"));
    SysInfo().SystemInfo(processor, processors, mask);
    EXPECT_EQ(processor, "80486");   // an unknown type leaves the text as it was

    EXPECT_EQ(SysInfo().ComputerName(), "HOMEPC");
    EXPECT_EQ(SysInfo().UserName(), "Owner");
    EXPECT_EQ(SysInfo().WinDir(), "C:\\WINDOWS\\");
    EXPECT_EQ(SysInfo().SystemDir(), "C:\\WINDOWS\\SYSTEM\\");
    EXPECT_EQ(SysInfo().TempDir(), "C:\\WINDOWS\\TEMP\\");
    set("Machine", "TempFolder", QStringLiteral("C:\\TEMP\\"));
    EXPECT_EQ(SysInfo().TempDir(), "C:\\TEMP\\");   // never a doubled "\"
}

TEST_F(SystemTest, SerialNumbersAndLabelsOfTheDrives)
{
    const QString serial = SysInfo().SerialNumber(QStringLiteral("C:\\WINDOWS"));
    ASSERT_EQ(serial.size(), 9);
    EXPECT_EQ(serial[4], u'-');
    EXPECT_EQ(QString(serial).remove(u'-').toUInt(nullptr, 16), *platform::fs::volumeSerial(QStringLiteral("C:\\")));

    EXPECT_EQ(SysInfo().VolumeLabel(QStringLiteral("A:")), "NoName");
    platform::fs::setVolumeLabel(QStringLiteral("A:\\"), QStringLiteral("Save#2"));
    EXPECT_EQ(SysInfo().VolumeLabel(QStringLiteral("A:")), "SAVE#2");
    tm.machine().ejectDisk();
    EXPECT_EQ(SysInfo().VolumeLabel(QStringLiteral("A:")), QString());
    EXPECT_EQ(SysInfo().SerialNumber(QStringLiteral("A:\\")), "0000-0000");
}

TEST(SystemPutPoints, GroupsTheDigitsInThreesFromTheRight)
{
    const std::pair<qint32, const char*> cases[] = {
        {0, "0"},           {999, "999"},           {1000, "1.000"},         {123456, "123.456"},
        {1234567, "1.234.567"}, {2147483647, "2.147.483.647"}, {-1234, "-1.234"},
    };
    for (const auto& [number, text] : cases)
        EXPECT_EQ(SysInfo().PutPoints(number), QString::fromLatin1(text)) << number;
}
