#include "core/PathUtils.h"
#include "support/TempMachine.h"

using namespace core;
using testsupport::MachineTest;

TEST(ShortenPath, CutsAtTheDeepestFolderThatFits)
{
    const QString p = QStringLiteral("C:\\Program Files\\Backup Tools\\Saved Configurations\\Week1\\");
    ASSERT_EQ(p.size(), 57);
    EXPECT_EQ(ShortenPath(p, 49), QStringLiteral("C:\\Program Files\\Backup Tools\\...Week1\\"));
    EXPECT_EQ(ShortenPath(p, 30), QStringLiteral("C:\\Program Files\\...Week1\\"));
    EXPECT_EQ(ShortenPath(p, 57), p);
    EXPECT_EQ(ShortenPath(QString(), 10), QString());
    // A last component that alone is too long still shows after "C:\...".
    const QString longLast = QStringLiteral("C:\\A\\B\\") + QString(60, u'x') + u'\\';
    EXPECT_EQ(ShortenPath(longLast, 49), QStringLiteral("C:\\...") + QString(60, u'x') + u'\\');
}

TEST(InStrRev, FindsTheLastOccurrence)
{
    EXPECT_EQ(InStrRev(0, QStringLiteral("C:\\A\\B"), QStringLiteral("\\")), 5);
    EXPECT_EQ(InStrRev(0, QStringLiteral("ABC"), QStringLiteral("\\")), std::nullopt);
    EXPECT_EQ(InStrRev(0, QString(), QStringLiteral("\\")), std::nullopt);
    EXPECT_EQ(InStrRev(0, QStringLiteral("ab"), QStringLiteral("abc")), std::nullopt);
    EXPECT_EQ(InStrRev(2, QStringLiteral("a\\b\\"), QStringLiteral("\\")), 2);   // from the second-last character
}

TEST(LeftOfDelimiter, TextBeforeTheFirstDelimiter)
{
    EXPECT_EQ(LeftOfDelimiter(QStringLiteral("Windows\\System"), QStringLiteral("\\")), QStringLiteral("Windows"));
    EXPECT_EQ(LeftOfDelimiter(QStringLiteral("Windows"), QStringLiteral("\\")), QStringLiteral("Windows"));
}

TEST_F(MachineTest, ShortNamesOfExistingPaths)
{
    EXPECT_EQ(GetShortNameFromLongName(QStringLiteral("C:\\Program Files\\")), QStringLiteral("C:\\PROGRA~1"));
    EXPECT_EQ(GetShortNameFromLongName(QStringLiteral("C:\\WINDOWS")), QStringLiteral("C:\\WINDOWS"));
    EXPECT_EQ(GetShortNameFromLongName(QStringLiteral("C:\\windows\\Start Menu\\Programs\\")),
              QStringLiteral("C:\\WINDOWS\\STARTM~1\\Programs"));
    EXPECT_EQ(GetShortNameFromLongName(QStringLiteral("C:\\")), QStringLiteral("C:"));
    EXPECT_EQ(GetShortNameFromLongName(QStringLiteral("C:\\No Such Folder\\")), QString());
    EXPECT_EQ(GetShortNameFromLongName(QStringLiteral("nobackslash")), QString());
    EXPECT_EQ(GetShortNameSection(QStringLiteral("C:\\My Documents")), QStringLiteral("MYDOCU~1"));
    EXPECT_EQ(GetShortNameSection(QStringLiteral("C:\\AUTOEXEC.BAT")), QStringLiteral("AUTOEXEC.BAT"));
}
