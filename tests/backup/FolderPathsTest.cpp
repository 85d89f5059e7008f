// Folder creation along a path, the last component of a path, the file-error texts.
#include "backup/FolderPaths.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"

using namespace backup;
using testsupport::MachineTest;
using testsupport::ScriptedUi;

TEST_F(MachineTest, MakepathCreatesEveryMissingFolderUpToTheLastBackslash)
{
    ScriptedUi::install();
    Makepath(QStringLiteral("C:\\Data\\Old\\Set.tva"));
    EXPECT_TRUE(tm.existsC(QStringLiteral("Data/Old")));
    EXPECT_FALSE(tm.existsC(QStringLiteral("Data/Old/Set.tva")));
    Makepath(QStringLiteral("c:\\data\\OLD\\New\\"));   // existing parts are found without regard to case
    EXPECT_TRUE(tm.existsC(QStringLiteral("Data/Old/New")));
    EXPECT_FALSE(tm.existsC(QStringLiteral("data")));
    Makepath(QStringLiteral("C:\\WINDOWS\\"));          // all there: nothing happens
    Makepath(QStringLiteral("no backslash"));
}

TEST_F(MachineTest, MakepathNeverTouchesADriveRoot)
{
    // An empty floppy's root lists nothing; it must not be "created" with a failure message.
    ScriptedUi::install();
    Makepath(QStringLiteral("A:\\"));
    Makepath(QStringLiteral("A:\\SAVE\\Conf1.tva"));
    EXPECT_TRUE(QFileInfo(tm.hostDisk(QStringLiteral("blank")) + QStringLiteral("/SAVE")).isDir());
}

TEST_F(MachineTest, MakepathShowsAFailureAndGoesOn)
{
    auto& ui = ScriptedUi::install();
    tm.machine().protectDisk(QStringLiteral("blank"), true);
    // The write-protected disk refuses the first folder; the second then has no parent (76,
    // a number without a text of its own).
    ui.expect(QStringLiteral("Error while accessing file/directory  75 Makepath"), QStringLiteral("OK"));
    ui.expect(QStringLiteral("  76 Makepath"), QStringLiteral("OK"));
    Makepath(QStringLiteral("A:\\ONE\\TWO\\"));
    ASSERT_EQ(ui.shown().size(), 2);
    EXPECT_EQ(ui.shown()[0].title, QStringLiteral("Warning!"));
}

TEST_F(MachineTest, MakepathSkipsTheServerAndShareOfANetworkPath)
{
    // The machine has no network shares: the folder below the share can neither be looked up
    // nor created (two messages); the server and share themselves are never tried.
    auto& ui = ScriptedUi::install();
    ui.expect(QStringLiteral("Filename or number wrong  52 Makepath"), QStringLiteral("OK"));
    ui.expect(QStringLiteral("Filename or number wrong  52 Makepath"), QStringLiteral("OK"));
    Makepath(QStringLiteral("\\\\server\\share\\folder\\"));
    EXPECT_EQ(ui.shown().size(), 2);
}

TEST(GetFileName, TakesWhatFollowsTheLastBackslashOrColon)
{
    EXPECT_EQ(GetFileName(QStringLiteral("A:\\Conf1.tva")), QStringLiteral("Conf1.tva"));
    EXPECT_EQ(GetFileName(QStringLiteral("A:Conf1.tva")), QStringLiteral("Conf1.tva"));
    EXPECT_EQ(GetFileName(QStringLiteral("Conf1.tva")), QStringLiteral("Conf1.tva"));
    EXPECT_EQ(GetFileName(QStringLiteral("C:\\Data\\")), QString());
}

TEST(FileErrorText, TwelveErrorsHaveTexts)
{
    EXPECT_EQ(FileErrorText(52), QStringLiteral("Filename or number wrong"));
    EXPECT_EQ(FileErrorText(61), QStringLiteral("Disk full"));
    EXPECT_EQ(FileErrorText(75), QStringLiteral("Error while accessing file/directory"));
    for (int n : {0, 5, 56, 59, 62, 76, 99})
        EXPECT_EQ(FileErrorText(n), QString()) << n;
}
