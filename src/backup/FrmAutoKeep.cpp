#include "backup/FrmAutoKeep.h"
#include "backup/AutoKeepSchedule.h"
#include "backup/Save.h"
#include "core/Exit.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Windows.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

#include <QPointer>
#include <QStyle>
#include <QThread>
#include <QWidget>

namespace backup {

namespace {

vb::ListBox& SlotList() { return core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List1")); }

// Rewrites AutoKp.ini from the main window's schedule controls and rows. A file that
// cannot be written (a folder in its place, a full disk) is logged: nobody reads a box.
void RewriteSchedule(const QString& lastDate)
{
    try {
        WriteAutoKeepSchedule(core::ComboBoxOf(QStringLiteral("Form1"), QStringLiteral("Combo1")).ListIndex(), lastDate,
                              core::state().AutoKeepNextSlot,
                              core::TextBoxOf(QStringLiteral("Form1"), QStringLiteral("Text3")).Text());
    } catch (const vb::Error& e) {
        core::ErrorLog(e.Number(), u' ' + core::LoadResString(2295) + u' ' + AutoKeepScheduleFile() + QStringLiteral(" AutoKeep"));
    }
}

// The date a slot row shows, from TodayDate (" 8/12/2026"): the day with its blank, the
// month's abbreviation and the year, " 8/Dec/2026".
QString SlotDate(const QString& today)
{
    const int slash = vb::InStr(today, QStringLiteral("/"));
    const QString day = vb::Left(today, slash - 1);
    const int month = int(vb::Val(vb::Mid(today, slash + 1, 2)));
    return day + u'/' + core::LoadResString(1270 + month) + u'/' + vb::Right(today, 4);
}

} // namespace

FrmAutoKeepForm::FrmAutoKeepForm() : vb::Form(QStringLiteral("FrmAutoKeep"))
{
    setCaption(QStringLiteral("AutoKeep"));
    setClientSize(6135, 2610);
    Picture1.Move(180, 180, 720, 720);
    Picture1.setPicture(window()->style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(48, 48));
    Label2.Move(1080, 180, 4875, 900);
    Label2.setWordWrap(true);
    // Two lines: the outcome of a save that did not save everything takes both.
    Label3.Move(1080, 1140, 4875, 525);
    Label3.setWordWrap(true);
    ProgressBar1.Move(1080, 1800, 3375, 255);
    ProgressBar1.setMin(0);
    ProgressBar1.setMax(10);
    Command1.Move(4740, 1740, 1215, 390);
    Command1.setCaption(QStringLiteral("Cancel"));
    Command1.setCancel(true);   // Esc passes over the automatic save, as the button does
    connect(&Timer1, &vb::Timer::Tick, this, [this] { Timer1_Timer(); });
    connect(&Command1, &vb::CommandButton::Click, this, [this] { Command1_Click(); });
}

void FrmAutoKeepForm::RunCountdown()
{
    const QPointer<FrmAutoKeepForm> self(this);
    Show();
    if (!self || !Visible())
        return;
    waitWhileShown();
}

void FrmAutoKeepForm::Form_Load()
{
    setCaption(core::LoadResString(1085));
    Label2.setCaption(core::LoadResString(1170));
    Label3.setCaption(QStringLiteral("0"));
    Timer1.setInterval(1500);
    counter_ = 6;
}

void FrmAutoKeepForm::Form_QueryUnload(int&, int unloadMode)
{
    if (unloadMode == vb::vbFormControlMenu)
        Command1_Click();
}

void FrmAutoKeepForm::Timer1_Timer()
{
    if (!Visible()) {
        Timer1.setEnabled(false);
        return;
    }
    // The save lets events through between its steps; a tick arriving then starts nothing.
    if (phase_ != Phase::Counting)
        return;
    Command1.setCaption(u'&' + core::LoadResString(1171));
    Timer1.setInterval(1500);
    --counter_;
    Label3.setCaption(core::LoadResString(1172) + vb::Str(counter_) + core::LoadResString(1173));
    Refresh();
    if (counter_ <= 1)
        startkeep();
}

void FrmAutoKeepForm::Command1_Click()
{
    vb::ResumeNext([] { vb::Kill(AutoKeepMarkerFile()); });
    if (phase_ == Phase::Saving) {
        // Whatever the slot held is gone or incomplete by now.
        const core::ProgramState& s = core::state();
        const int k = s.SelectedConfig + 1;
        vb::ResumeNext([&] { SlotList().setList(k - 1, AutoKeepSlotRow(k, core::LoadResString(1131))); });
        vb::ResumeNext([&] { RewriteSchedule(s.AutoKeepLastDate); });
    }
    vb::End(0);
}

void FrmAutoKeepForm::startkeep()
{
    if (phase_ != Phase::Counting)
        return;
    phase_ = Phase::Saving;
    Timer1.setEnabled(false);
    core::ProgramState& s = core::state();

    Label2.setCaption(core::LoadResString(1169) + QStringLiteral("\r\r") + core::LoadResString(1019));
    Command1.setCaption(u'&' + core::LoadResString(1092));
    Label3.setCaption(QString());
    Refresh();

    s.SelectedConfig = s.AutoKeepNextSlot;
    s.PrevSaveFolder = s.SaveFolder;
    s.SaveFolder = core::AutoKeepFolder();
    const QString folder = vb::Left(s.SaveFolder, vb::Len(s.SaveFolder) - 1);
    if (vb::ResumeNext([&] { vb::GetAttr(folder); }) != 0)
        vb::ResumeNext([&] { vb::MkDir(folder); });
    const int k = s.SelectedConfig + 1;
    s.ConfigIniPath = core::AutoKeepFolder() + QStringLiteral("Config") + QString::number(k) + QStringLiteral(".ini");
    s.ConfigIniCopyPath = s.SaveFolder + QStringLiteral("Config") + QString::number(k) + QStringLiteral(".ini");

    // The save deletes the slot's old description with its old archives.
    s.AutomaticSave = true;
    vb::ResumeNext(Save);
    s.AutomaticSave = false;
    phase_ = Phase::Closing;

    if (s.SaveDone) {
        QString date;
        vb::ResumeNext([&] { date = SlotDate(s.TodayDate); });
        s.AutoKeepNextSlot += 1;
        vb::ResumeNext([&] { SlotList().setList(k - 1, AutoKeepSlotRow(k, date)); });
        vb::ResumeNext([&] { RewriteSchedule(vb::Trim(s.TodayDate)); });
    } else if (s.OldConfigDeleted) {
        // Whatever the slot held is gone or incomplete by now.
        vb::ResumeNext([&] { SlotList().setList(k - 1, AutoKeepSlotRow(k, core::LoadResString(1131))); });
        vb::ResumeNext([&] { RewriteSchedule(s.AutoKeepLastDate); });
    }

    Label2.setCaption(QString());
    if (s.SaveDone && s.SaveComplete) {
        Label3.setCaption(core::LoadResString(1138));
    } else {
        const QString failed = core::LoadResString(2101);
        Label3.setCaption(failed);
        core::ErrorLog(0, u' ' + core::LoadResString(2102) + QString::number(k) + u' ' + failed);
    }
    StatusBar1.setText(core::LoadResString(1148));
    Refresh();
    QThread::msleep(3000);
    vb::ResumeNext([] { vb::Kill(AutoKeepMarkerFile()); });
    core::QuitProgram();
    // Still here: something left the program looking busy. Nobody is there to end it.
    vb::ResumeNext(core::EndOperation);
    core::QuitProgram();
    vb::End(0);
}

FrmAutoKeepForm& FrmAutoKeep() { return vb::Forms::get<FrmAutoKeepForm>(QStringLiteral("FrmAutoKeep")); }

} // namespace backup
