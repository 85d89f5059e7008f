// One main program per machine: the real trelvoapp started twice on the same machine.
#include "support/TempMachine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <memory>

namespace {

class SingleInstanceTest : public testsupport::MachineTest {
protected:
    void TearDown() override
    {
        for (auto& p : started) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    // trelvoapp on the test machine, its boxes answered by `script`, without a display.
    QProcess& launch(const QByteArray& script)
    {
        const QString scriptFile = tm.dir() + QStringLiteral("/../script%1.txt").arg(started.size());
        QFile f(scriptFile);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(script);
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TRELVO_MACHINE"), tm.dir());
        env.insert(QStringLiteral("TRELVO_UI_SCRIPT"), scriptFile);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        auto& p = *started.emplace_back(std::make_unique<QProcess>());
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath()) + QStringLiteral("/trelvoapp"), {});
        EXPECT_TRUE(p.waitForStarted(10000));
        return p;
    }

    // Whether the program `p` holds the machine's lock, waiting up to ten seconds for it.
    bool holdsLock(const QProcess& p)
    {
        const QByteArray pid = QByteArray::number(p.processId()) + '\n';
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            QFile lock(tm.dir() + QStringLiteral("/trelvoapp.lock"));
            if (lock.open(QIODevice::ReadOnly) && lock.readAll() == pid)
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QString settingsFile() const { return tm.hostC(QStringLiteral("Program Files/Trelvo/trelvo.ini")); }

    std::vector<std::unique_ptr<QProcess>> started;
};

} // namespace

TEST_F(SingleInstanceTest, ASecondProgramOnTheSameMachineSaysSoAndEnds)
{
    QProcess& first = launch("# nothing is expected to ask\n");
    ASSERT_TRUE(holdsLock(first));
    // The first one has finished its start once it has read its automatic-save schedule,
    // the step after its last write of the settings file.
    const QString schedule = tm.hostC(QStringLiteral("Program Files/Trelvo/AutoKp.ini"));
    const QDeadlineTimer deadline(20000);
    while (!QFileInfo::exists(schedule) && !deadline.hasExpired())
        QThread::msleep(50);
    ASSERT_TRUE(QFileInfo::exists(schedule));
    QThread::msleep(300);
    const QDateTime written = QFileInfo(settingsFile()).lastModified();

    QProcess& second = launch("Trelvo is already running. => OK\n");
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // Its one line was used (a box without a line, or a line never used, would be reported
    // on standard error).
    const QByteArray report = second.readAllStandardError();
    EXPECT_FALSE(report.contains("unused:")) << report.constData();
    EXPECT_FALSE(report.contains("Trelvo is already running.")) << report.constData();

    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(QFileInfo(settingsFile()).lastModified(), written);
    EXPECT_TRUE(holdsLock(first));
    EXPECT_FALSE(first.readAllStandardError().contains("Trelvo is already running."));
}

// Left open by the user, the program holds the lock when a scheduler starts an automatic run:
// that run has nobody to answer it, so it logs why it did not save and ends at once; the
// marker stays for the next run. So does a run of a schedule whose mode line was damaged to
// " -1 ": the mode list is then left without a selection, which is no "Disabled".
TEST_F(SingleInstanceTest, AnAutomaticRunWhileTheProgramIsOpenLogsItAndEndsWithoutABox)
{
    QProcess& first = launch("# nothing is expected to ask\n");
    ASSERT_TRUE(holdsLock(first));
    for (const char* mode : {" 1 ", "-1 "}) {
        SCOPED_TRACE(mode);
        tm.writeC(QStringLiteral("Program Files/Trelvo/AutoKp.ini"),
                  QByteArray(mode) + "\r\n1/12/2026\r\n 0 \r\n1\r\n#1 : Not Saved\r\n#2 : Not Saved\r\n#3 : Not Saved\r\n#4 : Not Saved\r\n");
        tm.writeC(QStringLiteral("Program Files/Trelvo/Keep.go"), "");
        QFile::remove(tm.hostC(QStringLiteral("Program Files/Trelvo/Error.log")));

        QProcess& automatic = launch("");
        ASSERT_TRUE(automatic.waitForFinished(20000));
        EXPECT_EQ(automatic.exitCode(), 0);
        const QByteArray report = automatic.readAllStandardError();
        EXPECT_FALSE(report.contains("unexpected:")) << report.constData();
        EXPECT_TRUE(tm.readC(QStringLiteral("Program Files/Trelvo/Error.log")).contains("Trelvo is already running."));
        EXPECT_TRUE(tm.existsC(QStringLiteral("Program Files/Trelvo/Keep.go")));
        EXPECT_EQ(first.state(), QProcess::Running);
        EXPECT_TRUE(holdsLock(first));
    }
}

TEST_F(SingleInstanceTest, TheLockOfAProgramThatDiedHoldsNobodyBack)
{
    QProcess& first = launch("");
    ASSERT_TRUE(holdsLock(first));
    first.kill();
    ASSERT_TRUE(first.waitForFinished(5000));
    ASSERT_TRUE(QFileInfo::exists(tm.dir() + QStringLiteral("/trelvoapp.lock")));

    QProcess& next = launch("");
    EXPECT_TRUE(holdsLock(next));
    QThread::msleep(1000);
    EXPECT_EQ(next.state(), QProcess::Running);
    EXPECT_FALSE(next.readAllStandardError().contains("Trelvo is already running."));
}
