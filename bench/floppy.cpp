// Floppy copies against `cp` and `cat`. An archive of the given size (13.4 MB: ten 1.44 MB
// disks) lies in the program folder; run after run and interleaved, the program splits it
// over empty floppies (CopyArchiveToDisk, the disks changed as each is asked for) and `cp`
// copies the same bytes; then the program joins the pieces again (ConcatSplitFile, as the
// restore does) and `cat` joins the same piece files. Both joins must give the archive back.
// The program's times leave out the disk changes themselves (the bench's hand putting the
// next disk in while the prompt is up), which the copies by hand do not have to make.
// Prints every pair, the medians, the ratios and the throughputs.
//
//   floppy [--megabytes 13.4] [--runs 5] [--seed 1999]
#include "BenchSupport.h"
#include "backup/CopyState.h"
#include "backup/FloppySpan.h"
#include "backup/JoinPieces.h"
#include "core/ProgramState.h"
#include "core/Messages.h"
#include "core/SystemPaths.h"

#include <QApplication>

namespace {

const QString kArchive = QStringLiteral("C:\\Program Files\\Trelvo\\Conf1us.tva");
const QString kRejoin = QStringLiteral("C:\\Program Files\\Trelvo\\DiskRestore\\");

QString diskName(int run, int n) { return QStringLiteral("run%1-disk%2").arg(run).arg(n); }

// Empties a host file without deleting it: its space comes back, its inode stays in use.
void truncate(const QString& hostPath) { QFile::resize(hostPath, 0); }

} // namespace

