// skyfetch: the update program. Its one window is the wizard; the program ends through
// ExitProgram, or when the window is closed from its title bar.
#include "platform/Boot.h"
#include "platform/Machine.h"
#include "resources/Icons.h"
#include "vb/Form.h"
#include "vb/UiServices.h"
#include "webupdate/MachinePrograms.h"
#include "webupdate/Registration.h"
#include "webupdate/frmSkyfetch.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(resources::updaterIcon());   // its window and its boxes
    vb::installUiFromEnvironment();
    // The demo machine is written on the first start, into an absent or empty folder only.
    if (const QString problem = platform::Machine::open(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        vb::MsgBox(problem, vb::vbCritical | vb::vbOKOnly, QStringLiteral("Skyfetch"));
        return 1;
    }
    platform::bootIfRestartPending();   // a restart asked for before this start happens now
    vb::App().Path = platform::Machine::current().programFolder();
    vb::App().Title = QStringLiteral("Skyfetch");
    webupdate::registerWindows();
    webupdate::registerMachinePrograms();

    // The window closed from its title bar is unloaded, and the program ends with it.
    QApplication::setQuitOnLastWindowClosed(false);
    vb::runEventHandler([&app] {
        webupdate::frmSkyfetchForm& window = webupdate::frmSkyfetch();
        QObject::connect(&window, &QObject::destroyed, &app, &QCoreApplication::quit);
        window.Show();
    });
    return app.exec();
}
