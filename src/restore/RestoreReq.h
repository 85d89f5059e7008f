#pragma once
// The restore-choice window: what the loaded configuration holds, and what to restore.
#include "vb/Form.h"

namespace restore {

class RestoreReqForm : public vb::Form {
    Q_OBJECT
public:
    RestoreReqForm();

    // One box per item; there is no Check17.
    vb::CheckBox Check1{*this, QStringLiteral("Check1")};
    vb::CheckBox Check2{*this, QStringLiteral("Check2")};
    vb::CheckBox Check3{*this, QStringLiteral("Check3")};
    vb::CheckBox Check4{*this, QStringLiteral("Check4")};
    vb::CheckBox Check5{*this, QStringLiteral("Check5")};
    vb::CheckBox Check6{*this, QStringLiteral("Check6")};
    vb::CheckBox Check7{*this, QStringLiteral("Check7")};
    vb::CheckBox Check8{*this, QStringLiteral("Check8")};
    vb::CheckBox Check9{*this, QStringLiteral("Check9")};
    vb::CheckBox Check10{*this, QStringLiteral("Check10")};
    vb::CheckBox Check11{*this, QStringLiteral("Check11")};
    vb::CheckBox Check12{*this, QStringLiteral("Check12")};
    vb::CheckBox Check13{*this, QStringLiteral("Check13")};
    vb::CheckBox Check14{*this, QStringLiteral("Check14")};
    vb::CheckBox Check15{*this, QStringLiteral("Check15")};
    vb::CheckBox Check16{*this, QStringLiteral("Check16")};
    vb::CheckBox Check18{*this, QStringLiteral("Check18")};
    vb::CheckBox Check19{*this, QStringLiteral("Check19")};
    vb::CheckBox Check20{*this, QStringLiteral("Check20")};
    vb::CheckBox Check21{*this, QStringLiteral("Check21")};
    vb::CheckBox Check22{*this, QStringLiteral("Check22")};
    vb::CheckBox Check23{*this, QStringLiteral("Check23")};
    vb::CheckBox Check24{*this, QStringLiteral("Check24")};
    vb::ListBox List1{*this, QStringLiteral("List1")};
    vb::Label Label1{*this, QStringLiteral("Label1")};
    vb::Label Label2{*this, QStringLiteral("Label2")};
    vb::Label Label3{*this, QStringLiteral("Label3")};
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // OK
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};   // Cancel
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};   // All user files
    vb::CommandButton Command4{*this, QStringLiteral("Command4")};   // None of the user files
    vb::CommandButton Command5{*this, QStringLiteral("Command5")};   // All system files
    vb::CommandButton Command6{*this, QStringLiteral("Command6")};   // None of the system files

    void Command2_Click();
};

RestoreReqForm& RestoreReq();

} // namespace restore
