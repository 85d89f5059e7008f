#include "restore/RestoreReq.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "restore/Restore.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QApplication>
#include <QStyle>

namespace restore {

namespace {

QString text(int number) { return core::LoadResString(number); }

QPixmap icon(QStyle::StandardPixmap which) { return QApplication::style()->standardIcon(which).pixmap(32, 32); }

} // namespace

RestoreReqForm::RestoreReqForm() : vb::Form(QStringLiteral("RestoreReq"))
{
    setCaption(text(1513));
    setClientSize(6840, 5280);
    SSTab1.Move(120, 120, 6600, 4440);
    SSTab1.setTabCaption(0, text(1523));
    SSTab1.setTabCaption(1, text(1524));
    SSTab1.setTabCaption(2, QStringLiteral("Internet Explorer "));
    SSTab1.setTabCaption(3, QStringLiteral("Netscape"));

    Frame2.setCaption(text(1523));
    Frame2.Move(120, 120, 4200, 3720);
    Image1.Move(3480, 3000, 480, 480);
    pictures_.push_back({&Image1, QStyle::SP_ComputerIcon});
    struct Box {
        vb::CheckBox& box;
        const char* caption;
    };
    const Box left[] = {{Check1, "Autoexec.bat"}, {Check2, "Config.sys"},   {Check12, "Autoexec.dos"},
                        {Check13, "Config.dos"},  {Check4, "Msdos.sys"},    {Check14, "Dblspace.ini"},
                        {Check15, "Drvspace.ini"}, {Check16, "Drvspace.bin"}};
    const Box right[] = {{Check24, "Dblspace.bin"}, {Check3, "Control.ini"}, {Check5, "Protocol.ini"},
                         {Check6, "System.dat"},    {Check7, "System.ini"},  {Check8, "User.dat"},
                         {Check9, "Win.ini"}};
    int row = 0;
    for (const Box& b : left) {
        b.box.setCaption(QString::fromLatin1(b.caption));
        b.box.Move(240, 300 + 420 * row++, 1800, 255);
    }
    row = 0;
    for (const Box& b : right) {
        b.box.setCaption(QString::fromLatin1(b.caption));
        b.box.Move(2160, 300 + 420 * row++, 1800, 255);
    }
    Frame1.setCaption(text(1086));
    Frame1.Move(4440, 120, 2040, 1080);
    Image2.Move(120, 300, 480, 480);
    pictures_.push_back({&Image2, QStyle::SP_DirHomeIcon});
    Check20.setCaption(text(1088));
    Check20.Move(600, 420, 1400, 255);
    Command5.setCaption(text(1538));
    Command5.Move(4680, 2880, 1455, 375);
    Command6.setCaption(text(1539));
    Command6.Move(4680, 3360, 1455, 375);

    Frame3.setCaption(text(1136));
    Frame3.Move(120, 120, 6360, 3720);
    List1.Move(120, 300, 6120, 2700);
    List1.setMultiSelect(2);
    Label1.setCaption(QStringLiteral("All files selected !"));
    Label1.Move(120, 3180, 3000, 255);
    Label1.setVisible(false);
    Command3.setCaption(text(1538));
    Command3.Move(3600, 3120, 1215, 375);
    Command4.setCaption(text(1539));
    Command4.Move(4920, 3120, 1215, 375);

    const auto pair = [this](vb::Frame& frame, const char* caption, int top, vb::Image& image1, vb::CheckBox& box1,
                         const QString& caption1, QStyle::StandardPixmap icon1, vb::Image* image2, vb::CheckBox* box2,
                         const QString& caption2, QStyle::StandardPixmap icon2) {
        frame.setCaption(QString::fromLatin1(caption));
        frame.Move(120, top, 6360, 1320);
        image1.Move(240, 420, 480, 480);
        pictures_.push_back({&image1, icon1});
        box1.setCaption(caption1);
        box1.Move(840, 540, 2400, 255);
        if (image2 && box2) {
            image2->Move(3240, 420, 480, 480);
            pictures_.push_back({image2, icon2});
            box2->setCaption(caption2);
            box2->Move(3840, 540, 2400, 255);
        }
    };
    pair(Frame4, "Microsoft Internet Explorer:", 120, Image3, Check11, text(1152), QStyle::SP_DirLinkIcon, &Image4,
         &Check19, QStringLiteral("Cookies"), QStyle::SP_FileIcon);
    pair(Frame5, "Outlook Express:", 1560, Image5, Check21, QStringLiteral("Mailbox"), QStyle::SP_FileDialogDetailedView,
         &Image6, &Check18, text(1153), QStyle::SP_FileDialogInfoView);
    Label2.Move(120, 3000, 6360, 255);
    pair(Frame6, "Netscape Navigator:", 120, Image7, Check10, QStringLiteral("Bookmark"), QStyle::SP_DirLinkIcon, &Image8,
         &Check22, QStringLiteral("Cookies"), QStyle::SP_FileIcon);
    pair(Frame7, "Netscape Messenger:", 1560, Image9, Check23, QStringLiteral("Mailbox"), QStyle::SP_FileDialogDetailedView,
         nullptr, nullptr, {}, QStyle::SP_FileIcon);
    Label3.Move(120, 3000, 6360, 255);

    Command1.setCaption(QStringLiteral("&OK"));
    Command1.setDefault(true);
    Command1.Move(2640, 4740, 1215, 375);
    Command2.setCaption(u'&' + text(1092));
    Command2.setCancel(true);
    Command2.Move(3960, 4740, 1215, 375);
    Command7.setCaption(u'&' + text(1516));
    Command7.Move(5280, 4740, 1215, 375);

    connect(&Command1, &vb::CommandButton::Click, this, [this] { Command1_Click(); });
    connect(&Command2, &vb::CommandButton::Click, this, [this] { Command2_Click(); });
    connect(&Command3, &vb::CommandButton::Click, this, [this] { Command3_Click(); });
    connect(&Command4, &vb::CommandButton::Click, this, [this] { Command4_Click(); });
    connect(&Command5, &vb::CommandButton::Click, this, [this] { Command5_Click(); });
    connect(&Command6, &vb::CommandButton::Click, this, [this] { Command6_Click(); });
    connect(&Command7, &vb::CommandButton::Click, this, [this] { Command7_Click(); });
    connect(&List1, &vb::ListBox::MouseDown, this,
            [this](int button, int shift, int x, int y) { List1_MouseDown(button, shift, x, y); });
}

QList<vb::CheckBox*> RestoreReqForm::systemFileBoxes()
{
    return {&Check1, &Check2, &Check3, &Check4, &Check5, &Check6, &Check7, &Check8,
            &Check9, &Check12, &Check13, &Check14, &Check15, &Check16, &Check24};
}

// The restore runs inside this handler, after the main window has had a chance to repaint.
void RestoreReqForm::Command1_Click()
{
    Hide();
    vb::DoEvents();
    Restore();
}

// Also the way back from the view-only mode: the window is complete again for the next
// showing, and the loaded configuration is not going to be restored.
void RestoreReqForm::Command2_Click()
{
    for (vb::CommandButton* b : {&Command1, &Command5, &Command6, &Command3, &Command4}) {
        b->setVisible(true);
        b->setEnabled(true);
    }
    core::state().SettingsSaved = true;
    ForgetLoadedRestore();
    Hide();
}

void RestoreReqForm::Command3_Click()
{
    List1.setAllSelected(true);
    Label1.setVisible(true);
}

void RestoreReqForm::Command4_Click()
{
    List1.setAllSelected(false);
    Label1.setVisible(false);
}

void RestoreReqForm::Command5_Click()
{
    for (vb::CheckBox* box : systemFileBoxes())
        if (box->Enabled())
            box->setValue(1);
}

void RestoreReqForm::Command6_Click()
{
    for (vb::CheckBox* box : systemFileBoxes())
        if (box->Enabled())
            box->setValue(0);
}

// What F1 does in this window.
void RestoreReqForm::Command7_Click() { vb::ui().ShowHelp(vb::App().HelpFile, HelpContextID()); }

void RestoreReqForm::List1_MouseDown(int, int, int, int)
{
    if (List1.SelCount() < List1.ListCount())
        Label1.setVisible(false);
}

void RestoreReqForm::Form_Activate()
{
    // The pictures come from the style's image files: they are read when the window is first
    // shown, not when the start-up makes it.
    for (const auto& [image, which] : pictures_)
        image->setPicture(icon(which));
    pictures_.clear();
    SSTab1.setTab(0);
    setScaleMode(vb::vbPixels);
    setHelpContextID(1030);
    const bool listed = !List1.List(0).isEmpty();
    Command3.setEnabled(listed);
    Command4.setEnabled(listed);
    Label1.setVisible(false);
    // A path wider than the list can be scrolled into view.
    int widest = 0;
    for (int i = 0; i <= List1.ListCount(); ++i)
        widest = qMax(widest, TextWidth(List1.List(i)));
    List1.setHorizontalExtent(widest + 5);
}

// The close box is Cancel (nothing while the restore it started runs); only the program's
// end unloads the window.
void RestoreReqForm::Form_QueryUnload(int& cancel, int unloadMode)
{
    if (unloadMode != vb::vbFormControlMenu)
        return;
    cancel = 1;
    if (!AtWork())
        Command2_Click();
}

RestoreReqForm& RestoreReq() { return vb::Forms::get<RestoreReqForm>(QStringLiteral("RestoreReq")); }

} // namespace restore
