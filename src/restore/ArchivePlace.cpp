#include "restore/ArchivePlace.h"
#include "platform/Machine.h"
#include "platform/UnzipAdapter.h"
#include "platform/WinPath.h"

#include <QHash>
#include <optional>

namespace restore {

namespace zip = platform::zip;
using platform::winpath::foldCase;

namespace {

// A Windows command line holds at most 32,767 characters; the file arguments of one run stay
// well below, with the program, the archive and the target around them.
constexpr qsizetype kArgumentsPerLine = 30000;

// A name without the blanks and full stops Windows drops at its end, in folded case.
QString comparable(QString name)
{
    while (!name.isEmpty() && (name.endsWith(u' ') || name.endsWith(u'.')))
        name.chop(1);
    return foldCase(name);
}

// The drive ("c:") and the names of a Windows path as they are compared. Short names are
// those the machine gives, when `resolve` and the path is there.
QStringList comparablePath(const QString& winPath, bool resolve)
{
    QChar drive;
    QStringList names;
    const platform::Resolved r = resolve ? platform::Machine::current().resolve(winPath) : platform::Resolved{};
    if (resolve && r.status != platform::Resolved::NoSuchDrive && r.status != platform::Resolved::Unsupported) {
        drive = r.drive;
        names = r.components;
    } else {
        const platform::winpath::Parts p = platform::winpath::split(winPath);
        if (p.unc || p.drive.isNull())
            return {};
        drive = p.drive;
        names = platform::winpath::normalise(p.components);
    }
    QStringList out{foldCase(QString(drive) + u':')};
    for (const QString& name : std::as_const(names))
        out << comparable(name);
    return out;
}

bool forbidden(QChar c)
{
    return c.unicode() < 32 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' || c == u'*';
}

// The names an entry's stored name leads through, compared as Windows compares them; none
// for a name that leads to no one place: from the root, with a drive, through "..", with an
// empty name (or one of only blanks and full stops, which Windows drops), or with a character
// no name may hold. "\" separates names as "/" does: unzip reads it so in entries of DOS systems.
std::optional<QStringList> entryPath(const QString& stored)
{
    QStringView rest(stored);
    if (rest.endsWith(u'/'))
        rest.chop(1);
    QStringList names;
    QString name;
    for (qsizetype i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && rest[i] != u'/' && rest[i] != u'\\') {
            if (forbidden(rest[i]))
                return std::nullopt;
            name += rest[i];
            continue;
        }
        if (name == u"..")
            return std::nullopt;
        QString folded = comparable(name);
        if (folded.isEmpty())
            return std::nullopt;
        names << folded;
        name.clear();
    }
    return names;
}

bool startsWith(const QStringList& path, const QStringList& prefix)
{
    if (path.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (path[i] != prefix[i])
            return false;
    return true;
}

struct PlaceSpot {
    QStringList path;
    bool tree = false;
    bool wanted = false;
};

// The spot that the item at `path` lands in; -1 for none.
int spotOf(const QList<PlaceSpot>& spots, const QStringList& path, bool folder)
{
    for (int i = 0; i < spots.size(); ++i) {
        const PlaceSpot& spot = spots[i];
        if (spot.path.isEmpty())
            continue;
        if (spot.tree ? startsWith(path, spot.path) && (folder || path.size() > spot.path.size())
                      : !folder && path == spot.path)
            return i;
    }
    return -1;
}

} // namespace

QString LandingKey(const QString& winPath) { return comparablePath(winPath, false).join(u'\\'); }

QString EntryShown(const zip::ZipEntry& entry)
{
    QString shown = entry.name;
    for (QChar& c : shown) {
        if (c == u'/')
            c = u'\\';
        else if (c.unicode() < 32 || c.category() == QChar::Other_Control)
            c = u'?';
    }
    return shown;
}

SortedEntries SortEntries(const QList<zip::ZipEntry>& entries, const QString& root, const QList<Spot>& place,
                          const std::function<bool(int)>& spotWanted, const std::function<bool(const QString&)>& fileWanted)
{
    const platform::Machine& machine = platform::Machine::current();
    // Folders an archive never fills, nor any folder above them.
    const QList<QStringList> kept = {comparablePath(machine.windowsFolder(), true), comparablePath(machine.programFolder(), true)};
    QList<PlaceSpot> spots;
    for (int i = 0; i < place.size(); ++i) {
        PlaceSpot spot{comparablePath(place[i].path, true), place[i].tree, spotWanted(i)};
        if (spot.tree && (spot.path.size() < 2 || std::any_of(kept.begin(), kept.end(), [&](const QStringList& k) {
                              return !k.isEmpty() && startsWith(k, spot.path);
                          })))
            spot.path.clear();
        spots << spot;
    }
    const QStringList rootPath = comparablePath(root, true);

    // An entry that names a short name (a "~" in it) lands where the machine resolves it; the
    // folders resolved so are kept for the entries after it.
    QHash<QString, QStringList> resolvedFolders;
    const auto resolvedLanding = [&](const QString& stored, const QStringList& path) -> QStringList {
        QString win = root + QString(stored).replace(u'/', u'\\');
        if (win.endsWith(u'\\'))
            win.chop(1);
        const QString folder = win.left(win.lastIndexOf(u'\\') + 1);
        auto it = resolvedFolders.constFind(folder);
        if (it == resolvedFolders.constEnd())
            it = resolvedFolders.insert(folder, comparablePath(folder, true));
        QStringList landing = *it;
        if (landing.isEmpty())
            return path;
        landing << path.last();
        // A short file name in a spot that names files one by one.
        if (path.last().contains(u'~'))
            for (const PlaceSpot& spot : spots)
                if (!spot.tree && !spot.path.isEmpty() && spot.path.size() == landing.size() && startsWith(landing, spot.path.mid(0, spot.path.size() - 1)))
                    return comparablePath(win, true);
        return landing;
    };

    SortedEntries sorted;
    for (const zip::ZipEntry& e : entries) {
        const std::optional<QStringList> names = entryPath(e.name);
        if (!names || rootPath.isEmpty()) {
            sorted.refused << e;
            continue;
        }
        const bool folder = e.isDir();
        const QStringList path = rootPath + *names;
        int spot = spotOf(spots, path, folder);
        if (spot < 0 && e.name.contains(u'~'))
            spot = spotOf(spots, resolvedLanding(e.name, path), folder);
        if (spot < 0)
            sorted.refused << e;
        else if (!spots[spot].wanted)
            sorted.leave << e;
        else if (!fileWanted)
            sorted.take << e;
        else if (!folder)
            (fileWanted(path.join(u'\\')) ? sorted.take : sorted.leave) << e;
    }
    return sorted;
}

namespace {

// The entries of `among` (other than itself) that the pattern of `entry` takes, looked for
// only among those of its length.
class MeetingPatterns {
public:
    explicit MeetingPatterns(const QList<const zip::ZipEntry*>& among)
    {
        for (const zip::ZipEntry* e : among)
            (plain(e->rawName) ? ascii_ : beyond_)[e->rawName.size()] << e;
    }
    QList<const zip::ZipEntry*> of(const zip::ZipEntry& entry) const
    {
        QList<const zip::ZipEntry*> out;
        const auto look = [&](const QHash<qsizetype, QList<const zip::ZipEntry*>>& table) {
            for (const zip::ZipEntry* e : table.value(entry.rawName.size()))
                if (e->rawName != entry.rawName && platform::infozip::patternTakes(entry.rawName, e->rawName))
                    out << e;
        };
        // The pattern of a name of plain bytes takes that name alone.
        if (!plain(entry.rawName)) {
            look(ascii_);
            look(beyond_);
        }
        return out;
    }

private:
    static bool plain(const QByteArray& raw)
    {
        return std::all_of(raw.begin(), raw.end(), [](char b) { return quint8(b) < 0x80 && b != '\\'; });
    }
    QHash<qsizetype, QList<const zip::ZipEntry*>> ascii_, beyond_;
};

QString quotedPattern(const zip::ZipEntry& e) { return u'"' + platform::infozip::literalPattern(e) + u'"'; }

} // namespace

QStringList UnzipFileArguments(const SortedEntries& sorted)
{
    if (sorted.take.isEmpty())
        return {};
    QList<const zip::ZipEntry*> out, in;
    for (const QList<zip::ZipEntry>* list : {&sorted.leave, &sorted.refused})
        for (const zip::ZipEntry& e : *list)
            out << &e;
    if (out.isEmpty())
        return {QString()};
    for (const zip::ZipEntry& e : sorted.take)
        in << &e;

    // Fewer to leave out than to unpack: one run that leaves them out, unless one of their
    // patterns might also leave out an entry to unpack.
    if (out.size() <= in.size()) {
        QString line = QStringLiteral("-x");
        const MeetingPatterns taken(in);
        bool meets = false;
        for (const zip::ZipEntry* e : std::as_const(out)) {
            line += u' ' + quotedPattern(*e);
            meets = meets || !taken.of(*e).isEmpty();
        }
        if (!meets && line.size() <= kArgumentsPerLine)
            return {line};
    }

    // The entries to unpack, named run by run. One whose pattern takes an entry left out has a
    // run of its own that leaves that out: in a shared run the exclusion could take another
    // entry of the run as well. (Where the two patterns take each other, neither is unpacked.)
    const MeetingPatterns leftOut(out);
    QStringList lines;
    QString line;
    for (const zip::ZipEntry* e : std::as_const(in)) {
        const QString pattern = quotedPattern(*e);
        QString meeting;
        for (const zip::ZipEntry* other : leftOut.of(*e))
            meeting += u' ' + quotedPattern(*other);
        if (!meeting.isEmpty()) {
            lines << pattern + QStringLiteral(" -x") + meeting;
            continue;
        }
        if (!line.isEmpty() && line.size() + pattern.size() + 1 > kArgumentsPerLine) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + pattern;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

bool UnpackingAllIsCheaper(const SortedEntries& sorted)
{
    if (sorted.take.isEmpty() || sorted.leave.isEmpty())
        return false;
    // Seconds, as measured with Info-ZIP's unzip on thousands of small and large files: a
    // name held against an entry, a run started (the archive's directory read), and a file
    // unpacked and removed again with its bytes.
    constexpr double kNameAgainstEntry = 40e-9, kRun = 0.02, kEntryRead = 2e-6, kFile = 120e-6, kBytesPerSecond = 150e6;
    const double entries = double(sorted.take.size() + sorted.leave.size() + sorted.refused.size());
    const auto runsCost = [&](const SortedEntries& s) {
        double cost = 0;
        for (const QString& files : UnzipFileArguments(s))
            cost += kRun + entries * kEntryRead + entries * double(files.count(u'"') / 2) * kNameAgainstEntry;
        return cost;
    };
    double leftOutBytes = 0;
    for (const zip::ZipEntry& e : sorted.leave)
        leftOutBytes += double(e.size);
    const SortedEntries all{sorted.take + sorted.leave, {}, sorted.refused};
    const double whole = runsCost(all) + double(sorted.leave.size()) * kFile + leftOutBytes / kBytesPerSecond;
    return whole < runsCost(sorted);
}

QStringList UnzipCommandLines(const QString& options, const QString& quotedArchive, const SortedEntries& sorted, const QString& root)
{
    QStringList lines;
    for (const QString& files : UnzipFileArguments(sorted))
        lines << QStringLiteral("Unzip32.exe ") + options + u' ' + quotedArchive + (files.isEmpty() ? QString() : u' ' + files) +
                     QStringLiteral(" -d ") + root;
    return lines;
}

} // namespace restore
