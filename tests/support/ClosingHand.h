#pragma once
// A user who closes a window of the program from its title bar the moment it shows, from the
// event loop as a click on the close box would, while the program works on.
#include "vb/Forms.h"

#include <QString>
#include <QTimer>
#include <QWidget>

namespace testsupport {

class ClosingHand {
public:
    explicit ClosingHand(QString form) : form_(std::move(form))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (closed_ || !vb::Forms::isLoaded(form_))
                return;
            QWidget* window = vb::Forms::get(form_).window();
            if (window->isVisible()) {
                closed_ = true;
                window->close();
                stays_ = window->isVisible() && vb::Forms::isLoaded(form_);
            }
        });
        timer_.start(0);
    }

    // The close box was clicked.
    bool closed() const { return closed_; }
    // The window was still there, shown, right after the click.
    bool stays() const { return stays_; }

private:
    QString form_;
    QTimer timer_;
    bool closed_ = false;
    bool stays_ = false;
};

} // namespace testsupport
