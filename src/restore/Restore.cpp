#include "restore/Restore.h"
#include "restore/ArchivePlace.h"
#include "backup/FolderPaths.h"
#include "backup/JoinPieces.h"
#include "core/Animate.h"
#include "core/Exit.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/PathUtils.h"
#include "core/ProgramState.h"
#include "core/Registry.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Shell.h"
#include "core/Windows.h"
#include "platform/Boot.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/Volume.h"
#include "platform/WinPath.h"
#include "platform/ZipArchive.h"
#include "restore/InterruptedRestore.h"
#include "restore/Reboot.h"
#include "restore/RestoreReq.h"
#include "restore/WininitRename.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QHash>
#include <QPointer>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <utility>

namespace restore {

namespace {

const QString CR = QStringLiteral("\r");
constexpr int kHourglass = 11;

QString res(int number) { return core::LoadResString(number); }
QString quoted(const QString& text) { return u'"' + text + u'"'; }

vb::StatusBar& StatusBar() { return core::StatusBarOf(QStringLiteral("Form1"), QStringLiteral("StatusBar1")); }
vb::CommandButton& ExitButton() { return core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")); }
vb::ListBox& FolderList() { return core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List4")); }
void SetStatus(const QString& text) { StatusBar().setText(text); }

// The run stops early: thrown by a phase, caught by the run.
struct StopEarly {};

// Suffixes of the archive table, by position; the position is also the archive's place in
// the [SplitLog] record of a save onto floppies.
const std::array<QString, 9> kSuffix = {QString(),          QStringLiteral(".tva"),   QStringLiteral("us.tva"),
                                        QStringLiteral("s.tva"), QStringLiteral("mc.tva"), QStringLiteral("mb.tva"),
                                        QStringLiteral("ma.tva"), QStringLiteral("mx.tva"), QStringLiteral("na.tva")};

constexpr int kAnyFile = vb::vbHidden | vb::vbSystem | vb::vbReadOnly;

bool Present(const QString& path)
{
    try {
        return !vb::Dir(path, kAnyFile).isEmpty();
    } catch (const vb::Error&) {
        return false;
    }
}

bool FolderExists(QString path)
{
    if (path.endsWith(u'\\') && path.size() > 3)
        path.chop(1);
    try {
        return vb::GetAttr(path) & vb::vbDirectory;
    } catch (const vb::Error&) {
        return false;
    }
}

// The names of the files lying directly in `folder` (ending in "\"), whatever their attributes.
QStringList FilesIn(const QString& folder)
{
    QStringList names;
    vb::ResumeNext([&] {
        for (QString name = vb::Dir(folder + QStringLiteral("*.*"), kAnyFile); !name.isEmpty(); name = vb::Dir())
            names << name;
    });
    return names;
}

// Hidden, system and read-only files lying directly in `folder` (ending in "\") become
// plain files, so that a deletion of "*.*" takes them too.
void ClearAttributesIn(const QString& folder)
{
    for (const QString& name : FilesIn(folder))
        vb::ResumeNext([&] { vb::SetAttr(folder + name, vb::vbNormal); });
}

// The names (case-folded) of the files lying directly in the work folder that the boot-time
// rename list still moves into place: the copies an earlier restore left there for the
// restart that has not happened yet.
QStringList WaitingForBoot()
{
    QStringList names;
    for (const QString& source : platform::pendingRenameSources())
        if (StagedInWorkFolder(source))
            names << source.mid(source.lastIndexOf(u'\\') + 1).toCaseFolded();
    return names;
}

// Removes the files lying directly in `folder` (ending in "\"), whatever their attributes,
// but those named in `keep` (case-folded).
void RemoveFilesBut(const QString& folder, const QStringList& keep)
{
    for (const QString& name : FilesIn(folder)) {
        if (keep.contains(name.toCaseFolded()))
            continue;
        vb::ResumeNext([&] { vb::SetAttr(folder + name, vb::vbNormal); });
        vb::ResumeNext([&] { vb::Kill(folder + name); });
    }
}

// A path that can stand in quotes on a command line.
bool UsableInCommandLine(const QString& path)
{
    for (const QChar c : path)
        if (c == u'"' || c.unicode() < 32)
            return false;
    return true;
}

// The Netscape folder this machine's registry names, as the start-up probe found it.
QString LiveNetscapeFolder()
{
    namespace reg = platform::reg;
    const auto read = [](const QString& path, const QString& name) {
        reg::HKEY key = 0;
        reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, path, 0, reg::KEY_READ, &key);
        QVariant value = QString();
        core::QueryValueEx(key, name, value);
        reg::RegCloseKey(key);
        QString text = value.toString();
        if (text.endsWith(QChar(0)))
            text.chop(1);
        return text;
    };
    const QString users = QStringLiteral("Software\\Netscape\\Netscape Navigator\\Users");
    const QString user = read(users, QStringLiteral("CurrentUser"));
    return user.isEmpty() ? QString() : read(users + u'\\' + user, QStringLiteral("DirRoot"));
}

void RestartDidNotHappen()
{
    platform::withdrawRestart();
    vb::ResumeNext([] { core::Win(QStringLiteral("Form1")).setEnabled(true); });
    vb::ResumeNext([] { vb::Forms::unload(QStringLiteral("Reboot")); });
    vb::MsgBox(res(2126) + CR + res(2127), vb::vbOKOnly | vb::vbExclamation, res(1005));
}

enum class Route { Copy, DeleteFirst, WithAttributes };

struct BootDriveFile {
    vb::CheckBox RestoreReqForm::*box;
    const char16_t* staged;   // below TempPath
    const char16_t* live;
    const char16_t* step;
    Route route;
};

// The nine files of the boot drive, in the order they are copied back.
const BootDriveFile kBootDriveFiles[] = {
    {&RestoreReqForm::Check1, u"trelvo\\autoexec.bat", u"C:\\autoexec.bat", u"Autoexec.bat", Route::Copy},
    {&RestoreReqForm::Check2, u"trelvo\\config.sys", u"C:\\config.sys", u"Config.sys", Route::Copy},
    {&RestoreReqForm::Check12, u"trelvo\\autoexec.dos", u"C:\\autoexec.dos", u"Autoexec.dos", Route::Copy},
    {&RestoreReqForm::Check13, u"trelvo\\config.dos", u"C:\\config.dos", u"Config.dos", Route::Copy},
    {&RestoreReqForm::Check4, u"trelvo\\msdos.sys", u"C:\\Msdos.sys", u"Msdos.sys", Route::WithAttributes},
    {&RestoreReqForm::Check14, u"trelvo\\dblspace.ini", u"C:\\dblspace.ini", u"dblspace.ini", Route::DeleteFirst},
    {&RestoreReqForm::Check15, u"trelvo\\drvspace.ini", u"C:\\drvspace.ini", u"drvspace.ini", Route::DeleteFirst},
    {&RestoreReqForm::Check16, u"trelvo\\drvspace.bin", u"C:\\drvspace.bin", u"drvspace.bin", Route::WithAttributes},
    {&RestoreReqForm::Check24, u"trelvo\\dblspace.bin", u"C:\\dblspace.bin", u"dblspace.bin", Route::WithAttributes},
};

// The Start menu and the Microsoft data, in the order they are restored: the box, the
// archive's position, the sentence of the missing-archive question, the folder whose drive
// the archive unpacks onto, the step's name (a message and a text after it) and the message
// that names the item as the user knows it.
struct DataItem {
    vb::CheckBox RestoreReqForm::*box;
    int position;
    int sentence;
    QString core::ProgramState::*folder;
    int stepMessage;
    const char16_t* stepText;
    int name;
};
const DataItem kDataItems[] = {
    {&RestoreReqForm::Check20, 3, 1202, &core::ProgramState::PathStartmenue, 1117, u" Start Menu", 1088},
    {&RestoreReqForm::Check18, 6, 1203, &core::ProgramState::AddressBookFile, 1114, u"", 2190},
    {&RestoreReqForm::Check11, 5, 1204, &core::ProgramState::PathFavorites, 1117, u" Bookmarks", 2191},
    {&RestoreReqForm::Check19, 4, 1205, &core::ProgramState::IECookiesFolder, 1117, u" Cookies", 2192},
    {&RestoreReqForm::Check21, 7, 1206, &core::ProgramState::OutlookExpressFolder, 1117, u" Mailbox", 2193},
};

// Why a chosen item was not restored: what the user reads; the error, the file it concerns
// and the step of the run it came up in (the error log names the step); whether it goes to
// the log at all (not what the user chose to pass over, nor what a box has told already).
struct Failure {
    Failure(QString why, int number, QString file, std::optional<QString> step = std::nullopt, bool logged = true)
        : why(std::move(why)), number(number), file(std::move(file)), step(std::move(step)), logged(logged)
    {
    }
    QString why;
    int number;
    QString file;
    std::optional<QString> step;   // unset: the step of the item it is recorded for
    bool logged;
};

// What became of one chosen item; `what` names it as the user knows it (a file's path).
struct Outcome {
    QString what;
    std::optional<Failure> failure;   // none: restored
};

// The reason for a failed file operation on `file`.
Failure FileFailure(int number, const QString& file)
{
    const QString reason = backup::FileErrorText(number);
    return {reason.isEmpty() ? vb::ErrorText(number) : reason, number, file};
}

class RestoreRun {
public:
    void run();
    // The windows made inert for the run become usable again.
    void releaseWindows();

private:
    // Runs one statement; the error number when it fails.
    static std::optional<int> attempt(const std::function<void()>& statement)
    {
        try {
            statement();
            return std::nullopt;
        } catch (const vb::Error& e) {
            return e.Number();
        }
    }
    // The error trap: a failing statement costs one line in the error log, tagged with the
    // step under way (" Restore" alone before the first), and the run goes on. True when the
    // statement ran.
    bool trap(const std::function<void()>& statement)
    {
        const std::optional<int> error = attempt(statement);
        if (error)
            logError(*error);
        return !error;
    }
    void logError(int number) const { core::ErrorLog(number, CurrentStep + QStringLiteral(" Restore")); }

    void restored(const QString& what) { outcomes_.append({what, std::nullopt}); }
    void notRestored(const QString& what, Failure failure)
    {
        if (!failure.step)
            failure.step = CurrentStep;
        outcomes_.append({what, std::move(failure)});
    }
    Failure missingArchive(int position) const;
    void logFailures();
    QString finalMessage() const;

    bool anySystemItemChosen() const;
    bool anyUserFileSelected() const;
    bool groupChosen(int position) const;
    void buildArchiveTable();
    QString archivePath(int position) const { return StripEnds(quotedName[position]); }
    bool askIfMissing(int position, int sentence);
    std::optional<Failure> unzip(const QString& commandLine, int position, bool eachFileOnItsOwn);
    std::optional<Failure> unzipOutcome(const QString& commandLine, int position, bool eachFileOnItsOwn);
    const QList<platform::zip::ZipEntry>* entriesOf(int position);
    Failure unreadable(int position) const { return {res(2122) + archivePath(position), 57, archivePath(position), CurrentStep}; }
    std::optional<Failure> unpack(const QString& options, int position, const SortedEntries& sorted, const QString& root,
                                  bool eachFileOnItsOwn);
    void nameRefused(int position, const SortedEntries& sorted);
    std::optional<Failure> unpackSystemFiles(const QString& root);
    std::optional<Failure> unpackUserFiles(const QString& root);
    bool unpackedWithLeftOut(const SortedEntries& sorted, const QString& root);
    std::optional<Failure> unzipInPlace(const QString& options, int position, const QList<Spot>& place,
                                        const std::function<bool(int)>& spotWanted, const QString& root);
    void removeStaged(const QString& path);
    std::optional<int> copyOver(const QString& staged, const QString& live, bool* moved = nullptr);

    void enterBusyState();
    void prepareWorkFolder();
    void floppyPhase();
    void systemFiles();
    void listForBootTimeRename();
    std::optional<int> replaceWhole(const QString& staged, const QString& live, Route route);
    void userFiles();
    void makeFoldersOf(const QString& path);
    void startMenuAndUserData();
    void netscape();
    void stopEarly();
    void finish();

    core::ProgramState& s = core::state();
    RestoreReqForm& req = RestoreReq();
    QString CurrentStep;
    bool RestartNeeded = false;
    QString keptSaveFolder;               // SaveFolder while the floppy phase points it at DiskRestoreFolder
    QList<QPointer<vb::Form>> inert;      // windows disabled while the run is busy
    QPointer<QWidget> inertPages;         // and the main window's pages
    QStringList waitingForBoot;           // copies in the work folder an earlier run listed for the restart
    QStringList earlierCopies;            // of those, chosen ones this configuration's archive does not hold
    std::array<QString, 9> plainName;     // positions 1..8
    std::array<QString, 9> quotedName;
    // The entries of each archive, read from its directory once per run (none: unreadable).
    std::array<std::optional<std::optional<QList<platform::zip::ZipEntry>>>, 9> directories_;
    std::array<bool, 9> refusalsNamed_{};  // an archive's entries outside its place are named once
    QList<Outcome> outcomes_;             // one per chosen item, in the order they were restored
};

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
    for (int i = 0; i < req.List1.ListCount(); ++i) {
        if (pace.due())
            vb::DoEvents();
        if (!req.List1.Selected(i) || req.List1.List(i).isEmpty())
            continue;
        const QString staged = core::ReadIni(QStringLiteral("UserFilesSaved"), req.List1.List(i), s.UserIniPath);
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

void RestoreRun::removeStaged(const QString& path)
{
    if (!Present(path))
        return;
    trap([&] {
        // Only a read-only, hidden or system copy needs plain attributes first; a plain one
        // would have them recorded only to have the record dropped again by the deletion.
        if (vb::GetAttr(path) & (vb::vbReadOnly | vb::vbHidden | vb::vbSystem))
            vb::SetAttr(path, vb::vbNormal);
        vb::Kill(path);
    });
}

// Copies the staged copy over the live file. A read-only live file is made writable first,
// since restoring it is what the user chose; the copy gives it the attributes it was saved
// with. The error number when the copy fails; the live file is then as it was. With
// `moved`, a staged copy that is to go afterwards anyway may be moved into place instead of
// copied; *moved tells whether it was (and so is gone).
std::optional<int> RestoreRun::copyOver(const QString& staged, const QString& live, bool* moved)
{
    std::optional<int> before;
    if (const std::optional<platform::fs::Entry> e = platform::fs::tryStat(live); e && !e->isDir())
        before = int(e->attrs);
    if (before && (*before & vb::vbReadOnly)) {
        if (const std::optional<int> error = attempt([&] { vb::SetAttr(live, *before & ~vb::vbReadOnly); }))
            return error;
    }
    const std::optional<int> error = attempt([&] {
        if (!moved)
            return vb::FileCopy(staged, live);
        try {
            *moved = platform::fs::moveOrCopyFile(staged, live);
        } catch (const platform::SysError& e) {
            throw vb::Error(e.code());
        }
    });
    if (error && before)
        vb::ResumeNext([&] { vb::SetAttr(live, *before); });
    return error;
}

// One error-log line per failure, tagged with the step it came up in (an archive that
// several items came from once); an archive the user chose to pass over costs none.
void RestoreRun::logFailures()
{
    QList<QPair<int, QString>> logged;
    for (const Outcome& o : outcomes_) {
        if (!o.failure || !o.failure->logged || logged.contains(qMakePair(o.failure->number, o.failure->file)))
            continue;
        logged.append(qMakePair(o.failure->number, o.failure->file));
        core::ErrorLog(o.failure->number, o.failure->step.value_or(QString()) + QStringLiteral(" Restore"));
    }
}

// "Files successfully restored" only when every chosen item came back; otherwise what was
// not restored, each with its reason, under the warning or, when nothing came back, under
// "Nothing restored".
QString RestoreRun::finalMessage() const
{
    QStringList missed;
    bool any = false;
    for (const Outcome& o : outcomes_) {
        if (o.failure)
            missed << o.what + QStringLiteral(": ") + o.failure->why;
        else
            any = true;
    }
    if (missed.isEmpty())
        return res(any ? 1151 : 1245);
    return res(any ? 2120 : 1245) + CR + CR + missed.join(CR);
}

void RestoreRun::enterBusyState()
{
    SetStatus(res(1018) + res(1019));
    ExitButton().setEnabled(false);
    // No other operation can start from any window while the restore runs. Of the main
    // window only the tab strip and its pages go: its status line and progress bars stay
    // readable, and Help, which starts nothing, stays at hand.
    for (vb::Form* form : vb::Forms::loaded()) {
        if (form->Name() == u"Form1") {
            QWidget* pages = core::Ctl<vb::TabStrip>(QStringLiteral("Form1"), QStringLiteral("SSTab2")).widget();
            if (pages->isEnabled()) {
                pages->setEnabled(false);
                inertPages = pages;
            }
        } else if (form->Enabled() && form->Visible()) {
            form->setEnabled(false);
            inert << form;
        }
    }
    trap(core::MakeProgramFolderCurrent);
    vb::Screen::setMousePointer(kHourglass);
}

void RestoreRun::prepareWorkFolder()
{
    const QString work = s.TempPath + QStringLiteral("trelvo");
    trap([&] {
        if (!FolderExists(s.TempPath))
            vb::MkDir(s.TempPath);
    });
    waitingForBoot = FolderExists(work) ? WaitingForBoot() : QStringList();
    trap([&] {
        if (!FolderExists(work)) {
            vb::MkDir(work);
            return;
        }
        // Leftovers of an earlier run must not pass for this configuration's files; the
        // copies the boot-time rename list still names are not leftovers.
        if (!waitingForBoot.isEmpty())
            return RemoveFilesBut(work + u'\\', waitingForBoot);
        ClearAttributesIn(work + u'\\');
        vb::Kill(work + QStringLiteral("\\*.*"));
    });
    trap(core::MakeProgramFolderCurrent);
}

void RestoreRun::floppyPhase()
{
    keptSaveFolder = s.SaveFolder;
    s.SaveFolder = s.DiskRestoreFolder;
    const QString n = QString::number(s.SelectedConfig + 1);
    for (int k = 1; k <= 8; ++k)
        quotedName[k] = quoted(s.SaveFolder + QStringLiteral("Conf") + n + kSuffix[k]);

    const QString prompt = res(1195) + vb::Str(qint64(s.DiskNo) + 1) + res(1196);
    for (;;) {
        if (vb::MsgBox(prompt, vb::vbOKCancel | vb::vbInformation, res(1011)) == vb::vbCancel) {
            CancelRestore();
            throw StopEarly{};
        }
        if (backup::CheckDiskInserted(keptSaveFolder.left(3)))
            break;
    }

    vb::DoEvents();
    core::AnimateForm& progress = core::Animate();
    progress.Show(vb::vbModeless);
    vb::DoEvents();
    progress.ProgressBar1.setMax(8);
    progress.ProgressBar1.setMin(0);
    progress.ProgressBar1.setValue(1);
    static const int kLabel[9] = {0, 1232, 1233, 1236, 1234, 1234, 1234, 1234, 1235};
    for (int k = 1; k <= 8; ++k) {
        const bool chosen = groupChosen(k);
        progress.ProgressBar1.setValue(k);
        progress.Label1.setCaption(res(kLabel[k]));
        // A group the save did not put onto the disks is left to the missing-archive question.
        if (!chosen || s.SplitArchive[k].isEmpty())
            continue;
        const QString target = s.DiskRestoreFolder + backup::GetFileName(plainName[k]);
        trap([&] { backup::ConcatSplitFile(plainName[k], target, s.SplitPieces[k]); });
        if (!Present(target)) {
            CancelRestore();
            throw StopEarly{};
        }
    }
    trap([] { vb::Forms::unload(QStringLiteral("Animate")); });
}

void RestoreRun::systemFiles()
{
    const bool chosen = anySystemItemChosen();
    std::optional<Failure> archiveFailure;
    if (chosen) {
        SetStatus(res(1122));
        if (!askIfMissing(1, 1200)) {
            archiveFailure = missingArchive(1);
        } else {
            // The archive holds the staging folder's path less its drive: it unpacks on the
            // drive of the temporary folder, into the emptied work folder, every system file
            // it holds. The copies an earlier run left there for the restart step aside
            // meanwhile, and come back unless this run replaces them.
            const QString work = s.TempPath + QStringLiteral("trelvo\\");
            QStringList aside;
            for (const QString& name : waitingForBoot) {
                try {
                    platform::fs::moveOver(work + name, core::WaitingCopyAside(work + name));
                    aside << name;
                } catch (const platform::SysError& e) {
                    logError(e.code());
                }
            }
            archiveFailure = unpackSystemFiles(s.TempPath.left(3));
            for (const QString& name : aside) {
                const auto chosenNow = [&] {
                    for (const BootTimeFile& f : kBootTimeFiles)
                        if (QString::fromUtf16(f.name).toCaseFolded() == name)
                            return (req.*f.box).Value() != 0;
                    return false;
                };
                const QString kept = core::WaitingCopyAside(work + name);
                try {
                    if (!archiveFailure && chosenNow() && Present(work + name)) {
                        removeStaged(kept);
                    } else {
                        if (!archiveFailure && chosenNow())
                            earlierCopies << name;   // not this configuration's
                        platform::fs::moveOver(kept, work + name);
                    }
                } catch (const platform::SysError& e) {
                    logError(e.code());
                }
            }
            vb::DoEvents();
        }
    }

    // Never past the end of the bar.
    vb::ProgressBar& bar = core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar2"));
    for (int value = bar.Value(); value < qMin(50, bar.Max());) {
        QThread::usleep(300);
        bar.setValue(++value);
    }
    SetStatus(res(1022));
    if (!chosen)
        return;

    if (archiveFailure) {
        // Nothing of an archive that could not be unpacked whole is put in place.
        for (const BootDriveFile& f : kBootDriveFiles)
            if ((req.*f.box).Value() != 0)
                notRestored(QString::fromUtf16(f.live), *archiveFailure);
        for (const BootTimeFile& f : kBootTimeFiles)
            if ((req.*f.box).Value() != 0)
                notRestored(BootWindowsFolder() + u'\\' + QString::fromUtf16(f.name), *archiveFailure);
        return;
    }
    listForBootTimeRename();
    for (const BootDriveFile& f : kBootDriveFiles) {
        if ((req.*f.box).Value() == 0)
            continue;
        CurrentStep = QString::fromUtf16(f.step);
        SetStatus(res(1117) + u' ' + CurrentStep);
        const QString staged = s.TempPath + QString::fromUtf16(f.staged);
        const QString live = QString::fromUtf16(f.live);
        if (!Present(staged)) {
            notRestored(live, Failure{res(2123), 53, live});
            continue;
        }
        const std::optional<int> error =
            replaceWhole(staged, live, f.route);
        removeStaged(staged);
        if (error) {
            notRestored(live, FileFailure(*error, live));
            continue;
        }
        restored(live);
        RestartNeeded = true;
    }
}

// The rename lines go in once the system files are unpacked, for the copies that are
// there, and before any live file changes: a failure here stops the restore untouched.
void RestoreRun::listForBootTimeRename()
{
    QStringList listed;
    try {
        listed = WriteWininitRename();
    } catch (const vb::Error& e) {
        logError(e.Number());
        vb::MsgBox(QStringLiteral("'Wininit.ini' ") + vb::ErrorText(e.Number()) + CR + CR + res(1237),
                   vb::vbOKOnly | vb::vbCritical, res(1005));
        throw StopEarly{};
    }
    // With no copy to list the file still gets its section; nothing waits for that, so a
    // failure to write it is logged and the restore goes on.
    if (listed.isEmpty())
        trap(AddRenameSection);
    // A listed file comes into place when Windows starts next.
    for (const BootTimeFile& f : kBootTimeFiles) {
        if ((req.*f.box).Value() == 0)
            continue;
        const QString name = QString::fromUtf16(f.name);
        const QString live = BootWindowsFolder() + u'\\' + name;
        if (!listed.contains(name) || earlierCopies.contains(name.toCaseFolded())) {
            notRestored(live, Failure{res(2123), 53, live});
            continue;
        }
        restored(live);
        RestartNeeded = true;
    }
}

// The staged copy takes the live file's place whole (FileCopy builds it beside the live
// file and puts it in place only once it is complete), so nothing is deleted first: a copy
// that fails or is cut short leaves the live file as it was. A file of the boot drive that
// keeps its attributes gets read-only, hidden and system again.
std::optional<int> RestoreRun::replaceWhole(const QString& staged, const QString& live, Route route)
{
    const std::optional<int> error = copyOver(staged, live);
    if (!error && route == Route::WithAttributes)
        trap([&] { vb::SetAttr(live, vb::vbReadOnly | vb::vbHidden | vb::vbSystem); });
    return error;
}

void RestoreRun::userFiles()
{
    s.UserIniPath = s.TempPath + QStringLiteral("trelvo\\User\\User.ini");
    if (!anyUserFileSelected())
        return;
    vb::ListBox& list = req.List1;
    if (!askIfMissing(2, 1201)) {
        for (int i = 0; i < list.ListCount(); ++i)
            if (list.Selected(i) && !list.List(i).isEmpty())
                notRestored(list.List(i), missingArchive(2));
        return;
    }
    CurrentStep = res(1117) + QStringLiteral(" UserFiles");
    SetStatus(CurrentStep);
    // The second bar, full from the system files, starts again for this phase: the unpacking
    // takes it half the way, the copies back the other half.
    vb::ProgressBar& bar = core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar2"));
    const auto showBar = [&bar](double fraction) {
        const double at = bar.Min() + (bar.Max() - bar.Min()) * fraction;
        vb::ResumeNext([&] {
            bar.setValue(int(at));
            bar.setPartWay(at - int(at));
        });
    };
    showBar(0);
    const std::optional<Failure> archiveFailure = unpackUserFiles(s.TempPath.left(3));
    showBar(0.5);
    vb::DoEvents();

    // User.ini comes from the archive: only a staged copy below its own folder is taken.
    const QString userFolder = s.TempPath + QStringLiteral("trelvo\\User\\");
    const auto belowUserFolder = [&](const QString& staged) {
        return staged.startsWith(userFolder, Qt::CaseInsensitive) && platform::winpath::isNameablePath(staged.mid(userFolder.size()));
    };
    // The list comes from the description's list file: an entry whose names are not all names
    // (a NUL, "..") is taken no more than a typed one would be.
    const auto nameable = [](const QString& entry) { return platform::winpath::isNameablePath(entry); };
    // The status line counts the files of the phase, and the bar goes on to full with them;
    // both are shown, and the windows painted, as often as while the program waits, not once
    // per file.
    vb::ProgressPace pace;
    bool anyEntry = false;
    const QString phase = CurrentStep;
    int done = 0;
    int count = 0;
    for (int i = 0; i < list.ListCount(); ++i)
        count += list.List(i).isEmpty() ? 0 : 1;
    const auto showDone = [&] {
        SetStatus(phase + QStringLiteral(": ") + QString::number(done) + res(2260) + QString::number(count));
        showBar(0.5 + 0.5 * done / qMax(1, count));
    };
    // Entries that differ in letter case alone name one file, and User.ini one staged copy
    // for all of them: a copy a chosen entry still needs stays until that entry has had it,
    // and the entries after the first that put it in place are back with it.
    QHash<QString, int> wanted;   // by staged copy (case-folded): the chosen entries still to come
    QSet<QString> placed;
    // User.ini is asked once per entry: nothing writes it while the copies go into place.
    QHash<int, QString> stagedOf;
    const auto stagedFor = [&](int i) {
        auto it = stagedOf.constFind(i);
        if (it == stagedOf.constEnd())
            it = stagedOf.insert(i, core::ReadIni(QStringLiteral("UserFilesSaved"), list.List(i), s.UserIniPath));
        return *it;
    };
    for (int i = 0; i < list.ListCount(); ++i) {
        if (pace.due())
            vb::DoEvents();
        if (list.Selected(i) && nameable(list.List(i)))
            ++wanted[stagedFor(i).toCaseFolded()];
    }
    // Between two paintings the files go into place against one look at the drives (the drive
    // table, the volumes and their records), as within one file operation; what happens while
    // the windows are painted or a question is asked is seen by the next file.
    std::optional<platform::Machine::OneReading> reading;
    for (int i = 0; i < list.ListCount(); ++i) {
        const QString entry = list.List(i);
        if (entry.isEmpty())
            continue;
        if (!reading)
            reading.emplace(platform::Machine::current());
        const bool show = pace.due();
        if (show)
            showDone();
        ++done;
        QString staged = stagedFor(i);
        if (!staged.isEmpty() && !belowUserFolder(staged)) {
            logError(75);
            staged.clear();
        }
        // A refused entry is named in the last box and the log (a chosen one), never looked for.
        if (!nameable(entry)) {
            if (list.Selected(i)) {
                CurrentStep = QStringLiteral(" User file");
                const QString shown = platform::winpath::printable(entry);
                notRestored(shown, FileFailure(platform::ErrBadFileName, shown));
            }
            if (!staged.isEmpty() && wanted.value(staged.toCaseFolded()) <= 0)
                removeStaged(staged);
            continue;
        }
        // An entry that User.ini does not name is told at once, chosen or not; a chosen one
        // is not restored, and the last box names it again.
        if (staged.isEmpty() && !archiveFailure) {
            vb::MsgBox(res(1243) + CR + res(1244) + entry, vb::vbOKOnly);
            if (list.Selected(i))
                notRestored(entry, Failure{res(1243), 53, entry, std::nullopt, false});
            continue;
        }
        bool moved = false;
        if (list.Selected(i)) {
            CurrentStep = QStringLiteral(" User file");
            if (archiveFailure) {
                notRestored(entry, *archiveFailure);
            } else if (placed.contains(staged.toCaseFolded())) {
                restored(entry);
            } else if (!Present(staged)) {
                notRestored(entry, Failure{res(2123), 53, entry});
            } else {
                makeFoldersOf(entry);
                // The staged copy goes afterwards in any case: it is moved into place where it can be.
                if (const std::optional<int> error = copyOver(staged, entry, &moved)) {
                    notRestored(entry, FileFailure(*error, entry));
                } else {
                    restored(entry);
                    placed.insert(staged.toCaseFolded());
                }
            }
            --wanted[staged.toCaseFolded()];
        }
        // Every staged copy goes, whether its file came back or not.
        if (!staged.isEmpty() && !moved && wanted.value(staged.toCaseFolded()) <= 0)
            removeStaged(staged);
        anyEntry = true;
        if (show) {
            reading.reset();
            vb::DoEvents();
        }
    }
    reading.reset();
    if (anyEntry) {
        showDone();
        vb::DoEvents();
    }

    // An archive that could not be unpacked whole leaves what it did unpack, whichever names
    // User.ini (if it came out at all) gives: the staging tree goes with it.
    if (archiveFailure)
        platform::fs::removeTree(userFolder.chopped(1));

    // The emptied staging tree goes, deepest folders first; the work folder stays.
    vb::ListBox& folders = FolderList();
    folders.Clear();
    const QString userIni = s.TempPath + QStringLiteral("trelvo\\User\\user.ini");
    if (Present(userIni))
        trap([&] { vb::Kill(userIni); });
    ListSubfolders(s.TempPath + QStringLiteral("trelvo"));
    for (int i = folders.ListCount() - 1; i >= 0; --i)
        trap([&] { vb::RmDir(folders.List(i)); });
}

// Creates the missing folders along `path`, from the top level down (the drive root of
// its first three characters is never tested).
void RestoreRun::makeFoldersOf(const QString& path)
{
    // Mostly the file's own folder is there already, and with it every folder above it.
    const qsizetype last = path.lastIndexOf(u'\\');
    if (last >= 3 && FolderExists(path.left(last + 1)))
        return;
    for (int p = 4; p <= path.size(); ++p) {
        if (path[p - 1] != u'\\')
            continue;
        const QString folder = path.left(p);
        if (!FolderExists(folder))
            trap([&] { vb::MkDir(folder); });
    }
}

void RestoreRun::startMenuAndUserData()
{
    for (const DataItem& item : kDataItems) {
        if ((req.*item.box).Value() == 0)
            continue;
        CurrentStep = res(item.stepMessage) + QString::fromUtf16(item.stepText);
        SetStatus(CurrentStep);
        const QString what = res(item.name);
        if (!askIfMissing(item.position, item.sentence)) {
            notRestored(what, missingArchive(item.position));
            continue;
        }
        // The address book is one file; the others are folders with everything in them.
        const QString folder = s.*item.folder;
        if (const std::optional<Failure> failure =
                unzipInPlace(QStringLiteral("-o"), item.position, {{folder, item.folder != &core::ProgramState::AddressBookFile}},
                             [](int) { return true; }, folder.left(3)))
            notRestored(what, *failure);
        else
            restored(what);
    }
    netscape();
}

// The three Netscape items share one archive; each takes its own entries out of it. They go
// to the Netscape folder recorded in the description, or, where it records "NONE" (the
// bookmarks were not saved), to this machine's own; never anywhere else. A description
// without a Netscape folder at all restores none of them, and asks nothing.
void RestoreRun::netscape()
{
    QString folder = s.PathNetscape;
    if (folder == u"NONE")
        folder = LiveNetscapeFolder();
    while (folder.endsWith(u'\\'))
        folder.chop(1);
    if (!UsableInCommandLine(folder))
        folder.clear();
    struct Item {
        vb::CheckBox& box;
        QString name;
        int sentence;
        QString what;
    };
    // The archive's place: the bookmarks and the cookies file of the folder, and its Mail folder.
    const Item items[] = {
        {req.Check10, QStringLiteral("\\Bookmark.htm"), 1207, res(2194)},
        {req.Check22, QStringLiteral("\\Cookies.txt"), 1208, res(2195)},
        {req.Check23, QStringLiteral("\\Mail"), 1209, res(2196)},
    };
    const QList<Spot> place{{folder + items[0].name}, {folder + items[1].name}, {folder + items[2].name + u'\\', true}};
    for (int k = 0; k < 3; ++k) {
        const Item& item = items[k];
        if (item.box.Value() == 0)
            continue;
        if (s.PathNetscape.isEmpty()) {
            notRestored(item.what, Failure{vb::ErrorText(76), 76, {}, std::nullopt, false});
            continue;
        }
        const QString file = (folder.isEmpty() ? s.PathNetscape : folder) + item.name;
        CurrentStep = quoted(file);
        if (folder.isEmpty()) {
            notRestored(item.what, Failure{vb::ErrorText(76), 76, file});
            continue;
        }
        if (!askIfMissing(8, item.sentence)) {
            notRestored(item.what, missingArchive(8));
            continue;
        }
        SetStatus(res(1235));
        StatusBar().Refresh();
        if (const std::optional<Failure> failure = unzipInPlace(QStringLiteral("-qo"), 8, place, [k](int spot) { return spot == k; }, folder.left(3)))
            notRestored(item.what, *failure);
        else
            restored(item.what);
        vb::DoEvents();
    }
}

void RestoreRun::releaseWindows()
{
    for (const QPointer<vb::Form>& form : std::exchange(inert, {}))
        if (form)
            form->setEnabled(true);
    if (const QPointer<QWidget> pages = std::exchange(inertPages, nullptr))
        pages->setEnabled(true);
}

void RestoreRun::stopEarly()
{
    vb::Screen::setMousePointer(0);
    vb::ResumeNext([] { SetStatus(res(2262)); });
    ExitButton().setEnabled(true);
    releaseWindows();
    if (!keptSaveFolder.isEmpty()) {
        s.SaveFolder = keptSaveFolder;
        keptSaveFolder.clear();
    }
    ForgetLoadedRestore();
    logFailures();
    // Files of the boot drive copied back, or rename lines written: the rest of the system
    // files comes into place when Windows starts next.
    if (RestartNeeded)
        vb::MsgBox(res(2128) + CR + res(2129), vb::vbOKOnly | vb::vbExclamation);
}

void RestoreRun::finish()
{
    vb::ResumeNext([] { vb::Screen::setMousePointer(0); });
    vb::ResumeNext([] { core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar2")).setValue(0); });
    vb::ResumeNext([] { SetStatus(res(1023)); });
    vb::ResumeNext([] { ExitButton().setEnabled(true); });
    releaseWindows();
    s.RestorePending = true;
    if (!s.DiskRestoreFolder.isEmpty())
        vb::ResumeNext([&] { vb::Kill(s.DiskRestoreFolder + QStringLiteral("*.*")); });
    if (!keptSaveFolder.isEmpty()) {
        s.SaveFolder = keptSaveFolder;
        keptSaveFolder.clear();
    }
    if (!s.ImportActive) {
        // The settings keep the user's own save folder and this machine's Windows folder, not
        // the ones the configuration recorded; the Restore button puts its folder back later.
        const QString recorded = s.SaveFolder;
        if (!s.PrevSaveFolder.isEmpty())
            s.SaveFolder = s.PrevSaveFolder;
        s.SystemPath = BootWindowsFolder();
        vb::ResumeNext(core::SaveSettings);
        s.SaveFolder = recorded;
    }
    ForgetLoadedRestore();

    if (RestartNeeded) {
        // The work folder stays: the rename lines point into it.
        vb::ResumeNext([] { Reboot().Show(vb::vbModeless); });
        vb::ResumeNext(RebootWindows);
    } else {
        const QString work = s.TempPath + QStringLiteral("trelvo\\");
        for (const QString& folder : {work + QStringLiteral("User\\"), work}) {
            // What an earlier run left for the restart still waits for it.
            if (folder == work && !waitingForBoot.isEmpty()) {
                RemoveFilesBut(folder, WaitingForBoot());
                vb::ResumeNext([&] { vb::RmDir(folder.left(folder.size() - 1)); });
                continue;
            }
            ClearAttributesIn(folder);
            vb::ResumeNext([&] { vb::Kill(folder + QStringLiteral("*.*")); });
            vb::ResumeNext([&] { vb::RmDir(folder.left(folder.size() - 1)); });
        }
    }
    vb::ResumeNext([&] { req.Hide(); });
    vb::ResumeNext(vb::DoEvents);

    logFailures();
    s.SomethingRestored = std::any_of(outcomes_.begin(), outcomes_.end(), [](const Outcome& o) { return !o.failure; });
    const bool allRestored = std::none_of(outcomes_.begin(), outcomes_.end(), [](const Outcome& o) { return o.failure.has_value(); });
    // The restart notice has been up; it steps aside while the final message is shown, so
    // that neither covers the other, and comes back for the close.
    const auto noticeShown = [] { return vb::Forms::isLoaded(QStringLiteral("Reboot")) && Reboot().Visible(); };
    const bool notice = noticeShown();
    if (notice)
        vb::ResumeNext([] { Reboot().Hide(); });
    vb::ResumeNext([&] {
        if (allRestored)
            vb::MsgBox(finalMessage(), vb::vbOKOnly);
        else
            vb::MsgBox(finalMessage(), vb::vbOKOnly | vb::vbExclamation, res(1005));
    });
    if (notice && vb::Forms::isLoaded(QStringLiteral("Reboot")) && platform::restartPending())
        vb::ResumeNext([] { Reboot().Show(vb::vbModeless); });
}

void RestoreRun::run()
{
    // One operation at a time: a save under way keeps its archives and folders to itself.
    if (s.SaveRunning)
        return;
    if (!s.SaveFolder.endsWith(u'\\'))
        s.SaveFolder += u'\\';
    if (!UsableInCommandLine(s.SaveFolder)) {
        vb::MsgBox(res(2119) + CR + s.SaveFolder, vb::vbOKOnly | vb::vbCritical, res(1005));
        ForgetLoadedRestore();
        return;
    }
    if (anySystemItemChosen()) {
        const QString question = QStringLiteral("Your system will be restarted after the Restore Process.") + CR +
                                 res(1015) + CR + QStringLiteral("Please save and close all open files before continuing.") +
                                 CR + CR + QStringLiteral("Continue Restore Operation?");
        if (vb::MsgBox(question, vb::vbYesNo | vb::vbCritical | vb::vbDefaultButton2, res(1005)) == vb::vbNo) {
            ForgetLoadedRestore();
            return;
        }
        req.Hide();
        if (!WininitPresent()) {
            ForgetLoadedRestore();
            return;
        }
        // Its restart carries out whatever the list holds: nothing of another restore unasked.
        AskAboutWaitingRestores();
    }
    RestartNeeded = false;
    enterBusyState();
    prepareWorkFolder();
    s.SomethingRestored = false;
    buildArchiveTable();
    // A configuration on floppies comes from the disks the user puts in, disk 1 asked for
    // first, also when none of its archives had to be split: whole archives lie on any disk.
    const auto onFloppies = [](const QString& archive) { return !archive.isEmpty(); };
    if (s.DiskRestoreFolder.isEmpty() && std::any_of(s.SplitArchive.begin(), s.SplitArchive.end(), onFloppies))
        s.DiskRestoreFolder = core::ProgramFolder() + QStringLiteral("\\DiskRestore\\");
    try {
        if (!s.DiskRestoreFolder.isEmpty())
            floppyPhase();
        systemFiles();
        CurrentStep = res(1524);
        userFiles();
        startMenuAndUserData();
    } catch (const StopEarly&) {
        stopEarly();
        return;
    }
    finish();
}

} // namespace

void Restore()
{
    RestoreRun run;
    try {
        run.run();
    } catch (const vb::Error& e) {
        // Whatever escaped the steps' own trap: logged, and the windows usable again.
        core::ErrorLog(e.Number(), QStringLiteral(" Restore"));
        vb::ResumeNext([] { vb::Screen::setMousePointer(0); });
        vb::ResumeNext([] { ExitButton().setEnabled(true); });
        run.releaseWindows();
        ForgetLoadedRestore();
    }
}

void CancelRestore()
{
    core::ProgramState& s = core::state();
    vb::ResumeNext([] { vb::MsgBox(res(1237), vb::vbOKOnly); });
    s.SomethingRestored = false;
    vb::ResumeNext([] { vb::Forms::unload(QStringLiteral("Animate")); });
    vb::ResumeNext(vb::DoEvents);
    vb::ResumeNext([] { ExitButton().setEnabled(true); });
    vb::ResumeNext([] { core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command4")).setEnabled(false); });
    vb::ResumeNext(vb::CloseAll);
    vb::ResumeNext([&] { vb::Kill(s.DiskRestoreFolder + QStringLiteral("*.*")); });
    vb::ResumeNext(vb::DoEvents);
}

void ListSubfolders(QString path)
{
    vb::Screen::setMousePointer(kHourglass);
    if (!path.endsWith(u'\\'))
        path += u'\\';
    // The recursion disturbs the one directory listing: afterwards the listing of `path` is
    // started again and read up to the name it had reached.
    QString name = vb::Dir(path, vb::vbDirectory);
    while (!name.isEmpty()) {
        if (name != u"." && name != u".." && (vb::GetAttr(path + name) & vb::vbDirectory)) {
            FolderList().AddItem(path + name);
            ListSubfolders(path + name);
            QString again = vb::Dir(path, vb::vbDirectory);
            while (!again.isEmpty() && again != name)
                again = vb::Dir();
            if (again.isEmpty())
                break;
        }
        name = vb::Dir();
    }
    vb::Screen::setMousePointer(0);
}

QString StripEnds(const QString& text) { return text.mid(1, text.size() - 2); }

void RebootWindows()
{
    vb::DoEvents();
    core::Win(QStringLiteral("Form1")).setEnabled(false);
    Reboot().Refresh();
    if (platform::ExitWindowsEx(platform::EWX_SHUTDOWN | platform::EWX_REBOOT, 0) == 0) {
        RestartDidNotHappen();
        return;
    }
    Reboot().CloseWhenIdle();
}

void CloseForRestart()
{
    // The close runs the event loop once; the notice must not start it a second time.
    static bool closing = false;
    if (closing)
        return;
    const QScopedValueRollback<bool> once(closing, true);
    if (vb::Forms::isLoaded(QStringLiteral("Reboot")))
        Reboot().StopWaiting();
    core::QuitProgram();
    RestartDidNotHappen();
}

void ForgetLoadedRestore()
{
    core::ProgramState& s = core::state();
    s.ImportActive = false;
    s.DiskRestoreFolder.clear();
    s.SplitArchive.fill(QString());
    s.SplitPieces.fill(0);
    s.DiskNo = 0;
}

} // namespace restore
