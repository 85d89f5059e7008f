// The rescue archive: the fourteen system files staged, packed by the real zip into
// Configd.tva in the program folder, and the staging folder removed again.
#include "rescue/SelWiz.h"
#include "vb/Forms.h"
#include "RescueTesting.h"
#include "support/SmallDisk.h"

#include <QEvent>
#include <QSet>
#include <QWidget>
#include <algorithm>

using namespace rescuetest;
using core::state;

namespace {

const QString kStaging = QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo");

const QStringList kStaged = {
    QStringLiteral("autoexec.bat"), QStringLiteral("autoexec.dos"), QStringLiteral("config.sys"),
    QStringLiteral("config.dos"),   QStringLiteral("msdos.sys"),    QStringLiteral("system.ini"),
    QStringLiteral("protocol.ini"), QStringLiteral("control.ini"),  QStringLiteral("user.dat"),
    QStringLiteral("system.dat"),   QStringLiteral("win.ini"),      QStringLiteral("dblspace.ini"),
    QStringLiteral("drvspace.ini"), QStringLiteral("drvspace.bin"),
};

class SelWizTest : public RescueTest {
protected:
    static void makeArchive() { rescue::SelWiz().Show(vb::vbModal); }

    static QStringList entries()
    {
        QStringList names = archiveEntries(hostOf(kArchive));
        std::sort(names.begin(), names.end());
        return names;
    }
    static QStringList expectedEntries(QStringList staged)
    {
        for (QString& name : staged)
            name.prepend(QStringLiteral("WINDOWS/TEMP/trelvo/"));
        std::sort(staged.begin(), staged.end());
        return staged;
    }
};

} // namespace

TEST_F(SelWizTest, PacksTheFourteenSystemFilesAndRemovesTheStagingFolder)
{
    makeArchive();

    EXPECT_EQ(state().ZipCommand, QStringLiteral("zip.exe -1gqouS Configd.tva C:\\WINDOWS\\TEMP\\trelvo\\*.*"));
    EXPECT_EQ(state().ShellCommand, state().ZipCommand);
    EXPECT_EQ(entries(), expectedEntries(kStaged));
    // Hidden and system files go in as well, with their contents.
    EXPECT_EQ(entryBytes(hostOf(kArchive), QStringLiteral("WINDOWS/TEMP/trelvo/msdos.sys")), tm.readC(QStringLiteral("MSDOS.SYS")));
    EXPECT_EQ(entryBytes(hostOf(kArchive), QStringLiteral("WINDOWS/TEMP/trelvo/user.dat")),
              tm.readC(QStringLiteral("WINDOWS/USER.DAT")));

    EXPECT_FALSE(fs::exists(kStaging));
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("SelWiz")));
    EXPECT_EQ(vb::Screen::MousePointer(), 0);
    EXPECT_TRUE(errorLog().isEmpty());
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(SelWizTest, StartsFromNothingLeftBehindAndTakesTheLevelWithoutBlanks)
{
    // An interrupted run left its staging folder (with a hidden file) and an old archive.
    fs::createDirectory(kStaging);
    fs::writeAll(kStaging + QStringLiteral("\\stale.txt"), "left over");
    fs::setAttributes(kStaging + QStringLiteral("\\stale.txt"), platform::AttrHidden | platform::AttrReadOnly);
    fs::writeAll(kArchive, "not an archive at all");
    state().Compression = QStringLiteral(" 9 ");

    makeArchive();

    EXPECT_EQ(state().ZipCommand, QStringLiteral("zip.exe -9gqouS Configd.tva C:\\WINDOWS\\TEMP\\trelvo\\*.*"));
    EXPECT_EQ(entries(), expectedEntries(kStaged));
    EXPECT_FALSE(fs::exists(kStaging));
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(SelWizTest, AFileThatCannotBeCopiedIsLoggedAndLeftOut)
{
    fs::removeFile(QStringLiteral("C:\\AUTOEXEC.DOS"));
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\PROTOCOL.INI"));

    makeArchive();

    QStringList present = kStaged;
    present.removeAll(QStringLiteral("autoexec.dos"));
    present.removeAll(QStringLiteral("protocol.ini"));
    EXPECT_EQ(entries(), expectedEntries(present));
    EXPECT_EQ(errorLog(), (QList<LogLine>{{QStringLiteral("File not found"), QStringLiteral("Autoexec.dos Wizard Configuration Save")},
                                          {QStringLiteral("File not found"), QStringLiteral("Protocol.ini Wizard Configuration Save")}}));
    EXPECT_TRUE(ui->shown().isEmpty());
}

// A file the machine has but that a full disk keeps out of the staging folder: a rescue set
// without it would pass for a whole one, so there is no archive (the wizard then says so),
// and the log names the file and why.
TEST_F(SelWizTest, AFileTheFullDiskKeepsOutLeavesNoArchive)
{
    testsupport::SmallDriveC disk(tm);
    SKIP_UNLESS_MOUNTED(disk);
    fs::writeAll(kArchive, "the archive of an earlier set");
    fs::setAttributes(QStringLiteral("C:\\WINDOWS\\SYSTEM.DAT"), platform::AttrArchive);
    fs::writeAll(QStringLiteral("C:\\WINDOWS\\SYSTEM.DAT"), QByteArray(2 << 20, 'r'));
    disk.fill(256 << 10);   // room for the small files, not for a second SYSTEM.DAT

    makeArchive();
    disk.release();

    EXPECT_FALSE(fs::exists(kArchive));
    const QList<LogLine> log = errorLog();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const LogLine& l) {
        return l == LogLine{QStringLiteral("Disk full"), QStringLiteral("System.dat Wizard Configuration Save")};
    })) << ::testing::PrintToString(log);
    EXPECT_FALSE(fs::exists(kStaging));
    EXPECT_TRUE(ui->shown().isEmpty());
}

