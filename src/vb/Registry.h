#pragma once
// Reading one value of an open registry key, the way both programs read the registry.
#include "platform/Registry.h"

#include <QString>
#include <QVariant>

namespace vb {

// Reads value `valueName` ("" for the key's default value) of the open key `key` into
// `value`: a string with its terminating NUL still on its end, or a dword as a qint32.
// The result is the registry's status (2 for a missing value, -1 for a type other than
// string and dword); on failure `value` keeps what it held, except that a string whose
// data cannot be fetched leaves it Empty. Never raises.
long QueryValueEx(platform::reg::HKEY key, const QString& valueName, QVariant& value);

} // namespace vb
