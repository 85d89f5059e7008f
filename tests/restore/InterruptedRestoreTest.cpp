// A restore that wrote its boot-time rename lines and never asked for its restart (here: it
// stopped early) is settled at the next start: completed by the restart the user agrees to,
// or withdrawn (the lines and their copies go, the live files stay as they are), without a
// question in an automatic run. Lines of other programs stay; a record naming lines that are
// gone is dropped in silence.
#include "RestoreTesting.h"
#include "core/Startup.h"
#include "restore/InterruptedRestore.h"

using namespace restoretest;

namespace {

const QString kWininit = QStringLiteral("C:\\WINDOWS\\Wininit.ini");
const QString kSystemIni = QStringLiteral("C:\\WINDOWS\\SYSTEM.INI");
const QString kForeign = QStringLiteral("C:\\WINDOWS\\SYSTEM\\NEW.DLL=C:\\SETUP\\NEW.DLL");
const QString kInterrupted = QStringLiteral("The restore of this configuration was interrupted before the computer was restarted:");
const QString kFiles = QStringLiteral("These files were to be replaced when the computer starts next: C:\\WINDOWS\\system.ini C:\\WINDOWS\\Win.ini");

enum class Before { StoppedRestore, ListGone, RecordLost };

struct SettleCase {
    const char* name;
    Before before;
    bool automatic;
    const char* answer;     // to the question; none is expected when empty
    bool completed;         // the saved System.ini is in place after the next boot
};
void PrintTo(const SettleCase& c, std::ostream* os) { *os << c.name; }

const SettleCase kCases[] = {
    {"TheUserRestartsAndCompletesIt", Before::StoppedRestore, false, "Yes", true},
    {"TheUserWithdrawsIt", Before::StoppedRestore, false, "No", false},
    {"AnAutomaticRunLogsAndWithdrawsIt", Before::StoppedRestore, true, "", false},
    {"ARecordWhoseLinesAreGoneIsDropped", Before::ListGone, false, "", false},
    {"LinesOfTheWorkFolderThatNoRecordNamesAreAskedAbout", Before::RecordLost, false, "No", false},
};

class InterruptedRestoreTest : public RestoreTest, public ::testing::WithParamInterface<SettleCase> {};

TEST_P(InterruptedRestoreTest, TheNextStartCompletesOrWithdrawsIt)
{
    const SettleCase& c = GetParam();
    write(kSystemIni, "[boot]\r\nsaved=1\r\n");
    save({.systemBoxes = {QStringLiteral("Check7"), QStringLiteral("Check9")}});
    const QByteArray saved = read(kSystemIni);
    const QByteArray current = "[boot]\r\nedited=since the save\r\n";
    write(kSystemIni, current);
    write(kWininit, ("[rename]\r\n" + kForeign + "\r\n").toLatin1());

    // The restore lists System.ini and Win.ini, then stops at the favorites it cannot restore.
    choose({QStringLiteral("Check7"), QStringLiteral("Check9"), QStringLiteral("Check11")});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(QStringLiteral("Your Microsoft Internet Explorer Bookmarks can't be restored!"), QStringLiteral("No"));
    ui->expect(QStringLiteral("completed when the computer is restarted next"), QStringLiteral("OK"));
    runRestore();
    ASSERT_FALSE(platform::restartPending());
    const QList<platform::OwedLine> owed = platform::owedRenameLines();
    ASSERT_EQ(owed.size(), 2);
    EXPECT_EQ(owed[0].line, QStringLiteral("C:\\WINDOWS\\system.ini=C:\\WINDOWS\\TEMP\\trelvo\\system.ini"));
    EXPECT_EQ(owed[1].owner, QStringLiteral("Weekly"));
    if (c.before == Before::ListGone)
        write(kWininit, ("[rename]\r\n" + kForeign + "\r\n").toLatin1());
    if (c.before == Before::RecordLost)
        platform::recordOwedRenameLines({});

    // The next start, with the machine.ini and the files the restore left.
    const int shownBefore = int(ui->shown().size());
    if (*c.answer)
        ui->expect(kInterrupted + (c.before == Before::RecordLost ? QStringLiteral(" (a configuration of which no record is left) ")
                                                                  : QStringLiteral(" \"Weekly\" ")) + kFiles,
                   QString::fromLatin1(c.answer));
    core::RemoveLeftovers();
    vb::runEventHandler([&] { restore::SettleInterruptedRestore(c.automatic); });
    EXPECT_EQ(int(ui->shown().size()) - shownBefore, *c.answer ? 1 : 0);

    if (c.completed) {
        EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("Reboot")));
        closeAndBoot();
        EXPECT_EQ(read(kSystemIni), saved);
    } else {
        EXPECT_FALSE(platform::restartPending());
        // Only the other program's line is left to the next boot; the copies are gone.
        EXPECT_EQ(read(kWininit), ("[rename]\r\n" + kForeign + "\r\n").toLatin1());
        EXPECT_FALSE(fs::exists(kWork + QStringLiteral("system.ini")));
        EXPECT_FALSE(fs::exists(kWork + QStringLiteral("Win.ini")));
        platform::bootMachine();
        EXPECT_EQ(read(kSystemIni), current) << "a file the user has now was replaced";
    }
    EXPECT_TRUE(platform::owedRenameLines().isEmpty());
    const QStringList log = errorLog().filter(kInterrupted);
    EXPECT_EQ(log.size(), c.automatic ? 1 : 0);
    if (c.automatic) {
        EXPECT_TRUE(log.value(0).contains(QStringLiteral("\"Weekly\" These files were to be replaced when the computer starts next: "
                                                         "C:\\WINDOWS\\system.ini C:\\WINDOWS\\Win.ini "
                                                         "The replacements were withdrawn: the files stay as they are now. Restore")))
            << log.value(0).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, InterruptedRestoreTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SettleCase>& info) { return std::string(info.param.name); });

} // namespace
