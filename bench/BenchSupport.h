#pragma once
// What the benchmarks share: their options, the user files they generate, a UI that
// answers the program's boxes (and may change disks first), host commands run the way a
// user would type them, and the arithmetic of interleaved runs.
#include "backup/Save.h"
#include "catalogue/ConfigItems.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "platform/FileSystem.h"
#include "vb/Controls.h"
#include "support/ProgramRun.h"
#include "support/TempMachine.h"
#include "vb/ScriptUi.h"
#include "vb/UiServices.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <utility>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

// Windows off the screen unless the caller asked for a display.
inline void headless()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// "--name value" pairs and bare "--flag"s; unknown names are reported.
class Args {
public:
    Args(const QStringList& args, const QStringList& flags)
    {
        for (int i = 1; i < args.size(); ++i) {
            const QString name = args[i].mid(2);
            if (!args[i].startsWith(QStringLiteral("--")))
                std::fprintf(stderr, "ignored: %s\n", qPrintable(args[i]));
            else if (flags.contains(name))
                values_[name] = QStringLiteral("1");
            else
                values_[name] = args.value(++i);
        }
    }
    QString text(const QString& name, const QString& def) const { return values_.value(name, def); }
    double number(const QString& name, double def) const
    {
        bool ok = false;
        const double v = values_.value(name).toDouble(&ok);
        return ok ? v : def;
    }
    int count(const QString& name, int def) const { return qMax(1, int(number(name, def))); }
    bool flag(const QString& name) const { return values_.contains(name); }
    // A list of counts: "--files 2000,20000".
    QList<int> counts(const QString& name, const QList<int>& def) const
    {
        if (!values_.contains(name))
            return def;
        QList<int> out;
        for (const QString& part : values_.value(name).split(u',', Qt::SkipEmptyParts))
            out << qMax(1, part.toInt());
        return out.isEmpty() ? def : out;
    }

private:
    QHash<QString, QString> values_;
};

inline double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Seconds taken by `work`.
inline double timed(const std::function<void()>& work)
{
    // What earlier steps wrote reaches the disk first: the host would otherwise write it back
    // while the next step runs, and the step timed after a restore would pay for its files.
    ::sync();
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e9;
}

// Processor seconds (user and system) of the processes this one started and waited for,
// with theirs: `cpu` grows by those of the processes `work` starts. A busy host stretches
// the time a run takes, far less the processor time it needs.
inline double timed(const std::function<void()>& work, double& cpu)
{
    const auto children = [] {
        struct rusage u;
        ::getrusage(RUSAGE_CHILDREN, &u);
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    const double before = children();
    const double seconds = timed(work);
    cpu += children() - before;
    return seconds;
}

// Both sides of a comparison, one pair per run.
struct Pairs {
    QList<double> program, byHand;
    void print(const char* what, double target) const
    {
        for (int i = 0; i < program.size(); ++i)
            std::printf("  run %d: %s %.3f s, by hand %.3f s, ratio %.2f\n", i + 1, what, program[i], byHand[i],
                        program[i] / byHand[i]);
        const double p = median(program), h = median(byHand);
        std::printf("%s: median %.3f s, by hand %.3f s, ratio %.2f (target <= %.2f)\n", what, p, h, p / h, target);
        std::fflush(stdout);
    }
};

// The program's start as far as a save and a restore need it, with every box of the save
// set to `tick` (0 or 1).
inline void startProgram(int tick)
{
    core::state().TodayDate = QStringLiteral(" 8/12/1999");
    core::ReadSystemPaths();
    core::LoadSettings();
    for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
        item.SaveCheckBox().setValue(tick);
}

// Text-like runs (compressible) mixed with random runs (not), as documents and pictures mix.
inline QByteArray content(qint64 size, QRandomGenerator& gen)
{
    static const QByteArrayList words = {"invoice ", "letter ", "the ", "budget ", "1999 ", "Anna ", "meeting ",
                                         "report ", "and ", "total ", "\r\n", "photo ", "of ", "summer "};
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        const qint64 run = qMin<qint64>(size - bytes.size(), 512 + gen.bounded(4096));
        if (gen.bounded(2) == 0) {
            while (bytes.size() < size && run > 0 && bytes.size() % 4096 != 4095 && gen.bounded(64) != 0)
                bytes += words[gen.bounded(int(words.size()))];
        } else {
            const qsizetype at = bytes.size();
            bytes.resize(at + run);
            for (qsizetype i = at; i < bytes.size(); ++i)
                bytes[i] = char(gen.generate() & 0xFF);
        }
    }
    bytes.truncate(size);
    return bytes;
}

inline const QString kUserFolder = QStringLiteral("Users Data");

// User-defined files below C:\Users Data: log-uniform sizes between 1 KB and 8 MB scaled
// to the total, spread over nested folders, written straight onto the host folder of
// drive C:, and listed in the program's trelvo.usr. Returns their Windows paths.
inline QStringList generateUserFiles(const testsupport::TempMachine& tm, int files, double megabytes, quint32 seed)
{
    QRandomGenerator gen(seed);
    QList<double> raw;
    double sum = 0;
    for (int i = 0; i < files; ++i) {
        raw << std::exp(std::log(1024.0) + gen.generateDouble() * (std::log(8.0 * 1024 * 1024) - std::log(1024.0)));
        sum += raw.last();
    }
    const double scale = megabytes * 1024 * 1024 / sum;
    static const char* const kinds[] = {"doc", "xls", "txt", "jpg", "bmp", "mdb"};
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        const QString rel = QStringLiteral("%1/Project %2/Part %3/File %4.%5")
                                .arg(kUserFolder)
                                .arg(i % 40)
                                .arg(i % 7)
                                .arg(i)
                                .arg(QString::fromLatin1(kinds[i % 6]));
        QDir().mkpath(QFileInfo(tm.hostC(rel)).path());
        QFile f(tm.hostC(rel));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content(qMax<qint64>(1, qint64(raw[i] * scale)), gen));
        paths << QStringLiteral("C:\\") + QString(rel).replace(u'/', u'\\');
    }
    QByteArray list = " " + QByteArray::number(paths.size()) + " \r\n";
    for (const QString& p : paths)
        list += p.toLatin1() + "\r\n";
    tm.writeC(QStringLiteral("Program Files/Trelvo/trelvo.usr"), list);
    return paths;
}

