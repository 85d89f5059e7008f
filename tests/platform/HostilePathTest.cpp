// Paths that come from files (list files, descriptions, INI files, command lines) and hold a
// NUL or another character no name may hold: each is refused with 52 before any host call
// sees it, so none reaches the machine's own folder or writes under a shortened name.
#include "platform/Boot.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"
#include "support/DriveState.h"
#include "support/TempMachine.h"

#include <QElapsedTimer>
#include <functional>

using namespace platform;
using testsupport::MachineTest;

namespace {

QString withNul(const char* before, const char* after = "")
{
    return QString::fromLatin1(before) + QChar(0) + QString::fromLatin1(after);
}

// Runs a command line as the programs do and gives its exit code.
int run(const QString& line)
{
    const qint64 pid = proc::Shell(line, proc::Hide);
    proc::WaitForProcess(pid);
    return proc::ExitCodeOf(pid).value_or(-1);
}

struct Row {
    const char* what;
    std::function<void()> act;
    bool refused;   // act throws 52; otherwise it returns and what it did is checked below
};

} // namespace

TEST_F(MachineTest, APathWithACharacterNoNameMayHoldIsRefusedBeforeTheHostSeesIt)
{
    const QString upAndNul = withNul("C:\\..");
    const QString newFile = withNul("C:\\NEWF", "tail");
    const Row rows[] = {
        {"listing C:\\..<NUL>", [&] { fs::find(upAndNul + QStringLiteral("\\*.*"), AttrDirectory | AttrHidden); }, true},
        {"listing C:\\..<NUL> itself", [&] { fs::find(upAndNul, AttrDirectory); }, true},
        {"writing C:\\NEWF<NUL>tail", [&] { fs::writeAll(newFile, "x"); }, true},
        {"making the folder C:\\NEWF<NUL>tail", [&] { fs::createDirectory(newFile); }, true},
        {"copying onto C:\\NEWF<NUL>tail", [&] { fs::copyFile(QStringLiteral("C:\\AUTOEXEC.BAT"), newFile); }, true},
        {"staging onto C:\\NEWF<NUL>tail", [&] { fs::linkOrCopyFile(QStringLiteral("C:\\AUTOEXEC.BAT"), newFile); }, true},
        {"copying from C:\\AUTOEXEC.BAT<NUL>x", [&] { fs::copyFile(withNul("C:\\AUTOEXEC.BAT", "x"), QStringLiteral("C:\\copy.txt")); }, true},
        {"the status of C:\\AUTOEXEC.BAT<NUL>", [&] { fs::stat(withNul("C:\\AUTOEXEC.BAT")); }, true},
        {"removing C:\\AUTOEXEC.BAT<NUL>x", [&] { fs::removeFile(withNul("C:\\AUTOEXEC.BAT", "x")); }, true},
        {"renaming onto C:\\A|B", [&] { fs::rename(QStringLiteral("C:\\AUTOEXEC.BAT"), QStringLiteral("C:\\A|B")); }, true},
        {"making C:\\a<b", [&] { fs::createDirectory(QStringLiteral("C:\\a<b")); }, true},
        {"making C:\\a>b", [&] { fs::createDirectory(QStringLiteral("C:\\a>b")); }, true},
        {"making C:\\a\"b", [&] { fs::createDirectory(QStringLiteral("C:\\a\"b")); }, true},
        {"making C:\\tab<TAB>name", [&] { fs::createDirectory(QStringLiteral("C:\\tab\tname")); }, true},
        {"making C:\\WINDOWS\\line<LF>end", [&] { fs::createDirectory(QStringLiteral("C:\\WINDOWS\\line\nend")); }, true},
        {"C:\\..<NUL> made the current folder", [&] { fs::machine().setCurrentDir(upAndNul); }, true},
        {"removing the tree C:\\..<NUL>", [&] { fs::removeTree(upAndNul); }, false},
        {"removing the tree C:\\WINDOWS\\..<NUL>", [&] { fs::removeTree(withNul("C:\\WINDOWS\\..")); }, false},
        {"is C:\\..<NUL> a folder", [&] { EXPECT_FALSE(fs::isDirectory(upAndNul)); }, false},
        {"a profile value written to WIN.INI<NUL>x",
         [&] {
             EXPECT_FALSE(profile::writeString(QStringLiteral("x"), QStringLiteral("k"), QStringLiteral("v"),
                                               withNul("C:\\WINDOWS\\WIN.INI", "x")));
         },
         false},
        {"a profile value read from WIN.INI<NUL>x",
         [&] {
             EXPECT_EQ(profile::getString(QStringLiteral("windows"), QStringLiteral("load"), QStringLiteral("none"), 255,
                                          withNul("C:\\WINDOWS\\WIN.INI", "x")),
                       QStringLiteral("none"));
         },
         false},
        {"zip.exe packing into C:\\..<NUL>",
         [&] { EXPECT_NE(run(QStringLiteral("zip.exe -9 \"") + upAndNul + QStringLiteral("\\out.zip\" C:\\AUTOEXEC.BAT")), 0); },
         false},
    };
    for (const Row& row : rows) {
        const auto before = testsupport::hostTree(tm);
        QElapsedTimer took;
        took.start();
        int code = 0;
        try {
            row.act();
        } catch (const SysError& e) {
            code = e.code();
        }
        EXPECT_EQ(code, row.refused ? int(ErrBadFileName) : 0) << row.what;
        EXPECT_LT(took.elapsed(), 5000) << row.what;
        EXPECT_EQ(testsupport::hostTree(tm), before) << row.what;
    }
    EXPECT_FALSE(tm.existsC(QStringLiteral("NEWF")));

    // The boot-time rename list of Wininit.ini: a line whose target or source holds a NUL
    // replaces and deletes nothing.
    const QByteArray winIni = tm.readC(QStringLiteral("WINDOWS/WIN.INI"));
    const QByteArray configSys = tm.readC(QStringLiteral("CONFIG.SYS"));
    fs::writeAll(QStringLiteral("C:\\WINDOWS\\Wininit.ini"),
                 (QStringLiteral("[rename]\r\n") + withNul("C:\\WINDOWS\\WIN.INI", "x") + QStringLiteral("=C:\\AUTOEXEC.BAT\r\nNUL=") +
                  withNul("C:\\CONFIG.SYS", "x") + QStringLiteral("\r\n"))
                     .toLatin1());
    ExitWindowsEx(EWX_REBOOT, 0);
    const BootReport report = bootMachine();
    EXPECT_EQ(report.replaced, 0);
    EXPECT_EQ(report.deleted, 0);
    EXPECT_EQ(tm.readC(QStringLiteral("WINDOWS/WIN.INI")), winIni);
    EXPECT_EQ(tm.readC(QStringLiteral("CONFIG.SYS")), configSys);
    EXPECT_TRUE(tm.existsC(QStringLiteral("AUTOEXEC.BAT")));
}

