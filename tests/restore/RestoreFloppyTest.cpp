// A restore from a configuration spread over floppies: the pieces joined in the program
// folder's DiskRestore folder while the user changes disks, then unpacked from there.
#include "RestoreTesting.h"
#include "backup/CopyState.h"
#include "backup/FloppySpan.h"
#include "support/ClosingHand.h"
#include "support/SmallDisk.h"

#include <QRandomGenerator>

using namespace restoretest;

namespace {

const QString kDiskRestore = kProgram + QStringLiteral("DiskRestore\\");
const QString kBig = QStringLiteral("C:\\My Documents\\Scans 1999.dat");

QString prompt(int disk) { return QStringLiteral("Please insert Disk No. %1 now!").arg(disk); }
void insert(const char* disk) { platform::Machine::current().insertDisk(QString::fromLatin1(disk)); }

class RestoreFloppyTest : public RestoreTest {
protected:
    void SetUp() override
    {
        RestoreTest::SetUp();
        for (int n = 1; n <= 3; ++n)
            tm.machine().createDisk(QStringLiteral("save%1").arg(n), platform::DiskFormat::byName(QStringLiteral("1.44M")), true,
                                    n == 1 ? QStringLiteral("SAVE#1") : QString());
        // Scans that do not compress: the user-files archive needs three disks.
        QByteArray scans(3200000, Qt::Uninitialized);
        QRandomGenerator gen(1999);
        for (char& c : scans)
            c = char(gen.generate());
        fs::writeAll(kBig, scans);
    }

    // The save onto floppies: archives built in the program folder, then moved onto the disks
    // in [SplitLog] order, whole where they fit and in pieces where not; the description
    // loaded for the restore (save folder A:\, the piece counts, the joining folder).
    void saveOntoFloppies(const Saved& what)
    {
        save(what);
        insert("save1");
        core::ProgramState& s = state();
        s.SplitTargetPath = QStringLiteral("A:\\");
        s.DiskNo = 1;
        const QString n = QString::number(s.SelectedConfig + 1);
        const QStringList suffixes = {".tva", "us.tva", "s.tva", "mc.tva", "mb.tva", "ma.tva", "mx.tva", "na.tva"};
        for (int k = 1; k <= 8; ++k) {
            const QString archive = kProgram + QStringLiteral("Conf") + n + suffixes[k - 1];
            if (!fs::exists(archive))
                continue;
            QString ask;
            ASSERT_TRUE(backup::CopyArchiveToDisk(archive, s.SplitTargetPath, ask)) << archive.toStdString();
            s.SplitArchive[k] = archive;
            s.SplitPieces[k] = backup::copyState().SplitPieceCount;
        }
        s.SplitTargetPath.clear();
        ASSERT_EQ(s.SplitPieces[2], 3) << "the user files lie on three disks";
        s.SaveFolder = QStringLiteral("A:\\");
        s.DiskNo = 0;
        s.DiskRestoreFolder = kDiskRestore;
        tm.machine().ejectDisk();
    }
};

} // namespace

