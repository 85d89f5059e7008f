#include "support/ProgramRun.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <csignal>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

QProcessEnvironment scriptedEnvironment(const TempMachine& tm, QTemporaryFile& script, const QStringList& scriptLines)
{
    script.open();
    script.write(scriptLines.join(u'\n').toUtf8() + '\n');
    script.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TRELVO_MACHINE"), tm.dir());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TRELVO_UI_SCRIPT"), script.fileName());
    return env;
}

ProgramRun::ProgramRun(const TempMachine& tm, const QStringList& scriptLines, const QString& program)
{
    process_.setProcessEnvironment(scriptedEnvironment(tm, script_, scriptLines));
    const QString bin = qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath());
    process_.start(bin + u'/' + program, {});
    if (!process_.waitForStarted())
        ADD_FAILURE() << "cannot start " << bin.toStdString() << "/" << program.toStdString();
}

ProgramRun::~ProgramRun()
{
    if (process_.state() != QProcess::NotRunning) {
        ::kill(pid_t(process_.processId()), SIGKILL);
        process_.waitForFinished();
    }
}

bool ProgramRun::finish(int msecs)
{
    if (process_.waitForFinished(msecs))
        return process_.exitStatus() == QProcess::NormalExit;
    process_.kill();
    process_.waitForFinished();
    return false;
}

QString ProgramRun::errors()
{
    errors_ += QString::fromLocal8Bit(process_.readAllStandardError());
    return errors_;
}

// A file being written under no name shows among the process's open files as
// "<folder>/#<inode> (deleted)". The bytes it holds so far; -1 when there is none.
qint64 ProgramRun::writtenInto(const QString& hostFolder) const
{
    const QByteArray fds = "/proc/" + QByteArray::number(process_.processId()) + "/fd";
    const QByteArray prefix = QFile::encodeName(QDir::cleanPath(hostFolder)) + "/#";
    DIR* dir = ::opendir(fds.constData());
    if (!dir)
        return -1;
    qint64 written = -1;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray fd = fds + '/' + e->d_name;
        char target[4096];
        const ssize_t n = ::readlink(fd.constData(), target, sizeof target - 1);
        struct stat st;
        if (n > 0 && QByteArray(target, int(n)).startsWith(prefix) && ::stat(fd.constData(), &st) == 0)
            written = qMax<qint64>(written, st.st_size);
    }
    ::closedir(dir);
    return written;
}

// The program and every process below it.
QList<pid_t> ProgramRun::processTree() const
{
    QList<pid_t> tree{pid_t(process_.processId())};
    for (qsizetype i = 0; i < tree.size(); ++i) {
        const QString tasks = QStringLiteral("/proc/%1/task").arg(tree[i]);
        for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile children(tasks + u'/' + task + QStringLiteral("/children"));
            if (children.open(QIODevice::ReadOnly))
                for (const QByteArray& child : children.readAll().split(' '))
                    if (child.trimmed().toInt() > 0)
                        tree << pid_t(child.trimmed().toInt());
        }
    }
    return tree;
}

bool ProgramRun::killWhen(const std::function<bool()>& condition)
{
    QDeadlineTimer stuck(120000);   // a program that hangs fails the test, it does not hang it
    while (process_.state() == QProcess::Running && !stuck.hasExpired()) {
        if (!condition()) {
            process_.waitForFinished(0);   // notices an end
            continue;
        }
        const QList<pid_t> tree = processTree();
        for (const pid_t pid : tree)
            ::kill(pid, SIGSTOP);
        const bool caught = condition();   // still so now that everything stands still
        for (const pid_t pid : tree)
            ::kill(pid, SIGKILL);
        process_.waitForFinished();
        return caught;
    }
    return false;
}

bool ProgramRun::killWhileWriting(const QString& hostFolder, qint64 atLeast)
{
    return killWhen([&] { return writtenInto(hostFolder) >= atLeast; });
}

ToolOutput runMachineTool(const TempMachine& tm, const QStringList& args)
{
    QProcess p;
    const QString bin = qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath());
    p.start(bin + QStringLiteral("/trelvo-machine"), QStringList{QStringLiteral("--machine"), tm.dir()} + args);
    if (!p.waitForFinished(60000))
        p.kill();
    p.waitForFinished();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

QStringList zipScratchFolders(const TempMachine& tm, qint64 pid)
{
    QStringList found;
    for (const QString& folder : {QDir::tempPath(), tm.dir(), tm.dir() + QStringLiteral("/floppies")})
        for (const QString& name : QDir(folder).entryList({QStringLiteral(".trelvo-zip-%1-*").arg(pid)}, QDir::Dirs | QDir::Hidden))
            found << folder + u'/' + name;
    return found;
}

} // namespace testsupport
