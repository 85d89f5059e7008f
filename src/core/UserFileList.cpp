#include "core/UserFileList.h"
#include "core/Messages.h"
#include "core/Windows.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"

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

void SaveUserFileList()
{
    const vb::ListBox& list = ListBoxOf(QStringLiteral("UserFiles"), QStringLiteral("List1"));
    QString text = vb::Str(list.ListCount()) + QStringLiteral("\r\n");
    for (int i = 0; i < list.ListCount(); ++i)
        text += list.List(i) + QStringLiteral("\r\n");
    text += QStringLiteral("\r\n");
    try {
        platform::fs::writeAll(ProgramFolder() + QStringLiteral("\\trelvo.usr"), platform::cp1252::encode(text));
    } catch (const platform::SysError&) {
        // The list stays as the file held it before; the next Apply tries again.
    }
}

} // namespace core
