// One archive moved onto floppies: whole when it fits, otherwise in pieces that fill each
// disk, with disks changed while the prompt is up and each new disk labelled; the size of
// an allocation unit and the rounding to it.
#include "backup/CopyState.h"
#include "backup/FloppySpan.h"
#include "backup/JoinPieces.h"
#include "core/ProgramState.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/FileIO.h"
#include "vb/Form.h"
#include "FloppyTesting.h"

#include <QCoreApplication>
#include <QProcess>

using namespace backup;
using namespace backuptest;
using core::state;
namespace fs = platform::fs;

namespace {

const QString kSource = QStringLiteral("C:\\Program Files\\Trelvo\\Conf1.tva");

QString prompt(int disk) { return QStringLiteral("Please insert Disk No. %1 now!").arg(disk); }

class FloppySpanTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        ui = &testsupport::ScriptedUi::install();
        state().SplitTargetPath = QStringLiteral("A:\\");
        state().DiskNo = 1;
    }

    // The first disk in the drive, labelled as the save labels it.
    static void firstDisk(const QString& size = QStringLiteral("1.44M"))
    {
        makeDisk(QStringLiteral("d1"), {}, size, QStringLiteral("SAVE#1"));
    }
    static void blankDisk(const QString& name, const QString& size = QStringLiteral("1.44M"))
    {
        platform::Machine::current().createDisk(name, platform::DiskFormat::byName(size), true);
    }
    QByteArray source(qsizetype size, quint32 seed) const
    {
        const QByteArray bytes = randomBytes(size, seed);
        fs::writeAll(kSource, bytes);
        return bytes;
    }
    static QByteArray onDisk(const QString& disk, const QString& file)
    {
        QFile f(platform::Machine::current().diskFolder(disk) + u'/' + file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static QString label(const QString& disk) { return platform::Machine::current().diskVolume(disk)->label(); }
    static qint64 freeOn(const QString& disk) { return platform::Machine::current().diskVolume(disk)->freeBytes(); }

    testsupport::ScriptedUi* ui = nullptr;
};

} // namespace

TEST_F(FloppySpanTest, AnArchiveThatFitsIsCopiedWholeAndLeavesTheProgramFolder)
{
    firstDisk();
    const QByteArray bytes = source(150000, 1);
    QString noPrompt;
    EXPECT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(copyState().SplitPieceCount, 0);
    EXPECT_EQ(onDisk(QStringLiteral("d1"), QStringLiteral("Conf1.tva")), bytes);
    EXPECT_FALSE(fs::exists(kSource));
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(FloppySpanTest, ThreeMillionBytesFillTwoDisksAndEndOnTheThird)
{
    firstDisk();
    blankDisk(QStringLiteral("d2"));
    blankDisk(QStringLiteral("d3"));
    const QByteArray bytes = source(3000000, 2);
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });

    QString noPrompt;
    EXPECT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(copyState().SplitPieceCount, 3);
    EXPECT_EQ(state().DiskNo, 3);
    EXPECT_EQ(onDisk(QStringLiteral("d1"), QStringLiteral("Conf1.tv1")), bytes.left(1457664));
    EXPECT_EQ(onDisk(QStringLiteral("d2"), QStringLiteral("Conf1.tv2")), bytes.mid(1457664, 1457664));
    EXPECT_EQ(onDisk(QStringLiteral("d3"), QStringLiteral("Conf1.tv3")), bytes.mid(2915328));
    EXPECT_EQ(bytes.size() - 2915328, 84672);
    EXPECT_EQ(freeOn(QStringLiteral("d1")), 0);
    EXPECT_EQ(freeOn(QStringLiteral("d2")), 0);
    EXPECT_EQ(label(QStringLiteral("d2")), QStringLiteral("SAVE#2"));
    EXPECT_EQ(label(QStringLiteral("d3")), QStringLiteral("SAVE#3"));
    EXPECT_FALSE(fs::exists(kSource));

    // The join reads them back into the same bytes.
    state().DiskRestoreFolder = QStringLiteral("C:\\Program Files\\Trelvo\\DiskRestore\\");
    state().DiskNo = 0;
    insert(QStringLiteral("d1"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });
    const QString joined = state().DiskRestoreFolder + QStringLiteral("Conf1.tva");
    ConcatSplitFile(QStringLiteral("A:\\Conf1.tva"), joined, 3);
    EXPECT_EQ(fs::readAll(joined), bytes);
}

