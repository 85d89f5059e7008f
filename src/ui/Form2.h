#pragma once
// The splash window: the first window of the program. Its start timer runs the whole
// start-up once, shows the main window (or lets the automatic save run) and unloads it.
#include "vb/Form.h"

#include <functional>

namespace ui {

class Form2Form : public vb::Form {
    Q_OBJECT
public:
    Form2Form();

    vb::PictureBox Picture1{*this, QStringLiteral("Picture1")};
    vb::ProgressBar ProgressBar1{*this, QStringLiteral("ProgressBar1")};
    vb::StatusBar StatusBar1{*this, QStringLiteral("StatusBar1")};
    vb::Timer Timer1{*this, QStringLiteral("Timer1")};

    void Form_Load() override;
    // Runs once, 500 ms after the window has come onto the screen.
    void Timer1_Timer();
    // Which of the fifteen system files exist: a missing one's box on the Options page is
    // cleared and disabled, and its box in the restore-choice window disabled; then the
    // settings file is written.
    void CheckSystemf();
    // What a layer above settles with the user once the main window is up at the end of an
    // ordinary start (not an automatic run).
    static void setAfterStart(std::function<void()> step);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool timerArmed_ = false;
};

Form2Form& Form2();

} // namespace ui
