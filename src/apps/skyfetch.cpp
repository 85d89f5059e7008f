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

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(resources::updaterIcon());   // its window and its boxes
    platform::Machine::current();   // creates the demo machine on the first start
    platform::bootIfRestartPending();   // a restart asked for before this start happens now
    vb::installUiFromEnvironment();
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
