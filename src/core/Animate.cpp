#include "core/Animate.h"
#include "core/Exit.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "vb/Error.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

namespace core {

AnimateForm::AnimateForm() : vb::Form(QStringLiteral("Animate"))
{
    setCaption(QStringLiteral("Copy files"));
    setClientSize(5415, 2295);
    Label1.Move(300, 1200, 4635, 480);   // two lines of a long path
    ProgressBar1.Move(300, 810, 4635, 255);
    Command1.setCaption(QStringLiteral("Cancel"));
    Command1.setCancel(true);
    Command1.Move(3900, 1725, 1215, 390);
}

void AnimateForm::Form_Load()
{
    setCaption(LoadResString(1250));
    vb::Screen::setMousePointer(11);
    state().AnimateShown = true;
    animation_.Create(hWnd(), 120, 0, 0, 300, 50);
    animation_.pPlay();
}

void AnimateForm::Form_QueryUnload(int& cancel, int unloadMode)
{
    bool running = false;
    vb::ResumeNext([&] { running = OperationRunning(); });
    if (unloadMode == vb::vbFormControlMenu && running)
        cancel = 1;
}

void AnimateForm::Form_Unload(int&)
{
    state().AnimateShown = false;
    animation_.Destroy();
}

AnimateForm& Animate() { return vb::Forms::get<AnimateForm>(QStringLiteral("Animate")); }

void HideAnimateWhileAsking()
{
    if (state().AnimateShown)
        vb::ResumeNext([] { Animate().Hide(); });
}

void ShowAnimateAgain()
{
    if (state().AnimateShown)
        vb::ResumeNext([] { Animate().Show(vb::vbModeless); });
}

} // namespace core
