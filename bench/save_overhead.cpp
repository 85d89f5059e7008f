// The save against the same work by hand with the bare host zip. For each size a machine is
// generated with that many user-defined files of mixed sizes and contents; then, run after
// run, the configuration is saved into a folder with every box ticked, and the same archives
// are made by hand: the files staged with `cp`, and every zip command line of that save run
// with the host's own zip (the same option letters less S, which the host's zip does not
// know; the same archive; the same sources, DOS wildcards expanded as a shell would). Both
// sides must make archives with the same entries. Prints every pair, the medians and their
// ratio (against staging and zip runs, and against the zip runs alone), and how the save
// grows with the count.
//
//   save_overhead [--files 200,2000,20000] [--megabytes 200] [--runs 3] [--seed 1999] [--detail]
//   (--detail lists the time of every zip run on both sides)
#include "BenchSupport.h"
#include "catalogue/ConfigItems.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "platform/Process.h"
#include "platform/ZipAdapter.h"
#include "platform/ZipArchive.h"
#include "vb/Controls.h"

#include <QApplication>

namespace {

namespace fs = platform::fs;

const QString kSaveFolder = QStringLiteral("C:\\Saved Configurations\\");


// Entry names of every archive of slot 1, by archive name.
QMap<QString, QStringList> archiveEntries(const testsupport::TempMachine& tm)
{
    QMap<QString, QStringList> out;
    const QString folder = tm.hostC(QStringLiteral("Saved Configurations"));
    for (const QString& name : QDir(folder).entryList({QStringLiteral("Conf1*.tva")}, QDir::Files)) {
        QStringList names = platform::zip::entryNames(folder + u'/' + name).value_or(QStringList());
        names.sort();
        out.insert(name, names);
    }
    return out;
}

void removeArchives(const testsupport::TempMachine& tm)
{
    const QString folder = tm.hostC(QStringLiteral("Saved Configurations"));
    for (const QString& name : QDir(folder).entryList({QStringLiteral("Conf1*.tva")}, QDir::Files))
        QFile::remove(folder + u'/' + name);
    platform::Machine::current().forgetDir(folder);
}

// The host path of a Windows path on drive C:, below the drive's host folder, in the case
// the files have (a user at a prompt types the names as they are).
QString relOnC(const QString& winPath)
{
    const platform::Resolved r = platform::Machine::current().resolve(winPath);
    return r.rel();
}

// A zip command line of the save as typed at a prompt for the host's zip, run in the host
// folder of drive C:.
QStringList bareZipArguments(const testsupport::TempMachine& tm, const QString& commandLine)
{
    const QStringList words = platform::proc::splitCommandLine(commandLine);
    QStringList args{QString(words.value(1)).remove(u'S'), tm.hostC(relOnC(words.value(2)))};
    for (const QString& source : words.mid(3)) {
        const qsizetype sep = source.lastIndexOf(u'\\');
        const QString last = source.mid(sep + 1);
        if (last.contains(u'*') || last.contains(u'?')) {
            const QString folder = relOnC(source.left(sep));
            const QStringList names =
                QDir(tm.hostC(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
            for (const QString& n : names)
                args << folder + u'/' + n;
        } else {
            args << relOnC(source);
        }
    }
    return args;
}

// The staging folder as the save fills it, made by hand: first the system files...
void stageSystemFilesByHand(const testsupport::TempMachine& tm)
{
    const QString temp = tm.hostC(QStringLiteral("WINDOWS/TEMP/trelvo"));
    QStringList args;
    for (const char* f : {"AUTOEXEC.BAT", "AUTOEXEC.DOS", "CONFIG.SYS", "CONFIG.DOS", "MSDOS.SYS", "DBLSPACE.INI",
                          "DRVSPACE.INI", "DRVSPACE.BIN", "DBLSPACE.BIN"})
        args << tm.hostC(QString::fromLatin1(f));
    for (const char* f : {"SYSTEM.INI", "PROTOCOL.INI", "CONTROL.INI", "USER.DAT", "SYSTEM.DAT", "WIN.INI"})
        args << tm.hostC(QStringLiteral("WINDOWS/") + QString::fromLatin1(f));
    bench::host(QStringLiteral("mkdir"), {QStringLiteral("-p"), temp});
    bench::host(QStringLiteral("cp"), QStringList{QStringLiteral("-p")} << args << temp);
    for (const QString& name : QDir(temp).entryList(QDir::Files))
        QFile::rename(temp + u'/' + name, temp + u'/' + name.toLower());
}

// ... then the user files below trelvo/User, with their User.ini.
void stageUserFilesByHand(const testsupport::TempMachine& tm, const QStringList& userFiles)
{
    const QString user = tm.hostC(QStringLiteral("WINDOWS/TEMP/trelvo/User"));
    bench::host(QStringLiteral("mkdir"), {QStringLiteral("-p"), user});
    bench::host(QStringLiteral("cp"), {QStringLiteral("-rp"), tm.hostC(bench::kUserFolder), user});
    // Written as a user writes a text file: one line per file, the keys being distinct.
    QByteArray userIni = "[UserFilesSaved]\r\n";
    for (const QString& file : userFiles)
        userIni += file.toLatin1() + "=C:\\WINDOWS\\TEMP\\trelvo\\User\\" + file.mid(3).toLatin1() + "\r\n";
    QFile ini(user + QStringLiteral("/User.ini"));
    ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
    ini.write(userIni);
}

struct Result {
    int files = 0;
    double save = 0, byHand = 0, zipOnly = 0, bareZip = 0;
};

Result measure(int files, double megabytes, int runs, quint32 seed, bool detail)
{
    testsupport::TempMachine tm;
    std::printf("\n%d user files, %.0f MB, on %s\n", files, megabytes, qPrintable(tm.dir()));
    std::fflush(stdout);
    const QStringList userFiles = bench::generateUserFiles(tm, files, megabytes, seed);
    bench::Ui& ui = bench::Ui::install();
    bench::startProgram(1);
    QDir().mkpath(tm.hostC(QStringLiteral("Saved Configurations")));

    // The zip runs of the save, recorded as they are started.
    QStringList commandLines;
    QList<double> zipTimes;
    platform::proc::registerBehaviour(QStringLiteral("zip"), [&](const platform::proc::Invocation& inv) {
        commandLines << inv.commandLine;
        platform::proc::Outcome out;
        zipTimes << bench::timed([&] { out = platform::infozip::runZip(inv); });
        return out;
    });

    bench::Pairs pairs;
    QList<double> zipOnly, bareZip;
    const QString bareArchive = tm.hostC(QStringLiteral("Saved Configurations/bare.zip"));
    for (int run = 0; run < runs; ++run) {
        removeArchives(tm);
        commandLines.clear();
        zipTimes.clear();
        pairs.program << bench::saveInto(ui, kSaveFolder);
        const auto saved = archiveEntries(tm);

        // By hand: the same staging and the same lines in the same order.
        removeArchives(tm);
        const QStringList lines = commandLines;
        QList<double> byHandRuns;
        double staging = bench::timed([&] { stageSystemFilesByHand(tm); });
        for (const QString& line : lines) {
            if (line.contains(QStringLiteral("trelvo\\User\\*.*")))
                staging += bench::timed([&] { stageUserFilesByHand(tm, userFiles); });
            const QStringList args = bareZipArguments(tm, line);
            byHandRuns << bench::timed([&] { bench::host(QStringLiteral("zip"), args, tm.hostC(QString())); });
        }
        QDir(tm.hostC(QStringLiteral("WINDOWS/TEMP/trelvo"))).removeRecursively();
        platform::Machine::current().forgetDir(tm.hostC(QStringLiteral("WINDOWS/TEMP")));
        double zips = 0;
        for (double t : byHandRuns)
            zips += t;
        pairs.byHand << staging + zips;
        zipOnly << zips;
        // The work a user asked for, done with nothing around it: the zip of the folder.
        QFile::remove(bareArchive);
        bareZip << bench::timed([&] {
            bench::host(QStringLiteral("zip"), {QStringLiteral("-1"), QStringLiteral("-q"), QStringLiteral("-r"), bareArchive, bench::kUserFolder},
                        tm.hostC(QString()));
        });
        QFile::remove(bareArchive);
        if (archiveEntries(tm) != saved)
            std::printf("  warning: the archives made by hand hold other entries than the save's\n");
        if (detail) {
            std::printf("  staging by hand %.3f s\n", staging);
            for (int i = 0; i < lines.size(); ++i)
                std::printf("  %.3f s in the save, %.3f s by hand: %s\n", zipTimes.value(i), byHandRuns.value(i),
                            qPrintable(lines[i]));
        }
    }
    pairs.print("save", files <= 200 ? 1.25 : files <= 2000 ? 1.10 : 1.25);
    std::printf("save against the zip runs alone: median %.3f s, ratio %.2f\n", bench::median(zipOnly),
                bench::median(pairs.program) / bench::median(zipOnly));
    std::printf("save against zip -1 -q -r of the user folder alone (no cp): median %.3f s, ratio %.2f\n",
                bench::median(bareZip), bench::median(pairs.program) / bench::median(bareZip));
    return {files, bench::median(pairs.program), bench::median(pairs.byHand), bench::median(zipOnly), bench::median(bareZip)};
}

} // namespace

int main(int argc, char** argv)
{
    bench::headless();
    QApplication app(argc, argv);
    const bench::Args args(app.arguments(), {QStringLiteral("detail")});
    QList<Result> results;
    for (int files : args.counts(QStringLiteral("files"), {200, 2000, 20000}))
        results << measure(files, args.number(QStringLiteral("megabytes"), 200), args.count(QStringLiteral("runs"), 3),
                           quint32(args.number(QStringLiteral("seed"), 1999)), args.flag(QStringLiteral("detail")));

    std::printf("\nsummary (medians)\n");
    for (const Result& r : results)
        std::printf("  %6d files: save %.3f s, by hand %.3f s (zip runs %.3f s), ratio %.2f (%.2f against the zip runs, %.2f against "
                    "the bare zip of the folder, %.3f s)\n",
                    r.files, r.save, r.byHand, r.zipOnly, r.save / r.byHand, r.save / r.zipOnly, r.save / r.bareZip, r.bareZip);
    for (int i = 1; i < results.size(); ++i)
        std::printf("  %d files cost %.2f times %d files\n", results[i].files, results[i].save / results[i - 1].save,
                    results[i - 1].files);
    return 0;
}
