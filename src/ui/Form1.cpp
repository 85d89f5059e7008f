#include "ui/Form1.h"
#include "backup/AutoKeepSchedule.h"
#include "backup/Save.h"
#include "catalogue/Description.h"
#include "catalogue/Import.h"
#include "core/Exit.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/PathUtils.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Shell.h"
#include "core/SlotLists.h"
#include "core/Startup.h"
#include "core/Windows.h"
#include "restore/Restore.h"
#include "restore/RestoreReq.h"
#include "ui/InstanceLock.h"
#include "ui/Readme.h"
#include "ui/UserFiles.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QFontMetricsF>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QWidget>
#include <QtMath>

namespace ui {

using core::LoadResString;

namespace {

bool g_starting = false;
int g_programSetsSelection = 0;
std::function<void()> g_rescueWizard;

QString withBackslash(QString folder)
{
    if (!folder.endsWith(u'\\'))
        folder += u'\\';
    return folder;
}

// Page tabs: frame, help context and status text on entering (the Save page's text depends
// on the description box).
constexpr int kHelpContext[] = {1010, 1020, 1050, 1060, 1070, 2020};
constexpr int kStatusText[] = {1500, 1017, 1508, 1509, 1030, 1510};

} // namespace

ProgramSetsSelection::ProgramSetsSelection() { ++g_programSetsSelection; }
ProgramSetsSelection::~ProgramSetsSelection() { --g_programSetsSelection; }
bool ProgramSetsSelection::active() { return g_programSetsSelection > 0; }

Form1Form::Form1Form() : vb::Form(QStringLiteral("Form1"))
{
    layOut();
    setTexts();
    alignSlotRows();
    connectEvents();
}

Form1Form& Form1Form::LoadAtStart()
{
    const QScopedValueRollback<bool> starting(g_starting, true);
    return Form1();
}

// Every text of the window, from the message catalogue where it has one.
void Form1Form::setTexts()
{
    const auto amp = [](int number) { return u'&' + LoadResString(number); };
    setCaption(LoadResString(1085));

    const int tabTitles[] = {1518, 1519, 1508, 1509, 1030, 1510};
    for (int tab = 0; tab < 6; ++tab)
        SSTab2.setTabCaption(tab, LoadResString(tabTitles[tab]));
    StatusBar1.setText(LoadResString(1500));
    Command2.setCaption(amp(1516));
    Command2.setToolTipText(LoadResString(1093));
    Command3.setCaption(amp(1517));
    Command3.setToolTipText(LoadResString(1094));

    // Save page
    Frame1.setCaption(LoadResString(1515));
    vb::OptionButton* const options[] = {&Option1, &Option2, &Option3, &Option4, &Option5};
    for (int slot = 1; slot <= 5; ++slot)
        options[slot - 1]->setCaption(LoadResString(1502) + QStringLiteral(" %1:").arg(slot));
    Label1.setCaption(LoadResString(1514));
    Text1.setToolTipText(LoadResString(1100));
    Command1.setCaption(amp(1518));
    Frame7.setCaption(LoadResString(1108));
    Command19.setCaption(amp(1109));
    Command22.setCaption(LoadResString(1139));

    // Restore page
    Frame2.setCaption(LoadResString(1520));
    Label4.setCaption(LoadResString(1521));
    List2.setToolTipText(LoadResString(1101));
    Frame12.setCaption(LoadResString(1134));
    Label27.setCaption(LoadResString(1135));
    Command4.setCaption(amp(1519));
    Command4.setToolTipText(LoadResString(1175));
    Command27.setCaption(amp(1309));

    // Options page
    Frame5.setCaption(LoadResString(1523));
    const std::pair<vb::CheckBox*, const char*> systemFiles[] = {
        {&Check8, "Autoexec.bat"},  {&Check9, "Config.sys"},    {&Check10, "Msdos.sys"},    {&Check4, "Control.ini"},
        {&Check5, "Protocol.ini"},  {&Check3, "System.ini"},    {&Check2, "Win.ini"},       {&Check6, "User.dat"},
        {&Check7, "System.dat"},    {&Check13, "Autoexec.dos"}, {&Check14, "Config.dos"},   {&Check15, "Dblspace.ini"},
        {&Check16, "Drvspace.ini"}, {&Check17, "Drvspace.bin"}, {&Check12, "Dblspace.bin"},
    };
    for (const auto& [box, caption] : systemFiles)
        box->setCaption(QString::fromLatin1(caption));
    Command20.setCaption(LoadResString(1538));
    Command21.setCaption(LoadResString(1539));
    Frame9.setCaption(LoadResString(1086));
    Check1.setCaption(LoadResString(1088));
    Frame8.setCaption(LoadResString(1524));
    Label21.setCaption(LoadResString(1089));
    Command11.setCaption(LoadResString(1087));
    Command14.setCaption(amp(1527));
    Command14.setToolTipText(LoadResString(1527));

    // Tools page
    Frame10.setCaption(LoadResString(1530));
    Command18.setCaption(LoadResString(1531));
    Frame11.setCaption(QStringLiteral("AutoKeep"));
    Label22.setCaption(LoadResString(1137));
    Label28.setCaption(LoadResString(1178));
    Label29.setCaption(LoadResString(1177));
    Frame13.setCaption(LoadResString(1300));
    Label24.setCaption(LoadResString(1303));
    Label25.setCaption(LoadResString(1304));
    Command26.setCaption(LoadResString(1139));
    Frame14.setCaption(LoadResString(1305));
    Label23.setCaption(LoadResString(1307) + u'\r' + LoadResString(1308));
    Command28.setCaption(LoadResString(1306));

    // Maintenance page
    Frame6.setCaption(LoadResString(1528));
    Label19.setCaption(LoadResString(1521));
    Command13.setCaption(amp(1529));

    // Info page
    Frame3.setCaption(LoadResString(1532));
    Label6.setCaption(QStringLiteral("Operating system:"));
    Label8.setCaption(QStringLiteral("Version:"));
    Label10.setCaption(QStringLiteral("Sub-version:"));
    Frame4.setCaption(LoadResString(1533));
    Label12.setCaption(QStringLiteral("Major version:"));
    Label14.setCaption(QStringLiteral("Minor version:"));
    Label18.setCaption(LoadResString(1099));
    Command9.setCaption(QStringLiteral("&Readme..."));
    Command23.setCaption(amp(1310));
}

// The other windows whose captions the start-up sets. Each sets its own catalogue texts as it
// is made, so naming them makes them now, hidden, with those texts (their load handlers run
// here); the automatic-save window's button reads "&Cancel" from the start.
void Form1Form::LoadRes()
{
    for (const char* window : {"RestoreReq", "Wizzard", "SelWiz", "FrmAutoKeep"})
        core::Win(QString::fromLatin1(window));
    core::ButtonOf(QStringLiteral("FrmAutoKeep"), QStringLiteral("Command1")).setCaption(u'&' + LoadResString(1092));
    core::ProgressBarOf(QStringLiteral("Form2"), QStringLiteral("ProgressBar1")).setValue(30);
}

// The design: places and sizes in twips, fonts, ranges and the initial states.
void Form1Form::layOut()
{
    setClientSize(9000, 5400);
    window()->setFixedSize(window()->size());
    SSTab2.Move(120, 120, 8760, 4260);

    // The page frames fill their pages and draw nothing of their own.
    for (vb::Frame* page : {&frmSave, &frmRestore, &frmOptions, &frmTools, &frmNance, &frmInfo}) {
        page->setBorderless();
        page->Move(0, 0, 8700, 3780);
        page->setVisible(page == &frmSave);
    }

    // Save page (Option1 ... Option5 and Label2 are placed by alignSlotRows)
    Frame1.Move(120, 60, 8400, 1980);
    Label2.setFontName(QStringLiteral("Courier New"));
    Label1.Move(5160, 360, 3000, 255);
    Text1.Move(5160, 630, 3000, 330);
    Text1.setMaxLength(15);
    Command1.Move(6945, 1170, 1215, 390);
    Command1.setEnabled(false);
    Frame7.Move(120, 2160, 8400, 960);
    Text2.Move(240, 390, 5520, 330);
    Text2.setLocked(true);
    Command19.Move(5910, 360, 1140, 390);
    Command22.Move(7140, 360, 1140, 390);

    // Restore page
    Frame2.Move(120, 60, 6480, 1860);
    Label4.Move(240, 300, 4200, 255);
    List2.Move(240, 570, 6000, 1140);
    Frame12.Move(120, 2040, 6480, 1620);
    Label27.Move(240, 300, 4200, 255);
    List1.Move(240, 570, 6000, 900);
    for (vb::ListBox* list : {&List1, &List2})
        list->setFixedPitch(true);
    Command4.Move(6780, 180, 1740, 390);
    Command27.Move(6780, 690, 1740, 390);

    // Options page: the system files in three columns of five, in the order of the check
    // at start-up.
    Frame5.Move(120, 60, 5760, 3000);
    vb::CheckBox* const systemFiles[] = {&Check8,  &Check9,  &Check10, &Check4,  &Check5,  &Check3,  &Check2, &Check6,
                                         &Check7,  &Check13, &Check14, &Check15, &Check16, &Check17, &Check12};
    for (int i = 0; i < 15; ++i)
        systemFiles[i]->Move(240 + (i / 5) * 1860, 330 + (i % 5) * 360, 1740, 300);
    Command20.Move(240, 2400, 1215, 390);
    Command21.Move(1575, 2400, 1215, 390);
    Frame9.Move(6000, 60, 2520, 780);
    Check1.Move(240, 330, 2160, 300);
    Frame8.Move(6000, 960, 2520, 2100);
    Label21.Move(240, 330, 2160, 1080);
    Label21.setWordWrap(true);
    Command11.Move(240, 1530, 1455, 390);
    Command14.Move(6000, 3240, 2520, 390);
    Command14.setEnabled(false);

    // Tools page
    Frame10.Move(120, 60, 4140, 1680);
    Command18.Move(240, 420, 2400, 390);
    Frame11.Move(120, 1860, 4140, 1680);
    Label22.Move(240, 330, 3720, 255);
    Combo1.Move(240, 690, 1920, 330);
    Label28.Move(2280, 735, 420, 255);
    Text3.Move(2700, 690, 600, 330);
    Label29.Move(3420, 735, 600, 255);
    Text3.setLocked(true);   // the days come from the question its click asks
    Frame13.Move(4380, 60, 4140, 1680);
    Slider1.Move(240, 360, 3660, 450);
    Slider1.setMin(0);
    Slider1.setMax(9);
    Slider1.setTickFrequency(1);
    Label24.Move(240, 840, 1500, 255);
    Label25.Move(2400, 840, 1500, 255);
    Label25.setAlignment(1);
    Command26.Move(2760, 1140, 1140, 390);
    Frame14.Move(4380, 1860, 4140, 1680);
    Label23.Move(240, 330, 3660, 780);
    Command28.Move(240, 1140, 1215, 390);

    // Maintenance page
    Frame6.Move(120, 60, 6480, 1860);
    Label19.Move(240, 300, 4200, 255);
    List3.Move(240, 570, 6000, 1140);
    List3.setFixedPitch(true);
    Command13.Move(6780, 180, 1740, 390);
    Command13.setEnabled(false);

    // Info page
    Frame3.Move(120, 60, 4260, 1680);
    const std::pair<vb::Label*, vb::Label*> systemInfo[] = {{&Label6, &Label5}, {&Label8, &Label7}, {&Label10, &Label9}};
    for (int row = 0; row < 3; ++row) {
        systemInfo[row].first->Move(240, 360 + row * 390, 1680, 255);
        systemInfo[row].second->Move(1980, 360 + row * 390, 2160, 255);
    }
    Frame4.Move(4500, 60, 4020, 3120);
    const std::pair<vb::Label*, vb::Label*> programInfo[] = {{&Label12, &Label11}, {&Label14, &Label13}};
    for (int row = 0; row < 2; ++row) {
        programInfo[row].first->Move(240, 360 + row * 390, 1680, 255);
        programInfo[row].second->Move(1980, 360 + row * 390, 1800, 255);
    }
    Label18.Move(240, 1200, 3660, 1200);
    Label18.setWordWrap(true);
    Command9.Move(240, 2520, 1455, 390);
    Command23.Move(1860, 2520, 1455, 390);

    // Outside the pages
    ProgressBar1.Move(120, 4500, 5880, 165);
    ProgressBar2.Move(120, 4725, 5880, 165);
    for (vb::ProgressBar* bar : {&ProgressBar1, &ProgressBar2}) {
        bar->setMin(0);
        bar->setMax(10);
    }
    Command2.Move(6225, 4500, 1215, 390);
    Command3.Move(7665, 4500, 1215, 390);
    List4.setVisible(false);

    // Labels show the colour of what they stand on.
    for (vb::Control* control : controls())
        if (auto* label = qobject_cast<vb::Label*>(control))
            label->setBackStyle(0);
}

// The descriptions of Label2 stand beside the slot choices, one line of the label per
// option button, whatever the fonts of the host: the buttons follow the label's lines.
void Form1Form::alignSlotRows()
{
    constexpr double kMinimumPitch = 16;   // pixels; an option button needs that much
    Label2.setFontSize(Label1.FontSize() + 2);
    while (QFontMetricsF(Label2.widget()->font()).lineSpacing() < kMinimumPitch)
        Label2.setFontSize(Label2.FontSize() + 0.5);
    const double pitch = QFontMetricsF(Label2.widget()->font()).lineSpacing();
    const int top = 22;   // pixels below the frame's top edge
    vb::OptionButton* const options[] = {&Option1, &Option2, &Option3, &Option4, &Option5};
    for (int i = 0; i < 5; ++i) {
        const int rowTop = top + qRound(i * pitch);
        const int rowBottom = top + qRound((i + 1) * pitch);
        options[i]->Move(240, vb::twipsFromPixels(rowTop), 2160, vb::twipsFromPixels(rowBottom - rowTop));
    }
    // The buttons centre their captions in their rows; the label's lines share their baselines.
    const QFontMetricsF caption(Option1.widget()->font());
    const QFontMetricsF descriptions(Label2.widget()->font());
    const int baselineShift = qRound((pitch - caption.height()) / 2 + caption.ascent() - descriptions.ascent());
    Label2.Move(2520, vb::twipsFromPixels(top + baselineShift), 2520, vb::twipsFromPixels(qCeil(5 * pitch) + 2));
}

void Form1Form::connectEvents()
{
    connect(&SSTab2, &vb::TabStrip::Click, this, &Form1Form::SSTab2_Click);
    connect(&Command2, &vb::CommandButton::Click, this, &Form1Form::Command2_Click);
    connect(&Command3, &vb::CommandButton::Click, this, &Form1Form::Command3_Click);
    connect(&Command9, &vb::CommandButton::Click, this, &Form1Form::Command9_Click);
    connect(&Command23, &vb::CommandButton::Click, this, &Form1Form::Command23_Click);

    connect(&Option1, &vb::OptionButton::Click, this, &Form1Form::Option1_Click);
    connect(&Option2, &vb::OptionButton::Click, this, &Form1Form::Option2_Click);
    connect(&Option3, &vb::OptionButton::Click, this, &Form1Form::Option3_Click);
    connect(&Option4, &vb::OptionButton::Click, this, &Form1Form::Option4_Click);
    connect(&Option5, &vb::OptionButton::Click, this, &Form1Form::Option5_Click);
    connect(&Text1, &vb::TextBox::Change, this, &Form1Form::Text1_Change);
    connect(&Command1, &vb::CommandButton::Click, this, &Form1Form::Command1_Click);
    connect(&Command19, &vb::CommandButton::Click, this, &Form1Form::Command19_Click);
    connect(&Command22, &vb::CommandButton::Click, this, &Form1Form::Command22_Click);

    connect(&List2, &vb::ListBox::Click, this, &Form1Form::List2_Click);
    connect(&List1, &vb::ListBox::Click, this, &Form1Form::List1_Click);
    connect(&Command4, &vb::CommandButton::Click, this, &Form1Form::Command4_Click);
    connect(&Command27, &vb::CommandButton::Click, this, &catalogue::Form1_Command27_Click);
    connect(&List3, &vb::ListBox::Click, this, &Form1Form::List3_Click);
    connect(&Command13, &vb::CommandButton::Click, this, &Form1Form::Command13_Click);

    for (vb::CheckBox* box : {&Check1, &Check2, &Check3, &Check4, &Check5, &Check6, &Check7, &Check8, &Check9, &Check10,
                              &Check12, &Check13, &Check14, &Check15, &Check16, &Check17})
        connect(box, &vb::CheckBox::Click, this, &Form1Form::Check_Click);
    connect(&Command20, &vb::CommandButton::Click, this, &Form1Form::Command20_Click);
    connect(&Command21, &vb::CommandButton::Click, this, &Form1Form::Command21_Click);
    connect(&Command11, &vb::CommandButton::Click, this, &Form1Form::Command11_Click);
    connect(&Command14, &vb::CommandButton::Click, this, &Form1Form::Command14_Click);

    connect(&Command18, &vb::CommandButton::Click, this, &Form1Form::Command18_Click);
    connect(&Combo1, &vb::ComboBox::Click, this, &backup::Form1_Combo1_Click);
    connect(&Text3, &vb::TextBox::Click, this, &Form1Form::Text3_Click);
    connect(&Slider1, &vb::Slider::Click, this, &Form1Form::Slider1_Click);
    connect(&Slider1, &vb::Slider::Change, this, &Form1Form::Slider1_Click);
    connect(&Command26, &vb::CommandButton::Click, this, &Form1Form::Command26_Click);
    connect(&Command28, &vb::CommandButton::Click, this, &Form1Form::Command28_Click);
}

Form1Form& Form1() { return vb::Forms::get<Form1Form>(QStringLiteral("Form1")); }

// --- Load and close ------------------------------------------------------------------------

void Form1Form::Form_Load()
{
    const bool starting = g_starting;
    if (starting && !HoldInstanceLock()) {
        // An automatic run started while the program is open has nobody to press OK.
        if (backup::AutomaticRunWanted())
            core::ErrorLog(0, u' ' + LoadResString(1263));
        else
            vb::MsgBox(LoadResString(1263), vb::vbOKOnly);
        vb::End(0);
    }
    setLeft(vb::Screen::Width() / 2 - Width() / 2);
    setTop(vb::Screen::Height() / 2 - Height() / 2);
    if (starting)
        core::MakeProgramFolderCurrent();
    vb::App().HelpFile = core::ProgramFolder() + QStringLiteral("\\trelvo.HLP>Sub");
    setHelpContextID(kHelpContext[0]);
    if (!starting)
        return;

    LoadRes();
    try {
        const ProgramSetsSelection quiet;
        core::StartupChecks();
    } catch (const vb::Error& e) {
        core::ErrorLog(e.Number(), QStringLiteral("StartupChecks"));
    }
}

void Form1Form::Form_Unload(int& cancel)
{
    core::QuitProgram();
    // QuitProgram returns while an operation runs: the window stays, the operation needs it.
    if (Busy())
        cancel = 1;
}

bool Form1Form::Busy() const { return !Command2.Enabled() || !Command3.Enabled(); }

bool Form1Form::RefusesOperations() const { return Busy() || core::state().SaveRunning; }

// --- Page navigation -------------------------------------------------------------------------

void Form1Form::SSTab2_Click(int)
{
    core::ProgramState& s = core::state();
    // The question about unsaved settings waits while an operation runs (a save and a
    // restore write the settings at their end anyway): the page just changes.
    if (!s.SettingsSaved && !RefusesOperations()) {
        s.SettingsSaved = true;
        SSTab2.setTab(2);   // shows the Options page through this handler
        if (vb::MsgBox(LoadResString(1527), vb::vbYesNo | vb::vbQuestion, LoadResString(1009)) != vb::vbYes)
            return;
        core::SaveSettings();
    }
    ShowPage(SSTab2.Tab());
}

void Form1Form::ShowPage(int tab)
{
    vb::Frame* const pages[] = {&frmSave, &frmRestore, &frmOptions, &frmTools, &frmNance, &frmInfo};
    if (tab < 0 || tab > 5)
        return;
    for (int i = 0; i < 6; ++i)
        pages[i]->setVisible(i == tab);
    setHelpContextID(kHelpContext[tab]);
    // While a save or a restore runs the status line is theirs: it says what they do.
    if (!RefusesOperations())
        StatusBar1.setText(LoadResString(tab == 0 && !Text1.Text().isEmpty() ? 1506 : kStatusText[tab]));
    if (tab == 1 && List2.ListIndex() == -1)
        Command4.setEnabled(false);
}

void Form1Form::Command2_Click() { vb::ui().ShowHelp(vb::App().HelpFile, HelpContextID()); }

void Form1Form::Command3_Click() { core::QuitProgram(); }

void Form1Form::Command9_Click()
{
    // F1 in the read-me viewer opens the help of the page it was opened from.
    Readme().setHelpContextID(HelpContextID());
    Readme().Show(vb::vbModal);
}

void Form1Form::Command23_Click()
{
    vb::MsgBox(LoadResString(1099) + QStringLiteral("\r\r") + LoadResString(1158), vb::vbOKOnly);
}

// --- Save page --------------------------------------------------------------------------------

void Form1Form::Option1_Click() { ChooseSlot(1); }
void Form1Form::Option2_Click() { ChooseSlot(2); }
void Form1Form::Option3_Click() { ChooseSlot(3); }
void Form1Form::Option4_Click() { ChooseSlot(4); }
void Form1Form::Option5_Click() { ChooseSlot(5); }

void Form1Form::ChooseSlot(int slot)
{
    core::ProgramState& s = core::state();
    Command1.setEnabled(true);
    s.SelectedConfig = slot - 1;
    Text1.setText(s.ConfigDescription[slot - 1]);
    if (Text1.Text() == LoadResString(1010)) {
        Text1.setText(QString());
        StatusBar1.setText(LoadResString(1500));
    } else {
        StatusBar1.setText(LoadResString(1503) + QString::number(slot));
    }
}

void Form1Form::Text1_Change()
{
    Command1.setEnabled(!Text1.Text().isEmpty());
    Command1.setDefault(true);
}

void Form1Form::Command1_Click()
{
    // Nothing starts beside a running operation (the rescue wizard writing its floppies).
    if (RefusesOperations())
        return;
    core::ProgramState& s = core::state();
    const QString freeSlot = LoadResString(1010);
    const auto refuse = [this](int message) {
        vb::MsgBox(LoadResString(message), vb::vbCritical | vb::vbOKOnly, LoadResString(1011));
        vb::ResumeNext([this] { Text1.SetFocus(); });
    };

    s.SaveDone = false;
    const QString description = Text1.Text();
    if (description.isEmpty() || description == freeSlot)
        return refuse(1504);
    if (description.contains(u' '))
        return refuse(1031);
    // Nothing selected: refused before the slot is asked about, let alone touched.
    if (backup::RefuseEmptySave())
        return;
    if (List2.List(s.SelectedConfig) != freeSlot &&
        vb::MsgBox(LoadResString(1140), vb::vbYesNo | vb::vbQuestion, LoadResString(1009)) != vb::vbYes)
        return;

    Command1.setEnabled(false);
    const int slot = s.SelectedConfig;
    const QString n = QString::number(slot + 1);
    s.SaveDescription = description;
    const QString previous = s.ConfigDescription[slot];
    s.ConfigDescription[slot] = s.SaveDescription;
    s.ConfigIniPath = core::ProgramFolder() + QStringLiteral("\\Config") + n + QStringLiteral(".ini");
    s.ConfigIniCopyPath = s.SaveFolder + QStringLiteral("Config") + n + QStringLiteral(".ini");
    s.OldConfigDeleted = false;
    {
        // The save reads the pages' boxes as they stand; nothing on them may change meanwhile.
        setPagesEnabled(false);
        const auto unlock = qScopeGuard([this] { setPagesEnabled(true); });
        backup::Save();
    }
    // Stopped early: the slot keeps its old description as long as its old files are still
    // there. Once Save has deleted them the slot is free, and Save has recorded it so.
    if (!s.SaveDone && !s.OldConfigDeleted) {
        s.ConfigDescription[slot] = previous;
        core::RefreshConfigList();
    }
}

void Form1Form::setPagesEnabled(bool enabled)
{
    for (vb::Frame* page : {&frmSave, &frmRestore, &frmOptions, &frmTools, &frmNance})
        page->widget()->setEnabled(enabled);
    // The user-file window and the search dialog hold the rest of what the save reads; the
    // rescue wizard's windows, open beside the main window, would start their disks inside it.
    for (const QString& name : {QStringLiteral("UserFiles"), QStringLiteral("AddUser"), QStringLiteral("Wizzard"),
                                QStringLiteral("SelWiz")})
        if (vb::Forms::isLoaded(name))
            core::Win(name).setEnabled(enabled);
}

void Form1Form::Command19_Click()
{
    core::ProgramState& s = core::state();
    const QString chosen = vb::BrowseForFolder(LoadResString(1127));
    if (!chosen.isEmpty()) {
        s.SaveFolder = chosen;
        if (s.SaveFolder.size() < 4) {
            s.SaveFolder = withBackslash(s.SaveFolder) + QStringLiteral("Trelvo\\");
            vb::MsgBox(LoadResString(1183) + u'\r' + LoadResString(1185) + u'\r' + s.SaveFolder, vb::vbOKOnly);
        }
        s.SaveFolder = withBackslash(s.SaveFolder);
        Text2.setText(core::ShortenPath(s.SaveFolder, 49));

        const QString testFile = s.SaveFolder + QStringLiteral("Test.ttt");
        const int n = vb::FreeFile();
        try {
            vb::Open(testFile, vb::OpenMode::Output, n);
            vb::Close(n);
            vb::Kill(testFile);
        } catch (const vb::Error& e) {
            vb::ResumeNext([n] { vb::Close(n); });
            const int number = e.Number();
            if (number == 75 || number == 71 || number == 52) {
                vb::MsgBox(LoadResString(1150), vb::vbOKOnly);
                s.SaveFolder = withBackslash(core::ProgramFolder());
                Text2.setText(core::ShortenPath(s.SaveFolder, 49));
            }
            return;
        }
    }
    core::SaveSettings();
}

void Form1Form::Command22_Click()
{
    core::ProgramState& s = core::state();
    s.SaveFolder = withBackslash(core::ProgramFolder());
    Text2.setText(core::ShortenPath(s.SaveFolder, 49));
    core::SaveSettings();
}

// --- Restore and Maintenance pages ------------------------------------------------------------

namespace {

// A loaded description points the save folder at its archives and replaces the folders found
// at start-up with the ones it recorded, for its restore only. However the Restore button's
// handler ends, they all come back, the save-folder box shows the user's folder again, and
// nothing the load prepared for a restore from floppies reaches the next one.
class LoadedConfigurationScope {
public:
    explicit LoadedConfigurationScope(Form1Form& main)
        : main_(main), s_(core::state()), saveFolder_(s_.SaveFolder), systemPath_(s_.SystemPath),
          favorites_(s_.PathFavorites), netscape_(s_.PathNetscape), startMenu_(s_.PathStartmenue)
    {
    }
    ~LoadedConfigurationScope()
    {
        s_.SaveFolder = saveFolder_;
        s_.SystemPath = systemPath_;
        s_.PathFavorites = favorites_;
        s_.PathNetscape = netscape_;
        s_.PathStartmenue = startMenu_;
        restore::ForgetLoadedRestore();
        main_.Text2.setText(core::ShortenPath(s_.SaveFolder, 49));
    }
    LoadedConfigurationScope(const LoadedConfigurationScope&) = delete;
    LoadedConfigurationScope& operator=(const LoadedConfigurationScope&) = delete;

private:
    Form1Form& main_;
    core::ProgramState& s_;
    QString saveFolder_, systemPath_, favorites_, netscape_, startMenu_;
};

} // namespace

void Form1Form::List2_Click()
{
    const int picked = List2.ListIndex();
    if (picked == -1)
        return;
    Command4.setEnabled(true);
    core::state().SelectedConfig = picked;
    if (List2.List(picked) == LoadResString(1010))
        Command4.setEnabled(false);
    List1.setListIndex(-1);
}

void Form1Form::List1_Click()
{
    const int picked = List1.ListIndex();
    if (picked == -1)
        return;
    Command4.setEnabled(true);
    if (List1.List(picked).contains(LoadResString(1131)))
        Command4.setEnabled(false);
    List2.setListIndex(-1);
}

void Form1Form::Command4_Click()
{
    if (RefusesOperations())
        return;
    core::ProgramState& s = core::state();
    restore::RestoreReqForm& choice = restore::RestoreReq();
    for (vb::CommandButton* button : {&choice.Command1, &choice.Command3, &choice.Command5, &choice.Command6, &choice.Command4})
        button->setVisible(true);
    choice.Label1.setVisible(true);

    s.PrevSaveFolder = s.SaveFolder;
    const LoadedConfigurationScope loaded(*this);
    QString entry = s.ConfigDescription[s.SelectedConfig];
    bool notAvailable = entry == LoadResString(1010);
    const int automatic = List1.ListIndex();
    if (automatic != -1) {
        s.SaveFolder = core::ProgramFolder() + QStringLiteral("\\AutoKeep\\");
        s.SelectedConfig = automatic;
        entry = QStringLiteral("AutoKeep ") + List1.List(automatic);
        // An automatic slot that holds no save has no description to load.
        notAvailable = entry.contains(LoadResString(1131));
    }
    if (entry.isEmpty()) {
        vb::MsgBox(LoadResString(1045), vb::vbCritical | vb::vbOKOnly, LoadResString(1011));
        return;
    }
    if (notAvailable) {
        vb::MsgBox(LoadResString(1046), vb::vbCritical | vb::vbOKOnly, LoadResString(1011));
        return;
    }
    if (vb::MsgBox(LoadResString(1007) + u'\r' + LoadResString(1008) + u'\r' + entry, vb::vbYesNo | vb::vbQuestion,
                   LoadResString(1009)) != vb::vbYes)
        return;

    s.LoadResult = 0;
    catalogue::LoadCINI();
    if (s.LoadResult == 1)
        return;
    // The restore runs inside the window, from its OK button.
    choice.Show(vb::vbModal);
}

void Form1Form::List3_Click()
{
    const int picked = List3.ListIndex();
    if (picked == -1)
        return;
    Command13.setEnabled(true);
    DeleteConfig = picked;
    if (List3.List(picked) == LoadResString(1010))
        Command13.setEnabled(false);
}

void Form1Form::Command13_Click()
{
    if (RefusesOperations())
        return;
    core::ProgramState& s = core::state();
    if (vb::MsgBox(LoadResString(1043) + u'\r' + s.ConfigDescription[DeleteConfig],
                   vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2, LoadResString(1009)) != vb::vbYes)
        return;

    // From here on a step that fails is passed over: the slot is freed in any case.
    vb::ResumeNext(core::MakeProgramFolderCurrent);
    const QString n = QString::number(DeleteConfig + 1);
    // The description of an automatic-save slot lies in the program's own AutoKeep folder;
    // a save folder of the user's that merely has the word in its name is no such folder.
    s.ConfigIniPath = (core::IsAutoKeepFolder(s.SaveFolder) ? core::AutoKeepFolder() : core::ProgramFolder() + u'\\') +
                      QStringLiteral("Config") + n + QStringLiteral(".ini");
    // The folder the description records; without one, names stand in the program folder.
    QString folder = core::ReadIni(QStringLiteral("SystemFiles"), QStringLiteral("SaveFolder"), s.ConfigIniPath);
    if (!folder.isEmpty())
        folder = withBackslash(folder);
    for (const char* pattern : {"Config%1.ini", "Config%1.usr", "Conf%1.tva", "Conf%1s.tva", "Conf%1us.tva", "Conf%1i.tva",
                                "Conf%1mc.tva", "Conf%1mb.tva", "Conf%1ma.tva", "Conf%1mx.tva", "Conf%1na.tva"}) {
        const QString file = folder + QString::fromLatin1(pattern).arg(n);
        vb::ResumeNext([&] {
            if (!vb::Dir(file).isEmpty())
                vb::Kill(file);
        });
    }
    s.ConfigDescription[DeleteConfig] = LoadResString(1010);
    vb::ResumeNext(core::RefreshConfigList);
    vb::ResumeNext(core::SaveSettings);
    Command13.setEnabled(false);
}

// --- Options and Tools pages ------------------------------------------------------------------

void Form1Form::Check_Click()
{
    if (ProgramSetsSelection::active())
        return;
    Command14.setEnabled(true);
    core::state().SettingsSaved = false;
}

void Form1Form::Command20_Click() { setSystemFileBoxes(1); }
void Form1Form::Command21_Click() { setSystemFileBoxes(0); }

void Form1Form::setSystemFileBoxes(int value)
{
    // A box whose value changes reports the change through its own handler.
    for (vb::CheckBox* box : {&Check2, &Check3, &Check4, &Check5, &Check6, &Check7, &Check8, &Check9, &Check10, &Check12,
                              &Check13, &Check14, &Check15, &Check16, &Check17})
        if (box->Enabled())
            box->setValue(value);
    core::state().SettingsSaved = false;
}

void Form1Form::Command11_Click()
{
    UserFilesForm& userFiles = UserFiles();
    if (userFiles.WindowState() == vb::vbMinimized)
        userFiles.setWindowState(vb::vbNormal);
    userFiles.Show();
}

void Form1Form::Command14_Click() { core::SaveSettings(); }

void Form1Form::setRescueWizard(std::function<void()> start) { g_rescueWizard = std::move(start); }

void Form1Form::Command18_Click()
{
    if (g_rescueWizard)
        g_rescueWizard();
}

void Form1Form::Text3_Click()
{
    // Straight to "User defined": the question comes at once, and Cancel keeps the
    // interval the box showed.
    if (Combo1.ListIndex() == 4)
        backup::Form1_Combo1_Click();
    else
        Combo1.setListIndex(4);
}

void Form1Form::Slider1_Click()
{
    if (ProgramSetsSelection::active())
        return;
    core::state().Compression = QString::number(Slider1.Value());
}

void Form1Form::Command26_Click()
{
    Slider1.setValue(1);
    core::state().Compression = QStringLiteral("1");
}

void Form1Form::Command28_Click() { core::ShellProgram(QStringLiteral("skyfetch.exe")); }

} // namespace ui
