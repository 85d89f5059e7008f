#include "platform/Boot.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"

#include <QDateTime>
#include <QHash>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace platform {

namespace {

const QString kRestart = QStringLiteral("Restart");
const QString kPending = QStringLiteral("Pending");
const QString kOwed = QStringLiteral("OwedRestart");

// A full Windows path ("C:\X\Y"); relative names mean nothing at boot time.
bool isFullPath(const QString& path)
{
    const winpath::Parts p = winpath::split(path);
    return !p.drive.isNull() && p.rooted && !p.components.isEmpty();
}

// The lines of every [rename] section of a Wininit.ini, comments and blank lines left out.
QStringList renameLines(const QByteArray& bytes)
{
    QStringList lines;
    bool inRename = false;
    const QString text = cp1252::decode(bytes);
    for (const QString& raw : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            inRename = line.mid(1, line.size() - 2).trimmed().compare(u"rename", Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inRename && !line.isEmpty() && !line.startsWith(u';'))
            lines << line;
    }
    return lines;
}

class BootPass {
public:
    explicit BootPass(Machine& m) : m_(m), windows_(m.windowsFolder()) {}

    BootReport run()
    {
        const QString list = windows_ + QStringLiteral("\\Wininit.ini");
        if (!fs::exists(windows_ + QStringLiteral("\\Wininit.exe"))) {
            if (fs::exists(list))
                note(QStringLiteral("%1\\Wininit.exe is missing: %2 stays as it is.").arg(windows_, list));
            return report_;
        }
        const std::optional<fs::Entry> entry = fs::tryStat(list);
        if (!entry || entry->isDir())
            return report_;
        QByteArray bytes;
        try {
            bytes = fs::readAll(list);
        } catch (const SysError& e) {
            note(QStringLiteral("%1 cannot be read (error %2): nothing done.").arg(list).arg(e.code()));
            return report_;
        }
        for (const QString& line : renameLines(bytes))
            carryOut(line);
        keepAsBackup(list);
        return report_;
    }

private:
    void note(const QString& line) { report_.lines << line; }

    void skip(const QString& line, const QString& why)
    {
        ++report_.skipped;
        note(QStringLiteral("skipped %1: %2").arg(line, why));
    }

    // Removes a file whatever its attributes, as the boot-time program does.
    static void removeForced(const QString& path)
    {
        fs::setAttributes(path, AttrNormal);
        fs::removeFile(path);
    }

    void carryOut(const QString& line)
    {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            skip(line, QStringLiteral("no \"=\""));
            return;
        }
        const QString target = line.left(eq).trimmed();
        const QString source = line.mid(eq + 1).trimmed();
        if (!isFullPath(source) || (target.compare(u"NUL", Qt::CaseInsensitive) != 0 && !isFullPath(target))) {
            skip(line, QStringLiteral("not a full path"));
            return;
        }
        const std::optional<fs::Entry> from = fs::tryStat(source);
        if (!from) {
            skip(line, QStringLiteral("%1 is missing").arg(source));
            return;
        }
        if (from->isDir()) {
            skip(line, QStringLiteral("%1 is a folder").arg(source));
            return;
        }
        try {
            if (target.compare(u"NUL", Qt::CaseInsensitive) == 0) {
                const QString name = m_.resolve(source).win();
                removeForced(name);
                ++report_.deleted;
                note(QStringLiteral("deleted %1").arg(name));
                return;
            }
            replace(line, source, target);
        } catch (const SysError& e) {
            skip(line, QStringLiteral("error %1 %2").arg(e.code()).arg(e.detail()));
        }
    }

    void replace(const QString& line, const QString& source, const QString& target)
    {
        const Resolved to = m_.resolve(target);
        if (!to.ok() || !to.parentExists()) {
            skip(line, QStringLiteral("the folder of %1 is missing").arg(target));
            return;
        }
        if (to.isDir()) {
            skip(line, QStringLiteral("%1 is a folder").arg(target));
            return;
        }
        const Resolved from = m_.resolve(source);
        // A target that exists is replaced under the name it is stored with.
        const QString name = to.win();
        if (from.drive == to.drive && from.rel().compare(to.rel(), Qt::CaseInsensitive) == 0) {
            skip(line, QStringLiteral("source and target are the same file"));
            return;
        }
        // The new file takes the old one's place in one step: the old file is never
        // removed first, so a boot cut short leaves one of the two in place.
        if (from.drive == to.drive) {
            fs::moveOver(from.win(), name);
        } else {
            if (to.exists())
                fs::setAttributes(name, AttrNormal);
            fs::copyFile(from.win(), name);
            removeForced(from.win());
        }
        ++report_.replaced;
        note(QStringLiteral("replaced %1 by %2").arg(name, from.win()));
    }

