#include "catalogue/Description.h"
#include "catalogue/ConfigItems.h"
#include "catalogue/DescriptionReader.h"
#include "core/Exit.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/PathUtils.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Windows.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

namespace catalogue {

QString UserFileListPath(const QString& descriptionPath)
{
    return vb::Left(descriptionPath, vb::Len(descriptionPath) - 3) + QStringLiteral("usr");
}

void SaveCINI()
{
    core::ProgramState& s = core::state();
    const QString file = s.ConfigIniPath;
    // A description that misses a key is no description: the first write that fails raises
    // its error (61 on a full disk).
    const auto write = [&](const QString& section, const QString& key, const QString& value) {
        if (core::WriteIni(section, key, value, file) == 0)
            throw vb::Error(core::WriteIniError());
    };
    const QString system = QStringLiteral("SystemFiles");
    const QString user = QStringLiteral("UserFiles");

    // The automatic save's slots have names of their own; the main slot of the same index
    // keeps its text, and an empty name would make the file look like a 1.2x one.
    const bool automatic = file.startsWith(core::ProgramFolder() + QStringLiteral("\\AutoKeep\\"), Qt::CaseInsensitive);
    write(QStringLiteral("Configuration"), QStringLiteral("ConfigName"),
          automatic ? core::LoadResString(2102) + QString::number(s.SelectedConfig + 1)
                    : s.ConfigDescription[s.SelectedConfig]);
    write(system, QStringLiteral("SystemPath"), s.SystemPath);
    write(system, QStringLiteral("SaveFolder"), s.SaveFolder);
    write(system, QStringLiteral("SaveFolderShort"), core::GetShortNameFromLongName(s.SaveFolder));
    for (const ConfigItem& item : ConfigItems) {
        const vb::CheckBox& box = item.SaveCheckBox();
        const QString key = item.DescriptionKey.toString();
        write(item.SavedSection(), key, QString::number(box.Value()));
        write(item.AvailableSection(), key, vb::CStr(box.Enabled()));
    }
    const auto folderIfSaved = [](int item, const QString& folder) {
        return ConfigItems[item].SaveCheckBox().Value() != 0 ? folder : QStringLiteral("NONE");
    };
    write(user, QStringLiteral("PathFavorites"), folderIfSaved(FavoritesItem, s.PathFavorites));
    write(user, QStringLiteral("PathNetscape"), folderIfSaved(NetscapeBookmarkItem, s.PathNetscape));
    write(user, QStringLiteral("PathStartmenue"), folderIfSaved(StartMenuItem, s.PathStartmenue));

    const vb::ListBox& list = core::ListBoxOf(QStringLiteral("UserFiles"), QStringLiteral("List1"));
    const int n = vb::FreeFile();
    try {
        vb::Open(UserFileListPath(file), vb::OpenMode::Output, n);
        // The count, then one line per entry. Past the last entry List gives "": the list
        // ends with one empty line. The lines go out in one checked write, the bytes a Print
        // per line would leave; a disk without room for them raises its error here (61).
        QStringList lines{vb::Str(list.ListCount())};
        for (int i = 0;; ++i) {
            lines << list.List(i);
            if (lines.last().isEmpty())
                break;
        }
        vb::Print(n, lines.join(QStringLiteral("\r\n")));
    } catch (const vb::Error&) {
        vb::Close(n);
        throw;
    }
    vb::Close(n);
    vb::DoEvents();
}

void LoadCINI()
{
    core::ProgramState& s = core::state();
    ForgetEarlierLoad();
    QString listFile;
    try {
        core::MakeProgramFolderCurrent();
        const QString n = QString::number(s.SelectedConfig + 1);
        // An automatic-save slot is read while SaveFolder is the program's own AutoKeep
        // folder; a folder of the user's that merely has the word in its name is none.
        const bool automatic = core::IsAutoKeepFolder(s.SaveFolder);
        s.ConfigIniPath = core::ProgramFolder() + (automatic ? QStringLiteral("\\AutoKeep\\Config") : QStringLiteral("\\Config")) +
                          n + QStringLiteral(".ini");
        const QString file = s.ConfigIniPath;

        s.SaveFolder = core::ReadIni(QStringLiteral("SystemFiles"), QStringLiteral("SaveFolder"), file);
        if (s.SaveFolder.isEmpty()) {
            vb::MsgBox(core::LoadResString(1253), vb::vbOKOnly);
            s.SkipSaveOnQuit = true;
            core::QuitProgram();
            // Still here: an operation is running and the program goes on, to save its
            // settings when it ends; the caller puts its save folder back.
            s.SkipSaveOnQuit = false;
            s.LoadResult = 1;
            return;
        }
        if (OnRemovableDrive(s.SaveFolder))
            ReadSplitLog(file);
        // An automatic-save slot's name is its own; the main slot of that index keeps its text.
        if (!automatic)
            s.ConfigDescription[s.SelectedConfig] = core::ReadIni(QStringLiteral("Configuration"), QStringLiteral("ConfigName"), file);
        s.SystemPath = core::ReadIni(QStringLiteral("SystemFiles"), QStringLiteral("SystemPath"), file);
        if (!s.SaveFolder.endsWith(u'\\'))
            s.SaveFolder += u'\\';
        ReadItemBoxes(file, QStringLiteral("LoadCINI"));
        ReadBrowserFolders(file);
        listFile = UserFileListPath(file);
        ReadUserFileList(listFile);
        FinishRestoreChoice();
    } catch (const vb::Error& e) {
        core::ErrorLog(e.Number(), QStringLiteral("LoadCINI"));
        // A list file that cannot be read (a folder in its place, empty, no list) leaves the
        // user files as unknown as a missing one does, and is asked about the same way.
        if (e.Number() == 53 || !listFile.isEmpty())
            s.LoadResult = ContinueWithoutFileChoice(listFile) ? 2 : 1;
        else
            s.LoadResult = 2;
    }
}

} // namespace catalogue
