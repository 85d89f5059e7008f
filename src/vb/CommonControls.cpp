#include "vb/CommonControls.h"

#include "vb/Error.h"
#include "vb/Form.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QSlider>
#include <QStyleOptionProgressBar>
#include <QStylePainter>
#include <QTabWidget>

namespace vb {

// --- ProgressBar ------------------------------------------------------------------------

namespace {

// A progress bar that can also stand between two of its values.
class PartWayBar : public QProgressBar {
public:
    using QProgressBar::QProgressBar;
    double partWay = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (partWay <= 0)
            return QProgressBar::paintEvent(event);
        constexpr int kFine = 1000;
        QStylePainter painter(this);
        QStyleOptionProgressBar option;
        initStyleOption(&option);
        option.minimum *= kFine;
        option.maximum *= kFine;
        option.progress = qMin(option.maximum, option.progress * kFine + qRound(partWay * kFine));
        painter.drawControl(QStyle::CE_ProgressBar, option);
    }
};

PartWayBar* partWayBar(QWidget* widget) { return static_cast<PartWayBar*>(widget); }

} // namespace

ProgressBar::ProgressBar(Place place, const QString& name)
    : WidgetControl(place, name, new PartWayBar(place.widget()))
{
    bar()->setTextVisible(false);
    bar()->setRange(0, 100);
    bar()->setValue(0);
}

QProgressBar* ProgressBar::bar() const { return static_cast<QProgressBar*>(widget()); }
int ProgressBar::Min() const { return bar()->minimum(); }
int ProgressBar::Max() const { return bar()->maximum(); }
int ProgressBar::Value() const { return bar()->value(); }

void ProgressBar::setMin(int min)
{
    if (min >= Max())
        Raise(380);
    const int value = Value();
    setPartWay(0);
    bar()->setMinimum(min);
    bar()->setValue(qBound(min, value, Max()));
}

void ProgressBar::setMax(int max)
{
    if (max <= Min())
        Raise(380);
    const int value = Value();
    setPartWay(0);
    bar()->setMaximum(max);
    bar()->setValue(qBound(Min(), value, max));
}

void ProgressBar::setValue(int value)
{
    if (value < Min() || value > Max())
        Raise(380);
    setPartWay(0);
    bar()->setValue(value);
}

void ProgressBar::setPartWay(double fraction)
{
    fraction = Value() < Max() ? qBound(0.0, fraction, 1.0) : 0.0;
    PartWayBar* shown = partWayBar(bar());
    if (shown->partWay == fraction)
        return;
    shown->partWay = fraction;
    shown->update();
}

double ProgressBar::PartWay() const { return partWayBar(bar())->partWay; }

// --- StatusBar --------------------------------------------------------------------------

StatusBar::StatusBar(Place place, const QString& name) : WidgetControl(place, name, new QLabel(place.widget()))
{
    label()->setTextFormat(Qt::PlainText);
    label()->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label()->setMargin(1);
    label()->resize(label()->width(), label()->fontMetrics().height() + 8);
    parentForm().window()->installEventFilter(this);
    dock();
}

QLabel* StatusBar::label() const { return static_cast<QLabel*>(widget()); }

void StatusBar::setStyle(int style)
{
    if (style < 0 || style > 1)
        Raise(380);
    style_ = style;
    show();
}

void StatusBar::setSimpleText(const QString& text)
{
    simpleText_ = text;
    show();
}

void StatusBar::setText(const QString& text)
{
    text_ = text;
    show();
}

void StatusBar::show() { label()->setText(style_ == 1 ? simpleText_ : text_); }

void StatusBar::dock()
{
    const QWidget* window = parentForm().window();
    label()->setGeometry(0, window->height() - label()->height(), window->width(), label()->height());
}

bool StatusBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize)
        dock();
    return false;
}

// --- Slider -----------------------------------------------------------------------------

