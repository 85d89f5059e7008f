#pragma once
// The countdown window of the automatic save. Shown at start-up when Keep.go lies in the
// program folder and the schedule is enabled, it counts down from 5 in steps of 1500 ms,
// during which Skip ends the program at once; then startkeep saves the current selection
// into the next of the four rotating slots of the AutoKeep folder, records the slot in
// Form1.List1 and AutoKp.ini, shows the outcome for three seconds, deletes the marker and
// ends the program through QuitProgram.
//
// A save from the Save page loads this window hidden (its status bar and progress bar
// follow the save while it is shown); a hidden window switches its timer off at its first
// tick and does nothing else.
#include "vb/Form.h"

namespace backup {

class FrmAutoKeepForm : public vb::Form {
    Q_OBJECT
public:
    FrmAutoKeepForm();

    vb::PictureBox Picture1{*this, QStringLiteral("Picture1")};
    vb::Label Label2{*this, QStringLiteral("Label2")};   // the announcement, then the "saving" text
    vb::Label Label3{*this, QStringLiteral("Label3")};   // the countdown, then the outcome
    vb::ProgressBar ProgressBar1{*this, QStringLiteral("ProgressBar1")};
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // Skip, "Cancel" while saving
    vb::StatusBar StatusBar1{*this, QStringLiteral("StatusBar1")};
    vb::Timer Timer1{*this, QStringLiteral("Timer1")};

    // Shows the window and returns when it is hidden or unloaded. The countdown needs no
    // answer from anyone, so it is not offered to the UI services as a modal window that
    // waits for the user: an unattended run lets it count down and save.
    void RunCountdown();

    void Form_Load() override;
    // The close box acts as Skip.
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Timer1_Timer();
    // Skip: deletes Keep.go and ends the process at once, without QuitProgram. Pressed while
    // the save runs, the slot being written is recorded as "Not Saved" first.
    void Command1_Click();
    // The automatic save itself; runs once, from the tick that ends the countdown.
    void startkeep();

private:
    enum class Phase { Counting, Saving, Closing };
    Phase phase_ = Phase::Counting;
    int counter_ = 0;
};

FrmAutoKeepForm& FrmAutoKeep();

} // namespace backup
