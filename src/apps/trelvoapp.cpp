#include "platform/Machine.h"
#include "vb/UiServices.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::Machine::current();   // creates the demo machine on the first start
    vb::installUiFromEnvironment();
    vb::App().Path = platform::Machine::current().programFolder();
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Trelvo 2.0"));
    w.show();
    return app.exec();
}
