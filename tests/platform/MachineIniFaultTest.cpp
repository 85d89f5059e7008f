// A machine.ini whose drive table or paths the programs cannot run on: each program names the
// file, the section and the key, ends with 1, writes nothing, and never shows a bare run-time
// error or spins.
#include "support/ProgramRun.h"
#include "support/TempMachine.h"

#include <QDir>
#include <QFile>

using testsupport::ProgramRun;

namespace {

// One line of machine.ini replaced (an empty `from`: drive C:'s folder moved away instead).
struct Fault {
    const char* name;
    QByteArray from;
    QByteArray to;
    const char* told;   // what the message names
};

void PrintTo(const Fault& row, std::ostream* os) { *os << row.name; }

const Fault kFaults[] = {
    {"DriveCMissing", "C=fixed\r\n", "", "[Drives] has no key C"},
    {"DriveCOfNoKnownKind", "C=fixed", "C=floppy", "[Drives] C=floppy"},
    {"DriveCFolderGone", "", "", "[Drive C] Folder=drive_c names a folder that is not there"},
    {"DriveCWithoutFolderKey", "Folder=drive_c\r\n", "", "[Drive C] has no key Folder"},
    {"ProgramFolderNotThere", "ProgramFolder=C:\\Program Files\\Trelvo", "ProgramFolder=C:\\Program Files\\Gone",
     "[Machine] ProgramFolder=C:\\Program Files\\Gone names a folder that is not there"},
    {"ProgramFolderWithNul", "ProgramFolder=C:\\Program Files\\Trelvo", QByteArray("ProgramFolder=C:\\..\0", 20),
     "[Machine] ProgramFolder=C:\\..<NUL> holds a control character"},
    {"WindowsFolderWithBar", "WindowsFolder=C:\\WINDOWS", "WindowsFolder=C:\\WIN|DOWS",
     "[Machine] WindowsFolder=C:\\WIN|DOWS holds the character |"},
    {"TempFolderLeavesItsDrive", "TempFolder=C:\\WINDOWS\\TEMP", "TempFolder=C:\\WINDOWS\\..\\..\\..\\tmp",
     "[Machine] TempFolder=C:\\WINDOWS\\..\\..\\..\\tmp leads out of its drive"},
    {"SystemFolderWithoutDrive", "SystemFolder=C:\\WINDOWS\\SYSTEM", "SystemFolder=WINDOWS\\SYSTEM",
     "[Machine] SystemFolder=WINDOWS\\SYSTEM is not a full path"},
    {"ProgramNameWithControlCharacter", "zip.exe=zip", "zip\x01.exe=zip", "[Programs] the key zip<0x01>.exe holds a control character"},
    {"DriveFolderWithControlCharacter", "Folder=drive_c", "Folder=drive_c\x02", "[Drive C] Folder=drive_c<0x02> holds a control character"},
};

class MachineIniFaultTest : public testsupport::MachineTest, public ::testing::WithParamInterface<Fault> {
protected:
    QByteArray read(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

} // namespace

TEST_P(MachineIniFaultTest, IsToldWithTheFileAndTheKeyAndNothingIsWritten)
{
    const Fault& fault = GetParam();
    const QString ini = tm.dir() + "/machine.ini";
    QByteArray bytes = read(ini);
    if (fault.from.isEmpty()) {
        ASSERT_TRUE(QDir().rename(tm.dir() + "/drive_c", tm.dir() + "/drive_c.away"));
    } else {
        ASSERT_TRUE(bytes.contains(fault.from)) << fault.from.toStdString();
        bytes.replace(fault.from, fault.to);
    }
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    const QByteArray damaged = read(ini);
    const QStringList before = QDir(tm.dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const QString told = QString::fromLatin1(fault.told);

    for (const QString& program : {QStringLiteral("trelvoapp"), QStringLiteral("skyfetch")}) {
        ProgramRun run(tm, {QStringLiteral("machine.ini => OK")}, program);
        ASSERT_TRUE(run.finish(60000)) << program.toStdString() << " did not end by itself";
        EXPECT_EQ(run.exitCode(), 1) << program.toStdString();
        const QString errors = run.errors();
        EXPECT_TRUE(errors.contains(ini + " is damaged: " + told)) << program.toStdString() << ": " << errors.toStdString();
        EXPECT_FALSE(errors.contains("Run-time error")) << errors.toStdString();
        EXPECT_FALSE(errors.contains("unused:")) << "the box was not shown: " << errors.toStdString();
    }
    // The machine tool refuses it the same way.
    const testsupport::ToolOutput tool = testsupport::runMachineTool(tm, {"floppy", "list"});
    EXPECT_EQ(tool.code, 1);
    EXPECT_TRUE(tool.err.contains(told)) << tool.err.toStdString();
    EXPECT_EQ(read(ini), damaged);
    EXPECT_EQ(QDir(tm.dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    EXPECT_FALSE(tm.existsC("Program Files/Trelvo/trelvo.ini"));
    EXPECT_FALSE(tm.existsC("Program Files/Trelvo/Error.log"));
}

INSTANTIATE_TEST_SUITE_P(Faults, MachineIniFaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });
