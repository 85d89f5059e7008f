// The start of the main program against a bare Qt process that does nothing but wait. Run
// after run and interleaved, this program starts itself twice as a child: once as the main
// program on a machine of its own (what trelvoapp's main() does: the machine, the pending
// boot, the splash window and its start timer, up to the main window), once as a bare
// process that shows a window, waits the splash timer's 500 ms and shows a second window.
// Each child reports when its windows came onto the screen and ends at once. Prints, per
// run and as medians: process start to the splash, to the main window, and the work the
// program does beyond the bare process (the target is at most 50 ms of it).
//
//   startup [--runs 10]
#include "BenchSupport.h"
#include "platform/DemoMachine.h"
#include "platform/Machine.h"
#include "rescue/Registration.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <time.h>

namespace {

qint64 monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Reports the first showing of the windows named `first` and `last`, and ends at `last`.
class ShowWatch : public QObject {
public:
    ShowWatch(QString first, QString last) : first_(std::move(first)), last_(std::move(last)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType() || !static_cast<QWidget*>(watched)->isWindow())
            return false;
        if (watched->objectName() == first_ && !firstSeen_) {
            firstSeen_ = true;
            std::printf("first %lld\n", qlonglong(monotonicNs()));
        } else if (watched->objectName() == last_) {
            std::printf("last %lld\n", qlonglong(monotonicNs()));
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }

private:
    QString first_, last_;
    bool firstSeen_ = false;
};

// What trelvoapp's main() does.
int runProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    ShowWatch watch(QStringLiteral("Form2"), QStringLiteral("Form1"));
    app.installEventFilter(&watch);
    QApplication::setQuitOnLastWindowClosed(false);
    rescue::startMainProgram();
    return app.exec();
}

// A window, the splash timer's wait, a second window.
int runBare(int argc, char** argv)
{
    QApplication app(argc, argv);
    ShowWatch watch(QStringLiteral("splash"), QStringLiteral("main"));
    app.installEventFilter(&watch);
    QWidget splash;
    splash.setObjectName(QStringLiteral("splash"));
    splash.resize(412, 352);
    QWidget main;
    main.setObjectName(QStringLiteral("main"));
    main.resize(640, 480);
    QTimer::singleShot(0, &splash, [&] {
        splash.show();
        QTimer::singleShot(500, &main, [&] { main.show(); });
    });
    return app.exec();
}

struct Start {
    double splash = 0, shown = 0;   // seconds from the start of the process
};

Start startChild(const QString& mode, const QString& machine)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TRELVO_MACHINE"), machine);
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 started = monotonicNs();
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode});
    p.waitForFinished(60000);
    Start s;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2)
            continue;
        const double at = double(words[1].toLongLong() - started) / 1e9;
        (words[0] == "first" ? s.splash : s.shown) = at;
    }
    if (s.shown <= 0) {
        std::fprintf(stderr, "the %s child did not show its main window\n", qPrintable(mode));
        std::exit(1);
    }
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    bench::headless();
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return qstrcmp(argv[2], "program") == 0 ? runProgram(argc, argv) : runBare(argc, argv);

    QCoreApplication app(argc, argv);
    const bench::Args args(app.arguments(), {});
    const int runs = args.count(QStringLiteral("runs"), 10);
    QTemporaryDir tmp;
    const QString machine = tmp.path() + QStringLiteral("/machine");
    platform::createDemoMachine(machine);
    startChild(QStringLiteral("program"), machine);   // the first start writes the settings
    std::printf("machine %s\n", qPrintable(machine));

    QList<double> splash, shown, bareShown, extra;
    for (int run = 0; run < runs; ++run) {
        const Start program = startChild(QStringLiteral("program"), machine);
        const Start bare = startChild(QStringLiteral("bare"), machine);
        splash << program.splash;
        shown << program.shown;
        bareShown << bare.shown;
        extra << program.shown - bare.shown;
        std::printf("  run %d: splash at %.3f s, main window at %.3f s; bare process %.3f s / %.3f s; work beyond it %+.0f ms\n",
                    run + 1, program.splash, program.shown, bare.splash, bare.shown, (program.shown - bare.shown) * 1000);
    }
    std::printf("start-up: splash at %.3f s, main window at %.3f s, bare process %.3f s, ratio %.2f; work beyond the bare "
                "process %+.0f ms (target <= +50 ms)\n",
                bench::median(splash), bench::median(shown), bench::median(bareShown),
                bench::median(shown) / bench::median(bareShown), bench::median(extra) * 1000);
    return 0;
}
