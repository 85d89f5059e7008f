// A write to a floppy that fails: the box names the cause as the user sees the disk (write
// protection, no disk, a full disk, a file in the way), with Retry and Cancel, and the log
// names the file.
#include "backup/FloppyFault.h"
#include "FloppyTesting.h"
#include "core/Settings.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Error.h"
#include "vb/FileIO.h"

using namespace backuptest;
namespace fs = platform::fs;

namespace {

class FloppyFaultTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ui = &testsupport::ScriptedUi::install(); }
    // The error a real copy onto the disk runs into.
    static int copyFails(const QString& to)
    {
        try {
            vb::FileCopy(QStringLiteral("C:\\AUTOEXEC.BAT"), to);
        } catch (const vb::Error& e) {
            return e.Number();
        }
        ADD_FAILURE() << "the copy to " << to.toStdString() << " did not fail";
        return 0;
    }
    QStringList errorLog() const
    {
        return QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/Error.log"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    testsupport::ScriptedUi* ui = nullptr;
};

} // namespace

TEST_F(FloppyFaultTest, TheBoxNamesTheCauseAsTheUserSeesTheDisk)
{
    platform::Machine& m = platform::Machine::current();
    makeDisk(QStringLiteral("protected"));
    m.protectDisk(QStringLiteral("protected"), true);
    ASSERT_TRUE(backup::FloppyWriteProblem(QStringLiteral("A:\\")));
    ui->expect(QStringLiteral("You can't save to a write protected disk! A:\\Conf1.tva  Remove the write protection of the disk and click on 'Retry'."),
               QStringLiteral("Cancel"));
    EXPECT_FALSE(backup::RetryAfterFloppyFault(copyFails(QStringLiteral("A:\\Conf1.tva")), QStringLiteral("A:\\Conf1.tva")));

    m.ejectDisk();
    const std::optional<int> noDisk = backup::FloppyWriteProblem(QStringLiteral("A:\\"));
    ASSERT_TRUE(noDisk);
    ui->expect(QStringLiteral("No disk inserted or the disk isn't formatted! A:\\Conf1.tv2  Insert the disk again and click on 'Retry'."),
               QStringLiteral("Retry"));
    EXPECT_TRUE(backup::RetryAfterFloppyFault(*noDisk, QStringLiteral("A:\\Conf1.tv2")));

    // A disk that a file of its whole free space has filled.
    makeDisk(QStringLiteral("full"), {}, QStringLiteral("720K"));
    fs::writeAll(QStringLiteral("A:\\Fill.bin"), QByteArray(int(m.diskVolume(QStringLiteral("full"))->freeBytes()), 'x'));
    EXPECT_FALSE(backup::FloppyWriteProblem(QStringLiteral("A:\\"))) << "an empty file still fits";
    ui->expect(QStringLiteral("Disk is full! A:\\Config1.ini  Insert another disk or make room on this one, and click on 'Retry'."),
               QStringLiteral("Cancel"));
    EXPECT_FALSE(backup::RetryAfterFloppyFault(copyFails(QStringLiteral("A:\\Config1.ini")), QStringLiteral("A:\\Config1.ini")));

    // A writable disk with a read-only file of the name in the way.
    makeDisk(QStringLiteral("old"), {{QStringLiteral("Conf1.tva"), "older"}});
    fs::setAttributes(QStringLiteral("A:\\Conf1.tva"), platform::AttrReadOnly);
    ui->expect(QStringLiteral("Error while accessing file/directory A:\\Conf1.tva  Click on 'Retry' to try again."), QStringLiteral("Cancel"));
    EXPECT_FALSE(backup::RetryAfterFloppyFault(copyFails(QStringLiteral("A:\\Conf1.tva")), QStringLiteral("A:\\Conf1.tva")));

    for (const testsupport::ScriptedUi::Shown& box : ui->shown()) {
        EXPECT_EQ(box.buttons, (QStringList{"Retry", "Cancel"}));
        EXPECT_EQ(box.title, QStringLiteral("Warning!"));
    }
    const QStringList log = errorLog();
    ASSERT_EQ(log.size(), 4);
    EXPECT_TRUE(log[0].endsWith(QStringLiteral("A:\\Conf1.tva Save")));
    EXPECT_TRUE(log[1].endsWith(QStringLiteral("A:\\Conf1.tv2 Save")));
    EXPECT_TRUE(log[2].startsWith(QStringLiteral("Disk full")));
}
