#pragma once
// The window that builds the rescue archive Configd.tva in the program folder: fourteen
// fixed system files of the boot drive and of the Windows folder are copied into
// TempPath & "trelvo", packed with zip.exe and the staging folder removed again. The
// wizard shows it modally; as soon as it gets the focus it does all its work and unloads
// itself, which ends the modal show. The set of files is fixed: the user's selection on
// the main window plays no part.
#include "vb/Form.h"

namespace rescue {

class SelWizForm : public vb::Form {
    Q_OBJECT
public:
    SelWizForm();

    vb::Label Label2{*this, QStringLiteral("Label2")};   // two lines: what is being done, "Please wait..."
    vb::ProgressBar ProgressBar1{*this, QStringLiteral("ProgressBar1")};   // 0..200

    // The window gets the focus whenever it becomes the active window.
    void Form_Activate() override { Form_GotFocus(); }
    void Form_GotFocus();
    // The whole work; ends by unloading the window.
    void SaveData();

private:
    bool saving_ = false;
};

SelWizForm& SelWiz();

// The names the files of the rescue archive have in the staging folder (TempPath & "trelvo").
QStringList RescueStagedNames();

} // namespace rescue
