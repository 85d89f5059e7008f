#include "ui/Form2.h"
#include "backup/AutoKeepSchedule.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/Notices.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"
#include "restore/InterruptedRestore.h"
#include "restore/RestoreReq.h"
#include "ui/Form1.h"
#include "ui/UserFiles.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QWidget>
#include <functional>

namespace ui {

using core::LoadResString;

namespace {

// The splash picture, 400 by 300 pixels.
QPixmap splashPicture()
{
    QPixmap picture(400, 300);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(0x1c, 0x3f, 0x6e));
    sky.setColorAt(1, QColor(0x2e, 0x86, 0x8c));
    p.fillRect(picture.rect(), sky);

    // A floppy disk: the product's emblem.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x24, 0x2a));
    p.drawRoundedRect(QRectF(40, 70, 96, 100), 6, 6);
    p.setBrush(QColor(0xc8, 0xcc, 0xd2));
    p.drawRect(QRectF(62, 70, 52, 34));
    p.setBrush(QColor(0x20, 0x24, 0x2a));
    p.drawRect(QRectF(96, 76, 10, 22));
    p.setBrush(QColor(0xf4, 0xf4, 0xf0));
    p.drawRect(QRectF(54, 120, 68, 44));

    p.setPen(Qt::white);
    QFont title = p.font();
    title.setPixelSize(52);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRectF(156, 70, 230, 64), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Trelvo"));
    QFont version = title;
    version.setPixelSize(28);
    version.setBold(false);
    p.setFont(version);
    p.drawText(QRectF(158, 132, 230, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("2.0"));

    QFont line = version;
    line.setPixelSize(13);
    p.setFont(line);
    p.drawText(QRectF(40, 204, 340, 44), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Saves and restores the configuration of your PC:\n"
                              "system files, Start menu, browser and mail data."));
    return picture;
}

// The fifteen system files in the order they are looked for. A search text follows
// message 1121; the boxes are those of the Options page and of the restore-choice window.
struct SystemFileRow {
    const char16_t* search;
    const char16_t* path;   // a full path, or a name in the Windows folder
    bool inWindows;
    bool hiddenToo;         // hidden and system files count as present
    const char16_t* mainBox;
    const char16_t* restoreBox;
};

constexpr SystemFileRow kSystemFiles[] = {
    {u" Autoexec.bat", u"C:\\Autoexec.bat", false, false, u"Check8", u"Check1"},
    {u" Autoexec.dos", u"C:\\Autoexec.dos", false, false, u"Check13", u"Check12"},
    {u" Config.sys", u"C:\\config.sys", false, false, u"Check9", u"Check2"},
    {u" Config.dos", u"C:\\config.dos", false, false, u"Check14", u"Check13"},
    {u" Control.ini", u"control.ini", true, false, u"Check4", u"Check3"},
    {u" Msdos.sys", u"C:\\Msdos.sys", false, true, u"Check10", u"Check4"},
    {u" Protocol.ini", u"Protocol.ini", true, false, u"Check5", u"Check5"},
    {u" System.dat", u"system.dat", true, true, u"Check7", u"Check6"},
    {u" System.ini", u"System.ini", true, false, u"Check3", u"Check7"},
    {u" User.dat", u"user.dat", true, true, u"Check6", u"Check8"},
    {u" Win.ini", u"win.ini", true, false, u"Check2", u"Check9"},
    {u" dblspace.ini", u"c:\\dblspace.ini", false, false, u"Check15", u"Check14"},
    {u" drvspace.ini", u"c:\\drvspace.ini", false, false, u"Check16", u"Check15"},
    {u" drvspace.bin", u"c:\\drvspace.bin", false, true, u"Check17", u"Check16"},
    {u" dblspace.bin", u"c:\\dblspace.bin", false, true, u"Check12", u"Check24"},
};

// The first ten rows move the splash window's progress bar on.
constexpr int kRowsWithProgress = 10;

std::function<void()> g_afterStart;

} // namespace

Form2Form::Form2Form() : vb::Form(QStringLiteral("Form2"))
{
    setClientSize(6180, 5280);
    window()->setFixedSize(window()->size());
    Picture1.Move(75, 75, 6030, 4530);   // the picture inside a frame of one pixel
    Picture1.setPicture(splashPicture());
    ProgressBar1.Move(75, 4695, 6030, 180);
    ProgressBar1.setMin(0);
    ProgressBar1.setMax(100);
    // Armed when the window comes onto the screen (eventFilter): a splash window that code
    // merely touches, loaded and hidden, never starts the program.
    Timer1.setInterval(0);
    connect(&Timer1, &vb::Timer::Tick, this, &Form2Form::Timer1_Timer);
}

