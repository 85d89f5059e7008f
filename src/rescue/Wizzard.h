#pragma once
// The rescue disk wizard window: so far the parts the floppy preparation uses, its Cancel
// button and the label beside it, both hidden until a floppy is checked.
#include "vb/Form.h"

namespace rescue {

class WizzardForm : public vb::Form {
    Q_OBJECT
public:
    WizzardForm();

    vb::Label Label3{*this, QStringLiteral("Label3")};
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};   // Cancel
};

WizzardForm& Wizzard();

} // namespace rescue