Slider::Slider(Place place, const QString& name) : WidgetControl(place, name, new QSlider(Qt::Horizontal, place.widget()))
{
    slider()->setRange(0, 10);
    slider()->setTickPosition(QSlider::TicksBelow);
    slider()->setTickInterval(1);
    slider()->installEventFilter(this);
    connect(slider(), &QSlider::valueChanged, this, [this] {
        if (!byCode_ && !slider()->isSliderDown())
            userEvent([this] { emit Change(); });
    });
    connect(slider(), &QSlider::sliderPressed, this, [this] { pressValue_ = Value(); });
    connect(slider(), &QSlider::sliderMoved, this, [this] { userEvent([this] { emit Scroll(); }); });
    connect(slider(), &QSlider::sliderReleased, this, [this] {
        if (Value() != pressValue_)
            userEvent([this] { emit Change(); });
    });
}

QSlider* Slider::slider() const { return static_cast<QSlider*>(widget()); }
int Slider::Min() const { return slider()->minimum(); }
int Slider::Max() const { return slider()->maximum(); }
int Slider::Value() const { return slider()->value(); }
int Slider::TickFrequency() const { return slider()->tickInterval(); }
void Slider::setTickFrequency(int frequency) { slider()->setTickInterval(frequency); }

void Slider::setMin(int min)
{
    QScopedValueRollback<bool> guard(byCode_, true);
    slider()->setMinimum(min);
}

void Slider::setMax(int max)
{
    QScopedValueRollback<bool> guard(byCode_, true);
    slider()->setMaximum(max);
}

void Slider::setValue(int value)
{
    if (value < Min() || value > Max())
        Raise(380);
    if (value == Value())
        return;
    {
        QScopedValueRollback<bool> guard(byCode_, true);
        slider()->setValue(value);
    }
    codeEvent([&] { emit Change(); });
}

bool Slider::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease)
        userEvent([this] { emit Click(); });
    return false;
}

// --- TabStrip ---------------------------------------------------------------------------

TabStrip::TabStrip(Place place, const QString& name, int tabs)
    : WidgetControl(place, name, new QTabWidget(place.widget()))
{
    if (tabs < 1)
        Raise(380);
    for (int i = 0; i < tabs; ++i)
        this->tabs()->addTab(new QWidget, QStringLiteral("Tab %1").arg(i));
    connect(this->tabs(), &QTabWidget::currentChanged, this, [this](int index) {
        if (byCode_)
            return;
        const int previous = current_;
        current_ = index;
        userEvent([this, previous] { emit Click(previous); });
    });
}

QTabWidget* TabStrip::tabs() const { return static_cast<QTabWidget*>(widget()); }

void TabStrip::checkTab(int tab, int error) const
{
    if (tab < 0 || tab >= Tabs())
        Raise(error);
}

int TabStrip::Tabs() const { return tabs()->count(); }

QString TabStrip::TabCaption(int tab) const
{
    checkTab(tab, 381);
    return tabs()->tabText(tab);
}

void TabStrip::setTabCaption(int tab, const QString& caption)
{
    checkTab(tab, 381);
    tabs()->setTabText(tab, caption);
}

int TabStrip::Tab() const { return current_; }

void TabStrip::setTab(int tab)
{
    checkTab(tab, 380);
    if (tab == current_)
        return;
    const int previous = current_;
    {
        QScopedValueRollback<bool> guard(byCode_, true);
        tabs()->setCurrentIndex(tab);
    }
    current_ = tab;
    codeEvent([&] { emit Click(previous); });
}

bool TabStrip::TabEnabled(int tab) const
{
    checkTab(tab, 381);
    return tabs()->isTabEnabled(tab);
}

void TabStrip::setTabEnabled(int tab, bool enabled)
{
    checkTab(tab, 381);
    QScopedValueRollback<bool> guard(byCode_, true);
    tabs()->setTabEnabled(tab, enabled);
    current_ = tabs()->currentIndex();
}

bool TabStrip::TabVisible(int tab) const
{
    checkTab(tab, 381);
    return tabs()->isTabVisible(tab);
}

void TabStrip::setTabVisible(int tab, bool visible)
{
    checkTab(tab, 381);
    QScopedValueRollback<bool> guard(byCode_, true);
    tabs()->setTabVisible(tab, visible);
    current_ = tabs()->currentIndex();
}

QWidget* TabStrip::page(int tab) const
{
    checkTab(tab, 381);
    return tabs()->widget(tab);
}

} // namespace vb
