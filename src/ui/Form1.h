#pragma once
// The main window: six pages on the tab strip SSTab2 (Save, Restore, Options, Tools,
// Maintenance, Info), the status bar, the two progress bars of a save and the Help and Exit
// buttons. Each page lies on its own frame (frmSave ... frmInfo); exactly one of them is
// visible after a page change.
//
// The busy state of the program is the Enabled state of Help (Command2, disabled while a
// save runs) and Exit (Command3, disabled while a restore runs); while either is off the
// window cannot be closed.
#include "vb/Form.h"

#include <functional>

namespace ui {

class Form1Form : public vb::Form {
    Q_OBJECT
public:
    Form1Form();

    // The start of the program loads the main window through this, so that its load
    // handler refuses a second instance and runs the start-up checks. Code that merely
    // touches one of its controls first gets the window without them.
    static Form1Form& LoadAtStart();

    vb::TabStrip SSTab2{*this, QStringLiteral("SSTab2"), 6};

    // Tab 0: Save.
    vb::Frame frmSave{{SSTab2, 0}, QStringLiteral("frmSave")};
    vb::Frame Frame1{frmSave, QStringLiteral("Frame1")};
    vb::OptionButton Option1{Frame1, QStringLiteral("Option1")};
    vb::OptionButton Option2{Frame1, QStringLiteral("Option2")};
    vb::OptionButton Option3{Frame1, QStringLiteral("Option3")};
    vb::OptionButton Option4{Frame1, QStringLiteral("Option4")};
    vb::OptionButton Option5{Frame1, QStringLiteral("Option5")};
    vb::Label Label2{Frame1, QStringLiteral("Label2")};   // the five descriptions, one per slot
    vb::Label Label1{Frame1, QStringLiteral("Label1")};
    vb::TextBox Text1{Frame1, QStringLiteral("Text1")};   // description of the save
    vb::CommandButton Command1{Frame1, QStringLiteral("Command1")};   // Save
    vb::Frame Frame7{frmSave, QStringLiteral("Frame7")};
    vb::TextBox Text2{Frame7, QStringLiteral("Text2")};   // save folder, shortened
    vb::CommandButton Command19{Frame7, QStringLiteral("Command19")};   // Browse...
    vb::CommandButton Command22{Frame7, QStringLiteral("Command22")};   // Default

    // Tab 1: Restore.
    vb::Frame frmRestore{{SSTab2, 1}, QStringLiteral("frmRestore")};
    vb::Frame Frame2{frmRestore, QStringLiteral("Frame2")};
    vb::Label Label4{Frame2, QStringLiteral("Label4")};
    vb::ListBox List2{Frame2, QStringLiteral("List2")};   // slots of the Restore page
    vb::Frame Frame12{frmRestore, QStringLiteral("Frame12")};
    vb::Label Label27{Frame12, QStringLiteral("Label27")};
    vb::ListBox List1{Frame12, QStringLiteral("List1")};   // automatic-save slots
    vb::CommandButton Command4{frmRestore, QStringLiteral("Command4")};     // Restore
    vb::CommandButton Command27{frmRestore, QStringLiteral("Command27")};   // Import...

