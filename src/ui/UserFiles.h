#pragma once
// The user-file window: the browser and mail items to save and the user-defined files.
#include "vb/Form.h"

namespace ui {

class UserFilesForm : public vb::Form {
    Q_OBJECT
public:
    UserFilesForm();

    vb::CheckBox Check1{*this, QStringLiteral("Check1")};     // address book
    vb::CheckBox Check2{*this, QStringLiteral("Check2")};     // browser cookies
    vb::CheckBox Check3{*this, QStringLiteral("Check3")};     // mailbox
    vb::CheckBox Check4{*this, QStringLiteral("Check4")};     // Netscape cookies
    vb::CheckBox Check5{*this, QStringLiteral("Check5")};     // Netscape mail
    vb::CheckBox Check11{*this, QStringLiteral("Check11")};   // Netscape bookmarks
    vb::CheckBox Check12{*this, QStringLiteral("Check12")};   // browser favorites
    vb::Frame Frame8{*this, QStringLiteral("Frame8")};
    vb::ListBox List1{Frame8, QStringLiteral("List1")};
    vb::Label Label1{*this, QStringLiteral("Label1")};
    vb::Label Label2{*this, QStringLiteral("Label2")};
};

UserFilesForm& UserFiles();

} // namespace ui
