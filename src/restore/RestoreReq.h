#pragma once
// The restore-choice window: what the loaded configuration holds, and what to restore.
// The loaders of a description enable exactly the saved items; the user ticks what is to
// come back, and the restore reads the boxes and the list while it runs. The window is
// hidden by its buttons, never unloaded by them.
#include "vb/Form.h"

#include <QStyle>

namespace restore {

class RestoreReqForm : public vb::Form {
    Q_OBJECT
public:
    RestoreReqForm();

    vb::TabStrip SSTab1{*this, QStringLiteral("SSTab1"), 4};

    // Tab 0: the system files and the Start menu. One box per item; there is no Check17.
    vb::Frame Frame2{{SSTab1, 0}, QStringLiteral("Frame2")};
    vb::Image Image1{Frame2, QStringLiteral("Image1")};
    vb::CheckBox Check1{Frame2, QStringLiteral("Check1")};
    vb::CheckBox Check2{Frame2, QStringLiteral("Check2")};
    vb::CheckBox Check3{Frame2, QStringLiteral("Check3")};
    vb::CheckBox Check4{Frame2, QStringLiteral("Check4")};
    vb::CheckBox Check5{Frame2, QStringLiteral("Check5")};
    vb::CheckBox Check6{Frame2, QStringLiteral("Check6")};
    vb::CheckBox Check7{Frame2, QStringLiteral("Check7")};
    vb::CheckBox Check8{Frame2, QStringLiteral("Check8")};
    vb::CheckBox Check9{Frame2, QStringLiteral("Check9")};
    vb::CheckBox Check12{Frame2, QStringLiteral("Check12")};
    vb::CheckBox Check13{Frame2, QStringLiteral("Check13")};
    vb::CheckBox Check14{Frame2, QStringLiteral("Check14")};
    vb::CheckBox Check15{Frame2, QStringLiteral("Check15")};
    vb::CheckBox Check16{Frame2, QStringLiteral("Check16")};
    vb::CheckBox Check24{Frame2, QStringLiteral("Check24")};
    vb::Frame Frame1{{SSTab1, 0}, QStringLiteral("Frame1")};
    vb::Image Image2{Frame1, QStringLiteral("Image2")};
    vb::CheckBox Check20{Frame1, QStringLiteral("Check20")};
    vb::CommandButton Command5{{SSTab1, 0}, QStringLiteral("Command5")};   // All system files
    vb::CommandButton Command6{{SSTab1, 0}, QStringLiteral("Command6")};   // None of the system files

    // Tab 1: the user-defined files.
    vb::Frame Frame3{{SSTab1, 1}, QStringLiteral("Frame3")};
    vb::ListBox List1{Frame3, QStringLiteral("List1")};
    vb::Label Label1{Frame3, QStringLiteral("Label1")};
    vb::CommandButton Command3{Frame3, QStringLiteral("Command3")};   // All user files
    vb::CommandButton Command4{Frame3, QStringLiteral("Command4")};   // None of the user files

    // Tab 2: Internet Explorer and Outlook Express.
    vb::Frame Frame4{{SSTab1, 2}, QStringLiteral("Frame4")};
    vb::Image Image3{Frame4, QStringLiteral("Image3")};
    vb::CheckBox Check11{Frame4, QStringLiteral("Check11")};
    vb::Image Image4{Frame4, QStringLiteral("Image4")};
    vb::CheckBox Check19{Frame4, QStringLiteral("Check19")};
    vb::Frame Frame5{{SSTab1, 2}, QStringLiteral("Frame5")};
    vb::Image Image5{Frame5, QStringLiteral("Image5")};
    vb::CheckBox Check21{Frame5, QStringLiteral("Check21")};
    vb::Image Image6{Frame5, QStringLiteral("Image6")};
    vb::CheckBox Check18{Frame5, QStringLiteral("Check18")};
    vb::Label Label2{{SSTab1, 2}, QStringLiteral("Label2")};   // Internet Explorer's version

    // Tab 3: Netscape.
    vb::Frame Frame6{{SSTab1, 3}, QStringLiteral("Frame6")};
    vb::Image Image7{Frame6, QStringLiteral("Image7")};
    vb::CheckBox Check10{Frame6, QStringLiteral("Check10")};
    vb::Image Image8{Frame6, QStringLiteral("Image8")};
    vb::CheckBox Check22{Frame6, QStringLiteral("Check22")};
    vb::Frame Frame7{{SSTab1, 3}, QStringLiteral("Frame7")};
    vb::Image Image9{Frame7, QStringLiteral("Image9")};
    vb::CheckBox Check23{Frame7, QStringLiteral("Check23")};
    vb::Label Label3{{SSTab1, 3}, QStringLiteral("Label3")};   // Netscape Navigator's version, "" without one

    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // OK
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};   // Cancel
    vb::CommandButton Command7{*this, QStringLiteral("Command7")};   // Help

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void List1_MouseDown(int button, int shift, int x, int y);

    void Form_Activate() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;

private:
    QList<QPair<vb::Image*, QStyle::StandardPixmap>> pictures_;   // set at the first activation
    // The fifteen system-file boxes in the order All and None go through them.
    QList<vb::CheckBox*> systemFileBoxes();
};

RestoreReqForm& RestoreReq();

} // namespace restore
