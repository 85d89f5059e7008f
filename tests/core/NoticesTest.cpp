// What start-up has to tell before it knows whether anybody is there, such as a settings file
// that cannot be written (here a folder of that name). A start with
// a user shows each once, in order, after the decision; an automatic run logs them instead
// and never stops at a box, up to its very end.
#include "core/Notices.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Form.h"
#include "core/SystemPaths.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"

#include <QDir>
#include <QRegularExpression>

using core::state;
using testsupport::ProcessEnded;
using testsupport::ScriptedUi;

namespace {

const QString kLog = QStringLiteral("Program Files/Trelvo/Error.log");
const QString kCannotSave = QStringLiteral("Trelvo could not save its settings into this file:");
const QString kFolderGone = QStringLiteral("The destination of the last backup is not accessible.");

class NoticesTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        ui = &ScriptedUi::install();
        core::ReadSystemPaths();
        // A settings file that cannot be replaced: a folder of that name.
        QDir().mkpath(tm.hostC("Program Files/Trelvo/trelvo.ini"));
    }
    // The start-up's reading and rewriting of the settings, while the boxes are held.
    void startUp()
    {
        core::HoldNotices();
        core::LoadSettings();   // the file cannot be read either: it is repaired, and rewritten
    }
    QStringList logLines() const { return QString::fromLatin1(tm.readC(kLog)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts); }

    ScriptedUi* ui = nullptr;
};

} // namespace

TEST_F(NoticesTest, AStartWithAUserShowsWhatWasHeldOnceTheStartUpHasDecided)
{
    startUp();
    EXPECT_TRUE(ui->shown().isEmpty()) << "nothing is shown before the decision";
    core::Notice(QStringLiteral("a second notice"), 0);
    ui->expect(kCannotSave, QStringLiteral("OK"));
    ui->expect(QStringLiteral("a second notice"), QStringLiteral("OK"));
    core::ReleaseNotices();
    ASSERT_EQ(ui->shown().size(), 2);
    EXPECT_TRUE(ui->shown()[0].prompt.startsWith(kCannotSave));

    // Told once: the next failing write only logs.
    core::SaveSettings();
    EXPECT_EQ(ui->shown().size(), 2);
    EXPECT_EQ(logLines().filter(QStringLiteral("trelvo.ini SaveSettings")).size(), 2);
}

TEST_F(NoticesTest, AnAutomaticRunLogsWhatWasHeldAndEveryLaterNoticeWithoutABox)
{
    startUp();
    state().NobodyThere = true;   // the automatic save was found
    core::ReleaseNotices();
    core::SaveSettings();         // as its end does
    core::Notice(kFolderGone, 0);

    EXPECT_TRUE(ui->shown().isEmpty());
    const QStringList log = logLines();
    EXPECT_EQ(log.filter(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-\\d{4} ") + QRegularExpression::escape(kCannotSave) +
                                            QStringLiteral(" C:\\\\Program Files\\\\Trelvo\\\\trelvo.ini Path/File access error$")))
                  .size(),
              1)
        << log.join(u'\n').toStdString();
    EXPECT_EQ(log.filter(kFolderGone).size(), 1);
    EXPECT_EQ(log.filter(QStringLiteral("trelvo.ini SaveSettings")).size(), 2);
}

// A zip program missing: the start cannot go on. The box comes once the start-up has decided,
// and the program ends after it; an automatic run logs it and ends without waiting at a box.
const QString kMissing = QStringLiteral("Program Components are missing!");

TEST_F(NoticesTest, AMissingComponentIsToldOnceTheStartUpHasDecidedAndThenTheProgramEnds)
{
    vb::Kill(QStringLiteral("C:\\Program Files\\Trelvo\\Unzip32.exe"));
    core::HoldNotices();
    core::StartupChecks();   // goes on: nothing is told yet
    EXPECT_TRUE(ui->shown().isEmpty());
    ui->expect(kCannotSave, QStringLiteral("OK"));
    ui->expect(kMissing, QStringLiteral("OK"));
    EXPECT_THROW(core::ReleaseNotices(), ProcessEnded);
    EXPECT_EQ(ui->shown().size(), 2);
}

TEST_F(NoticesTest, AnAutomaticRunWithAComponentMissingLogsItAndEndsWithoutABox)
{
    vb::Kill(QStringLiteral("C:\\Program Files\\Trelvo\\Unzip32.exe"));
    core::HoldNotices();
    core::StartupChecks();
    state().NobodyThere = true;
    EXPECT_THROW(core::ReleaseNotices(), ProcessEnded);
    EXPECT_TRUE(ui->shown().isEmpty());
    EXPECT_EQ(logLines().filter(kMissing).size(), 1) << logLines().join(u'\n').toStdString();
}

// A fault nobody foresaw, in an event handler of an automatic run: logged, and the run ends
// as it would after the box; with a user the box comes as always.
TEST_F(NoticesTest, AnUntrappedErrorOfAnAutomaticRunIsLoggedInsteadOfShown)
{
    const auto fault = [] { throw vb::Error(5); };
    core::HoldNotices();
    core::ReleaseNotices();
    ui->expect(QStringLiteral("Run-time error '5':"), QStringLiteral("OK"));
    EXPECT_THROW(vb::runEventHandler(fault), ProcessEnded);
    EXPECT_EQ(ui->shown().size(), 1);

    state().NobodyThere = true;
    EXPECT_THROW(vb::runEventHandler(fault), ProcessEnded);
    EXPECT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(logLines().filter(QStringLiteral(" Run-time error '5': Invalid procedure call or argument")).size(), 1)
        << logLines().join(u'\n').toStdString();
}
