#pragma once
// The dialog for a floppy that is not blank: format it, try another disk, or use it as it
// is. The answer is the window's Tag; a button click sets it and hides the window.
#include "vb/Form.h"

namespace backup {

class frmNotEmptyForm : public vb::Form {
    Q_OBJECT
public:
    frmNotEmptyForm();

    vb::Label Label1{*this, QStringLiteral("Label1")};
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};   // Continue?
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // Formatting...
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};   // Retry

    void Form_Load() override;

private:
    void answer(const QString& tag);
};

frmNotEmptyForm& frmNotEmpty();

} // namespace backup
