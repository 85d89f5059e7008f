#include "platform/Machine.h"
#include "vb/UiServices.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::Machine::current();
    vb::installUiFromEnvironment();
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Trelvo Web Update"));
    w.show();
    return app.exec();
}
