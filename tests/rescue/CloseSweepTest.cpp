// Every window that runs long work, closed from its title bar at one of its waits (a child
// program, a box, a floppy prompt, the countdown): the click is either ignored while the
// work runs or acts as the window's Cancel, the program does not crash, and the work ends as
// it would have without the click.
#include "backup/FloppyTesting.h"
#include "backup/AutoKeepSchedule.h"
#include "backup/FrmAutoKeep.h"
#include "restore/RestoreReq.h"
#include "rescue/RescueDisks.h"
#include "rescue/SelWiz.h"
#include "support/ClosingHand.h"
#include "support/UpdateServer.h"
#include "ui/AddUser.h"
#include "ui/Form1.h"
#include "ui/UserFiles.h"
#include "vb/Forms.h"
#include "webupdate/MachinePrograms.h"
#include "webupdate/Messages.h"
#include "webupdate/ProgramState.h"
#include "webupdate/Registration.h"
#include "webupdate/frmSkyfetch.h"
#include "RescueTesting.h"

#include <QDir>
#include <optional>

using namespace rescuetest;
using testsupport::ClosingHand;
using testsupport::ProcessEnded;

namespace {

enum class At { Shown, Wait, Box };

class CloseSweepTest;
struct Row;
void PrintTo(const Row& row, std::ostream* os);

struct Row {
    const char* name;
    const char* window;
    At at;
    const char* box;   // the box at which the click comes (At::Box)
    bool stays;        // the window is there after the click (the work still uses it)
    void (*work)(CloseSweepTest&);   // runs the work and checks how it ended
    bool (*ready)() = nullptr;       // the click waits for this too
};

class CloseSweepTest : public RescueTest, public ::testing::WithParamInterface<Row> {
public:
    using RescueTest::blankDisk;
    using RescueTest::filesOn;
    using RescueTest::insert;
    using RescueTest::onDisk;
    using RescueTest::ui;
    using RescueTest::wizard;
    using testsupport::MachineTest::tm;

    // `textPart` answered with `answer`; at the row's box the close box is clicked first.
    void expectBox(const QString& textPart, const QString& answer, std::function<void()> act = {})
    {
        const Row& row = GetParam();
        const bool here = row.at == At::Box && textPart == QString::fromLatin1(row.box);
        ui->expect(textPart, answer, [this, act, here, window = QString::fromLatin1(row.window)] {
            if (act)
                act();
            if (here)
                testsupport::closeNow(window, boxClick);
        });
    }
    bool ends(const std::function<void()>& work)
    {
        try {
            work();
        } catch (const ProcessEnded&) {
            return true;
        }
        return false;
    }
    static vb::CommandButton& button(const char* form, const char* name) { return core::ButtonOf(form, name); }
    QByteArray programFile(const QString& name) const { return tm.readC(QStringLiteral("Program Files/Trelvo/") + name); }

