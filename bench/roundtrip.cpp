// The save and the restore of user files as a user sees them: the real trelvoapp started as a
// process, its clicks and boxes taken from an answer script, against the host's own programs
// on the same files. For each count a machine is generated with that many user-defined files
// (200 MB in all); only they are ticked for the save. Then, run after run and in turn:
//
//   start-up    trelvoapp started, slot 1 chosen and named, ended (nothing saved)
//   save        the same, then Save, its end message answered, ended
//   zip         `zip -1 -q -r ARCHIVE "Users Data"` in the host folder of drive C:
//   start-up    trelvoapp started, slot 1 chosen on the Restore page, ended
//   restore     the same, then Restore, Yes, All and OK in the restore-choice window, its end
//               message answered, ended; on a machine whose user files were deleted first
//   unzip + cp  `unzip -q ARCHIVE -d WORK`, `cp -r WORK/"Users Data"` into place, `rm -rf WORK`,
//               again after the user files were deleted
//
// Every file that either restore brought back is compared byte for byte with a copy of the
// originals taken before the first run. The program's times are net of the start-up run of
// the same round (the same script less the work), which takes out the process start, the
// windows and the script's waits. Prints every round, the medians and their ratios, and how
// 20,000 files compare with 2,000.
//
//   roundtrip [--files 200,2000,20000] [--megabytes 200] [--runs 3] [--seed 1999]
//   (a quick look: roundtrip --files 200,2000 --megabytes 20 --runs 1)
#include "BenchSupport.h"
#include "core/Settings.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace {

const QString kProgramFolder = QStringLiteral("Program Files/Trelvo/");

// Script lines: slot 1 chosen and named on the Save page; the program ended.
const QStringList kChooseSlot{QStringLiteral("@Form1.Option1 => Click"), QStringLiteral("@Form1.Text1 => \"Roundtrip\"")};
const QStringList kSave{QStringLiteral("@Form1.Command1 => Click"), QStringLiteral("Configuration saved successfull! => OK")};
const QStringList kChooseRestore{QStringLiteral("@Form1.List2 => 0")};
const QStringList kRestore{QStringLiteral("@Form1.Command4 => Click"), QStringLiteral("restore the following Configuration => Yes"),
                           QStringLiteral("@RestoreReq.Command3 => Click"), QStringLiteral("@RestoreReq.Command1 => Click"),
                           QStringLiteral("Files successfully restored => OK")};
const QStringList kEnd{QStringLiteral("@Form1.Command3 => Click")};

// The relative names of every file below `root`.
QStringList filesBelow(const QString& root)
{
    QStringList names;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << it.next().mid(root.size() + 1);
    names.sort();
    return names;
}

bool sameBytes(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    return true;
}

// `live` holds exactly the files of `reference`, each byte for byte; else the benchmark ends.
void expectSameFiles(const QString& reference, const QString& live, const char* who)
{
    const QStringList names = filesBelow(reference);
    QString problem;
    if (filesBelow(live) != names)
        problem = QStringLiteral("other files than the originals");
    for (const QString& name : names)
        if (problem.isEmpty() && !sameBytes(reference + u'/' + name, live + u'/' + name))
            problem = QStringLiteral("another content in ") + name;
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s left %s\n", who, qPrintable(problem));
        std::exit(1);
    }
}

struct Times {
    QList<double> startSave, save, zip, startRestore, restore, byHand;
    // The processor seconds of the same runs (the program's with those of its zip or unzip).
    QList<double> cpuStartSave, cpuSave, cpuZip, cpuStartRestore, cpuRestore, cpuByHand;
    static QList<double> net(const QList<double>& work, const QList<double>& start)
    {
        QList<double> out;
        for (int i = 0; i < work.size(); ++i)
            out << work[i] - start[i];
        return out;
    }
    QList<double> netSave() const { return net(save, startSave); }
    QList<double> netRestore() const { return net(restore, startRestore); }
    QList<double> cpuNetSave() const { return net(cpuSave, cpuStartSave); }
    QList<double> cpuNetRestore() const { return net(cpuRestore, cpuStartRestore); }
};

// A run of a program that also records its processor seconds in `cpu`.
double runProgram(const testsupport::TempMachine& tm, const QStringList& lines, QList<double>& cpu)
{
    double used = 0;
    const double seconds = bench::runProgram(tm, QStringLiteral("trelvoapp"), lines, &used);
    cpu << used;
    return seconds;
}

double timed(const std::function<void()>& work, QList<double>& cpu)
{
    double used = 0;
    const double seconds = bench::timed(work, used);
    cpu << used;
    return seconds;
}

struct Result {
    int files = 0;
    double save = 0, zip = 0, restore = 0, byHand = 0;
};

