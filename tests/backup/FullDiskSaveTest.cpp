// A save onto a host disk that runs full (drive C: on a small tmpfs): an archive that does not
// fit is absent, never empty or cut short; the description says "0" for what it should have
// held and the warning names it; the slot saved before and trelvo.ini are as they were.
#include "SaveTesting.h"
#include "FloppyTesting.h"
#include "support/SmallDisk.h"

using namespace backuptest;
using core::state;
namespace fs = platform::fs;

namespace {

using FullDiskSaveTest = SaveFixture;

const QString kTrelvo = QStringLiteral("Program Files/Trelvo/");

QStringList errorLogOf(const testsupport::TempMachine& tm)
{
    return QString::fromLatin1(tm.readC(kTrelvo + "Error.log")).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace

TEST_F(FullDiskSaveTest, AnArchiveThatDoesNotFitIsAbsentAndTheSavedSlotStaysWhole)
{
    testsupport::SmallDriveC disk(tm, 6 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    // Slot 1, saved while there was room: Win.ini and a letter.
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    writeUserList({QStringLiteral("C:\\My Documents\\Letter to Anna.txt")});
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(kProgramFolder, 0, QStringLiteral("Weekly"));
    ASSERT_TRUE(state().SaveComplete);
    QMap<QString, QByteArray> slot1;
    for (const QString& name : {"Conf1.tva", "Conf1us.tva", "Config1.ini", "Config1.usr"})
        slot1.insert(name, tm.readC(kTrelvo + name));

    // Slot 2: System.dat, larger than the room its archive would need once it is staged.
    tm.writeC("WINDOWS/SYSTEM.DAT", randomBytes(300000, 7));
    core::CheckBoxOf("Form1", "Check2").setValue(0);
    tick(QStringLiteral("Form1"), QStringLiteral("Check7"));
    writeUserList({});
    disk.fill(450000);
    ui->expect(QStringLiteral("Not saved: System.dat"), QStringLiteral("OK"));
    saveInto(kProgramFolder, 1, QStringLiteral("Monday"));
    disk.release();

    EXPECT_TRUE(state().SaveDone);
    EXPECT_FALSE(state().SaveComplete);
    EXPECT_FALSE(tm.existsC(kTrelvo + "Conf2.tva")) << "an archive that did not fit must not be there at all";
    const platform::IniDocument description = iniOf(tm.readC(kTrelvo + "Config2.ini"));
    EXPECT_EQ(description.value("SystemFilesSaved", "System.dat"), QStringLiteral("0"));
    EXPECT_TRUE(errorLogOf(tm).filter("Conf2.tva: zip.exe ended with 14").size() == 1) << errorLogOf(tm).join("\n").toStdString();
    for (auto it = slot1.cbegin(); it != slot1.cend(); ++it)
        EXPECT_EQ(tm.readC(kTrelvo + it.key()), it.value()) << it.key().toStdString();
    const platform::IniDocument ini = iniOf(tm.readC(kTrelvo + "trelvo.ini"));
    EXPECT_EQ(ini.value("Settings", "Config1"), QStringLiteral("Weekly"));
    EXPECT_EQ(ini.value("Settings", "Config2"), QStringLiteral("Monday"));
    EXPECT_EQ(ini.value("SystemFiles", "System.dat"), QStringLiteral("1"));
}

TEST_F(FullDiskSaveTest, ADiskWithNoRoomAtAllKeepsTrelvoIniAndSaysSoOnce)
{
    testsupport::SmallDriveC disk(tm, 4 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(kProgramFolder, 0, QStringLiteral("Weekly"));
    const QByteArray settings = tm.readC(kTrelvo + "trelvo.ini");
    const QByteArray description = tm.readC(kTrelvo + "Config1.ini");
    ASSERT_FALSE(settings.isEmpty());

    // The same save again, into slot 2 on a disk without a free byte; then the program ends.
    disk.fill();
    ui->expect(QStringLiteral("Trelvo could not save its settings into this file: C:\\Program Files\\Trelvo\\trelvo.ini Disk full"),
               QStringLiteral("OK"));
    ui->expect(QStringLiteral("Win.ini"), QStringLiteral("OK"));   // its copy for the archive could not be made
    ui->expect(QStringLiteral("Not saved"), QStringLiteral("OK"));
    saveInto(kProgramFolder, 1, QStringLiteral("Monday"));
    core::SaveSettings();   // told once: no second box
    disk.release();

    EXPECT_EQ(tm.readC(kTrelvo + "trelvo.ini"), settings);
    EXPECT_EQ(tm.readC(kTrelvo + "Config1.ini"), description);
    EXPECT_FALSE(tm.existsC(kTrelvo + "Conf2.tva"));
    EXPECT_FALSE(tm.existsC(kTrelvo + "Config2.ini"));
}