    // Slot 1 saved into the program folder from the Save page: the favorites alone.
    void saveFavorites()
    {
        core::CheckBoxOf("UserFiles", "Check12").setValue(1);
        core::Ctl<vb::OptionButton>("Form1", "Option1").setValue(true);
        core::TextBoxOf("Form1", "Text1").setText(QStringLiteral("Sweep"));
        expectBox(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
        button("Form1", "Command1").setValue(true);
        ASSERT_TRUE(core::state().SaveDone);
    }
    // The restore-choice window's favorites restored, from the Restore page or the import.
    void restoreFavorites(const std::function<void()>& start)
    {
        tm.writeC(QStringLiteral("WINDOWS/Favorites/Weather.url"), "changed");
        ui->onForm(QStringLiteral("RestoreReq"), [](vb::Form& choice) {
            choice.control<vb::CheckBox>("Check11").setValue(1);
            choice.control<vb::CommandButton>("Command1").setValue(true);
        });
        expectBox(QStringLiteral("Files successfully restored"), QStringLiteral("OK"));
        start();
        EXPECT_NE(tm.readC(QStringLiteral("WINDOWS/Favorites/Weather.url")), QByteArray("changed"));
    }
    void restoreFromRestorePage()
    {
        saveFavorites();
        core::ListBoxOf("Form1", "List2").setListIndex(0);
        expectBox(QStringLiteral("restore the following Configuration"), QStringLiteral("Yes"));
        restoreFavorites([] { CloseSweepTest::button("Form1", "Command4").setValue(true); });
    }
    // The wizard's update of a data disk holding an older archive.
    void updateDataDisk()
    {
        backuptest::makeDisk(QStringLiteral("old"), {{QStringLiteral("Configd.tva"), "older archive"}}, QStringLiteral("1.44M"),
                             QStringLiteral("DATA#1"));
        rescue::Form1_Command18_Click();
        wizard().Option2.setValue(true);
        wizard().Command2.setValue(true);
        expectBox(QStringLiteral("Your Rescue Disk was successfully updated!"), QStringLiteral("OK"));
        wizard().Command2.setValue(true);
        EXPECT_NE(onDisk(QStringLiteral("old"), QStringLiteral("Configd.tva")), QByteArray("older archive"));
    }
    // The automatic save's countdown, as start-up shows it, with a schedule for slot 1.
    backup::FrmAutoKeepForm& countdown()
    {
        tm.writeC(QStringLiteral("Program Files/Trelvo/AutoKp.ini"),
                  " 1 \r\n1/12/2026\r\n 0 \r\n1\r\n#1 :  1/Dec/2026\r\n#2 : Not Saved\r\n#3 : Not Saved\r\n#4 : Not Saved\r\n");
        backup::LoadAutoKeepSettings();
        tm.writeC(QStringLiteral("Program Files/Trelvo/Keep.go"), "");
        core::CheckBoxOf("Form1", "Check2").setValue(1);   // Win.ini
        return backup::FrmAutoKeep();
    }
    // The search for *.txt below C:\Docs, answered `answer`.
    void search(const QString& answer)
    {
        for (int i = 0; i < 200; ++i)
            tm.writeC(QStringLiteral("Docs/d%1/f%2.txt").arg(i % 20).arg(i), "x");
        button("Form1", "Command11").setValue(true);
        core::ButtonOf("UserFiles", "Command5").setValue(true);
        ui::AddUserForm& dialog = ui::AddUser();
        dialog.Combo1.setText(QStringLiteral("txt"));
        dialog.Combo2.setText(QStringLiteral("C:\\Docs"));
        dialog.Check1.setValue(1);
        expectBox(QStringLiteral("Would you like to add them to the userfile list?"), answer);
        dialog.Command1.setValue(true);
        EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("frmDrvScan")));
    }
    int userFiles() { return ui::UserFiles().List1.ListCount(); }

