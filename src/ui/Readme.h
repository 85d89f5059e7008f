#pragma once
// The read-me viewer: Readme.txt of the program folder, one line per row. Created on each
// opening and unloaded by its Close button.
#include "vb/Form.h"

namespace ui {

class ReadmeForm : public vb::Form {
    Q_OBJECT
public:
    ReadmeForm();

    vb::ListBox List1{*this, QStringLiteral("List1")};
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // Close

    // Centres the window and reads the file; a missing file is reported and leaves the
    // list empty.
    void Form_Load() override;
    void Command1_Click();
};

ReadmeForm& Readme();

} // namespace ui
