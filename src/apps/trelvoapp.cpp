// trelvoapp: the main program. The splash window is its first window; its start timer runs
// the start-up and shows the main window. The program ends through QuitProgram (or, for a
// second instance and a skipped automatic save, at once), never by closing its last window.
#include "platform/Boot.h"
#include "platform/Machine.h"
#include "rescue/Registration.h"
#include "ui/Form2.h"
#include "vb/UiServices.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    platform::Machine::current();   // creates the demo machine on the first start
    platform::bootIfRestartPending();   // a restart asked for before this start happens now
    vb::installUiFromEnvironment();
    vb::App().Path = platform::Machine::current().programFolder();
    // A restart asked for while the program ran happens once it has ended.
    vb::OnEnd([] { platform::bootIfRestartPending(); });
    rescue::registerWindows();

    ui::Form2().Show();
    return app.exec();
}
