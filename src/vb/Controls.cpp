#include "vb/Controls.h"

#include "vb/CommonControls.h"
#include "vb/Error.h"
#include "vb/Form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

namespace vb {

int pixelsFromTwips(int twips) { return qRound(twips / double(TwipsPerPixel)); }
int twipsFromPixels(int pixels) { return pixels * TwipsPerPixel; }

Place::Place(Form& form) : form_(&form), widget_(form.window()) {}
Place::Place(Frame& frame) : form_(&frame.parentForm()), widget_(frame.widget()) {}
Place::Place(PictureBox& box) : form_(&box.parentForm()), widget_(box.widget()) {}
Place::Place(TabStrip& strip, int tab) : form_(&strip.parentForm()), widget_(strip.page(tab)) {}

Control::Control(Form& form, const QString& name) : form_(form), name_(name)
{
    setObjectName(name);
    form_.addControl(this);
}

Control::~Control() { form_.removeControl(this); }

void Control::userEvent(const std::function<void()>& raise)
{
    runEventHandler([&] { codeEvent(raise); });
}

void Control::codeEvent(const std::function<void()>& raise)
{
    const Form::Working working(form_);
    raise();
}

WidgetControl::WidgetControl(Place place, const QString& name, QWidget* widget)
    : Control(place.form(), name), widget_(widget)
{
    widget_->setObjectName(name);
    widget_->setVisible(true);   // shown with its container
    widget_->installEventFilter(&place.form());   // the form's access keys
    place.form().joinTabOrder(*this);
}

void WidgetControl::setEnabled(bool enabled)
{
    enabled_ = enabled;
    // A control disabled while it has the focus leaves the focus with its window, as Windows
    // does: Qt would hand it on to the next control, where Enter and Space then press a button
    // the user never chose (Help, after a wizard's Next has done its work).
    // The window may not be the active one just then (a box has only just closed): what counts
    // is the control the window gives the focus to when it is active again.
    const QWidget* focus = widget_->window()->focusWidget();
    if (!enabled && focus && (focus == widget_ || widget_->isAncestorOf(focus)))
        widget_->window()->setFocus(Qt::OtherFocusReason);
    widget_->setEnabled(enabled);
}

void WidgetControl::setVisible(bool visible)
{
    visible_ = visible;
    widget_->setVisible(visible);
}

QString WidgetControl::ToolTipText() const { return widget_->toolTip(); }
void WidgetControl::setToolTipText(const QString& text) { widget_->setToolTip(text); }

void WidgetControl::setTabIndex(int index) { parentForm().moveInTabOrder(*this, index); }

void WidgetControl::SetFocus()
{
    if (!enabled_ || !visible_ || !widget_->isVisible())
        Raise(5);
    widget_->setFocus(Qt::OtherFocusReason);
}

int WidgetControl::Left() const { return twipsFromPixels(widget_->x()); }
int WidgetControl::Top() const { return twipsFromPixels(widget_->y()); }
int WidgetControl::Width() const { return twipsFromPixels(widget_->width()); }
int WidgetControl::Height() const { return twipsFromPixels(widget_->height()); }
void WidgetControl::setLeft(int twips) { widget_->move(pixelsFromTwips(twips), widget_->y()); }
void WidgetControl::setTop(int twips) { widget_->move(widget_->x(), pixelsFromTwips(twips)); }
void WidgetControl::setWidth(int twips) { widget_->resize(pixelsFromTwips(twips), widget_->height()); }
void WidgetControl::setHeight(int twips) { widget_->resize(widget_->width(), pixelsFromTwips(twips)); }

void WidgetControl::Move(int left, int top, int width, int height)
{
    widget_->setGeometry(pixelsFromTwips(left), pixelsFromTwips(top),
                         width < 0 ? widget_->width() : pixelsFromTwips(width),
                         height < 0 ? widget_->height() : pixelsFromTwips(height));
}

QString WidgetControl::FontName() const { return widget_->font().family(); }

void WidgetControl::setFontName(const QString& name)
{
    QFont font = widget_->font();
    font.setFamily(name);
    const bool courier = name.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0;
    font.setStyleHint(courier ? QFont::TypeWriter : QFont::AnyStyle);
    font.setFixedPitch(courier);
    widget_->setFont(font);
    fontChanged();
}

double WidgetControl::FontSize() const { return widget_->font().pointSizeF(); }

void WidgetControl::setFontSize(double points)
{
    QFont font = widget_->font();
    font.setPointSizeF(points);
    widget_->setFont(font);
    fontChanged();
}

bool WidgetControl::FontBold() const { return widget_->font().bold(); }

void WidgetControl::setFontBold(bool bold)
{
    QFont font = widget_->font();
    font.setBold(bold);
    widget_->setFont(font);
    fontChanged();
}

void WidgetControl::Refresh() { widget_->repaint(); }

// --- CheckBox ---------------------------------------------------------------------------

namespace {
// The user's click never greys the box: it goes to unchecked from checked, else to checked.
class CheckWidget : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};
} // namespace

