// Joining an archive spread over floppies, the whole-file copy and the disk check, on the
// machine's floppy drive with disks changed while a prompt is up.
#include "backup/CopyState.h"
#include "backup/JoinPieces.h"
#include "core/Animate.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "support/SmallDisk.h"
#include "support/TempMachine.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "FloppyTesting.h"

#include <QDir>

using namespace backup;
using namespace backuptest;
using core::state;
namespace fs = platform::fs;

namespace {

const QString kRejoin = QStringLiteral("C:\\Program Files\\Trelvo\\DiskRestore\\");
const QString kArchive = QStringLiteral("A:\\Conf1.tva");
const QString kTarget = kRejoin + QStringLiteral("Conf1.tva");

QString prompt(int disk) { return QStringLiteral("Please insert Disk No. %1 now!").arg(disk); }

class JoinTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        ui = &testsupport::ScriptedUi::install();
        state().DiskRestoreFolder = kRejoin;
        state().DiskNo = 0;
    }
    void TearDown() override
    {
        setBufferSource(nullptr);
        vb::Screen::setMousePointer(0);
    }

    QByteArray target() const { return fs::exists(kTarget) ? fs::readAll(kTarget) : QByteArray(); }
    bool rejoinFolderEmpty() const
    {
        return !fs::exists(kRejoin) || fs::find(kRejoin + QStringLiteral("*.*"), 0).isEmpty();
    }

    // The archive of the classic example: 3,000,000 bytes over three empty 1.44 MB floppies.
    QByteArray splitOverThreeDisks()
    {
        const QByteArray archive = randomBytes(3000000, 7);
        makeDisk(QStringLiteral("d1"), {{QStringLiteral("Conf1.tv1"), archive.left(1457664)}}, QStringLiteral("1.44M"), QStringLiteral("SAVE#1"));
        makeDisk(QStringLiteral("d2"), {{QStringLiteral("Conf1.tv2"), archive.mid(1457664, 1457664)}}, QStringLiteral("1.44M"), QStringLiteral("SAVE#2"));
        makeDisk(QStringLiteral("d3"), {{QStringLiteral("Conf1.tv3"), archive.mid(2915328)}}, QStringLiteral("1.44M"), QStringLiteral("SAVE#3"));
        insert(QStringLiteral("d1"));
        return archive;
    }

    testsupport::ScriptedUi* ui = nullptr;
};

} // namespace

TEST_F(JoinTest, ThreePiecesOverThreeDiskChangesRebuildTheArchive)
{
    const QByteArray archive = splitOverThreeDisks();
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });

    ConcatSplitFile(kArchive, kTarget, 3);
    EXPECT_EQ(target(), archive);
    EXPECT_EQ(state().DiskNo, 3);
    ASSERT_EQ(ui->shown().size(), 2);
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Message"));
    EXPECT_EQ(ui->shown()[0].buttons, (QStringList{"OK", "Cancel"}));
    // Nothing is left open: the joined archive can be removed at once.
    vb::Kill(kTarget);
}

TEST_F(JoinTest, AWrongDiskIsSaidSoAndTheSameDiskIsAskedForAgain)
{
    const QByteArray archive = splitOverThreeDisks();
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });
    ui->expect(QStringLiteral("Wrong disk inserted A:\\Conf1.tv2 not found!"), QStringLiteral("OK"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });
    ConcatSplitFile(kArchive, kTarget, 3);
    EXPECT_EQ(target(), archive);
    EXPECT_EQ(state().DiskNo, 3);
}

TEST_F(JoinTest, CancelAtAPromptLeavesNoTargetAndEmptiesTheRejoinFolder)
{
    splitOverThreeDisks();
    fs::createDirectory(kRejoin.chopped(1));
    fs::writeAll(kRejoin + QStringLiteral("Conf1s.tva"), "joined before");
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("Cancel"));
    ConcatSplitFile(kArchive, kTarget, 3);
    EXPECT_FALSE(fs::exists(kTarget));
    EXPECT_TRUE(rejoinFolderEmpty());
}

TEST_F(JoinTest, CancelOutsideARestoreRemovesOnlyTheTarget)
{
    // Without a rejoin folder nothing but the unfinished target may go: the program
    // folder, the current folder, stays as it was.
    state().DiskRestoreFolder.clear();
    vb::ChDir(QStringLiteral("C:\\Program Files\\Trelvo"));
    const int before = int(fs::find(QStringLiteral("C:\\Program Files\\Trelvo\\*.*"), 0).size());
    makeDisk(QStringLiteral("d1"), {{QStringLiteral("Conf1.tv1"), "one"}});
    const QString target = QStringLiteral("C:\\Program Files\\Trelvo\\Joined.tva");
    ui->expect(prompt(2), QStringLiteral("Cancel"));
    ConcatSplitFile(kArchive, target, 2);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(fs::find(QStringLiteral("C:\\Program Files\\Trelvo\\*.*"), 0).size(), before);
}

