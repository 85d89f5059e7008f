// What the save costs beyond its zip runs. A machine is generated with many user-defined
// files of mixed sizes and contents; the configuration is saved into a folder with every
// box ticked, and then the very zip command lines of that save are run again by hand on the
// same files, staged beforehand, outside the timing. Prints both times and their ratio.
//
//   save_overhead [--files N] [--megabytes M] [--runs R] [--seed S] [--detail]
//   (defaults: 2000 files, 200 MB, 1 run; with several runs the fastest of each side counts;
//   --detail lists the time of every zip run on both sides)
#include "backup/Save.h"
#include "catalogue/ConfigItems.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Shell.h"
#include "core/SystemPaths.h"
#include "platform/FileSystem.h"
#include "platform/IniDocument.h"
#include "platform/Process.h"
#include "platform/ZipAdapter.h"
#include "support/TempMachine.h"
#include "vb/Controls.h"
#include "vb/ScriptUi.h"
#include "vb/UiServices.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <cmath>
#include <cstdio>

namespace {

struct Options {
    int files = 2000;
    double megabytes = 200;
    int runs = 1;
    quint32 seed = 1999;
    bool detail = false;
};

Options parse(const QStringList& args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& name = args[i];
        if (name == u"--detail") {
            o.detail = true;
            continue;
        }
        const QString value = args.value(++i);
        if (name == u"--files")
            o.files = qMax(1, value.toInt());
        else if (name == u"--megabytes")
            o.megabytes = qMax(0.01, value.toDouble());
        else if (name == u"--runs")
            o.runs = qMax(1, value.toInt());
        else if (name == u"--seed")
            o.seed = value.toUInt();
        else
            std::fprintf(stderr, "unknown option %s\n", qPrintable(name));
    }
    return o;
}

const QString kDataFolder = QStringLiteral("C:\\Users Data\\");
const QString kSaveFolder = QStringLiteral("C:\\Saved Configurations\\");

// Text-like runs (compressible) mixed with random runs (not), as documents and pictures mix.
QByteArray content(qint64 size, QRandomGenerator& gen)
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