Result measure(int files, double megabytes, int runs, quint32 seed)
{
    testsupport::TempMachine tm;
    std::printf("\n%d user files, %.0f MB, on %s\n", files, megabytes, qPrintable(tm.dir()));
    std::fflush(stdout);
    bench::generateUserFiles(tm, files, megabytes, seed);
    // Only the user files are ticked; the settings file says so to the program.
    bench::Ui::install();
    bench::startProgram(0);
    core::SaveSettings();
    const QByteArray settings = tm.readC(kProgramFolder + QStringLiteral("trelvo.ini"));

    const QString drive = tm.hostC(QString());
    const QString live = tm.hostC(bench::kUserFolder);
    const QString reference = tm.dir() + QStringLiteral("/../originals");
    bench::host(QStringLiteral("cp"), {QStringLiteral("-a"), live, reference});
    const QString archive = tm.hostC(kProgramFolder + QStringLiteral("by hand.zip"));
    const QString work = tm.hostC(QStringLiteral("WINDOWS/TEMP/by hand"));

    Times t;
    for (int run = 0; run < runs; ++run) {
        // Slot 1 free again, as before the first run.
        tm.writeC(kProgramFolder + QStringLiteral("trelvo.ini"), settings);
        for (const QString& name : QDir(tm.hostC(kProgramFolder)).entryList({QStringLiteral("Conf*1*")}, QDir::Files))
            QFile::remove(tm.hostC(kProgramFolder + name));
        QFile::remove(archive);

        t.startSave << runProgram(tm, kChooseSlot + kEnd, t.cpuStartSave);
        t.save << runProgram(tm, kChooseSlot + kSave + kEnd, t.cpuSave);
        if (!tm.existsC(kProgramFolder + QStringLiteral("Conf1us.tva"))) {
            std::fprintf(stderr, "the save made no archive of the user files\n");
            return {};
        }
        t.zip << timed(
            [&] {
                bench::host(QStringLiteral("zip"), {QStringLiteral("-1"), QStringLiteral("-q"), QStringLiteral("-r"), archive, bench::kUserFolder},
                            drive);
            },
            t.cpuZip);

        QDir(live).removeRecursively();
        t.startRestore << runProgram(tm, kChooseRestore + kEnd, t.cpuStartRestore);
        t.restore << runProgram(tm, kChooseRestore + kRestore + kEnd, t.cpuRestore);
        expectSameFiles(reference, live, "the program's restore");

        QDir(live).removeRecursively();
        t.byHand << timed(
            [&] {
                bench::host(QStringLiteral("unzip"), {QStringLiteral("-q"), archive, QStringLiteral("-d"), work});
                bench::host(QStringLiteral("cp"), {QStringLiteral("-r"), work + u'/' + bench::kUserFolder, drive});
                bench::host(QStringLiteral("rm"), {QStringLiteral("-rf"), work});
            },
            t.cpuByHand);
        expectSameFiles(reference, live, "unzip and cp");

        std::printf("  round %d: start-up %.3f s, save %.3f s (net %.3f s), zip %.3f s; start-up %.3f s, restore %.3f s "
                    "(net %.3f s), unzip + cp %.3f s\n",
                    run + 1, t.startSave.last(), t.save.last(), t.netSave().last(), t.zip.last(), t.startRestore.last(),
                    t.restore.last(), t.netRestore().last(), t.byHand.last());
        std::printf("    processor: save net %.3f s, zip %.3f s; restore net %.3f s, unzip + cp %.3f s\n", t.cpuNetSave().last(),
                    t.cpuZip.last(), t.cpuNetRestore().last(), t.cpuByHand.last());
        std::fflush(stdout);
    }
    const Result r{files, bench::median(t.netSave()), bench::median(t.zip), bench::median(t.netRestore()), bench::median(t.byHand)};
    std::printf("save, net of start-up (median %.3f s): median %.3f s, zip -1 -q -r %.3f s, ratio %.2f (target <= %.2f)\n",
                bench::median(t.startSave), r.save, r.zip, r.save / r.zip, files <= 2000 ? 1.10 : 1.20);
    std::printf("restore, net of start-up (median %.3f s): median %.3f s, unzip + cp -r %.3f s, ratio %.2f (target <= 1.00)\n",
                bench::median(t.startRestore), r.restore, r.byHand, r.restore / r.byHand);
    std::printf("processor seconds, medians: save net %.3f s, zip %.3f s, ratio %.2f; restore net %.3f s, unzip + cp %.3f s, ratio %.2f\n",
                bench::median(t.cpuNetSave()), bench::median(t.cpuZip), bench::median(t.cpuNetSave()) / bench::median(t.cpuZip),
                bench::median(t.cpuNetRestore()), bench::median(t.cpuByHand),
                bench::median(t.cpuNetRestore()) / bench::median(t.cpuByHand));
    std::fflush(stdout);
    QDir(reference).removeRecursively();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    bench::headless();
    QApplication app(argc, argv);
    const bench::Args args(app.arguments(), {});
    QList<Result> results;
    for (int files : args.counts(QStringLiteral("files"), {200, 2000, 20000}))
        results << measure(files, args.number(QStringLiteral("megabytes"), 200), args.count(QStringLiteral("runs"), 3),
                           quint32(args.number(QStringLiteral("seed"), 1999)));

    std::printf("\nsummary (medians, the program net of its start-up)\n");
    for (const Result& r : results)
        std::printf("  %6d files: save %.3f s, zip %.3f s, ratio %.2f; restore %.3f s, unzip + cp %.3f s, ratio %.2f\n", r.files,
                    r.save, r.zip, r.save / r.zip, r.restore, r.byHand, r.restore / r.byHand);
    for (int i = 1; i < results.size(); ++i) {
        const Result& a = results[i - 1];
        const Result& b = results[i];
        const double limit = double(b.files) / a.files * 1.2;
        std::printf("  %d files cost %.2f times %d files in the save, %.2f times in the restore (linear with 20%% slack: <= %.1f)\n",
                    b.files, b.save / a.save, a.files, b.restore / a.restore, limit);
    }
    return 0;
}
