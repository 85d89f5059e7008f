// trelvoapp: the main program. The splash window is its first window; its start timer runs
// the start-up and shows the main window. The program ends through QuitProgram (or, for a
// second instance and a skipped automatic save, at once), never by closing its last window.
#include "rescue/Registration.h"
#include "resources/Icons.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(resources::appIcon());   // every window and box of the program
    QApplication::setDesktopFileName(QStringLiteral("trelvoapp"));   // the menu entry that cmake --install writes
    if (!rescue::startMainProgram())
        return 1;
    return app.exec();
}
