#pragma once
// The main program's shared variables: the settings mirrored in trelvo.ini, the paths
// found at start-up, the five configuration slots, the state of the operation in
// progress and the flags. Every procedure reads and writes them directly by name;
// tests start each case from a fresh state with resetState().
#include <QString>
#include <array>

namespace core {

struct ProgramState {
    // Settings mirrored in trelvo.ini. Slots are 0..4 here, 1..5 in names and files.
    std::array<QString, 5> ConfigDescription;
    std::array<QString, 5> ConfigDate;
    std::array<QString, 5> ConfigTime;
    QString SaveFolder;          // ends with "\" once LoadSettings has run
    QString Compression;         // zip level as text, "1" by default
    QString SystemPath;          // the Windows folder in 8.3 form, no trailing "\"

    // Paths and dates
    QString TodayDate;           // " 8/12/1999": a blank, day, month, year without leading zeros
    QString TempPath;            // ends with "\"
    QString PathStartmenue;
    QString PathFavorites;
    QString PathNetscape;
    QString AddressBookFile;
    QString IECookiesFolder;
    QString OutlookExpressFolder;
    QString UserFilesIni;        // program folder & "\UserFiles.ini"
    QString IniFile;             // program folder & "\trelvo.ini"
    QString DiskRestoreFolder;   // program folder & "\DiskRestore\" while pieces are joined

    // The operation in progress
    int SelectedConfig = 0;      // 0..4
    QString ConfigIniPath;
    QString ConfigIniCopyPath;
    QString SplitTargetPath;
    int DiskNo = 0;              // a byte
    std::array<QString, 11> SplitArchive;   // elements 1..10
    std::array<int, 11> SplitPieces{};      // elements 1..10
    QString ZipCommand;
    QString ShellCommand;
    QString SaveDescription;
    QString PrevSaveFolder;
    QString ImportSaveFolder;
    QString UserIniPath;
    QString AutoKeepLastDate;
    int AutoKeepNextSlot = 0;
    float LoadResult = 0;

    // Flags
    bool SettingsSaved = false;
    bool RestorePending = false;
    bool ImportActive = false;
    bool SaveDone = false;
    bool AnimateShown = false;
    bool SomethingRestored = false;
    bool SkipSaveOnQuit = false;
    bool SettingsFailureTold = false;   // the user knows trelvo.ini could not be written (until it can again)

    // The save's own outcome and state, beside SaveDone (the save reached its end):
    bool SaveComplete = false;      // every selected item's archive was written
    bool OldConfigDeleted = false;  // the save got past deleting the slot's old archives and description
    bool AutomaticSave = false;     // set by the automatic run around its save, never by a marker
    bool NobodyThere = false;       // an automatic run: what a box would tell goes to the error log
    bool NoticesHeld = false;       // start-up has not yet decided whether anybody is there (core/Notices)
    bool SaveRunning = false;       // a save is under way: no other save, restore, import, delete or wizard
};

ProgramState& state();
void resetState();

// The archives of slot n are "Conf" & n & each of these, in the order a save deletes them.
inline constexpr const char16_t* ArchiveSuffixes[] = {u".tva", u"s.tva", u"us.tva", u"mc.tva", u"mb.tva", u"ma.tva", u"mx.tva", u"na.tva"};

} // namespace core
