// Child processes of the machine: Windows command-line splitting, where a program is
// found, which host behaviour runs for it, process ids and exit codes, and the detached
// start of the update program.
#include "support/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/SysError.h"
#include "support/TempMachine.h"

#include <QFile>
#include <QTemporaryDir>

using namespace platform;
using testsupport::MachineTest;
using testsupport::errorOf;

namespace {


// A behaviour that records what it was given and ends with a code of the test's choice.
struct Probe {
    static inline QList<proc::Invocation> seen;
    static inline int exitCode = 0;
    static void install(const QString& name)
    {
        seen.clear();
        proc::registerBehaviour(name, [](const proc::Invocation& inv) {
            seen << inv;
            return proc::Outcome::ended(exitCode, QStringLiteral("probe ran"));
        });
    }
};

// Restores an environment variable when the test ends.
struct EnvGuard {
    QByteArray name, old;
    bool had;
    explicit EnvGuard(const char* n) : name(n), old(qgetenv(n)), had(qEnvironmentVariableIsSet(n)) {}
    ~EnvGuard() { had ? qputenv(name.constData(), old) : qunsetenv(name.constData()); }
};

} // namespace

TEST(CommandLine, SplitsByTheWindowsRules)
{
    using L = QStringList;
    const auto split = [](const char* line) { return proc::splitCommandLine(QString::fromUtf8(line)); };
    EXPECT_EQ(split(R"(zip.exe -1qurS "C:\Program Files\Trelvo\Conf1s.tva" "C:\WINDOWS\Start Menu\*.*")"),
              (L{"zip.exe", "-1qurS", R"(C:\Program Files\Trelvo\Conf1s.tva)", R"(C:\WINDOWS\Start Menu\*.*)"}));
    // Backslashes stay what they are, also in front of a quote.
    EXPECT_EQ(split(R"("C:\dir\" C:\WINDOWS\TEMP\trelvo\*.*)"), (L{R"(C:\dir\)", R"(C:\WINDOWS\TEMP\trelvo\*.*)"}));
    // Quotes group from anywhere in a token; "" inside quotes is one quote.
    EXPECT_EQ(split(R"(a"b c"d "say ""hi""" e)"), (L{"ab cd", R"(say "hi")", "e"}));
    // An empty pair of quotes is an empty argument; runs of blanks and tabs separate once.
    EXPECT_EQ(split("  prog \t \"\"   x\t"), (L{"prog", "", "x"}));
    // An option without its value stays the last token.
    EXPECT_EQ(split(R"(Unzip32.exe -o "C:\a b.tva" -d )"), (L{"Unzip32.exe", "-o", R"(C:\a b.tva)", "-d"}));
    // An unclosed quote runs to the end of the line.
    EXPECT_EQ(split(R"(x "open ended)"), (L{"x", "open ended"}));
    EXPECT_TRUE(split("   ").isEmpty());
}

TEST_F(MachineTest, ProgramsAreFoundWhereWindowsLooksAndMustExistOnTheMachine)
{
    Probe::install(QStringLiteral("probe"));
    tm.machine().setSetting(QStringLiteral("Programs"), QStringLiteral("Tool.EXE"), QStringLiteral("probe"));
    fs::writeAll(QStringLiteral("C:\\WINDOWS\\tool.exe"), "windows copy");

    // Found in the Windows folder, ".exe" implied, the name's case of no account.
    proc::Shell(QStringLiteral("TOOL first \"second arg\""), proc::Hide);
    ASSERT_EQ(Probe::seen.size(), 1);
    EXPECT_EQ(Probe::seen[0].program, QStringLiteral("C:\\WINDOWS\\tool.exe"));
    EXPECT_EQ(Probe::seen[0].args, (QStringList{"first", "second arg"}));
    EXPECT_EQ(Probe::seen[0].argText, QStringLiteral("first \"second arg\""));
    EXPECT_EQ(Probe::seen[0].windowStyle, proc::Hide);

    // The current folder comes before the Windows folder, the program folder before both.
    fs::createDirectory(QStringLiteral("C:\\Work"));
    fs::writeAll(QStringLiteral("C:\\Work\\TOOL.EXE"), "current copy");
    tm.machine().setCurrentDir(QStringLiteral("C:\\work"));
    proc::Shell(QStringLiteral("tool.exe"), proc::NormalFocus);
    fs::writeAll(QStringLiteral("C:\\Program Files\\Trelvo\\tool.exe"), "program folder copy");
    proc::Shell(QStringLiteral("tool.exe"), proc::NormalFocus);
    ASSERT_EQ(Probe::seen.size(), 3);
    EXPECT_EQ(Probe::seen[1].program, QStringLiteral("C:\\Work\\TOOL.EXE"));
    EXPECT_EQ(Probe::seen[2].program, QStringLiteral("C:\\Program Files\\Trelvo\\tool.exe"));

    // A path is taken as given, relative ones against the current folder.
    proc::Shell(QStringLiteral("..\\WINDOWS\\TOOL.exe"), proc::Hide);
    ASSERT_EQ(Probe::seen.size(), 4);
    EXPECT_EQ(Probe::seen[3].program, QStringLiteral("C:\\WINDOWS\\tool.exe"));
    EXPECT_EQ(errorOf([] { proc::Shell(QStringLiteral("C:\\My Documents\\tool.exe"), proc::Hide); }), ErrFileNotFound);

    // Not on the machine, or on it without a host behaviour: 53 both.
    EXPECT_EQ(errorOf([] { proc::Shell(QStringLiteral("nothere.exe -x"), proc::Hide); }), ErrFileNotFound);
    EXPECT_EQ(errorOf([] { proc::Shell(QStringLiteral("explorer.exe"), proc::Hide); }), ErrFileNotFound);
    EXPECT_EQ(errorOf([] { proc::Shell(QStringLiteral("C:\\AUTOEXEC.BAT"), proc::Hide); }), ErrFileNotFound);
    EXPECT_EQ(Probe::seen.size(), 4);
}

TEST_F(MachineTest, AMissingZipExeInTheProgramFolderCannotBeStarted)
{
    const QString line = QStringLiteral("zip.exe -1q \"C:\\x.tva\" C:\\AUTOEXEC.BAT");
    fs::removeFile(QStringLiteral("C:\\Program Files\\Trelvo\\zip.exe"));
    EXPECT_EQ(errorOf([&] { proc::Shell(line, proc::Hide); }), ErrFileNotFound);
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\x.tva")));
}

TEST_F(MachineTest, ExitCodesAreKeptPerProcessAfterTheWait)
{
    Probe::install(QStringLiteral("dialer"));
    Probe::exitCode = 7;
    const qint64 dial = proc::Shell(QStringLiteral("rundll32.exe rnaui.dll,RnaDial Home Dial-Up"), proc::NormalFocus);
    ASSERT_EQ(Probe::seen.size(), 1);
    EXPECT_EQ(Probe::seen[0].program, QStringLiteral("C:\\WINDOWS\\RUNDLL32.EXE"));
    EXPECT_EQ(Probe::seen[0].argText, QStringLiteral("rnaui.dll,RnaDial Home Dial-Up"));

    // zip with nothing to pack ends with 12; the code is there whether or not anybody waits.
    const qint64 zip = proc::Shell(QStringLiteral("zip.exe -1q \"C:\\none.tva\" \"C:\\WINDOWS\\nothing\\*.*\""), proc::Hide);
    EXPECT_NE(zip, dial);
    EXPECT_EQ(proc::ExitCodeOf(zip), 12);
    proc::WaitForProcess(dial);
    EXPECT_EQ(proc::ExitCodeOf(dial), 7);
    EXPECT_EQ(proc::OutputOf(dial), QStringLiteral("probe ran"));
    EXPECT_TRUE(proc::OutputOf(zip).contains(QStringLiteral("Nothing to do")));

    // Unknown ids: the wait returns at once and there is no code.
    proc::WaitForProcess(424242);
    EXPECT_FALSE(proc::ExitCodeOf(424242));
    Probe::exitCode = 0;
}

TEST_F(MachineTest, TheUpdateProgramStartsDetachedOnThisMachineWithoutInput)
{
    EnvGuard guard("TRELVO_SKYFETCH_BIN");
    QTemporaryDir host;
    const QString script = host.filePath(QStringLiteral("fake-skyfetch"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nsleep 0.3\n{ echo \"$TRELVO_MACHINE\"; echo \"$*\"; readlink /proc/self/fd/0; } > \"$0.out\"\n");
    }
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("TRELVO_SKYFETCH_BIN", QFile::encodeName(script));

    const qint64 pid = proc::Shell(QStringLiteral("skyfetch.exe /auto \"two words\""), proc::NormalFocus);
    EXPECT_FALSE(QFile::exists(script + QStringLiteral(".out")));   // the start does not wait
    proc::WaitForProcess(pid);
    QFile out(script + QStringLiteral(".out"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(out.readAll()).split(u'\n');
    EXPECT_EQ(lines.value(0), tm.machine().dir());
    EXPECT_EQ(lines.value(1), QStringLiteral("/auto two words"));
    EXPECT_EQ(lines.value(2), QStringLiteral("/dev/null"));
    EXPECT_FALSE(proc::ExitCodeOf(pid));   // not this process's child to collect

    qputenv("TRELVO_SKYFETCH_BIN", "/nonexistent/skyfetch");
    EXPECT_EQ(errorOf([] { proc::Shell(QStringLiteral("skyfetch.exe"), proc::NormalFocus); }), ErrFileNotFound);
}

// Host runs made together: each reads its own input file and keeps its own code and output,
// one that cannot start says so without holding up the others, and they run at the same
// time (the first waits for a file only the last one makes; one after the other it would
// give up after five seconds).
TEST(HostRuns, RunTogetherEachWithItsOwnInputCodeAndOutput)
{
    QTemporaryDir dir;
    QFile input(dir.filePath(QStringLiteral("names")));
    ASSERT_TRUE(input.open(QIODevice::WriteOnly));
    input.write("first\nsecond\n");
    input.close();
    const QString sh = QStringLiteral("/bin/sh");
    const QString c = QStringLiteral("-c");
    QList<proc::HostRun> runs{
        {sh, {c, QStringLiteral("timeout 5 sh -c 'until [ -e made ]; do sleep 0.01; done' && echo saw it")}, dir.path(), {}, {}, -1},
        {sh, {c, QStringLiteral("cat; exit 3")}, dir.path(), input.fileName(), {}, -1},
        {dir.filePath(QStringLiteral("no such program")), {}, dir.path(), {}, {}, 0},
        {sh, {c, QStringLiteral("touch made")}, dir.path(), {}, {}, -1},
    };
    proc::runHostTogether(runs);
    EXPECT_EQ(runs[0].exitCode, 0);
    EXPECT_EQ(runs[0].output, QStringLiteral("saw it\n"));
    EXPECT_EQ(runs[1].exitCode, 3);
    EXPECT_EQ(runs[1].output, QStringLiteral("first\nsecond\n"));
    EXPECT_EQ(runs[2].exitCode, -1);
    EXPECT_TRUE(runs[2].output.contains(QStringLiteral("no such program"))) << qPrintable(runs[2].output);
    EXPECT_EQ(runs[3].exitCode, 0);
}