TEST_F(SelWizTest, ATemporaryFolderThatCannotBeMadeAsksWhetherToGoOn)
{
    state().TempPath = QStringLiteral("C:\\NOWHERE\\TEMP\\");

    // Yes to both folders: the run goes on, every copy fails, and no archive comes of it.
    ui->expect(QStringLiteral("Can not create folder  Ignore? 76"), QStringLiteral("Yes"));
    ui->expect(QStringLiteral("Can not create folder  Ignore? 76"), QStringLiteral("Yes"));
    fs::writeAll(kArchive, "old");
    makeArchive();
    EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("SelWiz")));
    EXPECT_FALSE(fs::exists(kArchive));
    const QList<LogLine> log = errorLog();
    ASSERT_EQ(log.size(), 16);
    EXPECT_EQ(log[0], (LogLine{QStringLiteral("Path not found"), QStringLiteral(" Save")}));
    EXPECT_EQ(log[1], log[0]);
    EXPECT_EQ(log[15].tag, QStringLiteral("drvspace.bin Wizard Configuration Save"));

    // No ends the program there and then.
    ui->expect(QStringLiteral("Can not create folder  Ignore? 76"), QStringLiteral("No"));
    EXPECT_THROW(makeArchive(), testsupport::ProcessEnded);
    EXPECT_EQ(errorLog().size(), 17);
}

namespace {

// What the window showed each time a part of it was painted.
struct Paint {
    QString caption;
    QString text;
    int bar = -1;          // the bar's value when the bar was painted, else -1
    bool staging = false;  // the staging folder was there: the packing was under way
};

class PaintLog : public QObject {
public:
    explicit PaintLog(rescue::SelWizForm& window) : window_(window)
    {
        window.Label2.widget()->installEventFilter(this);
        window.ProgressBar1.widget()->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            paints.append({window_.Caption(), window_.Label2.Caption(),
                           watched == window_.ProgressBar1.widget() ? window_.ProgressBar1.Value() : -1, fs::exists(kStaging)});
        return false;
    }
    QList<Paint> paints;

private:
    rescue::SelWizForm& window_;
};

} // namespace

TEST_F(SelWizTest, TheWindowIsPaintedWithItsCaptionTextAndBarWhileItPacks)
{
    for (int run = 0; run < 2; ++run) {
        // Each run loads the window afresh: the caption is the wizard's title both times.
        const PaintLog log(rescue::SelWiz());
        makeArchive();

        ASSERT_FALSE(log.paints.isEmpty()) << "run " << run;
        QList<int> barsWhilePacking;
        QSet<QString> captions;
        bool textShown = false;
        for (const Paint& p : log.paints) {
            captions << p.caption;
            textShown = textShown || p.text == QStringLiteral("Saving the current Configuration...\r Please wait...");
            if (p.staging && p.bar > 0)
                barsWhilePacking << p.bar;
        }
        EXPECT_EQ(captions, QSet<QString>{QStringLiteral("Trelvo - Rescue Disk Wizard")}) << "run " << run;
        EXPECT_TRUE(textShown) << "run " << run;
        for (int files = 1; files <= 14; ++files)
            EXPECT_TRUE(barsWhilePacking.contains(10 * files)) << "run " << run << ", file " << files;
        EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("SelWiz")));
    }
}