TEST_F(FloppySpanTest, TheCallersPromptIsShownForTheFirstChangeOnly)
{
    firstDisk();
    blankDisk(QStringLiteral("d2"));
    blankDisk(QStringLiteral("d3"));
    source(3000000, 3);
    ui->expect(QStringLiteral("Insert the second data disk"), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });
    QString own = QStringLiteral("Insert the second data disk");
    EXPECT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), own));
    EXPECT_TRUE(own.isEmpty());
    EXPECT_EQ(ui->shown().size(), 2);
}

TEST_F(FloppySpanTest, ElevenDisksEndInTheTenthAndEleventhPiece)
{
    // Small disks of 20 clusters make eleven pieces out of a small archive.
    firstDisk(QStringLiteral("10240"));
    for (int d = 2; d <= 11; ++d) {
        blankDisk(QStringLiteral("d%1").arg(d), QStringLiteral("10240"));
        ui->expect(prompt(d), QStringLiteral("OK"), [d] { insert(QStringLiteral("d%1").arg(d)); });
    }
    const QByteArray bytes = source(10 * 10240 + 100, 4);
    QString noPrompt;
    EXPECT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(copyState().SplitPieceCount, 11);
    EXPECT_EQ(onDisk(QStringLiteral("d10"), QStringLiteral("Conf1.tv10")), bytes.mid(9 * 10240, 10240));
    EXPECT_EQ(onDisk(QStringLiteral("d11"), QStringLiteral("Conf1.tv11")), bytes.mid(10 * 10240));
    EXPECT_EQ(label(QStringLiteral("d10")), QStringLiteral("SAVE#10"));
    EXPECT_EQ(label(QStringLiteral("d11")), QStringLiteral("SAVE#11"));
}

