#pragma once
// The save on the test machine: the machine started as the program starts (system paths,
// settings), the selection set as the main window and the user-file window would hold it,
// the Save button's part played by hand, and what the save wrote read back (archives,
// their entries and contents, INI files).
#include "backup/Save.h"
#include "catalogue/ConfigItems.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"
#include "platform/IniDocument.h"
#include "platform/Profile.h"
#include "platform/ZipArchive.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Screen.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QMap>
#include <QProcess>

namespace backuptest {

inline const QString kProgramFolder = QStringLiteral("C:\\Program Files\\Trelvo\\");

inline QString hostOf(const QString& winPath) { return platform::Machine::current().resolve(winPath).host(); }

// The entry names of an archive on the machine, in archive order.
inline QStringList entries(const QString& winPath)
{
    return platform::zip::entryNames(hostOf(winPath)).value_or(QStringList{QStringLiteral("<no archive>")});
}

// One entry's bytes, as the host's unzip extracts it.
inline QByteArray entryBytes(const QString& winPath, const QString& entry)
{
    QProcess unzip;
    unzip.start(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-p"), hostOf(winPath), entry});
    unzip.waitForFinished(60000);
    return unzip.readAllStandardOutput();
}

inline platform::IniDocument iniOf(const QByteArray& bytes) { return platform::IniDocument::parse(bytes); }
inline platform::IniDocument iniFile(const QString& winPath) { return iniOf(platform::fs::readAll(winPath)); }

// Every file of the machine with a digest of its bytes: what "nothing changed on disk" compares.
inline QMap<QString, QByteArray> machineSnapshot()
{
    QMap<QString, QByteArray> files;
    const QString root = platform::Machine::current().dir();
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        files.insert(path.mid(root.size()), QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1));
    }
    return files;
}

class SaveFixture : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        ui = &testsupport::ScriptedUi::install();
        core::state().TodayDate = QStringLiteral(" 8/12/1999");
        core::ReadSystemPaths();
        core::LoadSettings();
        selectAll(0);
        writeUserList({});
    }
    void TearDown() override { vb::Screen::setMousePointer(0); }

    // Every selection box of both windows ticked (1) or cleared (0).
    static void selectAll(int value)
    {
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
            item.SaveCheckBox().setValue(value);
    }
    static void tick(const QString& form, const QString& box) { core::CheckBoxOf(form, box).setValue(1); }

    // trelvo.usr as the user-file window writes it.
    void writeUserList(const QStringList& files) const
    {
        QByteArray text = " " + QByteArray::number(files.size()) + " \r\n";
        for (const QString& f : files)
            text += f.toLatin1() + "\r\n";
        tm.writeC(QStringLiteral("Program Files/Trelvo/trelvo.usr"), text);
    }

    // What the Save button does around the engine: slot, description, description path.
    static void saveInto(const QString& folder, int slot = 0, const QString& description = QStringLiteral("Weekly"))
    {
        core::ProgramState& s = core::state();
        s.SaveFolder = folder;
        s.SelectedConfig = slot;
        s.ConfigDescription[slot] = description;
        s.SaveDescription = description;
        s.ConfigIniPath = kProgramFolder + QStringLiteral("Config") + QString::number(slot + 1) + QStringLiteral(".ini");
        backup::Save();
    }

    // The automatic save's part around the save: its own folder and slot (the description
    // already lying beside its archives), and its flag.
    static void saveAutomatically(int slot)
    {
        const QString folder = kProgramFolder + QStringLiteral("AutoKeep\\");
        if (!platform::fs::isDirectory(folder.chopped(1)))
            platform::fs::createDirectory(folder.chopped(1));
        core::ProgramState& s = core::state();
        s.AutomaticSave = true;
        s.SelectedConfig = slot;
        s.SaveFolder = folder;
        s.ConfigIniPath = folder + QStringLiteral("Config") + QString::number(slot + 1) + QStringLiteral(".ini");
        s.ConfigIniCopyPath = s.ConfigIniPath;
        backup::Save();
        s.AutomaticSave = false;
    }

    static bool helpEnabled() { return core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command2")).Enabled(); }
    static QString statusText() { return core::StatusBarOf(QStringLiteral("Form1"), QStringLiteral("StatusBar1")).Text(); }

    testsupport::ScriptedUi* ui = nullptr;
};

} // namespace backuptest
