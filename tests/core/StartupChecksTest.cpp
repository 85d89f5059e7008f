// The core's part of the program's start: probe, settings, captions and the zip programs.
#include "core/ProgramState.h"
#include "core/Startup.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "vb/FileIO.h"
#include "MachineFiles.h"
#include "core/SystemPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <csignal>

using core::state;
using testsupport::ProcessEnded;
using testsupport::ScriptedUi;

namespace {

const QString kMissing = QStringLiteral("Program Components are missing! Please reinstall Trelvo!");

class StartupChecksTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ui = &ScriptedUi::install(); }

    static void removeProgram(const char* name)
    {
        vb::Kill(QStringLiteral("C:\\Program Files\\Trelvo\\") + QString::fromLatin1(name));
    }
    static int splashProgress() { return core::ProgressBarOf(QStringLiteral("Form2"), QStringLiteral("ProgressBar1")).Value(); }

    ScriptedUi* ui = nullptr;
};

} // namespace

TEST_F(StartupChecksTest, AFullInstallationStartsWithTheProgramFolderCurrent)
{
    // Started from a shortcut whose working folder is elsewhere.
    vb::ChDir(QStringLiteral("C:\\WINDOWS"));
    core::StartupChecks();
    EXPECT_EQ(vb::CurDir(), QStringLiteral("C:\\Program Files\\Trelvo"));
    EXPECT_EQ(splashProgress(), 50);
    EXPECT_EQ(core::Win(QStringLiteral("Form1")).Caption(), QStringLiteral("Trelvo 2.0"));
    EXPECT_TRUE(state().SettingsSaved);
    EXPECT_EQ(state().SystemPath, QStringLiteral("C:\\WINDOWS"));
    EXPECT_EQ(state().ConfigDescription[0], QStringLiteral("available"));
    EXPECT_TRUE(tm.existsC(QStringLiteral("Program Files/Trelvo/trelvo.ini")));
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(StartupChecksTest, AMissingUnzipEndsTheProgramAfterOneMessage)
{
    removeProgram("Unzip32.exe");
    ui->expect(kMissing, QStringLiteral("OK"));
    EXPECT_THROW(core::StartupChecks(), ProcessEnded);
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Warning!"));
    EXPECT_EQ(ui->shown()[0].prompt, QStringLiteral("Program Components are missing!\rPlease reinstall Trelvo!"));
    // The exit unloaded every window but the first one loaded, the main window.
    EXPECT_EQ(core::Win(QStringLiteral("Form1")).Caption(), QStringLiteral("Trelvo 2.0"));
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Form2")));
}

TEST_F(StartupChecksTest, WithBothZipProgramsMissingOnlyTheFirstIsReported)
{
    removeProgram("zip.exe");
    removeProgram("Unzip32.exe");
    ui->expect(kMissing, QStringLiteral("OK"));
    EXPECT_THROW(core::StartupChecks(), ProcessEnded);
    EXPECT_EQ(ui->shown().size(), 1);
}

TEST_F(StartupChecksTest, WhileAnOperationRunsTheChecksGoOnAfterTheMessage)
{
    removeProgram("zip.exe");
    removeProgram("Unzip32.exe");
    core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command2")).setEnabled(false);   // a save is running
    ui->expect(kMissing, QStringLiteral("OK")).expect(kMissing, QStringLiteral("OK"));
    core::StartupChecks();
    EXPECT_EQ(ui->shown().size(), 2);
    EXPECT_TRUE(state().SettingsSaved);
    EXPECT_EQ(splashProgress(), 50);
}

// What a run cut short left: the staging folder goes but for the files that the boot-time
// rename list still moves out of it, the joined floppy pieces go, and so do the host scratch folders of
// programs that are gone (those of running ones stay).
TEST_F(StartupChecksTest, TheLeftoversOfARunCutShortGoAtTheStart)
{
    core::ReadSystemPaths();
    tm.writeC("WINDOWS/TEMP/trelvo/User/My Documents/big.dat", "staged");
    tm.writeC("WINDOWS/TEMP/trelvo/win.ini", "staged");
    tm.writeC("WINDOWS/TEMP/trelvo/system.ini", "staged, not in the rename list");
    tm.writeC("Program Files/Trelvo/DiskRestore/Conf1.tva", "joined");
    const QString tmp = tm.dir();   // beside the drives' folders, where the zip programs work
    const QString mine = QStringLiteral("%1/.trelvo-zip-%2-abcdef").arg(tmp).arg(QCoreApplication::applicationPid());
    QDir().mkpath(mine);
    qint64 gone = 0;
    {
        QProcess p;   // a process that has ended: its id names no process now
        p.start(QStringLiteral("/bin/true"));
        p.waitForFinished();
        gone = p.processId() ? p.processId() : 0;
    }
    QString stale = QStringLiteral("%1/.trelvo-zip-%2-ghijkl").arg(tmp).arg(gone);
    if (gone == 0 || ::kill(pid_t(gone), 0) == 0)
        stale.clear();   // its id was taken again meanwhile; nothing to say about it
    if (!stale.isEmpty())
        QDir().mkpath(stale + "/WINDOWS");

    // A restart still pending: its list moves win.ini out of the staging folder.
    tm.writeC("WINDOWS/Wininit.ini", "[rename]\r\nC:\\WINDOWS\\WIN.INI=C:\\WINDOWS\\TEMP\\TRELVO\\WIN.INI\r\n");
    core::RemoveLeftovers();
    EXPECT_TRUE(tm.existsC("WINDOWS/TEMP/trelvo/win.ini"));
    // Only what the list moves stays: a restore's staged user files can be large.
    EXPECT_FALSE(tm.existsC("WINDOWS/TEMP/trelvo/User"));
    EXPECT_FALSE(tm.existsC("WINDOWS/TEMP/trelvo/system.ini"));
    EXPECT_FALSE(tm.existsC("Program Files/Trelvo/DiskRestore"));
    EXPECT_TRUE(QFileInfo::exists(mine));
    if (!stale.isEmpty()) {
        EXPECT_FALSE(QFileInfo::exists(stale));
    }

    tm.writeC("WINDOWS/Wininit.ini", "[rename]\r\nNUL=C:\\WINDOWS\\TEMP\\TRELVO\\WIN.INI\r\n");
    core::RemoveLeftovers();
    EXPECT_FALSE(tm.existsC("WINDOWS/TEMP/trelvo"));
    EXPECT_TRUE(tm.existsC("WINDOWS/TEMP"));
    QDir(mine).removeRecursively();
}