// The check that a path read from a file passes, as a typed one does: every name one the
// machine can name, so the path is its own normal form and stays below a folder it is put under.
TEST(WinPath, APathFromAFileIsTakenOnlyWhenEachOfItsNamesIsAName)
{
    const struct { QString path; bool taken; } rows[] = {
        {QStringLiteral("C:\\Data\\Letter.doc"), true},
        {QStringLiteral("c:\\my documents\\a, \"b\".txt"), false},
        {QStringLiteral("C:\\A\\..\\..\\..\\..\\WIN.INI"), false},
        {QStringLiteral("C:\\A\\.\\x.txt"), false},
        {QStringLiteral("C:\\A\\x.txt."), false},
        {QStringLiteral("C:\\A\\x.txt "), false},
        {QStringLiteral("C:..\\x.txt"), false},
        {withNul("C:\\NEWF", "tail"), false},
        {QStringLiteral("C:\\a|b\\x.txt"), false},
        {QStringLiteral("C:\\a\\b<c"), false},
        {QStringLiteral("C:\\a\\b\x01"), false},
        {QStringLiteral("C:\\a*.txt"), false},
        {QStringLiteral("\\\\server\\share\\x.txt"), true},
        {QStringLiteral("D:\\x\\\\y.txt"), true},
        {QString(), false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(winpath::isNameablePath(row.path), row.taken) << winpath::printable(row.path).toStdString();
        if (!row.taken) {
            EXPECT_THROW(fs::requireNameable(row.path), SysError) << winpath::printable(row.path).toStdString();
        }
    }
    EXPECT_EQ(fs::below(QStringLiteral("C:\\T\\User\\"), QStringLiteral("Data\\x.txt")), QStringLiteral("C:\\T\\User\\Data\\x.txt"));
    for (const char* rest : {"A\\..\\..\\..\\..\\WIN.INI", "..", "\\WIN.INI", "C:\\WIN.INI", "C:WIN.INI", ""})
        EXPECT_THROW(fs::below(QStringLiteral("C:\\T\\User\\"), QString::fromLatin1(rest)), SysError) << rest;
}
