#include "platform/Boot.h"
#include "platform/Machine.h"
#include "vb/UiServices.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::Machine::current();
    platform::bootIfRestartPending();   // a restart asked for before this start happens now
    vb::installUiFromEnvironment();
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Trelvo Web Update"));
    w.show();
    return app.exec();
}
