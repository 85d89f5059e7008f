#pragma once
// The main window.
#include "vb/Form.h"

namespace ui {

class Form1Form : public vb::Form {
    Q_OBJECT
public:
    Form1Form();

    // Save selection of the system files (Check1 is the Start menu; there is no Check11).
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
    vb::CheckBox Check12{*this, QStringLiteral("Check12")};
    vb::CheckBox Check13{*this, QStringLiteral("Check13")};
    vb::CheckBox Check14{*this, QStringLiteral("Check14")};
    vb::CheckBox Check15{*this, QStringLiteral("Check15")};
    vb::CheckBox Check16{*this, QStringLiteral("Check16")};
    vb::CheckBox Check17{*this, QStringLiteral("Check17")};

    vb::CommandButton Command1{*this, QStringLiteral("Command1")};     // Save
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};     // Help
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};     // Exit
    vb::CommandButton Command4{*this, QStringLiteral("Command4")};     // Restore
    vb::CommandButton Command13{*this, QStringLiteral("Command13")};   // Delete
    vb::CommandButton Command14{*this, QStringLiteral("Command14")};   // Save settings
    vb::CommandButton Command27{*this, QStringLiteral("Command27")};   // Import
    vb::CommandButton Command28{*this, QStringLiteral("Command28")};   // update program

    vb::TextBox Text1{*this, QStringLiteral("Text1")};   // description of the save
    vb::TextBox Text2{*this, QStringLiteral("Text2")};   // save folder
    vb::TextBox Text3{*this, QStringLiteral("Text3")};   // interval of the automatic save
    vb::Slider Slider1{*this, QStringLiteral("Slider1")};
    vb::ListBox List1{*this, QStringLiteral("List1")};   // automatic-save slots
    vb::ListBox List2{*this, QStringLiteral("List2")};   // slots of the Restore page
    vb::ListBox List3{*this, QStringLiteral("List3")};   // slots of the Maintenance page
    vb::ComboBox Combo1{*this, QStringLiteral("Combo1"), 2};
    vb::Label Label2{*this, QStringLiteral("Label2")};   // slots of the Save page
    vb::Label Label5{*this, QStringLiteral("Label5")};
    vb::Label Label7{*this, QStringLiteral("Label7")};
    vb::Label Label9{*this, QStringLiteral("Label9")};
    vb::Label Label11{*this, QStringLiteral("Label11")};
    vb::Label Label13{*this, QStringLiteral("Label13")};
    vb::ProgressBar ProgressBar1{*this, QStringLiteral("ProgressBar1")};
    vb::ProgressBar ProgressBar2{*this, QStringLiteral("ProgressBar2")};
    vb::StatusBar StatusBar1{*this, QStringLiteral("StatusBar1")};
};

Form1Form& Form1();

} // namespace ui
