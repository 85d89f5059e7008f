#include "vb/Registry.h"
#include "platform/Cp1252.h"

#include <QtEndian>

namespace vb {

namespace reg = platform::reg;

long QueryValueEx(reg::HKEY key, const QString& valueName, QVariant& value)
{
    quint32 type = reg::REG_NONE;
    quint32 size = 0;
    const long status = reg::RegQueryValueEx(key, valueName, &type, nullptr, &size);
    if (status != reg::ERROR_SUCCESS)
        return status;

    if (type == reg::REG_SZ) {
        QByteArray data(qsizetype(size), '\0');
        const long read = reg::RegQueryValueEx(key, valueName, nullptr, &data, &size);
        value = read == reg::ERROR_SUCCESS ? QVariant(platform::cp1252::decode(data.left(size))) : QVariant();
        return read;
    }
    if (type == reg::REG_DWORD) {
        QByteArray data(4, '\0');
        quint32 room = 4;
        const long read = reg::RegQueryValueEx(key, valueName, nullptr, &data, &room);
        if (read == reg::ERROR_SUCCESS)
            value = qFromLittleEndian<qint32>(data.constData());
        return read;
    }
    return -1;
}

} // namespace vb
