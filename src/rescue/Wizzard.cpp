#include "rescue/Wizzard.h"
#include "backup/FloppyPrep.h"
#include "core/Windows.h"
#include "rescue/RescueDisks.h"
#include "ui/Form1.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QApplication>
#include <QFrame>
#include <QLinearGradient>
#include <QPainter>
#include <QStyle>

namespace rescue {

namespace {

constexpr int kBarFull = 130;
constexpr int kBarStep = 7;

QString PageOneText() { return Text(1053) + Text(1054) + Text(1055) + QStringLiteral("\r\r\r\r") + Text(1056); }
QString NewSetPageTwoText() { return Text(1057) + QStringLiteral("\r\r") + Text(1058) + QStringLiteral("\r\r\r") + Text(1059); }
QString UpdatePageTwoText() { return Text(1144) + Text(1145); }
QString FormatInstructions()
{
    return Text(1324) + QStringLiteral("\r\r") + Text(1325) + u'\r' + Text(1326) + u'\r' + Text(1327);
}

// The bitmap at the left of the pages.
QPixmap WizardPicture(int widthTwips, int heightTwips)
{
    QPixmap picture(vb::pixelsFromTwips(widthTwips), vb::pixelsFromTwips(heightTwips));
    QPainter painter(&picture);
    QLinearGradient shade(0, 0, 0, picture.height());
    shade.setColorAt(0, QColor(0, 48, 112));
    shade.setColorAt(1, QColor(0, 144, 160));
    painter.fillRect(picture.rect(), shade);
    const int size = 64;
    const QPixmap floppy = QApplication::style()
                               ->standardIcon(QStyle::SP_DriveFDIcon)
                               .pixmap(size, size)
                               .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawPixmap((picture.width() - size) / 2, picture.height() / 3, floppy);
    return picture;
}

// While the wizard writes floppies the main window's Exit button is off: the program does
// not end under the running work (QuitProgram waits for it), and no save or restore starts
// beside it.
class MainWindowBusy {
public:
    MainWindowBusy()
        : exit_(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3"))), wasEnabled_(exit_.Enabled())
    {
        exit_.setEnabled(false);
    }
    ~MainWindowBusy()
    {
        if (wasEnabled_)
            exit_.setEnabled(true);
    }
    MainWindowBusy(const MainWindowBusy&) = delete;
    MainWindowBusy& operator=(const MainWindowBusy&) = delete;

private:
    vb::CommandButton& exit_;
    bool wasEnabled_;
};

} // namespace

WizzardForm::WizzardForm() : vb::Form(QStringLiteral("Wizzard"))
{
    setCaption(Text(1106));
    setClientSize(7575, 4755);

    Picture1.Move(120, 120, 2175, 3735);
    Label1.Move(2520, 240, 4935, 2055);
    Label1.setWordWrap(true);
    Option1.Move(2760, 2400, 4575, 255);
    Option1.setCaption(Text(1103));
    Option2.Move(2760, 2760, 4575, 255);
    Option2.setCaption(Text(1141));
    Option1.setValue(true);
    Label3.Move(2520, 2400, 3135, 855);
    Label3.setWordWrap(true);
    Label3.setVisible(false);
    Command5.Move(5760, 2640, 1695, 375);
    Command5.setCaption(u'&' + Text(1102));
    Command5.setVisible(false);
    Label2.Move(2520, 3360, 4935, 255);
    ProgressBar4.Move(2520, 3660, 4935, 255);
    ProgressBar4.setMax(kBarFull);
    ProgressBar4.setVisible(false);

    // Two plain lines between the pages and the button row.
    auto* rule = new QFrame(window());
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(vb::pixelsFromTwips(120), vb::pixelsFromTwips(4080), vb::pixelsFromTwips(7335), 2);

    Command1.Move(2385, 4260, 1215, 375);
    Command1.setCaption(Text(1105));
    Command1.setEnabled(false);
    Command2.Move(3600, 4260, 1215, 375);
    Command2.setCaption(Text(1104));
    Command2.setDefault(true);
    Command3.Move(4920, 4260, 1215, 375);
    Command3.setCaption(u'&' + Text(1092));
    Command3.setCancel(true);
    Command4.Move(6240, 4260, 1215, 375);
    Command4.setCaption(u'&' + Text(1516));
    Command4.setToolTipText(Text(1093));

    connect(&Command1, &vb::CommandButton::Click, this, [this] { Command1_Click(); });
    connect(&Command2, &vb::CommandButton::Click, this, [this] { Command2_Click(); });
    connect(&Command3, &vb::CommandButton::Click, this, [this] { Command3_Click(); });
    connect(&Command4, &vb::CommandButton::Click, this, [this] { Command4_Click(); });
    connect(&Command5, &vb::CommandButton::Click, this, [this] { Command5_Click(); });
}

void WizzardForm::Form_Load()
{
    Label1.setCaption(PageOneText());
    setHelpContextID(1040);
    vb::DoEvents();
}

void WizzardForm::Form_Activate()
{
    if (Picture1.Picture().isNull())
        Picture1.setPicture(WizardPicture(2145, 3705));
}

void WizzardForm::Form_Unload(int&) { RemoveRescueArchive(); }

void WizzardForm::Form_QueryUnload(int& cancel, int unloadMode)
{
    if (unloadMode != vb::vbFormControlMenu)
        return;
    // The window stays loaded, as its own buttons keep it; running work (a boot or data disk,
    // an update, a question on the way) cannot be left at all.
    cancel = 1;
    if (!AtWork() && Command3.Enabled() && Command3.Visible())
        Command3_Click();
}

void WizzardForm::ReturnToPage1()
{
    Label1.setCaption(PageOneText());
    Command1.setEnabled(false);
    Option1.setVisible(true);
    Option2.setVisible(true);
    Command5.setVisible(false);
    Label3.setVisible(false);
    ProgressBar4.setValue(0);
    ProgressBar4.setVisible(false);
    BootDiskDone = false;
    // The next boot disk or update packs a new one.
    RemoveRescueArchive();
}

void WizzardForm::Command1_Click() { ReturnToPage1(); }

void WizzardForm::Command2_Click()
{
    const bool onPageTwo = Command1.Enabled();
    if (Option2.Value()) {
        if (!onPageTwo) {
            Option1.setVisible(false);
            Option2.setVisible(false);
            Command1.setEnabled(true);
            Label1.setCaption(UpdatePageTwoText());
            Label3.setVisible(false);
            return;
        }
        const MainWindowBusy busy;
        UpDateDataDisk();
        return;
    }

    if (!onPageTwo) {
        Option1.setVisible(false);
        Option2.setVisible(false);
        Command1.setEnabled(true);
        Label1.setCaption(NewSetPageTwoText());
        Label3.setCaption(Text(1060));
        Label3.setVisible(false);
        Command5.setVisible(false);
        return;
    }

    const MainWindowBusy busy;
    if (!BootDiskDone) {
        vb::MsgBox(FormatInstructions(), vb::vbOKOnly);
        backup::FormatFloppyA();
        MakeBootDisk();
    }
    if (!BootDiskDone)
        return;
    // The second floppy: a refused one leaves the wizard here, with Formatting and the hint
    // shown, and the next Next comes straight back to this test.
    Command5.setVisible(true);
    for (vb::CommandButton* button : {&Command1, &Command2, &Command3, &Command4})
        button->setEnabled(true);
    Label2.setCaption({});
    QString drive = QStringLiteral("a:");
    if (backup::CheckBlankFloppy(drive))
        MakeDataDisk();
}

void WizzardForm::Command3_Click()
{
    ReturnToPage1();
    Command1.setVisible(true);
    Command2.setVisible(true);
    Command2.setEnabled(true);
    Command3.setCaption(u'&' + Text(1092));
    Hide();
    core::Win(QStringLiteral("Form1")).setWindowState(vb::vbNormal);
    vb::DoEvents();
}

void WizzardForm::Command4_Click() { vb::ui().ShowHelp(vb::App().HelpFile, HelpContextID()); }

void WizzardForm::Command5_Click() { backup::FormatFloppyA(); }

void WizzardForm::Refres()
{
    Refresh();
    vb::DoEvents();
    const float value = ProgressBar4.Value();
    if (value < kBarFull)
        ProgressBar4.setValue(qMin(kBarFull, int(value) + kBarStep));
}

void WizzardForm::ShowStatus(const QString& action, const QString& name)
{
    fileInHand_ = name;
    Label2.setCaption(action + name);
    Refres();
}

void WizzardForm::StayOnPageTwo()
{
    Label1.setCaption(Option2.Value() ? UpdatePageTwoText() : NewSetPageTwoText());
    Label2.setCaption({});
    for (vb::CommandButton* button : {&Command1, &Command2, &Command3, &Command4}) {
        button->setVisible(true);
        button->setEnabled(true);
    }
    Command3.setCaption(u'&' + Text(1092));
    Command5.setVisible(BootDiskDone);
    Label3.setVisible(BootDiskDone);
    if (!BootDiskDone) {
        ProgressBar4.setValue(0);
        ProgressBar4.setVisible(false);
    }
    // Only the data disk of a new set tries again with the archive it has; an update or a new
    // boot disk packs a new one.
    if (Option2.Value() || !BootDiskDone)
        RemoveRescueArchive();
}

WizzardForm& Wizzard() { return vb::Forms::get<WizzardForm>(QStringLiteral("Wizzard")); }

void Form1_Command18_Click()
{
    ui::Form1Form& main = ui::Form1();
    if (main.RefusesOperations())
        return;
    main.setWindowState(vb::vbMinimized);
    Wizzard().Show(vb::vbModeless);
}

} // namespace rescue
