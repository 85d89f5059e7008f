// The main window during a save and a restore of thousands of user files: the event loop
// keeps running (a timer never stands still for long, a click on a page tab takes effect at
// once), the bars move with the files done, and the status line says the phase under way,
// ending on the outcome before the box that tells it.
#include "UiTesting.h"
#include "restore/RestoreReq.h"
#include "support/EventLoopProbe.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRegularExpression>

using core::state;
using uitest::click;
using uitest::clickTab;

namespace {

const QString kSaved = QStringLiteral("Configuration saved successfull!");
const QString kSure = QStringLiteral("Are you sure you wish to restore the following Configuration? ");
const QString kRestored = QStringLiteral("Files successfully restored");
// Enough for the staging of the save (the shortest phase) to take a few pacing steps of 50 ms.
constexpr int kFiles = 6000;

class LongWorkFixture : public uitest::ProgramTest {
protected:
    static void SetUpTestSuite() { testsupport::temporaryFilesInMemory(); }

    // `count` user files below C:\Data, in folders of a hundred, listed in trelvo.usr; every
    // other one compresses well.
    void makeUserFiles(int count)
    {
        QByteArray list = " " + QByteArray::number(count) + "\n";
        for (int i = 0; i < count; ++i) {
            const QString rel = QStringLiteral("Data/Folder %1/File %2.txt").arg(i / 100).arg(i);
            QDir().mkpath(QFileInfo(tm.hostC(rel)).path());
            QFile f(tm.hostC(rel));
            f.open(QIODevice::WriteOnly);
            QByteArray bytes(2048 + (i * 37) % 4096, char('a' + i % 26));
            if (i % 2)
                for (qsizetype k = 0; k < bytes.size(); ++k)
                    bytes[k] = char((k * 7919 + i * 104729) >> 3);
            f.write(bytes);
            list += "C:\\" + rel.toLatin1().replace('/', '\\') + "\n";
        }
        writeProgramFile("trelvo.usr", list);
    }

    // The program started with Win.ini and the user files selected, slot 1 chosen and
    // described; Save is the next click.
    ui::Form1Form& startReadyToSave()
    {
        writeSettings({QStringLiteral("Win.ini")});
        makeUserFiles(kFiles);
        ui::Form1Form& main = start();
        click(main.Option1);
        uitest::type(main.Text1, QStringLiteral("Many"));
        return main;
    }

    // The Restore page: slot 1, every user file, OK (`atOk` runs first); the status line as the
    // last box came up.
    void restoreUserFiles(ui::Form1Form& main, QString* statusAtTheEnd, const std::function<void()>& atOk)
    {
        clickTab(main.SSTab2, 1);
        auto* rows = static_cast<QListWidget*>(main.List2.widget());
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rows->visualItemRect(rows->item(0)).center());
        ui->expect(kSure + QStringLiteral("Many"), QStringLiteral("Yes"));
        ui->onForm(QStringLiteral("RestoreReq"), [&](vb::Form&) {
            click(restore::RestoreReq().Command3);
            atOk();
            click(restore::RestoreReq().Command1);
        });
        ui->expect(kRestored, QStringLiteral("OK"), [&] { *statusAtTheEnd = main.StatusBar1.Text(); });
        click(main.Command4);
    }
};

class LongWorkTest : public LongWorkFixture {};

} // namespace

TEST_F(LongWorkTest, ASaveOfThousandsOfUserFilesKeepsTheWindowAnswering)
{
    ui::Form1Form& main = startReadyToSave();
    ui->expect(kSaved, QStringLiteral("OK"));

    bool tabSwitchedDuringSave = false;
    QStringList statuses;
    testsupport::EventLoopProbe probe([&] {
        if (main.Command2.Enabled())
            return;   // the save is not running (yet)
        // The user turns to the Info page while the save runs: the page changes, and the
        // question about the unsaved settings waits for the save, which saves them anyway.
        if (main.SSTab2.Tab() != 5)
            clickTab(main.SSTab2, 5);
        else if (main.frmInfo.Visible())
            tabSwitchedDuringSave = true;
        if (!statuses.contains(main.StatusBar1.Text()))
            statuses << main.StatusBar1.Text();
    }, [&] { return main.StatusBar1.Text(); });
    state().SettingsSaved = false;
    probe.start();
    click(main.Command1);
    probe.stop();

    ASSERT_TRUE(state().SaveDone);
    EXPECT_GT(probe.elapsed(), 250) << "too few files to take any time";
    EXPECT_LT(probe.largestGap(), 250) << "the event loop stood still for " << probe.largestGap() << " ms, from "
                                       << probe.largestGapAt() << " ms into the save of " << probe.elapsed() << " ms, status \""
                                       << probe.largestGapDuring().toStdString() << '"';
    EXPECT_TRUE(tabSwitchedDuringSave);
    // The page's own text did not replace the save's.
    EXPECT_FALSE(statuses.contains(QStringLiteral("Info"))) << statuses.join(u'|').toStdString();
    EXPECT_TRUE(statuses.contains(QStringLiteral("Saving user-defined Files. Please wait..."))) << statuses.join(u'|').toStdString();
}

