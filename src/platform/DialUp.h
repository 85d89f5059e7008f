#pragma once
// Dial-up networking of the machine. machine.ini [Network] holds the state: DialUp=1 while
// a dial-up connection is up and DialUpName its phonebook entry; the dialler sets both,
// a hang-up clears them. The system keeps the registry value "Remote Connection" of
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\RemoteAccess in step with that
// state (1 while connected, else 0) on a machine whose registry has that key, that is a
// machine with dial-up networking installed.
#include <QByteArray>
#include <QString>

namespace platform::ras {

inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_BUFFER_TOO_SMALL = 603;
inline constexpr long ERROR_INVALID_SIZE = 632;

// One active connection, in the layout of the 95/98 dial-up services (412 bytes).
struct RASCONN {
    quint32 dwSize;
    quint32 hrasconn;
    char szEntryName[257];
    char szDeviceType[17];
    char szDeviceName[129];
};
static_assert(sizeof(RASCONN) == 412);

// Fills the caller's array with the active connections. lprasconn[0].dwSize must be 412
// (else ERROR_INVALID_SIZE); *lpcb is the array's size in bytes (too small: the size
// needed comes back with ERROR_BUFFER_TOO_SMALL); *lpcConnections gets the count.
long RasEnumConnections(RASCONN* lprasconn, quint32* lpcb, quint32* lpcConnections);
// Hangs up an active connection; ERROR_INVALID_HANDLE for a handle that is not one.
long RasHangUp(quint32 hrasconn);

// The dialler has connected the entry.
void Dial(const QString& entryName);
bool Connected();
// The 4 bytes of "Remote Connection" as the system keeps them.
QByteArray RemoteConnectionValue();

} // namespace platform::ras
