#pragma once
// The real trelvoapp on a test machine: started headless with an answer script (lines of
// the script language, "@Form1.Command1 => Click" included), waited for, or stopped and killed while it
// writes a file into a given folder.
#include "support/TempMachine.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <memory>

namespace testsupport {

class ProgramRun {
public:
    ProgramRun(const TempMachine& tm, const QStringList& scriptLines);
    ~ProgramRun();

    qint64 pid() const { return process_.processId(); }
    // Waits for the program to end by itself; false (and the program killed) when it does not.
    bool finish(int msecs = 60000);
    int exitCode() const { return process_.exitCode(); }
    QString errors();

    // Stops the program (SIGSTOP) the moment it holds a file open that is being written
    // into `hostFolder`, has no name there yet and holds `atLeast` bytes, then kills it
    // (SIGKILL) while the file is still half written. False when the program ended first
    // or never wrote such a file there.
    bool killWhileWriting(const QString& hostFolder, qint64 atLeast = 1 << 20);

private:
    qint64 writtenInto(const QString& hostFolder) const;

    QTemporaryFile script_;
    QProcess process_;
    QString errors_;
};

} // namespace testsupport
