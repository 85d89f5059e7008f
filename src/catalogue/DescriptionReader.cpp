#include "catalogue/DescriptionReader.h"
#include "catalogue/ConfigItems.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/System.h"
#include "core/UserFileList.h"
#include "core/Windows.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

namespace catalogue {

namespace {

vb::ListBox& RestoreList() { return core::ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1")); }

} // namespace

void ForgetEarlierLoad()
{
    for (const ConfigItem& item : ConfigItems) {
        vb::CheckBox& box = item.RestoreCheckBox();
        box.setValue(0);
        box.setEnabled(false);
    }
    RestoreList().Clear();
    core::ProgramState& s = core::state();
    s.SplitArchive.fill(QString());
    s.SplitPieces.fill(0);
    s.DiskNo = 0;
    s.DiskRestoreFolder.clear();
}

bool OnRemovableDrive(const QString& folder)
{
    return core::SysInfo().DriveType(vb::UCase(vb::Left(folder, 3))) == u"Removable drive";
}

void ReadSplitLog(const QString& file)
{
    core::ProgramState& s = core::state();
    s.DiskNo = 0;
    vb::DoEvents();
    const QString section = QStringLiteral("SplitLog");
    for (int k = 1; k <= 8; ++k) {
        s.SplitArchive[k] = core::ReadIni(section, QStringLiteral("File") + QString::number(k), file);
        vb::ResumeNext([&] { s.SplitPieces[k] = vb::CInt(core::ReadIni(section, s.SplitArchive[k], file)); });
        if (s.SplitPieces[k] != 0 && s.DiskRestoreFolder.isEmpty())
            s.DiskRestoreFolder = core::ProgramFolder() + QStringLiteral("\\DiskRestore\\");
    }
}

void ReadItemBoxes(const QString& file, const QString& tag)
{
    // A flag that is missing or cannot be read says nothing of its item: the item counts as
    // not saved (not available), the log names the key, and the items after it are read.
    const auto flag = [&](const QString& section, const QString& key, const auto& apply) {
        try {
            apply(core::ReadIni(section, key, file));
        } catch (const vb::Error& e) {
            core::ErrorLog(e.Number(), tag + u' ' + file + QStringLiteral(" [") + section + QStringLiteral("] ") + key);
            return false;
        }
        return true;
    };
    for (const ConfigItem& item : ConfigItems) {
        const QString key = item.DescriptionKey.toString();
        vb::CheckBox& box = item.RestoreCheckBox();
        if (!flag(item.SavedSection(), key, [&](const QString& v) { box.setValue(vb::CInt(v)); }))
            box.setValue(0);
        if (!flag(item.AvailableSection(), key, [&](const QString& v) { box.setEnabled(vb::CBool(v)); }))
            box.setEnabled(false);
    }
}

void DropRestoreItem(int item)
{
    vb::CheckBox& box = ConfigItems[item].RestoreCheckBox();
    box.setValue(0);
    box.setEnabled(false);
}

void ReadBrowserFolders(const QString& file)
{
    core::ProgramState& s = core::state();
    const QString section = QStringLiteral("UserFiles");
    s.PathFavorites = core::ReadIni(section, QStringLiteral("PathFavorites"), file);
    s.PathNetscape = core::ReadIni(section, QStringLiteral("PathNetscape"), file);
    if (s.PathFavorites == u"NONE")
        DropRestoreItem(FavoritesItem);
    if (s.PathNetscape == u"NONE")
        DropRestoreItem(NetscapeBookmarkItem);
    s.PathStartmenue = core::ReadIni(section, QStringLiteral("PathStartmenue"), file);
}

void ReadUserFileList(const QString& listFile)
{
    vb::ListBox& list = RestoreList();
    list.Clear();
    // Every save writes the count line: an empty list file is a damaged one.
    for (const QString& entry : core::ReadListFile(listFile, false))
        list.AddItem(entry);
}

void FinishRestoreChoice()
{
    for (const ConfigItem& item : ConfigItems) {
        vb::CheckBox& box = item.RestoreCheckBox();
        box.setEnabled(box.Value() != 0);
    }
    for (const ConfigItem& item : ConfigItems) {
        vb::CheckBox& box = item.RestoreCheckBox();
        if (box.Value() != 0 && box.Enabled())
            box.setValue(0);
    }
}

bool ContinueWithoutFileChoice(const QString& missingFile)
{
    const QString cr = vb::Chr(13);
    const QString prompt = core::LoadResString(1064) + QStringLiteral(" (") + missingFile + u')' + cr +
                           core::LoadResString(1003) + cr + core::LoadResString(1004) + cr + cr +
                           core::LoadResString(1083);
    return vb::MsgBox(prompt, vb::vbYesNo | vb::vbCritical | vb::vbDefaultButton2, core::LoadResString(1005)) ==
           vb::vbYes;
}

} // namespace catalogue
