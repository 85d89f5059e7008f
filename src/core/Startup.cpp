#include "core/Startup.h"
#include "core/Messages.h"
#include "core/Notices.h"
#include "core/PathUtils.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "platform/Boot.h"
#include "platform/FileSystem.h"
#include "platform/HostTransfer.h"
#include "platform/IniDocument.h"
#include "platform/SysError.h"
#include "platform/Volume.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

#include <algorithm>

namespace core {

namespace {

// The zip programs lie in the program folder, which is current by now.
void RequireComponent(const QString& program)
{
    if (!vb::Dir(program).isEmpty())
        return;
    NoticeThenQuit(LoadResString(1028) + u'\r' + LoadResString(1029), vb::vbCritical | vb::vbOKOnly, LoadResString(1005));
}

// Removes what lies in `folder` but the files that `keep` (keys of FolderKey) names, and the
// folder itself when nothing is kept.
void removeAllBut(const QString& folder, const QStringList& keep)
{
    if (keep.isEmpty()) {
        platform::fs::removeTree(folder);
        return;
    }
    QList<platform::fs::Entry> entries;
    try {
        entries = platform::fs::find(folder + QStringLiteral("\\*.*"), platform::AttrHidden | platform::AttrSystem | platform::AttrDirectory);
    } catch (const platform::SysError&) {
        return;
    }
    for (const platform::fs::Entry& e : entries) {
        if (e.name == u"." || e.name == u"..")
            continue;
        const QString path = folder + u'\\' + e.name;
        const QString key = FolderKey(path);
        const bool needed = std::any_of(keep.begin(), keep.end(), [&](const QString& k) { return k.startsWith(key); });
        if (e.isDir() && needed) {
            removeAllBut(path, keep);
        } else if (e.isDir()) {
            platform::fs::removeTree(path);
        } else if (!needed) {
            try {
                platform::fs::setAttributes(path, platform::AttrNormal);
                platform::fs::removeFile(path);
            } catch (const platform::SysError&) {
            }
        }
    }
}

// Whether the description Config<n>.ini at `path` is one that a save began and never
// finished: the save deletes the slot's description before it builds anything and writes it
// whole only at its end; a save onto floppies writes [SplitLog] into it first, as each archive
// reaches the floppies. Absent, or holding [SplitLog] and nothing else, it describes nothing.
// One that cannot be read, or holds anything else (a damaged one included), is not judged here.
bool unfinishedDescription(const QString& path)
{
    try {
        if (!platform::fs::exists(path))
            return true;
        const QStringList sections = platform::IniDocument::parse(platform::fs::readAll(path)).sections();
        return !sections.isEmpty() &&
               std::all_of(sections.begin(), sections.end(), [](const QString& s) { return s.compare(u"SplitLog", Qt::CaseInsensitive) == 0; });
    } catch (const platform::SysError&) {
        return false;
    }
}

void removeIfThere(const QString& path)
{
    try {
        if (!platform::fs::exists(path))
            return;
        platform::fs::setAttributes(path, platform::AttrNormal);
        platform::fs::removeFile(path);
    } catch (const platform::SysError&) {
    }
}

// What a save that never finished left in the program folder, where the descriptions lie and
// where a save onto floppies builds its archives: the slot's archives and its description
// files, when the description is unfinished (above). A finished description keeps the
// archives beside it, whatever folder it records; the AutoKeep folder, where the automatic
// saves keep their slots, and every other folder are not looked at.
void removeUnfinishedSaves()
{
    const QString folder = ProgramFolder() + u'\\';
    for (int n = 1; n <= 5; ++n) {
        const QString slot = QString::number(n);
        const QString description = folder + QStringLiteral("Config") + slot + QStringLiteral(".ini");
        if (!unfinishedDescription(description))
            continue;
        for (const char16_t* suffix : ArchiveSuffixes)
            removeIfThere(folder + QStringLiteral("Conf") + slot + QString::fromUtf16(suffix));
        removeIfThere(description);
        removeIfThere(folder + QStringLiteral("Config") + slot + QStringLiteral(".usr"));
    }
}

} // namespace

void RemoveLeftovers()
{
    platform::removeStaleScratchFolders();
    const ProgramState& s = state();
    if (!s.TempPath.isEmpty()) {
        // A boot-time rename still to come needs its source; nothing else of a run cut short
        // is kept (the staged user files of a restore can be large).
        const QString staging = s.TempPath + QStringLiteral("trelvo");
        const QString inside = FolderKey(staging);
        QStringList needed;
        for (const QString& source : platform::pendingRenameSources()) {
            if (!FolderKey(source).startsWith(inside))
                continue;
            needed << FolderKey(source);
            // A restore cut short while another configuration was unpacked over such a
            // source had set it aside: the copy the rename list was written for comes back.
            const QString aside = WaitingCopyAside(source);
            if (platform::fs::exists(aside)) {
                try {
                    platform::fs::moveOver(aside, source);
                } catch (const platform::SysError&) {
                }
            }
        }
        removeAllBut(staging, needed);
    }
    platform::fs::removeTree(ProgramFolder() + QStringLiteral("\\DiskRestore"));
    removeUnfinishedSaves();
    // The rescue archive of a wizard that was cut short: each run packs its own.
    removeIfThere(ProgramFolder() + QStringLiteral("\\Configd.tva"));
}

void StartupChecks()
{
    // One look at the drives for the checks; a question on the way makes them look again.
    const platform::Machine::OneReading reading(platform::fs::machine());
    ReadSystemPaths();
    TellRegistryProblem();
    RemoveLeftovers();
    LoadSettings();
    ProgressBarOf(QStringLiteral("Form2"), QStringLiteral("ProgressBar1")).setValue(40);
    Win(QStringLiteral("Form1")).setCaption(LoadResString(1085));
    MakeProgramFolderCurrent();
    RequireComponent(QStringLiteral("zip.exe"));
    RequireComponent(QStringLiteral("Unzip32.exe"));
    state().SettingsSaved = true;
    ProgressBarOf(QStringLiteral("Form2"), QStringLiteral("ProgressBar1")).setValue(50);
    EmptyProc();
}

void EmptyProc() {}

} // namespace core
