// Pictures of the windows of both programs, and of each kind of box they show, as a user
// sees them: every page of every window and the boxes of the Qt user interface, one PNG
// each, with the caption and the icon that the title bar would show drawn above it (a bare
// X server has no window manager to draw title bars). Each window stands where the program
// puts it. Run it on a display:
//
//   xvfb-run -a -s '-screen 0 1024x768x24 -dpi 96' build/bin/window-shots OUTDIR
//   xvfb-run -a -s '-screen 0 2048x1536x24 -dpi 192' build/bin/window-shots OUTDIR
//   build/bin/window-shots --scale 1.5 OUTDIR
//
// The windows are drawn at the dots per inch the X server is given (a desktop says the same
// through its font settings, which a bare X server has none of), or at the scale --scale
// gives. It makes a machine of its own in a temporary folder; nothing is saved or restored.
#include "backup/FloppyPrep.h"
#include "backup/FrmAutoKeep.h"
#include "backup/frmNotEmpty.h"
#include "catalogue/Import.h"
#include "core/Animate.h"
#include "core/Messages.h"
#include "rescue/SelWiz.h"
#include "rescue/Wizzard.h"
#include "restore/Reboot.h"
#include "resources/Icons.h"
#include "restore/RestoreReq.h"
#include "support/Layout.h"
#include "support/TempMachine.h"
#include "ui/AddUser.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Readme.h"
#include "ui/UserFiles.h"
#include "vb/Forms.h"
#include "vb/QtUi.h"
#include "vb/Screen.h"
#include "webupdate/MachinePrograms.h"
#include "webupdate/Messages.h"
#include "webupdate/Registration.h"
#include "webupdate/frmSkyfetch.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>

namespace {

QString g_out;
int g_count = 0;

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// The window as the screen shows it, under a strip with its icon and caption.
void shoot(QWidget* window, const QString& name)
{
    settle();
    const QRect r = window->geometry();
    const QPixmap body = QApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
    constexpr int kStrip = 22;
    // At the screen's own pixels: a scaled screen gives more of them than the window's size.
    const qreal scale = body.devicePixelRatio();
    QImage shot(QSize(r.width(), r.height() + kStrip) * scale, QImage::Format_RGB32);
    shot.setDevicePixelRatio(scale);
    shot.fill(QColor(0, 0, 128));
    QPainter p(&shot);
    const QIcon icon = window->windowIcon();
    int x = 3;
    if (!icon.isNull()) {
        p.drawPixmap(3, 3, icon.pixmap(QSize(16, 16), scale));
        x = 23;
    }
    p.setPen(Qt::white);
    QFont bold = window->font();
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QRect(x, 0, r.width() - x, kStrip), Qt::AlignVCenter, window->windowTitle());
    p.drawPixmap(0, kStrip, body);
    p.end();
    const QString file = QStringLiteral("%1/%2-%3.png").arg(g_out).arg(++g_count, 2, 10, QLatin1Char('0')).arg(name);
    shot.save(file);
    std::printf("%s  (%dx%d at %d,%d) \"%s\"\n", qPrintable(file), r.width(), r.height(), r.x(), r.y(),
                qPrintable(window->windowTitle()));
}

// A form is on the screen, painted, before it is taken (a window shown a moment ago may not
// be there yet); it also says which of its texts do not fit.
void shoot(vb::Form& form, const QString& name)
{
    vb::PaintNow(form);
    shoot(form.window(), name);
    for (const QString& cut : testsupport::textsCutOff(form))
        std::printf("    cut off: %s\n", qPrintable(cut));
}

// Something that opens a modal box or window: the box that comes up is shot and closed by
// `close` (by default: rejected, or its window closed).
void shootModal(const QString& name, const std::function<void()>& open,
                std::function<void(QWidget*)> close = {})
{
    const QWidgetList before = QApplication::topLevelWidgets();
    QTimer poll;
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done)
            return;
        QWidget* box = QApplication::activeModalWidget();
        if (!box)
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && !before.contains(w) && w->isWindow())
                    box = w;
        if (!box || !box->isVisible())
            return;
        done = true;
        shoot(box, name);
        for (vb::Form* form : vb::Forms::loaded())
            if (form->window() == box)
                for (const QString& cut : testsupport::textsCutOff(*form))
                    std::printf("    cut off: %s\n", qPrintable(cut));
        if (close)
            close(box);
        else if (auto* dialog = qobject_cast<QDialog*>(box))
            dialog->reject();
        else
            box->close();
    });
    poll.start(100);
    open();
    poll.stop();
    settle();
}

