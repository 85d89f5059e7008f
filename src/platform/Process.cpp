#include "platform/Process.h"
#include "platform/Machine.h"
#include "platform/SysError.h"
#include "platform/UnzipAdapter.h"
#include "platform/Waiting.h"
#include "platform/WinPath.h"
#include "platform/ZipAdapter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <memory>
#include <vector>

namespace platform::proc {
namespace {

constexpr int kInvalidProcedureCall = 5;   // the run-time error of an empty command line

struct Token {
    QString text;
    qsizetype end = 0;   // index behind the token in the line
};

QList<Token> scan(const QString& line)
{
    QList<Token> tokens;
    Token cur;
    bool inQuotes = false;
    bool started = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (inQuotes) {
            if (c != u'"')
                cur.text += c;
            else if (i + 1 < line.size() && line[i + 1] == u'"')
                cur.text += line[++i];
            else
                inQuotes = false;
        } else if (c == u' ' || c == u'\t') {
            if (started) {
                cur.end = i;
                tokens << cur;
                cur = {};
                started = false;
            }
        } else {
            started = true;
            if (c == u'"')
                inQuotes = true;
            else
                cur.text += c;
        }
    }
    if (started) {
        cur.end = line.size();
        tokens << cur;
    }
    return tokens;
}

// The program file of the first token: a path as given, else the folders Windows searches.
std::optional<QString> findProgram(QString name)
{
    const Machine& m = Machine::current();
    const qsizetype lastSep = qMax(name.lastIndexOf(u'\\'), qMax(name.lastIndexOf(u'/'), name.lastIndexOf(u':')));
    if (!name.mid(lastSep + 1).contains(u'.'))
        name += QStringLiteral(".exe");
    const auto fileAt = [&](const QString& winPath) -> std::optional<QString> {
        const Resolved r = m.resolve(winPath);
        return r.ok() && r.isFile() ? std::optional(r.win()) : std::nullopt;
    };
    if (lastSep >= 0)
        return fileAt(name);
    for (const QString& folder : {m.programFolder(), m.currentDir(), m.systemFolder(), m.windowsFolder()})
        if (const auto found = fileAt(folder + u'\\' + name))
            return found;
    return std::nullopt;
}

// A [Programs] key is a file name, or a full path whose last part may hold wildcards
// ("C:\Program Files\Trelvo\updates\*.exe").
bool programMatches(const QString& key, const QString& program)
{
    const qsizetype keySep = key.lastIndexOf(u'\\');
    const qsizetype sep = program.lastIndexOf(u'\\');
    if (keySep < 0)
        return winpath::sameName(key, program.mid(sep + 1));
    return winpath::sameName(key.left(keySep), program.left(sep)) && winpath::wildcardMatch(key.mid(keySep + 1), program.mid(sep + 1));
}

QString behaviourOf(const QString& program)
{
    const Machine& m = Machine::current();
    const QString section = QStringLiteral("Programs");
    for (const QString& key : m.settingKeys(section))
        if (programMatches(key, program))
            return m.setting(section, key).trimmed().toLower();
    return {};
}

// The built update program, started beside the running executable, on this machine.
Outcome startUpdateProgram(const Invocation& inv)
{
    QString bin = qEnvironmentVariable("TRELVO_SKYFETCH_BIN");
    if (bin.isEmpty())
        bin = QCoreApplication::applicationDirPath() + QStringLiteral("/skyfetch");
    if (!QFileInfo(bin).isExecutable())
        fail(ErrFileNotFound, bin);
    QProcess p;
    p.setProgram(bin);
    p.setArguments(inv.args);
    // The whole environment goes along (QT_QPA_PLATFORM and the display among it).
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TRELVO_MACHINE"), Machine::current().dir());
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!p.startDetached(&pid))
        fail(ErrFileNotFound, bin);
    return Outcome::detached(pid);
}

QHash<QString, Behaviour>& behaviours()
{
    static QHash<QString, Behaviour> table{
        {QStringLiteral("zip"), infozip::runZip},
        {QStringLiteral("unzip"), infozip::runUnzip},
        {QStringLiteral("skyfetch"), startUpdateProgram},
    };
    return table;
}

QHash<qint64, Outcome>& children()
{
    static QHash<qint64, Outcome> table;
    return table;
}

