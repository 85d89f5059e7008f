// A save onto a host disk that runs full (drive C: on a small tmpfs): an archive that does not
// fit is absent, never empty or cut short; the description says "0" for what it should have
// held and the warning names it; the slot saved before and trelvo.ini are as they were.
#include "SaveTesting.h"
#include "FloppyTesting.h"
#include "support/SmallDisk.h"

#include <QRegularExpression>

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
    for (const char* name : {"Conf1.tva", "Conf1us.tva", "Config1.ini", "Config1.usr"})
        slot1.insert(name, tm.readC(kTrelvo + name));

    // Slot 2: System.dat, larger than the room its archive would need once it is staged,
    // and the letter, whose archive fits.
    tm.writeC("WINDOWS/SYSTEM.DAT", randomBytes(300000, 7));
    core::CheckBoxOf("Form1", "Check2").setValue(0);
    tick(QStringLiteral("Form1"), QStringLiteral("Check7"));
    disk.fill(450000);
    ui->expect(QStringLiteral("The configuration was saved, but not all of it.  Not saved: System.dat: Disk full"), QStringLiteral("OK"));
    saveInto(kProgramFolder, 1, QStringLiteral("Monday"));
    disk.release();

    EXPECT_TRUE(state().SaveDone);
    EXPECT_FALSE(state().SaveComplete);
    EXPECT_FALSE(tm.existsC(kTrelvo + "Conf2.tva")) << "an archive that did not fit must not be there at all";
    const platform::IniDocument description = iniOf(tm.readC(kTrelvo + "Config2.ini"));
    EXPECT_EQ(description.value("SystemFilesSaved", "System.dat"), QStringLiteral("0"));
    EXPECT_TRUE(tm.existsC(kTrelvo + "Conf2us.tva"));
    EXPECT_EQ(errorLogOf(tm).filter(QRegularExpression("^Disk full.*Conf2.tva: zip.exe ended with 14 Save$")).size(), 1)
        << errorLogOf(tm).join("\n").toStdString();
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

    // The same save again and System.ini, into slot 2 on a disk without a free byte; then the
    // program ends. The log has a line already, so its next lines fit where it lies.
    tick(QStringLiteral("Form1"), QStringLiteral("Check3"));
    tm.writeC(kTrelvo + "Error.log", "before\r\n");
    disk.fill();
    ui->expect(QStringLiteral("Trelvo could not save its settings into this file: C:\\Program Files\\Trelvo\\trelvo.ini Disk full"),
               QStringLiteral("OK"));
    // The copies for the archive could not be made: one box says why, the log names each.
    ui->expect(QStringLiteral("Not enough free disk space! System.ini"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("The configuration could not be saved!  Not saved: System.ini: Disk full Win.ini: Disk full"),
               QStringLiteral("OK"));
    saveInto(kProgramFolder, 1, QStringLiteral("Monday"));
    EXPECT_FALSE(state().SaveDone);
    for (const char* file : {"System.ini", "Win.ini"})
        EXPECT_EQ(errorLogOf(tm).filter(QRegularExpression(QStringLiteral("^Disk full.*%1 Save$").arg(file))).size(), 1) << file;
    core::SaveSettings();   // told once: no second box
    EXPECT_EQ(tm.readC(kTrelvo + "trelvo.ini"), settings);
    EXPECT_EQ(tm.readC(kTrelvo + "Config1.ini"), description);
    EXPECT_FALSE(tm.existsC(kTrelvo + "Conf2.tva"));
    EXPECT_FALSE(tm.existsC(kTrelvo + "Config2.ini"));

    // Room again: the slot that holds nothing is written as free, never as "Monday", which
    // would have no description to load.
    disk.release();
    EXPECT_EQ(state().ConfigDescription[1], QStringLiteral("available"));
    core::SaveSettings();
    const platform::IniDocument ini = iniOf(tm.readC(kTrelvo + "trelvo.ini"));
    EXPECT_EQ(ini.value("Settings", "Config1"), QStringLiteral("Weekly"));
    EXPECT_EQ(ini.value("Settings", "Config2"), QStringLiteral("available"));
}

TEST_F(FullDiskSaveTest, AnAutomaticSaveOnAFullDiskAsksNobodyAndLogsWhatItCouldNotSave)
{
    testsupport::SmallDriveC disk(tm, 4 << 20);
    SKIP_UNLESS_MOUNTED(disk);
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    tick(QStringLiteral("Form1"), QStringLiteral("Check3"));
    writeUserList({QStringLiteral("C:\\My Documents\\Letter to Anna.txt")});
    const QString autoKeep = kProgramFolder + QStringLiteral("AutoKeep\\");
    fs::createDirectory(autoKeep.chopped(1));
    tm.writeC(kTrelvo + "Error.log", "before\r\n");
    disk.fill();

    // Nobody is there: any box would fail the test (and hold a real run for ever).
    core::ProgramState& s = state();
    s.AutomaticSave = true;
    s.SelectedConfig = 2;
    s.SaveFolder = autoKeep;
    s.ConfigIniPath = autoKeep + QStringLiteral("Config3.ini");
    backup::Save();
    s.AutomaticSave = false;
    disk.release();

    EXPECT_TRUE(ui->shown().isEmpty());
    EXPECT_FALSE(s.SaveDone) << "nothing was saved";
    EXPECT_TRUE(s.OldConfigDeleted);
    EXPECT_FALSE(tm.existsC(kTrelvo + "AutoKeep/Config3.ini"));
    const QStringList log = errorLogOf(tm);
    // The letter is staged without taking room; its archive is not made.
    for (const char* file : {"System.ini", "Win.ini", "Conf3us.tva: zip.exe ended with 14"})
        EXPECT_EQ(log.filter(QRegularExpression(QStringLiteral("^Disk full.*%1 Save$").arg(file))).size(), 1) << file;
    EXPECT_EQ(log.filter(QStringLiteral("The configuration could not be saved! Not saved: System.ini: Disk full Win.ini: Disk full "
                                        "user-defined Files: Disk full"))
                  .size(),
              1)
        << log.join("\n").toStdString();
}
