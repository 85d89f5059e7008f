// Archives of a configuration changed behind the program's back (entries added with the real
// zip), restored as the user chooses, straight from the save folder, from floppies and through
// the Import window: what lies outside an archive's own items stays as it was, nothing the
// user did not choose is unpacked, and the final box and the error log name each entry refused.
#include "RestoreTesting.h"
#include "catalogue/Import.h"
#include "support/HostileArchive.h"

using namespace restoretest;

namespace {

const QString kWinIni = QStringLiteral("C:\\WINDOWS\\WIN.INI");
const QString kAutoexec = QStringLiteral("C:\\AUTOEXEC.BAT");
const QString kStartMenu = QStringLiteral("C:\\WINDOWS\\Start Menu\\");
const QString kAddressBook = QStringLiteral("C:\\WINDOWS\\Application Data\\Microsoft\\Address Book\\Owner.wab");
const QString kDiskRestore = kProgram + QStringLiteral("DiskRestore\\");

QByteArray planted(const QString& entry) { return "planted as " + entry.toLatin1(); }
QByteArray found(const QString& path) { return fs::isDirectory(path) ? "a folder" : fs::exists(path) ? fs::readAll(path) : "absent"; }

QStringList numbered(const QString& pattern, int count)
{
    QStringList out;
    for (int i = 1; i <= count; ++i)
        out << pattern.arg(i, 2, 10, QLatin1Char('0'));
    return out;
}

// One hostile archive: what the save put in, the entries added to one of its archives, what
// the user chooses, and what the restore must leave, bring back and name.
struct Row {
    const char* name;
    Saved saved;              // the save; an import row saves everything with the program's own save
    QString archive;          // suffix of the archive the entries go into
    QStringList entries;      // as stored; each holds planted(entry)
    QStringList boxes;        // ticked in the restore-choice window
    QStringList userFiles;    // selected in its list (listed beside the saved ones)
    QStringList untouched;    // stay as they were, or stay absent
    QStringList restored;     // changed before the restore, back as saved after it
    QList<QPair<QString, QString>> arrived;   // entries in the place, and where they arrive
    QStringList named;        // the entries the final box names, in order
    enum { Direct, Floppies, Import } route = Direct;
    QStringList recorded = {};   // the imported description's Start menu folder, and the archive holds the entries alone
    QString last = {};           // a line after the named ones
};

const QString kImport = QStringLiteral("C:\\Import\\");

const Row kRows[] = {
    {"UserFilesArchiveWithWinIniAndAutoexec", {.userFiles = {kLetter, kBudget}}, "us.tva", {"WINDOWS/WIN.INI", "AUTOEXEC.BAT"},
     {}, {kLetter, kBudget}, {kWinIni, kAutoexec}, {kLetter, kBudget}, {}, {"WINDOWS\\WIN.INI (Conf1us.tva)", "AUTOEXEC.BAT (Conf1us.tva)"}},
    {"SystemArchiveWithTheLetterAndAutoexecAloneChosen", {.systemBoxes = {"Check1", "Check9"}}, ".tva",
     {"My Documents/Letter to Anna.txt"}, {"Check1"}, {}, {kLetter, kWork + "win.ini"}, {kAutoexec}, {},
     {"My Documents\\Letter to Anna.txt (Conf1.tva)"}},
    {"StartMenuArchiveWithAFolderOfASimilarName", {.startMenu = true}, "s.tva",
     {"WINDOWS/WIN.INI", "WINDOWS/Start Menu Old/Evil.url", "WINDOWS/Start Menu/Programs/New.url"}, {"Check20"}, {},
     {kWinIni, "C:\\WINDOWS\\Start Menu Old\\Evil.url"}, {kStartMenu + "Windows Update.url"},
     {{"WINDOWS/Start Menu/Programs/New.url", kStartMenu + "Programs\\New.url"}},
     {"WINDOWS\\WIN.INI (Conf1s.tva)", "WINDOWS\\Start Menu Old\\Evil.url (Conf1s.tva)"}},
    {"StartMenuEntryWhoseNameWouldBreakTheCommandLine", {.startMenu = true}, "s.tva", {"WINDOWS/Start Menu Old/Quote\" \"Evil.url"},
     {"Check20"}, {}, {"C:\\WINDOWS\\Start Menu Old"}, {kStartMenu + "Windows Update.url"}, {},
     {"WINDOWS\\Start Menu Old\\Quote\" \"Evil.url (Conf1s.tva)"}},
    {"FavoritesArchiveWithShortNames", {.favorites = true}, "mb.tva", {"WINDOWS/FAVORI~1/Short.url", "WINDOWS/STARTM~1/Evil.url"},
     {"Check11"}, {}, {kStartMenu + "Evil.url"}, {"C:\\WINDOWS\\Favorites\\Weather.url"},
     {{"WINDOWS/FAVORI~1/Short.url", "C:\\WINDOWS\\Favorites\\Short.url"}}, {"WINDOWS\\STARTM~1\\Evil.url (Conf1mb.tva)"}},
    {"NetscapeArchiveWithCookiesElsewhere", {.netscapeCookies = true, .netscapeMail = true}, "na.tva",
     {"WINDOWS/Cookies.txt", "Program Files/Netscape/Users/owner/Mail/Planted"}, {"Check22"}, {},
     {"C:\\WINDOWS\\Cookies.txt", kNetscape + "\\Mail\\Inbox", kNetscape + "\\Mail\\Planted"}, {kNetscape + "\\Cookies.txt"}, {},
     {"WINDOWS\\Cookies.txt (Conf1na.tva)"}},
    {"AddressBookArchiveWithWinIni", {.addressBook = true}, "ma.tva", {"WINDOWS/WIN.INI"}, {"Check18"}, {}, {kWinIni},
     {kAddressBook}, {}, {"WINDOWS\\WIN.INI (Conf1ma.tva)"}},
    {"UserFileListedInAnotherSpellingBesideWinIni", {.userFiles = {kLetter, kBudget}}, "us.tva", {"WINDOWS/WIN.INI"}, {},
     {kLetter.toLower()}, {kWinIni, kBudget}, {kLetter}, {}, {"WINDOWS\\WIN.INI (Conf1us.tva)"}},
    {"UserFilesArchiveJoinedFromFloppies", {.userFiles = {kLetter, kBudget}}, "us.tva", {"WINDOWS/WIN.INI"}, {}, {kBudget},
     {kWinIni, kLetter}, {kBudget}, {}, {"WINDOWS\\WIN.INI (Conf1us.tva)"}, Row::Floppies},
    {"ManyEntriesOutsideAreCounted", {.startMenu = true}, "s.tva", numbered("Outside/%1.txt", 25), {"Check20"}, {},
     {"C:\\Outside\\01.txt", "C:\\Outside\\25.txt"}, {kStartMenu + "Windows Update.url"}, {},
     numbered("Outside\\%1.txt (Conf1s.tva)", 20) << "5 further entries (Conf1s.tva)"},
    {"ImportedUserFilesArchiveWithWinIniAndAutoexec", {}, "us.tva", {"WINDOWS/WIN.INI", "AUTOEXEC.BAT"}, {}, {kLetter},
     {kWinIni, kAutoexec, kBudget}, {kLetter}, {}, {"WINDOWS\\WIN.INI (Conf1us.tva)", "AUTOEXEC.BAT (Conf1us.tva)"}, Row::Import},
    {"ImportedDescriptionNamingTheDriveRootAsTheStartMenu", {}, "s.tva", {"AUTOEXEC.BAT"}, {"Check20"}, {}, {kAutoexec}, {}, {},
     {"AUTOEXEC.BAT (Conf1s.tva)"}, Row::Import, {"C:\\"}, "Start Menu: not in the archive"},
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class HostileArchiveTest : public RestoreTest, public ::testing::WithParamInterface<Row> {
protected:
    // The archive moved onto two floppies in two pieces, as a save spreads what does not fit,
    // and the description of a save onto floppies loaded.
    void spreadOverTwoFloppies(const QString& suffix, int position)
    {
        const QByteArray bytes = read(kProgram + QStringLiteral("Conf1") + suffix);
        fs::removeFile(kProgram + QStringLiteral("Conf1") + suffix);
        for (int n = 1; n <= 2; ++n) {
            tm.machine().createDisk(QStringLiteral("save%1").arg(n), platform::DiskFormat::byName(QStringLiteral("1.44M")), true);
            tm.machine().insertDisk(QStringLiteral("save%1").arg(n));
            fs::writeAll(QStringLiteral("A:\\Conf1") + suffix.chopped(1) + QString::number(n), n == 1 ? bytes.left(100) : bytes.mid(100));
            ui->expect(QStringLiteral("Please insert Disk No. %1 now!").arg(n), QStringLiteral("OK"),
                       [n] { platform::Machine::current().insertDisk(QStringLiteral("save%1").arg(n)); });
        }
        tm.machine().ejectDisk();
        core::ProgramState& s = state();
        s.SplitArchive[position] = QStringLiteral("A:\\Conf1") + suffix;
        s.SplitPieces[position] = 2;
        s.SaveFolder = QStringLiteral("A:\\");
        s.DiskRestoreFolder = kDiskRestore;
    }
    // The Import... button on the folder, its first row restored with the row's choice.
    void importAndRestore(const Row& row)
    {
        ui->expectFolder(QStringLiteral("Select the source"), kImport.chopped(1));
        ui->onForm(QStringLiteral("Import"), [](vb::Form& w) {
            w.control<vb::ListBox>("List1").setListIndex(0);
            w.control<vb::CommandButton>("Command1").setValue(true);
        });
        ui->expect(QStringLiteral("Are you sure you wish to restore the"), QStringLiteral("Yes"));
        ui->onForm(QStringLiteral("RestoreReq"), [&](vb::Form&) {
            choose(row.boxes);
            for (int i = 0; i < req().List1.ListCount(); ++i)
                req().List1.setSelected(i, row.userFiles.contains(req().List1.List(i)));
            req().Command1.setValue(true);
        });
        catalogue::Form1_Command27_Click();
        EXPECT_FALSE(state().ImportActive);
    }
};

TEST_P(HostileArchiveTest, NothingOutsideItsPlaceIsUnpackedAndEachEntryIsNamed)
{
    const Row& row = GetParam();
    const bool imported = row.route == Row::Import;
    if (imported)
        saveEverythingWithTheSave(kImport);
    else
        save(row.saved);
    const QString archive = (imported ? kImport : kProgram) + QStringLiteral("Conf1") + row.archive;
    if (!row.recorded.isEmpty()) {
        fs::removeFile(archive);
        core::WriteIni(QStringLiteral("UserFiles"), QStringLiteral("PathStartmenue"), row.recorded[0], kImport + QStringLiteral("Config1.ini"));
    }
    QList<QPair<QString, QByteArray>> entries;
    for (const QString& entry : row.entries)
        entries.append({entry, planted(entry)});
    testsupport::addEntries(tm.hostC(archive.mid(3).replace(u'\\', u'/')), entries);

    QMap<QString, QByteArray> before, saved;
    for (const QString& file : row.untouched)
        before[file] = found(file);
    for (const QString& file : row.restored) {
        saved[file] = read(file);
        write(file, "changed since the save");
    }
    if (row.route == Row::Floppies)
        spreadOverTwoFloppies(row.archive, 2);
    if (!row.saved.systemBoxes.isEmpty())
        ui->expect(kQuestion, QStringLiteral("Yes"));
    const QString header = row.last.isEmpty() ? kNotAll : kNothing;
    ui->expect(header, QStringLiteral("OK"));
    if (imported) {
        importAndRestore(row);
    } else {
        choose(row.boxes);
        QStringList list = row.saved.userFiles;
        for (const QString& file : row.userFiles)
            if (!list.contains(file))
                list << file;
        listUserFiles(list, row.userFiles);
        runRestore();
    }

    const QString reason = QStringLiteral(": not where this archive may write");
    EXPECT_EQ(boxes().last(), header + QStringLiteral("\r\r") + row.named.join(reason + u'\r') + reason +
                                  (row.last.isEmpty() ? QString() : u'\r' + row.last));
    for (const QString& file : row.untouched)
        EXPECT_EQ(found(file), before[file]) << file.toStdString();
    for (const QString& file : row.restored)
        EXPECT_EQ(read(file), saved[file]) << file.toStdString();
    for (const auto& [entry, arrival] : row.arrived)
        EXPECT_EQ(read(arrival), planted(entry)) << entry.toStdString();
    const QStringList log = errorLog().filter(QStringLiteral("Path/File access error"));
    ASSERT_EQ(log.size(), row.named.size()) << errorLog().join(u'\n').toStdString();
    for (int i = 0; i < log.size(); ++i)
        EXPECT_TRUE(log[i].endsWith(row.named[i] + QStringLiteral(" Restore"))) << log[i].toStdString();
    EXPECT_TRUE(fs::find(kDiskRestore + QStringLiteral("*.*"), 0).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileArchiveTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