Form2Form& Form2() { return vb::Forms::get<Form2Form>(QStringLiteral("Form2")); }

bool Form2Form::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window() && event->type() == QEvent::Show && !timerArmed_) {
        timerArmed_ = true;
        Timer1.setInterval(500);
    }
    return vb::Form::eventFilter(watched, event);
}

void Form2Form::Form_Load()
{
    core::ProgramState& s = core::state();
    const QDateTime today = vb::Now();
    s.TodayDate = vb::Str(vb::Day(today)) + u'/' + QString::number(vb::Month(today)) + u'/' +
                  QString::number(vb::Year(today));
    StatusBar1.setText(LoadResString(1512));
    setCaption(LoadResString(1002));
    s.UserFilesIni = core::ProgramFolder() + QStringLiteral("\\UserFiles.ini");
    ProgressBar1.setValue(10);
    setLeft(vb::Screen::Width() / 2 - Width() / 2);
    setTop(vb::Screen::Height() / 2 - Height() / 2);
}

void Form2Form::Timer1_Timer()
{
    Timer1.setEnabled(false);
    {
        // No other event runs before the main window or the automatic-save window is up,
        // also not while a file is written.
        const vb::OnlyPaintWhileWaiting startingUp;
        // Whether anybody is there to read a box is known once the automatic save has been
        // looked for; until then what start-up tells waits.
        core::HoldNotices();
        Form1Form::LoadAtStart();
        core::MakeProgramFolderCurrent();
        UserFiles();
        restore::RestoreReq();
        CheckSystemf();
        Unload();
        core::state().SettingsSaved = true;
        // A restore cut short before its restart is completed or withdrawn before anything else
        // runs; an automatic run has nobody to ask.
        restore::SettleInterruptedRestore(backup::AutomaticRunWanted());
    }
    backup::LoadAutoKeepSettings();
    core::ReleaseNotices();
    Form1().Show();
    if (g_afterStart && !core::state().NobodyThere)
        g_afterStart();
}

void Form2Form::setAfterStart(std::function<void()> step) { g_afterStart = std::move(step); }

void Form2Form::CheckSystemf()
{
    const ProgramSetsSelection quiet;
    const platform::Machine::OneReading reading(platform::fs::machine());   // one look at the drives for the checks
    QString searchText;
    // A statement that fails leaves a line in the error log and the next one runs.
    const auto attempt = [&searchText](const std::function<void()>& statement) {
        try {
            statement();
        } catch (const vb::Error& e) {
            vb::Err().Set(e);
            core::ErrorLog(e.Number(), searchText + QStringLiteral("StartLogon"));
        }
    };

    vb::Err().Clear();
    int row = 0;
    for (const SystemFileRow& file : kSystemFiles) {
        ++row;
        if (row <= kRowsWithProgress)
            attempt([this] { ProgressBar1.setValue(ProgressBar1.Value() + 5); });
        searchText = LoadResString(1121) + QString::fromUtf16(file.search);
        const QString path = file.inWindows ? core::state().SystemPath + u'\\' + QString::fromUtf16(file.path)
                                            : QString::fromUtf16(file.path);
        bool present = false;
        attempt([&] {
            present = !vb::Dir(path, file.hiddenToo ? vb::vbHidden | vb::vbSystem : vb::vbNormal).isEmpty();
        });
        vb::CheckBox& mainBox = core::CheckBoxOf(QStringLiteral("Form1"), QString::fromUtf16(file.mainBox));
        vb::CheckBox& restoreBox = core::CheckBoxOf(QStringLiteral("RestoreReq"), QString::fromUtf16(file.restoreBox));
        if (present) {
            attempt([&] { mainBox.setEnabled(true); });
            attempt([&] { restoreBox.setEnabled(true); });
            continue;
        }
        attempt([&] { mainBox.setValue(0); });
        attempt([&] { mainBox.setEnabled(false); });
        attempt([&] { restoreBox.setEnabled(false); });
        const QString tag = row == 4 ? QStringLiteral("serach file") : QStringLiteral(" search file");
        core::ErrorLog(vb::Err().Number, searchText + tag);
    }
    attempt([this] {
        for (int value = ProgressBar1.Value(); value <= 100; ++value)
            ProgressBar1.setValue(value);
    });
    attempt(core::SaveSettings);
}

} // namespace ui
