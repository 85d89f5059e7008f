#include "platform/DialUp.h"
#include "platform/Cp1252.h"
#include "platform/Machine.h"

#include <QtEndian>
#include <cstring>

namespace platform::ras {

namespace {

const QString kNetwork = QStringLiteral("Network");
// The one connection the machine's modem can hold has this handle while it is up.
constexpr quint32 kConnectionHandle = 0x2C01;

void copyText(char* to, qsizetype room, const QString& text)
{
    const QByteArray bytes = cp1252::encode(text).left(room - 1);
    std::memset(to, 0, size_t(room));
    std::memcpy(to, bytes.constData(), size_t(bytes.size()));
}

} // namespace

bool Connected() { return Machine::current().setting(kNetwork, QStringLiteral("DialUp")).trimmed() == u"1"; }

void Dial(const QString& entryName)
{
    Machine& m = Machine::current();
    m.setSetting(kNetwork, QStringLiteral("DialUpName"), entryName);
    m.setSetting(kNetwork, QStringLiteral("DialUp"), QStringLiteral("1"));
}

long RasEnumConnections(RASCONN* lprasconn, quint32* lpcb, quint32* lpcConnections)
{
    if (!lprasconn || !lpcb || !lpcConnections)
        return ERROR_INVALID_HANDLE;
    if (lprasconn->dwSize != sizeof(RASCONN))
        return ERROR_INVALID_SIZE;
    const quint32 count = Connected() ? 1 : 0;
    if (*lpcb < count * sizeof(RASCONN)) {
        *lpcb = count * sizeof(RASCONN);
        return ERROR_BUFFER_TOO_SMALL;
    }
    *lpcConnections = count;
    if (count) {
        RASCONN& c = lprasconn[0];
        c.hrasconn = kConnectionHandle;
        copyText(c.szEntryName, sizeof c.szEntryName, Machine::current().setting(kNetwork, QStringLiteral("DialUpName")));
        copyText(c.szDeviceType, sizeof c.szDeviceType, QStringLiteral("modem"));
        copyText(c.szDeviceName, sizeof c.szDeviceName, QStringLiteral("Standard Modem"));
    }
    return 0;
}

long RasHangUp(quint32 hrasconn)
{
    if (hrasconn != kConnectionHandle || !Connected())
        return ERROR_INVALID_HANDLE;
    Machine& m = Machine::current();
    m.setSetting(kNetwork, QStringLiteral("DialUp"), QStringLiteral("0"));
    m.setSetting(kNetwork, QStringLiteral("DialUpName"), QString());
    return 0;
}

QByteArray RemoteConnectionValue()
{
    QByteArray four(4, '\0');
    qToLittleEndian<quint32>(Connected() ? 1 : 0, four.data());
    return four;
}

} // namespace platform::ras
