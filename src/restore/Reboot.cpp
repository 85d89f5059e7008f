#include "restore/Reboot.h"
#include "core/Messages.h"
#include "restore/Restore.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

#include <QApplication>
#include <QStyle>
#include <QThread>
#include <QWidget>

namespace restore {

RebootForm::RebootForm() : vb::Form(QStringLiteral("Reboot"))
{
    setCaption(QStringLiteral("Reboot"));
    setClientSize(4800, 1080);
    Picture1.Move(180, 180, 720, 720);
    Picture1.setPicture(QApplication::style()->standardIcon(QStyle::SP_BrowserReload).pixmap(32, 32));
    Label1.Move(1080, 390, 3540, 255);
    idleWatch_.setInterval(50);
    connect(&idleWatch_, &QTimer::timeout, this, [this] {
        // The notice stays up long enough to be read before the program closes, counted from
        // when it was last put up (it steps aside for the restore's final message).
        if (!Visible())
            upSince_.invalidate();
        else if (!upSince_.isValid())
            upSince_.start();
        if (vb::RunningEventHandlers() > 0 || (upSince_.isValid() && upSince_.elapsed() < kReadableMs))
            return;
        idleWatch_.stop();
        vb::runEventHandler(&CloseForRestart);
    });
}

void RebootForm::Form_Load()
{
    Label1.setCaption(core::LoadResString(1542));
    const int tx = vb::Screen::TwipsPerPixelX();
    const int ty = vb::Screen::TwipsPerPixelY();
    const int left = qRound((vb::Screen::Width() / 2.0 - Width() / 2.0) / tx);
    const int top = qRound((vb::Screen::Height() / 2.0 - Height() / 2.0) / ty);
    Refresh();
    window()->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    Move(left * tx, top * ty);
    QThread::msleep(500);
}

// The notice stays until the program closes for the restart: its close box would take the
// idle watch with it, and nothing would close the program, whose main window is disabled.
void RebootForm::Form_QueryUnload(int& cancel, int unloadMode)
{
    if (unloadMode == vb::vbFormControlMenu)
        cancel = 1;
}

void RebootForm::Form_Unload(int&) { StopWaiting(); }

void RebootForm::CloseWhenIdle() { idleWatch_.start(); }

void RebootForm::StopWaiting() { idleWatch_.stop(); }

RebootForm& Reboot() { return vb::Forms::get<RebootForm>(QStringLiteral("Reboot")); }

} // namespace restore
