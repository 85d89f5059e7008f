#include "vb/Screen.h"

#include "vb/Error.h"
#include "vb/Forms.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

namespace vb {

void DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
