#include "catalogue/ImportedDescription.h"
#include "catalogue/ConfigItems.h"
#include "catalogue/Description.h"
#include "catalogue/DescriptionReader.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

namespace catalogue {

namespace {

// The archives lie in the folder the description records; a description that records
// none is taken to lie beside its archives.
void TakeArchiveFolder(const QString& recorded)
{
    if (!recorded.isEmpty())
        core::state().ImportSaveFolder = recorded.endsWith(u'\\') ? recorded : recorded + u'\\';
}

// The description file. Its user files are the UserFile<i> keys of [UserFiles]; a
// description without them has its list beside it, as every save writes it. `opening`
// names the file a "not found" is about.
void ReadDescriptionFile(const QString& file, QString& opening)
{
    core::ProgramState& s = core::state();
    const QString recorded = core::ReadIni(QStringLiteral("SystemFiles"), QStringLiteral("SaveFolder"), file);
    if (OnRemovableDrive(recorded))
        ReadSplitLog(file);
    s.SystemPath = core::ReadIni(QStringLiteral("SystemFiles"), QStringLiteral("SystemPath"), file);
    TakeArchiveFolder(recorded);
    ReadItemBoxes(file, QStringLiteral("LoadCINIImport"));
    ReadBrowserFolders(file);

    vb::ListBox& list = core::ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1"));
    list.Clear();
    for (int i = 0;; ++i) {
        const QString entry = core::ReadIni(QStringLiteral("UserFiles"), QStringLiteral("UserFile") + QString::number(i), file);
        if (entry.isEmpty())
            break;
        list.AddItem(entry);
    }
    if (list.ListCount() == 0) {
        opening = UserFileListPath(file);
        ReadUserFileList(opening);
    }
}

// The sequential file of version 1.2x, open as `f`: the description, the Windows folder,
// the archive folder, a saved and an available flag per item, the favorites, Netscape,
// another and the Start menu folder, then the user files.
void ReadSequentialFile(int f)
{
    core::ProgramState& s = core::state();
    vb::InputItem(f);   // the description names the row only
    s.SystemPath = vb::InputItem(f);
    TakeArchiveFolder(vb::InputItem(f));
    for (int i = 0; i < int(ConfigItems.size()); ++i) {
        vb::CheckBox& box = ConfigItems[i].RestoreCheckBox();
        box.setValue(vb::CInt(vb::InputItem(f)));
        box.setEnabled(vb::CBool(vb::InputItem(f)));
        if (i == StartMenuItem) {
            // A pair that 1.2x wrote after the Start menu's and nothing reads.
            vb::InputItem(f);
            vb::InputItem(f);
        }
    }
    s.PathFavorites = vb::InputItem(f);
    s.PathNetscape = vb::InputItem(f);
    vb::InputItem(f);   // a folder nothing uses
    const QString startMenu = vb::InputItem(f);
    if (startMenu != u"None")
        s.PathStartmenue = startMenu;
    if (s.PathFavorites.isEmpty())
        DropRestoreItem(FavoritesItem);
    if (s.PathNetscape.isEmpty())
        DropRestoreItem(NetscapeBookmarkItem);

    vb::ListBox& list = core::ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1"));
    list.Clear();
    do {
        const QString entry = vb::InputItem(f);
        if (!entry.isEmpty())
            list.AddItem(entry);
    } while (!vb::Eof(f));
}

} // namespace

void LoadCINIImport(const ImportSource& source)
{
    core::ProgramState& s = core::state();
    ForgetEarlierLoad();
    s.ImportSaveFolder = source.ImportFolder;
    const QString file = source.ImportFolder + QStringLiteral("Config") + vb::Left(vb::Trim(source.Row), 1) + QStringLiteral(".ini");
    QString opening = file;
    int f = 0;
    try {
        if (!core::ReadIni(QStringLiteral("Configuration"), QStringLiteral("ConfigName"), file).isEmpty()) {
            ReadDescriptionFile(file, opening);
        } else {
            // A file that is not there is missing, not one of version 1.2x.
            if (vb::ResumeNext([&] { vb::GetAttr(file); }) != 0)
                vb::Raise(53);
            if (vb::MsgBox(core::LoadResString(1251), vb::vbOKCancel | vb::vbInformation | vb::vbDefaultButton2,
                           core::LoadResString(1005)) == vb::vbCancel) {
                s.ImportActive = false;
                return;
            }
            f = vb::FreeFile();
            vb::Open(file, vb::OpenMode::Input, f);
            ReadSequentialFile(f);
            vb::Close(f);
        }
    } catch (const vb::Error& e) {
        vb::Close(f);
        core::ErrorLog(e.Number(), QStringLiteral("LoadCINIImport"));
        // The list beside the description that cannot be read is asked about as a missing one.
        if ((e.Number() == 53 || opening != file) && !ContinueWithoutFileChoice(opening)) {
            s.ImportActive = false;
            return;
        }
    }
    FinishRestoreChoice();
}

void LoadCINIImport()
{
    // Without the Import window's folder or row the file is simply not found.
    ImportSource source;
    vb::ResumeNext([&] { source.ImportFolder = core::LabelOf(QStringLiteral("Import"), QStringLiteral("Label4")).Caption(); });
    vb::ResumeNext([&] { source.Row = core::ListBoxOf(QStringLiteral("Import"), QStringLiteral("List1")).Text(); });
    LoadCINIImport(source);
}

} // namespace catalogue
