// While a child program runs the one thread waits for it, and the windows stay alive: a
// playing clip moves on, a bar set just before the wait is drawn with its new value, and a
// click or a timer's tick is handled while the child still runs. Work that lets no other
// event run (the start of the program) only paints while it waits.
#include "platform/Process.h"
#include "platform/Waiting.h"
#include "vb/CommonControls.h"
#include "vb/Form.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/SysAnimate32.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <gtest/gtest.h>

using namespace vb;

namespace {

class BusyForm : public Form {
public:
    BusyForm() : Form(QStringLiteral("Busy"))
    {
        setClientSize(6000, 2400);
        ProgressBar1.Move(120, 1200, 4500, 300);
        Command1.Move(120, 1800, 1200, 390);
        Command1.setCaption(QStringLiteral("&Stop"));
        connect(&Command1, &CommandButton::Click, this, [this] { ++clicks; });
        Timer1.setInterval(5);
        connect(&Timer1, &Timer::Tick, this, [this] { ++ticks; });
    }
    ProgressBar ProgressBar1{*this, QStringLiteral("ProgressBar1")};
    CommandButton Command1{*this, QStringLiteral("Command1")};
    Timer Timer1{*this, QStringLiteral("Timer1")};
    int ticks = 0;
    int clicks = 0;
};

// Watches what is painted while the child runs, and lets the child end once it has seen
// enough: the child waits for a file that only this watcher writes.
class PaintWatcher : public QObject {
public:
    PaintWatcher(QString releaseFile) : release_(std::move(releaseFile)) {}
    QSet<int> framesPainted;
    QList<int> barValuesPainted;
    AnimationControl* clip = nullptr;
    QWidget* bar = nullptr;
    ProgressBar* barControl = nullptr;
    int wanted = 3;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            if (watched == clip)
                framesPainted << clip->currentFrame();
            if (watched == bar)
                barValuesPainted << barControl->Value();
            if (int(framesPainted.size()) >= wanted && !barValuesPainted.isEmpty() && !QFile::exists(release_)) {
                QFile f(release_);
                f.open(QIODevice::WriteOnly);
            }
        }
        return false;
    }

private:
    QString release_;
};

class WaitPaintingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Forms::registerFactory(QStringLiteral("Busy"), [] { return new BusyForm; });
        form = &Forms::get<BusyForm>(QStringLiteral("Busy"));
        form->Show();
        QApplication::processEvents();
        ASSERT_TRUE(scratch.isValid());
    }
    void TearDown() override
    {
        animation.Destroy();
        Forms::reset();
    }

    // A host child that ends when the watcher has written its file, or after ten seconds.
    int runChildUntilReleased(const QString& release)
    {
        const QString script = QStringLiteral("i=0; while [ ! -e '%1' ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done; "
                                              "[ -e '%1' ]")
                                   .arg(release);
        QString output;
        return platform::proc::runHost(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}, scratch.path(), &output);
    }

    // The copying clip playing on the form, and a watcher of it and of the bar.
    PaintWatcher& playAndWatch()
    {
        animation.Create(form->hWnd(), 120, 0, 0, 300, 50);
        animation.pPlay();
        QApplication::processEvents();
        watcher = std::make_unique<PaintWatcher>(release);
        watcher->clip = animation.control();
        watcher->bar = form->ProgressBar1.widget();
        watcher->barControl = &form->ProgressBar1;
        watcher->clip->installEventFilter(watcher.get());
        watcher->bar->installEventFilter(watcher.get());
        return *watcher;
    }

    QTemporaryDir scratch;
    QString release = scratch.filePath(QStringLiteral("release"));
    BusyForm* form = nullptr;
    SysAnimate32 animation;
    std::unique_ptr<PaintWatcher> watcher;
};

} // namespace

TEST_F(WaitPaintingTest, AClipMovesAndABarSetBeforeTheWaitIsDrawnWhileAChildRuns)
{
    const PaintWatcher& watcher = playAndWatch();
    ASSERT_GT(animation.control()->frameCount(), 3);

    form->ProgressBar1.setValue(60);   // no DoEvents between this and the wait
    const int rc = runChildUntilReleased(release);

    EXPECT_EQ(rc, 0) << "the child ran out of time: the windows were not painted while it ran";
    EXPECT_GE(watcher.framesPainted.size(), 3);
    EXPECT_TRUE(watcher.barValuesPainted.contains(60));
}

namespace {

// A click of the user's on the form's button, as the window system delivers it.
void postClick(QWidget* button)
{
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(button, new QMouseEvent(type, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                                                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                            Qt::NoModifier));
}

} // namespace

TEST_F(WaitPaintingTest, AClickAndATimerAreHandledWhileTheChildStillRuns)
{
    playAndWatch();
    // Only the click's handler lets the child end: a wait that takes no input runs out of time.
    QObject::connect(&form->Command1, &CommandButton::Click, [this] {
        QFile f(release);
        f.open(QIODevice::WriteOnly);
    });
    QElapsedTimer clock;
    qint64 lastTick = -1;
    qint64 largestGap = 0;
    QObject::connect(&form->Timer1, &Timer::Tick, [&] {
        if (lastTick >= 0)
            largestGap = qMax(largestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    form->Timer1.setInterval(10);
    form->Timer1.setEnabled(true);
    QTimer::singleShot(300, [this] { postClick(form->Command1.widget()); });
    clock.start();
    const int rc = runChildUntilReleased(release);
    const qint64 waited = clock.elapsed();

    EXPECT_EQ(rc, 0) << "the click was not handled while the child ran";
    EXPECT_EQ(form->clicks, 1);
    EXPECT_GE(waited, 300);
    EXPECT_GE(form->ticks, 5);
    EXPECT_LT(largestGap, 250) << "the timer stood still for " << largestGap << " ms while the child ran";
}

TEST_F(WaitPaintingTest, WorkThatLetsNoEventRunOnlyPaintsAndTheInputComesAfterIt)
{
    const PaintWatcher& watcher = playAndWatch();
    form->Timer1.setEnabled(true);
    const int ticksBefore = form->ticks;
    postClick(form->Command1.widget());
    form->ProgressBar1.setValue(60);
    {
        const OnlyPaintWhileWaiting startingUp;
        EXPECT_EQ(runChildUntilReleased(release), 0);
    }
    EXPECT_TRUE(watcher.barValuesPainted.contains(60));
    EXPECT_EQ(form->ticks, ticksBefore);
    EXPECT_EQ(form->clicks, 0);

    // Once the program lets events run again, both come.
    for (int i = 0; i < 200 && (form->clicks == 0 || form->ticks == ticksBefore); ++i) {
        DoEvents();
        QTest::qWait(5);
    }
    EXPECT_EQ(form->clicks, 1);
    EXPECT_GT(form->ticks, ticksBefore);
}

TEST(WaitStepTest, TheStepRunsAtTheFirstWaitAfterItIsInstalledAndNeverInsideItself)
{
    int runs = 0;
    int nested = 0;
    const platform::WaitStep previous = platform::setWaitStep([&] {
        ++runs;
        platform::whileWaiting();   // a wait inside the step itself
        ++nested;
    });
    platform::whileWaiting();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(nested, 1);
    platform::setWaitStep({});
    platform::whileWaiting();   // nothing installed: nothing runs, nothing fails
    EXPECT_EQ(runs, 1);
    platform::setWaitStep(previous);
}