namespace {

// What the bars show during the user-file phase of a save (the staging) and of a restore
// (the copy-back): where the phase's bar starts and ends, and how the phase's status reads.
struct PhaseRow {
    const char* name;
    bool restore;
    const char* bar;
    double from;   // where the bar stands when the phase begins
    double to;     // and when its files are all done
    const char* status;   // a pattern every status of the phase matches
    const char* outcome;  // the status line under the box at the end
    const char* readying = nullptr;   // the status while the files are unpacked first: the bar
                                      // starts again from empty then
};

const PhaseRow kPhases[] = {
    {"SaveStaging", false, "ProgressBar1", 2.0, 2.5, "^Saving user-defined Files\\. Please wait\\.\\.\\.$", "Saving finished"},
    {"RestoreCopyBack", true, "ProgressBar2", 5.0, 10.0, "^Updating UserFiles: \\d+ of 6000$", "Restore finished",
     "Updating UserFiles"},
};

class LongWorkPhaseTest : public LongWorkFixture, public ::testing::WithParamInterface<PhaseRow> {};

} // namespace

TEST_P(LongWorkPhaseTest, TheBarMovesWithTheFilesDoneAndTheStatusSaysThePhase)
{
    const PhaseRow& row = GetParam();
    ui::Form1Form& main = startReadyToSave();
    QString outcome;
    if (row.restore) {
        ui->expect(kSaved, QStringLiteral("OK"));
        click(main.Command1);
        ASSERT_TRUE(state().SaveDone);
    } else {
        ui->expect(kSaved, QStringLiteral("OK"), [&] { outcome = main.StatusBar1.Text(); });
    }

    vb::ProgressBar& bar = main.control<vb::ProgressBar>(QString::fromLatin1(row.bar));
    const QRegularExpression phaseStatus(QString::fromLatin1(row.status));
    QList<double> positions;   // of the bar, while the phase runs
    QStringList phaseStatuses;
    bool statusLineGreyed = false;
    QList<double> readying;   // positions of the bar while the files are unpacked
    const testsupport::PaintWatch watch(bar.widget(), [&] {
        const QString status = main.StatusBar1.Text();
        if (row.readying && status == QString::fromLatin1(row.readying))
            readying << bar.Value() + bar.PartWay();
        const bool inPhase = row.restore ? status.startsWith(QStringLiteral("Updating UserFiles: "))
                                         : status.startsWith(QStringLiteral("Saving user-defined")) && bar.Value() == 2;
        // The phase ends where its bar reaches its end (what follows may paint the bar anew
        // before it sets the status line).
        if (!inPhase || (!positions.isEmpty() && positions.last() == row.to))
            return;
        statusLineGreyed = statusLineGreyed || !main.StatusBar1.widget()->isEnabled();
        if (!phaseStatuses.contains(status))
            phaseStatuses << status;
        const double at = bar.Value() + bar.PartWay();
        if (positions.isEmpty() || positions.last() != at)
            positions << at;
    });
    testsupport::EventLoopProbe probe({}, [&] { return main.StatusBar1.Text(); });
    if (row.restore) {
        restoreUserFiles(main, &outcome, [&] { probe.start(); });
    } else {
        probe.start();
        click(main.Command1);
    }
    probe.stop();

    EXPECT_LT(probe.largestGap(), 250) << "the event loop stood still for " << probe.largestGap() << " ms, from "
                                       << probe.largestGapAt() << " ms of " << probe.elapsed() << " ms, status \""
                                       << probe.largestGapDuring().toStdString() << '"';
    ASSERT_GE(positions.size(), 3) << "the phase was not seen often enough";
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << "the bar went back";
    EXPECT_GE(positions.first(), row.from);
    EXPECT_DOUBLE_EQ(positions.last(), row.to) << "the phase's end was not shown";
    const auto strictlyInside = std::count_if(positions.begin(), positions.end(), [&](double at) { return at > row.from && at < row.to; });
    EXPECT_GE(strictlyInside, 2) << "the bar did not move between the phase's ends";
    for (const QString& status : phaseStatuses)
        EXPECT_TRUE(phaseStatus.match(status).hasMatch()) << status.toStdString();
    EXPECT_FALSE(statusLineGreyed);
    if (row.readying) {
        ASSERT_FALSE(readying.isEmpty());
        EXPECT_EQ(readying.first(), 0.0);
        EXPECT_LE(*std::max_element(readying.begin(), readying.end()), row.from) << "the bar stood full while unpacking";
    }
    EXPECT_EQ(outcome, QString::fromLatin1(row.outcome));
    EXPECT_EQ(main.StatusBar1.Text(), QString::fromLatin1(row.outcome));
}

INSTANTIATE_TEST_SUITE_P(Phases, LongWorkPhaseTest, ::testing::ValuesIn(kPhases),
                         [](const ::testing::TestParamInfo<PhaseRow>& info) { return std::string(info.param.name); });
