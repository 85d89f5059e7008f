#include "webupdate/frmSkyfetch.h"
#include "platform/Process.h"
#include "platform/SysError.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"
#include "webupdate/DialUp.h"
#include "webupdate/Messages.h"
#include "webupdate/ProgramState.h"
#include "webupdate/RegistrySettings.h"
#include "webupdate/UpdateList.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QScopedValueRollback>
#include <QWidget>
#include <cmath>

namespace webupdate {

namespace {

constexpr int kHourglass = 11;
constexpr int kHelpContext = 3000;
constexpr int kSearchClip = 100;
constexpr int kCopyClip = 120;
constexpr int kNotAProgram = 2102;

// The wizard picture on the left, 100 by 215 pixels: a globe above a download arrow.
QPixmap wizardPicture()
{
    QPixmap picture(100, 215);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 215);
    sky.setColorAt(0, QColor(0x10, 0x2a, 0x6b));
    sky.setColorAt(1, QColor(0x3a, 0x8f, 0xd6));
    p.fillRect(picture.rect(), sky);
    p.setPen(QPen(QColor(0xe8, 0xf4, 0xff), 2));
    p.setBrush(QColor(0x2f, 0x9e, 0x5b));
    const QRectF globe(18, 30, 64, 64);
    p.drawEllipse(globe);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(globe.adjusted(18, 0, -18, 0));
    p.drawLine(QPointF(globe.left(), globe.center().y()), QPointF(globe.right(), globe.center().y()));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd2, 0x4a));
    const QPointF arrow[] = {{40, 115}, {60, 115}, {60, 145}, {74, 145}, {50, 172}, {26, 145}, {40, 145}};
    p.drawPolygon(arrow, 7);
    p.setBrush(QColor(0xe8, 0xf4, 0xff));
    p.drawRect(QRectF(22, 182, 56, 6));
    return picture;
}

// The maker's small picture under the wizard picture, 79 by 35 pixels.
QPixmap makerPicture()
{
    QPixmap picture(79, 35);
    picture.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x2a, 0x6b));
    p.drawEllipse(QRectF(3, 5, 25, 25));
    p.setBrush(QColor(0xf0, 0xf0, 0xf0));
    p.drawEllipse(QRectF(10, 12, 11, 11));
    p.setPen(QColor(0x10, 0x2a, 0x6b));
    QFont font = p.font();
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(31, 0, 48, 35), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Orvane"));
    return picture;
}

// A separator line of one pixel, from x1 to x2 at y (twips) in the window's client area.
void addLine(QWidget* window, const QString& name, int x1, int x2, int y, const QColor& colour)
{
    auto* line = new QWidget(window);
    line->setObjectName(name);
    line->setGeometry(vb::pixelsFromTwips(x1), vb::pixelsFromTwips(y), vb::pixelsFromTwips(x2 - x1), 1);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    line->setAutoFillBackground(true);
}

// A font that does not fit the status lines at 8 points gets smaller until it does.
void fitStatusLines(vb::Label& label)
{
    const int room = label.widget()->contentsRect().width();
    const auto widest = [&] {
        const QFontMetrics metrics(label.widget()->font());
        int width = 0;
        for (int number : {1045, 1047, 1050, 1054})
            width = qMax(width, metrics.horizontalAdvance(LoadResString(number)));
        return width;
    };
    while (widest() > room && label.FontSize() > 6)
        label.setFontSize(label.FontSize() - 0.5);
}

} // namespace

frmSkyfetchForm::frmSkyfetchForm() : vb::Form(QStringLiteral("frmSkyfetch"))
{
    Picture1.Move(135, 225, 1560, 3285);
    Picture1.setPicture(wizardPicture());
    Frame1.Move(1920, 120, 5055, 3420);
    Frame1.setCaption(QString());
    // The label fills the frame's width, so that the status lines with their runs of blanks
    // ("...            in Progress") stay on one line each; the offer's fourteen lines fit
    // its height at 8 points.
    Label1.Move(225, 225, 4710, 2970);
    Label1.setFontSize(8);
    fitStatusLines(Label1);
    Label3.Move(180, 3660, 1575, 225);
    Label3.setCaption(QStringLiteral("Version 2.0"));
    addLine(window(), QStringLiteral("Line1"), 120, 6960, 3930, QColor(64, 64, 64));
    addLine(window(), QStringLiteral("Line2"), 135, 6975, 3945, Qt::white);
    Picture2.Move(135, 4020, 1245, 585);
    Picture2.setPicture(makerPicture());
    Command1.Move(3240, 4185, 1095, 375);
    Command1.setCaption(QStringLiteral("Next >"));
    Command2.Move(4560, 4170, 1095, 375);
    Command2.setCaption(QStringLiteral("Cancel"));
    Command2.setDefault(true);
    Command2.setCancel(true);   // Esc ends the program, as Cancel does
    Command3.Move(5760, 4170, 1095, 375);
    Command3.setCaption(QStringLiteral("Help"));
    // Text1 and Label2 lie below the visible part of the window.
    Text1.Move(120, 5040, 6015, 285);
    Label2.Move(120, 5520, 1935, 255);
    setClientSize(7095, 4680 + vb::twipsFromPixels(sbrMain.widget()->height()));
    window()->setFixedSize(window()->size());

    connect(&Command1, &vb::CommandButton::Click, this, &frmSkyfetchForm::Command1_Click);
    connect(&Command2, &vb::CommandButton::Click, this, &frmSkyfetchForm::Command2_Click);
    connect(&Command3, &vb::CommandButton::Click, this, &frmSkyfetchForm::Command3_Click);
}

