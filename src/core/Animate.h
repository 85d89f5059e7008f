#pragma once
// The progress window of long copies to and from floppies: the copying clip in a loop, a
// text line and a progress bar set by the callers, and a Cancel button. AnimateShown
// tells the other parts whether it is loaded.
#include "core/SysAnimate32.h"
#include "vb/Form.h"

namespace core {

class AnimateForm : public vb::Form {
    Q_OBJECT
public:
    AnimateForm();

    vb::Label Label1{*this, QStringLiteral("Label1")};
    vb::ProgressBar ProgressBar1{*this, QStringLiteral("ProgressBar1")};
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};

    SysAnimate32& animation() { return animation_; }

    void Form_Load() override;
    // The copy that shows its progress here holds the window until it unloads it: while a
    // save or a restore runs, the title bar's close box leaves the window where it is.
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;

private:
    SysAnimate32 animation_;
};

AnimateForm& Animate();

// While a floppy copy asks for a disk, the progress window (when it is loaded) steps aside
// and comes back afterwards.
void HideAnimateWhileAsking();
void ShowAnimateAgain();

} // namespace core
