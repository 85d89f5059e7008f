#pragma once
// The import of configurations saved in another folder: the main window's Import... button
// lists the description files Config1.ini to Config5.ini of a chosen folder in the Import
// window, from which one is restored through the restore-choice window or only looked at.
// The program's own slots, its save folder, its settings and the folders it found at
// start-up are the same after an import as before it.
#include "vb/Form.h"

namespace catalogue {

class ImportForm : public vb::Form {
    Q_OBJECT
public:
    ImportForm();

    vb::Frame Frame2{*this, QStringLiteral("Frame2")};
    vb::Label Label2{Frame2, QStringLiteral("Label2")};   // column header
    vb::ListBox List1{Frame2, QStringLiteral("List1")};   // one row per description file
    vb::Frame Frame1{*this, QStringLiteral("Frame1")};
    vb::Label Label4{Frame1, QStringLiteral("Label4")};   // the folder listed, ending with "\"
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // Restore
    vb::CommandButton Command4{*this, QStringLiteral("Command4")};   // Contents...
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};   // Cancel
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};   // Help

    void Form_Load() override;
    void List1_Click();
    // Restore: after a confirmation reads the chosen description (LoadCINIImport) and shows
    // the restore-choice window with the save folder pointing at the imported archives.
    // ImportActive is True only while that window is up; the save folder, SelectedConfig
    // and the start-up folders are put back however it ends.
    void Command1_Click();
    // Contents...: the restore-choice window view-only, every held item ticked, OK and the
    // All/None buttons hidden; its buttons and caption are put back however it closes.
    void Command4_Click();
    void Command2_Click();   // Cancel
    void Command3_Click();   // Help
};

ImportForm& Import();

// The main window's Import... button: asks for a folder (a network path only brings a
// warning) and lists its description files in the Import window, shown modally; "No
// recoverable Configuration found." when there is none. A row reads: the slot digit,
// " / ", the description (padded to 15 characters, a longer one whole), " / ", the file's
// date and time. A file that cannot be read, or a drive that is not ready, lists nothing.
void Form1_Command27_Click();

} // namespace catalogue
