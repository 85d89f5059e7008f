// The file statements against the machine: listings, copies, deletions and open files,
// with the error numbers the programs rely on.
#include "support/Errors.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "platform/FileSystem.h"
#include "support/SmallDisk.h"
#include "support/TempMachine.h"

using namespace vb;
using testsupport::MachineTest;
using testsupport::errorOf;

namespace {


QStringList allOf(const QString& spec, int attrs)
{
    QStringList out;
    for (QString n = Dir(spec, attrs); !n.isEmpty(); n = Dir())
        out << n;
    return out;
}

} // namespace

TEST_F(MachineTest, DirListsWithoutRegardToCaseAndHonoursTheAttributeMask)
{
    EXPECT_EQ(Dir(QStringLiteral("c:\\windows\\win.ini")), QStringLiteral("WIN.INI"));
    // Hidden and system files only with their bits in the mask.
    EXPECT_EQ(Dir(QStringLiteral("C:\\MSDOS.SYS")), QString());
    EXPECT_EQ(Dir(QStringLiteral("C:\\MSDOS.SYS"), vbHidden | vbSystem), QStringLiteral("MSDOS.SYS"));
    // "*.*" matches names without a dot, and folders list "." and ".." first.
    const QStringList menu = allOf(QStringLiteral("C:\\WINDOWS\\START MENU\\*.*"), vbDirectory);
    ASSERT_GE(menu.size(), 3);
    EXPECT_EQ(menu.mid(0, 2), (QStringList{QStringLiteral("."), QStringLiteral("..")}));
    EXPECT_TRUE(menu.contains(QStringLiteral("Programs")));
    // A folder named without a trailing "\" is found as itself.
    EXPECT_EQ(Dir(QStringLiteral("C:\\windows"), vbDirectory), QStringLiteral("WINDOWS"));
    EXPECT_EQ(Dir(QStringLiteral("C:\\windows")), QString());
    EXPECT_EQ(Dir(QStringLiteral("C:\\NoSuchFolder\\*.*")), QString());
    EXPECT_EQ(Dir(QStringLiteral("C:\\"), vbVolume), QStringLiteral("WIN98"));
}

TEST_F(MachineTest, AnEmptyRootListsNothingAndAMissingDiskIsError52)
{
    EXPECT_EQ(Dir(QStringLiteral("A:"), vbDirectory | vbHidden | vbSystem), QString());
    EXPECT_EQ(Dir(QStringLiteral("A:\\"), vbDirectory), QString());
    platform::Machine::current().ejectDisk();
    EXPECT_EQ(errorOf([] { Dir(QStringLiteral("A:"), vbDirectory); }), 52);
    EXPECT_EQ(errorOf([] { ChDrive(QStringLiteral("A")); }), 68);
    EXPECT_EQ(errorOf([] { Open(QStringLiteral("A:\\X.TXT"), OpenMode::Output, 1); }), 71);
    EXPECT_EQ(errorOf([] { Dir(QStringLiteral("Q:\\*.*")); }), 52);
}

TEST_F(MachineTest, ReadOnlyFilesCannotBeOverwrittenOrDeleted)
{
    SetAttr(QStringLiteral("C:\\CONFIG.SYS"), vbReadOnly);
    EXPECT_EQ(errorOf([] { Kill(QStringLiteral("C:\\CONFIG.SYS")); }), 75);
    EXPECT_EQ(errorOf([] { Open(QStringLiteral("C:\\CONFIG.SYS"), OpenMode::Output, 1); }), 75);
    EXPECT_EQ(errorOf([] { FileCopy(QStringLiteral("C:\\AUTOEXEC.BAT"), QStringLiteral("C:\\CONFIG.SYS")); }), 75);
    EXPECT_TRUE(tm.readC(QStringLiteral("CONFIG.SYS")).startsWith("DEVICE="));
}

