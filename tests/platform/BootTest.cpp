// Restarting the machine: the request recorded for every process to see, and the emulated
// boot carrying out the boot-time rename list of Wininit.ini as Windows 98 does at start.
#include "platform/Boot.h"
#include "platform/FileSystem.h"
#include "support/TempMachine.h"

#include <QFile>
#include <QCoreApplication>
#include <QProcess>

using namespace platform;
using testsupport::MachineTest;

namespace {

const QString kWininit = QStringLiteral("C:\\WINDOWS\\Wininit.ini");
const QString kBackup = QStringLiteral("C:\\WINDOWS\\Wininit.bak");

void writeWininit(const QByteArray& text) { fs::writeAll(kWininit, text); }

QStringList bootLog(const testsupport::TempMachine& tm)
{
    QFile f(tm.dir() + QStringLiteral("/boot.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts) : QStringList();
}

class BootTest : public MachineTest {};

} // namespace

TEST_F(BootTest, ARestartRequestIsRecordedForEveryProcessOfTheMachine)
{
    EXPECT_FALSE(restartPending());
    EXPECT_NE(ExitWindowsEx(EWX_SHUTDOWN | EWX_REBOOT, 0), 0);
    EXPECT_TRUE(restartPending());
    // Another process reads machine.ini afresh.
    EXPECT_EQ(Machine(tm.dir()).setting(QStringLiteral("Restart"), QStringLiteral("Pending")), QStringLiteral("1"));
    withdrawRestart();
    EXPECT_FALSE(restartPending());
    // Logging off restarts nothing.
    EXPECT_NE(ExitWindowsEx(EWX_LOGOFF, 0), 0);
    EXPECT_FALSE(restartPending());
}

TEST_F(BootTest, ThePendingRestartReplacesTargetsDeletesAndKeepsTheListAsBackup)
{
    fs::writeAll(QStringLiteral("C:\\WINDOWS\\TEMP\\sys.new"), "fresh system.dat");
    fs::setAttributes(QStringLiteral("C:\\WINDOWS\\TEMP\\sys.new"), AttrReadOnly | AttrHidden | AttrSystem);
    fs::writeAll(QStringLiteral("C:\\WINDOWS\\TEMP\\win.new"), "[windows]\r\n");
    fs::writeAll(QStringLiteral("C:\\WINDOWS\\TEMP\\fresh.ini"), "[x]\r\n");
    fs::writeAll(QStringLiteral("C:\\old.tmp"), "to go");
    fs::setAttributes(QStringLiteral("C:\\old.tmp"), AttrReadOnly);
    fs::writeAll(kBackup, "an older list");
    writeWininit("[Other]\r\nC:\\AUTOEXEC.BAT=C:\\CONFIG.SYS\r\n"
                 "  [RENAME]  \r\n"
                 "c:\\windows\\system.dat=C:\\WINDOWS\\TEMP\\SYS.NEW\r\n"
                 "; a comment\r\n"
                 "C:\\WINDOWS\\win.ini = C:\\WINDOWS\\TEMP\\win.new\r\n"
                 "NUL=C:\\OLD.TMP\r\n"
                 "C:\\WINDOWS\\missing.ini=C:\\WINDOWS\\TEMP\\nothere.ini\r\n"
                 "C:\\WINDOWS\\new.ini=C:\\WINDOWS\\TEMP\\fresh.ini\r\n"
                 "no equals sign\r\n");
    const QByteArray autoexec = fs::readAll(QStringLiteral("C:\\AUTOEXEC.BAT"));
    ExitWindowsEx(EWX_SHUTDOWN | EWX_REBOOT, 0);

    ASSERT_TRUE(bootIfRestartPending());

    // The read-only, hidden, system target is replaced under its stored name; the moved file
    // keeps the source's attributes.
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\WINDOWS\\SYSTEM.DAT")), QByteArray("fresh system.dat"));
    EXPECT_EQ(Machine::current().resolve(QStringLiteral("C:\\WINDOWS\\system.dat")).name(), QStringLiteral("SYSTEM.DAT"));
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\WINDOWS\\SYSTEM.DAT")), quint32(AttrReadOnly | AttrHidden | AttrSystem));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\WINDOWS\\TEMP\\sys.new")));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\WINDOWS\\WIN.INI")), QByteArray("[windows]\r\n"));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\OLD.TMP")));
    // A target that did not exist gets the name the line gives.
    EXPECT_EQ(Machine::current().resolve(QStringLiteral("C:\\WINDOWS\\NEW.INI")).name(), QStringLiteral("new.ini"));
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\WINDOWS\\missing.ini")));
    // Lines of other sections are not carried out.
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\AUTOEXEC.BAT")), autoexec);
    // The list is kept as Wininit.bak, over the older one, and the restart is done.
    EXPECT_FALSE(fs::exists(kWininit));
    EXPECT_TRUE(fs::readAll(kBackup).startsWith("[Other]"));
    EXPECT_FALSE(restartPending());
    EXPECT_FALSE(bootIfRestartPending());

    const QStringList log = bootLog(tm);
    ASSERT_FALSE(log.isEmpty());
    const QString all = log.join(u'\n');
    EXPECT_TRUE(all.contains(QStringLiteral("replaced C:\\WINDOWS\\SYSTEM.DAT by C:\\WINDOWS\\TEMP\\sys.new")));
    EXPECT_TRUE(all.contains(QStringLiteral("deleted C:\\old.tmp")));
    EXPECT_TRUE(all.contains(QStringLiteral("skipped C:\\WINDOWS\\missing.ini=C:\\WINDOWS\\TEMP\\nothere.ini: C:\\WINDOWS\\TEMP\\nothere.ini is missing")));
    EXPECT_TRUE(all.contains(QStringLiteral("skipped no equals sign")));
}

