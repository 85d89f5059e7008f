#pragma once
// The controls of a form. Each one owns its Qt widget, is registered in its form under its
// name and measures in twips (15 to a pixel). Properties read and set as the programs have
// always used them; events are signals named after the event. Setting a property from code
// raises its event directly (an error in the handler reaches the code that set it); the
// user's actions raise them through runEventHandler.
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vb {

class Form;
class Frame;
class PictureBox;
class TabStrip;

constexpr int TwipsPerPixel = 15;
int pixelsFromTwips(int twips);
int twipsFromPixels(int pixels);

// Where a new control goes: a form's client area or the inside of a container control.
class Place {
public:
    Place(Form& form);
    Place(Frame& frame);
    Place(PictureBox& box);
    Place(TabStrip& strip, int tab);
    Form& form() const { return *form_; }
    QWidget* widget() const { return widget_; }

private:
    Form* form_;
    QWidget* widget_;
};

// A named member of a form.
class Control : public QObject {
    Q_OBJECT
public:
    ~Control() override;
    const QString& Name() const { return name_; }
    Form& parentForm() const { return form_; }
    const QString& Tag() const { return tag_; }
    void setTag(const QString& tag) { tag_ = tag; }

protected:
    Control(Form& form, const QString& name);
    // Raise one of the control's events, for the user's action (through runEventHandler) or
    // for code that set a property: either way its form is at work while the handler runs.
    void userEvent(const std::function<void()>& raise);
    void codeEvent(const std::function<void()>& raise);

private:
    Form& form_;
    QString name_;
    QString tag_;
};

// A control with a window of its own. Enabled and Visible are the control's own settings
// (a control inside a hidden frame still reads Visible = True).
class WidgetControl : public Control {
    Q_OBJECT
public:
    QWidget* widget() const { return widget_; }

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void setVisible(bool visible);
    QString ToolTipText() const;
    void setToolTipText(const QString& text);
    int TabIndex() const { return tabIndex_; }
    void setTabIndex(int index);   // the others move up or down to make room, as at design time
    void SetFocus();               // error 5 when the control or its form cannot take the focus

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void Move(int left, int top, int width = -1, int height = -1);   // -1 keeps the size

    // "Courier New" (missing on most hosts) gives the fixed-pitch font of the host.
    QString FontName() const;
    void setFontName(const QString& name);
    double FontSize() const;
    void setFontSize(double points);
    bool FontBold() const;
    void setFontBold(bool bold);

    void Refresh();   // repaints at once

protected:
    WidgetControl(Place place, const QString& name, QWidget* widget);
    virtual void fontChanged() {}

private:
    friend class Form;
    QWidget* widget_;
    bool enabled_ = true;
    bool visible_ = true;
    int tabIndex_ = 0;
};

// Value 0 (unchecked), 1 (checked) or 2 (greyed; code only). The user's click goes
// between 0 and 1 (and from 2 to 1).
class CheckBox : public WidgetControl {
    Q_OBJECT
public:
    CheckBox(Place place, const QString& name);
    QString Caption() const;
    void setCaption(const QString& caption);
    int Value() const;
    void setValue(int value);   // error 380 outside 0..2; Click when the value changes

signals:
    void Click();

private:
    QCheckBox* box() const;
};

// Option buttons of one container exclude each other.
class OptionButton : public WidgetControl {
    Q_OBJECT
public:
    OptionButton(Place place, const QString& name);
    QString Caption() const;
    void setCaption(const QString& caption);
    bool Value() const;
    void setValue(bool value);   // Click when it becomes selected

signals:
    void Click();

private:
    QRadioButton* button() const;
};

// "&" in the caption marks the access key. Default: Enter in the form presses it;
// Cancel: Esc presses it. One of each per form.
class CommandButton : public WidgetControl {
    Q_OBJECT
public:
    CommandButton(Place place, const QString& name);
    QString Caption() const;
    void setCaption(const QString& caption);
    bool Default() const { return default_; }
    void setDefault(bool on);
    bool Cancel() const { return cancel_; }
    void setCancel(bool on);
    bool Value() const { return false; }
    void setValue(bool press);   // True presses the button

signals:
    void Click();

private:
    QPushButton* button() const;
    bool default_ = false;
    bool cancel_ = false;
};

// A lone CR, CR LF or LF breaks the line on screen; Caption returns the text as set. The
// text wraps within the label's width unless AutoSize is on without WordWrap.
class Label : public WidgetControl {
    Q_OBJECT
public:
    Label(Place place, const QString& name);
    const QString& Caption() const { return caption_; }
    void setCaption(const QString& caption);
    int Alignment() const { return alignment_; }
    void setAlignment(int alignment);   // 0 left, 1 right, 2 centre
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool on);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    int BackStyle() const { return backStyle_; }
    void setBackStyle(int style);   // 0 transparent, 1 opaque
    // A path that does not fit on the label's one line is shown with "..." in place of its
    // middle (the start, with the drive, and the end stay), the whole path as its tool tip.
    bool PathEllipsis() const { return pathEllipsis_; }
    void setPathEllipsis(bool on);

protected:
    void fontChanged() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* label() const;
    void fit();
    void showCaption();
    QString caption_;
    bool pathEllipsis_ = false;
    int alignment_ = 0;
    bool wordWrap_ = false;
    bool autoSize_ = false;
    int backStyle_ = 1;
};

// One line, or several (multiLine, fixed at creation; Text then holds CR LF line ends).
// MaxLength limits what the user types; code may set a longer text.
class TextBox : public WidgetControl {
    Q_OBJECT
public:
    TextBox(Place place, const QString& name, bool multiLine = false);
    QString Text() const;
    void setText(const QString& text);
    int MaxLength() const { return maxLength_; }
    void setMaxLength(int length);   // 0: no limit
    bool Locked() const;
    void setLocked(bool locked);
    bool MultiLine() const { return multi_ != nullptr; }
    int SelStart() const;
    void setSelStart(int start);
    int SelLength() const;
    void setSelLength(int length);

signals:
    void Change();
    void Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* multi_ = nullptr;
    int maxLength_ = 0;
    bool settingText_ = false;
};

// A container with a caption.
class Frame : public WidgetControl {
    Q_OBJECT
public:
    Frame(Place place, const QString& name);
    QString Caption() const;
    void setCaption(const QString& caption);
    // A frame that only holds other controls (the page of a tab strip): it draws nothing of
    // its own, neither border nor caption, and its controls start at its corner.
    void setBorderless();

private:
    QGroupBox* box() const;
};

// A picture holder that can also contain controls.
class PictureBox : public WidgetControl {
    Q_OBJECT
public:
    PictureBox(Place place, const QString& name);
    QPixmap Picture() const;
    void setPicture(const QPixmap& picture);

private:
    QLabel* label() const;
};

// A picture; Stretch scales it to the control's size.
class Image : public WidgetControl {
    Q_OBJECT
public:
    Image(Place place, const QString& name);
    QPixmap Picture() const;
    void setPicture(const QPixmap& picture);
    bool Stretch() const;
    void setStretch(bool on);

private:
    QLabel* label() const;
};

// Raises Tick (the Timer event) every Interval milliseconds while Enabled; Interval 0
// stops it. Timers of a hidden form run as well.
class Timer : public Control {
    Q_OBJECT
public:
    Timer(Form& form, const QString& name);
    int Interval() const { return interval_; }
    void setInterval(int ms);   // error 380 when negative
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

signals:
    void Tick();

private:
    void update();
    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = true;
};

} // namespace vb
