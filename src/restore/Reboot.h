#pragma once
// The restart notice: a small window above all others at the centre of the screen, shown
// while the machine is asked to restart. Once the restore that asked has returned and the
// program is idle again, it closes the program for the restart.
#include "vb/Form.h"

#include <QElapsedTimer>
#include <QTimer>

namespace restore {

class RebootForm : public vb::Form {
    Q_OBJECT
public:
    RebootForm();

    vb::PictureBox Picture1{*this, QStringLiteral("Picture1")};
    vb::Label Label1{*this, QStringLiteral("Label1")};

    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;

    // Runs CloseForRestart as soon as no event handler runs any more (the handler that ran
    // the restore, and the one that showed the restore-choice window, have both returned)
    // and the notice has been on screen for kReadableMs.
    void CloseWhenIdle();
    void StopWaiting();
    static constexpr int kReadableMs = 2000;

private:
    QTimer idleWatch_;
    QElapsedTimer upSince_;
};

RebootForm& Reboot();

} // namespace restore