TEST_F(BootTest, TheBootPassCountsWhatItDidAndNeedsTheBootTimeProgram)
{
    fs::writeAll(QStringLiteral("C:\\a.new"), "A");
    writeWininit("[rename]\r\nC:\\a.txt=C:\\a.new\r\nNUL=C:\\gone.txt\r\n");

    fs::setAttributes(QStringLiteral("C:\\WINDOWS\\WININIT.EXE"), AttrArchive);
    fs::rename(QStringLiteral("C:\\WINDOWS\\WININIT.EXE"), QStringLiteral("C:\\WINDOWS\\WININIT.OLD"));
    BootReport report = bootMachine();
    EXPECT_EQ(report.replaced, 0);
    EXPECT_TRUE(fs::exists(kWininit)) << "without Wininit.exe the list stays for a later start";
    EXPECT_TRUE(report.lines.join(u'\n').contains(QStringLiteral("Wininit.exe is missing")));

    fs::rename(QStringLiteral("C:\\WINDOWS\\WININIT.OLD"), QStringLiteral("C:\\WINDOWS\\WININIT.EXE"));
    report = bootMachine();
    EXPECT_EQ(report.replaced, 1);
    EXPECT_EQ(report.deleted, 0);
    EXPECT_EQ(report.skipped, 1);
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\A.TXT")), QByteArray("A"));

    // Nothing left to do.
    report = bootMachine();
    EXPECT_EQ(report.lines, QStringList{QStringLiteral("nothing to rename")});
}

TEST_F(BootTest, TheMachineToolBootsOnDemandAndSaysWhatItDid)
{
    fs::writeAll(QStringLiteral("C:\\WINDOWS\\TEMP\\c.new"), "new control.ini");
    writeWininit("[rename]\r\nC:\\WINDOWS\\control.ini=C:\\WINDOWS\\TEMP\\c.new\r\n");
    ExitWindowsEx(EWX_SHUTDOWN | EWX_REBOOT, 0);

    QProcess tool;
    tool.start(qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath()) + QStringLiteral("/trelvo-machine"),
               {QStringLiteral("--machine"), tm.dir(), QStringLiteral("boot")});
    ASSERT_TRUE(tool.waitForFinished(30000)) << tool.errorString().toStdString();
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(tool.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("replaced C:\\WINDOWS\\CONTROL.INI by C:\\WINDOWS\\TEMP\\c.new"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("1 replaced, 0 deleted, 0 skipped"))) << out.toStdString();
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\WINDOWS\\CONTROL.INI")), QByteArray("new control.ini"));
    EXPECT_FALSE(restartPending());
}
