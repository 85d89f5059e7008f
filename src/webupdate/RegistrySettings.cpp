#include "webupdate/RegistrySettings.h"
#include "platform/Registry.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/Forms.h"
#include "vb/Registry.h"
#include "vb/UiServices.h"
#include "webupdate/DialUp.h"
#include "webupdate/Messages.h"
#include "webupdate/ProgramState.h"

#include <QVariant>

namespace webupdate {

namespace reg = platform::reg;

namespace {

const QString kProductKey = QStringLiteral("Software\\Orvane Software\\Trelvo\\2.0");
constexpr quint32 kAllKeyRights = 0x3F;

// A value of the key, read afresh (a missing one is Empty, never the value read before).
QVariant readValue(reg::HKEY key, const QString& name)
{
    QVariant holder;
    vb::QueryValueEx(key, name, holder);
    return holder;
}

QString withoutNul(QString text)
{
    if (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

} // namespace

void GetRegistrySettings()
{
    ProgramState& s = state();
    reg::HKEY key = 0;
    reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, kProductKey, 0, kAllKeyRights, &key);
    s.gsMajorVersion = readValue(key, QStringLiteral("MajorVersion")).toString();
    s.giMinorVersion = 0;
    vb::ResumeNext([&] { s.giMinorVersion = vb::CInt(withoutNul(readValue(key, QStringLiteral("MinorVersion")).toString())); });
    s.gsInstallDir = withoutNul(readValue(key, QStringLiteral("InstallationDir")).toString());
    reg::RegCloseKey(key);
    if (s.gsInstallDir.isEmpty())
        s.gsInstallDir = vb::App().Path;
    s.gsDefaultConnection = GetDefaultConnection();
}

void ExitProgram()
{
    bool connected = false;
    vb::ResumeNext([&] { connected = IsConnected(); });
    if (connected)
        vb::ResumeNext([] {
            if (vb::MsgBox(LoadResString(1055), vb::vbYesNo | vb::vbQuestion, LoadResString(1001)) == vb::vbYes)
                HangUpConnection();
        });
    for (int i = int(vb::Forms::loaded().size()) - 1; i >= 1; --i)
        vb::ResumeNext([i] {
            const QList<vb::Form*> forms = vb::Forms::loaded();
            if (i < forms.size())
                vb::Forms::unload(*forms[i]);
        });
    vb::End(0);
}

} // namespace webupdate
