#include "ui/AddUser.h"
#include "catalogue/SearchSettings.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/UserFileList.h"
#include "platform/FolderWalk.h"
#include "platform/WinPath.h"
#include "ui/UserFiles.h"
#include "vb/Conversions.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QListWidget>
#include <QPointer>

namespace ui {

using core::LoadResString;

namespace {

constexpr int kDefaultPointer = 0;
constexpr int kHourglass = 11;
// The found list and the folder shown are brought up to date, and the window's events
// run, this often during a walk: often enough for Stop and the animation, seldom enough
// that the walk costs what the folders' listings cost.
constexpr int kEventsEveryMs = 25;
// Where the found list begins below the search frame, in twips.
constexpr int kListTop = 1320;

QString withBackslash(QString folder)
{
    if (!folder.endsWith(u'\\'))
        folder += u'\\';
    return folder;
}

// The pattern a file type stands for: its extension, the text after its last full stop, or
// the whole text when it has none, behind "*.": "doc", ".doc", "*.doc" and "letter.doc"
// all give "*.doc", and an extension keeps its length ("*.html"). "*" and "*.*" stay as
// they are, and so does a text without a full stop that begins with "*". Empty when there
// is no type.
QString patternOf(const QString& type)
{
    const QString text = type.trimmed();
    const qsizetype dot = text.lastIndexOf(u'.');
    if (dot < 0)
        return text.isEmpty() || text.startsWith(u'*') ? text : QStringLiteral("*.") + text;
    return QStringLiteral("*.") + text.mid(dot + 1);
}

// While the search runs, the program's other windows take no input: no save, restore or
// change of the user-file list starts underneath it.
class OtherWindowsInert {
public:
    explicit OtherWindowsInert(const vb::Form& searching)
    {
        for (vb::Form* form : vb::Forms::loaded())
            if (form != &searching && form->Enabled() && (form->Visible() || form->Name() == u"Form1")) {
                form->setEnabled(false);
                inert_ << form;
            }
    }
    ~OtherWindowsInert()
    {
        for (const QPointer<vb::Form>& form : inert_)
            if (form)
                form->setEnabled(true);
    }
    OtherWindowsInert(const OtherWindowsInert&) = delete;
    OtherWindowsInert& operator=(const OtherWindowsInert&) = delete;

private:
    QList<QPointer<vb::Form>> inert_;
};

} // namespace

// --- The search dialog ----------------------------------------------------------------------

AddUserForm::AddUserForm() : vb::Form(QStringLiteral("AddUser"))
{
    setCaption(QStringLiteral("Search"));
    setClientSize(6000, 2700);
    window()->setFixedSize(window()->size());
    Frame1.Move(120, 60, 4260, 840);
    Combo1.Move(240, 330, 3780, 330);
    Frame2.Move(120, 1020, 4260, 1560);
    Combo2.Move(240, 330, 3780, 330);
    Command2.Move(240, 930, 1260, 390);
    Check1.Move(1680, 975, 2460, 300);
    Command1.Move(4560, 120, 1320, 390);
    Command3.Move(4560, 600, 1320, 390);
    Command4.Move(4560, 2190, 1320, 390);
    Command1.setDefault(true);
    Command3.setCancel(true);

    connect(&Command1, &vb::CommandButton::Click, this, &AddUserForm::Command1_Click);
    connect(&Command2, &vb::CommandButton::Click, this, &AddUserForm::Command2_Click);
    connect(&Command3, &vb::CommandButton::Click, this, &AddUserForm::Command3_Click);
    connect(&Command4, &vb::CommandButton::Click, this, &AddUserForm::Command4_Click);
}

AddUserForm& AddUser() { return vb::Forms::get<AddUserForm>(QStringLiteral("AddUser")); }

void AddUserForm::Form_Load()
{
    setHelpContextID(2030);
    setCaption(LoadResString(1191));
    Frame1.setCaption(LoadResString(1187));
    Frame2.setCaption(LoadResString(1190));
    Check1.setCaption(LoadResString(1188));
    Command2.setCaption(u'&' + LoadResString(1109));
    Command1.setCaption(QStringLiteral("&OK"));
    Command3.setCaption(u'&' + LoadResString(1092));
    Command4.setCaption(u'&' + LoadResString(1516));

    const QString file = core::state().UserFilesIni;
    const QString section = QStringLiteral("AddUserSettings");
    const auto readList = [&](vb::ComboBox& list, const QString& key) {
        list.Clear();
        for (int i = 0;; ++i) {
            const QString entry = core::ReadIni(section, key + QString::number(i), file);
            if (entry.isEmpty())
                break;
            list.AddItem(entry);
        }
    };
    readList(Combo1, QStringLiteral("Filetypes"));
    const QString subDirs = core::ReadIni(section, QStringLiteral("SubDirs"), file);
    if (vb::IsNumeric(subDirs))
        vb::ResumeNext([&] { Check1.setValue(vb::CInt(subDirs)); });
    readList(Combo2, QStringLiteral("FilePath"));
}

void AddUserForm::Form_QueryUnload(int& cancel, int unloadMode)
{
    if (unloadMode != vb::vbFormControlMenu)
        return;
    cancel = 1;
    Command3_Click();
}

void AddUserForm::Command1_Click()
{
    catalogue::SaveAddUserSettings();
    vb::DoEvents();
    frmDrvScan().Show();   // its load runs the whole search
    vb::DoEvents();
    vb::Forms::unload(QStringLiteral("frmDrvScan"));
    vb::DoEvents();
    UserFiles().setWindowState(vb::vbNormal);
    // The next Search... reads the file again.
    Unload();
}

void AddUserForm::Command2_Click()
{
    QString folder = vb::BrowseForFolder(LoadResString(1224));
    if (folder.isEmpty())
        return;
    if (folder.startsWith(QStringLiteral("\\\\")))
        vb::MsgBox(LoadResString(1168), vb::vbOKOnly);
    folder = withBackslash(folder);
    int chosen = -1;
    for (int i = 0; i < Combo2.ListCount(); ++i)
        if (Combo2.List(i).compare(folder, Qt::CaseInsensitive) == 0)
            chosen = i;
    if (chosen == -1) {
        Combo2.AddItem(folder);
        chosen = Combo2.ListCount() - 1;
    }
    Combo2.setListIndex(chosen);
}

void AddUserForm::Command3_Click()
{
    UserFiles().setWindowState(vb::vbNormal);
    Hide();
}

void AddUserForm::Command4_Click() { vb::ui().ShowHelp(vb::App().HelpFile, HelpContextID()); }

// --- The search window ----------------------------------------------------------------------

frmDrvScanForm::frmDrvScanForm() : vb::Form(QStringLiteral("frmDrvScan"))
{
    setCaption(QStringLiteral("Searching..."));
    setClientSize(6000, 4500);
    Frame1.Move(120, 60, 3960, 1140);
    Frame1.setCaption(QStringLiteral("Searching"));
    Label1.Move(180, 270, 3660, 480);
    Label1.setWordWrap(true);
    Label2.Move(180, 810, 3660, 255);
    Label2.setPathEllipsis(true);
    Command1.Move(4560, 780, 1215, 390);
    Command1.setCaption(QStringLiteral("&Stop"));
    Command1.setCancel(true);
    List1.Move(120, kListTop, 5760, 3060);
    List1.setPathEllipsis(true);
    // Rows of one height: a long list is laid out without measuring every row anew.
    static_cast<QListWidget*>(List1.widget())->setUniformItemSizes(true);
    for (vb::Control* control : controls())
        if (auto* label = qobject_cast<vb::Label*>(control))
            label->setBackStyle(0);
    connect(&Command1, &vb::CommandButton::Click, this, &frmDrvScanForm::Command1_Click);
}

frmDrvScanForm::~frmDrvScanForm() = default;

frmDrvScanForm& frmDrvScan() { return vb::Forms::get<frmDrvScanForm>(QStringLiteral("frmDrvScan")); }

void frmDrvScanForm::Form_Load()
{
    vb::DoEvents();
    Show();
    vb::DoEvents();
    Label1.setCaption(LoadResString(1315) + u' ' + LoadResString(1316) + u'\r' + LoadResString(1019));
    animation_.Create(hWnd(), 110, 280, 5, 100, 40);
    animation_.pPlay();
    vb::DoEvents();
    SearchFiles();
}

void frmDrvScanForm::Form_QueryUnload(int& cancel, int unloadMode)
{
    if (unloadMode == vb::vbFormControlMenu && SearchRunning) {
        cancel = 1;
        SearchRunning = false;
    }
}

void frmDrvScanForm::Form_Unload(int&)
{
    animation_.Destroy();
    vb::Screen::setMousePointer(kDefaultPointer);
    vb::DoEvents();
}

void frmDrvScanForm::Form_Resize()
{
    if (WindowState() == vb::vbMinimized)
        return;
    List1.Move(120, kListTop, qMax(0, ScaleWidth() - 240), qMax(0, ScaleHeight() - kListTop - 120));
}

void frmDrvScanForm::Command1_Click() { SearchRunning = false; }

void frmDrvScanForm::SearchFiles()
{
    AddUserForm& dialog = AddUser();
    const bool typed = dialog.Combo1.ListIndex() == -1;
    SearchPattern = patternOf(typed ? dialog.Combo1.Text() : dialog.Combo1.List(dialog.Combo1.ListIndex()));
    if (SearchPattern.isEmpty()) {
        vb::MsgBox(LoadResString(1241), vb::vbOKOnly);
        return;
    }
    if (typed) {
        bool listed = false;
        for (int i = 0; i < dialog.Combo1.ListCount() && !listed; ++i)
            listed = dialog.Combo1.List(i).compare(SearchPattern, Qt::CaseInsensitive) == 0;
        if (!listed)
            dialog.Combo1.AddItem(SearchPattern);
        dialog.Combo1.setText(SearchPattern);
    }

    const OtherWindowsInert inert(*this);
    vb::Screen::setMousePointer(kHourglass);
    SearchRunning = true;
    includeSubfolders_ = dialog.Check1.Value() == 1;
    List1.Clear();
    found_.clear();
    QString start = dialog.Combo2.Text();
    if (!start.endsWith(u'\\')) {
        start += u'\\';
        dialog.Combo2.setText(start);
    }
    // Walked from its full path, so that every file found is named with its drive, also
    // when the folder was given without one ("\" is the root of the current drive).
    walk_ = std::make_unique<platform::fs::FolderWalk>(start);
    sinceEvents_.start();
    SearchFolder(walk_->ok() ? walk_->start() : start);
    walk_.reset();
    showFound();

    SearchRunning = false;
    vb::Screen::setMousePointer(kDefaultPointer);
    Label2.setCaption(QString());
    animation_.Destroy();
    vb::Beep();

    const int count = List1.ListCount();
    const int answer = vb::MsgBox(LoadResString(1312) + u' ' + vb::Str(count) + u' ' + SearchPattern + u' ' +
                                      LoadResString(1313) + QStringLiteral("\r\r") + LoadResString(1314),
                                  vb::vbYesNo | vb::vbInformation, LoadResString(1311));
    UserFilesForm& userFiles = UserFiles();
    if (answer == vb::vbYes) {
        for (int i = 0; i < count; ++i)
            if (const QString entry = List1.List(i); !entry.isEmpty())
                userFiles.List1.AddItem(entry.toLower());
    }
    core::SaveUserFileList();
    vb::DoEvents();
    catalogue::SaveAddUserSettings();
    vb::DoEvents();
    userFiles.ShowCount();
    SetUserListExtent();
    List1.Clear();
}

void frmDrvScanForm::SearchFolder(const QString& path)
{
    letEventsRun(path);
    if (!SearchRunning)
        return;
    // A folder that cannot be listed (missing, unreadable, a link, listed before, a path
    // too long) is passed over.
    const platform::fs::FolderWalk::Listing listing = walk_ ? walk_->list(path) : platform::fs::FolderWalk::Listing();
    if (!listing.listed)
        return;
    QStringList subfolders;
    for (const QString& name : listing.folders)
        if (!name.startsWith(u'.'))
            subfolders << name;
    AddMatches(path, listing.files);
    if (!includeSubfolders_)
        SearchRunning = false;
    for (const QString& name : subfolders) {
        if (!SearchRunning)
            return;
        SearchFolder(path + name + u'\\');
    }
}

void frmDrvScanForm::AddMatches(const QString& path, const QStringList& files)
{
    for (const QString& name : files) {
        letEventsRun(path);
        if (!SearchRunning)
            return;
        if (platform::winpath::wildcardMatch(SearchPattern, name))
            found_ << path + name;
    }
}

void frmDrvScanForm::letEventsRun(const QString& folder)
{
    // The first files found are shown at once; after them the list grows at the pace above.
    const bool firstFound = List1.ListCount() == 0 && !found_.isEmpty();
    if (sinceEvents_.elapsed() < kEventsEveryMs && !firstFound)
        return;
    showFound();
    Label2.setCaption(folder);
    vb::DoEvents();
    sinceEvents_.restart();
}

// What was found since the last time goes into the list in one go: drawn once, and scrolled
// to its end.
void frmDrvScanForm::showFound()
{
    if (found_.isEmpty())
        return;
    auto* list = static_cast<QListWidget*>(List1.widget());
    list->setUpdatesEnabled(false);
    list->addItems(found_);
    list->scrollToBottom();
    list->setUpdatesEnabled(true);
    found_.clear();
}

} // namespace ui
