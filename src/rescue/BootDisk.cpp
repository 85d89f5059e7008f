// Rescue disk No. 1: a floppy that boots into MS-DOS, asks for the data disk and starts the
// DOS restore module from it.
#include "backup/FloppySpan.h"
#include "core/IniValues.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "rescue/RescueDisks.h"
#include "rescue/SelWiz.h"
#include "rescue/Wizzard.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

#include <functional>

namespace rescue {

namespace {

// The Windows version whose MSDOS.SYS is of no use on a boot floppy: the disk gets an
// empty one.
const QString kEmptyMsDosVersion = QStringLiteral("4.10.1998");

// A source that is simply not on this machine (DRVSPACE.BIN on most of them).
bool missingSource(int errorNumber) { return errorNumber == 53 || errorNumber == 76; }

// A failure while MSDOS.SYS is edited.
void ReportEditError(const vb::Error& e)
{
    switch (e.Number()) {
    case 53: vb::MsgBox(Text(1064)); break;
    case 58: vb::MsgBox(Text(1066)); break;
    case 61: vb::MsgBox(Text(1067)); break;
    // Any other failure is told too: the floppy keeps MSDOS.SYS unedited.
    default: vb::MsgBox(vb::ErrorText(e.Number())); break;
    }
    core::ErrorLog(e.Number(), QStringLiteral(" EditMsDos"));
}

} // namespace

void WizzardForm::MakeBootDisk()
{
    core::ProgramState& s = core::state();
    fileInHand_.clear();

    // Failures of the preparation and of the files a boot disk can do without are logged,
    // and the work goes on. One that the floppy itself caused is told once at the end.
    bool floppyFailed = false;
    const auto tolerant = [&](const std::function<void()>& statement) {
        try {
            statement();
        } catch (const vb::Error& e) {
            core::ErrorLog(e.Number(), fileInHand_ + QStringLiteral(" BootDisk"));
            floppyFailed = floppyFailed || !missingSource(e.Number());
        }
    };

    s.DiskNo = 1;
    BootDiskDone = false;
    for (vb::CommandButton* button : {&Command1, &Command2, &Command3, &Command4})
        button->setEnabled(false);
    Command5.setVisible(false);
    Label3.setVisible(false);
    ProgressBar4.setVisible(true);
    Label1.setCaption(Text(1061));
    tolerant([] { SelWiz().Show(vb::vbModal); });

    // Without these the floppy does not start at all.
    try {
        backup::LabelDisk(QStringLiteral("a:\\"), QStringLiteral("Boot#1"));
        ShowStatus(Text(1095), QStringLiteral("MSDOS.SYS"));
        if (core::LabelOf(QStringLiteral("Form1"), QStringLiteral("Label7")).Caption() == kEmptyMsDosVersion) {
            WriteTextFile(QStringLiteral("a:\\MsDos.sys"), {});
        } else {
            vb::FileCopy(QStringLiteral("C:\\msdos.sys"), QStringLiteral("a:\\Msdos.sys"));
            fileInHand_ = QStringLiteral("Modifiying... MSDOS.SYS");
            Label2.setCaption(fileInHand_);
            Refres();
            EdMsDos();
        }
        vb::SetAttr(QStringLiteral("a:\\Msdos.sys"), vb::vbReadOnly | vb::vbHidden | vb::vbSystem);
        ShowStatus(Text(1095), QStringLiteral("IO.SYS"));
        vb::FileCopy(QStringLiteral("C:\\io.sys"), QStringLiteral("a:\\io.sys"));
        vb::SetAttr(QStringLiteral("a:\\io.sys"), vb::vbReadOnly | vb::vbHidden | vb::vbSystem);
        ShowStatus(Text(1095), QStringLiteral("COMMAND.COM"));
        vb::FileCopy(s.SystemPath + QStringLiteral("\\command.com"), QStringLiteral("a:\\command.com"));
    } catch (const vb::Error& e) {
        BootDiskDone = false;
        EndOnCriticalError(e, fileInHand_);
    }

    ShowStatus(Text(1095), QStringLiteral("DRVSPACE.BIN"));
    tolerant([] { vb::FileCopy(QStringLiteral("C:\\drvspace.bin"), QStringLiteral("a:\\drvspace.bin")); });
    tolerant([] { vb::SetAttr(QStringLiteral("a:\\drvspace.bin"), vb::vbReadOnly | vb::vbHidden | vb::vbSystem); });
    ShowStatus(Text(1095), QStringLiteral("HIMEM.SYS"));
    tolerant([&] { vb::FileCopy(s.SystemPath + QStringLiteral("\\Himem.sys"), QStringLiteral("A:\\Himem.sys")); });
    ShowStatus(Text(1096), QStringLiteral("CONFIG.SYS"));
    tolerant([] { WriteTextFile(QStringLiteral("a:\\Config.sys"), {QStringLiteral("Files=40"), QStringLiteral("Device=A:\\Himem.sys")}); });
    ShowStatus(Text(1096), QStringLiteral("AUTOEXEC.BAT"));
    tolerant([] { WriteTextFile(QStringLiteral("a:\\Autoexec.bat"), AutoexecLines()); });
    BootDiskDone = true;

    if (floppyFailed)
        vb::MsgBox(Text(1065), vb::vbCritical | vb::vbOKOnly, Text(1005));
    vb::MsgBox(DiskChangePrompt(s.DiskNo), vb::vbOKOnly);
    s.DiskNo += 1;
}

void WizzardForm::EdMsDos()
{
    const QString msdos = QStringLiteral("a:\\MSDOS.SYS");
    const QString original = QStringLiteral("a:\\MSDOS.TMP");
    // The edit stops at its first failure, and the unedited copy goes back in place of a
    // half-written file.
    bool renamed = false;
    int in = 0;
    int out = 0;
    try {
        vb::SetAttr(QStringLiteral("a:\\Msdos.sys"), vb::vbNormal);
        vb::Name(msdos, original);
        renamed = true;
        in = vb::FreeFile();
        vb::Open(original, vb::OpenMode::Input, in);
        out = vb::FreeFile();
        vb::Open(msdos, vb::OpenMode::Output, out);
        bool logoSeen = false;
        do {
            QString item = vb::InputItem(in);
            if (item.contains(QStringLiteral("BootGUI")))
                item = QStringLiteral("BootGUI=0");
            if (!logoSeen && item.contains(QStringLiteral("Logo"))) {
                item = QStringLiteral("Logo=0");
                logoSeen = true;
            }
            if (item == u";" && !logoSeen)
                vb::Print(out, QStringLiteral("Logo=0"));
            vb::Print(out, item);
        } while (!vb::Eof(in));
        vb::Close(in);
        vb::Close(out);
        renamed = false;
        vb::Kill(original);
    } catch (const vb::Error& e) {
        ReportEditError(e);
        if (in)
            vb::ResumeNext([&] { vb::Close(in); });
        if (out)
            vb::ResumeNext([&] { vb::Close(out); });
        if (renamed) {
            vb::ResumeNext([&] { vb::Kill(msdos); });
            vb::ResumeNext([&] { vb::Name(original, msdos); });
        }
    }
}

} // namespace rescue
