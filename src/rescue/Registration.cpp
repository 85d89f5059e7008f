#include "rescue/Registration.h"
#include "platform/Boot.h"
#include "platform/Machine.h"
#include "rescue/SelWiz.h"
#include "rescue/Wizzard.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Registration.h"
#include "vb/Forms.h"
#include "vb/UiServices.h"

#include <cstdio>

namespace rescue {

void registerWindows()
{
    ui::registerWindows();
    vb::Forms::registerFactory(QStringLiteral("Wizzard"), [] { return new WizzardForm; });
    vb::Forms::registerFactory(QStringLiteral("SelWiz"), [] { return new SelWizForm; });
    ui::Form1Form::setRescueWizard(&Form1_Command18_Click);
    ui::Form2Form::setAfterStart(&SettleInterruptedUpdate);
}

bool startMainProgram()
{
    vb::installUiFromEnvironment();
    if (const QString problem = platform::Machine::open(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        vb::MsgBox(problem, vb::vbCritical | vb::vbOKOnly, QStringLiteral("Trelvo"));
        return false;
    }
    platform::bootIfRestartPending();   // a restart asked for before this start happens now
    vb::App().Path = platform::Machine::current().programFolder();
    // A restart asked for while the program ran happens once it has ended.
    vb::OnEnd([] { platform::bootIfRestartPending(); });
    registerWindows();
    ui::Form2().Show();
    return true;
}

} // namespace rescue
