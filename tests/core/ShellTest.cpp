// Starting the zip programs and the update program from the program folder.
#include "support/Errors.h"
#include "core/Shell.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Error.h"
#include "vb/FileIO.h"

namespace fs = platform::fs;
namespace proc = platform::proc;

using testsupport::errorOf;

namespace {

const QString kProgramFolder = QStringLiteral("C:\\Program Files\\Trelvo");


class ShellTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ui = &testsupport::ScriptedUi::install(); }
    testsupport::ScriptedUi* ui = nullptr;

    // A program of the machine whose runs are recorded; it ends with `exitCode`.
    static inline QList<proc::Invocation> seen;
    static inline int exitCode = 0;
    void installTool(const QString& folder)
    {
        seen.clear();
        proc::registerBehaviour(QStringLiteral("shelltest-tool"), [](const proc::Invocation& inv) {
            seen << inv;
            return proc::Outcome::ended(exitCode);
        });
        tm.machine().setSetting(QStringLiteral("Programs"), QStringLiteral("tool.exe"), QStringLiteral("shelltest-tool"));
        fs::writeAll(folder + QStringLiteral("\\tool.exe"), "tool");
    }
};

} // namespace

TEST_F(ShellTest, RunsTheRealZipFromTheProgramFolderWhateverFolderIsCurrent)
{
    vb::ChDir(QStringLiteral("C:\\WINDOWS\\TEMP"));
    vb::ChDrive(QStringLiteral("A:"));

    core::ShellAndWait(QStringLiteral("zip.exe -1q \"") + kProgramFolder + QStringLiteral("\\Conf1.tva\" C:\\WINDOWS\\WIN.INI"));
    EXPECT_EQ(core::LastExitCode(), 0);
    EXPECT_TRUE(fs::exists(kProgramFolder + QStringLiteral("\\Conf1.tva")));

    // Nothing to pack: zip's code 12, no archive, and no message either.
    core::ShellAndWait(QStringLiteral("zip.exe -1qr \"") + kProgramFolder + QStringLiteral("\\Conf1s.tva\" \"C:\\WINDOWS\\gone\\*.*\""));
    EXPECT_EQ(core::LastExitCode(), 12);
    EXPECT_FALSE(fs::exists(kProgramFolder + QStringLiteral("\\Conf1s.tva")));
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(ShellTest, TheProgramIsNamedByItsFullPathAndTheRestOfTheLineIsKept)
{
    installTool(kProgramFolder);
    fs::writeAll(QStringLiteral("C:\\WINDOWS\\tool.exe"), "a copy in the current folder");
    vb::ChDir(QStringLiteral("C:\\WINDOWS"));
    exitCode = 3;

    core::ShellAndWait(QStringLiteral("tool.exe -x \"two words\"  C:\\a"));
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].commandLine, u'"' + kProgramFolder + QStringLiteral("\\tool.exe\" -x \"two words\"  C:\\a"));
    EXPECT_EQ(seen[0].program, kProgramFolder + QStringLiteral("\\tool.exe"));
    EXPECT_EQ(seen[0].args, (QStringList{"-x", "two words", "C:\\a"}));
    EXPECT_EQ(seen[0].windowStyle, proc::Hide);
    EXPECT_EQ(core::LastExitCode(), 3);

    // A line that names its program with a folder is left as it is.
    core::ShellAndWait(QStringLiteral("C:\\WINDOWS\\tool.exe /y"));
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1].program, QStringLiteral("C:\\WINDOWS\\tool.exe"));
    exitCode = 0;
}

TEST_F(ShellTest, AMissingProgramRaisesFileNotFoundToTheCaller)
{
    fs::removeFile(kProgramFolder + QStringLiteral("\\zip.exe"));
    EXPECT_EQ(errorOf([] { core::ShellAndWait(QStringLiteral("zip.exe -1q \"C:\\x.tva\" C:\\AUTOEXEC.BAT")); }), 53);
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\x.tva")));
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(ShellTest, ShellProgramStartsWithANormalWindowAndReportsOnlyAMissingProgram)
{
    installTool(kProgramFolder);
    core::ShellProgram(QStringLiteral("tool.exe"));
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].windowStyle, proc::NormalFocus);

    fs::removeFile(kProgramFolder + QStringLiteral("\\skyfetch.exe"));
    ui->expect(QStringLiteral("File not found! skyfetch.exe"), QStringLiteral("OK"));
    core::ShellProgram(QStringLiteral("skyfetch.exe"));
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown()[0].prompt, QStringLiteral("File not found! skyfetch.exe"));
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Warning!"));

    // Any other failure (here an empty line) passes silently.
    core::ShellProgram(QString());
    EXPECT_EQ(ui->shown().size(), 1);
}
