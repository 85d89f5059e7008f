// The restore of user-defined files against the same work by hand. For each size a machine
// is generated with that many user files, the program saves them (user files only), and
// then, run after run and interleaved, the live files are deleted and brought back: once by
// the program (the restore-choice window's All button, then OK), once by hand (the restore's
// own unzip command line with the bare host unzip, the staged files copied into place with
// `cp -r`, the work folder removed). Both must leave the same files. Prints every pair, the
// medians and their ratio, the time of the All button, and how the time grows with the count.
// With --half every other file of the list is chosen (All, then every second row unticked):
// the program must bring back exactly those; by hand the whole archive is still unpacked.
//
//   restore [--files 2000,20000] [--megabytes 200] [--runs 3] [--seed 1999] [--half]
#include "BenchSupport.h"
#include "catalogue/ConfigItems.h"
#include "catalogue/Description.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "core/Shell.h"
#include "platform/Process.h"
#include "platform/UnzipAdapter.h"
#include "restore/RestoreReq.h"
#include "vb/Controls.h"
#include "vb/Forms.h"

#include <QApplication>
#include <QMap>

namespace {

const QString kSaveFolder = QStringLiteral("C:\\Saved Configurations\\");

struct Result {
    int files = 0;
    double program = 0, byHand = 0, selectAll = 0;
};


// Every file below `root` by its path below it, with the digest of its bytes.
QMap<QString, QByteArray> fileDigests(const QString& root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        out.insert(path.mid(root.size()), QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1));
    }
    return out;
}

Result measure(int files, double megabytes, int runs, quint32 seed, bool half)
{
    testsupport::TempMachine tm;
    std::printf("\n%d user files, %.0f MB, on %s\n", files, megabytes, qPrintable(tm.dir()));
    std::fflush(stdout);
    bench::generateUserFiles(tm, files, megabytes, seed);
    const QString live = tm.hostC(bench::kUserFolder);
    const QByteArray original = bench::treeDigest(live);
    bench::Ui& ui = bench::Ui::install();
    bench::startProgram(0);   // only the user files are saved
    restore::RestoreReq();
    QDir().mkpath(tm.hostC(QStringLiteral("Saved Configurations")));
    bench::saveInto(ui, kSaveFolder);

    // The restore's own command line, recorded as it runs.
    QString unzipLine;
    int unzipRuns = 0;
    platform::proc::registerBehaviour(QStringLiteral("unzip"), [&](const platform::proc::Invocation& inv) {
        ++unzipRuns;
        unzipLine = inv.commandLine;
        return platform::infozip::runUnzip(inv);
    });
    // With --half every other file is chosen: what comes back is those files, byte for byte.
    QMap<QString, QByteArray> chosen = fileDigests(live);


    bench::Pairs pairs;
    QList<double> selectAll;
    restore::RestoreReqForm& req = restore::RestoreReq();
    for (int run = 0; run < runs; ++run) {
        // The program: the Restore button's loading, the All button, then OK.
        QDir(live).removeRecursively();
        core::ProgramState& s = core::state();
        s.SaveFolder = kSaveFolder;
        s.SelectedConfig = 0;
        catalogue::LoadCINI();
        selectAll << bench::timed([&] { req.Command3_Click(); });
        if (half) {
            QMap<QString, QByteArray> wanted;
            for (int i = 0; i < req.List1.ListCount(); ++i) {
                const QString rel = QString(req.List1.List(i)).mid(2).replace(u'\\', u'/').mid(bench::kUserFolder.size() + 1);
                if (i % 2)
                    req.List1.setSelected(i, false);
                else
                    wanted.insert(rel, chosen.value(rel));
            }
            chosen = wanted;
        }
        ui.expect(QStringLiteral("Files successfully restored"), QStringLiteral("OK"));
        unzipRuns = 0;
        pairs.program << bench::timed([&] { vb::runEventHandler([&] { req.Command1_Click(); }); });
        if ((half ? fileDigests(live) != chosen : bench::treeDigest(live) != original) || ui.unexpectedBoxes() > 0) {
            std::fprintf(stderr, "the program's restore did not bring every chosen file back\n");
            std::exit(1);
        }

        // By hand: the restore's unzip options with the host's unzip (the whole archive), then
        // the files into place.
        QDir(live).removeRecursively();
        const QStringList words = platform::proc::splitCommandLine(unzipLine);
        const QString archive = tm.hostC(words.value(2).mid(3).replace(u'\\', u'/'));
        const QString staging = tm.hostC(QStringLiteral("WINDOWS/TEMP/trelvo"));
        pairs.byHand << bench::timed([&] {
            bench::host(QStringLiteral("unzip"), {words.value(1), archive, QStringLiteral("-d"), tm.hostC(QString())});
            bench::host(QStringLiteral("cp"), {QStringLiteral("-r"), staging + QStringLiteral("/User/") + bench::kUserFolder,
                                               tm.hostC(QString())});
            bench::host(QStringLiteral("rm"), {QStringLiteral("-rf"), staging});
        });
        platform::Machine::current().forgetDir(tm.hostC(QStringLiteral("WINDOWS/TEMP")));
        if (bench::treeDigest(live) != original) {
            std::fprintf(stderr, "the restore by hand did not bring every file back\n");
            std::exit(1);
        }
    }
    std::printf("unzip runs: %d, the last: %s\n", unzipRuns, qPrintable(unzipLine.left(200)));
    pairs.print("restore", 1.25);
    std::printf("All button of the restore-choice window with %d rows: median %.4f s\n", files, bench::median(selectAll));
    return {files, bench::median(pairs.program), bench::median(pairs.byHand), bench::median(selectAll)};
}

} // namespace

int main(int argc, char** argv)
{
    bench::headless();
    QApplication app(argc, argv);
    const bench::Args args(app.arguments(), {QStringLiteral("half")});
    const QList<int> sizes = args.counts(QStringLiteral("files"), {2000, 20000});
    QList<Result> results;
    for (int files : sizes)
        results << measure(files, args.number(QStringLiteral("megabytes"), 200), args.count(QStringLiteral("runs"), 3),
                           quint32(args.number(QStringLiteral("seed"), 1999)), args.flag(QStringLiteral("half")));

    std::printf("\nsummary (medians)\n");
    for (const Result& r : results)
        std::printf("  %6d files: restore %.3f s, by hand %.3f s, ratio %.2f; All button %.4f s\n", r.files, r.program,
                    r.byHand, r.program / r.byHand, r.selectAll);
    for (int i = 1; i < results.size(); ++i) {
        const double scale = double(results[i].files) / results[0].files;
        std::printf("  %d files cost %.2f times %d files (linear with 20%% slack: <= %.1f)\n", results[i].files,
                    results[i].program / results[0].program, results[0].files, scale * 1.2);
    }
    return 0;
}
