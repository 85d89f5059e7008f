#pragma once
// The rescue disk wizard. Page 1 explains it and offers a new set of rescue floppies or the
// renewal of the data disk alone; page 2 says what to insert, and Next then does the work:
// for a new set the format dialog, the boot disk (MakeBootDisk), the change of floppies,
// the blank test of the second floppy and the data disk (MakeDataDisk); for an update the
// new rescue archive on the data disk in the drive (UpDateDataDisk).
//
// The wizard is on page 2 exactly when Back (Command1) is enabled; Option2 selected means
// the update. The window is only ever hidden by its own buttons, never unloaded, so its
// state lasts from one use to the next except what the return to page 1 resets.
#include "vb/Form.h"

namespace rescue {

class WizzardForm : public vb::Form {
    Q_OBJECT
public:
    WizzardForm();

    vb::PictureBox Picture1{*this, QStringLiteral("Picture1")};
    vb::Label Label1{*this, QStringLiteral("Label1")};   // the page text
    vb::OptionButton Option1{*this, QStringLiteral("Option1")};   // a new set
    vb::OptionButton Option2{*this, QStringLiteral("Option2")};   // update the data disk
    vb::Label Label3{*this, QStringLiteral("Label3")};   // the format hint
    vb::CommandButton Command5{*this, QStringLiteral("Command5")};   // Formatting...
    vb::Label Label2{*this, QStringLiteral("Label2")};   // the status line of the work
    vb::ProgressBar ProgressBar4{*this, QStringLiteral("ProgressBar4")};   // 0..130
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // < Back
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};   // Next >
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};   // Cancel, Exit once a run is finished
    vb::CommandButton Command4{*this, QStringLiteral("Command4")};   // Help

    // True from the end of a boot disk until Back, Cancel or Exit, the next boot disk, or
    // an update whose floppy was not accepted.
    bool BootDiskDone = false;

    void Form_Load() override;
    // The picture is drawn when the window is first shown, not when the start-up makes it.
    void Form_Activate() override;
    // The close box acts as Cancel, and is refused while the wizard's work runs.
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    // The program ends: a rescue archive no data disk took goes with it.
    void Form_Unload(int& cancel) override;

    void Command1_Click();   // Back
    void Command2_Click();   // Next
    void Command3_Click();   // Cancel / Exit
    void Command4_Click();   // Help
    void Command5_Click();   // Formatting...

    void MakeBootDisk();
    void EdMsDos();
    void MakeDataDisk();
    void UpDateDataDisk();
    // One step of the progress bar, with a repaint and the pending events.
    void Refres();

private:
    // Back to the page-1 text and controls; Back, Cancel and Exit, and an update whose
    // floppy was not accepted.
    void ReturnToPage1();
    // The name of the file in hand becomes `name`, the status line shows `action` & `name`,
    // and the bar moves one step.
    void ShowStatus(const QString& action, const QString& name);
    // The work stopped short of a finished disk: page 2 again with every button usable, so
    // that Next tries once more (the second floppy again when the boot disk is done).
    void StayOnPageTwo();

    QString fileInHand_;
};

WizzardForm& Wizzard();

// The Tools page's rescue disk button: minimises the main window and shows the wizard,
// not modally. Refused while the main window refuses new operations.
void Form1_Command18_Click();

// Once the program has started (not for an automatic run): an update of the data disk that a
// run cut short (killed, a power cut) left unfinished is settled. When no further disk had
// taken a part of the new archive, the user may have the old archive put back onto the data
// disk; otherwise, or when that is declined or fails, the user is told that the set is
// incomplete from the data disk on and that the update must be run again.
void SettleInterruptedUpdate();

} // namespace rescue
