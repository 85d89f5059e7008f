#include "webupdate/MachinePrograms.h"
#include "platform/DialUp.h"
#include "platform/Machine.h"
#include "platform/Process.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

#include <QEvent>
#include <QWidget>

namespace webupdate {

namespace proc = platform::proc;

namespace {

// rundll32 runs the dialler of the dial-up networking library; nothing else is installed.
proc::Outcome runDialer(const proc::Invocation& inv)
{
    if (inv.args.isEmpty() || inv.args.first().compare(QLatin1StringView("rnaui.dll,RnaDial"), Qt::CaseInsensitive) != 0)
        return proc::Outcome::ended(1, QStringLiteral("rundll32: nothing to run in %1").arg(inv.argText));
    const qsizetype blank = inv.argText.indexOf(u' ');
    const QString entry = blank < 0 ? QString() : vb::LTrim(inv.argText.mid(blank + 1));
    if (entry.isEmpty())
        return proc::Outcome::ended(1, QStringLiteral("rundll32: no connection to dial"));
    ConnectToForm window(entry);
    window.Show(vb::vbModal);
    return proc::Outcome::ended(window.connected() ? 0 : 1);
}

proc::Outcome runInstaller(const proc::Invocation& inv)
{
    platform::Machine& m = platform::Machine::current();
    const QString section = QStringLiteral("Setup");
    m.setSetting(section, QStringLiteral("LastRun"), inv.program);
    m.setSetting(section, QStringLiteral("Runs"), QString::number(m.setting(section, QStringLiteral("Runs")).toInt() + 1));
    const QString name = inv.program.mid(inv.program.lastIndexOf(u'\\') + 1);
    vb::MsgBox(QStringLiteral("Setup has finished installing %1.").arg(name), vb::vbOKOnly | vb::vbInformation, QStringLiteral("Setup"));
    return proc::Outcome::ended(0);
}

} // namespace

ConnectToForm::ConnectToForm(const QString& entry) : vb::Form(QStringLiteral("ConnectTo")), entry_(entry)
{
    setCaption(QStringLiteral("Connect To"));
    setClientSize(4500, 1500);
    window()->setFixedSize(window()->size());
    Label1.Move(240, 240, 4020, 375);
    Label1.setCaption(QStringLiteral("Connect to ") + entry);
    Command1.Move(1800, 900, 1155, 375);
    Command1.setCaption(QStringLiteral("Connect"));
    Command1.setDefault(true);
    Command2.Move(3105, 900, 1155, 375);
    Command2.setCaption(QStringLiteral("Cancel"));
    Command2.setCancel(true);
    connect(&Command1, &vb::CommandButton::Click, this, [this] {
        platform::ras::Dial(entry_);
        connected_ = true;
        Hide();
    });
    connect(&Command2, &vb::CommandButton::Click, this, [this] { Hide(); });
}

// Closing the window from its title bar cancels, as its Cancel button does.
bool ConnectToForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window() && event->type() == QEvent::Close) {
        event->ignore();
        Hide();
        return true;
    }
    return vb::Form::eventFilter(watched, event);
}

void registerMachinePrograms()
{
    proc::registerBehaviour(QStringLiteral("dialer"), runDialer);
    proc::registerBehaviour(QStringLiteral("installer"), runInstaller);
}

} // namespace webupdate
