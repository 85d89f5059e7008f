#pragma once
// A fresh machine whose [Hosts] table sends the update server's name to an HTTP server of
// the test, the scripted UI, and the update program's state and window registry reset.
#include "support/UpdateServer.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "webupdate/MachinePrograms.h"
#include "webupdate/ProgramState.h"
#include "webupdate/Registration.h"

#include <QFile>

namespace testsupport {

class WebUpdateTest : public MachineTest {
protected:
    static inline const QString kBase = QStringLiteral("/skf/version2/englisch/");
    static inline const QString kListPath = kBase + QStringLiteral("skyfetch.txt");

    void SetUp() override
    {
        ui = &ScriptedUi::install();
        webupdate::resetState();
        vb::Forms::reset();
        webupdate::registerWindows();
        webupdate::registerMachinePrograms();
        tm.machine().setSetting(QStringLiteral("Hosts"), QStringLiteral("update.orvane.example"), server.address());
        tm.machine().setSetting(QStringLiteral("Network"), QStringLiteral("ReceiveTimeout"), QStringLiteral("2"));
    }
    void TearDown() override
    {
        vb::Forms::unloadAll();
        vb::Screen::setMousePointer(0);
    }

    void setNetwork(const char* key, const QString& value)
    {
        tm.machine().setSetting(QStringLiteral("Network"), QString::fromLatin1(key), value);
    }
    // A dial-up connection of this name is up.
    void dialledUp(const QString& name = QStringLiteral("Home Dial-Up"))
    {
        setNetwork("DialUp", QStringLiteral("1"));
        setNetwork("DialUpName", name);
    }
    bool dialUpIsUp() const { return tm.machine().setting(QStringLiteral("Network"), QStringLiteral("DialUp")) == u"1"; }

    // registry.reg with one line replaced.
    void editRegistry(const QByteArray& line, const QByteArray& replacement)
    {
        QFile f(tm.dir() + QStringLiteral("/registry.reg"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QByteArray text = f.readAll();
        f.close();
        ASSERT_TRUE(text.contains(line)) << line.constData();
        text.replace(line, replacement);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

    // Host path of a file in the installation folder's download folder.
    QString updates(const QString& name) const { return tm.hostC(QStringLiteral("Program Files/Trelvo/updates/") + name); }

    UpdateServer server;
    ScriptedUi* ui = nullptr;
};

} // namespace testsupport