TEST_F(JoinTest, ThePieceCountDecidesNeverAStaleWholeArchive)
{
    makeDisk(QStringLiteral("d1"), {{QStringLiteral("Conf1.tva"), "an old whole archive"},
                                    {QStringLiteral("Conf1.tv1"), "new "}});
    makeDisk(QStringLiteral("d2"), {{QStringLiteral("Conf1.tv2"), "pieces"}});
    insert(QStringLiteral("d1"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ConcatSplitFile(kArchive, kTarget, 2);
    EXPECT_EQ(target(), QByteArray("new pieces"));

    // Count 0: the whole archive, no matter what pieces lie beside it.
    insert(QStringLiteral("d1"));
    ConcatSplitFile(kArchive, kTarget, 0);
    EXPECT_EQ(target(), QByteArray("an old whole archive"));
}

TEST_F(JoinTest, TargetsStartEmpty)
{
    fs::createDirectory(kRejoin.chopped(1));
    fs::writeAll(kTarget, QByteArray(200000, 'x'));
    makeDisk(QStringLiteral("d1"), {{QStringLiteral("Conf1.tv1"), "short"}, {QStringLiteral("Conf1.tva"), "whole"}});
    ConcatSplitFile(kArchive, kTarget, 1);
    EXPECT_EQ(target(), QByteArray("short"));
    fs::writeAll(kTarget, QByteArray(200000, 'x'));
    ConcatSplitFile(kArchive, kTarget, 0);
    EXPECT_EQ(target(), QByteArray("whole"));
}

TEST_F(JoinTest, AWholeArchiveOnTheInsertedDiskNeedsNoPromptAnotherDiskDoes)
{
    state().DiskNo = 1;
    const QByteArray whole = randomBytes(150000, 3);
    makeDisk(QStringLiteral("d1"), {{QStringLiteral("Conf1.tva"), whole}});
    ConcatSplitFile(kArchive, kTarget, 0);
    EXPECT_EQ(target(), whole);
    EXPECT_EQ(state().DiskNo, 1);
    EXPECT_TRUE(ui->shown().isEmpty());

    makeDisk(QStringLiteral("d2"), {{QStringLiteral("Conf1mb.tva"), "favorites"}});
    insert(QStringLiteral("d1"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ConcatSplitFile(QStringLiteral("A:\\Conf1mb.tva"), kRejoin + QStringLiteral("Conf1mb.tva"), 0);
    EXPECT_EQ(fs::readAll(kRejoin + QStringLiteral("Conf1mb.tva")), QByteArray("favorites"));
    EXPECT_EQ(state().DiskNo, 2);
}

TEST_F(JoinTest, DiskNumbersFollowTheDiskInTheDriveWhenTwoArchivesShareADisk)
{
    // The save wrote Conf1.tva over disks 1 and 2 and began Conf1s.tva in the space left
    // on disk 2, ending it on disk 3: the prompts must name the disks as labelled.
    makeDisk(QStringLiteral("d1"), {{QStringLiteral("Conf1.tv1"), "system-1 "}}, QStringLiteral("1.44M"), QStringLiteral("SAVE#1"));
    makeDisk(QStringLiteral("d2"), {{QStringLiteral("Conf1.tv2"), "system-2"}, {QStringLiteral("Conf1s.tv1"), "start-1 "}},
             QStringLiteral("1.44M"), QStringLiteral("SAVE#2"));
    makeDisk(QStringLiteral("d3"), {{QStringLiteral("Conf1s.tv2"), "start-2"}}, QStringLiteral("1.44M"), QStringLiteral("SAVE#3"));
    insert(QStringLiteral("d1"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });
    ConcatSplitFile(kArchive, kTarget, 2);
    ConcatSplitFile(QStringLiteral("A:\\Conf1s.tva"), kRejoin + QStringLiteral("Conf1s.tva"), 2);
    EXPECT_EQ(target(), QByteArray("system-1 system-2"));
    EXPECT_EQ(fs::readAll(kRejoin + QStringLiteral("Conf1s.tva")), QByteArray("start-1 start-2"));
    EXPECT_EQ(state().DiskNo, 3);
    EXPECT_EQ(ui->shown().size(), 2);
}

TEST_F(JoinTest, PiecesTenAndElevenEndInTheirWholeNumber)
{
    QList<QPair<QString, QByteArray>> pieces;
    QByteArray whole;
    for (int k = 1; k <= 11; ++k) {
        const QByteArray bytes = QStringLiteral("<%1>").arg(k).toLatin1();
        pieces << qMakePair(QStringLiteral("Conf1.tv%1").arg(k), bytes);
        whole += bytes;
    }
    makeDisk(QStringLiteral("d1"), pieces);
    ConcatSplitFile(kArchive, kTarget, 11);
    EXPECT_EQ(target(), whole);
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(JoinTest, WithoutADiskTheFirstDiskIsAskedFor)
{
    makeDisk(QStringLiteral("d1"), {{QStringLiteral("Conf1.tv1"), "first"}});
    tm.machine().ejectDisk();
    ui->expect(QStringLiteral("Please insert the first disk."), QStringLiteral("OK"));
    ui->expect(QStringLiteral("No disk inserted or the disk isn't formatted!"), QStringLiteral("OK"), [] { insert(QStringLiteral("d1")); });
    ConcatSplitFile(kArchive, kTarget, 1);
    EXPECT_EQ(target(), QByteArray("first"));

    tm.machine().ejectDisk();
    ui->expect(QStringLiteral("Please insert the first disk."), QStringLiteral("Cancel"));
    ConcatSplitFile(kArchive, kTarget, 1);
    EXPECT_FALSE(fs::exists(kTarget));
}

TEST_F(JoinTest, TheProgressWindowIsHiddenWhileAskingAndShownAfterwards)
{
    splitOverThreeDisks();
    core::AnimateForm& progress = core::Animate();
    progress.Show();
    bool hiddenWhileAsking = true;
    const auto check = [&] { hiddenWhileAsking = hiddenWhileAsking && !progress.Visible(); };
    ui->expect(prompt(2), QStringLiteral("OK"), [&] { check(); insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("OK"), [&] { check(); insert(QStringLiteral("d3")); });
    ConcatSplitFile(kArchive, kTarget, 3);
    EXPECT_TRUE(hiddenWhileAsking);
    EXPECT_TRUE(progress.Visible());
    EXPECT_TRUE(state().AnimateShown);
}

TEST_F(JoinTest, AFailedAppendCancelsCleanlyAndLeavesTheRestoreBusy)
{
    const QByteArray archive = splitOverThreeDisks();
    core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).setEnabled(false);   // a restore runs
    vb::Screen::setMousePointer(11);
    // Memory runs out while the second piece is appended.
    ui->expect(prompt(2), QStringLiteral("OK"), [] {
        insert(QStringLiteral("d2"));
        setBufferSource([](qint32) -> QByteArray { throw vb::Error(14); });
    });
    ui->expect(QStringLiteral(u"Memory überlauf A:\\Conf1.tv2  14 ConcatSplitFile"), QStringLiteral("OK"));
    ConcatSplitFile(kArchive, kTarget, 3);

    EXPECT_FALSE(fs::exists(kTarget));
    EXPECT_TRUE(rejoinFolderEmpty());
    ASSERT_EQ(ui->shown().size(), 2);
    EXPECT_EQ(ui->shown()[1].title, QStringLiteral("Warning!"));
    EXPECT_EQ(ui->shown()[1].prompt, QStringLiteral(u"Memory überlauf\rA:\\Conf1.tv2  14 ConcatSplitFile"));
    EXPECT_FALSE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).Enabled());
    EXPECT_EQ(vb::Screen::MousePointer(), 11);
    // The pieces were only read: still there for another try.
    EXPECT_EQ(fs::readAll(QStringLiteral("A:\\Conf1.tv2")), archive.mid(1457664, 1457664));
}

TEST_F(JoinTest, PiecesAreReadFromWriteProtectedDisks)
{
    const QByteArray archive = splitOverThreeDisks();
    for (const char* disk : {"d1", "d2", "d3"})
        tm.machine().protectDisk(QString::fromLatin1(disk), true);
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });
    ConcatSplitFile(kArchive, kTarget, 3);
    EXPECT_EQ(target(), archive);
}

TEST_F(JoinTest, ATargetThatCannotBeMadeIsReportedAndTheJoinEnds)
{
    makeDisk(QStringLiteral("d1"), {{QStringLiteral("Conf1.tv1"), "first"}});
    state().DiskRestoreFolder.clear();
    // A target on a read-only file: the open fails, nothing is asked of the floppy.
    fs::writeAll(QStringLiteral("C:\\Joined.tva"), "kept");
    fs::setAttributes(QStringLiteral("C:\\Joined.tva"), platform::AttrReadOnly);
    ui->expect(QStringLiteral("Kann Datei nicht öffnen C:\\Joined.tva  75 ConcatSplitFile"), QStringLiteral("OK"));
    ConcatSplitFile(kArchive, QStringLiteral("C:\\Joined.tva"), 1);
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Joined.tva")), QByteArray("kept"));
    EXPECT_EQ(ui->shown().size(), 1);
}

// ---- the whole-file copy --------------------------------------------------------

class CopyTest : public JoinTest {
protected:
    void SetUp() override
    {
        JoinTest::SetUp();
        setBufferSource([this](qint32 size) {
            asked << size;
            if (failures > 0) {
                --failures;
                throw vb::Error(14);
            }
            return QByteArray(size, '\0');
        });
    }
    QList<qint32> asked;
    int failures = 0;
};

TEST_F(CopyTest, TakesABufferOf64512BytesAndMovesTheBytesInOneCopy)
{
    const QByteArray source = randomBytes(150000, 11);
    fs::writeAll(QStringLiteral("C:\\Conf1.tva"), source);
    EXPECT_TRUE(CopyWholeFile(QStringLiteral("C:\\Conf1.tva"), kArchive));
    EXPECT_EQ(fs::readAll(kArchive), source);
    // The buffer for chunks of 64,512 bytes is taken as ever (a machine short of memory
    // halves it, below); the bytes themselves move within the host, so no last chunk.
    EXPECT_EQ(asked, (QList<qint32>{64512}));
    EXPECT_EQ(copyState().BytesLeft, 0);
    vb::Kill(QStringLiteral("C:\\Conf1.tva"));   // nothing left open
}

TEST_F(CopyTest, AnEmptySourceGivesAnEmptyTarget)
{
    fs::writeAll(QStringLiteral("C:\\Empty.tva"), QByteArray());
    fs::writeAll(kArchive, "older and longer");
    EXPECT_TRUE(CopyWholeFile(QStringLiteral("C:\\Empty.tva"), kArchive));
    EXPECT_TRUE(fs::exists(kArchive));
    EXPECT_EQ(fs::readAll(kArchive), QByteArray());
}

TEST_F(CopyTest, ShortOfMemoryTheBufferIsHalvedDownTo4096Bytes)
{
    const QByteArray source = randomBytes(100000, 5);
    fs::writeAll(QStringLiteral("C:\\Conf1.tva"), source);
    failures = 3;
    EXPECT_TRUE(CopyWholeFile(QStringLiteral("C:\\Conf1.tva"), kArchive));
    EXPECT_EQ(asked.mid(0, 4), (QList<qint32>{64512, 32256, 16128, 8064}));
    EXPECT_EQ(fs::readAll(kArchive), source);

    // A fourth failure halves it to 4,032: too small, the copy fails and leaves no target.
    asked.clear();
    failures = 4;
    ui->expect(QStringLiteral(u"Memory überlauf C:\\Conf1.tva  14 ConcatSplitFile"), QStringLiteral("OK"));
    EXPECT_FALSE(CopyWholeFile(QStringLiteral("C:\\Conf1.tva"), QStringLiteral("A:\\Conf2.tva")));
    EXPECT_EQ(asked, (QList<qint32>{64512, 32256, 16128, 8064}));
    EXPECT_EQ(copyState().CopyStage, 4);
    EXPECT_FALSE(fs::exists(QStringLiteral("A:\\Conf2.tva")));
}

TEST_F(CopyTest, AFullFloppyIsReportedAsAWriteFailureAndLeavesNoPartialFile)
{
    fs::writeAll(QStringLiteral("C:\\Big.tva"), randomBytes(1500000, 9));
    // The file written to, on the drive that is full.
    ui->expect(QStringLiteral("Kann nicht in Datei schreiben A:\\Conf1.tva Zu wenig Speicher frei The drive it is written to is full: A:  "
                              "61 ConcatSplitFile"),
               QStringLiteral("OK"));
    EXPECT_FALSE(CopyWholeFile(QStringLiteral("C:\\Big.tva"), kArchive));
    EXPECT_FALSE(fs::exists(kArchive));
    EXPECT_EQ(tm.machine().volume(u'A')->freeBytes(), 1457664);
    // Both files are closed again.
    vb::Kill(QStringLiteral("C:\\Big.tva"));
}

TEST_F(CopyTest, AMissingSourceReachesTheCaller)
{
    int error = 0;
    try {
        CopyWholeFile(QStringLiteral("C:\\None.tva"), kArchive);
    } catch (const vb::Error& e) {
        error = e.Number();
    }
    EXPECT_EQ(error, 53);
    EXPECT_FALSE(fs::exists(kArchive));
}

// ---- the disk check -------------------------------------------------------------

TEST_F(JoinTest, CheckDiskInsertedTestsTheDriveAndForALongerPathTheFile)
{
    // An empty formatted floppy: the root is enough.
    EXPECT_TRUE(CheckDiskInserted(QStringLiteral("A:\\")));
    EXPECT_TRUE(ui->shown().isEmpty());

    ui->expect(QStringLiteral("Wrong disk inserted A:\\Conf1.tva not found!"), QStringLiteral("OK"));
    EXPECT_FALSE(CheckDiskInserted(kArchive));
    EXPECT_EQ(ui->shown().last().title, QStringLiteral("Trelvo"));
    fs::writeAll(kArchive, "here");
    EXPECT_TRUE(CheckDiskInserted(kArchive));

    // No disk: asked again on OK until one can be read; Cancel gives up.
    tm.machine().ejectDisk();
    ui->expect(QStringLiteral("No disk inserted or the disk isn't formatted!"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("No disk inserted or the disk isn't formatted!"), QStringLiteral("OK"), [] { insert(QStringLiteral("blank")); });
    EXPECT_TRUE(CheckDiskInserted(QStringLiteral("A:\\")));
    tm.machine().createDisk(QStringLiteral("raw"), platform::DiskFormat::byName(QStringLiteral("1.44M")), false);
    insert(QStringLiteral("raw"));
    ui->expect(QStringLiteral("No disk inserted or the disk isn't formatted!"), QStringLiteral("Cancel"));
    EXPECT_FALSE(CheckDiskInserted(QStringLiteral("A:")));

    // A file on an unreadable disk: the no-disk message, then the file is not there.
    ui->expect(QStringLiteral("No disk inserted or the disk isn't formatted!"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Wrong disk inserted A:\\Conf1.tva not found!"), QStringLiteral("OK"));
    EXPECT_FALSE(CheckDiskInserted(kArchive));
}

// ---- drive C: full while the pieces are joined on it -----------------------------------------

namespace {

struct FullTarget {
    const char* name;
    int pieces;   // 0: the archive whole on one disk
};

void PrintTo(const FullTarget& row, std::ostream* os) { *os << row.name; }

class JoinOntoFullDiskTest : public JoinTest, public ::testing::WithParamInterface<FullTarget> {};

} // namespace

TEST_P(JoinOntoFullDiskTest, TheFullDriveIsTheTargetsNotTheFloppys)
{
    testsupport::SmallDriveC disk(tm, 8 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    if (GetParam().pieces == 0)
        makeDisk(QStringLiteral("whole"), {{QStringLiteral("Conf1.tva"), randomBytes(1300000, 3)}});
    else
        splitOverThreeDisks();
    QDir().mkpath(tm.hostC("Program Files/Trelvo/DiskRestore"));
    disk.fill(512 << 10);   // less room than the first piece needs
    ui->expect(QStringLiteral("Kann nicht in Datei schreiben"), QStringLiteral("OK"));
    ConcatSplitFile(kArchive, kTarget, GetParam().pieces);
    disk.release();

    ASSERT_EQ(ui->shown().size(), 1);
    const QString told = ui->shown()[0].prompt;
    EXPECT_EQ(told, QStringLiteral("Kann nicht in Datei schreiben\r") + kTarget +
                        QStringLiteral("\rZu wenig Speicher frei\rThe drive it is written to is full: C:  61 ConcatSplitFile"));
    EXPECT_FALSE(told.contains(QStringLiteral("A:\\"))) << told.toStdString();
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Warning!"));
    EXPECT_FALSE(fs::exists(kTarget));
    EXPECT_TRUE(rejoinFolderEmpty());
}

INSTANTIATE_TEST_SUITE_P(Joins, JoinOntoFullDiskTest, ::testing::Values(FullTarget{"WholeArchive", 0}, FullTarget{"ThreePieces", 3}),
                         [](const ::testing::TestParamInfo<FullTarget>& info) { return std::string(info.param.name); });
