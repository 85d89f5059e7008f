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

namespace core {

void LoadUserFileList()
{
    const QString path = ProgramFolder() + QStringLiteral("\\trelvo.usr");
    vb::ListBox& list = ListBoxOf(QStringLiteral("UserFiles"), QStringLiteral("List1"));
    list.Clear();
    const int n = vb::FreeFile();
    try {
        vb::Open(path, vb::OpenMode::Input, n);
        if (!vb::Eof(n))
            vb::LineInput(n);   // the entry count, which the list does not need
        while (!vb::Eof(n)) {
            const QString entry = vb::LineInput(n);
            if (!entry.isEmpty())
                list.AddItem(entry);
        }
        vb::Close(n);
    } catch (const vb::Error&) {
        vb::Close(n);
        return;
    }
    FrameOf(QStringLiteral("UserFiles"), QStringLiteral("Frame8"))
        .setCaption(LoadResString(1216) + vb::Str(list.ListCount()));
}

bool SaveUserFileList()
{
    const QString path = ProgramFolder() + QStringLiteral("\\trelvo.usr");
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
