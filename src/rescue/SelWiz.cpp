#include "rescue/SelWiz.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Shell.h"
#include "core/Windows.h"
#include "vb/Conversions.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <functional>

namespace rescue {

namespace {

constexpr int kHourglass = 11;

QString text(int number) { return core::LoadResString(number); }

// The system files of the rescue archive, in the order they are staged: the name the error
// log gives a file that could not be copied, where it lives (the Windows folder or C:\) and
// its file name, which is also its name in the staging folder.
struct RescueFile {
    const char16_t* name;
    bool windowsFolder;
    const char16_t* file;
};
constexpr RescueFile kRescueFiles[] = {
    {u"Autoexec.bat", false, u"autoexec.bat"}, {u"Autoexec.dos", false, u"autoexec.dos"},
    {u"Config.sys", false, u"config.sys"},     {u"Config.dos", false, u"config.dos"},
    {u"Msdos.sys", false, u"msdos.sys"},       {u"System.ini", true, u"system.ini"},
    {u"Protocol.ini", true, u"protocol.ini"},  {u"Control.ini", true, u"control.ini"},
    {u"User.dat", true, u"user.dat"},          {u"System.dat", true, u"system.dat"},
    {u"Win.ini", true, u"win.ini"},            {u"dblspace.ini", false, u"dblspace.ini"},
    {u"drvspace.ini", false, u"drvspace.ini"}, {u"drvspace.bin", false, u"drvspace.bin"},
};

// Empties and removes the staging folder, quietly. The staged copies keep the attributes of
// their sources (MSDOS.SYS, DRVSPACE.BIN and the registry files are hidden, system and
// read-only), so they are made plain first: otherwise they would stay, and the folder too.
void removeStaging(const QString& folder)
{
    QStringList names;
    vb::ResumeNext([&] {
        for (QString name = vb::Dir(folder + QStringLiteral("\\*.*"), vb::vbHidden | vb::vbSystem); !name.isEmpty();
             name = vb::Dir())
            names << name;
    });
    for (const QString& name : names) {
        const QString path = folder + u'\\' + name;
        vb::ResumeNext([&] { vb::SetAttr(path, vb::vbNormal); });
        vb::ResumeNext([&] { vb::Kill(path); });
    }
    vb::ResumeNext([&] { vb::RmDir(folder); });
}

// A directory search that finds `spec` (a search that fails finds nothing).
bool found(const QString& spec)
{
    bool any = false;
    vb::ResumeNext([&] { any = !vb::Dir(spec, vb::vbDirectory).isEmpty(); });
    return any;
}

// One step of the folder preparation. A failure is logged; a folder that is there already
// (75) lets the run go on, anything else asks whether to go on, and No ends the program at
// once, without the settings being written.
void folderStep(const std::function<void()>& statement)
{
    try {
        statement();
    } catch (const vb::Error& e) {
        core::ErrorLog(e.Number(), QStringLiteral(" Save"));
        if (e.Number() == 75)
            return;
        const QString prompt = text(1039) + QStringLiteral("\r\r") + text(1081) + vb::Str(e.Number());
        if (vb::MsgBox(prompt, vb::vbCritical | vb::vbYesNo, text(1011)) == vb::vbNo)
            vb::End();
    }
}

} // namespace

SelWizForm::SelWizForm() : vb::Form(QStringLiteral("SelWiz"))
{
    setCaption(text(1106));
    setClientSize(4335, 1335);
    Label2.Move(240, 240, 3135, 480);   // two lines
    ProgressBar1.Move(120, 840, 4095, 255);
    ProgressBar1.setMax(200);
    ProgressBar1.setMin(0);
}

void SelWizForm::Form_GotFocus()
{
    // The work unloads the window; a second activation while it runs starts nothing.
    if (saving_)
        return;
    saving_ = true;
    Label2.setCaption(text(1098) + u'\r' + text(1019));
    // The window is on the screen, with its text, before the work holds the program up.
    vb::PaintNow(*this);
    SaveData();
}

void SelWizForm::SaveData()
{
    // The window stays until the work unloads it: its close box waits for the archive.
    const Working working(*this);
    core::ProgramState& s = core::state();
    const QString staging = s.TempPath + QStringLiteral("trelvo");

    // Whatever an earlier run left behind goes first.
    vb::Screen::setMousePointer(kHourglass);
    removeStaging(staging);

    folderStep([&] {
        if (!found(s.TempPath))
            vb::MkDir(s.TempPath);
    });
    folderStep([&] {
        if (!found(staging))
            vb::MkDir(staging);
    });
    folderStep(core::MakeProgramFolderCurrent);

    // A file the machine does not have is logged and left out of the archive. One it has
    // but that cannot be copied (a full disk) is logged too, and then no archive is made:
    // a rescue set without it would be taken for a whole one.
    bool fileLost = false;
    for (const RescueFile& f : kRescueFiles) {
        ProgressBar1.setValue(ProgressBar1.Value() + 10);
        ProgressBar1.Refresh();
        const QString name = QString::fromUtf16(f.name);
        const QString file = QString::fromUtf16(f.file);
        const QString source = (f.windowsFolder ? s.SystemPath + u'\\' : QStringLiteral("C:\\")) + file;
        try {
            vb::FileCopy(source, staging + u'\\' + file);
        } catch (const vb::Error& e) {
            core::ErrorLog(e.Number(), name + QStringLiteral(" Wizard Configuration Save"));
            fileLost = fileLost || (e.Number() != 53 && e.Number() != 76);
        }
    }

    // Packing and clearing up: nothing here is reported. Without an archive the wizard's
    // copy to the floppy says so.
    vb::ResumeNext([] { vb::Kill(QStringLiteral("Configd.tva")); });
    s.ZipCommand = QStringLiteral("zip.exe -") + s.Compression.trimmed() + QStringLiteral("gqouS Configd.tva ") + s.TempPath +
                   QStringLiteral("trelvo\\*.*");
    s.ShellCommand = s.ZipCommand;
    if (!fileLost)
        vb::ResumeNext([&] { core::ShellAndWait(s.ShellCommand); });
    for (int value = ProgressBar1.Value() + 1; value <= ProgressBar1.Max(); ++value) {
        ProgressBar1.setValue(value);
        ProgressBar1.Refresh();
    }
    removeStaging(staging);

    vb::Screen::setMousePointer(0);
    ProgressBar1.setValue(0);
    core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar1")).setValue(0);
    core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar2")).setValue(0);
    vb::Forms::unload(*this);
    vb::DoEvents();
}

SelWizForm& SelWiz() { return vb::Forms::get<SelWizForm>(QStringLiteral("SelWiz")); }

QStringList RescueStagedNames()
{
    QStringList names;
    for (const RescueFile& f : kRescueFiles)
        names << QString::fromUtf16(f.file);
    return names;
}

} // namespace rescue
