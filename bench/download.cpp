// What the update program's download costs beside the transfer itself. A server on 127.0.0.1
// (the tests' own) serves a file of 50 MB; the fetcher (CNetGet::ReadUrl into the download
// folder of the machine, with its status bar on a window on the screen) fetches it, and so
// does `curl -o` from the same address into a file beside the machine, in interleaved runs.
// With --wizard the update wizard's whole download step runs too (the second "Next >": the
// fetch, the length check and the texts). Prints every time, the fastest and the median of
// each side and the throughput ratios (curl's time over ours: above 1 is faster than curl),
// also against the time curl itself counts for its transfer, without starting its process.
//
//   download [--megabytes M] [--runs R] [--wizard]
//   (defaults: 50 MB, 5 runs)
#include "BenchSupport.h"
#include "support/UpdateServer.h"
#include "support/TempMachine.h"
#include "vb/CommonControls.h"
#include "vb/Form.h"
#include "vb/Forms.h"
#include "vb/ScriptUi.h"
#include "vb/UiServices.h"
#include "webupdate/CNetGet.h"
#include "webupdate/ProgramState.h"
#include "webupdate/Registration.h"
#include "webupdate/frmSkyfetch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTemporaryFile>
#include <atomic>
#include <poll.h>
#include <sys/inotify.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>

namespace {

struct Options {
    double megabytes = 50;
    int runs = 5;
    bool wizard = false;
    bool process = false;
};

Options parse(const QStringList& args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& name = args[i];
        if (name == u"--wizard" || name == u"--process") {
            (name == u"--wizard" ? o.wizard : o.process) = true;
            continue;
        }
        const QString value = args.value(++i);
        if (name == u"--megabytes")
            o.megabytes = qMax(0.01, value.toDouble());
        else if (name == u"--runs")
            o.runs = qMax(1, value.toInt());
        else
            std::fprintf(stderr, "unknown option %s\n", qPrintable(name));
    }
    return o;
}

const QString kFolder = QStringLiteral("/skf/version2/englisch/");
const QString kDownloads = QStringLiteral("Program Files/Trelvo/updates/");

QByteArray content(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = char(x);
    }
    return bytes;
}

// The file holds exactly what was served (checked outside the timing).
bool holds(const QString& hostPath, const QByteArray& served)
{
    QFile f(hostPath);
    return f.open(QIODevice::ReadOnly) && f.readAll() == served;
}

// The fetcher as the wizard holds it: its status display the status bar of a window shown.
qint64 runFetcher(const testsupport::TempMachine& tm, const QByteArray& served)
{
    vb::Form host(QStringLiteral("Host"));
    vb::StatusBar status(host, QStringLiteral("sbrMain"));
    host.Show();
    webupdate::CNetGet net;
    net.SetStatusWindow(status);
    net.Init();
    QFile::remove(tm.hostC(kDownloads + QStringLiteral("big.exe")));
    QElapsedTimer t;
    t.start();
    const bool ok = net.ReadUrl(QStringLiteral("http://update.orvane.example") + kFolder + QStringLiteral("big.exe"),
                                QStringLiteral("C:\\Program Files\\Trelvo\\updates\\big.exe"));
    const qint64 ns = t.nsecsElapsed();
    if (!ok || !holds(tm.hostC(kDownloads + QStringLiteral("big.exe")), served)) {
        std::fprintf(stderr, "the fetcher did not fetch the file: %s\n", qPrintable(webupdate::state().gsLastError));
        std::exit(1);
    }
    return ns;
}

// The wizard's download step: Next on the offer, up to the "downloaded" texts.
qint64 runWizard(const testsupport::TempMachine& tm, const QByteArray& served)
{
    vb::Forms::unloadAll();
    webupdate::resetState();
    QFile::remove(tm.hostC(kDownloads + QStringLiteral("big.exe")));
    webupdate::frmSkyfetchForm& w = webupdate::frmSkyfetch();
    w.Show();
    w.Command1.setValue(true);   // the connect pass reads the list and offers the file
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(w.Command1.widget(), Qt::LeftButton);   // the download, from the click to the texts after it
    const qint64 ns = t.nsecsElapsed();
    if (webupdate::state().glDownloadedSize != served.size() || !holds(tm.hostC(kDownloads + QStringLiteral("big.exe")), served)) {
        std::fprintf(stderr, "the wizard did not download the file: %s\n", qPrintable(webupdate::state().gsLastError));
        std::exit(1);
    }
    vb::Forms::unloadAll();
    return ns;
}

