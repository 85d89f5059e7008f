// Rescue disk No. 1: a floppy that boots into MS-DOS, asks for the data disk and starts the
// DOS restore module from it.
#include "backup/FloppySpan.h"
#include "backup/FolderPaths.h"
#include "core/IniValues.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "rescue/RescueDisks.h"
#include "rescue/SelWiz.h"
#include "rescue/Wizzard.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

#include <QHash>
#include <functional>
#include <optional>

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

// The files of the boot disk by the name the status line gives them, where they are written,
// and whether the disk can do without one that the machine does not have.
struct BootFile {
    const char16_t* name;
    const char16_t* path;
    bool onlyWhenPresent;
};
constexpr BootFile kBootFiles[] = {
    {u"MSDOS.SYS", u"a:\\Msdos.sys", false},   {u"IO.SYS", u"a:\\io.sys", false},
    {u"COMMAND.COM", u"a:\\command.com", false}, {u"DRVSPACE.BIN", u"a:\\drvspace.bin", true},
    {u"HIMEM.SYS", u"A:\\Himem.sys", false},    {u"CONFIG.SYS", u"a:\\Config.sys", false},
    {u"AUTOEXEC.BAT", u"a:\\Autoexec.bat", false},
};

bool onFloppy(const QString& path)
{
    bool found = false;
    vb::ResumeNext([&] { found = !vb::Dir(path, vb::vbHidden | vb::vbSystem | vb::vbReadOnly).isEmpty(); });
    return found;
}

// The files of the boot disk that are not on the floppy as this run wrote them, each with
// what kept it off (from `failures`, the first error per name in hand). A file whose write
// failed is missing even where the floppy holds an older one of its name: that one is not
// what the disk needs.
QStringList MissingBootFiles(const QHash<QString, int>& failures)
{
    QStringList missing;
    for (const BootFile& file : kBootFiles) {
        const QString name = QString::fromUtf16(file.name);
        const auto failure = failures.constFind(name);
        const bool failed = failure != failures.constEnd();
        if (failed ? file.onlyWhenPresent && missingSource(*failure) : onFloppy(QString::fromUtf16(file.path)))
            continue;
        QString line = name;
        if (failure != failures.constEnd()) {
            const QString reason = backup::FileErrorText(*failure);
            line += QStringLiteral(" - ") + (reason.isEmpty() ? vb::ErrorText(*failure) : reason);
        }
        missing << line;
    }
    return missing;
}

// One line of a text file and the line end it had: CR LF, LF, or none at the end of the file.
struct TextLine {
    QByteArray text;
    QByteArray end;
};

QList<TextLine> SplitLines(const QByteArray& bytes)
{
    QList<TextLine> lines;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', from);
        if (lf < 0) {
            lines.append({bytes.mid(from), {}});
            break;
        }
        const qsizetype textEnd = lf > from && bytes[lf - 1] == '\r' ? lf - 1 : lf;
        lines.append({bytes.mid(from, textEnd - from), bytes.mid(textEnd, lf + 1 - textEnd)});
        from = lf + 1;
    }
    return lines;
}

// The section a "[Name]" line opens; nullopt for every other line.
std::optional<QByteArray> SectionOf(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    if (!t.startsWith('[') || !t.contains(']'))
        return std::nullopt;
    return t.mid(1, t.indexOf(']') - 1).trimmed();
}

// The name of the setting a "Name=value" line holds; empty for comments, blank lines and
// anything else.
QByteArray SettingOf(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    if (t.startsWith(';'))
        return {};
    const qsizetype eq = t.indexOf('=');
    return eq > 0 ? t.left(eq).trimmed() : QByteArray();
}

// MSDOS.SYS as a boot floppy needs it: BootGUI=0 and Logo=0 in [Options], set where the
// settings stand and added after the last setting of the section where they are missing.
// Every other line stays as it is, byte for byte. An empty file stays empty.
QByteArray WithoutGuiAndLogo(const QByteArray& msdos)
{
    if (msdos.isEmpty())
        return {};
    QList<TextLine> lines = SplitLines(msdos);
    const QByteArray settings[] = {QByteArrayLiteral("BootGUI"), QByteArrayLiteral("Logo")};
    bool found[] = {false, false};
    bool inOptions = false;
    qsizetype lastOfOptions = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        TextLine& line = lines[i];
        if (const auto section = SectionOf(line.text)) {
            inOptions = section->compare("Options", Qt::CaseInsensitive) == 0;
            if (inOptions && lastOfOptions < 0)
                lastOfOptions = i;
            continue;
        }
        const QByteArray name = SettingOf(line.text);
        if (!inOptions || name.isEmpty())
            continue;
        lastOfOptions = i;
        for (int k = 0; k < 2; ++k) {
            if (name.compare(settings[k], Qt::CaseInsensitive) != 0)
                continue;
            qsizetype indent = 0;
            while (indent < line.text.size() && (line.text[indent] == ' ' || line.text[indent] == '\t'))
                ++indent;
            line.text = line.text.left(indent) + name + "=0";
            found[k] = true;
        }
    }

    QList<TextLine> added;
    if (lastOfOptions < 0) {
        added.append({QByteArrayLiteral("[Options]"), QByteArrayLiteral("\r\n")});
        lastOfOptions = lines.size() - 1;
    }
    for (int k = 0; k < 2; ++k)
        if (!found[k])
            added.append({settings[k] + "=0", QByteArrayLiteral("\r\n")});
    if (!added.isEmpty()) {
        if (lines[lastOfOptions].end.isEmpty())
            lines[lastOfOptions].end = QByteArrayLiteral("\r\n");
        for (qsizetype k = 0; k < added.size(); ++k)
            lines.insert(lastOfOptions + 1 + k, added[k]);
    }

    QByteArray out;
    for (const TextLine& line : lines)
        out += line.text + line.end;
    return out;
}

} // namespace

void WizzardForm::MakeBootDisk()
{
    core::ProgramState& s = core::state();
    fileInHand_.clear();

    // Failures of the preparation and of the files a boot disk can do without are logged,
    // and the work goes on; what did not reach the floppy is told at the end.
    QHash<QString, int> failures;
    const auto tolerant = [&](const std::function<void()>& statement) {
        try {
            statement();
        } catch (const vb::Error& e) {
            core::ErrorLog(e.Number(), fileInHand_ + QStringLiteral(" BootDisk"));
            if (!failures.contains(fileInHand_))
                failures.insert(fileInHand_, e.Number());
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
    if (!RescueArchiveReady()) {
        vb::MsgBox(Text(2140), vb::vbCritical | vb::vbOKOnly, Text(1005));
        StayOnPageTwo();
        return;
    }

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

    // A boot disk that lacks a file it loads is no boot disk: the user makes it again.
    const QStringList missing = MissingBootFiles(failures);
    if (!missing.isEmpty()) {
        ReportMissingFiles(missing);
        StayOnPageTwo();
        return;
    }
    BootDiskDone = true;
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
        vb::Open(original, vb::OpenMode::Binary, in, vb::OpenAccess::Read);
        const qint64 length = vb::Lof(in);
        const QByteArray edited = WithoutGuiAndLogo(length > 0 ? vb::Get(in, length) : QByteArray());
        vb::Close(in);
        in = 0;
        out = vb::FreeFile();
        vb::Open(msdos, vb::OpenMode::Binary, out);
        if (!edited.isEmpty())
            vb::Put(out, edited);
        vb::Close(out);
        out = 0;
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
