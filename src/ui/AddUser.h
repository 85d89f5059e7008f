#pragma once
// The search dialog for user-defined files, and the window of the search by file type.
#include "vb/Form.h"

namespace ui {

class AddUserForm : public vb::Form {
    Q_OBJECT
public:
    AddUserForm();

    vb::ComboBox Combo1{*this, QStringLiteral("Combo1")};   // file types
    vb::ComboBox Combo2{*this, QStringLiteral("Combo2")};   // folders
    vb::CheckBox Check1{*this, QStringLiteral("Check1")};   // include subfolders
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};
};

AddUserForm& AddUser();

class frmDrvScanForm : public vb::Form {
    Q_OBJECT
public:
    frmDrvScanForm();
};

frmDrvScanForm& frmDrvScan();

} // namespace ui