int main(int argc, char** argv)
{
    bench::headless();
    QApplication app(argc, argv);
    const bench::Args args(app.arguments(), {});
    const double megabytes = args.number(QStringLiteral("megabytes"), 13.4);
    const int runs = args.count(QStringLiteral("runs"), 5);

    testsupport::TempMachine tm;
    QRandomGenerator gen(quint32(args.number(QStringLiteral("seed"), 1999)));
    const QByteArray archive = bench::content(qint64(megabytes * 1024 * 1024), gen);
    const int needed = int((archive.size() + 1457663) / 1457664);
    const int disks = needed + 1;   // one spare: a piece may not fill its disk to the last byte
    platform::Machine& m = platform::Machine::current();
    std::printf("an archive of %.1f MB over up to %d floppies, on %s\n", archive.size() / 1048576.0, disks, qPrintable(tm.dir()));
    core::ReadSystemPaths();
    core::MakeProgramFolderCurrent();
    const QString scratch = tm.dir() + QStringLiteral("/by-hand");
    QDir().mkpath(scratch);
    // What cp, split and cat work on: the same bytes as the program's archive, written once.
    const QString source = scratch + QStringLiteral("/Conf1us.tva");
    {
        QFile f(source);
        f.open(QIODevice::WriteOnly);
        f.write(archive);
    }

    bench::Ui& ui = bench::Ui::install();
    bench::Pairs split, join;
    QList<double> piecesByHand;
    core::ProgramState& s = core::state();
    for (int run = 0; run < runs; ++run) {
        // Fresh empty floppies each run, the first labelled as the save labels it: files
        // deleted in the last minutes slow down making new ones on some host file systems,
        // so what a run leaves is emptied, not deleted (see bench/README.md).
        for (int n = 1; n <= disks; ++n)
            m.createDisk(diskName(run, n), platform::DiskFormat::byName(QStringLiteral("1.44M")), true,
                         n == 1 ? QStringLiteral("Save#1") : QString());
        m.insertDisk(diskName(run, 1));

        // The split, as the save's floppy phase runs it.
        tm.writeC(QStringLiteral("Program Files/Trelvo/Conf1us.tva"), archive);
        s.SplitTargetPath = QStringLiteral("A:\\");
        s.DiskNo = 1;
        s.AnimateShown = false;
        for (int n = 2; n <= needed; ++n)
            ui.expect(QStringLiteral("Please insert Disk No. %1 now!").arg(n), QStringLiteral("OK"),
                      [run, n] { platform::Machine::current().insertDisk(diskName(run, n)); });
        QString prompt;
        ui.takeActionSeconds();
        split.program << bench::timed([&] { backup::CopyArchiveToDisk(kArchive, s.SplitTargetPath, prompt); }) - ui.takeActionSeconds();
        const int pieces = backup::copyState().SplitPieceCount;
        const QString copied = scratch + QStringLiteral("/copy%1.tva").arg(run);
        split.byHand << bench::timed([&] { bench::host(QStringLiteral("cp"), {source, copied}); });
        // The same pieces by hand: as many new files as the program made, one per disk.
        const QString parts = scratch + QStringLiteral("/parts%1").arg(run);
        QDir().mkpath(parts);
        piecesByHand << bench::timed([&] {
            bench::host(QStringLiteral("split"), {QStringLiteral("-b"), QString::number(1457664), QStringLiteral("-a"), QStringLiteral("2"), source, parts + QStringLiteral("/Conf1us.")});
        });

        // The join, as the restore's floppy phase runs it.
        m.insertDisk(diskName(run, 1));
        s.DiskNo = 0;
        const QString rejoin = kRejoin + QStringLiteral("Run%1\\").arg(run);
        s.DiskRestoreFolder = rejoin;
        for (int n = 2; n <= pieces; ++n)
            ui.expect(QStringLiteral("Please insert Disk No. %1 now!").arg(n), QStringLiteral("OK"),
                      [run, n] { platform::Machine::current().insertDisk(diskName(run, n)); });
        ui.takeActionSeconds();
        join.program << bench::timed([&] { backup::ConcatSplitFile(QStringLiteral("A:\\Conf1us.tva"), rejoin + QStringLiteral("Conf1us.tva"), pieces); }) - ui.takeActionSeconds();
        QStringList pieceFiles;
        for (int n = 1; n <= pieces; ++n)
            pieceFiles << tm.hostDisk(diskName(run, n)) + QStringLiteral("/Conf1us.tv%1").arg(n);
        const QString joinedByHand = scratch + QStringLiteral("/joined%1.tva").arg(run);
        join.byHand << bench::timed([&] { bench::host(QStringLiteral("cat"), pieceFiles, {}, joinedByHand); });
        const QString joinedHost = tm.hostC(QStringLiteral("Program Files/Trelvo/DiskRestore/Run%1/Conf1us.tva").arg(run));
        QFile byProgram(joinedHost);
        QFile byHand(joinedByHand);
        byProgram.open(QIODevice::ReadOnly);
        byHand.open(QIODevice::ReadOnly);
        if (pieces < 2 || byProgram.readAll() != archive || byHand.readAll() != archive || ui.unexpectedBoxes() > 0) {
            std::fprintf(stderr, "the split and join did not give the archive back (%d pieces)\n", pieces);
            return 1;
        }
        for (const QString& f : pieceFiles + QDir(parts).entryList(QDir::Files) + QStringList{copied, joinedByHand, joinedHost})
            truncate(QFileInfo(f).isAbsolute() ? f : parts + u'/' + f);
    }
    const double mb = archive.size() / 1048576.0;
    split.print("split (CopyArchiveToDisk) against cp", 1.25);
    join.print("join (ConcatSplitFile) against cat", 1.25);
    std::printf("throughput: split %.0f MB/s (cp %.0f MB/s, %.2f of it), join %.0f MB/s (cat %.0f MB/s, %.2f of it); target >= 0.80\n",
                mb / bench::median(split.program), mb / bench::median(split.byHand),
                bench::median(split.byHand) / bench::median(split.program), mb / bench::median(join.program),
                mb / bench::median(join.byHand), bench::median(join.byHand) / bench::median(join.program));
    std::printf("the same %d pieces by hand (split -b, one new file each): median %.3f s; the program's split at %.2f of its throughput\n",
                needed, bench::median(piecesByHand), bench::median(piecesByHand) / bench::median(split.program));
    return 0;
}
