#include "core/Shell.h"
#include "core/Messages.h"
#include "platform/Process.h"
#include "platform/SysError.h"
#include "vb/Error.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

namespace core {

namespace {

std::optional<int> g_lastExitCode;
QString g_lastOutput;

// The first word of a command line, when it names a program without a folder, becomes the
// program folder's file of that name, quoted (the folder holds blanks).
QString withProgramFolder(const QString& commandLine)
{
    const QString line = commandLine.trimmed();
    if (line.startsWith(u'"'))
        return commandLine;
    const qsizetype end = line.indexOf(u' ');
    const QString program = line.left(end < 0 ? line.size() : end);
    if (program.isEmpty() || program.contains(u'\\') || program.contains(u':'))
        return commandLine;
    return u'"' + ProgramFolder() + u'\\' + program + u'"' + (end < 0 ? QString() : line.mid(end));
}

qint64 start(const QString& commandLine, int windowStyle)
{
    try {
        return platform::proc::Shell(withProgramFolder(commandLine), windowStyle);
    } catch (const platform::SysError& e) {
        throw vb::Error(e.code());
    }
}

} // namespace

void ShellAndWait(const QString& commandLine)
{
    const qint64 pid = start(commandLine, platform::proc::Hide);
    platform::proc::WaitForProcess(pid);
    g_lastExitCode = platform::proc::ExitCodeOf(pid);
    g_lastOutput = platform::proc::OutputOf(pid);
    vb::DoEvents();
}

std::optional<int> LastExitCode() { return g_lastExitCode; }

QString LastOutput() { return g_lastOutput; }

void ShellProgram(const QString& commandLine)
{
    try {
        start(commandLine, platform::proc::NormalFocus);
    } catch (const vb::Error& e) {
        if (e.Number() == 53)
            vb::MsgBox(LoadResString(1064) + QStringLiteral(" skyfetch.exe"), vb::vbCritical, LoadResString(1005));
    }
}

} // namespace core
