#include "restore/RestoreSteps.h"
#include "backup/FolderPaths.h"
#include "core/Shell.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/SysError.h"
#include "restore/WininitRename.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QHash>
#include <QSet>
#include <utility>

namespace restore::steps {

bool RestoreRun::anySystemItemChosen() const
{
    for (vb::CheckBox* box : {&req.Check1, &req.Check2, &req.Check3, &req.Check4, &req.Check5, &req.Check6,
                              &req.Check7, &req.Check8, &req.Check9, &req.Check12, &req.Check13, &req.Check14,
                              &req.Check15, &req.Check16, &req.Check24})
        if (box->Value() != 0)
            return true;
    return false;
}

bool RestoreRun::anyUserFileSelected() const
{
    for (int i = 0; i < req.List1.ListCount(); ++i)
        if (req.List1.Selected(i))
            return true;
    return false;
}

bool RestoreRun::groupChosen(int position) const
{
    switch (position) {
    case 1: return anySystemItemChosen();
    case 2: return anyUserFileSelected();
    case 3: return req.Check20.Value() != 0;
    case 4: return req.Check19.Value() != 0;
    case 5: return req.Check11.Value() != 0;
    case 6: return req.Check18.Value() != 0;
    case 7: return req.Check21.Value() != 0;
    default: return req.Check10.Value() != 0 || req.Check22.Value() != 0 || req.Check23.Value() != 0;
    }
}

void RestoreRun::buildArchiveTable()
{
    const QString n = QString::number(s.SelectedConfig + 1);
    for (int k = 1; k <= 8; ++k) {
        plainName[k] = s.SaveFolder + QStringLiteral("Conf") + n + kSuffix[k];
        quotedName[k] = quoted(plainName[k]);
    }
}

// True: unpack the group. False: the archive is missing and the user skips the group.
bool RestoreRun::askIfMissing(int position, int sentence)
{
    bool present = false;
    trap([&] { present = !vb::Dir(StripEnds(quotedName[position])).isEmpty(); });
    if (present)
        return true;
    const int answer = vb::MsgBox(res(1064) + CR + quotedName[position] + CR + res(sentence) + CR + res(1210),
                                  vb::vbYesNo | vb::vbCritical | vb::vbDefaultButton2, res(1005));
    if (answer == vb::vbYes)
        return false;
    throw StopEarly{};
}

Failure RestoreRun::missingArchive(int position) const
{
    return {res(2121) + archivePath(position), 53, archivePath(position), std::nullopt, false};
}

// Runs one unzip command line for the archive at `position`. No failure when unzip ended
// with 0, or with 1 (files it passed over) where each unpacked file is looked at on its own
// afterwards (`eachFileOnItsOwn`); otherwise why what the archive holds was not restored.
std::optional<Failure> RestoreRun::unzip(const QString& commandLine, int position, bool eachFileOnItsOwn)
{
    std::optional<Failure> failure = unzipOutcome(commandLine, position, eachFileOnItsOwn);
    if (failure)
        failure->step = CurrentStep;
    return failure;
}

std::optional<Failure> RestoreRun::unzipOutcome(const QString& commandLine, int position, bool eachFileOnItsOwn)
{
    s.ZipCommand = commandLine;
    s.ShellCommand = s.ZipCommand;
    const QString archive = archivePath(position);
    if (const std::optional<int> error = attempt([&] { core::ShellAndWait(s.ShellCommand); }))
        return FileFailure(*error, archive);
    const std::optional<int> code = core::LastExitCode();
    if (code == 0 || (code == 1 && eachFileOnItsOwn))
        return std::nullopt;
    if (code == 1)
        return Failure{res(2124), 75, archive};
    if (code == 11)   // nothing matched the pattern
        return Failure{res(2123), 53, archive};
    if (code == 50)
        return FileFailure(61, archive);
    return Failure{res(2122) + archive, 57, archive};
}

// The entries of the archive at `position`, or none when its directory cannot be read: such an
// archive is not unpacked at all, as nothing tells where its entries would land.
const QList<platform::zip::ZipEntry>* RestoreRun::entriesOf(int position)
{
    std::optional<std::optional<QList<platform::zip::ZipEntry>>>& directory = directories_[position];
    if (!directory) {
        directory.emplace();
        try {
            *directory = platform::zip::readEntries(platform::fs::resolveReady(archivePath(position)).host());
        } catch (const platform::SysError&) {
        }
    }
    return *directory ? &**directory : nullptr;
}

namespace {
constexpr int kRefusalsNamed = 20;   // entries of one archive named one by one; the rest are counted
}

// Unpacks what `sorted` takes of the archive at `position` below `root`, in as many unzip runs
// as the command line needs, after naming the entries refused for where they would land.
std::optional<Failure> RestoreRun::unpack(const QString& options, int position, const SortedEntries& sorted, const QString& root,
                                          bool eachFileOnItsOwn)
{
    nameRefused(position, sorted);
    std::optional<Failure> failure;
    for (const QString& commandLine : UnzipCommandLines(options, quotedName[position], sorted, root)) {
        const std::optional<Failure> run = unzip(commandLine, position, eachFileOnItsOwn);
        if (run && !failure)
            failure = run;
    }
    return failure;
}

// Each entry of an archive that would land outside its place is one outcome of the run (the
// first ones by name, the others counted), and so one line of the error log.
void RestoreRun::nameRefused(int position, const SortedEntries& sorted)
{
    if (sorted.refused.isEmpty() || std::exchange(refusalsNamed_[position], true))
        return;
    const QString archive = QStringLiteral(" (") + backup::GetFileName(archivePath(position)) + u')';
    const auto refuse = [&](const QString& what) { notRestored(what + archive, Failure{res(2197), 75, what + archive, what + archive}); };
    for (qsizetype i = 0; i < qMin<qsizetype>(sorted.refused.size(), kRefusalsNamed); ++i)
        refuse(EntryShown(sorted.refused[i]));
    if (sorted.refused.size() > kRefusalsNamed)
        refuse(QString::number(sorted.refused.size() - kRefusalsNamed) + u' ' + res(2198));
}

// The system archive may fill the work folder with the staged copies of the system files;
// those of the chosen ones are unpacked.
std::optional<Failure> RestoreRun::unpackSystemFiles(const QString& root)
{
    const QList<platform::zip::ZipEntry>* entries = entriesOf(1);
    if (!entries)
        return unreadable(1);
    const QString work = s.TempPath + QStringLiteral("trelvo\\");
    QList<Spot> place;
    QList<const vb::CheckBox*> boxes;
    for (const BootDriveFile& f : kBootDriveFiles) {
        place << Spot{s.TempPath + QString::fromUtf16(f.staged)};
        boxes << &(req.*f.box);
    }
    for (const BootTimeFile& f : kBootTimeFiles) {
        place << Spot{work + QString::fromUtf16(f.name)};
        boxes << &(req.*f.box);
    }
    SortedEntries sorted = SortEntries(*entries, root, place, [&](int spot) { return boxes[spot]->Value() != 0; });
    // What a save on a PC whose temporary folder lay elsewhere staged is not unpacked either;
    // the chosen files say so, rather than each entry.
    QSet<QString> staged;
    for (const Spot& spot : std::as_const(place))
        staged << QStringLiteral("trelvo/") + spot.path.mid(work.size()).toCaseFolded();
    const qsizetype inPlace = sorted.take.size() + sorted.leave.size();
    for (qsizetype i = sorted.refused.size() - 1; i >= 0; --i)
        if (staged.contains(sorted.refused[i].name.section(u'/', -2).toCaseFolded()))
            sorted.leave << sorted.refused.takeAt(i);
    if (inPlace == 0 && sorted.leave.size() > 0) {
        nameRefused(1, sorted);
        return Failure{res(2125) + s.TempPath, 53, archivePath(1), CurrentStep};
    }
    return unpack(QStringLiteral("-qo"), 1, sorted, root, true);
}

// The user-file archive may fill the work folder's User folder. User.ini comes first; the
// staged copies it names for the chosen entries follow.
std::optional<Failure> RestoreRun::unpackUserFiles(const QString& root)
{
    const QList<platform::zip::ZipEntry>* entries = entriesOf(2);
    if (!entries)
        return unreadable(2);
    const QList<Spot> place{{s.TempPath + QStringLiteral("trelvo\\User\\"), true}};
    const auto wholeSpot = [](int) { return true; };
    const QString userIni = LandingKey(s.UserIniPath);
    if (const std::optional<Failure> failure =
            unpack(QStringLiteral("-o"), 2, SortEntries(*entries, root, place, wholeSpot, [&](const QString& key) { return key == userIni; }),
                   root, true))
        return failure;
    QSet<QString> wanted{userIni};
    vb::ProgressPace pace;   // thousands of look-ups take a while
    const platform::profile::Reader userIniValues(s.UserIniPath);
    for (int i = 0; i < req.List1.ListCount(); ++i) {
        if (pace.due())
            vb::DoEvents();
        if (!req.List1.Selected(i) || req.List1.List(i).isEmpty())
            continue;
        const QString staged = userIniValues.getString(QStringLiteral("UserFilesSaved"), req.List1.List(i), QString(), core::kIniValueSize);
        if (!staged.isEmpty())
            wanted.insert(LandingKey(staged));
    }
    const SortedEntries sorted = SortEntries(*entries, root, place, wholeSpot, [&](const QString& key) { return wanted.contains(key); });
    if (unpackedWithLeftOut(sorted, root))
        return std::nullopt;
    return unpack(QStringLiteral("-o"), 2, sorted, root, true);
}

// Many of thousands of files chosen: the runs that name them one by one would cost the square
// of their number (see UnpackingAllIsCheaper), so the staged copies are unpacked whole in one
// run and those not chosen removed again at once. That is done only where the User folder
// holds nothing but User.ini yet (nothing there is written over) and the drive has room for
// all of them. True when it went so; a run that fails leaves nothing of what was not chosen,
// and false sends the restore to the runs that name the chosen ones.
bool RestoreRun::unpackedWithLeftOut(const SortedEntries& sorted, const QString& root)
{
    if (!UnpackingAllIsCheaper(sorted))
        return false;
    const QString userFolder = s.TempPath + QStringLiteral("trelvo\\User\\");
    qint64 bytes = 0;
    for (const QList<platform::zip::ZipEntry>* list : {&sorted.take, &sorted.leave})
        for (const platform::zip::ZipEntry& e : *list)
            bytes += qint64(e.size);
    constexpr qint64 kRoomToSpare = 64 << 20;
    try {
        const std::shared_ptr<platform::Volume> drive = platform::fs::resolveReady(root).volume;
        if (drive->isFloppy() || drive->freeBytes() < bytes + kRoomToSpare)
            return false;
        for (const platform::fs::Entry& e : platform::fs::find(userFolder + QStringLiteral("*.*"), platform::AttrHidden | platform::AttrSystem | platform::AttrDirectory))
            if (e.name != u"." && e.name != u".." && e.name.compare(QStringLiteral("User.ini"), Qt::CaseInsensitive) != 0)
                return false;
    } catch (const platform::SysError&) {
        return false;
    }
    const bool unpacked = !unpack(QStringLiteral("-o"), 2, SortedEntries{sorted.take + sorted.leave, {}, sorted.refused}, root, true);
    // What was not chosen goes, folder by folder; a read-only copy gets plain attributes first.
    QHash<QString, QStringList> byFolder;
    for (const platform::zip::ZipEntry& e : sorted.leave) {
        const QString path = root + QString(e.name).replace(u'/', u'\\');
        const qsizetype cut = path.lastIndexOf(u'\\');
        byFolder[path.left(cut + 1)] << path.mid(cut + 1);
    }
    for (auto it = byFolder.cbegin(); it != byFolder.cend(); ++it) {
        QSet<QString> removed;
        for (const QString& name : platform::fs::removeFilesIn(it.key(), it.value()))
            removed.insert(name.toCaseFolded());
        for (const QString& name : it.value())
            if (!removed.contains(name.toCaseFolded()))
                vb::ResumeNext([&] {
                    vb::SetAttr(it.key() + name, vb::vbNormal);
                    vb::Kill(it.key() + name);
                });
    }
    return unpacked;
}

// Unpacks the entries of the archive at `position` that lie in the wanted spots of its place
// straight into place below the drive root `root`. A read-only file it replaces is made writable first, as a chosen file
// is, and gets the attributes it was saved with from the archive; when the unzip fails, the
// files made writable that it did not replace are given their read-only attribute back.
std::optional<Failure> RestoreRun::unzipInPlace(const QString& options, int position, const QList<Spot>& place,
                                                const std::function<bool(int)>& spotWanted, const QString& root)
{
    const QList<platform::zip::ZipEntry>* entries = entriesOf(position);
    if (!entries)
        return unreadable(position);
    const SortedEntries sorted = SortEntries(*entries, root, place, spotWanted);
    nameRefused(position, sorted);
    if (sorted.take.isEmpty())
        return Failure{res(2123), 53, archivePath(position), CurrentStep};
    QList<QPair<QString, platform::fs::Entry>> unlocked;   // each with what it was before
    try {
        for (const platform::zip::ZipEntry& e : sorted.take) {
            if (e.isDir())
                continue;
            const QString live = root + QString(e.name).replace(u'/', u'\\');
            const std::optional<platform::fs::Entry> now = platform::fs::tryStat(live);
            if (now && !now->isDir() && (now->attrs & platform::AttrReadOnly)) {
                platform::fs::setAttributes(live, now->attrs & ~quint32(platform::AttrReadOnly));
                unlocked.append({live, *now});
            }
        }
    } catch (const platform::SysError&) {
        // What could not be looked at is left as it is; the unzip says what it could not write.
    }
    const std::optional<Failure> failure = unpack(options, position, sorted, root, false);
    if (failure) {
        // A file the unzip did not replace still has its size and time, and the attributes it was given here.
        for (const auto& entry : unlocked)
            attempt([&, &live = entry.first, &before = entry.second] {
                const std::optional<platform::fs::Entry> now = platform::fs::tryStat(live);
                if (now && now->size == before.size && now->modified == before.modified &&
                    now->attrs == (before.attrs & ~quint32(platform::AttrReadOnly)))
                    platform::fs::setAttributes(live, before.attrs);
            });
    }
    return failure;
}

} // namespace restore::steps
