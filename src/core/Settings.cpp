#include "core/Settings.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/Notices.h"
#include "core/PathUtils.h"
#include "core/ProgramState.h"
#include "core/SlotLists.h"
#include "core/System.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "platform/Profile.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"

namespace core {

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kSystemPathes = QStringLiteral("SystemPathes");
const QString kSystemFiles = QStringLiteral("SystemFiles");
const QString kUserFiles = QStringLiteral("UserFiles");

struct SelectionKey {
    const char16_t* key;
    const char16_t* box;
};

// [SystemFiles]: the system files and the Start menu, each stored from its box of Form1.
constexpr SelectionKey kSystemFileKeys[] = {
    {u"Autoexec.bat", u"Check8"},  {u"Config.sys", u"Check9"},    {u"Control.ini", u"Check4"},
    {u"MsDos.sys", u"Check10"},    {u"Protocol.ini", u"Check5"},  {u"System.dat", u"Check7"},
    {u"System.ini", u"Check3"},    {u"User.dat", u"Check6"},      {u"Win.ini", u"Check2"},
    {u"Autoexec.dos", u"Check13"}, {u"Config.dos", u"Check14"},   {u"DblSpace.ini", u"Check15"},
    {u"DrvSpace.ini", u"Check16"}, {u"DrvSpace.bin", u"Check17"}, {u"StartMenue", u"Check1"},
    {u"DblSpace.bin", u"Check12"},
};

// [UserFiles]: the browser and mail data, each stored from its box of UserFiles.
constexpr SelectionKey kUserDataKeys[] = {
    {u"NSCBookmark", u"Check11"}, {u"MSEFavorites", u"Check12"}, {u"MSEAdressbook", u"Check1"},
    {u"MSECookies", u"Check2"},   {u"MSEMail", u"Check3"},       {u"NSCCookies", u"Check4"},
    {u"NSCMail", u"Check5"},
};

// The box of RestoreReq that each stored item makes available (the window has no Check17).
struct RestoreKey {
    const QString& section;
    const char16_t* key;
    const char16_t* box;
};
const RestoreKey kRestoreKeys[] = {
    {kSystemFiles, u"Autoexec.bat", u"Check1"},  {kSystemFiles, u"Config.sys", u"Check2"},
    {kSystemFiles, u"Control.ini", u"Check3"},   {kSystemFiles, u"MsDos.sys", u"Check4"},
    {kSystemFiles, u"Protocol.ini", u"Check5"},  {kSystemFiles, u"System.dat", u"Check6"},
    {kSystemFiles, u"System.ini", u"Check7"},    {kSystemFiles, u"User.dat", u"Check8"},
    {kSystemFiles, u"Win.ini", u"Check9"},       {kUserFiles, u"NSCBookmark", u"Check10"},
    {kUserFiles, u"MSEFavorites", u"Check11"},   {kSystemFiles, u"Autoexec.dos", u"Check12"},
    {kSystemFiles, u"Config.dos", u"Check13"},   {kSystemFiles, u"DblSpace.ini", u"Check14"},
    {kSystemFiles, u"DrvSpace.ini", u"Check15"}, {kSystemFiles, u"DrvSpace.bin", u"Check16"},
    {kUserFiles, u"MSEAdressbook", u"Check18"},  {kUserFiles, u"MSECookies", u"Check19"},
    {kSystemFiles, u"StartMenue", u"Check20"},   {kUserFiles, u"MSEMail", u"Check21"},
    {kUserFiles, u"NSCCookies", u"Check22"},     {kUserFiles, u"NSCMail", u"Check23"},
    {kSystemFiles, u"DblSpace.bin", u"Check24"},
};

QString str(const char16_t* text) { return QString::fromUtf16(text); }

QString withBackslash(QString folder)
{
    if (!folder.endsWith(u'\\'))
        folder += u'\\';
    return folder;
}

QString settingsFile() { return ProgramFolder() + QStringLiteral("\\trelvo.ini"); }

QString slotKey(const char* name, int slot) { return QString::fromLatin1(name) + QString::number(slot + 1); }

// Values going into trelvo.ini, the file replaced once with all of them. A file that refuses
// them (a full disk, a folder of that name) stays as it was; that is logged, and told once
// with the file's path and the reason, until the file takes a round of values again.
class SettingsWrites {
public:
    explicit SettingsWrites(QString file) : file_(std::move(file)) {}
    void set(const QString& section, const QString& key, const QString& value)
    {
        if (WriteIni(section, key, value, file_) == 0)
            noteFailure();
    }
    bool finish()
    {
        if (!batch_.finish())
            noteFailure();
        ProgramState& s = state();
        if (error_ == 0) {
            s.SettingsFailureTold = false;
            return true;
        }
        ErrorLog(error_, u' ' + file_ + QStringLiteral(" SaveSettings"));
        if (!s.SettingsFailureTold) {
            s.SettingsFailureTold = true;
            Notice(LoadResString(2250) + u'\r' + file_ + u'\r' + vb::ErrorText(error_), vb::vbExclamation | vb::vbOKOnly,
                   LoadResString(1005));
        }
        return false;
    }

private:
    void noteFailure()
    {
        if (error_ == 0)
            error_ = WriteIniError();
    }