// The user files: log-uniform sizes between 1 KB and 8 MB, scaled to the total, spread over
// nested folders. Written straight onto the host folder of drive C:.
QStringList generateUserFiles(const testsupport::TempMachine& tm, const Options& o)
{
    QRandomGenerator gen(o.seed);
    QList<double> raw;
    double sum = 0;
    for (int i = 0; i < o.files; ++i) {
        raw << std::exp(std::log(1024.0) + gen.generateDouble() * (std::log(8.0 * 1024 * 1024) - std::log(1024.0)));
        sum += raw.last();
    }
    const double scale = o.megabytes * 1024 * 1024 / sum;
    static const char* const kinds[] = {"doc", "xls", "txt", "jpg", "bmp", "mdb"};
    QStringList paths;
    for (int i = 0; i < o.files; ++i) {
        const QString rel = QStringLiteral("Users Data/Project %1/Part %2/File %3.%4")
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

// The program's start as far as the save needs it, and every box ticked.
void startProgram()
{
    core::state().TodayDate = QStringLiteral(" 8/12/1999");
    core::ReadSystemPaths();
    core::LoadSettings();
    for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
        item.SaveCheckBox().setValue(1);
}

void removeArchives()
{
    for (const platform::fs::Entry& e : platform::fs::find(kSaveFolder + QStringLiteral("Conf1*.tva"), 0))
        platform::fs::removeFile(kSaveFolder + e.name);
}

// The staging folder as the save fills it, made on the host: first the system files...
void stageSystemFilesByHand(const testsupport::TempMachine& tm)
{
    const QString tempRel = QStringLiteral("WINDOWS/TEMP/trelvo");
    QDir(tm.hostC(tempRel)).removeRecursively();
    QDir().mkpath(tm.hostC(tempRel));
    for (const char* f : {"AUTOEXEC.BAT", "AUTOEXEC.DOS", "CONFIG.SYS", "CONFIG.DOS", "MSDOS.SYS", "DBLSPACE.INI",
                          "DRVSPACE.INI", "DRVSPACE.BIN", "DBLSPACE.BIN"})
        QFile::copy(tm.hostC(QString::fromLatin1(f)), tm.hostC(tempRel + u'/' + QString::fromLatin1(f).toLower()));
    for (const char* f : {"SYSTEM.INI", "PROTOCOL.INI", "CONTROL.INI", "USER.DAT", "SYSTEM.DAT", "WIN.INI"})
        QFile::copy(tm.hostC(QStringLiteral("WINDOWS/") + QString::fromLatin1(f)), tm.hostC(tempRel + u'/' + QString::fromLatin1(f).toLower()));
    platform::Machine::current().forgetDir(tm.hostC(QStringLiteral("WINDOWS/TEMP")));
}

// ... then, after their run, the user files below trelvo\User with their User.ini.
void stageUserFilesByHand(const testsupport::TempMachine& tm, const QStringList& userFiles)
{
    const QString userRel = QStringLiteral("WINDOWS/TEMP/trelvo/User");
    QDir().mkpath(tm.hostC(userRel));
    platform::IniDocument userIni;
    for (const QString& file : userFiles) {
        const QString rel = file.mid(3).replace(u'\\', u'/');
        const QString staged = userRel + u'/' + rel;
        QDir().mkpath(QFileInfo(tm.hostC(staged)).path());
        QFile::copy(tm.hostC(rel), tm.hostC(staged));
        userIni.setValue(QStringLiteral("UserFilesSaved"), file, QStringLiteral("C:\\") + QString(staged).replace(u'/', u'\\'));
    }
    QFile ini(tm.hostC(userRel + QStringLiteral("/User.ini")));
    ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
    ini.write(userIni.serialize());
    ini.close();
    platform::Machine::current().forgetDir(tm.hostC(QStringLiteral("WINDOWS/TEMP/trelvo")));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options o = parse(app.arguments());

    testsupport::TempMachine tm;
    std::printf("generating %d user files, %.1f MB, on %s\n", o.files, o.megabytes, qPrintable(tm.dir()));
    const QStringList userFiles = generateUserFiles(tm, o);
    startProgram();
    QDir().mkpath(tm.hostC(QStringLiteral("Saved Configurations")));
    const QString answers = QStringLiteral("Configuration saved successfull! => OK\n").repeated(o.runs);
    vb::setUi(std::make_unique<vb::ScriptUi>(vb::AnswerScript::parse(answers, nullptr)));

    // The zip runs of the save, recorded as they are started.
    QStringList commandLines;
    QList<qint64> zipTimes;
    platform::proc::registerBehaviour(QStringLiteral("zip"), [&](const platform::proc::Invocation& inv) {
        commandLines << inv.commandLine;
        QElapsedTimer t;
        t.start();
        auto out = platform::infozip::runZip(inv);
        zipTimes << t.nsecsElapsed();
        return out;
    });

    qint64 bestSave = -1;
    qint64 bestByHand = -1;
    for (int run = 0; run < o.runs; ++run) {
        removeArchives();
        commandLines.clear();
        zipTimes.clear();
        core::ProgramState& s = core::state();
        s.SaveFolder = kSaveFolder;
        s.SelectedConfig = 0;
        s.ConfigDescription[0] = QStringLiteral("Benchmark");
        s.ConfigIniPath = QStringLiteral("C:\\Program Files\\Trelvo\\Config1.ini");
        QElapsedTimer timer;
        timer.start();
        backup::Save();
        const qint64 save = timer.nsecsElapsed();
        if (!s.SaveDone || !s.SaveComplete) {
            std::fprintf(stderr, "the save did not complete\n");
            return 1;
        }

        // By hand: the same lines in the same order, each source staged just before, untimed.
        removeArchives();
        stageSystemFilesByHand(tm);
        const QStringList lines = commandLines;
        qint64 byHand = 0;
        for (const QString& line : lines) {
            if (line.contains(QStringLiteral("trelvo\\User\\*.*")))
                stageUserFilesByHand(tm, userFiles);
            timer.restart();
            core::ShellAndWait(line);
            byHand += timer.nsecsElapsed();
        }
        if (o.detail)
            for (int i = 0; i < lines.size(); ++i)
                std::printf("  %.3f s in the save, %.3f s by hand: %s\n", zipTimes[i] / 1e9, zipTimes[i + lines.size()] / 1e9, qPrintable(lines[i]));
        zipTimes.clear();

        bestSave = bestSave < 0 ? save : qMin(bestSave, save);
        bestByHand = bestByHand < 0 ? byHand : qMin(bestByHand, byHand);
        std::printf("run %d: save %.3f s, the same %lld zip runs by hand %.3f s\n", run + 1, save / 1e9,
                    qlonglong(lines.size()), byHand / 1e9);
    }
    std::printf("save %.3f s, zip runs by hand %.3f s, ratio %.3f (target <= 1.25)\n", bestSave / 1e9, bestByHand / 1e9,
                double(bestSave) / double(bestByHand));
    return 0;
}
