#pragma once
// The search for user-defined files by type: the dialog AddUser (a file type, a start folder,
// subfolders or not; its lists remembered in UserFiles.ini) and the window frmDrvScan that
// walks the folders with the animation playing, lists what it finds and, when the user
// agrees, adds the found files to the user-file list.
#include "core/SysAnimate32.h"
#include "vb/Form.h"

#include <QElapsedTimer>
#include <QStringList>
#include <memory>

namespace platform::fs {
class FolderWalk;
}

namespace ui {

class AddUserForm : public vb::Form {
    Q_OBJECT
public:
    AddUserForm();

    vb::Frame Frame1{*this, QStringLiteral("Frame1")};
    vb::ComboBox Combo1{Frame1, QStringLiteral("Combo1")};   // file types: "*.doc", ...
    vb::Frame Frame2{*this, QStringLiteral("Frame2")};
    vb::ComboBox Combo2{Frame2, QStringLiteral("Combo2")};   // start folders, each ending in "\"
    vb::CheckBox Check1{Frame2, QStringLiteral("Check1")};   // include subfolders
    vb::CommandButton Command2{Frame2, QStringLiteral("Command2")};   // Browse...
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // OK
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};   // Cancel
    vb::CommandButton Command4{*this, QStringLiteral("Command4")};   // Help

    // Fills the lists and the box from UserFiles.ini; whatever cannot be read stays empty.
    void Form_Load() override;
    // The close box acts as Cancel.
    void Form_QueryUnload(int& cancel, int unloadMode) override;

    // OK: remembers the lists, runs the search and closes the dialog.
    void Command1_Click();
    void Command2_Click();
    // Cancel hides the dialog; its lists and texts stay for the next Search...
    void Command3_Click();
    void Command4_Click();
};

AddUserForm& AddUser();

class frmDrvScanForm : public vb::Form {
    Q_OBJECT
public:
    frmDrvScanForm();
    ~frmDrvScanForm() override;

    vb::Frame Frame1{*this, QStringLiteral("Frame1")};
    vb::Label Label1{Frame1, QStringLiteral("Label1")};   // the waiting text
    vb::Label Label2{Frame1, QStringLiteral("Label2")};   // the folder being searched
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // Stop (also Esc)
    vb::ListBox List1{*this, QStringLiteral("List1")};                // what was found

    bool SearchRunning = false;
    QString SearchPattern;   // "*.doc", "*" or "*.*"

    // Shows the window and runs the whole search, the question at its end included.
    void Form_Load() override;
    // The close box stops a running search; the window goes with the dialog's OK.
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;
    // The found list takes the window's width and the height below the search frame.
    void Form_Resize() override;
    void Command1_Click();

    void SearchFiles();
    // One folder, listed once: its matches, then (with subfolders) each subfolder in the
    // order of the listing. Links to folders are not entered, no folder is searched twice,
    // and what the machine cannot name is passed over.
    void SearchFolder(const QString& path);
    void AddMatches(const QString& path, const QStringList& files);

private:
    void letEventsRun(const QString& folder);
    void showFound();

    core::SysAnimate32 animation_;
    std::unique_ptr<platform::fs::FolderWalk> walk_;
    bool includeSubfolders_ = false;
    QStringList found_;   // found since the list was last updated
    QElapsedTimer sinceEvents_;
};

frmDrvScanForm& frmDrvScan();

} // namespace ui
