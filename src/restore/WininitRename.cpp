#include "restore/WininitRename.h"
#include "core/Exit.h"
#include "core/Messages.h"
#include "core/PathUtils.h"
#include "core/ProgramState.h"
#include "core/System.h"
#include "core/IniValues.h"
#include "platform/Boot.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "restore/InterruptedRestore.h"
#include "restore/RestoreReq.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

#include <algorithm>

namespace restore {

const BootTimeFile kBootTimeFiles[6] = {
    {&RestoreReqForm::Check7, u"system.ini"}, {&RestoreReqForm::Check5, u"protocol.ini"},
    {&RestoreReqForm::Check3, u"control.ini"}, {&RestoreReqForm::Check8, u"user.dat"},
    {&RestoreReqForm::Check6, u"system.dat"}, {&RestoreReqForm::Check9, u"Win.ini"},
};

namespace {

template <class F>
auto onMachine(F&& call)
{
    try {
        return call();
    } catch (const platform::SysError& e) {
        throw vb::Error(e.code());
    }
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QString wininitFile() { return BootWindowsFolder() + QStringLiteral("\\Wininit.ini"); }

// The lines of a text file, whether they end in CR LF, CR or LF; a last line without an end
// counts too.
QList<QByteArray> linesOf(const QByteArray& text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

// The index of the first line that is the section header "[rename]" (blanks around it and
// letter case aside); -1 when there is none.
qsizetype renameHeader(const QList<QByteArray>& lines)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        while (!line.isEmpty() && isBlank(line.front()))
            line.remove(0, 1);
        while (!line.isEmpty() && isBlank(line.back()))
            line.chop(1);
        if (line.toLower() == "[rename]")
            return i;
    }
    return -1;
}

} // namespace

QString BootWindowsFolder()
{
    QString folder = core::SysInfo().WinDir();
    if (folder.endsWith(u'\\'))
        folder.chop(1);
    if (folder.isEmpty())
        return core::state().SystemPath;
    const QString shortForm = core::GetShortNameFromLongName(folder);
    return shortForm.isEmpty() ? folder : shortForm;
}

bool WininitPresent()
{
    if (!vb::Dir(BootWindowsFolder() + QStringLiteral("\\Wininit.exe"), vb::vbHidden | vb::vbSystem | vb::vbReadOnly).isEmpty())
        return true;
    const QString cr = QStringLiteral("\r");
    vb::MsgBox(QStringLiteral("'Wininit.exe' ") + core::LoadResString(1064) + cr + cr + core::LoadResString(1081),
               vb::vbOKOnly | vb::vbCritical, core::LoadResString(1005));
    core::QuitProgram();
    return false;
}

QStringList WriteWininitRename()
{
    const QString windows = BootWindowsFolder();
    const QString work = core::state().TempPath + QStringLiteral("trelvo\\");
    RestoreReqForm& req = RestoreReq();
    QStringList lines, names;
    for (const BootTimeFile& f : kBootTimeFiles) {
        const QString name = QString::fromUtf16(f.name);
        if ((req.*f.box).Value() != 0 && !vb::Dir(work + name, vb::vbHidden | vb::vbSystem | vb::vbReadOnly).isEmpty()) {
            lines << windows + u'\\' + name + u'=' + work + name;
            names << name;
        }
    }
    if (lines.isEmpty())
        return {};
    // The restart these lines need is owed from before the first of them is in the list: it
    // is recorded with them, under the name of this restore (see InterruptedRestore.h). A
    // line already listed becomes this restore's own.
    QList<platform::OwedLine> owed = platform::owedRenameLines();
    const QList<platform::OwedLine> before = owed;
    for (const QString& line : lines) {
        owed.removeIf([&](const platform::OwedLine& o) { return platform::sameRenameLine(o.line, line); });
        owed.append({line, RestoreName()});
    }
    const QString file = wininitFile();
    onMachine([&] {
        platform::recordOwedRenameLines(owed);
        try {
            const QByteArray old = platform::fs::exists(file) ? platform::fs::readAll(file) : QByteArray();
            platform::fs::writeAll(file, MergeRenameLines(old, lines));
        } catch (const platform::SysError&) {
            // The lines did not go into the list: no restart is owed for them.
            try {
                platform::recordOwedRenameLines(before);
            } catch (const platform::SysError&) {
            }
            throw;
        }
    });
    return names;
}

bool StagedInWorkFolder(const QString& path)
{
    const qsizetype last = path.lastIndexOf(u'\\');
    return last > 0 && last + 1 < path.size() &&
           core::FolderKey(path.left(last + 1)) == core::FolderKey(core::state().TempPath + QStringLiteral("trelvo\\"));
}

void WithdrawRenameLines(const QStringList& lines)
{
    const QString file = wininitFile();
    const auto logged = [](const QString& what, const platform::SysError& e) { core::ErrorLog(e.code(), what + QStringLiteral(" Restore")); };
    try {
        if (platform::fs::exists(file)) {
            const QByteArray old = platform::fs::readAll(file);
            const QByteArray now = RemoveRenameLines(old, lines);
            if (now != old)
                platform::fs::writeAll(file, now);
        }
    } catch (const platform::SysError& e) {
        // Lines that stay in the list stay owed too: the next start asks again.
        logged(file, e);
        return;
    }
    for (const QString& line : lines) {
        const QString source = line.mid(line.indexOf(u'=') + 1).trimmed();
        if (!StagedInWorkFolder(source))
            continue;
        try {
            if (platform::fs::exists(source)) {
                platform::fs::setAttributes(source, platform::AttrNormal);
                platform::fs::removeFile(source);
            }
        } catch (const platform::SysError& e) {
            logged(source, e);   // a copy no line names goes with the start's leftovers
        }
    }
    QList<platform::OwedLine> owed = platform::owedRenameLines();
    owed.removeIf([&](const platform::OwedLine& o) {
        return std::any_of(lines.begin(), lines.end(), [&](const QString& line) { return platform::sameRenameLine(o.line, line); });
    });
    try {
        platform::recordOwedRenameLines(owed);
    } catch (const platform::SysError& e) {
        logged(QStringLiteral("machine.ini"), e);   // it names lines no longer listed, which count for nothing
    }
}

QByteArray RemoveRenameLines(const QByteArray& wininit, const QStringList& lines)
{
    QByteArray out;
    bool inRename = false;
    for (const QByteArray& raw : linesOf(wininit)) {
        const QString line = platform::cp1252::decode(raw).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']'))
            inRename = line.mid(1, line.size() - 2).trimmed().compare(u"rename", Qt::CaseInsensitive) == 0;
        else if (inRename && std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return platform::sameRenameLine(l, line); }))
            continue;
        out += raw + "\r\n";
    }
    return out;
}

void AddRenameSection()
{
    const QString file = wininitFile();
    onMachine([&] {
        const bool there = platform::fs::exists(file);
        const QByteArray old = there ? platform::fs::readAll(file) : QByteArray();
        if (!there || renameHeader(linesOf(old)) < 0)
            platform::fs::writeAll(file, MergeRenameLines(old, {}));
    });
}

QByteArray MergeRenameLines(const QByteArray& wininit, const QStringList& lines)
{
    QList<QByteArray> text = linesOf(wininit);
    QList<QByteArray> added;
    for (const QString& line : lines)
        added << platform::cp1252::encode(line);
    const qsizetype header = renameHeader(text);
    if (header >= 0) {
        for (qsizetype i = 0; i < added.size(); ++i)
            text.insert(header + 1 + i, added[i]);
    } else {
        text << QByteArray("[rename]") << added;
    }
    QByteArray out;
    for (const QByteArray& line : text)
        out += line + "\r\n";
    return out;
}

} // namespace restore