TEST_F(RestoreFloppyTest, ThreeDisksAreJoinedAndEverythingChosenComesBack)
{
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert("save2"); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert("save3"); });
    saveOntoFloppies({.systemBoxes = {QStringLiteral("Check1"), QStringLiteral("Check9")},
                      .userFiles = {kLetter, kBig},
                      .startMenu = true});
    const QByteArray scans = read(kBig);
    const QByteArray autoexec = read(QStringLiteral("C:\\AUTOEXEC.BAT"));
    const QByteArray win = read(QStringLiteral("C:\\WINDOWS\\WIN.INI"));
    write(kBig, "lost");
    write(QStringLiteral("C:\\AUTOEXEC.BAT"), "changed");
    write(QStringLiteral("C:\\WINDOWS\\WIN.INI"), "changed");
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\Start Menu\\Windows Update.url"));

    choose({QStringLiteral("Check1"), QStringLiteral("Check9"), QStringLiteral("Check20")});
    listUserFiles({kLetter, kBig}, {kBig});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(prompt(1), QStringLiteral("OK"), [] { insert("save1"); });
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert("save2"); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert("save3"); });
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(read(kBig), scans);
    EXPECT_EQ(read(QStringLiteral("C:\\AUTOEXEC.BAT")), autoexec);
    EXPECT_TRUE(fs::exists(QStringLiteral("C:\\WINDOWS\\Start Menu\\Windows Update.url")));
    EXPECT_TRUE(fs::find(kDiskRestore + QStringLiteral("*.*"), 0).isEmpty()) << "the joined archives go";
    EXPECT_EQ(state().SaveFolder, QStringLiteral("A:\\"));
    EXPECT_TRUE(state().DiskRestoreFolder.isEmpty());
    EXPECT_EQ(state().SplitPieces[2], 0);
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Animate")));
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();

    closeAndBoot();
    EXPECT_EQ(read(QStringLiteral("C:\\WINDOWS\\WIN.INI")), win);
}

TEST_F(RestoreFloppyTest, ClosingTheProgressWindowWhileThePiecesAreJoinedLeavesTheRestoreGoing)
{
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert("save2"); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert("save3"); });
    saveOntoFloppies({.userFiles = {kLetter, kBig}, .startMenu = true});
    const QByteArray scans = read(kBig);
    write(kBig, "lost");

    // The user closes the progress window from its title bar the moment it shows.
    testsupport::ClosingHand user(QStringLiteral("Animate"));
    choose({QStringLiteral("Check20")});
    listUserFiles({kLetter, kBig}, {kBig});
    ui->expect(prompt(1), QStringLiteral("OK"), [] { insert("save1"); });
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert("save2"); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert("save3"); });
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    EXPECT_TRUE(user.closed());
    EXPECT_TRUE(user.stays()) << "the joining goes on with its window gone";
    EXPECT_EQ(read(kBig), scans);
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Animate")));
}

TEST_F(RestoreFloppyTest, CancelAtTheFirstDiskStopsWithNothingUnpacked)
{
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert("save2"); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert("save3"); });
    saveOntoFloppies({.userFiles = {kLetter, kBig}, .startMenu = true});
    write(kLetter, "changed");
    listUserFiles({kLetter, kBig}, {kLetter});
    ui->expect(prompt(1), QStringLiteral("Cancel"));
    ui->expect(QStringLiteral("An error occurs while restoring. Restoring canceled."), QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(read(kLetter), QByteArray("changed"));
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).Enabled());
    EXPECT_FALSE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command4")).Enabled()) << "the configuration must be picked again";
    EXPECT_FALSE(state().RestorePending);
    EXPECT_EQ(state().SaveFolder, QStringLiteral("A:\\"));
    EXPECT_TRUE(state().DiskRestoreFolder.isEmpty());
}

TEST_F(RestoreFloppyTest, AGroupTheDisksDoNotHoldGoesToTheMissingArchiveQuestion)
{
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert("save2"); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert("save3"); });
    saveOntoFloppies({.userFiles = {kLetter, kBig}, .startMenu = true});
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\Start Menu\\Windows Update.url"));
    // Favorites were not saved; the disk prompt for the joined groups comes once for disk 1.
    choose({QStringLiteral("Check20"), QStringLiteral("Check11")});
    ui->expect(prompt(1), QStringLiteral("OK"), [] { insert("save3"); });
    ui->expect(QStringLiteral("Your Microsoft Internet Explorer Bookmarks can't be restored!"), QStringLiteral("Yes"));
    ui->expect(kNotAll, QStringLiteral("OK"));
    runRestore();
    EXPECT_TRUE(fs::exists(QStringLiteral("C:\\WINDOWS\\Start Menu\\Windows Update.url")));
    const QStringList shown = boxes();
    EXPECT_TRUE(shown[shown.size() - 2].contains(QStringLiteral("\r\"C:\\Program Files\\Trelvo\\DiskRestore\\Conf1mb.tva\"\r")));
    // The Start menu came back; the favorites did not, and the last box says so.
    EXPECT_EQ(shown.last(), kNotAll + QStringLiteral("\r\rMicrosoft Internet Explorer Bookmarks: archive not found: "
                                                      "C:\\Program Files\\Trelvo\\DiskRestore\\Conf1mb.tva"));
}