    // Tab 2: Options. Check1 is the Start menu; there is no Check11.
    vb::Frame frmOptions{{SSTab2, 2}, QStringLiteral("frmOptions")};
    vb::Frame Frame5{frmOptions, QStringLiteral("Frame5")};
    vb::CheckBox Check8{Frame5, QStringLiteral("Check8")};
    vb::CheckBox Check9{Frame5, QStringLiteral("Check9")};
    vb::CheckBox Check10{Frame5, QStringLiteral("Check10")};
    vb::CheckBox Check4{Frame5, QStringLiteral("Check4")};
    vb::CheckBox Check5{Frame5, QStringLiteral("Check5")};
    vb::CheckBox Check3{Frame5, QStringLiteral("Check3")};
    vb::CheckBox Check2{Frame5, QStringLiteral("Check2")};
    vb::CheckBox Check6{Frame5, QStringLiteral("Check6")};
    vb::CheckBox Check7{Frame5, QStringLiteral("Check7")};
    vb::CheckBox Check13{Frame5, QStringLiteral("Check13")};
    vb::CheckBox Check14{Frame5, QStringLiteral("Check14")};
    vb::CheckBox Check15{Frame5, QStringLiteral("Check15")};
    vb::CheckBox Check16{Frame5, QStringLiteral("Check16")};
    vb::CheckBox Check17{Frame5, QStringLiteral("Check17")};
    vb::CheckBox Check12{Frame5, QStringLiteral("Check12")};
    vb::CommandButton Command20{Frame5, QStringLiteral("Command20")};   // All
    vb::CommandButton Command21{Frame5, QStringLiteral("Command21")};   // None
    vb::Frame Frame9{frmOptions, QStringLiteral("Frame9")};
    vb::CheckBox Check1{Frame9, QStringLiteral("Check1")};
    vb::Frame Frame8{frmOptions, QStringLiteral("Frame8")};
    vb::Label Label21{Frame8, QStringLiteral("Label21")};
    vb::CommandButton Command11{Frame8, QStringLiteral("Command11")};     // Select...
    vb::CommandButton Command14{frmOptions, QStringLiteral("Command14")};   // Save settings

    // Tab 3: Tools.
    vb::Frame frmTools{{SSTab2, 3}, QStringLiteral("frmTools")};
    vb::Frame Frame10{frmTools, QStringLiteral("Frame10")};
    vb::CommandButton Command18{Frame10, QStringLiteral("Command18")};   // rescue disk wizard
    vb::Frame Frame11{frmTools, QStringLiteral("Frame11")};
    vb::Label Label22{Frame11, QStringLiteral("Label22")};
    vb::ComboBox Combo1{Frame11, QStringLiteral("Combo1"), 2};   // frequency of the automatic save
    vb::Label Label28{Frame11, QStringLiteral("Label28")};
    vb::TextBox Text3{Frame11, QStringLiteral("Text3")};   // interval of the automatic save, in days
    vb::Label Label29{Frame11, QStringLiteral("Label29")};
    vb::Frame Frame13{frmTools, QStringLiteral("Frame13")};
    vb::Slider Slider1{Frame13, QStringLiteral("Slider1")};   // compression level
    vb::Label Label24{Frame13, QStringLiteral("Label24")};
    vb::Label Label25{Frame13, QStringLiteral("Label25")};
    vb::CommandButton Command26{Frame13, QStringLiteral("Command26")};   // Default
    vb::Frame Frame14{frmTools, QStringLiteral("Frame14")};
    vb::Label Label23{Frame14, QStringLiteral("Label23")};
    vb::CommandButton Command28{Frame14, QStringLiteral("Command28")};   // update program

    // Tab 4: Maintenance.
    vb::Frame frmNance{{SSTab2, 4}, QStringLiteral("frmNance")};
    vb::Frame Frame6{frmNance, QStringLiteral("Frame6")};
    vb::Label Label19{Frame6, QStringLiteral("Label19")};
    vb::ListBox List3{Frame6, QStringLiteral("List3")};   // slots of the Maintenance page
    vb::CommandButton Command13{frmNance, QStringLiteral("Command13")};   // Delete
    int DeleteConfig = 0;   // the slot picked in List3 (0..4)

