#include "ui/UserFiles.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/UserFileList.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/HostPath.h"
#include "platform/WinPath.h"
#include "ui/AddUser.h"
#include "ui/Form1.h"
#include "vb/Conversions.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QSet>
#include <algorithm>

namespace ui {

using core::LoadResString;

namespace {

constexpr int kDefaultPointer = 0;
constexpr int kHourglass = 11;

// Whether an entry of the list is to be dropped as an orphan: its drive is there and ready,
// and no file (hidden and system files count, a folder does not) has its name; a name with a
// character no name may hold names no file. An entry on
// a drive without its disk, or on the network, cannot be judged and stays.
bool isOrphan(const QString& entry)
{
    const platform::Resolved at = platform::fs::machine().resolve(entry);
    if (at.status == platform::Resolved::NoSuchDrive || at.status == platform::Resolved::BadName)
        return true;
    return at.ok() && !at.isFile();
}

// Refuses a path that the machine cannot name, with a message naming it.
// (A name with a character outside the code page would be written to trelvo.usr with a "?"
// in its place and then name no file at all.)
bool acceptable(const QString& winPath)
{
    if (platform::winpath::isNameablePath(winPath))
        return true;
    vb::MsgBox(LoadResString(2160) + u'\r' + winPath, vb::vbCritical, LoadResString(1005));
    return false;
}

// The folder of a chosen file, as the file dialog makes it the current folder.
void makeCurrentFolderOf(const QString& file)
{
    vb::ResumeNext([&] {
        const QString folder = file.left(file.lastIndexOf(u'\\') + 1);
        vb::ChDrive(folder.left(2));
        vb::ChDir(folder.size() > 3 ? folder.chopped(1) : folder);
    });
}

} // namespace

UserFilesForm::UserFilesForm() : vb::Form(QStringLiteral("UserFiles"))
{
    setCaption(LoadResString(1524));
    layOut();
    List1.setMultiSelect(2);
    List1.setOLEDropMode(1);
    Command12.setEnabled(false);
    // Showing the window starts a visit: the list as the file holds it, the boxes as they
    // were, for Cancel to go back to.
    connect(this, &vb::Form::hidden, this, [this] { visiting_ = false; });

    connect(&SSTab1, &vb::TabStrip::Click, this, &UserFilesForm::SSTab1_Click);
    for (vb::CheckBox* box : boxes())
        connect(box, &vb::CheckBox::Click, this, &UserFilesForm::Check_Click);
    connect(&List1, &vb::ListBox::Click, this, &UserFilesForm::List1_Click);
    connect(&List1, &vb::ListBox::MouseMove, this, &UserFilesForm::List1_MouseMove);
    connect(&List1, &vb::ListBox::OLEDragDrop, this, &UserFilesForm::List1_OLEDragDrop);
    connect(&Command11, &vb::CommandButton::Click, this, &UserFilesForm::Command11_Click);
    connect(&Command12, &vb::CommandButton::Click, this, &UserFilesForm::Command12_Click);
    connect(&Command5, &vb::CommandButton::Click, this, &UserFilesForm::Command5_Click);
    connect(&Command6, &vb::CommandButton::Click, this, &UserFilesForm::Command6_Click);
    connect(&Command7, &vb::CommandButton::Click, this, &UserFilesForm::Command7_Click);
    connect(&Command1, &vb::CommandButton::Click, this, &UserFilesForm::Command1_Click);
    connect(&Command3, &vb::CommandButton::Click, this, &UserFilesForm::Command3_Click);
    connect(&Command2, &vb::CommandButton::Click, this, &UserFilesForm::Command2_Click);
    connect(&Command4, &vb::CommandButton::Click, this, &UserFilesForm::Command4_Click);
}

UserFilesForm& UserFiles() { return vb::Forms::get<UserFilesForm>(QStringLiteral("UserFiles")); }

std::array<vb::CheckBox*, 7> UserFilesForm::boxes()
{
    return {&Check1, &Check2, &Check3, &Check4, &Check5, &Check11, &Check12};
}

// Places and sizes in twips.
void UserFilesForm::layOut()
{
    setClientSize(7680, 5460);
    window()->setFixedSize(window()->size());
    SSTab1.Move(120, 120, 7440, 4680);
    for (vb::Frame* page : {&UserUser, &UserExpl, &UserNets}) {
        page->setBorderless();
        page->Move(0, 0, 7380, 4200);
    }

    Frame8.Move(120, 60, 7140, 4020);
    List1.Move(180, 330, 4860, 3510);
    vb::CommandButton* const listButtons[] = {&Command11, &Command12, &Command5, &Command6, &Command7};
    const int buttonTops[] = {330, 780, 1380, 1980, 2430};
    for (int i = 0; i < 5; ++i)
        listButtons[i]->Move(5160, buttonTops[i], 1860, 390);

    Frame1.Move(120, 60, 3510, 1260);
    Check12.Move(240, 360, 3090, 300);
    Check2.Move(240, 780, 3090, 300);
    Frame2.Move(3750, 60, 3510, 1260);
    Check1.Move(240, 360, 3090, 300);
    Check3.Move(240, 780, 3090, 300);
    Label1.Move(240, 1500, 7020, 255);

    Frame3.Move(120, 60, 3510, 1260);
    Check11.Move(240, 360, 3090, 300);
    Check4.Move(240, 780, 3090, 300);
    Frame4.Move(3750, 60, 3510, 1260);
    Check5.Move(240, 360, 3090, 300);
    Label2.Move(240, 1500, 7020, 255);

    vb::CommandButton* const windowButtons[] = {&Command3, &Command2, &Command1, &Command4};
    for (int i = 0; i < 4; ++i)
        windowButtons[i]->Move(2505 + i * 1290, 4950, 1215, 390);
    Command3.setDefault(true);
    Command2.setCancel(true);   // Esc cancels, as the close box does

    for (vb::Control* control : controls())
        if (auto* label = qobject_cast<vb::Label*>(control))
            label->setBackStyle(0);
}

// The design's texts, then those of the message catalogue.
void UserFilesForm::setTexts()
{
    const auto amp = [](int number) { return u'&' + LoadResString(number); };
    SSTab1.setTabCaption(0, LoadResString(1136));
    SSTab1.setTabCaption(1, QStringLiteral("Internet Explorer"));
    SSTab1.setTabCaption(2, QStringLiteral("Netscape Navigator"));
    Frame1.setCaption(QStringLiteral("Microsoft Internet Explorer:"));
    Frame2.setCaption(QStringLiteral("Outlook Express:"));
    Frame3.setCaption(QStringLiteral("Netscape Navigator:"));
    Frame4.setCaption(QStringLiteral("Netscape Messenger:"));
    Check12.setCaption(LoadResString(1152));
    Check2.setCaption(QStringLiteral("Cookies"));
    Check1.setCaption(LoadResString(1153));
    Check3.setCaption(QStringLiteral("Mailbox"));
    Check11.setCaption(QStringLiteral("Bookmarks"));
    Check4.setCaption(QStringLiteral("Cookies"));
    Check5.setCaption(QStringLiteral("Mailbox"));
    Command3.setCaption(QStringLiteral("&OK"));
    Command2.setCaption(amp(1092));
    Command1.setCaption(LoadResString(1091));
    Command11.setCaption(amp(1525));
    Command12.setCaption(LoadResString(1526));
    Command4.setCaption(amp(1516));
    Command5.setCaption(amp(1186));
    Command6.setCaption(LoadResString(1302));
    Command7.setCaption(LoadResString(1301));
}

// --- Window events -----------------------------------------------------------------------------

void UserFilesForm::Form_Load()
{
    SSTab1.setTab(0);
    setTexts();
    ShowCount();
    Command1.setEnabled(false);
}

void UserFilesForm::Form_Activate()
{
    // Coming back from another window keeps what the user is doing here.
    if (visiting_)
        return;
    visiting_ = true;
    setHelpContextID(2070);
    SSTab1.setTab(0);
    setCaption(LoadResString(1524));
    core::LoadUserFileList();
    ShowCount();
    SetUserListExtent();
    for (int i = 0; i < 7; ++i)
        shownBoxes_[i] = boxes()[i]->Value();
}

void UserFilesForm::Form_QueryUnload(int& cancel, int unloadMode)
{
    if (unloadMode != vb::vbFormControlMenu)
        return;
    cancel = 1;
    Command2_Click();
}

void UserFilesForm::SSTab1_Click(int)
{
    if (!core::state().SettingsSaved)
        Command1.setEnabled(true);
    const int tab = SSTab1.Tab();
    UserUser.setVisible(tab == 0);
    UserExpl.setVisible(tab == 1);
    UserNets.setVisible(tab == 2);
}

void UserFilesForm::Check_Click()
{
    if (ProgramSetsSelection::active())
        return;
    core::state().SettingsSaved = false;
    Command1.setEnabled(true);
}

void UserFilesForm::ShowCount() { Frame8.setCaption(LoadResString(1216) + vb::Str(List1.ListCount())); }

// A change of the list: not written yet, Apply offered, the count and the extent shown anew.
void UserFilesForm::listChanged()
{
    core::state().SettingsSaved = false;
    Command1.setEnabled(true);
    ShowCount();
    SetUserListExtent();
}

QStringList UserFilesForm::trimmedEntries() const
{
    QStringList entries;
    entries.reserve(List1.ListCount());
    for (int i = 0; i < List1.ListCount(); ++i)
        entries << List1.List(i).trimmed();
    return entries;
}

void UserFilesForm::replaceEntries(const QStringList& entries)
{
    List1.Clear();
    for (const QString& entry : entries)
        List1.AddItem(entry);
}

// --- The list -----------------------------------------------------------------------------------

void UserFilesForm::List1_Click() { Command12.setEnabled(true); }

void UserFilesForm::List1_MouseMove(int, int, int x, int y)
{
    const auto* list = static_cast<const QListWidget*>(List1.widget());
    const int row = list->indexAt(QPoint(vb::pixelsFromTwips(x), vb::pixelsFromTwips(y))).row();
    List1.setToolTipText(row >= 0 ? List1.List(row) : QString());
}

void UserFilesForm::List1_OLEDragDrop(const QStringList& hostPaths)
{
    bool added = false;
    for (const QString& hostPath : hostPaths) {
        const std::optional<QString> path = platform::fs::windowsPathOfHost(hostPath);
        if (!path) {
            vb::MsgBox(LoadResString(2110) + u'\r' + hostPath, vb::vbCritical, LoadResString(1005));
            continue;
        }
        const std::optional<platform::fs::Entry> entry = platform::fs::tryStat(*path);
        if (!entry || entry->isDir()) {
            vb::MsgBox(LoadResString(1048), vb::vbCritical, LoadResString(1005));
            continue;
        }
        if (!acceptable(*path))
            continue;
        List1.AddItem(path->toLower());
        added = true;
    }
    if (added)
        listChanged();
}

void UserFilesForm::Command11_Click()
{
    vb::FileDialogRequest request;
    request.title = LoadResString(1119);
    request.filter = LoadResString(1120);
    vb::ResumeNext([&] { request.initialDir = vb::CurDir(); });
    request.multiSelect = true;
    const QStringList chosen = vb::OpenFiles(request);
    if (chosen.isEmpty())
        return;
    makeCurrentFolderOf(chosen.first());
    bool added = false;
    for (const QString& file : chosen)
        if (acceptable(file)) {
            List1.AddItem(file.toLower());
            added = true;
        }
    if (added)
        listChanged();
}

void UserFilesForm::Command12_Click()
{
    vb::Screen::setMousePointer(kHourglass);
    for (int i = List1.ListCount() - 1; i >= 0; --i)
        if (List1.Selected(i))
            List1.RemoveItem(i);
    Command12.setEnabled(false);
    listChanged();
    vb::Screen::setMousePointer(kDefaultPointer);
}

void UserFilesForm::Command5_Click()
{
    core::state().SettingsSaved = false;
    AddUserForm& dialog = AddUser();
    dialog.setWindowState(vb::vbNormal);
    setWindowState(vb::vbMinimized);
    dialog.Show();
    vb::ResumeNext([&] { dialog.Combo1.SetFocus(); });
    Command1.setEnabled(true);
    Refresh();
}

void UserFilesForm::Command6_Click()
{
    if (List1.ListCount() == 0)
        return;
    vb::Screen::setMousePointer(kHourglass);
    QStringList entries = trimmedEntries();
    RemoveDupes(entries);
    const bool changed = entries.size() != List1.ListCount();
    replaceEntries(entries);
    vb::Screen::setMousePointer(kDefaultPointer);
    changed ? listChanged() : ShowCount();
}

void UserFilesForm::Command7_Click()
{
    vb::Screen::setMousePointer(kHourglass);
    QStringList kept;
    int removed = 0;
    for (const QString& entry : trimmedEntries()) {
        if (entry.isEmpty())
            continue;
        if (isOrphan(entry))
            ++removed;
        else
            kept << entry;
    }
    replaceEntries(kept);
    vb::Screen::setMousePointer(kDefaultPointer);
    if (removed > 0) {
        vb::MsgBox(LoadResString(1322) + vb::Str(removed) + LoadResString(1323), vb::vbOKOnly);
        listChanged();
    } else {
        ShowCount();
        SetUserListExtent();
    }
}

// --- Apply, OK, Cancel, Help ---------------------------------------------------------------------

void UserFilesForm::Command1_Click()
{
    Command12.setEnabled(false);
    Command1.setEnabled(false);
    applyChanges();
}

void UserFilesForm::Command3_Click()
{
    Command12.setEnabled(false);
    Command1.setEnabled(false);
    applyChanges();
    Hide();
}

void UserFilesForm::applyChanges()
{
    vb::Screen::setMousePointer(kHourglass);
    core::SaveUserFileList();
    core::SaveSettings();
    vb::Screen::setMousePointer(kDefaultPointer);
    core::state().SettingsSaved = true;
    for (int i = 0; i < 7; ++i)
        shownBoxes_[i] = boxes()[i]->Value();
}

void UserFilesForm::Command2_Click()
{
    Command12.setEnabled(false);
    // Back to what was there before: the boxes as the window showed them or as they were last
    // applied, the list as the file holds it.
    if (visiting_) {
        const ProgramSetsSelection quiet;
        for (int i = 0; i < 7; ++i)
            boxes()[i]->setValue(shownBoxes_[i]);
    }
    core::LoadUserFileList();
    ShowCount();
    Command1.setEnabled(false);
    core::state().SettingsSaved = true;
    Hide();
}

void UserFilesForm::Command4_Click() { vb::ui().ShowHelp(vb::App().HelpFile, 2070); }

// --- The list file and the list's helpers -------------------------------------------------------

void SetUserListExtent()
{
    vb::ListBox& list = UserFiles().List1;
    const QFontMetrics metrics(list.widget()->font());
    int widest = 0;
    for (int i = 0; i < list.ListCount(); ++i)
        widest = qMax(widest, metrics.horizontalAdvance(list.List(i)));
    list.setHorizontalExtent(widest + 5);
}

void RemoveDupes(QStringList& list)
{
    // From the end: an entry is kept when no later one is the same text.
    QSet<QString> later;
    QStringList kept;
    for (auto entry = list.crbegin(); entry != list.crend(); ++entry) {
        if (entry->trimmed().isEmpty() || later.contains(*entry))
            continue;
        later.insert(*entry);
        kept << *entry;
    }
    std::reverse(kept.begin(), kept.end());
    list = kept;
}

} // namespace ui
