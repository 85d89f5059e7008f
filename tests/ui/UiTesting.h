#pragma once
// The program started on the test machine as its splash timer starts it, and the user's
// hands on its windows: clicks on buttons, boxes and page tabs, typing.
#include "core/ProgramState.h"
#include "platform/Profile.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "vb/DateTime.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <functional>

namespace uitest {

// A machine, answered boxes and a fixed clock: Friday 5 March 1999, 14:30.
class ProgramTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        vb::SetClockForTesting(QDateTime(QDate(1999, 3, 5), QTime(14, 30)));
        ui = &testsupport::ScriptedUi::install();
    }
    void TearDown() override { vb::SetClockForTesting(std::nullopt); }

    // The start timer's work, run at once: the splash window loaded, then the start-up.
    ui::Form1Form& start()
    {
        ui::Form2().Timer1_Timer();
        return ui::Form1();
    }

    void writeProgramFile(const char* name, const QByteArray& text)
    {
        QByteArray crlf = text;
        crlf.replace("\r\n", "\n").replace("\n", "\r\n");
        tm.writeC(QStringLiteral("Program Files/Trelvo/") + QString::fromLatin1(name), crlf);
        platform::profile::forgetCache();
    }
    // A complete trelvo.ini: every slot free, the program folder as save folder, level 1, and
    // of the [SystemFiles] and [UserFiles] items those named selected.
    void writeSettings(const QStringList& selected, const QStringList& userData = {})
    {
        QByteArray text = "[Settings]\n";
        for (int n = 1; n <= 5; ++n)
            text += "Config" + QByteArray::number(n) + "=available\nLsDate" + QByteArray::number(n) + "=00/00/0000\nLsTime" +
                    QByteArray::number(n) + "=00:00\n";
        text += "Compression=1\n[SystemPathes]\nSystemPath=C:\\WINDOWS\nSaveFolder=C:\\Program Files\\Trelvo\\\n[SystemFiles]\n";
        for (const char* key : {"Autoexec.bat", "Config.sys", "Control.ini", "MsDos.sys", "Protocol.ini", "System.dat", "System.ini",
                                "User.dat", "Win.ini", "Autoexec.dos", "Config.dos", "DblSpace.ini", "DrvSpace.ini", "DrvSpace.bin",
                                "StartMenue", "DblSpace.bin"})
            text += QByteArray(key) + (selected.contains(QString::fromLatin1(key)) ? "=1\n" : "=0\n");
        text += "[UserFiles]\n";
        for (const char* key : {"NSCBookmark", "MSEFavorites", "MSEAdressbook", "MSECookies", "MSEMail", "NSCCookies", "NSCMail"})
            text += QByteArray(key) + (userData.contains(QString::fromLatin1(key)) ? "=1\n" : "=0\n");
        writeProgramFile("trelvo.ini", text);
    }
    QString programFile(const char* name) const
    {
        return QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/") + QString::fromLatin1(name)));
    }
    bool programFileExists(const char* name) const
    {
        return tm.existsC(QStringLiteral("Program Files/Trelvo/") + QString::fromLatin1(name));
    }

    testsupport::ScriptedUi* ui = nullptr;
};

// A click where the user clicks: on the box or the round button of an option, in the
// middle of anything else.
inline void click(vb::WidgetControl& control)
{
    QWidget* w = control.widget();
    const bool indicator = w->inherits("QCheckBox") || w->inherits("QRadioButton");
    QTest::mouseClick(w, Qt::LeftButton, {}, indicator ? QPoint(7, w->height() / 2) : w->rect().center());
}

inline void clickTab(vb::TabStrip& strip, int tab)
{
    QTabBar* bar = static_cast<QTabWidget*>(strip.widget())->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

// Types into a text box, after selecting what it holds when `replace` is set.
inline void type(vb::TextBox& box, const QString& text, bool replace = false)
{
    if (replace)
        QTest::keyClick(box.widget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box.widget(), text);
}

// Lets the event loop run until `done` holds or the time is up.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace uitest