// Names and contents of every file below a host folder, to tell that two runs left the same.
inline QByteArray treeDigest(const QString& hostDir)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(hostDir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        files[path.mid(hostDir.size())] = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
    }
    QCryptographicHash all(QCryptographicHash::Sha1);
    for (const auto& [name, digest] : files) {
        all.addData(name.toUtf8());
        all.addData(digest);
    }
    return all.result().toHex() + ' ' + QByteArray::number(qulonglong(files.size()));
}

// A host program run to its end as typed at a prompt, its output thrown away (or, with
// `outputFile`, written there as by "> FILE"). Its exit code.
inline int host(const QString& program, const QStringList& args, const QString& workDir = {}, const QString& outputFile = {})
{
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(outputFile.isEmpty() ? QProcess::nullDevice() : outputFile);
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start();
    p.waitForFinished(-1);
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Answers the program's boxes from a script; a box may first run an action (a disk change).
class Ui : public vb::ScriptUi {
public:
    // Installs a fresh one as the process's UI services and returns it.
    static Ui& install()
    {
        auto ui = std::make_unique<Ui>();
        Ui& ref = *ui;
        vb::setUi(std::move(ui));
        return ref;
    }
    Ui& expect(const QString& text, const QString& answer, std::function<void()> actFirst = {})
    {
        const int line = script().add({text, answer, vb::BoxKind::Any, text + QStringLiteral(" => ") + answer});
        if (actFirst)
            actions_.insert(line, std::move(actFirst));
        return *this;
    }
    int unexpectedBoxes() const { return unexpected_; }
    // Seconds spent in the actions taken before answering (a disk changed by hand) since
    // the last call: the user's part, not the program's.
    double takeActionSeconds() { return std::exchange(actionSeconds_, 0.0); }

protected:
    void unexpected(const QString& report) override
    {
        ++unexpected_;
        vb::ScriptUi::unexpected(report);
    }
    void answering(int line) override
    {
        if (const auto it = actions_.constFind(line); it != actions_.constEnd())
            actionSeconds_ += timed(*it);
    }

private:
    QHash<int, std::function<void()>> actions_;
    double actionSeconds_ = 0;
    int unexpected_ = 0;
};

} // namespace bench

namespace bench {

// The Save button's part: slot 1 saved into `folder` as "Benchmark". Its seconds; a save
// that does not run to its end ends the benchmark.
inline double saveInto(Ui& ui, const QString& folder)
{
    core::ProgramState& s = core::state();
    s.SaveFolder = folder;
    s.SelectedConfig = 0;
    s.ConfigDescription[0] = QStringLiteral("Benchmark");
    s.ConfigIniPath = QStringLiteral("C:\\Program Files\\Trelvo\\Config1.ini");
    ui.expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    const double seconds = timed(backup::Save);
    if (!s.SaveDone || !s.SaveComplete || ui.unexpectedBoxes() > 0) {
        std::fprintf(stderr, "the save did not complete\n");
        std::exit(1);
    }
    return seconds;
}

} // namespace bench

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace bench {

// One of the machine's programs (trelvoapp, skyfetch) started as a user starts it, on the
// machine of `tm`, headless, its boxes and clicks taken from the answer script `lines`, and
// waited for. Its seconds from the start to its end; a run that does not end by itself with
// exit code 0, or that meets a box or leaves a line the script did not expect, ends the
// benchmark; `cpu` takes the processor seconds of the program and of what it started, and
// `environment` is added to the program's. The programs are looked for beside the benchmarks
// (build/bin), else in $TRELVO_BIN.
inline double runProgram(const testsupport::TempMachine& tm, const QString& program, const QStringList& lines, double* cpu = nullptr,
                         const QHash<QString, QString>& environment = {})
{
    static QTemporaryDir runtime;   // Qt asks for a runtime folder of the user's own
    QTemporaryFile script;
    QProcessEnvironment env = testsupport::scriptedEnvironment(tm, script, lines);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    const QString bin = qEnvironmentVariable("TRELVO_BIN", QCoreApplication::applicationDirPath() + QStringLiteral("/../bin"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    bool ended = false;
    double used = 0;
    const double seconds = timed(
        [&] {
            p.start(bin + u'/' + program, {});
            ended = p.waitForFinished(-1);
        },
        used);
    if (cpu)
        *cpu = used;
    const QString errors = QString::fromLocal8Bit(p.readAllStandardError());
    if (!ended || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || errors.contains(QStringLiteral("unexpected")) ||
        errors.contains(QStringLiteral("unused: ")) || errors.contains(QStringLiteral("no such control"))) {
        std::fprintf(stderr, "%s did not run as its script says (exit code %d):\n%s\n", qPrintable(program), p.exitCode(),
                     qPrintable(errors));
        std::exit(1);
    }
    return seconds;
}

} // namespace bench
