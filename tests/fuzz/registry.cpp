// The registry file. The input is what registry.reg holds after its header line. Whatever it
// holds, a key written after it, with a value of each kind, reads as written (a damaged line
// never swallows the next section or value): in the parsed registry, and through the calls
// the programs make on the machine's registry.reg; the key's parents are keys too.
#include "FuzzTarget.h"
#include "platform/Machine.h"
#include "platform/Registry.h"

#include <QFile>

using namespace platform::reg;

namespace {

const QString kProbe = QStringLiteral("Software\\Fuzz Probe");
const QByteArray kProbeText = "\r\n[HKEY_LOCAL_MACHINE\\Software\\Fuzz Probe]\r\n"
                              "\"Text\"=\"probe \\\"quoted\\\" \\\\ text\"\r\n"
                              "\"Number\"=dword:0000002a\r\n"
                              "\"Bytes\"=hex:01,02,\\\r\n  03\r\n"
                              "@=\"default\"\r\n";

struct Expected {
    QString name;
    quint32 type;
    QByteArray data;
};
const Expected kValues[] = {
    {QStringLiteral("Text"), REG_SZ, QByteArray("probe \"quoted\" \\ text") + '\0'},
    {QStringLiteral("Number"), REG_DWORD, QByteArray("\x2a\0\0\0", 4)},
    {QStringLiteral("Bytes"), REG_BINARY, QByteArray("\x01\x02\x03", 3)},
    {QString(), REG_SZ, QByteArray("default\0", 8)},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file = "REGEDIT4\r\n" + fuzz::bytesOf(data, size) + kProbeText;

    const Registry parsed = Registry::parse(file);
    fuzz::require(parsed.hasKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software")), QStringLiteral("the probe's parent is no key"));
    for (const Expected& e : kValues) {
        const Registry::Value* v = parsed.value(HKEY_LOCAL_MACHINE, kProbe, e.name);
        fuzz::require(v && v->type == e.type && v->data == e.data, QStringLiteral("the probe's value \"%1\" does not read as written").arg(e.name));
    }

    const QString machine = fuzz::freshMachine();
    QFile reg(machine + QStringLiteral("/registry.reg"));
    fuzz::require(reg.open(QIODevice::WriteOnly) && reg.write(file) == file.size(), QStringLiteral("cannot write registry.reg"));
    reg.close();
    HKEY software = 0;
    HKEY probe = 0;
    fuzz::require(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE"), 0, KEY_READ, &software) == ERROR_SUCCESS &&
                      RegOpenKeyEx(software, QStringLiteral("fuzz probe"), 0, KEY_READ, &probe) == ERROR_SUCCESS,
                  QStringLiteral("the probe's key does not open"));
    for (const Expected& e : kValues) {
        quint32 type = 0;
        quint32 needed = 0;
        fuzz::require(RegQueryValueEx(probe, e.name, &type, nullptr, &needed) == ERROR_SUCCESS && type == e.type &&
                          needed == quint32(e.data.size()),
                      QStringLiteral("the probe's value \"%1\" has another type or size").arg(e.name));
        QByteArray got;
        quint32 room = needed - 1;
        fuzz::require(RegQueryValueEx(probe, e.name, &type, &got, &room) == ERROR_MORE_DATA && room == needed,
                      QStringLiteral("the probe's value \"%1\" is delivered into too little room").arg(e.name));
        fuzz::require(RegQueryValueEx(probe, e.name, &type, &got, &room) == ERROR_SUCCESS && got == e.data,
                      QStringLiteral("the probe's value \"%1\" is delivered otherwise than written").arg(e.name));
    }
    fuzz::require(RegCloseKey(probe) == ERROR_SUCCESS && RegCloseKey(software) == ERROR_SUCCESS, QStringLiteral("a key does not close"));
    return 0;
}
