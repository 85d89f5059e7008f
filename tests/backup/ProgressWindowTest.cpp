// The progress window of the copy onto floppies as a user may treat it: closed from its
// title bar while the copy runs, it stays until the save is done with it, and the save goes on
// to its end.
#include "SaveTesting.h"
#include "FloppyTesting.h"
#include "support/ClosingHand.h"

#include <QDir>

using namespace backuptest;
using core::state;

namespace {

class ProgressWindowTest : public SaveFixture {
protected:
    void SetUp() override
    {
        SaveFixture::SetUp();
        tick(QStringLiteral("Form1"), QStringLiteral("Check2"));   // Win.ini
        makeDisk(QStringLiteral("d1"));
    }
};

} // namespace

TEST_F(ProgressWindowTest, ClosingTheProgressWindowWhileTheFloppiesAreWrittenLeavesTheSaveGoing)
{
    // The user closes the window the moment it shows, from the event loop as a click would.
    testsupport::ClosingHand user(QStringLiteral("Animate"));
    ui->expect(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\"));
    EXPECT_TRUE(user.closed());
    EXPECT_TRUE(user.stays()) << "the copy goes on with its window gone";
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Animate")));   // the save's end unloads it
    EXPECT_TRUE(state().SaveDone);
    EXPECT_EQ(QDir(platform::Machine::current().diskFolder(QStringLiteral("d1"))).entryList(QDir::Files, QDir::Name),
              (QStringList{"Conf1.tva", "Config1.ini", "Config1.usr"}));
}