TEST_F(MachineTest, FileCopyCarriesTheAttributesAndLeavesACopyOntoItselfIntact)
{
    FileCopy(QStringLiteral("C:\\MSDOS.SYS"), QStringLiteral("C:\\WINDOWS\\TEMP\\msdos.sys"));
    EXPECT_EQ(GetAttr(QStringLiteral("C:\\WINDOWS\\TEMP\\MSDOS.SYS")), vbReadOnly | vbHidden | vbSystem);
    const QByteArray before = tm.readC(QStringLiteral("AUTOEXEC.BAT"));
    FileCopy(QStringLiteral("C:\\AUTOEXEC.BAT"), QStringLiteral("c:\\autoexec.bat"));
    EXPECT_EQ(tm.readC(QStringLiteral("AUTOEXEC.BAT")), before);
    EXPECT_EQ(errorOf([] { FileCopy(QStringLiteral("C:\\NONE.TXT"), QStringLiteral("C:\\X.TXT")); }), 53);
    EXPECT_EQ(errorOf([] { FileCopy(QStringLiteral("C:\\AUTOEXEC.BAT"), QStringLiteral("C:\\NO\\X.TXT")); }), 76);
}

TEST_F(MachineTest, KillTakesWildcardsAndPassesOverHiddenAndSystemFiles)
{
    Open(QStringLiteral("C:\\WINDOWS\\TEMP\\a.tmp"), OpenMode::Output, 1);
    Close(1);
    Open(QStringLiteral("C:\\WINDOWS\\TEMP\\b.tmp"), OpenMode::Output, 1);
    Close(1);
    FileCopy(QStringLiteral("C:\\IO.SYS"), QStringLiteral("C:\\WINDOWS\\TEMP\\io.tmp"));
    Kill(QStringLiteral("C:\\WINDOWS\\TEMP\\*.TMP"));
    EXPECT_EQ(allOf(QStringLiteral("C:\\WINDOWS\\TEMP\\*.*"), vbHidden | vbSystem), QStringList{QStringLiteral("io.tmp")});
    EXPECT_EQ(errorOf([] { Kill(QStringLiteral("C:\\WINDOWS\\TEMP\\*.TMP")); }), 53);
}

TEST_F(MachineTest, FolderStatementsAndTheCurrentFolderOfEachDrive)
{
    MkDir(QStringLiteral("C:\\Data"));
    EXPECT_EQ(errorOf([] { MkDir(QStringLiteral("C:\\Data")); }), 75);
    EXPECT_EQ(errorOf([] { MkDir(QStringLiteral("C:\\")); }), 75);
    EXPECT_EQ(errorOf([] { MkDir(QStringLiteral("A:\\")); }), 75);
    EXPECT_EQ(errorOf([] { MkDir(QStringLiteral("C:\\No\\Such")); }), 76);
    ChDir(QStringLiteral("c:\\data"));
    EXPECT_EQ(CurDir(), QStringLiteral("C:\\Data"));
    Open(QStringLiteral("note.txt"), OpenMode::Output, 1);   // a bare name lands in the current folder
    Print(1, QStringLiteral("hello"));
    Close(1);
    EXPECT_EQ(tm.readC(QStringLiteral("Data/note.txt")), QByteArray("hello\r\n"));
    EXPECT_EQ(errorOf([] { RmDir(QStringLiteral("C:\\Data")); }), 75);
    // A folder that holds only a hidden file or an empty folder is not empty either.
    MkDir(QStringLiteral("C:\\Data\\Inner"));
    MkDir(QStringLiteral("C:\\Data\\Inner\\Empty"));
    EXPECT_EQ(errorOf([] { RmDir(QStringLiteral("C:\\Data\\Inner")); }), 75);
    RmDir(QStringLiteral("C:\\Data\\Inner\\Empty"));
    tm.writeC(QStringLiteral("Data/Inner/.hidden"), "h");
    EXPECT_EQ(errorOf([] { RmDir(QStringLiteral("C:\\Data\\Inner")); }), 75);
    EXPECT_EQ(tm.readC(QStringLiteral("Data/Inner/.hidden")), QByteArray("h"));
    ASSERT_TRUE(QFile::remove(tm.hostC(QStringLiteral("Data/Inner/.hidden"))));
    RmDir(QStringLiteral("C:\\Data\\Inner"));
    EXPECT_FALSE(tm.existsC(QStringLiteral("Data/Inner")));
    Kill(QStringLiteral("C:\\Data\\note.txt"));
    ChDir(QStringLiteral("C:\\"));
    RmDir(QStringLiteral("C:\\DATA"));
    EXPECT_FALSE(tm.existsC(QStringLiteral("Data")));
    EXPECT_EQ(CurDir(QStringLiteral("A")), QStringLiteral("A:\\"));
}

