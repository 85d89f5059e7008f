#include "core/Notices.h"
#include "core/Exit.h"
#include "core/IniValues.h"
#include "core/ProgramState.h"
#include "vb/Form.h"
#include "vb/UiServices.h"

#include <QList>
#include <utility>

namespace core {

namespace {

struct HeldNotice {
    QString prompt;
    int buttons;
    QString title;
    bool thenQuit = false;
    bool logged = false;
};

QList<HeldNotice> g_held;

void logInstead(const QString& prompt)
{
    QString text = prompt;
    text.replace(u'\r', u' ');
    ErrorLog(0, u' ' + text);
}

} // namespace

void Notice(const QString& prompt, int buttons, const QString& title, bool logged)
{
    if (state().NobodyThere) {
        if (!logged)
            logInstead(prompt);
    } else if (state().NoticesHeld) {
        g_held.append({prompt, buttons, title, false, logged});
    } else {
        vb::MsgBox(prompt, buttons, title);
    }
}

void NoticeThenQuit(const QString& prompt, int buttons, const QString& title)
{
    if (state().NoticesHeld && !state().NobodyThere) {
        g_held.append({prompt, buttons, title, true});
        return;
    }
    Notice(prompt, buttons, title);
    QuitProgram();
}

void HoldNotices()
{
    g_held.clear();
    state().NoticesHeld = true;
}

void ReleaseNotices()
{
    state().NoticesHeld = false;
    // A fault nobody foresaw ends an automatic run with a log line, not at a box.
    vb::SetUntrappedErrorReport([](int number, const QString& description) {
        if (!state().NobodyThere)
            return false;
        ErrorLog(0, QStringLiteral(" Run-time error '%1': %2").arg(number).arg(description));
        return true;
    });
    for (const HeldNotice& n : std::exchange(g_held, {})) {
        if (n.thenQuit)
            NoticeThenQuit(n.prompt, n.buttons, n.title);
        else
            Notice(n.prompt, n.buttons, n.title, n.logged);
    }
}

} // namespace core
