#include "vb/Screen.h"
#include "platform/Machine.h"

#include "platform/Waiting.h"
#include "vb/Animation.h"
#include "vb/Error.h"
#include "vb/Form.h"
#include "vb/Forms.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace vb {

void DoEvents()
{
    deliverEvents([] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    // The user may have acted meanwhile: what follows looks at the drives again.
    platform::Machine::lookAgain();
}

bool ProgressPace::due()
{
    if (since_.isValid() && since_.elapsed() < platform::kWaitStepMs)
        return false;
    since_.start();
    return true;
}

namespace {

int g_onlyPaint = 0;

// Every so often within one long wait that only paints, each window is painted whole: the
// window system may have uncovered a part of it, and that news waits in the event queue
// with the input.
constexpr int kWholePaintMs = 250;

void paintWindows()
{
    static QElapsedTimer sinceStep;
    static QElapsedTimer sinceWhole;
    // A wait that has just begun paints only what changed before it.
    if (!sinceStep.isValid() || sinceStep.elapsed() > 4 * platform::kWaitStepMs)
        sinceWhole.start();
    sinceStep.start();
    const bool whole = sinceWhole.elapsed() >= kWholePaintMs;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->isMinimized())
            continue;
        // Only what the window system asks to be done again: layout and paint.
        QCoreApplication::sendPostedEvents(window, QEvent::LayoutRequest);
        if (whole)
            window->repaint();
        else
            QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
    }
    if (whole)
        sinceWhole.start();
}

} // namespace

OnlyPaintWhileWaiting::OnlyPaintWhileWaiting() { ++g_onlyPaint; }
OnlyPaintWhileWaiting::~OnlyPaintWhileWaiting() { --g_onlyPaint; }

void RunEventsWhileWaiting()
{
    AnimationControl::catchUpPlaying();
    deliverEvents([] {
        if (g_onlyPaint > 0)
            paintWindows();
        else   // no deferred deletion and no new look at the drives here: the wait lies inside
               // a step of the running work, which may still hold a window or a reading of the machine
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    });
}

void PaintNow(Form& form)
{
    const QPointer<QWidget> window = form.window();
    if (!window->isVisible())
        return;
    QElapsedTimer waited;
    waited.start();
    const auto waiting = [&] {
        return window && window->isVisible() && window->windowHandle() && !window->windowHandle()->isExposed() &&
               waited.elapsed() < 1000;
    };
    deliverEvents([&] {
        while (waiting())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        if (window)
            window->repaint();
    });
}

void installWaitStep()
{
    static const bool installed = [] {
        platform::setWaitStep(&RunEventsWhileWaiting);
        return true;
    }();
    (void)installed;
}

namespace {
int pointer = 0;

QRect screenGeometry()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}
} // namespace

int Screen::MousePointer() { return pointer; }

void Screen::setMousePointer(int value)
{
    static const Qt::CursorShape shapes[] = {
        Qt::ArrowCursor,    Qt::ArrowCursor,     Qt::CrossCursor,    Qt::IBeamCursor,    Qt::ArrowCursor,
        Qt::SizeAllCursor,  Qt::SizeBDiagCursor, Qt::SizeVerCursor,  Qt::SizeFDiagCursor, Qt::SizeHorCursor,
        Qt::UpArrowCursor,  Qt::WaitCursor,      Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor,
        Qt::SizeAllCursor};
    if (value < 0 || value > 15)
        Raise(380);
    if (value == pointer)
        return;
    if (pointer == 0)
        QGuiApplication::setOverrideCursor(QCursor(shapes[value]));
    else if (value == 0)
        QGuiApplication::restoreOverrideCursor();
    else
        QGuiApplication::changeOverrideCursor(QCursor(shapes[value]));
    pointer = value;
}

int Screen::Width() { return twipsFromPixels(screenGeometry().width()); }
int Screen::Height() { return twipsFromPixels(screenGeometry().height()); }
int Screen::TwipsPerPixelX() { return TwipsPerPixel; }
int Screen::TwipsPerPixelY() { return TwipsPerPixel; }
Form* Screen::ActiveForm() { return Forms::active(); }

} // namespace vb
