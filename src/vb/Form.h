#pragma once
// A form: one top-level window with its controls. A window's own code derives from Form
// and holds its controls as members, created in design order:
//
//     class RestoreReqForm : public vb::Form {
//     public:
//         RestoreReqForm();
//         vb::TabStrip SSTab1{*this, "SSTab1", 4};
//         vb::Frame Frame2{{SSTab1, 0}, "Frame2"};
//         vb::CheckBox Check1{Frame2, "Check1"};
//         ...
//         void Form_Activate() override;
//     };
//
// Lower layers reach the same controls by name through the registry (Forms.h).
// Coordinates are twips (15 to a pixel) unless ScaleMode says pixels.
#include "vb/CommonControls.h"
#include "vb/Constants.h"
#include "vb/Controls.h"
#include "vb/Error.h"
#include "vb/Lists.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <exception>
#include <functional>
#include <optional>

class QKeyEvent;
class QWidget;

namespace vb {

enum FormShowConstants : int { vbModeless = 0, vbModal = 1 };
enum QueryUnloadConstants : int { vbFormControlMenu = 0, vbFormCode = 1 };
enum FormWindowStateConstants : int { vbMinimized = 1, vbMaximized = 2 };
enum ScaleModeConstants : int { vbTwips = 1, vbPixels = 3 };

class Form : public QObject {
    Q_OBJECT
public:
    explicit Form(const QString& name);
    ~Form() override;

    const QString& Name() const { return name_; }
    QWidget* window() const { return window_; }

    QString Caption() const;
    void setCaption(const QString& caption);
    // vbModal runs an event loop until the form is hidden or unloaded (error 400 when it is
    // already visible). Showing makes the form the active one. A form that its code has not
    // placed (Move, Left, Top) opens centred over the window that was active when it was
    // shown (where it was, when it is minimised; on the screen when there is none), the
    // first time and whenever another window opens it; otherwise it stays where it was.
    void Show(int modal = vbModeless);
    void Hide();
    void Unload();   // QueryUnload and Unload with unloadMode vbFormCode; see Forms::unload
    bool Visible() const;
    bool Enabled() const;
    void setEnabled(bool enabled);
    int WindowState() const;
    void setWindowState(int state);   // vbNormal, vbMinimized, vbMaximized

    // The outer window, frame included.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void Move(int left, int top, int width = -1, int height = -1);
    // The client area, in ScaleMode units; its size is set in twips.
    int ScaleWidth() const;
    int ScaleHeight() const;
    void setClientSize(int widthTwips, int heightTwips);
    int ScaleMode() const { return scaleMode_; }
    void setScaleMode(int mode);   // vbTwips or vbPixels
    int TextWidth(const QString& text) const;   // in the window's font, in ScaleMode units

    qint32 hWnd() const { return hWnd_; }   // fixed for the life of the loaded form
    const QString& Tag() const { return tag_; }
    void setTag(const QString& tag) { tag_ = tag; }
    int HelpContextID() const { return helpContextID_; }
    void setHelpContextID(int id) { helpContextID_ = id; }
    void Refresh();
    void SetFocus();   // activates the form; error 5 when it is not visible

    // A control by name (without regard to case); error 438 when there is none of that type.
    template <class T>
    T& control(const QString& name) const
    {
        if (auto* found = dynamic_cast<T*>(findControl(name)))
            return *found;
        throw Error(438);
    }
    Control* findControl(const QString& name) const;
    const QList<Control*>& controls() const { return controls_; }   // in creation order

    // The form is at work while one of its own events runs (Form_Load, Form_Activate, an
    // event of one of its controls), also where that waits for a child program, a box or a
    // disk, and while code holds a Working for it. Its close box then unloads nothing:
    // Form_QueryUnload hears of it (unload mode vbFormControlMenu) and may act on it as the
    // form's Cancel, but the window stays, since the work still uses it. An Unload meanwhile
    // (by the work itself) takes the form out of the loaded ones at once and destroys it
    // once the work is over, so that nothing touches a destroyed control.
    bool AtWork() const { return atWork_ > 0; }
    class Working {
    public:
        explicit Working(Form& form);
        ~Working();
        Working(const Working&) = delete;
        Working& operator=(const Working&) = delete;

    private:
        QPointer<Form> form_;
    };

    // Events.
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_QueryUnload(int& cancel, int unloadMode) {}
    virtual void Form_Unload(int& cancel) {}
    virtual void Form_Resize() {}

signals:
    void hidden();   // the window was hidden (also on the way to being unloaded)

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Lets events run until the window is hidden or unloaded.
    void waitWhileShown();

private:
    friend class Control;
    friend class WidgetControl;
    friend class Forms;
    void addControl(Control* control);
    void removeControl(Control* control);
    void joinTabOrder(WidgetControl& control);
    void moveInTabOrder(WidgetControl& control, int index);
    bool pressButton(const std::function<bool(const CommandButton&)>& which);
    bool pressAccessKey(const QKeyEvent& key);
    void showHelp();
    bool placeOver(Form* opener);
    void centreOnPlace();
    void keepOpenerInSight();
    void moveOpener(QPoint to);
    void putOpenerBack();

    QString name_;
    QWidget* window_;
    QList<Control*> controls_;
    qint32 hWnd_;
    QString tag_;
    int helpContextID_ = 0;
    int scaleMode_ = vbTwips;
    bool unloading_ = false;
    int atWork_ = 0;
    bool destroyWhenIdle_ = false;   // unloaded while at work
    bool placedByCode_ = false;
    bool shownBefore_ = false;
    QPointer<QWidget> lastOpener_;
    QPointer<Form> placedOver_;
    QPoint openerHome_;                  // where the opener stood before it was moved aside
    std::optional<QPoint> openerAside_;  // where it goes aside for this window
    bool openerAway_ = false;            // it stands aside now
    QRectF placedAround_;
};

// Runs an event handler on behalf of the user or the window system. A run-time error that
// escapes it ends the program after the usual "Run-time error" message, as an untrapped
// error in an event procedure always has.
void runEventHandler(const std::function<void()>& handler);

// Hands events to the program through the window system's own code: `deliver` runs an event
// loop, or clicks or types for the user. The end of the program (or any exception other than
// a run-time error) that leaves a handler inside cannot pass through the window system's code
// on the stack: it is held there, every loop waiting for a window stops, no further handler
// runs, and it is raised again here once `deliver` has returned (or at the delivery further
// out, when this one was itself called by the window system).
void deliverEvents(const std::function<void()>& deliver);

// What a handler raised and nothing has raised again yet: whether there is such a thing, and
// the thing itself, taken away (empty when all was delivered).
bool escapeHeld();
std::exception_ptr takeHeldEscape();

// Tells such an error some other way than the box (an automatic run has nobody to read it):
// `report` answers true when it has. Without one, or when it answers false, the box comes.
void SetUntrappedErrorReport(std::function<bool(int number, const QString& description)> report);

// How many event handlers are running now (nested ones each count); 0 while the program
// waits in its main event loop for the next event.
int RunningEventHandlers();

} // namespace vb
