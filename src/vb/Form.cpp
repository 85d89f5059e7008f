#include "vb/Form.h"
#include "platform/Machine.h"

#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QKeySequence>
#include <QKeyEvent>
#include <QPointer>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QWidget>
#include <utility>
#include <vector>

namespace vb {

namespace {
qint32 nextHWnd()
{
    static qint32 last = 0x10000;
    return last += 0x10;
}
} // namespace

Form::Form(const QString& name) : name_(name), window_(new QWidget(nullptr, Qt::Window)), hWnd_(nextHWnd())
{
    setObjectName(name);
    window_->setObjectName(name);
    window_->setWindowTitle(name);
    window_->resize(320, 240);
    window_->installEventFilter(this);
    installWaitStep();
}

Form::~Form()
{
    window_->removeEventFilter(this);
    Forms::forget(*this);
    delete window_;
}

QString Form::Caption() const { return window_->windowTitle(); }
void Form::setCaption(const QString& caption) { window_->setWindowTitle(caption); }

void Form::Show(int modal)
{
    if (modal != vbModeless && modal != vbModal)
        Raise(5);
    if (modal == vbModal && window_->isVisible())
        Raise(400);
    bool placing = false;
    if (!window_->isVisible()) {
        window_->setWindowModality(modal == vbModal ? Qt::ApplicationModal : Qt::NonModal);
        Form* opener = Forms::active();
        placing = placeOver(opener && opener != this ? opener : nullptr);
    }
    const QPointer<Form> self(this);
    window_->show();
    if (placing && window_->frameGeometry().size() != window_->size()) {
        centreOnPlace();   // now with its frame
        keepOpenerInSight();
    }
    window_->activateWindow();
    Forms::activate(*this);
    if (modal != vbModal || !self || !Visible())
        return;
    if (ModalForm(*this) || !self || !Visible())
        return;
    // The window is a question too (ModalForm has just looked at the drives again): once it
    // goes, the drives are looked at again.
    waitWhileShown();
    platform::Machine::lookAgain();
}

bool Form::placeOver(Form* opener)
{
    // A minimised opener keeps the place it had; a hidden one has none.
    QWidget* over = opener && opener->Visible() ? opener->window() : nullptr;
    if (placedByCode_)
        return false;
    if (shownBefore_ && over == lastOpener_) {
        // Its old place, and the opener aside again where it went for it before.
        if (over && openerAside_ && over->pos() == openerHome_)
            moveOpener(*openerAside_);
        return false;
    }
    openerAside_.reset();
    shownBefore_ = true;
    lastOpener_ = over;
    placedOver_ = over ? opener : nullptr;
    const QScreen* display = QGuiApplication::primaryScreen();
    placedAround_ = over ? QRectF(over->frameGeometry()) : QRectF(display ? display->availableGeometry() : QRect());
    centreOnPlace();
    keepOpenerInSight();
    return true;
}

// A window larger than its opener would hide it whole when centred over it; it goes beside
// it instead, level with its middle: to the right or the left where the screen has room,
// else the two are moved apart to lie side by side in the middle of the screen (an opener
// its code placed stays where it is), else one above the other in the same way. Only where
// none of this fits does it stay over the opener.
void Form::keepOpenerInSight()
{
    const QScreen* display = QGuiApplication::primaryScreen();
    if (!placedOver_ || !display)
        return;
    const QRect screen = display->availableGeometry();
    const QRect them = placedAround_.toRect();   // where the opener was when this one came
    const QSize outer = window_->frameGeometry().size().expandedTo(window_->size());
    const QRect me(window_->pos(), outer);
    if (!me.contains(them))
        return;
    const auto level = [](int middle, int size, int low, int high) {
        return qBound(low, middle - size / 2, qMax(low, high + 1 - size));
    };
    const int y = level(them.center().y(), outer.height(), screen.top(), screen.bottom());
    const int x = level(them.center().x(), outer.width(), screen.left(), screen.right());
    const bool openerMoves = !placedOver_->placedByCode_;
    if (them.right() + outer.width() <= screen.right()) {
        window_->move(them.right() + 1, y);
    } else if (them.left() - outer.width() >= screen.left()) {
        window_->move(them.left() - outer.width(), y);
    } else if (openerMoves && them.width() + outer.width() <= screen.width()) {
        const int left = screen.left() + (screen.width() - them.width() - outer.width()) / 2;
        moveOpener(QPoint(left, them.top()));
        window_->move(left + them.width(), y);
    } else if (them.bottom() + outer.height() <= screen.bottom()) {
        window_->move(x, them.bottom() + 1);
    } else if (them.top() - outer.height() >= screen.top()) {
        window_->move(x, them.top() - outer.height());
    } else if (openerMoves && them.height() + outer.height() <= screen.height()) {
        const int top = screen.top() + (screen.height() - them.height() - outer.height()) / 2;
        moveOpener(QPoint(them.left(), top));
        window_->move(x, top + them.height());
    }
}

// An opener moved aside goes back to its place when this window goes, unless it has been
// moved since.
void Form::moveOpener(QPoint to)
{
    if (!placedOver_)
        return;
    QWidget* opener = placedOver_->window();
    if (!openerAway_)
        openerHome_ = opener->pos();
    opener->move(to);
    openerAside_ = to;
    openerAway_ = true;
}

void Form::putOpenerBack()
{
    if (placedOver_ && openerAway_ && openerAside_ && placedOver_->window()->pos() == *openerAside_)
        placedOver_->window()->move(openerHome_);
    openerAway_ = false;
}

// The middle of the window on the middle of the place chosen for it, on the screen. The
// frame the window system adds is known once the window is shown; before, the window's own
// size stands for it.
void Form::centreOnPlace()
{
    const QSize outer = window_->frameGeometry().size().expandedTo(window_->size());
    const QPointF middle = placedAround_.center() - QPointF(outer.width() / 2.0, outer.height() / 2.0);
    QPoint topLeft(qRound(middle.x()), qRound(middle.y()));
    const QScreen* display = QGuiApplication::primaryScreen();
    const QRect screen = display ? display->availableGeometry() : QRect();
    if (!screen.isEmpty()) {
        topLeft.setX(qBound(screen.left(), topLeft.x(), qMax(screen.left(), screen.right() + 1 - outer.width())));
        topLeft.setY(qBound(screen.top(), topLeft.y(), qMax(screen.top(), screen.bottom() + 1 - outer.height())));
    }
    window_->move(topLeft);
}

Form::Working::Working(Form& form) : form_(&form) { ++form.atWork_; }

Form::Working::~Working()
{
    if (form_ && --form_->atWork_ == 0 && form_->destroyWhenIdle_)
        form_->deleteLater();
}

void Form::Hide() { window_->hide(); }
void Form::Unload() { Forms::unload(*this, vbFormCode); }
bool Form::Visible() const { return window_->isVisible(); }
bool Form::Enabled() const { return window_->isEnabled(); }
void Form::setEnabled(bool enabled) { window_->setEnabled(enabled); }

int Form::WindowState() const
{
    const Qt::WindowStates state = window_->windowState();
    if (state & Qt::WindowMinimized)
        return vbMinimized;
    return state & Qt::WindowMaximized ? vbMaximized : vbNormal;
}

void Form::setWindowState(int state)
{
    static const Qt::WindowState states[] = {Qt::WindowNoState, Qt::WindowMinimized, Qt::WindowMaximized};
    if (state < vbNormal || state > vbMaximized)
        Raise(380);
    window_->setWindowState(states[state]);
}

int Form::Left() const { return twipsFromPixels(window_->x()); }
int Form::Top() const { return twipsFromPixels(window_->y()); }
int Form::Width() const { return twipsFromPixels(window_->frameGeometry().width()); }
int Form::Height() const { return twipsFromPixels(window_->frameGeometry().height()); }
void Form::setLeft(int twips)
{
    placedByCode_ = true;
    window_->move(pixelsFromTwips(twips), window_->y());
}

void Form::setTop(int twips)
{
    placedByCode_ = true;
    window_->move(window_->x(), pixelsFromTwips(twips));
}

void Form::setWidth(int twips)
{
    const int frame = window_->frameGeometry().width() - window_->width();
    window_->resize(qMax(1, pixelsFromTwips(twips) - frame), window_->height());
}

void Form::setHeight(int twips)
{
    const int frame = window_->frameGeometry().height() - window_->height();
    window_->resize(window_->width(), qMax(1, pixelsFromTwips(twips) - frame));
}

void Form::Move(int left, int top, int width, int height)
{
    placedByCode_ = true;
    window_->move(pixelsFromTwips(left), pixelsFromTwips(top));
    if (width >= 0)
        setWidth(width);
    if (height >= 0)
        setHeight(height);
}

int Form::ScaleWidth() const
{
    return scaleMode_ == vbPixels ? window_->width() : twipsFromPixels(window_->width());
}

int Form::ScaleHeight() const
{
    return scaleMode_ == vbPixels ? window_->height() : twipsFromPixels(window_->height());
}

void Form::setClientSize(int widthTwips, int heightTwips)
{
    window_->resize(pixelsFromTwips(widthTwips), pixelsFromTwips(heightTwips));
}

void Form::setScaleMode(int mode)
{
    if (mode != vbTwips && mode != vbPixels)
        Raise(380);
    scaleMode_ = mode;
}

int Form::TextWidth(const QString& text) const
{
    const int pixels = QFontMetrics(window_->font()).horizontalAdvance(text);
    return scaleMode_ == vbPixels ? pixels : twipsFromPixels(pixels);
}

void Form::Refresh() { window_->repaint(); }

void Form::SetFocus()
{
    if (!Visible() || !Enabled())
        Raise(5);
    window_->activateWindow();
    Forms::activate(*this);
}

Control* Form::findControl(const QString& name) const
{
    for (Control* control : controls_)
        if (control->Name().compare(name, Qt::CaseInsensitive) == 0)
            return control;
    return nullptr;
}

void Form::addControl(Control* control) { controls_.append(control); }
void Form::removeControl(Control* control) { controls_.removeOne(control); }

void Form::joinTabOrder(WidgetControl& control)
{
    // A new widget comes last in its window's focus chain already.
    int count = 0;
    for (Control* c : controls_)
        if (c != &control && qobject_cast<WidgetControl*>(c))
            ++count;
    control.tabIndex_ = count;
}

void Form::moveInTabOrder(WidgetControl& control, int index)
{
    if (index < 0)
        Raise(380);
    QList<WidgetControl*> order;
    for (Control* c : controls_)
        if (auto* w = qobject_cast<WidgetControl*>(c); w && w != &control)
            order.append(w);
    std::stable_sort(order.begin(), order.end(),
                     [](const WidgetControl* a, const WidgetControl* b) { return a->tabIndex_ < b->tabIndex_; });
    order.insert(qMin(index, int(order.size())), &control);
    for (int i = 0; i < order.size(); ++i) {
        order[i]->tabIndex_ = i;
        if (i > 0)
            QWidget::setTabOrder(order[i - 1]->widget(), order[i]->widget());
    }
}

bool Form::pressButton(const std::function<bool(const CommandButton&)>& which)
{
    for (Control* c : controls_) {
        auto* button = qobject_cast<CommandButton*>(c);
        if (button && which(*button) && button->widget()->isVisible() && button->widget()->isEnabled()) {
            static_cast<QAbstractButton*>(button->widget())->click();
            return true;
        }
    }
    return false;
}

bool Form::pressAccessKey(const QKeyEvent& key)
{
    if (key.modifiers() != Qt::AltModifier)
        return false;
    const QKeySequence pressed(key.keyCombination());
    return pressButton([&](const CommandButton& b) { return QKeySequence::mnemonic(b.Caption()) == pressed; });
}

// F1: the help file at the window's help context (its page's, where the context follows
// the page), as the Help buttons show it.
void Form::showHelp()
{
    runEventHandler([this] { ui().ShowHelp(App().HelpFile, helpContextID_); });
}

static bool isF1(const QEvent* event)
{
    return event->type() == QEvent::KeyPress && static_cast<const QKeyEvent*>(event)->key() == Qt::Key_F1 &&
           static_cast<const QKeyEvent*>(event)->modifiers() == Qt::NoModifier;
}

bool Form::eventFilter(QObject* watched, QEvent* event)
{
    if (isF1(event)) {
        showHelp();
        return true;
    }
    // The controls' widgets pass their keys through here first: Alt and a letter belongs
    // to the form's access keys even in a text box (also before the window system has
    // made the window the active one, when no shortcut would fire).
    if (watched != window_)
        return event->type() == QEvent::KeyPress && pressAccessKey(*static_cast<QKeyEvent*>(event));
    switch (event->type()) {
    case QEvent::Close:
        // The close box: the form decides in its QueryUnload and Unload events.
        event->ignore();
        runEventHandler([this] { Forms::unload(*this, vbFormControlMenu); });
        return true;
    case QEvent::Hide:
        if (!event->spontaneous()) {   // not merely minimised
            putOpenerBack();
            emit hidden();
            runEventHandler([this] { Forms::formHidden(*this); });
        }
        break;
    case QEvent::WindowActivate:
        Forms::windowActivated();
        break;
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        if (window_->isVisible())
            runEventHandler([this] { Form_Resize(); });
        break;
    case QEvent::KeyPress: {
        // Keys no control took: Enter presses the default button, Esc the cancel button.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return pressButton([](const CommandButton& b) { return b.Default(); });
        if (key->key() == Qt::Key_Escape)
            return pressButton([](const CommandButton& b) { return b.Cancel(); });
        return pressAccessKey(*key);
    }
    default:
        break;
    }
    return false;
}

namespace {

int g_runningHandlers = 0;
std::function<bool(int, const QString&)> g_untrappedReport;

// Our own frames on the stack that the window system's code may separate: a handler it
// called, and a delivery of events into its code. A handler whose frame has a delivery right
// below it was called by the window system's code, which an exception must not pass
// through (it frees nothing on the way).
enum class OnStackKind : char { Handler, Delivery };
std::vector<OnStackKind> g_frames;
std::exception_ptr g_held;
QList<QEventLoop*> g_windowLoops;

class OnStack {
public:
    explicit OnStack(OnStackKind kind) : depth_(g_frames.size()) { g_frames.push_back(kind); }
    ~OnStack() { g_frames.resize(depth_); }
    OnStack(const OnStack&) = delete;
    OnStack& operator=(const OnStack&) = delete;
    bool calledByTheWindowSystem() const { return depth_ > 0 && g_frames[depth_ - 1] == OnStackKind::Delivery; }

private:
    std::size_t depth_;
};

void runTrapped(const std::function<void()>& handler)
{
    int number = 0;
    QString description;
    try {
        const QScopedValueRollback<int> running(g_runningHandlers, g_runningHandlers + 1);
        handler();
        return;
    } catch (const Error& e) {
        number = e.Number();
        description = e.Description();
    } catch (const std::exception& e) {
        number = 51;
        description = QString::fromLocal8Bit(e.what());
    }
    if (!g_untrappedReport || !g_untrappedReport(number, description))
        MsgBox(QStringLiteral("Run-time error '%1':\r\r%2").arg(number).arg(description), vbCritical);
    End(1);
}

} // namespace

int RunningEventHandlers() { return g_runningHandlers; }

void SetUntrappedErrorReport(std::function<bool(int number, const QString& description)> report)
{
    g_untrappedReport = std::move(report);
}

void runEventHandler(const std::function<void()>& handler)
{
    if (g_held)
        return;   // the program has ended: nothing more of it runs
    const OnStack frame(OnStackKind::Handler);
    try {
        runTrapped(handler);
    } catch (...) {
        if (!frame.calledByTheWindowSystem())
            throw;
        g_held = std::current_exception();
        for (QEventLoop* loop : std::as_const(g_windowLoops))
            loop->exit();
    }
}

void deliverEvents(const std::function<void()>& deliver)
{
    {
        const OnStack frame(OnStackKind::Delivery);
        if (!g_held)
            deliver();
        if (!g_held || frame.calledByTheWindowSystem())
            return;
    }
    std::rethrow_exception(std::exchange(g_held, nullptr));
}

bool escapeHeld() { return bool(g_held); }

std::exception_ptr takeHeldEscape() { return std::exchange(g_held, nullptr); }

void Form::waitWhileShown()
{
    QEventLoop loop;
    connect(this, &Form::hidden, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    deliverEvents([&] {
        g_windowLoops.append(&loop);
        const auto unlist = qScopeGuard([&] { g_windowLoops.removeOne(&loop); });
        loop.exec(QEventLoop::DialogExec);
    });
}

} // namespace vb
