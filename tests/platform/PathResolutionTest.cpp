#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"
#include "support/TempMachine.h"

using namespace platform;
using testsupport::MachineTest;

TEST_F(MachineTest, ResolvesComponentsWithoutRegardToCase)
{
    const Resolved r = Machine::current().resolve(QStringLiteral("c:\\windows\\start menu\\PROGRAMS\\accessories\\notepad.LNK"));
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.isFile());
    EXPECT_EQ(r.win(), QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\Accessories\\Notepad.lnk"));
}

TEST_F(MachineTest, NewComponentsKeepTheGivenCase)
{
    const Resolved r = Machine::current().resolve(QStringLiteral("C:\\windows\\NewFolder\\File.Txt"));
    EXPECT_EQ(r.existing, 1);
    EXPECT_EQ(r.win(), QStringLiteral("C:\\WINDOWS\\NewFolder\\File.Txt"));
    EXPECT_FALSE(r.parentExists());
}

TEST_F(MachineTest, ShortNamesAreSynthesisedAndResolve)
{
    EXPECT_EQ(fs::shortName(QStringLiteral("C:\\Program Files")), QStringLiteral("PROGRA~1"));
    EXPECT_EQ(fs::shortName(QStringLiteral("C:\\WINDOWS")), QString());
    const Resolved r = Machine::current().resolve(QStringLiteral("C:\\PROGRA~1\\trelvo\\ZIP.EXE"));
    EXPECT_TRUE(r.isFile());
    EXPECT_EQ(r.win(), QStringLiteral("C:\\Program Files\\Trelvo\\zip.exe"));
}

TEST(WinPath, WildcardsFollowDosRules)
{
    using winpath::wildcardMatch;
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*.*"), QStringLiteral("Programs")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*.INI"), QStringLiteral("win.ini")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("conf?.tva"), QStringLiteral("Conf1.tva")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("conf?.tva"), QStringLiteral("Conf12.tva")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*."), QStringLiteral("README")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("*."), QStringLiteral("README.TXT")));
}
