#pragma once
// The user-file window ("Other Files"): the user-defined files to save (List1, kept in the
// program folder's trelvo.usr) and the seven boxes of the browser and mail data. It is
// created hidden at start-up and lives as long as the program: the settings, the probe of
// the system folders and the save read its controls directly. OK and Cancel only hide it.
#include "vb/Form.h"

#include <QStringList>
#include <array>

namespace ui {

class UserFilesForm : public vb::Form {
    Q_OBJECT
public:
    UserFilesForm();

    vb::TabStrip SSTab1{*this, QStringLiteral("SSTab1"), 3};

    // Tab 0: the user-defined files.
    vb::Frame UserUser{{SSTab1, 0}, QStringLiteral("UserUser")};
    vb::Frame Frame8{UserUser, QStringLiteral("Frame8")};   // its caption counts the files
    vb::ListBox List1{Frame8, QStringLiteral("List1")};
    vb::CommandButton Command11{Frame8, QStringLiteral("Command11")};   // Add...
    vb::CommandButton Command12{Frame8, QStringLiteral("Command12")};   // Remove
    vb::CommandButton Command5{Frame8, QStringLiteral("Command5")};     // Search...
    vb::CommandButton Command6{Frame8, QStringLiteral("Command6")};     // Remove Duplicates
    vb::CommandButton Command7{Frame8, QStringLiteral("Command7")};     // Remove Orphanes

    // Tab 1: Internet Explorer and Outlook Express.
    vb::Frame UserExpl{{SSTab1, 1}, QStringLiteral("UserExpl")};
    vb::Frame Frame1{UserExpl, QStringLiteral("Frame1")};
    vb::CheckBox Check12{Frame1, QStringLiteral("Check12")};   // favorites
    vb::CheckBox Check2{Frame1, QStringLiteral("Check2")};     // cookies
    vb::Frame Frame2{UserExpl, QStringLiteral("Frame2")};
    vb::CheckBox Check1{Frame2, QStringLiteral("Check1")};     // address book
    vb::CheckBox Check3{Frame2, QStringLiteral("Check3")};     // mailbox
    vb::Label Label1{UserExpl, QStringLiteral("Label1")};      // the browser's version

    // Tab 2: Netscape Navigator and Messenger.
    vb::Frame UserNets{{SSTab1, 2}, QStringLiteral("UserNets")};
    vb::Frame Frame3{UserNets, QStringLiteral("Frame3")};
    vb::CheckBox Check11{Frame3, QStringLiteral("Check11")};   // bookmarks
    vb::CheckBox Check4{Frame3, QStringLiteral("Check4")};     // cookies
    vb::Frame Frame4{UserNets, QStringLiteral("Frame4")};
    vb::CheckBox Check5{Frame4, QStringLiteral("Check5")};     // mailbox
    vb::Label Label2{UserNets, QStringLiteral("Label2")};      // the browser's version

    // Outside the tabs.
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};   // OK
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};   // Cancel
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // Apply
    vb::CommandButton Command4{*this, QStringLiteral("Command4")};   // Help

    void Form_Load() override;
    // Shown anew, the window reads the list from trelvo.usr (what was not applied is gone)
    // and notes its boxes for Cancel; coming back from another window changes nothing.
    void Form_Activate() override;
    // The close box hides the window as Cancel does.
    void Form_QueryUnload(int& cancel, int unloadMode) override;

    void SSTab1_Click(int previousTab);
    void Check_Click();   // each of the seven boxes
    void List1_Click();
    void List1_MouseMove(int button, int shift, int x, int y);
    // Files dragged from the host's desktop: those on the machine's drives are added.
    void List1_OLEDragDrop(const QStringList& hostPaths);
    void Command11_Click();
    void Command12_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command1_Click();
    void Command3_Click();
    void Command2_Click();
    void Command4_Click();

    // The caption of Frame8: "User-defined Files - Total Files: " and the number of entries.
    void ShowCount();

private:
    void layOut();
    void setTexts();
    std::array<vb::CheckBox*, 7> boxes();
    QStringList trimmedEntries() const;
    void replaceEntries(const QStringList& entries);
    void listChanged();
    void applyChanges();

    bool visiting_ = false;                // shown, and not hidden since
    std::array<int, 7> shownBoxes_{};      // the boxes as shown or last applied, for Cancel
};

UserFilesForm& UserFiles();

// The horizontal scroll range of List1: as wide as its widest entry.
void SetUserListExtent();

// Drops the blank entries and every entry that occurs again further on, so that of each
// text (compared exactly) its last occurrence remains; the order is kept.
void RemoveDupes(QStringList& list);

} // namespace ui