    void keepAsBackup(const QString& list)
    {
        const QString backup = windows_ + QStringLiteral("\\Wininit.bak");
        try {
            if (fs::exists(backup))
                removeForced(backup);
            fs::rename(list, backup);
            note(QStringLiteral("%1 renamed to Wininit.bak").arg(list));
        } catch (const SysError& e) {
            note(QStringLiteral("%1 cannot become Wininit.bak (error %2)").arg(list).arg(e.code()));
        }
    }

    Machine& m_;
    QString windows_;
    BootReport report_;
};

void appendToBootLog(Machine& m, const BootReport& report)
{
    QFile log(m.hostFile(QStringLiteral("boot.log")));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QString stamp = QDateTime::currentDateTime().toString(Qt::ISODate);
    QByteArray out = QStringLiteral("%1 boot\n").arg(stamp).toUtf8();
    for (const QString& line : report.lines)
        out += QStringLiteral("%1   %2\n").arg(stamp, line).toUtf8();
    log.write(out);
}

} // namespace

int ExitWindowsEx(quint32 flags, quint32 reserved)
{
    if (!(flags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF)))
        return 1;
    try {
        Machine& m = Machine::current();
        m.setSetting(kRestart, kPending, QStringLiteral("1"));
        m.setSetting(kRestart, QStringLiteral("Requested"), QDateTime::currentDateTime().toString(Qt::ISODate));
        return 1;
    } catch (const SysError&) {
        return 0;
    }
}

bool restartPending() { return Machine::current().setting(kRestart, kPending) == u"1"; }

void withdrawRestart()
{
    if (restartPending())
        Machine::current().setSetting(kRestart, kPending, QStringLiteral("0"));
}

BootReport bootMachine()
{
    Machine& m = Machine::current();
    BootReport report = BootPass(m).run();
    if (report.lines.isEmpty())
        report.lines << QStringLiteral("nothing to rename");
    withdrawRestart();
    // What the pass carried out is owed no more; a list it left alone (no Wininit.exe) still is.
    if (const QList<OwedLine> owed = owedRenameLines(); !owed.isEmpty()) {
        const QStringList still = pendingRenameLines();
        QList<OwedLine> kept;
        for (const OwedLine& o : owed)
            if (std::any_of(still.begin(), still.end(), [&](const QString& line) { return sameRenameLine(line, o.line); }))
                kept << o;
        try {
            if (kept.size() != owed.size())
                recordOwedRenameLines(kept);
        } catch (const SysError& e) {
            report.lines << QStringLiteral("the record of the restart owed cannot be updated (error %1)").arg(e.code());
        }
    }
    appendToBootLog(m, report);
    return report;
}

QStringList pendingRenameLines()
{
    const QString list = Machine::current().windowsFolder() + QStringLiteral("\\Wininit.ini");
    try {
        if (fs::exists(list) && !fs::isDirectory(list))
            return renameLines(fs::readAll(list));
    } catch (const SysError&) {
    }
    return {};
}

QStringList pendingRenameSources()
{
    QStringList sources;
    for (const QString& line : pendingRenameLines()) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && line.left(eq).trimmed().compare(u"NUL", Qt::CaseInsensitive) != 0)
            sources << line.mid(eq + 1).trimmed();
    }
    return sources;
}

QList<OwedLine> owedRenameLines()
{
    // Line<i> and Owner<i>, i = 1, 2, ... in the order they were recorded.
    QHash<int, OwedLine> byNumber;
    for (const auto& [key, value] : Machine::current().settingEntries(kOwed)) {
        const bool line = key.startsWith(u"Line", Qt::CaseInsensitive);
        if (!line && !key.startsWith(u"Owner", Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int i = key.mid(line ? 4 : 5).toInt(&ok);
        if (ok && i > 0)
            (line ? byNumber[i].line : byNumber[i].owner) = value;
    }
    QList<int> numbers = byNumber.keys();
    std::sort(numbers.begin(), numbers.end());
    QList<OwedLine> lines;
    for (const int i : numbers)
        if (!byNumber[i].line.trimmed().isEmpty())
            lines << byNumber[i];
    return lines;
}

void recordOwedRenameLines(const QList<OwedLine>& lines)
{
    Machine& m = Machine::current();
    if (lines.isEmpty() && m.settingKeys(kOwed).isEmpty())
        return;
    QList<std::pair<QString, QString>> entries;
    for (int i = 0; i < lines.size(); ++i) {
        entries.append({QStringLiteral("Line%1").arg(i + 1), lines[i].line});
        entries.append({QStringLiteral("Owner%1").arg(i + 1), lines[i].owner});
    }
    m.setSection(kOwed, entries);
}

bool sameRenameLine(const QString& a, const QString& b) { return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0; }

bool bootIfRestartPending()
{
    if (!restartPending())
        return false;
    bootMachine();
    return true;
}

} // namespace platform
