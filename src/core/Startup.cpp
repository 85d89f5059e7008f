#include "core/Startup.h"
#include "core/Exit.h"
#include "core/Messages.h"
#include "core/PathUtils.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "platform/Boot.h"
#include "platform/FileSystem.h"
#include "platform/HostTransfer.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

namespace core {

namespace {

// The zip programs lie in the program folder, which is current by now.
void RequireComponent(const QString& program)
{
    if (!vb::Dir(program).isEmpty())
        return;
    vb::MsgBox(LoadResString(1028) + u'\r' + LoadResString(1029), vb::vbCritical | vb::vbOKOnly, LoadResString(1005));
    QuitProgram();
}

} // namespace

void RemoveLeftovers()
{
    platform::removeStaleScratchFolders();
    const ProgramState& s = state();
    if (!s.TempPath.isEmpty()) {
        const QString staging = s.TempPath + QStringLiteral("trelvo");
        const QString inside = FolderKey(staging);
        bool stillNeeded = false;
        for (const QString& source : platform::pendingRenameSources())
            stillNeeded = stillNeeded || FolderKey(source).startsWith(inside);
        if (!stillNeeded)
            platform::fs::removeTree(staging);
    }
    platform::fs::removeTree(ProgramFolder() + QStringLiteral("\\DiskRestore"));
}

void StartupChecks()
{
    ReadSystemPaths();
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
