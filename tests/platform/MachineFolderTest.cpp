// The machine folder: a machine is written only into an absent or empty folder; a folder that
// holds files without a machine.ini, or a machine.ini that is damaged, is named in a message
// by either program and by the machine tool, and nothing in it is rewritten.
#include "platform/DemoMachine.h"
#include "platform/Machine.h"
#include "support/TempMachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>

using platform::Machine;

namespace {

QString binary(const QString& name)
{
    return qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath()) + u'/' + name;
}

QByteArray readHost(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct Outcome {
    int code = -1;
    QString errors;
};

// A program started as a user would, with the machine folder given and any box answered.
Outcome start(const QString& program, const QStringList& args, const QString& machine)
{
    QTemporaryFile script;
    script.open();
    script.write("machine.ini => OK\n");
    script.close();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TRELVO_MACHINE", machine);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TRELVO_UI_SCRIPT", script.fileName());
    p.setProcessEnvironment(env);
    p.start(binary(program), args);
    if (!p.waitForFinished(60000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError())};
}

class MachineFolderTest : public testsupport::MachineTest {
protected:
    // The user's machine as it stands: a letter changed, a slot saved, a floppy serial.
    void SetUp() override
    {
        tm.writeC("AUTOEXEC.BAT", "@ECHO OFF\r\nREM the user's own\r\n");
        tm.writeC("Program Files/Trelvo/trelvo.ini", "[Settings]\r\nConfig1=Mine\r\n");
        autoexec = tm.readC("AUTOEXEC.BAT");
        settings = tm.readC("Program Files/Trelvo/trelvo.ini");
        floppy = readHost(tm.dir() + "/floppies/blank.vol");
    }
    void expectUntouched() const
    {
        EXPECT_EQ(tm.readC("AUTOEXEC.BAT"), autoexec);
        EXPECT_EQ(tm.readC("Program Files/Trelvo/trelvo.ini"), settings);
        EXPECT_EQ(readHost(tm.dir() + "/floppies/blank.vol"), floppy);
    }
    QByteArray autoexec, settings, floppy;
};

} // namespace

TEST(MachineFolder, AMachineIsWrittenOnlyIntoAnAbsentOrEmptyFolder)
{
    QTemporaryDir tmp;
    const QString fresh = tmp.filePath("fresh");
    EXPECT_EQ(Machine::problemWith(fresh), QString());
    ASSERT_TRUE(platform::createDemoMachine(fresh));
    EXPECT_EQ(Machine::problemWith(fresh), QString());

    const QString empty = tmp.filePath("empty");
    QDir().mkdir(empty);
    EXPECT_EQ(Machine::problemWith(empty), QString());
    EXPECT_TRUE(platform::createDemoMachine(empty));

    const QString used = tmp.filePath("used");
    QDir().mkpath(used + "/drive_c");
    QFile note(used + "/drive_c/letter.txt");
    note.open(QIODevice::WriteOnly);
    note.write("mine");
    note.close();
    EXPECT_FALSE(platform::createDemoMachine(used));
    EXPECT_EQ(QDir(used).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"drive_c"});
    EXPECT_EQ(QDir(used + "/drive_c").entryList(QDir::Files), QStringList{"letter.txt"});
    EXPECT_TRUE(Machine::problemWith(used).contains(used + "/machine.ini")) << Machine::problemWith(used).toStdString();
}

TEST_F(MachineFolderTest, AMissingMachineIniIsNamedAndNothingIsRewritten)
{
    const QString ini = tm.dir() + "/machine.ini";
    QFile::remove(ini);
    const Outcome app = start("trelvoapp", {}, tm.dir());
    EXPECT_EQ(app.code, 1);
    EXPECT_TRUE(app.errors.contains(ini)) << app.errors.toStdString();
    const Outcome fetch = start("skyfetch", {}, tm.dir());
    EXPECT_EQ(fetch.code, 1);
    EXPECT_TRUE(fetch.errors.contains(ini)) << fetch.errors.toStdString();
    const Outcome tool = start("trelvo-machine", {"info"}, tm.dir());
    EXPECT_EQ(tool.code, 1);
    EXPECT_TRUE(tool.errors.contains(ini)) << tool.errors.toStdString();
    const Outcome create = start("trelvo-machine", {"create", tm.dir()}, tm.dir());
    EXPECT_EQ(create.code, 1);
    EXPECT_FALSE(QFile::exists(ini));
    expectUntouched();
}

TEST_F(MachineFolderTest, ADamagedMachineIniIsNamedAndLeftAsItIs)
{
    const QString ini = tm.dir() + "/machine.ini";
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[Machine]\r\nComputerName=HOMEPC\r\n");   // what a write cut short could leave
    }
    const QByteArray damaged = readHost(ini);
    const Outcome app = start("trelvoapp", {}, tm.dir());
    EXPECT_EQ(app.code, 1);
    EXPECT_TRUE(app.errors.contains(ini) && app.errors.contains("damaged")) << app.errors.toStdString();
    const Outcome tool = start("trelvo-machine", {"floppy", "list"}, tm.dir());
    EXPECT_EQ(tool.code, 1);
    EXPECT_EQ(readHost(ini), damaged);
    expectUntouched();
}
