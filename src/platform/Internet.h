#pragma once
// The machine's Internet functions: a session, a request opened by address, its data read
// in blocks, handles closed, and the error code a failing call leaves behind. HTTP goes
// through libcurl; every call returns only once it has its answer, as the programs expect,
// but while it waits it hands the thread to the wait handler (SetWaitHandler) every few
// milliseconds, so that the program's windows stay alive and a wait can be given up.
//
// The machine's network, from machine.ini: it is online while [Network] Online=1 (a
// permanent connection) or a dial-up connection is up (platform/DialUp.h); offline, no
// request opens. Every host name a request contacts, the names of redirections included,
// resolves through the table [Hosts] ("name=address" or "name=address:port", like the
// system's HOSTS file with a port; the address is numeric); a name without an entry does not
// resolve, whatever the host's own resolver knows. Numeric addresses need no entry.
// Redirections are followed to http addresses only, at most five in a row.
// [Network] ReceiveTimeout is the number of seconds a server may keep silent (30 when unset)
// and [Network] TransferTimeout the number of seconds a whole request may take, from its
// opening to its last byte (600 when unset); either ends the request with ERROR_INTERNET_TIMEOUT.
#include <QString>
#include <functional>

namespace platform::inet {

using HINTERNET = quint32;

inline constexpr quint32 INTERNET_OPEN_TYPE_PRECONFIG = 0;
inline constexpr quint32 INTERNET_FLAG_EXISTING_CONNECT = 0x20000000;

inline constexpr quint32 ERROR_INVALID_HANDLE = 6;
inline constexpr quint32 ERROR_INTERNET_TIMEOUT = 12002;
inline constexpr quint32 ERROR_INTERNET_INTERNAL_ERROR = 12004;
inline constexpr quint32 ERROR_INTERNET_INVALID_URL = 12005;
inline constexpr quint32 ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
inline constexpr quint32 ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
inline constexpr quint32 ERROR_INTERNET_OPERATION_CANCELLED = 12017;
inline constexpr quint32 ERROR_INTERNET_CANNOT_CONNECT = 12029;
inline constexpr quint32 ERROR_INTERNET_CONNECTION_ABORTED = 12030;
inline constexpr quint32 ERROR_INTERNET_CONNECTION_RESET = 12031;
inline constexpr quint32 ERROR_HTTP_REDIRECT_FAILED = 12156;

bool Online();

// Called about every 40 ms while a call waits for the network (never from inside another
// call of the handler). It returns false to give the wait up: the call then fails with
// ERROR_INTERNET_OPERATION_CANCELLED. The handler may close the handle being waited on;
// the call then fails the same way. Returns the handler it replaces; an empty one waits.
using WaitHandler = std::function<bool()>;
WaitHandler SetWaitHandler(WaitHandler handler);

// Failing calls return 0 (or false) and leave their code for GetLastError.
HINTERNET InternetOpen(const QString& agent, quint32 accessType, const QString& proxy, const QString& proxyBypass,
                       quint32 flags);
// Sends the request and returns once the server's answer has begun (its headers are in),
// whatever its HTTP status. Redirections are followed (see above).
HINTERNET InternetOpenUrl(HINTERNET session, const QString& url, const QString& headers, quint32 flags,
                          quint32 context);
// Up to `toRead` bytes of the answer's body, fewer only at its end; *read 0 with true at its
// end. A transfer that breaks off delivers what arrived first, then fails.
bool InternetReadFile(HINTERNET request, char* buffer, quint32 toRead, quint32* read);
// Closing a session closes its requests too.
bool InternetCloseHandle(HINTERNET handle);
// The HTTP status of an opened request's answer (200, 404, ...); 0 for another handle.
quint32 HttpStatusCode(HINTERNET request);

quint32 GetLastError();

} // namespace platform::inet