// curl's run from its start to its end; `own` gets the time curl itself reports for the
// transfer (without starting the process).
qint64 runCurl(const QString& curl, const QString& url, const QString& file, const QByteArray& served, qint64& own)
{
    QFile::remove(file);
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(curl, {QStringLiteral("-s"), QStringLiteral("-w"), QStringLiteral("%{time_total}"), QStringLiteral("-o"), file, url});
    p.waitForFinished(-1);
    const qint64 ns = t.nsecsElapsed();
    if (p.exitCode() != 0 || !holds(file, served)) {
        std::fprintf(stderr, "curl did not fetch the file (exit code %d)\n", p.exitCode());
        std::exit(1);
    }
    own = qint64(QString::fromLatin1(p.readAllStandardOutput()).trimmed().toDouble() * 1e9);
    return ns;
}

double monotonicNow()
{
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The moment (on the monotonic clock, in seconds) a file of the given name appears in a host
// folder, made there by another process: the folder watched from before, on a thread of its
// own that notes the time as the host tells it.
class Appearance {
public:
    Appearance(const QString& folder, const QString& name) : name_(QFile::encodeName(name))
    {
        fd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO);
        thread_ = std::thread([this] { watch(); });
    }
    ~Appearance()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(fd_);
    }
    // Once the process has ended: -1 when the file never appeared.
    double at()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        return at_;
    }

private:
    void watch()
    {
        alignas(inotify_event) char buffer[4096];
        while (!stop_ && at_ < 0) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const double now = monotonicNow();
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + i);
                if (e->len > 0 && name_ == e->name)
                    at_ = now;
                i += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
    }
    QByteArray name_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    double at_ = -1;
    std::thread thread_;
};

// The real skyfetch started as a process: Next (the list is read and the file offered), with
// `download` Next again (the download), then Cancel, leaving the connection up. Its nanoseconds;
// `fromClick` takes those from the second click to the file complete under its name.
qint64 runProcess(const testsupport::TempMachine& tm, const QByteArray& served, bool download, qint64* fromClick = nullptr)
{
    const QString folder = tm.hostC(kDownloads);
    QFile::remove(folder + QStringLiteral("big.exe"));
    QStringList script{QStringLiteral("@frmSkyfetch.Command1 => Click")};
    if (download)
        script << QStringLiteral("@frmSkyfetch.Command1 => Click");
    script << QStringLiteral("@frmSkyfetch.Command2 => Click") << QStringLiteral("close Internet Connection now? => No");
    QTemporaryFile clicks;
    clicks.open();
    Appearance complete(folder, QStringLiteral("big.exe"));
    const double seconds =
        bench::runProgram(tm, QStringLiteral("skyfetch"), script, nullptr, {{QStringLiteral("TRELVO_UI_SCRIPT_LOG"), clicks.fileName()}});
    if (download && !holds(folder + QStringLiteral("big.exe"), served)) {
        std::fprintf(stderr, "skyfetch did not download the file\n");
        std::exit(1);
    }
    if (fromClick) {
        const QList<QByteArray> lines = clicks.readAll().split('\n');
        const double clicked = lines.value(1).split(' ').value(0).toDouble();
        const double appeared = complete.at();
        if (clicked <= 0 || appeared < clicked) {
            std::fprintf(stderr, "the click or the complete file was not seen\n");
            std::exit(1);
        }
        *fromClick = qint64((appeared - clicked) * 1e9);
    }
    return qint64(seconds * 1e9);
}