    testsupport::CloseClick boxClick;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const Row kRows[] = {
    // The rescue archive window waits for zip; it unloads itself once the archive is made.
    {"SelWizAtTheZipRun", "SelWiz", At::Wait, "", true,
     [](CloseSweepTest& t) {
         rescue::SelWiz().Show(vb::vbModal);
         EXPECT_TRUE(rescue::RescueArchiveReady());
         EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("SelWiz")));
     }},
    {"WizzardAtTheDiskChange", "Wizzard", At::Box, "Please remove Disk No. 1", true,
     [](CloseSweepTest& t) {
         t.blankDisk(QStringLiteral("second"));
         rescue::Form1_Command18_Click();
         t.wizard().Command2.setValue(true);
         t.expectBox(QStringLiteral("First, the Floppy Disk must be formated"), QStringLiteral("OK"));
         t.ui->expectFormat(QStringLiteral("Quick"));
         t.expectBox(QStringLiteral("Please remove Disk No. 1"), QStringLiteral("OK"), [&t] { t.insert(QStringLiteral("second")); });
         t.expectBox(QStringLiteral("label it Trelvo RESCUE DISK NO. 2"), QStringLiteral("OK"));
         t.expectBox(QStringLiteral("Your Rescue Disks were successfully created!"), QStringLiteral("OK"));
         t.wizard().Command2.setValue(true);
         EXPECT_TRUE(t.wizard().Visible());
         EXPECT_EQ(t.wizard().Label1.Caption(), QStringLiteral("The creation of the Rescue Disks is finished!"));
     }},
    {"WizzardAtTheUpdatesZipRun", "Wizzard", At::Wait, "", true, [](CloseSweepTest& t) { t.updateDataDisk(); }},
    {"AnimateWhileTheFloppyIsWritten", "Animate", At::Shown, "", true,
     [](CloseSweepTest& t) {
         t.blankDisk(QStringLiteral("d1"));
         core::state().SaveFolder = QStringLiteral("A:\\");
         t.expectBox(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("OK"), [&t] { t.insert(QStringLiteral("d1")); });
         t.saveFavorites();
         EXPECT_TRUE(t.filesOn(QStringLiteral("d1")).contains(QStringLiteral("Conf1mb.tva")));
     }},
    {"Form1AtTheSavesZipRun", "Form1", At::Wait, "", true,
     [](CloseSweepTest& t) {
         t.saveFavorites();
         EXPECT_TRUE(t.programFile(QStringLiteral("Config1.ini")).contains("Sweep"));
     }},
    {"Form1AtTheRestoreQuestion", "Form1", At::Box, "restore the following Configuration", true,
     [](CloseSweepTest& t) { t.restoreFromRestorePage(); }},
    // The window is hidden while the restore it started runs; the click comes in the restore.
    {"RestoreReqAtTheUnzipRun", "RestoreReq", At::Wait, "", true, [](CloseSweepTest& t) { t.restoreFromRestorePage(); },
     [] { return vb::Forms::isLoaded(QStringLiteral("RestoreReq")) && vb::Forms::get(QStringLiteral("RestoreReq")).AtWork(); }},
    {"ImportAtItsQuestion", "Import", At::Box, "Are you sure you wish to restore", true,
     [](CloseSweepTest& t) {
         t.saveFavorites();
         t.ui->expectFolder(QStringLiteral("Select the source"), kProgramFolder);
         t.ui->onForm(QStringLiteral("Import"), [&t](vb::Form& import) {
             import.control<vb::ListBox>("List1").setListIndex(0);
             t.expectBox(QStringLiteral("Are you sure you wish to restore"), QStringLiteral("Yes"));
             t.restoreFavorites([&] { import.control<vb::CommandButton>("Command1").setValue(true); });
         });
         CloseSweepTest::button("Form1", "Command27").setValue(true);
         EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Import")));
     }},
    // Skip: the marker goes and the program ends, before the save or in the middle of it.
    {"FrmAutoKeepInTheCountdown", "FrmAutoKeep", At::Shown, "", false,
     [](CloseSweepTest& t) {
         backup::FrmAutoKeepForm& w = t.countdown();
         EXPECT_TRUE(t.ends([&] { w.RunCountdown(); }));
         EXPECT_FALSE(t.tm.existsC(QStringLiteral("Program Files/Trelvo/Keep.go")));
         EXPECT_FALSE(t.tm.existsC(QStringLiteral("Program Files/Trelvo/AutoKeep")));
     }},
    {"FrmAutoKeepAtTheSavesZipRun", "FrmAutoKeep", At::Wait, "", false,
     [](CloseSweepTest& t) {
         backup::FrmAutoKeepForm& w = t.countdown();
         w.Show();
         EXPECT_TRUE(t.ends([&] {
             for (int tick = 0; tick < 5; ++tick)
                 w.Timer1.Tick();
         }));
         EXPECT_FALSE(t.tm.existsC(QStringLiteral("Program Files/Trelvo/Keep.go")));
         EXPECT_TRUE(t.tm.readC(QStringLiteral("Program Files/Trelvo/AutoKp.ini")).contains("#1 : Not Saved"));
     }},
    // Stop: the search ends where it is and asks; at the question the click changes nothing.
    {"frmDrvScanWhileItSearches", "frmDrvScan", At::Shown, "", true,
     [](CloseSweepTest& t) {
         t.search(QStringLiteral("Yes"));
         EXPECT_LT(t.userFiles(), 200);
     },
     [] { return vb::Forms::isLoaded(QStringLiteral("frmDrvScan")) && ui::frmDrvScan().SearchRunning; }},
    {"frmDrvScanAtItsQuestion", "frmDrvScan", At::Box, "Would you like to add them to the userfile list?", true,
     [](CloseSweepTest& t) {
         const int before = t.userFiles();
         t.search(QStringLiteral("Yes"));
         EXPECT_EQ(t.userFiles(), before + 200);
     }},
    // The dialog is the wait itself: closed, it goes, and the save asks again.
    {"frmNotEmptyAtTheSavesFloppy", "frmNotEmpty", At::Box, "", false,
     [](CloseSweepTest& t) {
         backuptest::makeDisk(QStringLiteral("used"), {{QStringLiteral("LETTER.TXT"), "x"}});
         t.insert(QStringLiteral("used"));
         core::state().SaveFolder = QStringLiteral("A:\\");
         t.expectBox(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("OK"));
         t.ui->onForm(QStringLiteral("frmNotEmpty"), [&t](vb::Form&) { testsupport::closeNow(QStringLiteral("frmNotEmpty"), t.boxClick); });
         t.ui->onForm(QStringLiteral("frmNotEmpty"), [](vb::Form& dialog) {
             dialog.control<vb::CommandButton>("Command3").setValue(true);   // Continue?
         });
         t.saveFavorites();
         EXPECT_TRUE(t.filesOn(QStringLiteral("used")).contains(QStringLiteral("Conf1mb.tva")));
     }},
    // The update program ends where it stands, without a part of the list under its name.
    {"frmSkyfetchWhileTheListIsFetched", "frmSkyfetch", At::Shown, "", false,
     [](CloseSweepTest& t) {
         testsupport::UpdateServer server;
         server.serve(QStringLiteral("/skf/version2/englisch/skyfetch.txt"),
                      testsupport::UpdateServer::Reply{200, "2;1;a;setup.exe;b;10", -1, 0, 30000});
         webupdate::resetState();
         webupdate::registerWindows();
         webupdate::registerMachinePrograms();
         t.tm.machine().setSetting(QStringLiteral("Hosts"), QStringLiteral("update.orvane.example"), server.address());
         t.tm.machine().setSetting(QStringLiteral("Network"), QStringLiteral("DialUp"), QStringLiteral("1"));
         webupdate::frmSkyfetchForm& w = webupdate::frmSkyfetch();
         w.Show();
         EXPECT_TRUE(t.ends([&] { w.Command1.setValue(true); }));
         EXPECT_EQ(QDir(t.tm.hostC(QStringLiteral("Program Files/Trelvo/updates"))).entryList(QDir::Files), QStringList());
     },
     [] { return webupdate::frmSkyfetch().Label1.Caption().endsWith(webupdate::LoadResString(1050)); }},
};

} // namespace

TEST_P(CloseSweepTest, TheCloseBoxAtAWaitOfTheWorkIsIgnoredOrItsCancel)
{
    const Row& row = GetParam();
    std::optional<ClosingHand> hand;
    if (row.at != At::Box)
        hand.emplace(QString::fromLatin1(row.window), row.at == At::Shown ? ClosingHand::WhenShown : ClosingHand::WhileWaiting,
                     row.ready);
    row.work(*this);
    const testsupport::CloseClick& click = hand ? hand->click() : boxClick;
    EXPECT_TRUE(click.clicked) << "the close box was never clicked";
    EXPECT_EQ(click.stays, row.stays);
}

INSTANTIATE_TEST_SUITE_P(Windows, CloseSweepTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });
