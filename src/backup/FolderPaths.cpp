#include "backup/FolderPaths.h"
#include "core/Messages.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

namespace backup {

QString FileErrorText(int errorNumber)
{
    static const int numbers[] = {52, 53, 54, 55, 57, 58, 61, 67, 68, 70, 71, 75};
    for (int i = 0; i < 12; ++i)
        if (numbers[i] == errorNumber)
            return core::LoadResString(2000 + i);
    return {};
}

static void reportMakepathError(const vb::Error& e)
{
    vb::MsgBox(FileErrorText(e.Number()) + u' ' + vb::Str(e.Number()) + QStringLiteral(" Makepath"), vb::vbCritical | vb::vbOKOnly,
               core::LoadResString(1005));
}

// Where the walk may start: past the drive root ("C:\") or past "\\server\share\", neither
// of which can be looked up or created as a folder.
static int firstFolderEnd(const QString& path)
{
    if (path.startsWith(QStringLiteral("\\\\"))) {
        int seps = 0;
        for (int i = 2; i < path.size(); ++i)
            if (path[i] == u'\\' && ++seps == 2)
                return i + 2;   // 1-based position just past the share's "\"
        return int(path.size()) + 1;
    }
    return 4;
}

// The walk of Makepath; `failed` is told of each failure, and the walk goes on if it returns.
static void walkFolders(const QString& path, void (*failed)(const vb::Error&))
{
    QString candidate;
    for (int pos = firstFolderEnd(path); pos <= path.size(); ++pos) {
        const QString prefix = path.left(pos);
        if (path[pos - 1] == u'\\') {
            candidate = prefix;
            bool exists = false;
            try {
                exists = !vb::Dir(prefix, vb::vbDirectory).isEmpty();
            } catch (const vb::Error& e) {
                failed(e);
            }
            if (!exists) {
                try {
                    vb::MkDir(prefix);
                } catch (const vb::Error& e) {
                    failed(e);
                }
            }
        }
        if (path == candidate)
            break;
    }
}

void Makepath(const QString& path) { walkFolders(path, reportMakepathError); }

void MakeFolders(const QString& path)
{
    walkFolders(path, [](const vb::Error& e) { throw e; });
}

QString GetFileName(QString path)
{
    for (;;) {
        int at = int(path.indexOf(u'\\'));
        if (at < 0)
            at = int(path.indexOf(u':'));
        if (at < 0)
            return path;
        path = path.mid(at + 1);
    }
}

} // namespace backup