TEST_F(FloppySpanTest, AFullDiskOfferedAgainIsRefusedAndTheNextOneAskedFor)
{
    firstDisk();
    blankDisk(QStringLiteral("d2"));
    const QByteArray bytes = source(2000000, 5);
    // The disk just filled comes back: it holds files, the user says use it, it has no room.
    ui->expect(prompt(2), QStringLiteral("OK"));
    ui->onForm(QStringLiteral("frmNotEmpty"), [](vb::Form& dialog) {
        dialog.control<vb::CommandButton>(QStringLiteral("Command3")).setValue(true);
    });
    ui->expect(QStringLiteral("Disk is full!"), QStringLiteral("OK"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    QString noPrompt;
    EXPECT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(copyState().SplitPieceCount, 2);
    EXPECT_EQ(onDisk(QStringLiteral("d1"), QStringLiteral("Conf1.tv1")) + onDisk(QStringLiteral("d2"), QStringLiteral("Conf1.tv2")), bytes);
    EXPECT_EQ(label(QStringLiteral("d1")), QStringLiteral("SAVE#1"));
    EXPECT_EQ(label(QStringLiteral("d2")), QStringLiteral("SAVE#2"));
}

TEST_F(FloppySpanTest, AFullDiskInTheDriveIsChangedBeforeTheArchiveIsCopied)
{
    // The disk in the drive was filled by the archive before: this one goes onto the next, whole.
    makeDisk(QStringLiteral("d1"), {{QStringLiteral("Conf1s.tva"), randomBytes(1457664, 6)}}, QStringLiteral("1.44M"), QStringLiteral("SAVE#1"));
    blankDisk(QStringLiteral("d2"));
    const QByteArray bytes = source(1000, 7);
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    QString noPrompt;
    EXPECT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(copyState().SplitPieceCount, 0);
    EXPECT_EQ(onDisk(QStringLiteral("d2"), QStringLiteral("Conf1.tva")), bytes);
    EXPECT_EQ(label(QStringLiteral("d2")), QStringLiteral("SAVE#2"));
    EXPECT_EQ(state().DiskNo, 2);
}

TEST_F(FloppySpanTest, CancelAtTheDiskChangeKeepsTheArchive)
{
    firstDisk();
    const QByteArray bytes = source(2000000, 8);
    ui->expect(prompt(2), QStringLiteral("Cancel"));
    QString noPrompt;
    EXPECT_FALSE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(fs::readAll(kSource), bytes);
    EXPECT_EQ(state().DiskNo, 1);
    // Nothing is left open: the archive can be removed at once.
    vb::Kill(kSource);
}

TEST_F(FloppySpanTest, AWriteProtectedDiskIsReportedAndRetriedOnceFreed)
{
    firstDisk();
    blankDisk(QStringLiteral("d2"));
    platform::Machine::current().protectDisk(QStringLiteral("d2"), true);
    const QByteArray bytes = source(2000000, 9);
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(QStringLiteral("Path/File access errorresCANTOPEN  ") + kSource, QStringLiteral("Retry"),
               [] { platform::Machine::current().protectDisk(QStringLiteral("d2"), false); });
    QString noPrompt;
    EXPECT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(onDisk(QStringLiteral("d1"), QStringLiteral("Conf1.tv1")) + onDisk(QStringLiteral("d2"), QStringLiteral("Conf1.tv2")), bytes);
    ASSERT_GE(ui->shown().size(), 2);
    EXPECT_EQ(ui->shown()[1].buttons, (QStringList{"Abort", "Retry", "Ignore"}));
    // The disk could not take its label while protected; it has it once freed.
    EXPECT_EQ(label(QStringLiteral("d2")), QStringLiteral("SAVE#2"));
}

// The same with the tab moved in another terminal, through the machine's own tool: what the
// split looked at before it asked counts for nothing once the user has answered.
TEST_F(FloppySpanTest, AWriteProtectionTakenOffFromAnotherTerminalIsSeenAtTheRetry)
{
    firstDisk();
    blankDisk(QStringLiteral("d2"));
    platform::Machine::current().protectDisk(QStringLiteral("d2"), true);
    const QByteArray bytes = source(2000000, 10);
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    const QString machineDir = tm.dir();
    ui->expect(QStringLiteral("Path/File access errorresCANTOPEN  ") + kSource, QStringLiteral("Retry"), [machineDir] {
        QProcess tool;
        tool.start(qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath()) + QStringLiteral("/trelvo-machine"),
                   {QStringLiteral("--machine"), machineDir, QStringLiteral("floppy"), QStringLiteral("protect"), QStringLiteral("d2"), QStringLiteral("off")});
        ASSERT_TRUE(tool.waitForFinished(10000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    });
    QString noPrompt;
    EXPECT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(onDisk(QStringLiteral("d1"), QStringLiteral("Conf1.tv1")) + onDisk(QStringLiteral("d2"), QStringLiteral("Conf1.tv2")), bytes);
    EXPECT_EQ(ui->shown().size(), 2u) << "asked once about the protection";
    EXPECT_EQ(label(QStringLiteral("d2")), QStringLiteral("SAVE#2"));
}

TEST_F(FloppySpanTest, ADiskKeepsOnlyThePartOfTheArchiveWrittenToIt)
{
    // The first disk still holds the archive of an earlier save, whole and as piece 3, beside
    // files that are not parts of it: the join takes a piece from whatever disk is in the
    // drive, so an old piece left beside a new one would be taken for it.
    makeDisk(QStringLiteral("d1"),
             {{QStringLiteral("CONF1.TVA"), "old whole archive"}, {QStringLiteral("Conf1.tv3"), "old piece 3"},
              {QStringLiteral("Conf1.tvx"), "not ours"}, {QStringLiteral("Conf12.tv1"), "another slot"}},
             QStringLiteral("1.44M"), QStringLiteral("SAVE#1"));
    blankDisk(QStringLiteral("d2"));
    const QByteArray bytes = source(2000000, 11);
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    QString noPrompt;
    ASSERT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(platform::Machine::current().listDir(platform::Machine::current().diskFolder(QStringLiteral("d1"))),
              (QStringList{QStringLiteral("Conf1.tv1"), QStringLiteral("Conf1.tvx"), QStringLiteral("Conf12.tv1")}));

    state().DiskRestoreFolder = QStringLiteral("C:\\Program Files\\Trelvo\\DiskRestore\\");
    state().DiskNo = 0;
    insert(QStringLiteral("d1"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    const QString joined = state().DiskRestoreFolder + QStringLiteral("Conf1.tva");
    ConcatSplitFile(QStringLiteral("A:\\Conf1.tva"), joined, 2);
    EXPECT_EQ(fs::readAll(joined), bytes);

    // A whole copy onto a disk with pieces of an earlier one leaves the whole archive alone.
    makeDisk(QStringLiteral("d3"), {{QStringLiteral("Conf1.tv1"), "old piece 1"}, {QStringLiteral("Conf1.tv10"), "old piece 10"}});
    const QByteArray small = source(1000, 12);
    ASSERT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(platform::Machine::current().listDir(platform::Machine::current().diskFolder(QStringLiteral("d3"))),
              QStringList{QStringLiteral("Conf1.tva")});
    EXPECT_EQ(onDisk(QStringLiteral("d3"), QStringLiteral("Conf1.tva")), small);
}

// The next disk, kept as it is, holds an older piece of the same name, longer than the new
// one: the new piece is its own bytes alone.
TEST_F(FloppySpanTest, APieceWrittenOverAnOlderLongerOneHoldsItsOwnBytesAlone)
{
    firstDisk();
    makeDisk(QStringLiteral("d2"), {{QStringLiteral("Conf1.tv2"), QByteArray(1200000, 'o')}});
    insert(QStringLiteral("d1"));
    const QByteArray bytes = source(2000000, 13);
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(QStringLiteral("This disk already contains files!"), QStringLiteral("Continue?"));
    QString noPrompt;
    ASSERT_TRUE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(onDisk(QStringLiteral("d1"), QStringLiteral("Conf1.tv1")) + onDisk(QStringLiteral("d2"), QStringLiteral("Conf1.tv2")), bytes);
}

TEST_F(FloppySpanTest, AbortAfterAFailedPieceKeepsTheArchive)
{
    firstDisk();
    blankDisk(QStringLiteral("d2"));
    platform::Machine::current().protectDisk(QStringLiteral("d2"), true);
    const QByteArray bytes = source(2000000, 10);
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(QStringLiteral("resCANTOPEN"), QStringLiteral("Abort"));
    QString noPrompt;
    EXPECT_FALSE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(fs::readAll(kSource), bytes);
    vb::Kill(kSource);
}

TEST_F(FloppySpanTest, AMissingSourceIsReportedAsAFailedCopy)
{
    firstDisk();
    ui->expect(QStringLiteral("File not found  53 Kopiere Datei"), QStringLiteral("OK"));
    QString noPrompt;
    EXPECT_FALSE(CopyArchiveToDisk(kSource, QStringLiteral("A:\\"), noPrompt));
    EXPECT_EQ(copyState().SplitPieceCount, 0);
}

TEST_F(FloppySpanTest, AllocationUnitsOfTheDriveRoundSizesUp)
{
    firstDisk();
    EXPECT_EQ(GetAllocUnit(QStringLiteral("A:\\")), 512);
    EXPECT_EQ(GetAllocUnit(QStringLiteral("a")), 512);
    EXPECT_EQ(RoundToAllocUnit(1000, QStringLiteral("A:\\Conf1.tva")), 1024);
    EXPECT_EQ(RoundToAllocUnit(1024, QStringLiteral("A:\\")), 1024);
    EXPECT_EQ(RoundToAllocUnit(0, QStringLiteral("A:\\")), 0);
    EXPECT_EQ(RoundToAllocUnit(1025, QStringLiteral("A:\\")), 1536);
    // The current drive is the one it was before.
    EXPECT_EQ(vb::CurDir().left(2), QStringLiteral("C:"));
}

TEST_F(FloppySpanTest, AnUnknownAllocationUnitLeavesTheSizeAsItIs)
{
    platform::Machine::current().ejectDisk();
    ui->expect(QStringLiteral("resALLOCUNITA:"), QStringLiteral("OK"));
    EXPECT_EQ(RoundToAllocUnit(1000, QStringLiteral("A:\\")), 1000);
    EXPECT_EQ(vb::CurDir().left(2), QStringLiteral("C:"));
}

TEST(NextDiskLabel, CountsOnFromTheLabelOrFromTheDiskNumber)
{
    EXPECT_EQ(NextDiskLabel(QStringLiteral("SAVE#1"), 1), QStringLiteral("SAVE#2"));
    EXPECT_EQ(NextDiskLabel(QStringLiteral("SAVE#9"), 9), QStringLiteral("SAVE#10"));
    EXPECT_EQ(NextDiskLabel(QStringLiteral("SAVE#19"), 3), QStringLiteral("SAVE#20"));
    EXPECT_EQ(NextDiskLabel(QStringLiteral("RESCUE2"), 2), QStringLiteral("RESCUE3"));
    EXPECT_EQ(NextDiskLabel(QStringLiteral("NoName"), 2), QStringLiteral("Save#3"));
    EXPECT_EQ(NextDiskLabel(QString(), 4), QStringLiteral("Save#5"));
}
