#include "core/UserFileList.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/Notices.h"
#include "core/Windows.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

#include <QRegularExpression>

namespace core {

namespace {

// The count line: a number with the blanks the writers put around it (" 3", " 3 ").
bool isCount(const QString& line)
{
    static const QRegularExpression count(QStringLiteral("^ *-?[0-9]{1,10} *$"));
    return count.match(line).hasMatch();
}

} // namespace

QStringList ReadListFile(const QString& path, bool mayBeEmpty)
{
    QStringList entries;
    const int n = vb::FreeFile();
    try {
        vb::Open(path, vb::OpenMode::Input, n);
        if (vb::Eof(n)) {
            if (!mayBeEmpty)
                vb::Raise(62);
        } else if (!isCount(vb::LineInput(n))) {
            vb::Raise(kListDamaged);
        }
        while (!vb::Eof(n)) {
            const QString entry = vb::LineInput(n);
            if (!entry.isEmpty())
                entries << entry;
        }
    } catch (const vb::Error&) {
        vb::ResumeNext([&] { vb::Close(n); });
        throw;
    }
    vb::Close(n);
    return entries;
}

QString UserFileListFile() { return ProgramFolder() + QStringLiteral("\\trelvo.usr"); }

int LoadUserFileList()
{
    vb::ListBox& list = ListBoxOf(QStringLiteral("UserFiles"), QStringLiteral("List1"));
    list.Clear();
    QStringList entries;
    try {
        entries = ReadListFile(UserFileListFile(), true);
    } catch (const vb::Error& e) {
        return e.Number() == 53 ? 0 : e.Number();
    }
    list.AddItems(entries);
    FrameOf(QStringLiteral("UserFiles"), QStringLiteral("Frame8"))
        .setCaption(LoadResString(1216) + vb::Str(list.ListCount()));
    return 0;
}

bool SaveUserFileList()
{
    const QString path = UserFileListFile();
    const vb::ListBox& list = ListBoxOf(QStringLiteral("UserFiles"), QStringLiteral("List1"));
    QString text = vb::Str(list.ListCount()) + QStringLiteral("\r\n");
    for (int i = 0; i < list.ListCount(); ++i)
        text += list.List(i) + QStringLiteral("\r\n");
    text += QStringLiteral("\r\n");
    try {
        platform::fs::writeAll(path, platform::cp1252::encode(text));
        return true;
    } catch (const platform::SysError& e) {
        // The file stays as it was. The window reads it again when it is next shown and a
        // save reads it before it stages the files, so what did not go in would be gone
        // without a word: the user is told, with the file and the reason.
        ErrorLog(e.code(), u' ' + path + QStringLiteral(" SaveUserFileList"));
        Notice(LoadResString(2250) + u'\r' + path + u'\r' + vb::ErrorText(e.code()), vb::vbExclamation | vb::vbOKOnly,
               LoadResString(1005));
        return false;
    }
}

} // namespace core
