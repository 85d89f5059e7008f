#include "backup/AutoKeepSchedule.h"
#include "backup/FrmAutoKeep.h"
#include "core/Messages.h"
#include "core/Notices.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Windows.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

#include <QScopedValueRollback>
#include <optional>

namespace backup {

namespace {

// True while LoadAutoKeepSettings fills the controls: the list index it sets is not the
// user's choice, so the mode change neither asks nor writes then.
bool g_loading = false;
// The mode the list showed after its last change was dealt with, and true while the list is
// put back on it: a question about the days that the user cancels changes nothing.
int g_settledMode = -1;
bool g_puttingBack = false;

vb::ComboBox& ModeList() { return core::ComboBoxOf(QStringLiteral("Form1"), QStringLiteral("Combo1")); }
vb::TextBox& IntervalBox() { return core::TextBoxOf(QStringLiteral("Form1"), QStringLiteral("Text3")); }
vb::ListBox& SlotList() { return core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List1")); }

QString NotSavedRow(int k) { return AutoKeepSlotRow(k, core::LoadResString(1131)); }

bool Exists(const QString& path)
{
    bool found = false;
    vb::ResumeNext([&] { found = !vb::Dir(path).isEmpty(); });
    return found;
}

// A stored row as the list shows it. Only a row of its own slot that names a date, with
// the slot's description file present, can be chosen for a restore; the other edition's
// not-saved word, a damaged or missing line and a slot without its files read "Not Saved".
QString LoadedRow(int k, const std::optional<QString>& line)
{
    const QString literal = AutoKeepSlotRow(k, {});
    if (!line || !line->startsWith(literal))
        return NotSavedRow(k);
    const QString shown = line->mid(literal.size());
    if (shown.contains(QStringLiteral("Nicht Gesichert")) || shown.contains(core::LoadResString(1131)))
        return NotSavedRow(k);
    if (!Exists(core::AutoKeepFolder() + QStringLiteral("Config") + QString::number(k) + QStringLiteral(".ini")))
        return NotSavedRow(k);
    return *line;
}

void WriteDefaultSchedule()
{
    core::ProgramState& s = core::state();
    vb::ResumeNext([&] { s.AutoKeepLastDate = vb::Trim(s.TodayDate); });
    vb::ResumeNext([] {
        SlotList().Clear();
        for (int k = 1; k <= 4; ++k)
            SlotList().AddItem(NotSavedRow(k));
    });
    vb::ResumeNext([] { ModeList().setListIndex(0); });
    vb::ResumeNext([] { IntervalBox().setText(QStringLiteral("0")); });
    vb::ResumeNext([] { vb::Kill(AutoKeepScheduleFile()); });
    vb::ResumeNext([&] { WriteAutoKeepSchedule(0, s.AutoKeepLastDate, 0, vb::PrintNumber(0)); });
}

// Up to eight lines of the file; fewer when it is shorter or cannot be read.
QStringList ReadScheduleLines()
{
    QStringList lines;
    const int f = vb::FreeFile();
    if (vb::ResumeNext([&] { vb::Open(AutoKeepScheduleFile(), vb::OpenMode::Input, f); }) != 0)
        return lines;
    for (int i = 0; i < 8; ++i) {
        QString line;
        if (vb::ResumeNext([&] { line = vb::LineInput(f); }) != 0)
            break;
        lines << line;
    }
    vb::Close(f);
    return lines;
}

void ReadSchedule()
{
    core::ProgramState& s = core::state();
    const QStringList lines = ReadScheduleLines();
    const auto line = [&](int number) -> std::optional<QString> {
        if (number > lines.size())
            return std::nullopt;
        return vb::Trim(lines[number - 1]);
    };
    vb::ResumeNext([] { SlotList().Clear(); });
    if (const auto mode = line(1))
        vb::ResumeNext([&] { ModeList().setListIndex(vb::CInt(vb::Val(*mode))); });
    if (const auto date = line(2))
        s.AutoKeepLastDate = *date;
    if (const auto slot = line(3))
        vb::ResumeNext([&] { s.AutoKeepNextSlot = vb::CInt(*slot); });
    if (const auto interval = line(4))
        vb::ResumeNext([&] { IntervalBox().setText(*interval); });
    for (int k = 1; k <= 4; ++k)
        vb::ResumeNext([&] { SlotList().AddItem(LoadedRow(k, line(4 + k))); });
}

} // namespace

QString AutoKeepScheduleFile() { return core::ProgramFolder() + QStringLiteral("\\AutoKp.ini"); }
QString AutoKeepMarkerFile() { return core::ProgramFolder() + QStringLiteral("\\Keep.go"); }

bool AutomaticRunWanted()
{
    if (!Exists(AutoKeepMarkerFile()))
        return false;
    const QStringList lines = ReadScheduleLines();
    int mode = 0;
    if (!lines.isEmpty())
        vb::ResumeNext([&] { mode = vb::CInt(vb::Val(vb::Trim(lines[0]))); });
    // As the mode list takes the line when the schedule is loaded: -1 leaves it without a
    // selection, which is not "Disabled"; a value it cannot take leaves it on "Disabled".
    return mode == -1 || (mode >= 1 && mode <= 4);
}

QString AutoKeepSlotRow(int k, const QString& text) { return u'#' + QString::number(k) + QStringLiteral(" : ") + text; }

void WriteAutoKeepSchedule(int mode, const QString& lastDate, int nextSlot, const QString& interval)
{
    const vb::ListBox& rows = SlotList();
    const int f = vb::FreeFile();
    vb::Open(AutoKeepScheduleFile(), vb::OpenMode::Output, f);
    try {
        vb::Print(f, vb::PrintNumber(mode));
        vb::Print(f, lastDate);
        vb::Print(f, vb::PrintNumber(nextSlot));
        vb::Print(f, interval);
        for (int row = 0; row < 4; ++row)
            vb::Print(f, rows.List(row));
    } catch (const vb::Error&) {
        vb::Close(f);
        throw;
    }
    vb::Close(f);
}

void LoadAutoKeepSettings()
{
    core::ProgramState& s = core::state();
    {
        const QScopedValueRollback<bool> loading(g_loading, true);
        for (const int id : {1133, 1128, 1129, 1130, 1176})
            vb::ResumeNext([id] { ModeList().AddItem(core::LoadResString(id)); });
        if (!Exists(AutoKeepScheduleFile()))
            WriteDefaultSchedule();
        ReadSchedule();
        if (s.AutoKeepNextSlot >= 4 || s.AutoKeepNextSlot < 0)
            s.AutoKeepNextSlot = 0;
        // The list may already have stood on the stored mode (its first row is chosen as it
        // is filled), so no change came to say where it settled.
        vb::ResumeNext([] { g_settledMode = ModeList().ListIndex(); });
    }
    int mode = 0;
    vb::ResumeNext([&] { mode = ModeList().ListIndex(); });
    if (Exists(AutoKeepMarkerFile()) && mode != 0) {
        // An automatic run: nobody answers a box from here to the end; the log has it all.
        s.NobodyThere = true;
        core::ReleaseNotices();
        FrmAutoKeep().RunCountdown();
    }
}

void Form1_Combo1_Click()
{
    if (g_puttingBack)
        return;
    try {
        core::ProgramState& s = core::state();
        vb::TextBox& interval = IntervalBox();
        switch (ModeList().ListIndex()) {
        case 0:
            interval.setText(QStringLiteral("0"));
            break;
        case 1:
            interval.setText(QStringLiteral("1"));
            break;
        case 2:
            interval.setText(QStringLiteral("7"));
            break;
        case 3:
            interval.setText(QStringLiteral("30"));
            break;
        case 4:
            if (!g_loading && core::Win(QStringLiteral("Form1")).Visible()) {
                const QString days = vb::InputBox(core::LoadResString(1226));
                if (days.isEmpty()) {
                    // No days, no change: the mode goes back to what it was, the file stays.
                    if (g_settledMode != 4 && g_settledMode >= -1 && g_settledMode < ModeList().ListCount()) {
                        const QScopedValueRollback<bool> puttingBack(g_puttingBack, true);
                        ModeList().setListIndex(g_settledMode);
                    }
                    return;
                }
                interval.setText(days);
            }
            break;
        default:
            break;
        }
        g_settledMode = ModeList().ListIndex();
        if (g_loading)
            return;
        WriteAutoKeepSchedule(ModeList().ListIndex(), s.AutoKeepLastDate, s.AutoKeepNextSlot, interval.Text());
    } catch (const vb::Error&) {
        // The schedule stays as it was on disk; Text3 may already show the new interval.
    }
}

} // namespace backup
