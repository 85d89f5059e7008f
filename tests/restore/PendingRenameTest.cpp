// A restore whose Windows files still wait for the restart (the run stopped after listing
// them, or the restart did not happen), followed by another restore before the machine
// starts again: the files the first one left in the work folder for the boot-time rename
// stay theirs, whatever the second one chose; a second restore that restarts the machine
// carries them out only when the user agrees, and otherwise withdraws them.
#include "RestoreTesting.h"

using namespace restoretest;

namespace {

const QString kWininit = QStringLiteral("C:\\WINDOWS\\Wininit.ini");
const QString kWinIni = QStringLiteral("C:\\WINDOWS\\WIN.INI");
const QString kAutoexec = QStringLiteral("C:\\AUTOEXEC.BAT");
const QString kStopped = QStringLiteral("Your system files will be completed when the computer is restarted next.");
const QString kNotCompleted = QStringLiteral("The restore of this configuration has not been completed yet: \"Weekly\" "
                                             "These files were to be replaced when the computer starts next: C:\\WINDOWS\\Win.ini");

class PendingRenameTest : public RestoreTest {
protected:
    // Restores Win.ini of slot 1 and stops at the missing favorites: its line is written,
    // its copy waits in the work folder.
    void restoreWinIniAndStop()
    {
        state().SelectedConfig = 0;
        choose({QStringLiteral("Check9"), QStringLiteral("Check11")});
        ui->expect(kQuestion, QStringLiteral("Yes"));
        ui->expect(QStringLiteral("Your Microsoft Internet Explorer Bookmarks can't be restored!"), QStringLiteral("No"));
        ui->expect(kStopped, QStringLiteral("OK"));
        runRestore();
        ASSERT_TRUE(read(kWininit).contains("C:\\WINDOWS\\Win.ini=C:\\WINDOWS\\TEMP\\trelvo\\Win.ini"));
        ASSERT_TRUE(fs::exists(kWork + QStringLiteral("win.ini")));
        for (const char* box : {"Check9", "Check11"})
            core::CheckBoxOf(QStringLiteral("RestoreReq"), QString::fromLatin1(box)).setValue(0);
    }
    // The machine's next start: after the restart the run asked for, or one of the user's.
    static void startAgain()
    {
        if (platform::restartPending())
            closeAndBoot();
        else
            platform::bootMachine();
    }
};

} // namespace

TEST_F(PendingRenameTest, AUserFileRestoreBeforeTheRestartLeavesTheWaitingWindowsFilesInPlace)
{
    write(kWinIni, "[windows]\r\nsaved=1\r\n");
    save({.systemBoxes = {QStringLiteral("Check9")}, .userFiles = {kLetter}});
    const QByteArray savedWin = read(kWinIni);
    const QByteArray letter = read(kLetter);
    write(kWinIni, "[windows]\r\nrun=evil.exe\r\n");
    write(kLetter, "changed since the save");

    restoreWinIniAndStop();

    // Before the machine starts again, only the letter is restored.
    listUserFiles({kLetter}, {kLetter});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();
    EXPECT_EQ(read(kLetter), letter);

    // The next start completes the first restore, as it said it would.
    platform::bootMachine();
    EXPECT_EQ(read(kWinIni), savedWin) << "the Win.ini the first restore put in the rename list did not come back";
}

// The answer to the question about the waiting files, and whose Win.ini the machine has after the restart.
struct LaterRestartCase {
    const char* name;
    const char* answer;
    bool slot1WinIni;   // else the one the user has now
};
void PrintTo(const LaterRestartCase& c, std::ostream* os) { *os << c.name; }

class LaterRestartTest : public PendingRenameTest, public ::testing::WithParamInterface<LaterRestartCase> {};

TEST_P(LaterRestartTest, ASecondConfigurationRestoredBeforeTheRestartPutsNoFileInPlaceThatNobodyChose)
{
    // Slot 1 holds one Win.ini, slot 2 another and an AUTOEXEC.BAT.
    write(kWinIni, "[windows]\r\nslot=1\r\n");
    state().SelectedConfig = 0;
    save({.systemBoxes = {QStringLiteral("Check9")}});
    const QByteArray winOfSlot1 = read(kWinIni);
    write(kWinIni, "[windows]\r\nslot=2\r\n");
    write(kAutoexec, "@ECHO OFF\r\nREM slot 2\r\n");
    state().SelectedConfig = 1;
    save({.systemBoxes = {QStringLiteral("Check1"), QStringLiteral("Check9")}});
    const QByteArray autoexecOfSlot2 = read(kAutoexec);
    const QByteArray current = "[windows]\r\nedited=since\r\n";
    write(kWinIni, current);
    write(kAutoexec, "REM changed since\r\n");

    restoreWinIniAndStop();

    // Then AUTOEXEC.BAT alone from slot 2, which ends in the restart: it says what else the
    // restart would replace before it changes anything.
    state().SelectedConfig = 1;
    choose({QStringLiteral("Check1")});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(kNotCompleted, QString::fromLatin1(GetParam().answer));
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();
    EXPECT_EQ(read(kAutoexec), autoexecOfSlot2);
    EXPECT_EQ(read(kWininit).contains("Win.ini="), GetParam().slot1WinIni);
    startAgain();

    EXPECT_EQ(read(kWinIni), GetParam().slot1WinIni ? winOfSlot1 : current) << "Win.ini is not the one the user chose";
    EXPECT_TRUE(platform::owedRenameLines().isEmpty());
}

const LaterRestartCase kLaterRestart[] = {
    {"TheUserAgreesToTheWaitingFiles", "Yes", true},
    {"TheUserWithdrawsThem", "No", false},
};
INSTANTIATE_TEST_SUITE_P(Answers, LaterRestartTest, ::testing::ValuesIn(kLaterRestart),
                         [](const ::testing::TestParamInfo<LaterRestartCase>& info) { return std::string(info.param.name); });

TEST_F(PendingRenameTest, TheSameFileChosenAgainFromAnotherConfigurationComesFromTheLaterChoice)
{
    write(kWinIni, "[windows]\r\nslot=1\r\n");
    state().SelectedConfig = 0;
    save({.systemBoxes = {QStringLiteral("Check9")}});
    write(kWinIni, "[windows]\r\nslot=2\r\n");
    state().SelectedConfig = 1;
    save({.systemBoxes = {QStringLiteral("Check9")}});
    const QByteArray winOfSlot2 = read(kWinIni);
    write(kWinIni, "[windows]\r\nrun=evil.exe\r\n");

    restoreWinIniAndStop();

    state().SelectedConfig = 1;
    choose({QStringLiteral("Check9")});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(kNotCompleted, QStringLiteral("Yes"));
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();
    EXPECT_FALSE(fs::exists(kWork + QStringLiteral("win.ini.wait")));
    startAgain();

    EXPECT_EQ(read(kWinIni), winOfSlot2);
    EXPECT_FALSE(fs::exists(kWork + QStringLiteral("win.ini")));
}
