#include "backup/AutoKeepSchedule.h"
#include "backup/FrmAutoKeep.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/Notices.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"
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

// The schedule file as it lies in the program folder.
struct StoredSchedule {
    bool absent = false;                // nothing of its name: the default file is written
    std::optional<QStringList> lines;   // up to eight; none when it is there but cannot be read
    QString unreadable;                 // then why (a text of the catalogue)
};

StoredSchedule ReadStoredSchedule()
{
    StoredSchedule stored;
    const QString file = AutoKeepScheduleFile();
    const int f = vb::FreeFile();
    const int error = vb::ResumeNext([&] { vb::Open(file, vb::OpenMode::Input, f); });
    if (error != 0) {
        // Missing (then the default is written), a folder, a link to nothing, or unreadable.
        const platform::fs::NotAFile why = platform::fs::whyNotAFile(file);
        stored.absent = why == platform::fs::NotAFile::Missing;
        stored.unreadable = core::LoadResString(2271 + int(why));
        return stored;
    }
    QStringList lines;
    for (int i = 0; i < 8; ++i) {
        QString line;
        if (vb::ResumeNext([&] { line = vb::LineInput(f); }) != 0)
            break;
        lines << line;
    }
    vb::Close(f);
    stored.lines = lines;
    return stored;
}

// The mode of line 1, 0 ("Disabled") to 4; none when the line is missing, holds no number
// or one outside the list. Such a mode is not "Disabled".
std::optional<int> StoredMode(const QStringList& lines)
{
    if (lines.isEmpty())
        return std::nullopt;
    const QString mode = vb::Trim(lines[0]);
    const qsizetype digit = mode.startsWith(u'-') || mode.startsWith(u'+') ? 1 : 0;
    if (mode.size() <= digit || !mode[digit].isDigit())
        return std::nullopt;
    double value = 0;
    vb::ResumeNext([&] { value = vb::Val(mode); });
    if (value < 0 || value > 4)
        return std::nullopt;
    return int(value);
}

// A schedule that cannot be followed as it stands goes to the error log, with the file and
// the first line at fault: nobody may be there to read a box.
void LogDamage(const StoredSchedule& stored)
{
    const QString file = AutoKeepScheduleFile();
    QString what;
    if (!stored.lines) {
        what = core::LoadResString(2290) + u' ' + file + QStringLiteral(": ") + stored.unreadable;
    } else {
        const QStringList& lines = *stored.lines;
        const auto at = [&](int line, int reason) {
            const QString where = line > 0 ? QStringLiteral(", ") + core::LoadResString(2284) + u' ' + QString::number(line) : QString();
            return core::LoadResString(2291) + u' ' + file + where + QStringLiteral(": ") + core::LoadResString(reason);
        };
        const bool slotIsNumber = lines.size() >= 3 && vb::ResumeNext([&] { vb::CInt(lines[2]); }) == 0;
        if (lines.isEmpty())
            what = at(0, 2275);
        else if (!StoredMode(lines))
            what = at(1, 2292);
        else if (lines.size() >= 3 && !slotIsNumber)
            what = at(3, 2293);
        else if (lines.size() < 8)
            what = at(lines.size(), 2294);
    }
    if (!what.isEmpty())
        core::ErrorLog(0, u' ' + what + QStringLiteral(" LoadAutoKeepSettings"));
}

void ReadSchedule(const StoredSchedule& stored)
{
    core::ProgramState& s = core::state();
    const QStringList lines = stored.lines.value_or(QStringList());
    const auto line = [&](int number) -> std::optional<QString> {
        if (number > lines.size())
            return std::nullopt;
        return vb::Trim(lines[number - 1]);
    };
    vb::ResumeNext([] { SlotList().Clear(); });
    // A damaged or missing mode leaves the list without a choice, which is not "Disabled";
    // a default file that could not be written leaves the default's choice.
    const std::optional<int> mode = StoredMode(lines);
    if (stored.lines || !stored.absent)
        vb::ResumeNext([&] { ModeList().setListIndex(mode.value_or(-1)); });
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
    // As the schedule is loaded: no file at all gets the default, "Disabled"; a file that
    // cannot be read, or whose mode is none of the list's, is not "Disabled".
    const StoredSchedule stored = ReadStoredSchedule();
    if (stored.absent)
        return false;
    return !stored.lines || StoredMode(*stored.lines) != 0;
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
        StoredSchedule stored = ReadStoredSchedule();
        if (stored.absent) {
            WriteDefaultSchedule();
            stored = ReadStoredSchedule();
        }
        LogDamage(stored);
        ReadSchedule(stored);
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
