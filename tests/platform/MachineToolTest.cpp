// The machine tool run as a user runs it from a terminal: a disk name is a name on the shelf and
// never a way out of it, a label is kept as FAT keeps it, and what the tool refuses leaves
// machine.ini, the disk records and every file as they were.
#include "support/TempMachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QByteArray readHost(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeHost(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct ToolRun {
    int code = -1;
    QString out, errors;
};

class MachineToolTest : public testsupport::MachineTest {
protected:
    ToolRun tool(const QStringList& args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("TRELVO_MACHINE");
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath()) + "/trelvo-machine",
                QStringList{"--machine", tm.dir()} + args);
        if (!p.waitForFinished(30000))
            p.kill();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QString ini() const { return tm.dir() + "/machine.ini"; }
    QString record(const QString& disk) const { return tm.dir() + "/floppies/" + disk + ".vol"; }
};

} // namespace

// "floppy format" of a name that climbs out of the shelf: neither the machine folder nor a
// folder beside it is emptied, and no record is written outside the shelf.
TEST_F(MachineToolTest, AFormatOfANameOutsideTheShelfEmptiesNothing)
{
    QTemporaryDir outside;
    writeHost(outside.filePath("victim/letter.txt"), "mine");
    const QString climb = QDir(tm.dir() + "/floppies").relativeFilePath(outside.filePath("victim"));
    const QByteArray machineIni = readHost(ini());
    const QByteArray autoexec = tm.readC("AUTOEXEC.BAT");

    const ToolRun out = tool({"floppy", "format", climb});
    EXPECT_NE(out.code, 0) << out.errors.toStdString();
    EXPECT_EQ(readHost(outside.filePath("victim/letter.txt")), "mine");
    EXPECT_FALSE(QFileInfo::exists(outside.filePath("victim.vol")));

    const ToolRun up = tool({"floppy", "format", ".."});
    EXPECT_NE(up.code, 0) << up.errors.toStdString();
    EXPECT_EQ(readHost(ini()), machineIni);
    EXPECT_EQ(tm.readC("AUTOEXEC.BAT"), autoexec);
    EXPECT_TRUE(QFileInfo::exists(tm.dir() + "/registry.reg"));
    EXPECT_FALSE(QFileInfo::exists(tm.dir() + "/floppies/...vol"));
}

// A disk that is not on the shelf is not formatted into being: no record without a format.
TEST_F(MachineToolTest, AFormatOfAMissingDiskIsRefusedAndWritesNoRecord)
{
    const ToolRun run = tool({"floppy", "format", "nosuch"});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.errors.contains("53")) << run.errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(record("nosuch")));
    EXPECT_FALSE(QFileInfo::exists(tm.dir() + "/floppies/nosuch"));
    EXPECT_FALSE(tool({"floppy", "list"}).out.contains("nosuch"));
}

// A name with a line break would end its line in machine.ini once the disk is inserted; a
// name that is a path reaches records outside the shelf. Both are refused.
TEST_F(MachineToolTest, ADiskNameThatIsAPathOrHoldsALineBreakIsRefused)
{
    const QByteArray machineIni = readHost(ini());
    for (const QString& name : {QStringLiteral("a\n[Drive C]\nFolder=.."), QStringLiteral(".."), QStringLiteral("."),
                                QStringLiteral("sub\\disk")}) {
        const ToolRun made = tool({"floppy", "new", name});
        EXPECT_NE(made.code, 0) << name.toStdString();
        EXPECT_NE(tool({"floppy", "insert", name}).code, 0) << name.toStdString();
        EXPECT_EQ(readHost(ini()), machineIni) << name.toStdString();
    }
    EXPECT_EQ(QDir(tm.dir() + "/floppies").entryList({"*.vol"}, QDir::Files), QStringList{"blank.vol"});

    // A record beside the machine folder is no disk of its shelf.
    QTemporaryDir outside;
    writeHost(outside.filePath("other.vol"), "[Volume]\r\nWriteProtected=0\r\n");
    const QString climb = QDir(tm.dir() + "/floppies").relativeFilePath(outside.filePath("other"));
    EXPECT_NE(tool({"floppy", "protect", climb, "on"}).code, 0);
    EXPECT_NE(tool({"floppy", "label", climb, "X"}).code, 0);
    EXPECT_NE(tool({"floppy", "insert", climb}).code, 0);
    EXPECT_EQ(readHost(outside.filePath("other.vol")), "[Volume]\r\nWriteProtected=0\r\n");
    EXPECT_EQ(readHost(ini()), machineIni);
}

// A label is upper case and eleven characters at the most, whichever command sets it; a label
// with a line break or a character FAT keeps out of labels is refused and the record stays.
TEST_F(MachineToolTest, ALabelIsKeptAsFatKeepsItOrRefused)
{
    EXPECT_EQ(tool({"floppy", "label", "blank", "a very long label"}).code, 0);
    EXPECT_TRUE(readHost(record("blank")).contains("Label=A VERY LONG\r\n")) << readHost(record("blank")).toStdString();
    EXPECT_TRUE(tool({"floppy", "list"}).out.contains("label \"A VERY LONG\"")) << tool({"floppy", "list"}).out.toStdString();

    EXPECT_EQ(tool({"floppy", "new", "two", "--label", "abcdefghijklmnop"}).code, 0);
    EXPECT_TRUE(readHost(record("two")).contains("Label=ABCDEFGHIJK\r\n")) << readHost(record("two")).toStdString();

    const QByteArray kept = readHost(record("blank"));
    for (const QString& label : {QStringLiteral("x\nWriteProtected=1"), QStringLiteral("A.B"), QStringLiteral("A*B"),
                                 QStringLiteral("A:B")}) {
        const ToolRun run = tool({"floppy", "label", "blank", label});
        EXPECT_NE(run.code, 0) << label.toStdString();
        EXPECT_EQ(readHost(record("blank")), kept) << label.toStdString();
    }
    EXPECT_NE(tool({"floppy", "new", "three", "--label", "x\nFormatted=0"}).code, 0);
    EXPECT_FALSE(QFileInfo::exists(record("three")));
    EXPECT_NE(tool({"floppy", "format", "blank", "--label", "x\nCapacity=1"}).code, 0);
    EXPECT_EQ(readHost(record("blank")), kept);
}

// The write-protect tab has two positions: anything but on or off is a usage error, not "off".
TEST_F(MachineToolTest, TheWriteProtectTabIsOnOrOff)
{
    EXPECT_EQ(tool({"floppy", "protect", "blank", "on"}).code, 0);
    const QByteArray on = readHost(record("blank"));
    ASSERT_TRUE(on.contains("WriteProtected=1"));
    EXPECT_EQ(tool({"floppy", "protect", "blank", "of"}).code, 2);
    EXPECT_EQ(readHost(record("blank")), on);
    EXPECT_EQ(tool({"floppy", "protect", "blank", "off"}).code, 0);
    EXPECT_TRUE(readHost(record("blank")).contains("WriteProtected=0"));
}
