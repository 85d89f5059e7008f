#include "catalogue/Import.h"
#include "catalogue/ConfigItems.h"
#include "catalogue/ImportedDescription.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

#include <algorithm>
#include <optional>

namespace catalogue {

namespace {

const QString kRestoreReq = QStringLiteral("RestoreReq");

// The buttons of the restore-choice window that only a choice needs: OK, All and None of
// the user files, All and None of the system files.
void ShowChoiceButtons(bool visible)
{
    for (const char* name : {"Command1", "Command3", "Command4", "Command5", "Command6"}) {
        vb::CommandButton& button = core::ButtonOf(kRestoreReq, QString::fromLatin1(name));
        button.setVisible(visible);
        button.setEnabled(true);
    }
}

// What reading an imported description replaces of the folders found at start-up; they
// come back when the import's handler ends, so the settings never record another machine's.
class ProbedFoldersKept {
public:
    ProbedFoldersKept()
        : s_(core::state()), systemPath_(s_.SystemPath), favorites_(s_.PathFavorites), netscape_(s_.PathNetscape),
          startMenu_(s_.PathStartmenue)
    {
    }
    ~ProbedFoldersKept()
    {
        s_.SystemPath = systemPath_;
        s_.PathFavorites = favorites_;
        s_.PathNetscape = netscape_;
        s_.PathStartmenue = startMenu_;
    }
    ProbedFoldersKept(const ProbedFoldersKept&) = delete;
    ProbedFoldersKept& operator=(const ProbedFoldersKept&) = delete;

private:
    core::ProgramState& s_;
    QString systemPath_, favorites_, netscape_, startMenu_;
};

// The row of slot n of `folder`, or none when the folder holds no description file of
// that slot, or one that cannot be read.
std::optional<QString> ListingRow(const QString& folder, int n)
{
    const QString file = folder + QStringLiteral("Config") + QString::number(n) + QStringLiteral(".ini");
    try {
        if (vb::Dir(file).isEmpty())
            return std::nullopt;
        QString description = core::ReadIni(QStringLiteral("Configuration"), QStringLiteral("ConfigName"), file);
        if (description.isEmpty()) {
            // The sequential form of version 1.2x: its first item is the description.
            const int f = vb::FreeFile();
            vb::Open(file, vb::OpenMode::Input, f);
            try {
                if (!vb::Eof(f))
                    description = vb::InputItem(f);
            } catch (const vb::Error&) {
                vb::Close(f);
                throw;
            }
            vb::Close(f);
        }
        const QString changed = vb::Format(vb::FileDateTime(file), QStringLiteral("mm/dd/yyyy hh:nn"));
        return QString::number(n) + QStringLiteral(" / ") + description + vb::Space(std::max(0, 15 - vb::Len(description))) +
               QStringLiteral(" / ") + changed;
    } catch (const vb::Error&) {
        return std::nullopt;
    }
}

} // namespace

ImportForm::ImportForm() : vb::Form(QStringLiteral("Import"))
{
    setClientSize(6735, 4215);
    Frame2.Move(120, 120, 6495, 2415);
    Label2.Move(120, 270, 6255, 255);
    Label2.setFontName(QStringLiteral("Courier New"));
    List1.Move(120, 540, 6255, 1740);
    List1.setFixedPitch(true);
    Frame1.Move(120, 2640, 6495, 855);
    Label4.Move(120, 300, 6255, 435);
    Label4.setPathEllipsis(true);   // a deep folder on one line, its middle left out
    Command1.Move(120, 3660, 1455, 390);
    Command4.Move(1800, 3660, 1455, 390);
    Command2.Move(3480, 3660, 1455, 390);
    Command2.setCancel(true);
    Command3.Move(5160, 3660, 1455, 390);
    connect(&List1, &vb::ListBox::Click, this, [this] { List1_Click(); });
    connect(&Command1, &vb::CommandButton::Click, this, [this] { Command1_Click(); });
    connect(&Command4, &vb::CommandButton::Click, this, [this] { Command4_Click(); });
    connect(&Command2, &vb::CommandButton::Click, this, [this] { Command2_Click(); });
    connect(&Command3, &vb::CommandButton::Click, this, [this] { Command3_Click(); });
}

void ImportForm::Form_Load()
{
    setHelpContextID(2050);
    setCaption(core::LoadResString(1317));
    Frame2.setCaption(core::LoadResString(1240));
    Label2.setCaption(core::LoadResString(1261));
    Frame1.setCaption(core::LoadResString(1318));
    Command1.setCaption(u'&' + core::LoadResString(1519));
    Command4.setCaption(core::LoadResString(1239));
    Command2.setCaption(u'&' + core::LoadResString(1092));
    Command3.setCaption(u'&' + core::LoadResString(1516));
    Command1.setEnabled(false);
    Command4.setEnabled(false);
}

void ImportForm::List1_Click()
{
    Command1.setEnabled(true);
    Command4.setEnabled(true);
}

void ImportForm::Command1_Click()
{
    core::ProgramState& s = core::state();
    const int position = List1.ListIndex();
    if (position < 0)
        return;
    const QString row = List1.List(position);
    s.ImportActive = true;
    s.SelectedConfig = position;
    const ProbedFoldersKept probed;
    // However the restore ends (or does not begin), the import is over with this handler.
    struct ImportEnds {
        ~ImportEnds() { core::state().ImportActive = false; }
    } ends;

    if (vb::MsgBox(core::LoadResString(1007) + u'\r' + core::LoadResString(1008) + u'\r' + row, vb::vbYesNo | vb::vbQuestion,
                   core::LoadResString(1009)) == vb::vbNo)
        return;
    LoadCINIImport();
    if (!s.ImportActive)
        return;
    s.SelectedConfig = int(vb::Val(vb::Left(vb::Trim(row), 1))) - 1;
    struct SaveFolderBack {
        QString folder;
        ~SaveFolderBack()
        {
            core::state().SelectedConfig = 0;
            core::state().SaveFolder = folder;
        }
    } back{s.SaveFolder};
    s.SaveFolder = s.ImportSaveFolder;
    // This window goes; nothing of it is touched from here on.
    Unload();
    ShowChoiceButtons(true);
    core::Win(kRestoreReq).Show(vb::vbModal);
}

void ImportForm::Command4_Click()
{
    const ProbedFoldersKept probed;
    LoadCINIImport();
    vb::Form& choice = core::Win(kRestoreReq);
    for (const ConfigItem& item : ConfigItems) {
        vb::CheckBox& box = item.RestoreCheckBox();
        if (box.Enabled())
            box.setValue(1);
    }
    // The view is put back however the window closes: its buttons, its "All files selected !"
    // note and its caption.
    vb::Label& note = core::LabelOf(kRestoreReq, QStringLiteral("Label1"));
    struct ViewEnds {
        vb::Form& choice;
        vb::Label& note;
        QString caption;
        bool noteShown;
        ~ViewEnds()
        {
            choice.setCaption(caption);
            note.setVisible(noteShown);
            vb::ResumeNext([] { ShowChoiceButtons(true); });
        }
    } ends{choice, note, choice.Caption(), note.Visible()};
    ShowChoiceButtons(false);
    note.setVisible(false);
    choice.setCaption(core::LoadResString(1215));
    choice.Show(vb::vbModal);
}

void ImportForm::Command2_Click() { Unload(); }

void ImportForm::Command3_Click() { vb::ui().ShowHelp(vb::App().HelpFile, HelpContextID()); }

ImportForm& Import() { return vb::Forms::get<ImportForm>(QStringLiteral("Import")); }

void Form1_Command27_Click()
{
    // No import while a save is under way.
    if (core::state().SaveRunning)
        return;
    QString folder = vb::BrowseForFolder(core::LoadResString(1214));
    if (folder.startsWith(QStringLiteral("\\\\")))
        vb::MsgBox(core::LoadResString(1168), vb::vbOKOnly);
    ImportForm& window = Import();
    window.Frame1.setCaption(core::LoadResString(1318));
    window.setCaption(core::LoadResString(1213));
    if (folder.isEmpty())
        return;
    window.Hide();
    window.Refresh();
    if (!folder.endsWith(u'\\'))
        folder += u'\\';
    window.List1.Clear();
    window.Command1.setEnabled(false);
    window.Command4.setEnabled(false);
    window.Label4.setCaption(folder);
    for (int n = 1; n <= 5; ++n) {
        if (const auto row = ListingRow(folder, n))
            window.List1.AddItem(*row);
    }
    if (window.List1.ListCount() > 0)
        window.Show(vb::vbModal);
    else
        vb::MsgBox(core::LoadResString(1262), vb::vbOKOnly);
}

} // namespace catalogue
