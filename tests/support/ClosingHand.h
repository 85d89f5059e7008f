#pragma once
// A user who closes a window of the program from its title bar while the program works on:
// the moment it shows, while the program waits for a child program or a long copy, or at a
// box (closeNow from the box's action), each delivered as the window system delivers a click
// on the close box.
#include "platform/Waiting.h"
#include "vb/Form.h"
#include "vb/Forms.h"

#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace testsupport {

// What came of one click on the close box of a loaded window.
struct CloseClick {
    bool clicked = false;
    bool atWork = false;   // the window's own work was running
    bool stays = false;    // the window was still there afterwards, loaded (and shown, if it was)
};

// The click now; nothing when the window is not loaded.
inline void closeNow(const QString& form, CloseClick& click)
{
    if (click.clicked || !vb::Forms::isLoaded(form))
        return;
    vb::Form& window = vb::Forms::get(form);
    const QPointer<QWidget> widget = window.window();
    const bool shown = widget->isVisible();
    click = {true, window.AtWork(), false};
    vb::deliverEvents([&] { widget->close(); });
    // A program that has ended keeps no window, whatever is still to be torn down.
    click.stays = !vb::escapeHeld() && vb::Forms::isLoaded(form) && widget && (!shown || widget->isVisible());
}

class ClosingHand {
public:
    enum When { WhenShown, WhileWaiting };

    // `ready`, when given, must hold too.
    explicit ClosingHand(QString form, When when = WhenShown, std::function<bool()> ready = {})
        : form_(std::move(form)), ready_(ready ? std::move(ready) : [] { return true; })
    {
        if (when == WhenShown) {
            QObject::connect(&timer_, &QTimer::timeout, [this] {
                if (vb::Forms::isLoaded(form_) && vb::Forms::get(form_).window()->isVisible() && ready_())
                    closeNow(form_, click_);
            });
            timer_.start(0);
            return;
        }
        // The click lands in the event queue during the wait and is handled when the
        // program next lets events run.
        previous_ = platform::setWaitStep([this] {
            if (previous_)
                previous_();
            if (!posted_ && vb::Forms::isLoaded(form_) && ready_()) {
                posted_ = true;
                QMetaObject::invokeMethod(qApp, [this] { closeNow(form_, click_); }, Qt::QueuedConnection);
            }
        });
        waiting_ = true;
    }
    ~ClosingHand()
    {
        if (waiting_)
            platform::setWaitStep(previous_);
    }

    // The close box was clicked.
    bool closed() const { return click_.clicked; }
    // The window was still there, loaded, right after the click.
    bool stays() const { return click_.stays; }
    const CloseClick& click() const { return click_; }

private:
    QString form_;
    std::function<bool()> ready_;
    QTimer timer_;
    platform::WaitStep previous_;
    bool waiting_ = false;
    bool posted_ = false;
    CloseClick click_;
};

} // namespace testsupport
