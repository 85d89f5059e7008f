// A floppy whose record (floppies/NAME.vol) cannot be read: the disk is an unformatted one
// without room, as the program's unformatted-disk path knows it, never a medium with the
// host's free space; the machine tool lists it as damaged, puts it in and formats it afresh.
#include "FloppyTesting.h"
#include "backup/JoinPieces.h"
#include "platform/SysError.h"
#include "support/DamagedFile.h"
#include "support/ProgramRun.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"

using testsupport::Damage;

namespace {

class DamagedFloppyRecordTest : public testsupport::MachineTest, public ::testing::WithParamInterface<Damage> {};

} // namespace

TEST_P(DamagedFloppyRecordTest, TheDiskReadsAsNotFormattedAndTheToolNamesTheDamage)
{
    const Damage damage = GetParam();
    const bool sound = damage == Damage::CrOnly;   // nothing lost in it
    backuptest::makeDisk(QStringLiteral("disk2"), {{QStringLiteral("OLD.TXT"), "kept"}});
    tm.machine().ejectDisk();
    testsupport::damageFile(tm.dir() + "/floppies/disk2.vol", damage);

    const testsupport::ToolOutput list = testsupport::runMachineTool(tm, {"floppy", "list"});
    EXPECT_EQ(list.code, 0) << list.err.toStdString();
    const QString line = list.out.split(u'\n').filter(QStringLiteral("disk2")).value(0);
    EXPECT_EQ(line.contains("damaged"), !sound) << list.out.toStdString();
    EXPECT_EQ(line.contains("formatted, 1457152 bytes free"), sound) << list.out.toStdString();

    const testsupport::ToolOutput inserted = testsupport::runMachineTool(tm, {"floppy", "insert", "disk2"});
    EXPECT_EQ(inserted.code, 0) << inserted.err.toStdString();
    EXPECT_EQ(inserted.out.contains("is damaged"), !sound) << inserted.out.toStdString();
    EXPECT_EQ(tm.machine().insertedDisk(u'A'), QStringLiteral("disk2"));

    const auto volume = tm.machine().volume(u'A');
    ASSERT_TRUE(volume) << "the disk is in the drive";
    EXPECT_EQ(volume->formatted(), sound);
    EXPECT_EQ(volume->damaged(), !sound);
    EXPECT_LE(volume->freeBytes(), 1457664) << "never the host's free space";
    if (!sound) {
        EXPECT_EQ(volume->freeBytes(), 0);
        try {
            platform::fs::writeAll(QStringLiteral("A:\\NEW.TXT"), "x");
            ADD_FAILURE() << "written onto a disk that is not formatted";
        } catch (const platform::SysError& e) {
            EXPECT_EQ(e.code(), platform::ErrDiskNotReady);
        }
        // The program asks for a formatted disk, as for any unformatted one.
        testsupport::ScriptedUi& ui = testsupport::ScriptedUi::install();
        ui.expect(QStringLiteral("No disk inserted or the disk isn't formatted!"), QStringLiteral("Cancel"));
        EXPECT_FALSE(backup::CheckDiskInserted(QStringLiteral("A:\\")));
    }

    // A full format writes the record afresh; where a folder stands in its place it says why not.
    const testsupport::ToolOutput formatted = testsupport::runMachineTool(tm, {"floppy", "format", "disk2"});
    if (damage == Damage::Folder) {
        EXPECT_EQ(formatted.code, 1);
        EXPECT_TRUE(formatted.err.contains("failed")) << formatted.err.toStdString();
        return;
    }
    EXPECT_EQ(formatted.code, 0) << formatted.err.toStdString();
    const auto fresh = tm.machine().volume(u'A');
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->formatted());
    EXPECT_FALSE(fresh->damaged());
    EXPECT_EQ(fresh->freeBytes(), 1457664);
}

INSTANTIATE_TEST_SUITE_P(Forms, DamagedFloppyRecordTest,
                         ::testing::Values(Damage::Truncated, Damage::Garbage, Damage::LongLine, Damage::CrOnly, Damage::Empty,
                                           Damage::Folder, Damage::DanglingLink),
                         [](const ::testing::TestParamInfo<Damage>& info) { return std::string(testsupport::damageName(info.param)); });
