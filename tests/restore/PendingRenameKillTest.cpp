// The real program killed (kill -9) while a second restore unpacks another configuration's
// system files and the first restore's Win.ini still waits in the work folder for the
// boot-time rename: the next start puts that copy back and asks about the first restore,
// and the restart the user agrees to brings the Win.ini chosen in it.
#include "platform/Boot.h"
#include "support/ProgramRun.h"
#include "support/TempMachine.h"

#include <QDirIterator>
#include <QFileInfo>

using testsupport::MachineTest;
using testsupport::ProgramRun;

namespace {

const QString kWinIni = QStringLiteral("WINDOWS/WIN.INI");
const QString kWork = QStringLiteral("WINDOWS/TEMP/trelvo");

// The bytes of a Win.ini that the host's unzip of process `pid` has written so far; -1 while
// there is none.
qint64 winIniUnpackedSoFar(const testsupport::TempMachine& tm, qint64 pid)
{
    qint64 most = -1;
    for (const QString& folder : testsupport::zipScratchFolders(tm, pid))
        for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            if (it.next().endsWith(QStringLiteral("/win.ini"), Qt::CaseInsensitive))
                most = qMax(most, it.fileInfo().size());
    return most;
}

// The copy in the work folder that the rename list names for Win.ini, and its set-aside name.
QString waitingWinIni(const testsupport::TempMachine& tm, const QString& suffix = {})
{
    for (const QFileInfo& f : QDir(tm.hostC(kWork)).entryInfoList(QDir::Files | QDir::Hidden))
        if (f.fileName().compare(QStringLiteral("win.ini") + suffix, Qt::CaseInsensitive) == 0)
            return f.filePath();
    return {};
}

} // namespace

TEST_F(MachineTest, AWaitingCopySetAsideByAKilledRestoreComesBackAtTheNextStart)
{
    // Win.ini and the favorites saved: slot 1 with a small Win.ini, slot 2 with one large
    // enough that unpacking it is still under way when looked at.
    const QByteArray winOfSlot1 = "[windows]\r\nslot=1\r\n";
    tm.writeC(kWinIni, winOfSlot1);
    const auto save = [&](const char* option, const char* name) {
        ProgramRun run(tm, {"@Form1.Check2 => 1", "@Form1.Command11 => Click", "@UserFiles.Check12 => 1", QStringLiteral("@Form1.%1 => Click").arg(QLatin1String(option)),
                            QStringLiteral("@Form1.Text1 => \"%1\"").arg(QLatin1String(name)), "@Form1.Command1 => Click",
                            "Configuration saved successfull! => OK", "@Form1.Command3 => Click"});
        ASSERT_TRUE(run.finish()) << run.errors().toStdString();
    };
    save("Option1", "First");
    tm.writeC(kWinIni, QByteArray(64 << 20, ';'));
    save("Option2", "Second");
    tm.writeC(kWinIni, "[windows]\r\nrun=evil.exe\r\n");

    // The first restore stops at the bookmarks it cannot restore: Win.ini waits for the restart.
    // Then, in the same run, the second restore, of slot 2, killed while it unpacks that
    // slot's Win.ini, which the user lets the restart replace too.
    ASSERT_TRUE(QFile::remove(tm.hostC("Program Files/Trelvo/Conf1mb.tva")));
    qint64 killed = 0;
    {
        ProgramRun both(tm, {"@Form1.List2 => 0", "@Form1.Command4 => Click", "restore the following Configuration => Yes",
                             "@RestoreReq.Check9 => 1", "@RestoreReq.Check11 => 1", "@RestoreReq.Command1 => Click",
                             "Your system will be restarted after the Restore Process. => Yes",
                             "Bookmarks can't be restored! => No", "completed when the computer is restarted next. => OK",
                             "@Form1.List2 => 1", "@Form1.Command4 => Click", "restore the following Configuration => Yes",
                             "@RestoreReq.Check9 => 1", "@RestoreReq.Command1 => Click",
                             "Your system will be restarted after the Restore Process. => Yes",
                             "has not been completed yet: \"First\" => Yes", "Files successfully restored => OK",
                             "@Form1.Command3 => Click"});
        killed = both.pid();
        ASSERT_TRUE(both.killWhen([&] { return winIniUnpackedSoFar(tm, killed) >= (1 << 20); })) << both.errors().toStdString();
    }
    ASSERT_FALSE(waitingWinIni(tm, QStringLiteral(".wait")).isEmpty()) << "the run was not killed while the copy was set aside";
    ASSERT_EQ(tm.readC(kWinIni), QByteArray("[windows]\r\nrun=evil.exe\r\n"));

    // The next start puts the copy back and names the restore it belongs to; the restart the
    // user agrees to completes it.
    ProgramRun next(tm, {"was interrupted before the computer was restarted: \"First\" These files were to be replaced when the "
                         "computer starts next: C:\\WINDOWS\\Win.ini => Yes"});
    ASSERT_TRUE(next.finish()) << next.errors().toStdString();
    EXPECT_FALSE(next.errors().contains("unexpected")) << next.errors().toStdString();
    EXPECT_TRUE(waitingWinIni(tm, QStringLiteral(".wait")).isEmpty());
    EXPECT_EQ(tm.readC(kWinIni), winOfSlot1);
    EXPECT_FALSE(platform::restartPending());
}