    // Tab 5: Info.
    vb::Frame frmInfo{{SSTab2, 5}, QStringLiteral("frmInfo")};
    vb::Frame Frame3{frmInfo, QStringLiteral("Frame3")};
    vb::Label Label6{Frame3, QStringLiteral("Label6")};
    vb::Label Label5{Frame3, QStringLiteral("Label5")};   // Windows product name
    vb::Label Label8{Frame3, QStringLiteral("Label8")};
    vb::Label Label7{Frame3, QStringLiteral("Label7")};   // Windows version number
    vb::Label Label10{Frame3, QStringLiteral("Label10")};
    vb::Label Label9{Frame3, QStringLiteral("Label9")};   // Windows sub-version
    vb::Frame Frame4{frmInfo, QStringLiteral("Frame4")};
    vb::Label Label12{Frame4, QStringLiteral("Label12")};
    vb::Label Label11{Frame4, QStringLiteral("Label11")};   // the product's major version
    vb::Label Label14{Frame4, QStringLiteral("Label14")};
    vb::Label Label13{Frame4, QStringLiteral("Label13")};   // the product's minor version
    vb::Label Label18{Frame4, QStringLiteral("Label18")};   // rights notice
    vb::CommandButton Command9{Frame4, QStringLiteral("Command9")};     // read-me viewer
    vb::CommandButton Command23{Frame4, QStringLiteral("Command23")};   // rights notice box

    // Outside the pages.
    vb::ProgressBar ProgressBar1{*this, QStringLiteral("ProgressBar1")};
    vb::ProgressBar ProgressBar2{*this, QStringLiteral("ProgressBar2")};
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};   // Help
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};   // Exit
    vb::ListBox List4{*this, QStringLiteral("List4")};   // scratch list of folders, never shown
    vb::StatusBar StatusBar1{*this, QStringLiteral("StatusBar1")};

    void Form_Load() override;
    // Goes through QuitProgram; refused while a save or a restore runs.
    void Form_Unload(int& cancel) override;

    // Page navigation, Help, Exit and the Info page.
    void SSTab2_Click(int previousTab);
    void Command2_Click();
    void Command3_Click();
    void Command9_Click();
    void Command23_Click();

    // Save page.
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Text1_Change();
    void Command1_Click();
    void Command19_Click();
    void Command22_Click();

    // Restore page. A pick in List2 (a slot) and a pick in List1 (an automatic-save slot)
    // exclude each other; Restore is offered only for a saved one.
    void List2_Click();
    void List1_Click();
    // Restore: after a confirmation loads the picked configuration's description into the
    // restore-choice window and shows it; the restore runs from its OK button. However it
    // ends, the save folder and the folders found at start-up are back afterwards.
    void Command4_Click();

    // Maintenance page.
    void List3_Click();
    // Delete: after a confirmation removes the slot's description copies and archives from
    // the folder its description records, and frees the slot.
    void Command13_Click();

    // Options page. Check_Click is the handler of each of the sixteen boxes.
    void Check_Click();
    // All and None: the enabled system-file boxes ticked or unticked (the Start menu stays).
    void Command20_Click();
    void Command21_Click();
    void Command11_Click();   // the user-file window, not modal
    void Command14_Click();

    // Tools page.
    void Command18_Click();   // the rescue disk wizard
    // The days box: asks for the days of a user-defined interval.
    void Text3_Click();
    void Slider1_Click();
    void Command26_Click();   // the default compression level
    void Command28_Click();

    // The rescue disk wizard belongs to the layer above; it hands in what the wizard button
    // starts when it registers its windows.
    static void setRescueWizard(std::function<void()> start);

    // At start-up: the restore-choice window, the two rescue-wizard windows and the
    // automatic-save window made hidden with their captions; the splash bar at 30.
    void LoadRes();

    // A save or a restore is running.
    bool Busy() const;
    // Busy, or a save under way: no restore, import or deletion may start.
    bool RefusesOperations() const;

private:
    void setTexts();
    void layOut();
    void alignSlotRows();
    void connectEvents();
    void ChooseSlot(int slot);
    void ShowPage(int tab);
    void setSystemFileBoxes(int value);
    void setPagesEnabled(bool enabled);
};

Form1Form& Form1();

// While one of these lives the program itself sets the selection boxes (reading the
// settings, the presence check of the system files): the handlers of the user's changes
// of the selection stay quiet.
class ProgramSetsSelection {
public:
    ProgramSetsSelection();
    ~ProgramSetsSelection();
    ProgramSetsSelection(const ProgramSetsSelection&) = delete;
    ProgramSetsSelection& operator=(const ProgramSetsSelection&) = delete;
    static bool active();
};

} // namespace ui
