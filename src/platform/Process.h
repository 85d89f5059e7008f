#pragma once
// Child processes of the machine. The programs name a child by a Windows command line;
// its program file is looked up where Windows would look for it and must exist on the
// machine, and machine.ini [Programs] names the host behaviour that runs in its place
// (the Info-ZIP adapters, the built update program, the dialler). Children never run
// through a shell and get no standard input.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace platform::proc {

enum WindowStyle { Hide = 0, NormalFocus = 1 };

// One start of a program, as a behaviour gets it.
struct Invocation {
    QString commandLine;     // as given
    QString program;         // the program file found, "C:\Program Files\Trelvo\zip.exe"
    QStringList args;        // the arguments after the program, split by the Windows rules
    QString argText;         // the same part of the line as written, blanks inside kept
    int windowStyle = NormalFocus;
};

// What a behaviour made of a start: a run that has ended (adapters run to their end
// inside the start), or a host process that carries on by itself.
struct Outcome {
    std::optional<int> exitCode;
    qint64 hostPid = 0;
    QString output;          // what the child wrote (standard output and error)

    static Outcome ended(int code, QString output = {}) { return {code, 0, std::move(output)}; }
    static Outcome detached(qint64 hostPid) { return {std::nullopt, hostPid, {}}; }
};

using Behaviour = std::function<Outcome(const Invocation&)>;

// Installs the host behaviour that runs for a [Programs] entry naming `name`
// ("zip", "unzip" and "skyfetch" are built in; "dialer" and "installer" are left to the
// update program). A [Programs] key names a program file, or a full path whose last part
// may hold wildcards, for every program of one folder.
void registerBehaviour(const QString& name, Behaviour fn);

// Windows splitting: blanks and tabs separate, double quotes group, "" inside quotes is
// a literal quote, a backslash is an ordinary character.
QStringList splitCommandLine(const QString& line);

// Starts the command line and returns its process id. Fails with 53 when the program
// file is not found or is not a program this machine can run.
qint64 Shell(const QString& commandLine, int windowStyle);
// Blocks without time-out until the process has ended (at once for an unknown id).
void WaitForProcess(qint64 pid);
// The exit code of an ended process; nullopt while it runs, for an unknown id, and for a
// program that was started detached (its code is not this process's to collect).
std::optional<int> ExitCodeOf(qint64 pid);
QString OutputOf(qint64 pid);

// Runs a host program to its end, never through a shell, with `input` (or nothing) as
// its standard input. Returns its exit code, -1 when it could not be started or crashed;
// `output` gets standard output and error.
int runHost(const QString& program, const QStringList& args, const QString& workDir, QString* output,
            const QByteArray& input = {});

// One of several host runs made at the same time: its standard input comes from a host file
// (or nothing), so that no run waits for this process to feed it.
struct HostRun {
    QString program;
    QStringList args;
    QString workDir;
    QString inputFile;
    QString output;          // after the run: standard output and error
    int exitCode = -1;       // after the run: as runHost returns it
};

// Starts every run and returns when all of them have ended; the windows stay painted.
void runHostTogether(QList<HostRun>& runs);

} // namespace platform::proc
