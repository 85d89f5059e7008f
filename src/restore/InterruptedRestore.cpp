#include "restore/InterruptedRestore.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "platform/Boot.h"
#include "platform/SysError.h"
#include "restore/Reboot.h"
#include "restore/Restore.h"
#include "restore/WininitRename.h"
#include "vb/Error.h"
#include "vb/UiServices.h"

#include <algorithm>

namespace restore {

namespace {

const QString CR = QStringLiteral("\r");

QString res(int number) { return core::LoadResString(number); }

QStringList allLines(const QList<WaitingRestore>& waiting)
{
    QStringList lines;
    for (const WaitingRestore& w : waiting)
        lines << w.lines;
    return lines;
}

// `heading`, the restores by name, and the files their lines replace.
QString describe(const QList<WaitingRestore>& waiting, int heading)
{
    QString text = res(heading);
    for (const WaitingRestore& w : waiting)
        text += CR + (w.name.isEmpty() ? res(2307) : u'"' + w.name + u'"');
    text += CR + res(2301);
    for (const QString& line : allLines(waiting))
        text += CR + line.left(line.indexOf(u'=')).trimmed();
    return text;
}

// The record keeps only what the list still holds (a boot by other means, a withdrawal cut
// short).
void forgetLinesGone()
{
    const QList<platform::OwedLine> owed = platform::owedRenameLines();
    if (owed.isEmpty())
        return;
    const QStringList present = platform::pendingRenameLines();
    QList<platform::OwedLine> kept;
    for (const platform::OwedLine& o : owed)
        if (std::any_of(present.begin(), present.end(), [&](const QString& line) { return platform::sameRenameLine(line, o.line); }))
            kept << o;
    try {
        if (kept.size() != owed.size())
            platform::recordOwedRenameLines(kept);
    } catch (const platform::SysError& e) {
        core::ErrorLog(e.code(), QStringLiteral("machine.ini Restore"));
    }
}

} // namespace

QString RestoreName()
{
    const core::ProgramState& s = core::state();
    if (core::IsAutoKeepFolder(s.SaveFolder))
        return QStringLiteral("AutoKeep #") + QString::number(s.SelectedConfig + 1);
    return s.ConfigDescription[s.SelectedConfig];
}

QList<WaitingRestore> RestoresWaitingForRestart()
{
    if (platform::restartPending())
        return {};
    const QList<platform::OwedLine> owed = platform::owedRenameLines();
    QList<WaitingRestore> waiting;
    for (const QString& line : platform::pendingRenameLines()) {
        const auto recorded = std::find_if(owed.begin(), owed.end(), [&](const platform::OwedLine& o) { return platform::sameRenameLine(o.line, line); });
        const qsizetype eq = line.indexOf(u'=');
        if (recorded == owed.end() &&
            (eq <= 0 || line.left(eq).trimmed().compare(u"NUL", Qt::CaseInsensitive) == 0 || !StagedInWorkFolder(line.mid(eq + 1).trimmed())))
            continue;
        const QString name = recorded == owed.end() ? QString() : recorded->owner;
        auto group = std::find_if(waiting.begin(), waiting.end(), [&](const WaitingRestore& w) { return w.name == name; });
        if (group == waiting.end())
            waiting.append({name, {line}});
        else
            group->lines << line;
    }
    return waiting;
}

void SettleInterruptedRestore(bool automatic)
{
    forgetLinesGone();
    const QList<WaitingRestore> waiting = RestoresWaitingForRestart();
    if (waiting.isEmpty())
        return;
    const QString about = describe(waiting, 2300);
    if (automatic) {
        core::ErrorLog(0, u' ' + QString(about + CR + res(2306)).replace(u'\r', u' ') + QStringLiteral(" Restore"));
        WithdrawRenameLines(allLines(waiting));
        return;
    }
    if (vb::MsgBox(about + CR + CR + res(2302) + CR + res(2303), vb::vbYesNo | vb::vbExclamation, res(1005)) == vb::vbNo) {
        WithdrawRenameLines(allLines(waiting));
        return;
    }
    // The restart the restore would have asked for: the program closes for it once start-up is over.
    vb::ResumeNext([] { Reboot().Show(vb::vbModeless); });
    RebootWindows();
}

void AskAboutWaitingRestores()
{
    forgetLinesGone();
    const QList<WaitingRestore> waiting = RestoresWaitingForRestart();
    if (waiting.isEmpty())
        return;
    if (vb::MsgBox(describe(waiting, 2304) + CR + CR + res(2305) + CR + res(2303), vb::vbYesNo | vb::vbQuestion, res(1005)) == vb::vbNo)
        WithdrawRenameLines(allLines(waiting));
}

} // namespace restore