// A complete trelvo.ini, so that the first start is an ordinary one.
void writeSettings(const testsupport::TempMachine& tm)
{
    QByteArray text = "[Settings]\r\n";
    for (int n = 1; n <= 5; ++n)
        text += "Config" + QByteArray::number(n) + "=available\r\nLsDate" + QByteArray::number(n) + "=00/00/0000\r\nLsTime" +
                QByteArray::number(n) + "=00:00\r\n";
    text += "Compression=1\r\n[SystemPathes]\r\nSystemPath=C:\\WINDOWS\r\nSaveFolder=C:\\Program Files\\Trelvo\\\r\n";
    tm.writeC(QStringLiteral("Program Files/Trelvo/trelvo.ini"), text);
}

// Centred over `opener`, frames included, as a form that the program shows from it stands.
void centreOver(QWidget* window, const QWidget* opener)
{
    const QRect frame = window->frameGeometry();
    window->move(window->pos() + opener->frameGeometry().center() - frame.center());
}

} // namespace

int main(int argc, char** argv)
{
    // --scale F, else the X server's own dots per inch.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (const qsizetype at = args.indexOf(QStringLiteral("--scale")); at >= 0 && at + 1 < args.size()) {
        qputenv("QT_SCALE_FACTOR", args[at + 1].toLocal8Bit());
        args.remove(at, 2);
    } else {
        // The dots per inch of the core protocol, which -dpi sets (a bare server's screen
        // extension reports 96 whatever it is given).
        qputenv("QT_USE_PHYSICAL_DPI", "1");
        qputenv("QT_XCB_NO_XRANDR", "1");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    g_out = args.isEmpty() ? QStringLiteral("window-shots") : args.first();
    QDir().mkpath(g_out);
    const qreal scale = QApplication::primaryScreen()->devicePixelRatio();
    std::printf("scale %.2f (%.0f dots per inch)\n", scale, scale * QApplication::primaryScreen()->logicalDotsPerInch());

    // The two icons, large and small, as the programs set them.
    for (const auto& [name, icon] : {std::pair{"trelvoapp", resources::appIcon()}, {"skyfetch", resources::updaterIcon()}})
        for (const int size : {16, 32, 64})
            icon.pixmap(size, size).save(QStringLiteral("%1/icon-%2-%3.png").arg(g_out, QString::fromLatin1(name)).arg(size));
    QApplication::setWindowIcon(resources::appIcon());

    testsupport::TempMachine tm;
    writeSettings(tm);
    tm.writeC(QStringLiteral("Program Files/Trelvo/Readme.txt"),
              "Trelvo 2.0\r\n\r\nA line long enough to need the horizontal scroll bar of the read-me window, because it "
              "goes on and on past the right edge of the list: C:\\Program Files\\Trelvo\\AutoKeep\\Config1.ini\r\n");
    vb::setUi(std::make_unique<vb::QtUi>());
    webupdate::registerWindows();
    webupdate::registerMachinePrograms();

    // The main program as it starts.
    ui::Form2Form& splash = ui::Form2();
    splash.Show();
    shoot(splash, QStringLiteral("Form2-splash"));
    splash.Timer1_Timer();
    ui::Form1Form& main = ui::Form1();
    for (int tab = 0; tab < 6; ++tab) {
        main.SSTab2.setTab(tab);
        shoot(main, QStringLiteral("Form1-page%1").arg(tab));
    }
    main.SSTab2.setTab(5);
    shootModal(QStringLiteral("Form1-rights-box"), [&] { main.Command23_Click(); });
    shootModal(QStringLiteral("Readme"), [&] { main.Command9_Click(); },
               [](QWidget*) { ui::Readme().Command1_Click(); });

    ui::UserFilesForm& userFiles = ui::UserFiles();
    userFiles.Show();
    for (int tab = 0; tab < 3; ++tab) {
        userFiles.SSTab1.setTab(tab);
        shoot(userFiles, QStringLiteral("UserFiles-tab%1").arg(tab));
    }
    userFiles.SSTab1.setTab(0);
    userFiles.Command5_Click();
    shoot(ui::AddUser(), QStringLiteral("AddUser"));
    ui::AddUser().Command3_Click();
    {
        // The search window as it looks during a walk, deep in a tree.
        ui::frmDrvScanForm scan;
        scan.Label1.setCaption(core::LoadResString(1315) + u' ' + core::LoadResString(1316) + u'\r' +
                               core::LoadResString(1019));
        scan.Label2.setCaption(QStringLiteral("C:\\My Documents\\Letters\\1999\\Insurance and Taxes\\Correspondence with the Office\\"));
        scan.List1.AddItem(QStringLiteral("C:\\My Documents\\Letters\\1999\\Insurance and Taxes\\letter to the office.doc"));
        scan.Show();
        shoot(scan, QStringLiteral("frmDrvScan"));
        scan.Hide();
    }
    userFiles.Hide();

    restore::RestoreReqForm& choice = restore::RestoreReq();
    choice.Show();
    for (int tab = 0; tab < 2; ++tab) {
        choice.SSTab1.setTab(tab);
        shoot(choice, QStringLiteral("RestoreReq-tab%1").arg(tab));
    }
    choice.Hide();

    catalogue::ImportForm& import = catalogue::Import();
    import.Show();
    import.List1.AddItem(QStringLiteral(" 1   Before the trip       8/Dec/1999     14:30"));
    import.Label4.setCaption(QStringLiteral("C:\\My Documents\\Backups of the old PC\\Saved Configurations\\1999\\December\\"));
    shoot(import, QStringLiteral("Import"));
    import.Hide();

    core::AnimateForm& progress = core::Animate();
    progress.Show();
    progress.Label1.setCaption(QStringLiteral("Copying C:\\Program Files\\Trelvo\\Conf1us.tva to Disk No. 2"));
    progress.ProgressBar1.setValue(40);
    shoot(progress, QStringLiteral("Animate"));
    vb::Forms::unload(QStringLiteral("Animate"));

    backup::FrmAutoKeepForm& autoKeep = backup::FrmAutoKeep();
    autoKeep.Show();
    shoot(autoKeep, QStringLiteral("FrmAutoKeep"));
    autoKeep.Timer1.setEnabled(false);
    autoKeep.Timer1_Timer();   // the first tick of the countdown: the button becomes Skip
    shoot(autoKeep, QStringLiteral("FrmAutoKeep-counting"));
    autoKeep.Label2.setCaption(core::LoadResString(1169) + QStringLiteral("\r\r") + core::LoadResString(1019));
    autoKeep.Command1.setCaption(u'&' + core::LoadResString(1092));
    autoKeep.Label3.setCaption(QString());
    shoot(autoKeep, QStringLiteral("FrmAutoKeep-saving"));
    autoKeep.Label2.setCaption(QString());
    autoKeep.Label3.setCaption(core::LoadResString(1138));
    shoot(autoKeep, QStringLiteral("FrmAutoKeep-done"));
    autoKeep.Label3.setCaption(core::LoadResString(2101));
    shoot(autoKeep, QStringLiteral("FrmAutoKeep-not-all-saved"));
    autoKeep.Hide();

    tm.writeC(QStringLiteral("../floppies/") + tm.machine().insertedDisk(u'A') + QStringLiteral("/old.txt"), "x");
    tm.machine().forgetDir(tm.hostDisk(tm.machine().insertedDisk(u'A')));
    shootModal(QStringLiteral("frmNotEmpty"), [] { backup::PrepareFloppy(QStringLiteral("A:\\")); },
               [](QWidget*) { backup::frmNotEmpty().Command3.setValue(true); });

    rescue::WizzardForm& wizard = rescue::Wizzard();
    wizard.Show();
    shoot(wizard, QStringLiteral("Wizzard-page1"));
    wizard.Command2_Click();
    shoot(wizard, QStringLiteral("Wizzard-page2-new"));
    wizard.Label3.setVisible(true);
    wizard.Command5.setVisible(true);
    wizard.Label2.setCaption(QStringLiteral("Copying: C:\\WINDOWS\\COMMAND\\DRVSPACE.BIN"));
    shoot(wizard, QStringLiteral("Wizzard-page2-second-floppy"));
    wizard.Command1_Click();
    wizard.Option2.setValue(true);
    wizard.Command2_Click();
    shoot(wizard, QStringLiteral("Wizzard-page2-update"));
    wizard.Command1_Click();
    // The rescue archive window starts its work when it becomes the active window: shown
    // without being activated, it only shows itself, where the wizard that shows it puts it.
    rescue::SelWizForm& selWiz = rescue::SelWiz();
    selWiz.window()->setAttribute(Qt::WA_ShowWithoutActivating);
    selWiz.window()->show();
    centreOver(selWiz.window(), wizard.window());
    selWiz.Label2.setCaption(core::LoadResString(1098) + u'\r' + core::LoadResString(1019));
    shoot(selWiz, QStringLiteral("SelWiz"));
    selWiz.Hide();
    wizard.Hide();

    restore::RebootForm& reboot = restore::Reboot();
    reboot.Show();
    shoot(reboot, QStringLiteral("Reboot"));
    reboot.Hide();

    // The boxes of the user interface.
    shootModal(QStringLiteral("box-yesno"), [] {
        vb::MsgBox(core::LoadResString(1312) + QStringLiteral("  12 *.doc ") + core::LoadResString(1313) +
                       QStringLiteral("\r\r") + core::LoadResString(1314),
                   vb::vbYesNo | vb::vbInformation, core::LoadResString(1311));
    });
    shootModal(QStringLiteral("box-retrycancel"), [] { vb::MsgBox(QStringLiteral("Please insert Disk No. 2"), vb::vbRetryCancel | vb::vbExclamation); });
    shootModal(QStringLiteral("box-abortretryignore"), [] { vb::MsgBox(QStringLiteral("Disk not ready"), vb::vbAbortRetryIgnore | vb::vbCritical); });
    shootModal(QStringLiteral("box-yesnocancel"), [] { vb::MsgBox(QStringLiteral("Save the changes?"), vb::vbYesNoCancel | vb::vbQuestion); });
    shootModal(QStringLiteral("box-okcancel-help"), [] { vb::MsgBox(QStringLiteral("Start the automatic save?"), vb::vbOKCancel | vb::vbMsgBoxHelpButton, {}, {}, 2010); });
    shootModal(QStringLiteral("box-input"), [] { vb::InputBox(core::LoadResString(1226)); });
    shootModal(QStringLiteral("box-files"), [] {
        vb::FileDialogRequest request;
        request.title = core::LoadResString(1119);
        request.filter = core::LoadResString(1120);
        request.multiSelect = true;
        vb::ui().OpenFiles(request);
    });
    shootModal(QStringLiteral("box-folder"), [] { vb::ui().BrowseForFolder(core::LoadResString(1224)); });
    shootModal(QStringLiteral("box-format"), [] { vb::ui().FormatFloppy(); });
    // The boxes with texts of our own wording, as long as the program makes them.
    const auto t = [](int number) { return core::LoadResString(number); };
    const QString folder = QStringLiteral("C:\\Program Files\\Trelvo\\");
    const QList<std::pair<QString, std::function<void()>>> ownBoxes = {
        {QStringLiteral("save-not-all"), [&] {
             vb::MsgBox(t(2170) + QStringLiteral("\r\r") + t(2171) + u'\r' + QStringLiteral("C:\\My Documents\\Letters\\1999\\letter to the office.doc") +
                            QStringLiteral("\r\r") + t(2172) + u'\r' + t(2178) + QStringLiteral("\rStart Menu\r\r") + t(2173) +
                            u'\r' + folder + QStringLiteral("Config1.ini\r") + folder + QStringLiteral("Config1.usr\r\r") + t(2174) + u'\r' +
                            QStringLiteral("c:\\my documents\\gone.txt"),
                        vb::vbExclamation);
         }},
        {QStringLiteral("restore-not-all"), [&] {
             vb::MsgBox(t(2120) + QStringLiteral("\r\rSystem.dat: ") + t(2121) + folder + QStringLiteral("Conf1s.tva\rWin.ini: ") + t(2122) +
                            folder + QStringLiteral("Conf1s.tva\rc:\\my documents\\a.doc: ") + t(2123) + QStringLiteral("\rStart Menu: ") +
                            t(2124) + QStringLiteral("\rUser files: ") + t(2125) + QStringLiteral("C:\\WINDOWS\\TEMP\\"),
                        vb::vbExclamation);
         }},
        {QStringLiteral("floppy-fault"), [&] {
             vb::MsgBox(vb::ErrorText(70) + QStringLiteral("\r\rA:\\Conf1us.tv2\r\r") + t(2130), vb::vbRetryCancel | vb::vbCritical, t(1005));
         }},
        {QStringLiteral("floppy-full"), [&] {
             vb::MsgBox(vb::ErrorText(61) + QStringLiteral("\r\rA:\\Conf1us.tv2\r\r") + t(2132), vb::vbRetryCancel | vb::vbCritical, t(1005));
         }},
        {QStringLiteral("disk-in-use"), [&] { vb::MsgBox(t(2180) + QStringLiteral("\r\r") + t(2181), vb::vbCritical, t(1011)); }},
        {QStringLiteral("settings-unwritable"), [&] {
             vb::MsgBox(t(2250) + u'\r' + folder + QStringLiteral("trelvo.ini\r") + vb::ErrorText(75), vb::vbCritical, t(1005));
         }},
        {QStringLiteral("work-folder"), [&] {
             vb::MsgBox(t(2251) + u'\r' + folder + QStringLiteral("DiskRestore\\Saves\\\r") + t(2252), vb::vbCritical, t(1005));
         }},
        {QStringLiteral("not-on-a-drive"), [&] {
             vb::MsgBox(t(2110) + QStringLiteral("\r/home/owner/Documents/notes from the meeting in December.txt"), vb::vbCritical, t(1005));
         }},
        {QStringLiteral("rescue-incomplete"), [&] {
             vb::MsgBox(t(2143) + QStringLiteral("\r\r") + t(2144), vb::vbCritical, t(1005));
         }},
        {QStringLiteral("restore-interrupted"), [&] {
             vb::MsgBox(t(2300) + QStringLiteral("\r\"Weekly\"\r") + t(2301) + QStringLiteral("\rC:\\WINDOWS\\system.ini\rC:\\WINDOWS\\Win.ini\r\r") +
                            t(2302) + u'\r' + t(2303),
                        vb::vbYesNo | vb::vbExclamation, t(1005));
         }},
        {QStringLiteral("restore-not-completed"), [&] {
             vb::MsgBox(t(2304) + u'\r' + t(2307) + u'\r' + t(2301) + QStringLiteral("\rC:\\WINDOWS\\Win.ini\r\r") + t(2305) + u'\r' + t(2303),
                        vb::vbYesNo | vb::vbQuestion, t(1005));
         }},
        {QStringLiteral("rescue-put-back"), [&] { vb::MsgBox(t(2145), vb::vbExclamation, t(1005)); }},
        {QStringLiteral("rescue-data-disk-again"), [&] { vb::MsgBox(t(2146), vb::vbOKCancel | vb::vbExclamation, t(1005)); }},
        {QStringLiteral("rescue-files-missing"), [&] {
             vb::MsgBox(t(2141) + QStringLiteral("\r\rHIMEM.SYS - Disk full\rDRVSPACE.BIN - File not found\r\r") + t(2142), vb::vbCritical, t(1005));
         }},
    };
    for (const auto& [name, open] : ownBoxes)
        shootModal(QStringLiteral("box-") + name, open);
    vb::ui().ShowHelp(vb::App().HelpFile, 2070);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == u"TrelvoHelp" && w->isVisible()) {
            shoot(w, QStringLiteral("box-help"));
            w->close();
        }

    // The update program's windows.
    QApplication::setWindowIcon(resources::updaterIcon());
    webupdate::frmSkyfetchForm& skyfetch = webupdate::frmSkyfetch();
    skyfetch.Show();
    shoot(skyfetch, QStringLiteral("frmSkyfetch"));
    shootModal(QStringLiteral("box-skyfetch-unreadable-list"), [] {
        vb::MsgBox(webupdate::LoadResString(2101), vb::vbRetryCancel | vb::vbCritical, webupdate::LoadResString(1053));
    });
    shootModal(QStringLiteral("box-skyfetch-not-a-program"), [] {
        vb::MsgBox(webupdate::LoadResString(2102) + QStringLiteral("\r\rC:\\Program Files\\Trelvo\\updates\\trelvo25.exe"),
                   vb::vbOKOnly | vb::vbExclamation);
    });
    skyfetch.Hide();
    {
        webupdate::ConnectToForm connect(QStringLiteral("My Provider"));
        connect.Show();
        shoot(connect, QStringLiteral("ConnectTo"));
        connect.Hide();
    }
    std::fflush(stdout);
    std::_Exit(0);
}
