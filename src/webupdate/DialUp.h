#pragma once
// The dial-up connection: whether one is up, dialling the default connection through the
// system's dialler, and hanging it up again.
#include <QByteArray>
#include <QString>

namespace webupdate {

// A dial-up connection is up: the dial-up services' "Remote Connection" value is 4 bytes
// and not 0. False on every failure (no dial-up networking, no value, another size).
bool IsConnected();
// Starts the system's dialler for gsDefaultConnection and waits until it has ended.
void DialDefaultConnection();
// Starts a command line with a normal window, waits for its end without a time-out and
// lets the event loop run once. A program that cannot be started raises its run-time error.
void ShellAndWait(const QString& cmdLine);
// Hangs up every active connection named like gsDefaultConnection (blanks around the names
// aside, case counting), then waits until no connection is reported, at most 30 seconds.
void HangUpConnection();
// The default connection's name from the user's registry, "" when there is none.
QString GetDefaultConnection();
// Waits the given time while the event loop keeps running.
void Pause(float seconds);
// The text before the first NUL byte.
QString ByteArrayToString(const QByteArray& bytes);

} // namespace webupdate