CheckBox::CheckBox(Place place, const QString& name) : WidgetControl(place, name, new CheckWidget(place.widget()))
{
    connect(box(), &QAbstractButton::clicked, this, [this] { userEvent([this] { emit Click(); }); });
}

QCheckBox* CheckBox::box() const { return static_cast<QCheckBox*>(widget()); }
QString CheckBox::Caption() const { return box()->text(); }
void CheckBox::setCaption(const QString& caption) { box()->setText(caption); }

int CheckBox::Value() const
{
    switch (box()->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void CheckBox::setValue(int value)
{
    if (value < 0 || value > 2)
        Raise(380);
    if (value == Value())
        return;
    static const Qt::CheckState states[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    box()->setCheckState(states[value]);
    codeEvent([&] { emit Click(); });
}

// --- OptionButton -----------------------------------------------------------------------

OptionButton::OptionButton(Place place, const QString& name)
    : WidgetControl(place, name, new QRadioButton(place.widget()))
{
    connect(button(), &QAbstractButton::clicked, this, [this](bool checked) {
        if (checked)
            userEvent([this] { emit Click(); });
    });
}

QRadioButton* OptionButton::button() const { return static_cast<QRadioButton*>(widget()); }
QString OptionButton::Caption() const { return button()->text(); }
void OptionButton::setCaption(const QString& caption) { button()->setText(caption); }
bool OptionButton::Value() const { return button()->isChecked(); }

void OptionButton::setValue(bool value)
{
    if (value == Value())
        return;
    if (value) {
        button()->setChecked(true);
        codeEvent([&] { emit Click(); });
        return;
    }
    // A selected button of an exclusive group refuses to be cleared on its own.
    button()->setAutoExclusive(false);
    button()->setChecked(false);
    button()->setAutoExclusive(true);
}

// --- CommandButton ----------------------------------------------------------------------

CommandButton::CommandButton(Place place, const QString& name)
    : WidgetControl(place, name, new QPushButton(place.widget()))
{
    button()->setAutoDefault(true);   // Enter presses the button that has the focus
    connect(button(), &QAbstractButton::clicked, this, [this] { userEvent([this] { emit Click(); }); });
}

QPushButton* CommandButton::button() const { return static_cast<QPushButton*>(widget()); }
QString CommandButton::Caption() const { return button()->text(); }
void CommandButton::setCaption(const QString& caption) { button()->setText(caption); }

void CommandButton::setDefault(bool on)
{
    if (on) {
        for (Control* c : parentForm().controls())
            if (auto* other = qobject_cast<CommandButton*>(c); other && other != this && other->default_) {
                other->default_ = false;
                other->button()->setDefault(false);
            }
    }
    default_ = on;
    button()->setDefault(on);
}

void CommandButton::setCancel(bool on)
{
    if (on) {
        for (Control* c : parentForm().controls())
            if (auto* other = qobject_cast<CommandButton*>(c))
                other->cancel_ = false;
    }
    cancel_ = on;
}

void CommandButton::setValue(bool press)
{
    if (press)
        codeEvent([&] { emit Click(); });
}

// --- Label ------------------------------------------------------------------------------

Label::Label(Place place, const QString& name) : WidgetControl(place, name, new QLabel(place.widget()))
{
    label()->setTextFormat(Qt::PlainText);
    setAlignment(0);
    setBackStyle(1);
    fit();
}

QLabel* Label::label() const { return static_cast<QLabel*>(widget()); }

void Label::setCaption(const QString& caption)
{
    caption_ = caption;
    showCaption();
    fit();
}

void Label::showCaption()
{
    QString shown = caption_;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (pathEllipsis_) {
        // A pixel or two to spare: the glyphs of a line may reach past its advance.
        const QString elided = label()->fontMetrics().elidedText(shown, Qt::ElideMiddle, label()->contentsRect().width() - 2);
        label()->setToolTip(elided == shown ? QString() : shown);
        shown = elided;
    }
    label()->setText(shown);
}

void Label::setPathEllipsis(bool on)
{
    pathEllipsis_ = on;
    if (on)
        label()->installEventFilter(this);
    else
        label()->removeEventFilter(this);
    fit();
    showCaption();
}

bool Label::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == label() && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        showCaption();
    return false;
}

void Label::setAlignment(int alignment)
{
    static const Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    if (alignment < 0 || alignment > 2)
        Raise(380);
    alignment_ = alignment;
    label()->setAlignment(horizontal[alignment] | Qt::AlignTop);
}

void Label::setWordWrap(bool on)
{
    wordWrap_ = on;
    fit();
}

void Label::setAutoSize(bool on)
{
    autoSize_ = on;
    fit();
}

void Label::setBackStyle(int style)
{
    if (style < 0 || style > 1)
        Raise(380);
    backStyle_ = style;
    label()->setAutoFillBackground(style == 1);
}

void Label::fontChanged() { fit(); }

void Label::fit()
{
    label()->setWordWrap(!pathEllipsis_ && (!autoSize_ || wordWrap_));
    if (!autoSize_)
        return;
    if (wordWrap_)
        label()->resize(label()->width(), label()->heightForWidth(label()->width()));
    else
        label()->resize(label()->sizeHint());
}

// --- TextBox ----------------------------------------------------------------------------

TextBox::TextBox(Place place, const QString& name, bool multiLine)
    : WidgetControl(place, name,
                    multiLine ? static_cast<QWidget*>(new QPlainTextEdit(place.widget()))
                              : static_cast<QWidget*>(new QLineEdit(place.widget())))
{
    const auto changed = [this] { userEvent([this] { emit Change(); }); };
    widget()->installEventFilter(this);
    if (multiLine) {
        multi_ = static_cast<QPlainTextEdit*>(widget());
        multi_->viewport()->installEventFilter(this);
        connect(multi_, &QPlainTextEdit::textChanged, this, [this, changed] {
            if (!settingText_)
                changed();
        });
    } else {
        line_ = static_cast<QLineEdit*>(widget());
        connect(line_, &QLineEdit::textChanged, this, [this, changed] {
            if (!settingText_)
                changed();
        });
    }
}

QString TextBox::Text() const
{
    if (line_)
        return line_->text();
    return multi_->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

void TextBox::setText(const QString& text)
{
    if (text == Text())
        return;
    {
        QScopedValueRollback<bool> guard(settingText_, true);
        if (line_) {
            line_->setText(text);
        } else {
            QString plain = text;
            multi_->setPlainText(plain.replace(QLatin1String("\r\n"), QLatin1String("\n")));
        }
    }
    codeEvent([&] { emit Change(); });
}

void TextBox::setMaxLength(int length)
{
    if (length < 0)
        Raise(380);
    maxLength_ = length;
}

bool TextBox::Locked() const { return line_ ? line_->isReadOnly() : multi_->isReadOnly(); }

void TextBox::setLocked(bool locked)
{
    if (line_)
        line_->setReadOnly(locked);
    else
        multi_->setReadOnly(locked);
}

int TextBox::SelStart() const
{
    if (line_)
        return line_->hasSelectedText() ? line_->selectionStart() : line_->cursorPosition();
    return multi_->textCursor().selectionStart();
}

void TextBox::setSelStart(int start)
{
    if (start < 0)
        Raise(380);
    if (line_) {
        line_->setCursorPosition(qMin(start, int(line_->text().size())));
        return;
    }
    QTextCursor cursor = multi_->textCursor();
    cursor.setPosition(qMin(start, multi_->document()->characterCount() - 1));
    multi_->setTextCursor(cursor);
}

int TextBox::SelLength() const
{
    if (line_)
        return line_->selectionLength();
    const QTextCursor cursor = multi_->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void TextBox::setSelLength(int length)
{
    if (length < 0)
        Raise(380);
    const int start = SelStart();
    if (line_) {
        line_->setSelection(start, qMin(length, int(line_->text().size()) - start));
        return;
    }
    QTextCursor cursor = multi_->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(qMin(start + length, multi_->document()->characterCount() - 1), QTextCursor::KeepAnchor);
    multi_->setTextCursor(cursor);
}

bool TextBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        userEvent([this] { emit Click(); });
    } else if (event->type() == QEvent::KeyPress && watched == widget() && maxLength_ > 0 && !Locked()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::AltModifier)
            return false;   // an access key, not typing
        QString typed = key->text();
        if (multi_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
            typed = QStringLiteral("\r\n");
        else if (typed.isEmpty() || !typed.at(0).isPrint())
            return false;
        if (Text().size() - SelLength() + typed.size() > maxLength_)
            return true;   // the box is full: the key is dropped
    }
    return false;
}

// --- Frame, PictureBox, Image -----------------------------------------------------------

namespace {
// A group box that can leave its painting out. Cheaper than a style sheet saying the same:
// that gives the box and everything in it a style of its own to make and polish.
class FrameBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;
    bool borderless = false;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (!borderless)
            QGroupBox::paintEvent(event);
    }
};
} // namespace