void frmSkyfetchForm::Form_Load()
{
    setHelpContextID(kHelpContext);
    Command1.setCaption(LoadResString(1530));
    Command2.setCaption(LoadResString(1524));
    Command3.setCaption(LoadResString(1543));
    GetRegistrySettings();
    ProgramState& s = state();
    installFolder_ = s.gsInstallDir;
    vb::App().HelpFile = vb::App().Path + QStringLiteral("\\trelvo.HLP>Sub");
    setCaption(LoadResString(1040));
    // A version read as text keeps its terminating NUL, which has no place on the screen.
    const QString version = QString(s.gsMajorVersion).remove(QChar(0));
    Label1.setCaption(LoadResString(1025) + CR + CR + LoadResString(1010) + CR + LoadResString(1011) + CR + LoadResString(1012) +
                      version + CR + CR + LoadResString(1013) + CR + LoadResString(1014));
    s.gsNewMajor.clear();
    s.gsNewMinor.clear();
    s.gsUpdateText1.clear();
    s.gsUpdateFile.clear();
    s.gsUpdateText2.clear();
    s.glDownloadedSize = 0;
    vb::DoEvents();
    CenterForm(*this);
    net_.SetStatusWindow(sbrMain);
    net_.Init();
}

void frmSkyfetchForm::Form_QueryUnload(int&, int unloadMode)
{
    // A file half fetched goes with the program; nothing runs on with the window.
    if (unloadMode == vb::vbFormControlMenu && busy_) {
        animation_.Destroy();
        vb::End(0);
    }
}

void frmSkyfetchForm::Form_Unload(int&) { animation_.Destroy(); }

void frmSkyfetchForm::Command1_Click()
{
    const QScopedValueRollback<bool> busy(busy_, true);
    Command1.setEnabled(false);
    const ProgramState& s = state();
    if (!s.gsInstallDir.isEmpty() && s.glDownloadedSize != 0) {
        StartDownloadedFile();
        ExitProgram();
    }
    if (!s.gsNewMajor.isEmpty()) {
        Label1.setCaption(CR + LoadResString(1029) + CR + CR + LoadResString(1003));
        GetUpdate();
        return;
    }
    ConnectPass();
}

void frmSkyfetchForm::Command2_Click()
{
    const QScopedValueRollback<bool> busy(busy_, true);
    ExitProgram();
}

void frmSkyfetchForm::Command3_Click() { vb::ui().ShowHelp(vb::App().HelpFile, HelpContextID()); }

// Connects, fetches and reads the update list, and offers the update or ends. Each step
// that fails is passed over; the list's own checks catch what is missing in the end.
void frmSkyfetchForm::ConnectPass()
{
    ProgramState& s = state();
    Label1.setCaption(LoadResString(1026) + CR + LoadResString(1015) + CR + LoadResString(1027) + CR + CR + LoadResString(1003));
    vb::Screen::setMousePointer(kHourglass);
    vb::DoEvents();
    const QString downloadFolder = installFolder_ + QStringLiteral("\\updates\\");
    for (;;) {
        Label1.setCaption(CR + LoadResString(1045));
        vb::DoEvents();
        if (!IsConnected())
            vb::ResumeNext(DialDefaultConnection);
        vb::DoEvents();
        Label1.setCaption(LoadResString(1046) + CR + CR + LoadResString(1047));
        vb::DoEvents();
        const QString listAddress = LoadResString(1601);
        s.gsInstallDir = downloadFolder;
        vb::ResumeNext([&] { vb::MkDir(vb::Left(downloadFolder, vb::Len(downloadFolder) - 1)); });
        const QString workingFolder = s.gsInstallDir;
        animation_.Create(hWnd(), kSearchClip, 390, 20, 50, 50);
        animation_.pPlay();
        vb::DoEvents();
        Label1.setCaption(LoadResString(1048) + CR + CR + LoadResString(1049) + CR + CR + LoadResString(1050));
        vb::DoEvents();
        // A list that does not arrive whole is not left behind: the check below misses it.
        net_.ReadUrl(listAddress, workingFolder + FileNameURL(listAddress));
        if (s.gsLastError.isEmpty()) {
            Label1.setCaption(LoadResString(1046) + CR + CR + LoadResString(1049) + CR + CR + LoadResString(1051));
            vb::DoEvents();
        }
        if (ReadUpdateList(workingFolder, Text1) == ListRead::Split)
            break;
    }
    vb::Screen::setMousePointer(0);
    animation_.Destroy();
    if (!UpdateOffered())
        ReportNoUpdate();
    MakeNextTheDefault();
    Label1.setCaption(OfferText(Label1.Caption()));
}