    QString file_;
    platform::profile::WriteBatch batch_;
    int error_ = 0;
};

// c:\Restore.ini tells the next boot that a restore has run. A disk that refuses it
// costs a line in the error log, nothing more.
void WriteRestoreMarker()
{
    const int n = vb::FreeFile();
    try {
        vb::Open(QStringLiteral("c:\\Restore.ini"), vb::OpenMode::Output, n);
        vb::Print(n, QStringLiteral("Restore=1"));
        vb::Close(n);
    } catch (const vb::Error& e) {
        vb::Close(n);
        ErrorLog(e.Number(), QStringLiteral(" SaveSettings"));
    }
}

// Whether the stored save folder can still be reached. A drive root that exists counts
// even when nothing is on it; a drive that is gone or not ready does not.
bool SaveFolderExists(const QString& folder)
{
    try {
        if (!vb::Dir(folder, vb::vbDirectory).isEmpty())
            return true;
    } catch (const vb::Error&) {
        return false;
    }
    return folder.size() == 3 && folder.endsWith(QStringLiteral(":\\")) && !SysInfo().DriveType(folder).isEmpty();
}

void ShowSaveFolder()
{
    TextBoxOf(QStringLiteral("Form1"), QStringLiteral("Text2")).setText(ShortenPath(state().SaveFolder, 49));
}

// The normal path of LoadSettings; any run-time error leaves it for the repair.
void ReadSettingsFile()
{
    ProgramState& s = state();
    MakeProgramFolderCurrent();
    s.IniFile = settingsFile();
    const QString freeSlot = LoadResString(1010);

    for (int slot = 0; slot < 5; ++slot) {
        const QString description = ReadIni(kSettings, slotKey("Config", slot), s.IniFile);
        s.ConfigDescription[slot] = description.isEmpty() ? freeSlot : description;
        s.ConfigDate[slot] = ReadIni(kSettings, slotKey("LsDate", slot), s.IniFile);
        s.ConfigTime[slot] = ReadIni(kSettings, slotKey("LsTime", slot), s.IniFile);
    }

    // The probe found the Windows folder already; only a stored one replaces it.
    const QString systemPath = ReadIni(kSystemPathes, QStringLiteral("SystemPath"), s.IniFile);
    if (!systemPath.isEmpty())
        s.SystemPath = systemPath;
    // An empty value is "\" alone: the root of the drive that is current.
    s.SaveFolder = withBackslash(ReadIni(kSystemPathes, QStringLiteral("SaveFolder"), s.IniFile));

    for (const SelectionKey& k : kSystemFileKeys)
        CheckBoxOf(QStringLiteral("Form1"), str(k.box)).setValue(vb::CInt(ReadIni(kSystemFiles, str(k.key), s.IniFile)));
    for (const SelectionKey& k : kUserDataKeys)
        CheckBoxOf(QStringLiteral("UserFiles"), str(k.box)).setValue(vb::CInt(ReadIni(kUserFiles, str(k.key), s.IniFile)));
    for (const RestoreKey& k : kRestoreKeys)
        CheckBoxOf(QStringLiteral("RestoreReq"), str(k.box)).setEnabled(vb::CBool(ReadIni(k.section, str(k.key), s.IniFile)));

    // The free-slot word of the other language edition, in either direction.
    const QString none = LoadResString(1006);
    for (QString& description : s.ConfigDescription)
        if (none == u"None" && description == u"verfuegbar")
            description = freeSlot;
    for (QString& description : s.ConfigDescription)
        if (none == u"Keine" && description == u"available")
            description = freeSlot;
    for (QString& time : s.ConfigTime)
        if (time == u"True" || time == u"False")
            time = QStringLiteral("00:00");

    s.RestorePending = false;
    RefreshConfigList();

    if (SysInfo().DriveType(vb::UCase(s.SaveFolder.left(3))) != u"Removable drive" && !SaveFolderExists(s.SaveFolder)) {
        Notice(LoadResString(1167), vb::vbOKOnly);
        s.SaveFolder = withBackslash(ProgramFolder());
    }
    ShowSaveFolder();

    // The level the zip runs get is always the slider's own digit.
    const QString compression = ReadIni(kSettings, QStringLiteral("Compression"), s.IniFile);
    vb::Slider& slider = SliderOf(QStringLiteral("Form1"), QStringLiteral("Slider1"));
    slider.setValue(compression.isEmpty() ? 1 : vb::CInt(vb::Val(compression)));
    s.Compression = QString::number(slider.Value());

    SaveSettings();
}

// A file that cannot be applied: every slot freed, the save folder and the paths back to
// what the machine gives, and a complete file written.
void RepairSettings(const vb::Error& e)
{
    ProgramState& s = state();
    ErrorLog(e.Number(), QStringLiteral("Trelvo.ini damaged"));
    const QString freeSlot = LoadResString(1010);
    for (int slot = 0; slot < 5; ++slot) {
        s.ConfigDate[slot] = QStringLiteral("00/00/0000");
        s.ConfigTime[slot] = QStringLiteral("00:00");
    }
    s.ConfigDescription.fill(freeSlot);
    LabelOf(QStringLiteral("Form1"), QStringLiteral("Label2"))
        .setCaption(QStringList(s.ConfigDescription.begin(), s.ConfigDescription.end()).join(u'\r'));
    for (int slot = 0; slot < 5; ++slot) {
        ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List2")).setList(slot, s.ConfigDescription[slot]);
        ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List3")).setList(slot, s.ConfigDescription[slot]);
    }
    s.SaveFolder = withBackslash(ProgramFolder());
    ShowSaveFolder();
    ReadSystemPaths();
    s.Compression = QStringLiteral("1");
    SliderOf(QStringLiteral("Form1"), QStringLiteral("Slider1")).setValue(1);
    SaveSettings();
}

} // namespace