double best(QList<qint64> times) { return *std::min_element(times.begin(), times.end()) / 1e9; }
double median(QList<qint64> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2] / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options o = parse(app.arguments());
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty()) {
        std::fprintf(stderr, "curl is not installed\n");
        return 1;
    }

    testsupport::TempMachine tm;
    testsupport::UpdateServer server(1000, 3600 * 1000);
    const qsizetype size = qsizetype(o.megabytes * 1024 * 1024);
    const QByteArray served = content(size);
    server.serve(kFolder + QStringLiteral("big.exe"), served);
    server.serve(kFolder + QStringLiteral("skyfetch.txt"), "2;5;Benchmark;big.exe;x;" + QByteArray::number(size));
    platform::Machine& m = tm.machine();
    m.setSetting(QStringLiteral("Hosts"), QStringLiteral("update.orvane.example"), server.address());
    // A dial-up connection is up, so that the wizard's pass dials nothing.
    m.setSetting(QStringLiteral("Network"), QStringLiteral("DialUp"), QStringLiteral("1"));
    m.setSetting(QStringLiteral("Network"), QStringLiteral("DialUpName"), QStringLiteral("Home Dial-Up"));
    vb::setUi(std::make_unique<vb::ScriptUi>(vb::AnswerScript::parse(QString(), nullptr)));
    vb::App().Path = m.programFolder();
    webupdate::registerWindows();
    QDir().mkpath(tm.hostC(kDownloads));
    const QString url = QStringLiteral("http://") + server.address() + kFolder + QStringLiteral("big.exe");
    const QString curlFile = tm.dir() + QStringLiteral("/curl-big.exe");

    std::printf("%.1f MB from %s, %d runs\n", o.megabytes, qPrintable(url), o.runs);
    QList<qint64> fetcher, wizard, byCurl, curlOwn, process, processBase, fromClick;
    for (int run = 1; run <= o.runs; ++run) {
        fetcher << runFetcher(tm, served);
        qint64 own = 0;
        byCurl << runCurl(curl, url, curlFile, served, own);
        curlOwn << own;
        if (o.wizard)
            wizard << runWizard(tm, served);
        if (o.process) {
            processBase << runProcess(tm, served, false);
            qint64 clicked = 0;
            process << runProcess(tm, served, true, &clicked);
            fromClick << clicked;
        }
        std::printf("run %d: fetcher %.3f s, curl -o %.3f s (its own count %.3f s)", run, fetcher.last() / 1e9,
                    byCurl.last() / 1e9, curlOwn.last() / 1e9);
        if (o.wizard)
            std::printf(", wizard's download %.3f s", wizard.last() / 1e9);
        if (o.process)
            std::printf(", skyfetch %.3f s, without the download %.3f s, from the click %.3f s", process.last() / 1e9,
                        processBase.last() / 1e9, fromClick.last() / 1e9);
        std::printf("\n");
    }
    const double mb = size / (1024.0 * 1024.0);
    std::printf("fastest: fetcher %.3f s (%.0f MB/s), curl -o %.3f s (%.0f MB/s); throughput ratio %.2f (target >= 0.8)\n",
                best(fetcher), mb / best(fetcher), best(byCurl), mb / best(byCurl), best(byCurl) / best(fetcher));
    std::printf("median:  fetcher %.3f s, curl -o %.3f s; ratio %.2f\n", median(fetcher), median(byCurl),
                median(byCurl) / median(fetcher));
    std::printf("against curl's own count of its transfer (no process start): fastest %.3f s, ratio %.2f\n", best(curlOwn),
                best(curlOwn) / best(fetcher));
    if (o.wizard)
        std::printf("wizard's download step: fastest %.3f s, median %.3f s; ratio to curl -o %.2f (target >= 0.9)\n", best(wizard),
                    median(wizard), median(byCurl) / median(wizard));
    if (o.process) {
        QList<qint64> net;
        for (int i = 0; i < process.size(); ++i)
            net << process[i] - processBase[i];
        std::printf("skyfetch as a process, with the download less without it: fastest %.3f s, median %.3f s; ratio to curl -o %.2f\n",
                    best(net), median(net), median(byCurl) / median(net));
        std::printf("skyfetch as a process, from the click on Next to the file complete: fastest %.3f s, median %.3f s; ratio to "
                    "curl -o %.2f (target >= 0.9)\n",
                    best(fromClick), median(fromClick), median(byCurl) / median(fromClick));
    }
    return 0;
}
