#include "core/PathUtils.h"
#include "core/IniValues.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/UiServices.h"

namespace core {

QString ShortenPath(const QString& path, int maxLength)
{
    if (path.isEmpty() || path.size() <= maxLength)
        return path;
    const qsizetype len = path.size();
    const int lastSep = InStrRev(0, path.left(len - 1), QStringLiteral("\\")).value_or(0);
    const QString lastPart = path.mid(lastSep);
    // The second, third and fourth "\" of the path (0 when missing).
    int seps[5] = {0, 0, 0, 0, 0};
    int count = 0;
    for (int i = 0; i < len && count < 4; ++i)
        if (path[i] == u'\\')
            seps[++count] = i + 1;
    for (int k : {4, 3, 2}) {
        const int p = seps[k];
        if (p > 0 && p + 3 + lastPart.size() <= maxLength)
            return path.left(p) + QStringLiteral("...") + lastPart;
    }
    const int colon = path.indexOf(u':') + 1;   // 1-based, 0 when absent
    return path.left(colon + 1) + QStringLiteral("...") + lastPart;
}

std::optional<int> InStrRev(int start, const QString& text, const QString& sought)
{
    if (text.isEmpty() || sought.isEmpty() || sought.size() > text.size())
        return std::nullopt;
    const int len = int(text.size());
    if (start < 1)
        start = 1;
    if (start > len)
        start = len;
    for (int pos = len - start + 1; pos >= 1; --pos)
        if (text.mid(pos - 1, sought.size()) == sought)
            return pos;
    return std::nullopt;
}

QString LeftOfDelimiter(const QString& text, const QString& delimiter)
{
    const int at = int(text.indexOf(delimiter));
    return at < 0 ? text : text.left(at);
}

static void reportShortNameError(const vb::Error& e, const QString& title)
{
    ErrorLog(e.Number(), QStringLiteral("GetShortName"));
    vb::MsgBox(QStringLiteral("Error: ") + QString::number(e.Number()) + QStringLiteral(", ") + e.Description(), vb::vbOKOnly,
               title);
}

QString GetShortNameSection(const QString& path)
{
    try {
        try {
            const auto found = platform::fs::tryStat(path);
            if (!found)
                return {};
            const QString alternate = platform::fs::shortName(path);
            return alternate.isEmpty() ? found->name : alternate;
        } catch (const platform::SysError& e) {
            throw vb::Error(e.code());
        }
    } catch (const vb::Error& e) {
        reportShortNameError(e, QStringLiteral("GetShortNameSection_Err"));
        return {};
    }
}

QString GetShortNameFromLongName(const QString& path)
{
    try {
        const int firstSep = int(path.indexOf(u'\\'));
        if (firstSep < 0)
            return {};
        QString result = path.left(firstSep + 1);
        int pos = firstSep + 1;
        while (pos < path.size()) {
            const QString component = LeftOfDelimiter(path.mid(pos), QStringLiteral("\\"));
            const QString shortName = GetShortNameSection(result + component);
            if (shortName.isEmpty())
                return {};
            result += shortName + u'\\';
            pos += int(component.size()) + 1;
        }
        result.chop(1);
        return result;
    } catch (const vb::Error& e) {
        reportShortNameError(e, QStringLiteral("GetShortNameFromLongName_Err"));
        return {};
    }
}

QString FolderKey(const QString& path)
{
    const platform::Resolved r = platform::fs::machine().resolve(path);
    QString win = r.ok() ? r.win() : path;
    if (!win.endsWith(u'\\'))
        win += u'\\';
    return win.toCaseFolded();
}

} // namespace core
