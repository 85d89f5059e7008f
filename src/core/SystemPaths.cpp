#include "core/SystemPaths.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/Notices.h"
#include "core/PathUtils.h"
#include "core/ProgramState.h"
#include "core/Registry.h"
#include "core/System.h"
#include "core/Windows.h"
#include "platform/Registry.h"
#include "vb/UiServices.h"

namespace core {

namespace reg = platform::reg;

namespace {

// One key, open from construction to destruction. A key that does not exist reads as a
// key without values.
class OpenKey {
public:
    OpenKey(reg::HKEY root, const QString& path)
    {
        reg::RegOpenKeyEx(root, path, 0, reg::KEY_ALL_ACCESS, &handle_);
    }
    ~OpenKey() { reg::RegCloseKey(handle_); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    // The value as text without its terminating NUL, a number as its digits; "" when it
    // cannot be read.
    QString text(const QString& name) const
    {
        QVariant holder = QString();
        QueryValueEx(handle_, name, holder);
        QString value = holder.toString();
        if (value.endsWith(QChar(0)))
            value.chop(1);
        return value;
    }

private:
    reg::HKEY handle_ = 0;
};

const QString kWindowsKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
const QString kProductKey = QStringLiteral("Software\\Orvane Software\\Trelvo\\2.0");
const QString kExplorerKey = QStringLiteral("Software\\Microsoft\\Internet Explorer");
const QString kShellFolders = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
const QString kNetscapeKey = QStringLiteral("Software\\Netscape\\Netscape Navigator");
const QString kNetscapeUsers = QStringLiteral("Software\\Netscape\\Netscape Navigator\\Users");
const QString kAddressBookKey = QStringLiteral("Software\\Microsoft\\WAB\\WAB4\\Wab File Name");
const QString kMailKey = QStringLiteral("Software\\Microsoft\\Outlook Express");

QString read(reg::HKEY root, const QString& path, const QString& name) { return OpenKey(root, path).text(name); }

QString folderOf(const QString& value) { return value.isEmpty() ? QString() : value + u'\\'; }

QString versionText(const QString& version)
{
    return QStringLiteral("Version ") + (version.isEmpty() ? QStringLiteral("4.x") : version);
}

// Set while the registry file cannot be read whole: what it does not give is unknown.
bool g_registryDamaged = false;

void disableWhenEmpty(const QString& value, const QString& form, const QString& box)
{
    if (value.isEmpty() && !g_registryDamaged)
        CheckBoxOf(form, box).setEnabled(false);
}

} // namespace

void ReadSystemPaths()
{
    ProgramState& s = state();
    g_registryDamaged = platform::reg::MachineRegistryProblem().has_value();
    const QString form1 = QStringLiteral("Form1");
    const QString userFiles = QStringLiteral("UserFiles");
    const QString restoreReq = QStringLiteral("RestoreReq");

    {
        const OpenKey windows(reg::HKEY_LOCAL_MACHINE, kWindowsKey);
        LabelOf(form1, QStringLiteral("Label5")).setCaption(windows.text(QStringLiteral("ProductName")));
        LabelOf(form1, QStringLiteral("Label7")).setCaption(windows.text(QStringLiteral("VersionNumber")));
        LabelOf(form1, QStringLiteral("Label9")).setCaption(windows.text(QStringLiteral("SubVersionNumber")));
        s.SystemPath = GetShortNameFromLongName(windows.text(QStringLiteral("SystemRoot")));
    }

    s.TempPath = SysInfo().TempDir();
    if (s.TempPath.isEmpty())
        s.TempPath = s.SystemPath + QStringLiteral("\\Temp\\");

    LabelOf(form1, QStringLiteral("Label13")).setCaption(read(reg::HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("MinorVersion")));
    LabelOf(form1, QStringLiteral("Label11")).setCaption(read(reg::HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("MajorVersion")));

    const QString explorer = versionText(read(reg::HKEY_LOCAL_MACHINE, kExplorerKey, QStringLiteral("Version")));
    LabelOf(userFiles, QStringLiteral("Label1")).setCaption(explorer);
    LabelOf(restoreReq, QStringLiteral("Label2")).setCaption(explorer);

    s.PathFavorites = folderOf(read(reg::HKEY_CURRENT_USER, kShellFolders, QStringLiteral("Favorites")));
    disableWhenEmpty(s.PathFavorites, userFiles, QStringLiteral("Check12"));

    // Netscape counts as installed only with a current user whose folder is known.
    const QString user = read(reg::HKEY_LOCAL_MACHINE, kNetscapeUsers, QStringLiteral("CurrentUser"));
    s.PathNetscape = user.isEmpty() ? QString() : read(reg::HKEY_LOCAL_MACHINE, kNetscapeUsers + u'\\' + user, QStringLiteral("DirRoot"));
    if (s.PathNetscape.isEmpty()) {
        for (const char16_t* box : {u"Check11", u"Check4", u"Check5"})
            disableWhenEmpty(s.PathNetscape, userFiles, QString::fromUtf16(box));
        LabelOf(userFiles, QStringLiteral("Label2")).setCaption(QString());
        LabelOf(restoreReq, QStringLiteral("Label3")).setCaption(QString());
    } else {
        const QString netscape = versionText(read(reg::HKEY_LOCAL_MACHINE, kNetscapeKey, QStringLiteral("CurrentVersion")));
        LabelOf(userFiles, QStringLiteral("Label2")).setCaption(netscape);
        LabelOf(restoreReq, QStringLiteral("Label3")).setCaption(netscape);
    }

    s.PathStartmenue = folderOf(read(reg::HKEY_CURRENT_USER, kShellFolders, QStringLiteral("Start Menu")));
    disableWhenEmpty(s.PathStartmenue, form1, QStringLiteral("Check1"));

    s.AddressBookFile = read(reg::HKEY_CURRENT_USER, kAddressBookKey, QString());
    disableWhenEmpty(s.AddressBookFile, userFiles, QStringLiteral("Check1"));

    s.IECookiesFolder = folderOf(read(reg::HKEY_CURRENT_USER, kShellFolders, QStringLiteral("Cookies")));
    disableWhenEmpty(s.IECookiesFolder, userFiles, QStringLiteral("Check2"));

    const QString store = read(reg::HKEY_CURRENT_USER, kMailKey, QStringLiteral("Store Root"));
    s.OutlookExpressFolder = store.isEmpty() ? QString() : store + QStringLiteral("\\Mail\\");
    disableWhenEmpty(s.OutlookExpressFolder, userFiles, QStringLiteral("Check3"));
}

void TellRegistryProblem()
{
    static_assert(reg::Registry::Problem::CutShort == 11, "one text per kind, 2271 on");
    const std::optional<reg::Registry::Problem> problem = reg::MachineRegistryProblem();
    if (!problem)
        return;
    QString what = reg::MachineRegistryFile();
    if (problem->line > 0)
        what += QStringLiteral(", ") + LoadResString(2284) + u' ' + QString::number(problem->line);
    what += QStringLiteral(": ") + LoadResString(2271 + int(problem->kind));
    ErrorLog(0, u' ' + what + QStringLiteral(" ReadSystemPaths"));
    Notice(LoadResString(2270) + u'\r' + what + u'\r' + LoadResString(2283), vb::vbExclamation | vb::vbOKOnly, LoadResString(1005),
           true);
}

} // namespace core