// A detached program is not our child: it is gone when the id is free or names a zombie
// that nobody has reaped yet.
bool hostProcessAlive(qint64 pid)
{
    if (::kill(pid_t(pid), 0) != 0)
        return errno == EPERM;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray s = stat.readAll();
    const qsizetype close = s.lastIndexOf(')');
    return close < 0 || close + 2 >= s.size() || s[close + 2] != 'Z';
}

} // namespace

void registerBehaviour(const QString& name, Behaviour fn) { behaviours().insert(name.toLower(), std::move(fn)); }

QStringList splitCommandLine(const QString& line)
{
    QStringList out;
    for (const Token& t : scan(line))
        out << t.text;
    return out;
}

qint64 Shell(const QString& commandLine, int windowStyle)
{
    const QList<Token> tokens = scan(commandLine);
    if (tokens.isEmpty())
        fail(kInvalidProcedureCall, commandLine);
    const std::optional<QString> program = findProgram(tokens[0].text);
    if (!program)
        fail(ErrFileNotFound, tokens[0].text);
    const auto it = behaviours().constFind(behaviourOf(*program));
    if (it == behaviours().constEnd())
        fail(ErrFileNotFound, QStringLiteral("%1 is not a program this machine can run").arg(*program));
    const Behaviour behaviour = *it;

    Invocation inv;
    inv.commandLine = commandLine;
    inv.program = *program;
    for (qsizetype i = 1; i < tokens.size(); ++i)
        inv.args << tokens[i].text;
    qsizetype from = tokens[0].end;
    while (from < commandLine.size() && (commandLine[from] == u' ' || commandLine[from] == u'\t'))
        ++from;
    inv.argText = commandLine.mid(from);
    inv.windowStyle = windowStyle;

    static qint64 lastId = 1000;
    lastId += 4;
    children().insert(lastId, behaviour(inv));
    return lastId;
}

void WaitForProcess(qint64 pid)
{
    const auto it = children().constFind(pid);
    if (it == children().constEnd() || it->exitCode || it->hostPid <= 0)
        return;
    while (hostProcessAlive(it->hostPid)) {
        whileWaiting();
        QThread::msleep(20);
    }
}

std::optional<int> ExitCodeOf(qint64 pid) { return children().value(pid).exitCode; }

QString OutputOf(qint64 pid) { return children().value(pid).output; }

namespace {

// `inputFile`: a host file, empty for none, nullopt for a pipe that the caller writes.
void startHost(QProcess& p, const QString& program, const QStringList& args, const QString& workDir,
               const std::optional<QString>& inputFile)
{
    p.setProgram(program);
    p.setArguments(args);
    p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (inputFile)
        p.setStandardInputFile(inputFile->isEmpty() ? QProcess::nullDevice() : *inputFile);
    p.start();
}

// What runHost returns of an ended process.
int endOf(QProcess& p, QString* output)
{
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool notStarted(QProcess& p, const QString& program, QString* output)
{
    if (p.waitForStarted(-1))
        return false;
    if (output)
        *output = QStringLiteral("%1: %2").arg(program, p.errorString());
    return true;
}

// Waits for each in turn (all of them have to end): the windows stay painted while the
// children work, and each one's output is read while it is waited for.
void waitForAll(const std::vector<QProcess*>& processes)
{
    whileWaiting();
    for (QProcess* p : processes)
        while (p->state() != QProcess::NotRunning && !p->waitForFinished(kWaitStepMs))
            whileWaiting();
}

} // namespace

int runHost(const QString& program, const QStringList& args, const QString& workDir, QString* output, const QByteArray& input)
{
    QProcess p;
    startHost(p, program, args, workDir, input.isEmpty() ? std::optional<QString>(QString()) : std::nullopt);
    if (notStarted(p, program, output))
        return -1;
    if (!input.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    waitForAll({&p});
    return endOf(p, output);
}

void runHostTogether(QList<HostRun>& runs)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    std::vector<QProcess*> started;
    for (HostRun& run : runs) {
        processes.push_back(std::make_unique<QProcess>());
        startHost(*processes.back(), run.program, run.args, run.workDir, run.inputFile);
    }
    for (size_t i = 0; i < processes.size(); ++i) {
        if (notStarted(*processes[i], runs[i].program, &runs[i].output))
            runs[i].exitCode = -1;
        else
            started.push_back(processes[i].get());
    }
    waitForAll(started);
    for (size_t i = 0; i < processes.size(); ++i)
        if (processes[i]->state() == QProcess::NotRunning && processes[i]->error() != QProcess::FailedToStart)
            runs[i].exitCode = endOf(*processes[i], &runs[i].output);
}

} // namespace platform::proc
