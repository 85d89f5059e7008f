#include "webupdate/UpdateList.h"
#include "vb/Controls.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"
#include "webupdate/Messages.h"
#include "webupdate/ProgramState.h"
#include "webupdate/RegistrySettings.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace webupdate {

namespace {

constexpr int kFields = 6;
constexpr int kListUnreadable = 2101;

// The number at the start of a field as the version test and the length check read it, or
// nothing when it lies beyond what a number holds ("1E999", "&H1FFFFFFFF", 400 digits): a
// list from the server that says so is no list, never an overflow that ends the program.
std::optional<double> numberIn(const QString& field)
{
    try {
        return vb::Val(field);
    } catch (const vb::Error&) {
        return std::nullopt;
    }
}

bool isVersionNumber(const QString& field)
{
    static const QRegularExpression number(QStringLiteral("^\\s*\\d+(\\.\\d+)?\\s*$"));
    return number.match(field).hasMatch() && numberIn(field);
}

// The names of DOS devices, which name a device in every folder, whatever their extension
// (blanks after the name count for nothing, as in "CON .EXE").
bool isDeviceName(const QString& name)
{
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|CLOCK\\$|COM[1-9]|LPT[1-9]) *(\\..*)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    return device.match(name).hasMatch();
}

// A name the update can be saved under in the download folder and fetched by from the
// server's folder of the list.
bool isPlainFileName(const QString& name)
{
    static const QRegularExpression forbidden(QStringLiteral("[\\\\/:*?\"<>|#%\\x00-\\x1f]"));
    return !name.isEmpty() && name != u"." && name != u".." && name.trimmed() == name && !name.endsWith(u'.') &&
           !forbidden.match(name).hasMatch() && !isDeviceName(name);
}

bool isLength(const QString& field)
{
    const std::optional<double> length = numberIn(field);
    return length && *length >= 1 && *length <= std::numeric_limits<qint32>::max();
}

// The first item of a list file as sequential input reads one string item; "" when the file
// cannot be read.
QString firstItem(const QString& path)
{
    QString item;
    const int file = vb::FreeFile();
    vb::ResumeNext([&] {
        vb::Open(path, vb::OpenMode::Input, file);
        item = vb::InputItem(file);
    });
    vb::ResumeNext([&] { vb::Close(file); });
    vb::DoEvents();
    vb::ResumeNext([&] { vb::Kill(path); });
    vb::DoEvents();
    return item;
}

} // namespace

std::optional<QStringList> SplitUpdateList(const QString& item)
{
    QStringList fields = item.split(u';');
    if (fields.size() < kFields)
        return std::nullopt;
    fields = fields.mid(0, kFields);
    if (!isVersionNumber(fields[0]) || !isVersionNumber(fields[1]) || !isPlainFileName(fields[3]) || !isLength(fields[5]))
        return std::nullopt;
    return fields;
}

ListRead ReadUpdateList(const QString& workingFolder, vb::TextBox& text)
{
    const QString list = workingFolder + QStringLiteral("skyfetch.txt");
    qint64 length = 0;
    if (vb::ResumeNext([&] { length = vb::FileLen(list); }) != 0 || length == 0) {
        vb::ResumeNext([&] { vb::Kill(list); });   // an empty list is not left behind
        if (vb::MsgBox(LoadResString(1052), vb::vbRetryCancel | vb::vbCritical, LoadResString(1053)) == vb::vbCancel)
            ExitProgram();
    }
    text.setText(firstItem(list));

    const std::optional<QStringList> fields = SplitUpdateList(text.Text());
    if (!fields) {
        // Nothing arrived, or the server answered with something that is no list.
        const int message = text.Text().isEmpty() ? 1052 : kListUnreadable;
        if (vb::MsgBox(LoadResString(message), vb::vbRetryCancel | vb::vbCritical, LoadResString(1002)) == vb::vbRetry)
            return ListRead::Retry;
        ExitProgram();
    }
    ProgramState& s = state();
    s.gsNewMajor = fields->at(0);
    s.gsNewMinor = fields->at(1);
    s.gsUpdateText1 = fields->at(2);
    s.gsUpdateFile = fields->at(3);
    s.gsUpdateText2 = fields->at(4);
    s.gsUpdateSize = fields->at(5);
    return ListRead::Split;
}

bool UpdateOffered()
{
    const ProgramState& s = state();
    const double installedMajor = vb::Val(s.gsMajorVersion);
    const double newMajor = vb::Val(s.gsNewMajor);
    return newMajor > installedMajor || (newMajor == installedMajor && vb::Val(s.gsNewMinor) > s.giMinorVersion);
}

QString OfferText(const QString& shown)
{
    const ProgramState& s = state();
    return shown + CR + CR + CR + LoadResString(1018) + CR + CR + s.gsUpdateText1 + CR + CR + s.gsUpdateText2 + CR + CR +
           LoadResString(1028);
}

void ReportNoUpdate()
{
    vb::MsgBox(LoadResString(1043), vb::vbOKOnly | vb::vbInformation, LoadResString(1002));
    ExitProgram();
}

QString DownloadAddress() { return LoadResString(1600) + state().gsUpdateFile; }

void CheckDownloadedLength()
{
    ProgramState& s = state();
    // The announced length passed the list's checks, so it is a number of 32 bits; a file
    // longer than that is another length, not one that wraps round to it.
    qint64 length = -1;
    if (vb::ResumeNext([&] { length = vb::FileLen(s.gsInstallDir); }) == 0)
        s.glDownloadedSize = qint32(std::min<qint64>(length, std::numeric_limits<qint32>::max()));
    if (numberIn(s.gsUpdateSize) != length || !s.gsLastError.isEmpty()) {
        vb::MsgBox(LoadResString(1041) + CR + LoadResString(1042), vb::vbOKOnly);
        ExitProgram();
    }
}

} // namespace webupdate
