// The real program killed (kill -9) in the middle of a restore, while the saved copy of a
// large user file is being unpacked on its way back over the user's current one: the
// current file is whole afterwards, and the next start clears what the killed run left
// behind. (The saved copy then takes the current file's place in one rename.)
#include "support/ProgramRun.h"
#include "support/TempMachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using testsupport::MachineTest;
using testsupport::ProgramRun;

namespace {

constexpr qint64 kSize = 64 << 20;   // large enough that the unpacking is still under way when looked at
const QString kBig = QStringLiteral("My Documents/big.dat");

// The bytes of the saved copy of the big file that the host's unzip has written so far into
// a scratch folder of the process `pid`; -1 while there is none.
qint64 unpackedSoFar(const testsupport::TempMachine& tm, qint64 pid)
{
    qint64 most = -1;
    for (const QString& folder : testsupport::zipScratchFolders(tm, pid)) {
        const QFileInfo staged(folder + QStringLiteral("/WINDOWS/TEMP/trelvo/User/my documents/big.dat"));
        if (staged.exists())
            most = qMax(most, staged.size());
    }
    return most;
}

} // namespace

TEST_F(MachineTest, AKilledRestoreLeavesTheUsersCurrentFileWhole)
{
    // Saved: the file as it was, listed as the user's only user file.
    tm.writeC(kBig, QByteArray(kSize, 's'));
    tm.writeC("Program Files/Trelvo/trelvo.usr", " 1 \r\nc:\\my documents\\big.dat\r\n");
    {
        ProgramRun save(tm, {"@Form1.Option1 => Click", "@Form1.Text1 => \"Weekly\"", "@Form1.Command1 => Click",
                             "Configuration saved successfull! => OK", "@Form1.Command3 => Click"});
        ASSERT_TRUE(save.finish()) << save.errors().toStdString();
        ASSERT_EQ(save.exitCode(), 0) << save.errors().toStdString();
    }
    ASSERT_TRUE(tm.existsC("Program Files/Trelvo/Conf1us.tva"));

    // The user has worked on it since; then restores slot 1 and the program is killed.
    const QByteArray current(kSize + 4096, 'c');
    tm.writeC(kBig, current);
    const QStringList before = QDir(tm.hostC("My Documents")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    qint64 killed = 0;
    {
        // Ends by itself should the copy slip by unseen.
        ProgramRun restore(tm, {"@Form1.List2 => 0", "@Form1.Command4 => Click", "restore the following Configuration => Yes",
                                "@RestoreReq.Command3 => Click", "@RestoreReq.Command1 => Click",
                                "Files successfully restored => OK", "@Form1.Command3 => Click"});
        killed = restore.pid();
        ASSERT_TRUE(restore.killWhen([&] { return unpackedSoFar(tm, killed) >= (1 << 20); })) << restore.errors().toStdString();
    }
    EXPECT_EQ(QFileInfo(tm.hostC(kBig)).size(), current.size());
    EXPECT_TRUE(tm.readC(kBig) == current) << "the user's current file changed";
    EXPECT_EQ(QDir(tm.hostC("My Documents")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    ASSERT_GE(unpackedSoFar(tm, killed), 1 << 20) << "the run was not killed on the saved copy's way back";

    // The next start removes the staged copy and the killed run's scratch folders.
    ProgramRun next(tm, {"@Form1.Command3 => Click"});
    ASSERT_TRUE(next.finish()) << next.errors().toStdString();
    EXPECT_FALSE(tm.existsC("WINDOWS/TEMP/trelvo"));
    EXPECT_EQ(testsupport::zipScratchFolders(tm, killed), QStringList());
    EXPECT_TRUE(tm.readC(kBig) == current);
}
