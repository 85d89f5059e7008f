// ReadIni/WriteIni and the error log in the program folder.
#include "core/IniValues.h"
#include "core/Messages.h"
#include "vb/Error.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/FileIO.h"
#include "support/SmallDisk.h"
#include "support/TempMachine.h"

using namespace core;
using testsupport::MachineTest;

namespace {

const QString kLog = QStringLiteral("Program Files/Trelvo/Error.log");

struct FixedClock {
    FixedClock() { vb::SetClockForTesting(QDateTime(QDate(1999, 5, 17), QTime(14, 5, 33))); }
    ~FixedClock() { vb::SetClockForTesting(std::nullopt); }
};

} // namespace

TEST_F(MachineTest, ErrorLogWritesTextDateAndTagWithNothingBetween)
{
    FixedClock clock;
    ErrorLog(53, QStringLiteral("LoadCINI"));
    ErrorLog(61, QStringLiteral(" Save"));
    ErrorLog(0, QStringLiteral("StartLogon"));
    EXPECT_EQ(tm.readC(kLog), QByteArray("File not found05-17-1999LoadCINI\r\n"
                                         "Disk full05-17-1999 Save\r\n"
                                         "05-17-1999StartLogon\r\n"));
}

TEST_F(MachineTest, ErrorLogStartsAFreshFileOnlyWhenTheLogIsOver5000Bytes)
{
    FixedClock clock;
    const QByteArray line = "File not found05-17-1999 x\r\n";
    tm.writeC(kLog, QByteArray(5000, 'a'));
    ErrorLog(53, QStringLiteral(" x"));
    EXPECT_EQ(tm.readC(kLog), QByteArray(5000, 'a') + line);
    tm.writeC(kLog, QByteArray(5001, 'a'));
    ErrorLog(53, QStringLiteral(" x"));
    EXPECT_EQ(tm.readC(kLog), line);
}

TEST_F(MachineTest, ErrorLogLeavesTheProgramFolderCurrentAndNeverRaises)
{
    vb::ChDir(QStringLiteral("C:\\WINDOWS"));
    vb::ChDrive(QStringLiteral("A"));
    ErrorLog(75, QStringLiteral(" Save"));
    EXPECT_EQ(vb::CurDir(), QStringLiteral("C:\\Program Files\\Trelvo"));
    // A log that cannot be written costs nothing but the line.
    vb::SetAttr(QStringLiteral("C:\\Program Files\\Trelvo\\Error.log"), vb::vbReadOnly);
    EXPECT_NO_THROW(ErrorLog(75, QStringLiteral(" Save")));
}

TEST_F(MachineTest, ALineTheFullDiskCannotTakeGoesToStandardError)
{
    testsupport::SmallDriveC disk(tm, 2 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    FixedClock clock;
    disk.fill();
    testing::internal::CaptureStderr();
    ErrorLog(61, QStringLiteral("C:\\WINDOWS\\WIN.INI Save"));
    const std::string report = testing::internal::GetCapturedStderr();
    disk.release();
    EXPECT_FALSE(tm.existsC(kLog) && !tm.readC(kLog).isEmpty());
    EXPECT_NE(report.find("Error.log: Disk full05-17-1999C:\\WINDOWS\\WIN.INI Save\n"), std::string::npos) << report;

    // With room again the log takes its lines, and nothing goes to standard error.
    testing::internal::CaptureStderr();
    ErrorLog(53, QStringLiteral(" x"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(tm.readC(kLog).endsWith("File not found05-17-1999 x\r\n"));
}

TEST_F(MachineTest, ReadIniAndWriteIniGoThroughTheProfileRules)
{
    const QString file = QStringLiteral("C:\\Program Files\\Trelvo\\trelvo.ini");
    EXPECT_EQ(ReadIni(QStringLiteral("Settings"), QStringLiteral("Config1"), file), QString());
    EXPECT_NE(WriteIni(QStringLiteral("Settings"), QStringLiteral("Config1"), QStringLiteral(" Backup "), file), 0);
    EXPECT_EQ(ReadIni(QStringLiteral("settings"), QStringLiteral("CONFIG1"), file), QStringLiteral("Backup"));
    WriteIni(QStringLiteral("Settings"), QStringLiteral("Long"), QString(300, u'x'), file);
    EXPECT_EQ(ReadIni(QStringLiteral("Settings"), QStringLiteral("Long"), file).size(), 254);
    EXPECT_EQ(WriteIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), QStringLiteral("C:\\No\\x.ini")), 0);
}

TEST(Catalogue, EveryListedNumberHasItsTextAndOthersRaise326)
{
    EXPECT_EQ(LoadResString(1010), QStringLiteral("available"));
    EXPECT_EQ(LoadResString(1019), QStringLiteral(" Please wait..."));
    EXPECT_EQ(LoadResString(1120), QStringLiteral("All Files (*.*)|*.*|INI Files (*.ini)|*.ini|DAT Files (*.dat)|*.dat|"));
    EXPECT_EQ(LoadResString(2011), QStringLiteral("Error while accessing file/directory"));
    try {
        LoadResString(1000);
        FAIL() << "no text expected for 1000";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.Number(), 326);
    }
}
