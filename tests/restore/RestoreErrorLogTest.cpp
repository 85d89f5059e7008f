// What a restore writes into the error log, one row per fault: each line is tagged with the
// step of the run it came up in (" Restore" alone before the first step has a name), an
// archive the user chose to pass over costs no line, and a Netscape item whose configuration
// knows no Netscape folder is passed over without a question, yet not called restored.
#include "RestoreTesting.h"

#include <functional>
#include <ostream>

using namespace restoretest;

namespace {

struct Row {
    const char* name;
    Saved saved;
    std::function<void()> fault;   // done to the machine after the save
    QStringList boxes;             // chosen in the restore-choice window
    QStringList userFiles;         // listed and chosen
    QStringList questions;         // asked, in order, and answered Yes
    QString last;                  // the final box, whole
    QStringList tags;              // of the error log's lines, in order
};

const QString kNetscapeCookies = QStringLiteral("\"C:\\Program Files\\Netscape\\Users\\owner\\Cookies.txt\" Restore");

void damage(const QString& suffix) { fs::writeAll(kProgram + QStringLiteral("Conf1") + suffix, "this is no zip archive"); }

const Row kRows[] = {
    {"AnExistingEmptyWorkFolder", {.startMenu = true}, [] { vb::MkDir(kWork.chopped(1)); }, {"Check20"}, {}, {}, kRestored,
     {" Restore"}},
    {"ABootDriveFileTheArchiveDoesNotHold", {.systemBoxes = {"Check2"}}, {}, {"Check1"}, {}, {kQuestion},
     kNothing + "\r\rC:\\autoexec.bat: not in the archive", {"Autoexec.bat Restore"}},
    {"ADamagedSystemArchive", {.systemBoxes = {"Check1"}}, [] { damage(".tva"); }, {"Check1"}, {}, {kQuestion},
     kNothing + "\r\rC:\\autoexec.bat: archive damaged or unreadable: C:\\Program Files\\Trelvo\\Conf1.tva", {" Restore"}},
    {"ADamagedUserFileArchive", {.userFiles = {kLetter}}, [] { damage("us.tva"); }, {}, {kLetter}, {},
     kNothing + "\r\r" + kLetter + ": archive damaged or unreadable: C:\\Program Files\\Trelvo\\Conf1us.tva",
     {"Updating UserFiles Restore"}},
    {"ADamagedStartMenuArchive", {.startMenu = true}, [] { damage("s.tva"); }, {"Check20"}, {}, {},
     kNothing + "\r\rStart Menu: archive damaged or unreadable: C:\\Program Files\\Trelvo\\Conf1s.tva",
     {"Updating Start Menu Restore"}},
    {"ADamagedNetscapeArchive", {.netscapeCookies = true}, [] { damage("na.tva"); }, {"Check22"}, {}, {},
     kNothing + "\r\rNetscape Navigator Cookies: archive damaged or unreadable: C:\\Program Files\\Trelvo\\Conf1na.tva",
     {kNetscapeCookies}},
    {"MissingArchivesPassedOver", {}, {}, {"Check20", "Check19"}, {kLetter},
     {"Your User-defined Files can't be restored!", "Your Start Menu can't be restored!",
      "Your Microsoft Internet Explorer Cookies can't be restored!"},
     kNothing + "\r\r" + kLetter + ": archive not found: C:\\Program Files\\Trelvo\\Conf1us.tva" +
         "\rStart Menu: archive not found: C:\\Program Files\\Trelvo\\Conf1s.tva" +
         "\rMicrosoft Internet Explorer Cookies: archive not found: C:\\Program Files\\Trelvo\\Conf1mc.tva",
     {}},
    {"NoNetscapeFolderInTheConfiguration", {.netscapeCookies = true, .netscapeMail = true}, [] { state().PathNetscape.clear(); },
     {"Check22", "Check23"}, {}, {},
     kNothing + "\r\rNetscape Navigator Cookies: Path not found\rNetscape Messenger Mailbox: Path not found", {}},
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class RestoreErrorLogTest : public RestoreTest, public ::testing::WithParamInterface<Row> {};

} // namespace

TEST_P(RestoreErrorLogTest, EachLineNamesTheStep)
{
    const Row& row = GetParam();
    const QString netscape = kNetscape + QStringLiteral("\\Cookies.txt");
    save(row.saved);
    if (row.fault)
        row.fault();
    write(netscape, "changed cookies");
    choose(row.boxes);
    listUserFiles(row.userFiles, row.userFiles);
    for (const QString& question : row.questions)
        ui->expect(question, QStringLiteral("Yes"));
    ui->expect(row.last.left(row.last.indexOf(u'\r')), QStringLiteral("OK"));
    runRestore();

    QStringList expected = row.questions;
    expected << row.last;
    ASSERT_EQ(boxes().size(), expected.size()) << boxes().join(u'\n').toStdString();
    for (qsizetype i = 0; i < row.questions.size(); ++i)
        EXPECT_TRUE(boxes()[i].contains(row.questions[i])) << boxes()[i].toStdString();
    EXPECT_EQ(boxes().last(), row.last);
    EXPECT_EQ(logTags(), row.tags) << errorLog().join(u'\n').toStdString();
    // No row puts Netscape data back: none has a sound archive and a folder for it.
    EXPECT_EQ(read(netscape), QByteArray("changed cookies"));
}

INSTANTIATE_TEST_SUITE_P(Faults, RestoreErrorLogTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });
