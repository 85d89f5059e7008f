// An archive of a configuration restored through the restore's own sorting of its entries
// (ArchivePlace) and the unzip command lines it builds, carried out by the machine's unzip
// adapter. The input is the archive. It is taken as the archive whose place holds most of its
// entries (the system files, the user files, the Start menu, the address book, the
// favorites, the cookies, the mail, or one of the three Netscape items), with the items of
// that place chosen by the input's checksum. The runs write nothing on the machine but the
// landings of the entries taken (and the folders on their way), and those lie in the chosen
// items of the place: nothing refused or not chosen is unpacked. No host file outside the
// machine's drive changes (the adapter's scratch folder is gone again). A run that reports
// success has delivered every entry taken (but a volume label).
#include "FuzzTarget.h"
#include "core/ProgramState.h"
#include "core/Shell.h"
#include "core/SystemPaths.h"
#include "platform/Machine.h"
#include "platform/WinPath.h"
#include "platform/ZipArchive.h"
#include "restore/ArchivePlace.h"
#include "ui/Registration.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace zip = platform::zip;
using restore::Spot;

namespace {

// One archive of a configuration: its name's suffix, the unzip options and the place it may fill.
struct Kind {
    QString suffix;
    QString options;
    QList<Spot> place;
    bool oneSpotAtATime = false;   // the Netscape items: one unzip per item
    bool filesOneByOne = false;    // the user files: the staged copies chosen
};

QList<Kind> kindsOfThisMachine()
{
    const core::ProgramState& s = core::state();
    const QString work = s.TempPath + QStringLiteral("trelvo\\");
    QList<Spot> system;
    for (const char* name : {"autoexec.bat", "config.sys", "autoexec.dos", "config.dos", "msdos.sys", "dblspace.ini", "drvspace.ini",
                             "drvspace.bin", "dblspace.bin", "system.ini", "protocol.ini", "control.ini", "user.dat", "system.dat", "Win.ini"})
        system << Spot{work + QLatin1String(name)};
    QString netscape = s.PathNetscape;
    while (netscape.endsWith(u'\\'))
        netscape.chop(1);
    return {
        {QStringLiteral(".tva"), QStringLiteral("-qo"), system},
        {QStringLiteral("us.tva"), QStringLiteral("-o"), {{work + QStringLiteral("User\\"), true}}, false, true},
        {QStringLiteral("s.tva"), QStringLiteral("-o"), {{s.PathStartmenue, true}}},
        {QStringLiteral("ma.tva"), QStringLiteral("-o"), {{s.AddressBookFile}}},
        {QStringLiteral("mb.tva"), QStringLiteral("-o"), {{s.PathFavorites, true}}},
        {QStringLiteral("mc.tva"), QStringLiteral("-o"), {{s.IECookiesFolder, true}}},
        {QStringLiteral("mx.tva"), QStringLiteral("-o"), {{s.OutlookExpressFolder, true}}},
        {QStringLiteral("na.tva"),
         QStringLiteral("-qo"),
         {{netscape + QStringLiteral("\\Bookmark.htm")}, {netscape + QStringLiteral("\\Cookies.txt")}, {netscape + QStringLiteral("\\Mail\\"), true}},
         true},
    };
}

// A checksum of the input (the same in every process, unlike qHash) that picks the items chosen.
quint32 checksum(const QByteArray& bytes)
{
    quint32 h = 2166136261u;
    for (const char b : bytes)
        h = (h ^ quint8(b)) * 16777619u;
    return h;
}

// Where a Windows path lands on the host: its path below the drive C: folder, folded, "/"
// between names; nullopt for a path off drive C: or one the machine does not resolve.
std::optional<QString> hostLanding(const QString& winPath)
{
    const platform::Resolved r = platform::Machine::current().resolve(winPath);
    if (!r.ok() || r.drive != u'C')
        return std::nullopt;
    return platform::winpath::caseFolded(r.rel());
}

bool within(const QString& path, const QString& folder) { return path.startsWith(folder + u'/'); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machine = fuzz::freshMachineWithWindows(ui::registerWindows);
    static const QList<Kind> kinds = [] {
        core::resetState();
        core::ReadSystemPaths();
        return kindsOfThisMachine();
    }();
    const QByteArray input = fuzz::bytesOf(data, size);
    const QString program = machine + QStringLiteral("/drive_c/Program Files/Trelvo/");
    const QString archive = program + QStringLiteral("Conf1.tva");
    {
        QFile f(archive);
        fuzz::require(f.open(QIODevice::WriteOnly) && f.write(input) == input.size(), QStringLiteral("cannot write the input"));
    }
    const std::optional<QList<zip::ZipEntry>> entries = zip::readEntries(archive);
    if (!entries)
        return 0;   // the restore unpacks nothing of an archive whose directory it cannot read

    // The kind whose place holds most entries.
    const auto all = [](int) { return true; };
    const Kind* kind = &kinds.first();
    qsizetype most = -1;
    for (const Kind& k : kinds) {
        const QString root = k.place.first().path.left(3);
        const restore::SortedEntries sorted = restore::SortEntries(*entries, root, k.place, all);
        if (sorted.take.size() > most) {
            most = sorted.take.size();
            kind = &k;
        }
    }
    const QString root = kind->place.first().path.left(3);
    const QString named = program + QStringLiteral("Conf1") + kind->suffix;
    fuzz::require(kind->suffix == u".tva" || QFile::rename(archive, named), QStringLiteral("cannot name the archive %1").arg(named));

    // The items chosen: one Netscape item, else each spot by a bit of the checksum (at least one).
    const quint32 pick = checksum(input);
    const auto spotWanted = [&](int spot) {
        if (kind->oneSpotAtATime)
            return spot == int(pick % kind->place.size());
        return (pick >> (spot % 32) & 1) != 0 || quint32(spot) == (pick >> 8) % kind->place.size();
    };
    const QString userIni = restore::LandingKey(core::state().TempPath + QStringLiteral("trelvo\\User\\User.ini"));
    const auto fileWanted = [&](const QString& key) { return key == userIni || (checksum(key.toUtf8()) ^ pick) % 3 != 0; };
    const restore::SortedEntries sorted =
        kind->filesOneByOne ? restore::SortEntries(*entries, root, kind->place, spotWanted, fileWanted)
                            : restore::SortEntries(*entries, root, kind->place, spotWanted);

    // Where what is taken lands, and the chosen spots, below C:'s folder.
    QStringList landings, spots, fileSpots;
    for (const zip::ZipEntry& e : sorted.take)
        if (const std::optional<QString> at = hostLanding(root + QString(e.name).replace(u'/', u'\\')))
            landings << *at;
    for (int i = 0; i < kind->place.size(); ++i)
        if (spotWanted(i))
            if (const std::optional<QString> at = hostLanding(kind->place[i].path))
                (kind->place[i].tree ? spots : fileSpots) << *at;

    const QString top = QFileInfo(machine).path();
    const QStringList drive{QStringLiteral("machine/drive_c/"), QStringLiteral("machine/drive_c.attr")};
    const fuzz::Stamps outside = fuzz::stampsUnder(top, drive);
    const fuzz::Stamps before = fuzz::stampsUnder(machine + QStringLiteral("/drive_c"));

    const QString quotedArchive = u'"' + QStringLiteral("C:\\Program Files\\Trelvo\\Conf1") + kind->suffix + u'"';
    bool succeeded = true;
    for (const QString& line : restore::UnzipCommandLines(kind->options, quotedArchive, sorted, root)) {
        try {   // the restore takes a run that fails to start as a failure of the item
            core::ShellAndWait(line);
            succeeded = succeeded && core::LastExitCode() == 0;
        } catch (const vb::Error&) {
            succeeded = false;
        }
    }

    const QString moved = fuzz::firstDifference(outside, fuzz::stampsUnder(top, drive));
    fuzz::require(moved.isEmpty(), QStringLiteral("the unzip changed a host file outside the machine's drive: %1").arg(moved));
    const fuzz::Stamps after = fuzz::stampsUnder(machine + QStringLiteral("/drive_c"));
    const QStringList changed = fuzz::changedPaths(before, after);
    for (const QString& item : std::as_const(changed)) {
        const bool folder = item.endsWith(u'/');
        const QString path = platform::winpath::caseFolded(folder ? item.chopped(1) : item);
        const bool landing = landings.contains(path) ||
                             (folder && std::any_of(landings.begin(), landings.end(), [&](const QString& l) { return within(l, path); }));
        fuzz::require(landing, QStringLiteral("the unzip wrote C:/%1, which is no landing of an entry taken").arg(item));
        const bool inPlace = fileSpots.contains(path) || std::any_of(spots.begin(), spots.end(), [&](const QString& s) {
                                 return within(path, s) || (folder && (s == path || within(s, path)));
                             }) || (folder && std::any_of(fileSpots.begin(), fileSpots.end(), [&](const QString& s) { return within(s, path); }));
        fuzz::require(inPlace, QStringLiteral("the unzip wrote C:/%1, outside the items chosen of the place").arg(item));
    }

    if (succeeded) {
        QSet<QString> present;
        for (const QString& item : after.keys())
            present << platform::winpath::caseFolded(item.endsWith(u'/') ? item.chopped(1) : item);
        for (const zip::ZipEntry& e : sorted.take) {
            // unzip passes over an entry of a DOS-like host that is a volume label, as on the PC.
            if ((e.host() == zip::HostMsDos || e.host() == zip::HostHpfs || e.host() == 11) && (e.externalAttrs & 0x08))
                continue;
            const std::optional<QString> at = hostLanding(root + QString(e.name).replace(u'/', u'\\'));
            fuzz::require(at && present.contains(*at), QStringLiteral("the unzip reported success, but %1 did not arrive").arg(e.name));
        }
    }
    return 0;
}
