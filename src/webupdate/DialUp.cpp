#include "webupdate/DialUp.h"
#include "platform/Cp1252.h"
#include "platform/DialUp.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/SysError.h"
#include "vb/Error.h"
#include "vb/Registry.h"
#include "vb/Screen.h"
#include "vb/Strings.h"
#include "webupdate/ProgramState.h"

#include <QElapsedTimer>
#include <QThread>
#include <QVariant>
#include <QtEndian>
#include <vector>

namespace webupdate {

namespace reg = platform::reg;
namespace ras = platform::ras;

namespace {

// Beyond this the connection test may report a connection that is not the one hung up
// (or a hang-up that failed); the program then goes on.
constexpr int kHangUpWaitSeconds = 30;
constexpr int kEntries = 256;

} // namespace

bool IsConnected()
{
    reg::HKEY key = 0;
    if (reg::RegOpenKey(reg::HKEY_LOCAL_MACHINE, QStringLiteral("System\\CurrentControlSet\\Services\\RemoteAccess"), &key) !=
        reg::ERROR_SUCCESS)
        return false;
    const QString name = QStringLiteral("Remote Connection");
    quint32 type = 0;
    quint32 size = 0;
    reg::RegQueryValueEx(key, name, &type, nullptr, &size);
    QByteArray four(4, '\0');
    quint32 room = 4;
    const long read = reg::RegQueryValueEx(key, name, nullptr, &four, &room);
    reg::RegCloseKey(key);
    four.resize(4, '\0');
    return read == reg::ERROR_SUCCESS && qFromLittleEndian<qint32>(four.constData()) != 0;
}

void DialDefaultConnection()
{
    vb::DoEvents();
    ShellAndWait(QStringLiteral("rundll32.exe rnaui.dll,RnaDial ") + state().gsDefaultConnection);
    vb::DoEvents();
}

void ShellAndWait(const QString& cmdLine)
{
    qint64 pid = 0;
    try {
        pid = platform::proc::Shell(cmdLine, platform::proc::NormalFocus);
    } catch (const platform::SysError& e) {
        throw vb::Error(e.code());
    }
    platform::proc::WaitForProcess(pid);
    vb::DoEvents();
}

void HangUpConnection()
{
    QString& name = state().gsDefaultConnection;
    if (name.isEmpty())
        name = GetDefaultConnection();
    std::vector<ras::RASCONN> entries(kEntries);
    entries[0].dwSize = sizeof(ras::RASCONN);
    quint32 bufferSize = sizeof(ras::RASCONN) * kEntries;
    quint32 count = 0;
    if (ras::RasEnumConnections(entries.data(), &bufferSize, &count) == 0) {
        for (quint32 i = 0; i < count; ++i) {
            const ras::RASCONN& entry = entries[i];
            const QByteArray entryName(entry.szEntryName, sizeof entry.szEntryName);
            if (vb::Trim(ByteArrayToString(entryName)) == vb::Trim(name))
                ras::RasHangUp(entry.hrasconn);
        }
    }
    Pause(3);
    for (int waited = 0; IsConnected() && waited < kHangUpWaitSeconds; ++waited)
        Pause(1);
}

QString GetDefaultConnection()
{
    reg::HKEY key = 0;
    QVariant holder;
    reg::RegOpenKeyEx(reg::HKEY_CURRENT_USER, QStringLiteral("RemoteAccess"), 0, 0x3F, &key);
    vb::QueryValueEx(key, QStringLiteral("Default"), holder);
    reg::RegCloseKey(key);
    QString text = holder.toString();
    if (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

void Pause(float seconds)
{
    // A monotonic clock: a wait across midnight ends on time.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < qint64(double(seconds) * 1000)) {
        vb::DoEvents();
        QThread::msleep(10);
    }
}

QString ByteArrayToString(const QByteArray& bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return platform::cp1252::decode(nul < 0 ? bytes : bytes.left(nul));
}

} // namespace webupdate
