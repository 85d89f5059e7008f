#include "backup/FloppyPrep.h"
#include "backup/JoinPieces.h"
#include "backup/frmNotEmpty.h"
#include "core/Messages.h"
#include "core/System.h"
#include "core/Windows.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

namespace backup {

namespace {

constexpr qint32 kLargestFloppy = 3000000;
constexpr int kHourglass = 11;
constexpr int kEverything = vb::vbDirectory | vb::vbSystem | vb::vbHidden;

// The drive's total and free bytes as last measured (0 when it cannot be measured).
qint32 DriveTotalSpace = 0;
qint32 DriveFreeSpace = 0;

QString text(int number) { return core::LoadResString(number); }

// The serial numbers of the disks that hold a part of the save under way.
int g_disksInUseDepth = 0;
QStringList g_disksInUse;

QString serialOf(const QString& root)
{
    const QString serial = core::SysInfo().SerialNumber(root.left(3));
    return serial == u"0000-0000" ? QString() : serial;
}

bool inUse(const QString& root)
{
    const QString serial = serialOf(root);
    return g_disksInUseDepth > 0 && !serial.isEmpty() && g_disksInUse.contains(serial);
}

void showNoDisk()
{
    vb::MsgBox(text(1070) + QStringLiteral("\r\r") + text(1071), vb::vbCritical | vb::vbOKOnly, text(1011));
}

// Puts the hourglass aside while the user decides, and back afterwards.
class PointerAside {
public:
    PointerAside() : hourglass_(vb::Screen::MousePointer() == kHourglass)
    {
        if (hourglass_)
            vb::Screen::setMousePointer(0);
    }
    ~PointerAside()
    {
        if (hourglass_)
            vb::Screen::setMousePointer(kHourglass);
    }

private:
    bool hourglass_;
};

// One pass of the three-button dialog; its answer ("Formatieren", "Cancel", "Continue",
// or "" when it was closed by its close box). Formatting is done before returning; a disk
// that holds a part of the save under way is not formatted, and another disk is asked for.
QString askNotEmpty(const QString& path)
{
    frmNotEmptyForm& dialog = frmNotEmpty();
    dialog.Command1.setCaption(text(1102));
    dialog.Command2.setCaption(text(1223));
    dialog.Command3.setCaption(text(1083));
    dialog.Label1.setCaption(text(1068) + QStringLiteral("\r\r") + text(1219) + u'\r' + text(1220) + QStringLiteral("\r\r") +
                             text(1218) + QStringLiteral("\r\r") + text(1222));
    dialog.setCaption(text(1011));
    dialog.setTag({});
    const PointerAside pointer;
    dialog.Show(vb::vbModal);
    const QString answer = vb::Forms::isLoaded(QStringLiteral("frmNotEmpty")) ? frmNotEmpty().Tag() : QString();
    if (answer == u"Formatieren") {
        vb::Forms::unload(QStringLiteral("frmNotEmpty"));
        if (inUse(path)) {
            vb::MsgBox(text(2180) + QStringLiteral("\r\r") + text(2181), vb::vbCritical | vb::vbOKOnly, text(1011));
            return QStringLiteral("Cancel");
        }
        FormatFloppyA();
    }
    return answer;
}

} // namespace

bool PrepareFloppy(const QString& path)
{
    CheckDiskInserted(path);
    core::SysInfo().DriveInfo(path.left(3), DriveTotalSpace, DriveFreeSpace);
    if (DriveTotalSpace > kLargestFloppy)
        return true;
    for (;;) {
        // A disk that cannot be read is offered for formatting like one that holds files.
        bool holdsFiles = true;
        try {
            holdsFiles = !vb::Dir(path.left(2), kEverything).isEmpty();
        } catch (const vb::Error&) {
            showNoDisk();
        }
        if (!holdsFiles)
            return true;
        const QString answer = askNotEmpty(path);
        if (answer == u"Cancel")
            return false;
        if (answer == u"Continue")
            return true;
    }
}

DisksInUse::DisksInUse()
{
    if (g_disksInUseDepth++ == 0)
        g_disksInUse.clear();
}

DisksInUse::~DisksInUse()
{
    if (--g_disksInUseDepth == 0)
        g_disksInUse.clear();
}

void NoteDiskInUse(const QString& root)
{
    const QString serial = serialOf(root);
    if (g_disksInUseDepth > 0 && !serial.isEmpty() && !g_disksInUse.contains(serial))
        g_disksInUse << serial;
}

bool CheckBlankFloppy(QString& drive)
{
    try {
        core::ButtonOf(QStringLiteral("Wizzard"), QStringLiteral("Command3")).setVisible(true);
        core::LabelOf(QStringLiteral("Wizzard"), QStringLiteral("Label3")).setVisible(true);
        drive = drive.left(2);
        const QString first = vb::Dir(drive, kEverything);
        if (first == u".")
            return false;
        if (!first.isEmpty()) {
            vb::MsgBox(text(1068) + QStringLiteral("\r\r") + text(1069), vb::vbCritical | vb::vbOKOnly, text(1011));
            return false;
        }
        return true;
    } catch (const vb::Error&) {
        showNoDisk();
        return false;
    }
}

void FormatFloppyA()
{
    const PointerAside pointer;
    vb::FormatFloppy();
}

} // namespace backup