void frmSkyfetchForm::GetUpdate()
{
    ProgramState& s = state();
    vb::Screen::setMousePointer(kHourglass);
    vb::DoEvents();
    animation_.Create(hWnd(), kCopyClip, 120, 150, 300, 50);
    animation_.pPlay();
    const QString address = DownloadAddress();
    QString folder = s.gsInstallDir;
    s.gsInstallDir = folder + s.gsUpdateFile;
    vb::ResumeNext([&] { vb::Kill(s.gsInstallDir); });
    if (!folder.endsWith(u'\\'))
        folder += u'\\';
    Label1.setCaption(LoadResString(1046) + CR + CR + LoadResString(1049) + CR + CR + LoadResString(1051) + CR + CR +
                      LoadResString(1054));
    vb::DoEvents();
    // A transfer that fails leaves no file; it is reported as the list's is, and Retry
    // fetches the file again.
    for (;;) {
        net_.ReadUrl(address, folder + FileNameURL(address));
        if (s.gsLastError.isEmpty())
            break;
        if (vb::MsgBox(LoadResString(1052), vb::vbRetryCancel | vb::vbCritical, LoadResString(1053)) == vb::vbCancel)
            ExitProgram();
    }
    animation_.Destroy();
    vb::Screen::setMousePointer(0);
    CheckDownloadedLength();
    Label1.setCaption(LoadResString(1030) + CR + CR + s.gsInstallDir + CR + CR + LoadResString(1031) + CR + CR + LoadResString(1032));
    MakeNextTheDefault();
}

void frmSkyfetchForm::MakeNextTheDefault()
{
    Command1.setEnabled(true);
    Command2.setDefault(false);
    Command1.setDefault(true);
    vb::DoEvents();
}

// Starts the downloaded file with a normal window, without waiting. A file that cannot be
// started is reported before the program ends: one that is there is no program, another
// has been removed meanwhile.
void frmSkyfetchForm::StartDownloadedFile()
{
    const QString file = state().gsInstallDir;
    try {
        platform::proc::Shell(u'"' + file + u'"', platform::proc::NormalFocus);
    } catch (const platform::SysError& e) {
        if (vb::ResumeNext([&] { vb::FileLen(file); }) == 0)
            vb::MsgBox(LoadResString(kNotAProgram) + CR + CR + file, vb::vbOKOnly | vb::vbExclamation);
        else
            vb::MsgBox(vb::ErrorText(e.code()) + CR + CR + file, vb::vbOKOnly | vb::vbCritical);
    }
}

void frmSkyfetchForm::CenterForm(vb::Form& frm)
{
    // Halves round to the even neighbour; the result is a position on a 16-bit scale.
    const auto centred = [](int screen, int window) {
        const double value = std::nearbyint((screen - window) / 2.0);
        return int(qBound(0.0, value, 32767.0));
    };
    frm.Move(centred(vb::Screen::Width(), frm.Width()), centred(vb::Screen::Height(), frm.Height()));
}

QString frmSkyfetchForm::FileNameURL(const QString& sFPath) const
{
    const qsizetype p = sFPath.lastIndexOf(u'/');
    return vb::RTrim(sFPath).mid(p + 1);
}

QString frmSkyfetchForm::FilePathURL(const QString& sFPath) const
{
    const QString text = vb::Trim(sFPath);
    return text.left(text.lastIndexOf(u'/') + 1);
}

frmSkyfetchForm& frmSkyfetch() { return vb::Forms::get<frmSkyfetchForm>(QStringLiteral("frmSkyfetch")); }

} // namespace webupdate