Frame::Frame(Place place, const QString& name) : WidgetControl(place, name, new FrameBox(place.widget())) {}

void Frame::setBorderless()
{
    auto* frame = static_cast<FrameBox*>(box());
    frame->borderless = true;
    frame->setFlat(true);
    frame->setContentsMargins(0, 0, 0, 0);
}

QGroupBox* Frame::box() const { return static_cast<QGroupBox*>(widget()); }
QString Frame::Caption() const { return box()->title(); }
void Frame::setCaption(const QString& caption) { box()->setTitle(caption); }

PictureBox::PictureBox(Place place, const QString& name) : WidgetControl(place, name, new QLabel(place.widget()))
{
    label()->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QLabel* PictureBox::label() const { return static_cast<QLabel*>(widget()); }
QPixmap PictureBox::Picture() const { return label()->pixmap(); }
void PictureBox::setPicture(const QPixmap& picture) { label()->setPixmap(picture); }

Image::Image(Place place, const QString& name) : WidgetControl(place, name, new QLabel(place.widget())) {}

QLabel* Image::label() const { return static_cast<QLabel*>(widget()); }
QPixmap Image::Picture() const { return label()->pixmap(); }
void Image::setPicture(const QPixmap& picture) { label()->setPixmap(picture); }
bool Image::Stretch() const { return label()->hasScaledContents(); }
void Image::setStretch(bool on) { label()->setScaledContents(on); }

// --- Timer ------------------------------------------------------------------------------

Timer::Timer(Form& form, const QString& name) : Control(form, name)
{
    // An interval is the least time between two ticks; a coarse timer may fire a little early.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { userEvent([this] { emit Tick(); }); });
}

void Timer::setInterval(int ms)
{
    if (ms < 0)
        Raise(380);
    interval_ = ms;
    update();
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    update();
}

void Timer::update()
{
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

} // namespace vb
