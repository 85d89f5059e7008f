#pragma once
// The real trelvoapp (or another program of the machine, such as skyfetch) on a test machine:
// started headless with an answer script (lines of the script language, "@Form1.Command1 =>
// Click" included), waited for, or stopped and killed while it writes a file into a given folder.
#include "support/TempMachine.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <functional>
#include <memory>
#include <sys/types.h>

namespace testsupport {

// Writes `scriptLines` into `script` and gives the environment a program started on `tm` with
// that answer script needs (headless, the machine, the script).
QProcessEnvironment scriptedEnvironment(const TempMachine& tm, QTemporaryFile& script, const QStringList& scriptLines);

class ProgramRun {
public:
    ProgramRun(const TempMachine& tm, const QStringList& scriptLines, const QString& program = QStringLiteral("trelvoapp"));
    ~ProgramRun();

    qint64 pid() const { return process_.processId(); }
    // Waits for the program to end by itself; false (and the program killed) when it does not.
    bool finish(int msecs = 60000);
    int exitCode() const { return process_.exitCode(); }
    QString errors();

    // Stops the program and the programs it started (SIGSTOP) the moment `condition` holds,
    // then kills them (SIGKILL) while it still holds. False when the program ended first.
    bool killWhen(const std::function<bool()>& condition);
    // The moment: a file that the program is writing into `hostFolder` under no name yet
    // holds `atLeast` bytes.
    bool killWhileWriting(const QString& hostFolder, qint64 atLeast = 1 << 20);
    // The bytes of the largest such file; -1 when there is none.
    qint64 writtenInto(const QString& hostFolder) const;

private:
    QList<pid_t> processTree() const;

    QTemporaryFile script_;
    QProcess process_;
    QString errors_;
};

// The machine tool (trelvo-machine --machine DIR ARGS...) run to its end: exit code (-1 when it
// crashed or hung) and what it wrote.
struct ToolOutput {
    int code = -1;
    QString out;
    QString err;
};
ToolOutput runMachineTool(const TempMachine& tm, const QStringList& args);

// The zip programs' scratch folders that process `pid` made (host paths), wherever they are made.
QStringList zipScratchFolders(const TempMachine& tm, qint64 pid);

} // namespace testsupport