TEST_F(MachineTest, SequentialFilesReadLinesAndItems)
{
    tm.writeC(QStringLiteral("list.txt"), "first\r\nsecond, part\r\n\r\nunix line\n\"a, quoted\" tail,next\r\n 5 , 7\r\n");
    Open(QStringLiteral("C:\\list.txt"), OpenMode::Input, 1);
    EXPECT_EQ(LineInput(1), QStringLiteral("first"));
    EXPECT_EQ(InputItem(1), QStringLiteral("second"));
    EXPECT_EQ(InputItem(1), QStringLiteral("part"));
    EXPECT_EQ(InputItem(1), QString());   // an empty line is one empty item
    EXPECT_EQ(LineInput(1), QStringLiteral("unix line"));
    EXPECT_EQ(InputItem(1), QStringLiteral("a, quoted"));
    EXPECT_EQ(InputItem(1), QStringLiteral("next"));
    EXPECT_EQ(InputItem(1), QStringLiteral("5"));
    EXPECT_EQ(InputItem(1), QStringLiteral("7"));
    EXPECT_TRUE(Eof(1));
    EXPECT_EQ(errorOf([] { LineInput(1); }), 62);
    EXPECT_EQ(errorOf([] { Open(QStringLiteral("C:\\list.txt"), OpenMode::Output, 1); }), 55);
    Close(1);
    EXPECT_EQ(errorOf([] { Open(QStringLiteral("C:\\missing.txt"), OpenMode::Input, 1); }), 53);

    // A CR LF split between two readings of the file, a lone CR, a last line without its end.
    tm.writeC(QStringLiteral("long.txt"), QByteArray(64 * 1024 - 1, 'x') + "\r\nshort\rlast");
    Open(QStringLiteral("C:\\long.txt"), OpenMode::Input, 2);
    EXPECT_EQ(LineInput(2), QString(64 * 1024 - 1, u'x'));
    EXPECT_EQ(LineInput(2), QStringLiteral("short"));
    EXPECT_EQ(LineInput(2), QStringLiteral("last"));
    EXPECT_TRUE(Eof(2));
    Close(2);
}

TEST_F(MachineTest, BinaryGetAndPutAtOneBasedPositions)
{
    const int n = FreeFile();
    Open(QStringLiteral("C:\\bin.dat"), OpenMode::Binary, n);
    Put(n, "abcdef", 1);
    Put(n, "XY", 3);
    EXPECT_EQ(Lof(n), 6);
    EXPECT_EQ(Get(n, 4, 2), QByteArray("bXYe"));
    EXPECT_EQ(Get(n, 4, 5), QByteArray("ef\0\0", 4));
    Close(n);
}

// A line file written over on a full disk: Print or Close raises "Disk full", the file keeps
// its old lines and its number is free again; the log opened for appending reports it too.
TEST_F(MachineTest, OutputOnAFullDiskRaisesDiskFullAndKeepsTheOldLines)
{
    testsupport::SmallDriveC disk(tm);
    SKIP_UNLESS_MOUNTED(disk);
    const QString list = QStringLiteral("C:\\Program Files\\Trelvo\\trelvo.usr");
    tm.writeC("Program Files/Trelvo/trelvo.usr", " 1 \r\nc:\\my documents\\letter to anna.txt\r\n");
    const QByteArray before = tm.readC("Program Files/Trelvo/trelvo.usr");
    disk.fill();

    const int n = FreeFile();
    Open(list, OpenMode::Output, n);
    int error = 0;
    for (int i = 0; i < 2000 && error == 0; ++i)
        error = errorOf([&] { Print(n, QStringLiteral("c:\\a long path to a file of the user\\number %1.doc").arg(i)); });
    const int closeError = errorOf([&] { Close(n); });
    EXPECT_EQ(error ? error : closeError, 61);
    EXPECT_FALSE(IsOpen(n));
    EXPECT_EQ(tm.readC("Program Files/Trelvo/trelvo.usr"), before);

    Open(QStringLiteral("C:\\Program Files\\Trelvo\\Error.log"), OpenMode::Append, n);
    EXPECT_EQ(errorOf([&] { Print(n, QString(9000, u'x')); }), 61);
    Close(n);
}
