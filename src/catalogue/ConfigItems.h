#pragma once
// The twenty-three items a configuration can hold: the sixteen system items (fifteen system
// files and the Start menu) and the seven browser and mail items, in their one fixed order.
// The order is the write order of the description file and the read order of every
// description reader. Each item has its key in the description file (Config<n>.ini), its key
// in trelvo.ini (six of them are spelled differently there), its save-side box on the main
// window or the user-file window, and its box on the restore-choice window.
#include <QStringView>
#include <array>

namespace vb {
class CheckBox;
}

namespace catalogue {

struct ConfigItem {
    bool SystemItem;              // false: a browser or mail item
    QStringView DescriptionKey;   // key in Config<n>.ini
    QStringView SettingsKey;      // key in trelvo.ini
    QStringView SaveForm;         // "Form1" or "UserFiles"
    QStringView SaveBox;          // box of SaveForm: Value = selected, Enabled = available
    QStringView RestoreBox;       // box of RestoreReq: Enabled = held, Value = chosen

    // Sections of the description file: the Selected value ("1"/"0") lies in
    // [SystemFilesSaved] or [UserFilesSaved], the Available value ("True"/"False") in
    // [SystemFiles] or [UserFiles].
    QString SavedSection() const;
    QString AvailableSection() const;

    vb::CheckBox& SaveCheckBox() const;
    vb::CheckBox& RestoreCheckBox() const;
};

inline constexpr std::array<ConfigItem, 23> ConfigItems{{
    {true, u"Autoexec.bat", u"Autoexec.bat", u"Form1", u"Check8", u"Check1"},
    {true, u"Config.sys", u"Config.sys", u"Form1", u"Check9", u"Check2"},
    {true, u"Control.ini", u"Control.ini", u"Form1", u"Check4", u"Check3"},
    {true, u"Msdos.sys", u"MsDos.sys", u"Form1", u"Check10", u"Check4"},
    {true, u"Protocol.ini", u"Protocol.ini", u"Form1", u"Check5", u"Check5"},
    {true, u"System.dat", u"System.dat", u"Form1", u"Check7", u"Check6"},
    {true, u"System.ini", u"System.ini", u"Form1", u"Check3", u"Check7"},
    {true, u"User.dat", u"User.dat", u"Form1", u"Check6", u"Check8"},
    {true, u"Win.ini", u"Win.ini", u"Form1", u"Check2", u"Check9"},
    {true, u"Autoexec.dos", u"Autoexec.dos", u"Form1", u"Check13", u"Check12"},
    {true, u"Config.dos", u"Config.dos", u"Form1", u"Check14", u"Check13"},
    {true, u"Dblspace.ini", u"DblSpace.ini", u"Form1", u"Check15", u"Check14"},
    {true, u"Drvspace.ini", u"DrvSpace.ini", u"Form1", u"Check16", u"Check15"},
    {true, u"Drvspace.bin", u"DrvSpace.bin", u"Form1", u"Check17", u"Check16"},
    {true, u"Startmenue", u"StartMenue", u"Form1", u"Check1", u"Check20"},
    {true, u"Dblspace.bin", u"DblSpace.bin", u"Form1", u"Check12", u"Check24"},
    {false, u"NSCBookmark", u"NSCBookmark", u"UserFiles", u"Check11", u"Check10"},
    {false, u"MSEFavorites", u"MSEFavorites", u"UserFiles", u"Check12", u"Check11"},
    {false, u"MSEAdressbook", u"MSEAdressbook", u"UserFiles", u"Check1", u"Check18"},
    {false, u"MSECookies", u"MSECookies", u"UserFiles", u"Check2", u"Check19"},
    {false, u"MSEMailbox", u"MSEMail", u"UserFiles", u"Check3", u"Check21"},
    {false, u"NSCCookies", u"NSCCookies", u"UserFiles", u"Check4", u"Check22"},
    {false, u"NSCMail", u"NSCMail", u"UserFiles", u"Check5", u"Check23"},
}};

// Positions in ConfigItems of the items other code singles out.
inline constexpr int StartMenuItem = 14;        // the Start menu (PathStartmenue)
inline constexpr int NetscapeBookmarkItem = 16; // PathNetscape
inline constexpr int FavoritesItem = 17;        // PathFavorites

} // namespace catalogue
