// A restore onto a host disk that is full (drive C: on a small tmpfs): a live file whose
// saved copy cannot be written over it stays exactly as it was, and is named as not restored.
#include "RestoreTesting.h"
#include "support/SmallDisk.h"

#include <QRandomGenerator>

using namespace restoretest;

namespace {

const QString kAutoexec = QStringLiteral("C:\\AUTOEXEC.BAT");
const QString kConfigSys = QStringLiteral("C:\\CONFIG.SYS");

QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

using FullDiskRestoreTest = RestoreTest;

} // namespace

TEST_F(FullDiskRestoreTest, ALiveFileThatCannotBeReplacedStaysAsItWas)
{
    testsupport::SmallDriveC disk(tm, 6 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    // Saved: a large AUTOEXEC.BAT and CONFIG.SYS; since then both were edited.
    write(kAutoexec, noise(300000, 1));
    write(kConfigSys, "DEVICE=C:\\WINDOWS\\HIMEM.SYS\r\n");
    save({.systemBoxes = {QStringLiteral("Check1"), QStringLiteral("Check2")}});
    const QByteArray savedConfig = read(kConfigSys);
    write(kAutoexec, "@ECHO OFF\r\nREM edited since\r\n");
    write(kConfigSys, "REM edited since\r\n");
    const QByteArray autoexec = read(kAutoexec);

    // Room for the unpacked copies, not for a second copy of the large file beside the live one.
    disk.fill(400000);
    choose({QStringLiteral("Check1"), QStringLiteral("Check2")});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(kNotAll, QStringLiteral("OK"));
    runRestore();
    disk.release();

    EXPECT_EQ(read(kAutoexec), autoexec) << "the live file must not be emptied or removed";
    EXPECT_EQ(read(kConfigSys), savedConfig);
    const QString told = boxes().isEmpty() ? QString() : boxes().last();
    EXPECT_TRUE(told.contains(kAutoexec, Qt::CaseInsensitive) && told.contains(QStringLiteral("Disk full"), Qt::CaseInsensitive))
        << told.toStdString();
    const QStringList log = errorLog();
    EXPECT_FALSE(log.filter(QStringLiteral("Disk full")).isEmpty()) << log.join(u'\n').toStdString();
    if (platform::restartPending())
        closeAndBoot();
}

TEST_F(FullDiskRestoreTest, UserFilesWhoseArchiveRunsOutOfRoomStayAndNoStagedCopyIsLeft)
{
    testsupport::SmallDriveC disk(tm, 6 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    const QString photo = QStringLiteral("C:\\My Documents\\Photo.bmp");
    write(photo, noise(600000, 2));
    save({.userFiles = {kLetter, photo}});
    write(photo, "edited since");
    write(kLetter, "edited since");

    // Room for a part of what the archive holds: the unzip stops half way.
    disk.fill(300000);
    listUserFiles({kLetter, photo}, {kLetter, photo});
    ui->expect(kNothing + QStringLiteral("  ") + kLetter + QStringLiteral(": Disk full"), QStringLiteral("OK"));
    runRestore();
    disk.release();

    EXPECT_EQ(read(photo), QByteArray("edited since"));
    EXPECT_EQ(read(kLetter), QByteArray("edited since"));
    // Whatever the unzip got out before it stopped is gone with the staging tree.
    EXPECT_FALSE(fs::exists(kWork + QStringLiteral("User"))) << "staged copies left behind";
    EXPECT_EQ(errorLog().filter(QStringLiteral("Restore")).size(), 1) << errorLog().join(u'\n').toStdString();
}
