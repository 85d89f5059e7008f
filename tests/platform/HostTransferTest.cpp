// Host files taken onto the machine by renaming them into place (what the zip adapters do
// with what the host's programs made): the same checks and the same outcome as a copy.
#include "support/Errors.h"
#include "platform/FileSystem.h"
#include "platform/HostTransfer.h"
#include "platform/SysError.h"
#include "support/SmallDisk.h"
#include "support/TempMachine.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

using namespace platform;
using testsupport::errorOf;
using testsupport::MachineTest;

namespace {

// A host file the way unzip leaves one: in a scratch folder beside the drive, read-only for
// everybody as for an entry stored read-only.
QString hostFile(const ScratchDir& scratch, const QString& name, const QByteArray& bytes)
{
    const QString path = scratch.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), 0444);
    return path;
}

} // namespace

TEST_F(MachineTest, AHostFileMovedOntoTheMachineIsAnOrdinaryFileOfIt)
{
    ScratchDir scratch(tm.dir());
    ASSERT_TRUE(scratch.isValid());
    const QString made = hostFile(scratch, QStringLiteral("new.txt"), "from the archive");
    fs::moveHostFile(made, QStringLiteral("C:\\My Documents\\New.txt"));
    EXPECT_FALSE(QFileInfo::exists(made)) << "renamed, not copied";
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\MY DOCUMENTS\\NEW.TXT")), QByteArray("from the archive"));
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\My Documents\\New.txt")), quint32(AttrArchive));
    EXPECT_EQ(fs::find(QStringLiteral("C:\\My Documents\\New.*"), 0).size(), 1) << "the folder's listing has it";
    // The host's read-only mode does not come along: the machine writes it as any other file.
    {
        fs::File appended;
        appended.open(QStringLiteral("C:\\My Documents\\New.txt"), fs::File::Append);
        appended.write(", changed");
    }
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\My Documents\\New.txt")), QByteArray("from the archive, changed"));

    // A file it replaces keeps its attributes and gets the archive bit.
    fs::setAttributes(QStringLiteral("C:\\My Documents\\New.txt"), AttrHidden);
    fs::moveHostFile(hostFile(scratch, QStringLiteral("again.txt"), "second"), QStringLiteral("C:\\My Documents\\New.txt"));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\My Documents\\New.txt")), QByteArray("second"));
    EXPECT_EQ(fs::attributes(QStringLiteral("C:\\My Documents\\New.txt")), quint32(AttrHidden | AttrArchive));
}

TEST_F(MachineTest, AHostFileRefusedByTheMachineStaysWhereItWas)
{
    ScratchDir scratch(tm.dir());
    fs::writeAll(QStringLiteral("C:\\Locked.txt"), "locked");
    fs::setAttributes(QStringLiteral("C:\\Locked.txt"), AttrReadOnly);
    const QString made = hostFile(scratch, QStringLiteral("x.txt"), "x");
    EXPECT_EQ(errorOf([&] { fs::moveHostFile(made, QStringLiteral("C:\\Locked.txt")); }), ErrPathFileAccess);
    EXPECT_EQ(errorOf([&] { fs::moveHostFile(made, QStringLiteral("C:\\No Such Folder\\x.txt")); }), ErrPathNotFound);
    Machine::current().createDisk(QStringLiteral("ro"), DiskFormat::byName(QStringLiteral("1.44M")), true);
    Machine::current().insertDisk(QStringLiteral("ro"));
    Machine::current().protectDisk(QStringLiteral("ro"), true);
    EXPECT_EQ(errorOf([&] { fs::moveHostFile(made, QStringLiteral("A:\\x.txt")); }), ErrPathFileAccess);
    EXPECT_TRUE(QFileInfo::exists(made));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Locked.txt")), QByteArray("locked"));
}

// A drive on another host file system than the file: the file is copied instead.
TEST_F(MachineTest, AHostFileOnAnotherFileSystemIsCopied)
{
    testsupport::SmallDriveC small(tm);
    SKIP_UNLESS_MOUNTED(small);
    ScratchDir scratch(tm.dir());
    const QString made = hostFile(scratch, QStringLiteral("far.txt"), "far away");
    fs::moveHostFile(made, QStringLiteral("C:\\Far.txt"));
    EXPECT_EQ(fs::readAll(QStringLiteral("C:\\Far.txt")), QByteArray("far away"));
    EXPECT_TRUE(QFileInfo::exists(made));
}
