#include "restore/RestoreSteps.h"
#include "core/Registry.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QHash>
#include <QSet>

namespace restore::steps {

namespace {

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

} // namespace

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
    // User.ini is read once, and asked once per entry: nothing writes it while the copies go
    // into place.
    const platform::profile::Reader userIniValues(s.UserIniPath);
    QHash<int, QString> stagedOf;
    const auto stagedFor = [&](int i) {
        auto it = stagedOf.constFind(i);
        if (it == stagedOf.constEnd())
            it = stagedOf.insert(i, userIniValues.getString(QStringLiteral("UserFilesSaved"), list.List(i), QString(), core::kIniValueSize));
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

} // namespace restore::steps