QString AutoKeepFolder() { return ProgramFolder() + QStringLiteral("\\AutoKeep\\"); }

bool IsAutoKeepFolder(const QString& folder)
{
    return withBackslash(folder).compare(AutoKeepFolder(), Qt::CaseInsensitive) == 0;
}

// The four sections, key by key in their order, from the program state and the boxes.
static void WriteSettingsKeys(SettingsWrites& values)
{
    ProgramState& s = state();
    for (int slot = 0; slot < 5; ++slot) {
        values.set(kSettings, slotKey("Config", slot), s.ConfigDescription[slot]);
        values.set(kSettings, slotKey("LsDate", slot), s.ConfigDate[slot]);
        values.set(kSettings, slotKey("LsTime", slot), s.ConfigTime[slot]);
    }
    values.set(kSettings, QStringLiteral("Compression"), s.Compression);

    values.set(kSystemPathes, QStringLiteral("SystemPath"), s.SystemPath);
    values.set(kSystemPathes, QStringLiteral("SaveFolder"), s.SaveFolder);
    values.set(kSystemPathes, QStringLiteral("SaveFolderShort"), GetShortNameFromLongName(s.SaveFolder));

    for (const SelectionKey& k : kSystemFileKeys)
        values.set(kSystemFiles, str(k.key), QString::number(CheckBoxOf(QStringLiteral("Form1"), str(k.box)).Value()));
    for (const SelectionKey& k : kUserDataKeys)
        values.set(kUserFiles, str(k.key), QString::number(CheckBoxOf(QStringLiteral("UserFiles"), str(k.box)).Value()));
}

void SaveSettings()
{
    ProgramState& s = state();
    if (s.ConfigDescription[0].isEmpty())
        return;
    s.SettingsSaved = true;
    ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command14")).setEnabled(false);
    MakeProgramFolderCurrent();
    const QString file = settingsFile();

    // An automatic save points SaveFolder at its own folder; the user's folder stays stored.
    if (IsAutoKeepFolder(s.SaveFolder))
        s.SaveFolder = ReadIni(kSystemPathes, QStringLiteral("SaveFolder"), file);
    if (s.SaveFolder.isEmpty())
        s.SaveFolder = withBackslash(ProgramFolder());

    {
        // Key by key, and the file replaced once with all of them.
        SettingsWrites values(file);
        WriteSettingsKeys(values);
        values.finish();
    }

    if (s.RestorePending)
        WriteRestoreMarker();
    RefreshConfigList();
}

bool RecordSlotFree(int slot)
{
    SettingsWrites values(settingsFile());
    values.set(kSettings, slotKey("Config", slot), LoadResString(1010));
    values.set(kSettings, slotKey("LsDate", slot), QStringLiteral("00/00/0000"));
    values.set(kSettings, slotKey("LsTime", slot), QStringLiteral("00:00"));
    return values.finish();
}

void LoadSettings()
{
    try {
        ReadSettingsFile();
    } catch (const vb::Error& e) {
        RepairSettings(e);
    }
}

} // namespace core
