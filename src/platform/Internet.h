#pragma once
// The machine's Internet functions: a session, a request opened by address, its data read
// in blocks, handles closed, and the error code a failing call leaves behind. HTTP goes
// through libcurl; every call blocks until it has its answer, as the programs expect.
//
// The machine's network, from machine.ini: it is online while [Network] Online=1 (a
// permanent connection) or a dial-up connection is up (platform/DialUp.h); offline, no
// request opens. Host names resolve through the table [Hosts] ("name=address" or
// "name=address:port", like the system's HOSTS file with a port); "localhost" and numeric
// addresses need no entry, and any other name does not resolve. [Network] ReceiveTimeout
// is the number of seconds a server may keep silent before a request fails (30 when unset).
#include <QString>

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
inline constexpr quint32 ERROR_INTERNET_CANNOT_CONNECT = 12029;
inline constexpr quint32 ERROR_INTERNET_CONNECTION_ABORTED = 12030;
inline constexpr quint32 ERROR_INTERNET_CONNECTION_RESET = 12031;

bool Online();

// Failing calls return 0 (or false) and leave their code for GetLastError.
HINTERNET InternetOpen(const QString& agent, quint32 accessType, const QString& proxy, const QString& proxyBypass,
                       quint32 flags);
// Sends the request and returns once the server's answer has begun (its headers are in),
// whatever its HTTP status. Redirections are followed.
HINTERNET InternetOpenUrl(HINTERNET session, const QString& url, const QString& headers, quint32 flags,
                          quint32 context);
// Up to `toRead` bytes of the answer's body; *read 0 with true at its end. A transfer that
// breaks off delivers what arrived first, then fails.
bool InternetReadFile(HINTERNET request, char* buffer, quint32 toRead, quint32* read);
// Closing a session closes its requests too.
bool InternetCloseHandle(HINTERNET handle);
// The HTTP status of an opened request's answer (200, 404, ...); 0 for another handle.
quint32 HttpStatusCode(HINTERNET request);

quint32 GetLastError();

} // namespace platform::inet