TEST_F(RestoreFloppyTest, AProgramFolderWithoutRoomForTheJoinedArchiveStopsAndChangesNothing)
{
    testsupport::SmallDriveC disk(tm, 24 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert("save2"); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert("save3"); });
    saveOntoFloppies({.userFiles = {kLetter, kBig}});
    if (fs::exists(kProgram + QStringLiteral("Conf1us.tva")))
        fs::removeFile(kProgram + QStringLiteral("Conf1us.tva"));
    write(kBig, "changed since");
    write(kLetter, "changed too");
    listUserFiles({kLetter, kBig}, {kLetter, kBig});

    // Room for the first disk's piece, not for the second.
    disk.fill(2 << 20);
    ui->expect(prompt(1), QStringLiteral("OK"), [] { insert("save1"); });
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert("save2"); });
    ui->expect(QStringLiteral("Kann nicht in Datei schreiben"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("An error occurs while restoring. Restoring canceled."), QStringLiteral("OK"));
    runRestore();
    disk.release();

    EXPECT_EQ(read(kBig), QByteArray("changed since"));
    EXPECT_EQ(read(kLetter), QByteArray("changed too"));
    EXPECT_TRUE(fs::find(kDiskRestore + QStringLiteral("*.*"), 0).isEmpty()) << "no part of the joined archive stays";
    EXPECT_FALSE(boxes().contains(kRestored));
    EXPECT_TRUE(core::ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).Enabled());
    EXPECT_TRUE(state().DiskRestoreFolder.isEmpty());
}

TEST_F(RestoreFloppyTest, AConfigurationWhoseArchivesWentOntoTheFloppiesWholeAsksForDisk1BeforeReadingIt)
{
    // Win.ini on disk 1, whole; the description records it with no pieces, as a save whose
    // further archives were given up leaves it.
    const QByteArray win = read(QStringLiteral("C:\\WINDOWS\\WIN.INI"));
    save({.systemBoxes = {QStringLiteral("Check9")}});
    insert("save1");
    core::ProgramState& s = state();
    s.SplitTargetPath = QStringLiteral("A:\\");
    s.DiskNo = 1;
    QString ask;
    ASSERT_TRUE(backup::CopyArchiveToDisk(kProgram + QStringLiteral("Conf1.tva"), s.SplitTargetPath, ask));
    ASSERT_EQ(backup::copyState().SplitPieceCount, 0);
    s.SplitTargetPath.clear();
    s.SplitArchive[1] = kProgram + QStringLiteral("Conf1.tva");
    s.SplitPieces[1] = 0;
    s.SaveFolder = QStringLiteral("A:\\");
    s.DiskNo = 0;
    write(QStringLiteral("C:\\WINDOWS\\WIN.INI"), "changed");

    // Another disk is in the drive: nothing is read until disk 1 is in.
    insert("save2");
    choose({QStringLiteral("Check9")});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(prompt(1), QStringLiteral("OK"), [] { insert("save1"); });
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(boxes().size(), 3) << boxes().join(u'\n').toStdString();
    EXPECT_TRUE(fs::find(kDiskRestore + QStringLiteral("*.*"), 0).isEmpty()) << "the copied archive goes";
    EXPECT_TRUE(state().DiskRestoreFolder.isEmpty());
    EXPECT_EQ(state().SaveFolder, QStringLiteral("A:\\"));
    closeAndBoot();
    EXPECT_EQ(read(QStringLiteral("C:\\WINDOWS\\WIN.INI")), win);
}
