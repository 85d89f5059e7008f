// The automatic save through the real program: trelvoapp started headless, with an answer
// script and nobody at the keyboard, on a machine whose Daily schedule has the marker
// Keep.go beside it.
#include "catalogue/ConfigItems.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "platform/IniDocument.h"
#include "platform/ZipArchive.h"
#include "support/DamagedFile.h"
#include "support/ProgramRun.h"
#include "support/TempMachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <functional>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryFile>

using core::state;

namespace {

const QString kProgram = QStringLiteral("Program Files/Trelvo/");

QString programBinary()
{
    const QString bin = qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath());
    return bin + QStringLiteral("/trelvoapp");
}

class AutoKeepProcessTest : public testsupport::MachineTest {
protected:
    // The settings a user left: slot 4 used, a save folder of their own, a selection.
    void writeUserSettings()
    {
        core::ReadSystemPaths();
        core::LoadSettings();
        core::ProgramState& s = state();
        s.ConfigDescription[3] = QStringLiteral("Before upgrade");
        s.ConfigDate[3] = QStringLiteral(" 1/12/2026");
        s.ConfigTime[3] = QStringLiteral("10:15:00");
        s.SaveFolder = QStringLiteral("C:\\My Backups\\");
        QDir().mkpath(tm.hostC("My Backups"));
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
            item.SaveCheckBox().setValue(0);
        for (const char* box : {"Check1", "Check2", "Check3"})   // Start menu, Win.ini, System.ini
            core::CheckBoxOf("Form1", box).setValue(1);
        core::CheckBoxOf("UserFiles", "Check12").setValue(1);   // favorites
        core::SaveSettings();
        tm.writeC(kProgram + "trelvo.usr", " 1 \r\nC:\\AUTOEXEC.BAT\r\n");
    }
    platform::IniDocument ini(const QString& rel) const { return platform::IniDocument::parse(tm.readC(rel)); }
    QStringList archiveEntries(const QString& name) const
    {
        return platform::zip::entryNames(tm.hostC(kProgram + "AutoKeep/" + name)).value_or(QStringList{"<no archive>"});
    }
};

} // namespace

TEST_F(AutoKeepProcessTest, AScheduledRunCountsDownSavesIntoItsSlotAndEndsTheProgram)
{
    writeUserSettings();
    const platform::IniDocument before = ini(kProgram + "trelvo.ini");
    tm.writeC(kProgram + "AutoKp.ini", " 1 \r\n1/12/2026\r\n 2 \r\n1\r\n#1 : Not Saved\r\n#2 : Not Saved\r\n#3 : Not Saved\r\n"
                                       "#4 : Not Saved\r\n");
    tm.writeC(kProgram + "Keep.go", "");
    QTemporaryFile script;
    ASSERT_TRUE(script.open());
    script.write("# An automatic run asks nobody anything.\n");
    script.close();

    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TRELVO_MACHINE", tm.dir());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TRELVO_UI_SCRIPT", script.fileName());
    app.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    app.start(programBinary(), {});
    ASSERT_TRUE(app.waitForStarted()) << programBinary().toStdString();
    const bool ended = app.waitForFinished(120000);
    if (!ended)
        app.kill();
    const QString errors = QString::fromLocal8Bit(app.readAllStandardError());
    ASSERT_TRUE(ended) << "the program did not end by itself\n" << errors.toStdString();
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0) << errors.toStdString();
    EXPECT_GE(clock.elapsed(), 7500 + 3000) << "the countdown and the closing pause";
    EXPECT_FALSE(errors.contains("unexpected:")) << errors.toStdString();

    // Slot 3 of the automatic save: description, list and archives in the AutoKeep folder.
    const platform::IniDocument description = ini(kProgram + "AutoKeep/Config3.ini");
    EXPECT_EQ(description.value("Configuration", "ConfigName"), QStringLiteral("AutoKeep #3"));
    EXPECT_EQ(description.value("SystemFilesSaved", "System.ini"), QStringLiteral("1"));
    EXPECT_TRUE(tm.existsC(kProgram + "AutoKeep/Config3.usr"));
    EXPECT_TRUE(archiveEntries("Conf3.tva").contains("WINDOWS/TEMP/trelvo/SYSTEM.INI", Qt::CaseInsensitive))
        << archiveEntries("Conf3.tva").join(", ").toStdString();
    EXPECT_NE(archiveEntries("Conf3s.tva"), QStringList{"<no archive>"});
    EXPECT_NE(archiveEntries("Conf3mb.tva"), QStringList{"<no archive>"});

    // The row of slot 3 with today's date, and the rotation moved on.
    const QStringList schedule = QString::fromLatin1(tm.readC(kProgram + "AutoKp.ini")).split("\r\n");
    ASSERT_GE(schedule.size(), 8);
    EXPECT_EQ(schedule[0], " 1 ");
    EXPECT_EQ(schedule[2], " 3 ");
    EXPECT_TRUE(schedule[6].startsWith("#3 : ")) << schedule[6].toStdString();
    EXPECT_NE(schedule[6], "#3 : Not Saved");
    EXPECT_EQ(schedule[7], "#4 : Not Saved");
    EXPECT_FALSE(tm.existsC(kProgram + "Keep.go"));

    // The user's own slots and save folder are as they were.
    const platform::IniDocument after = ini(kProgram + "trelvo.ini");
    for (int n = 1; n <= 5; ++n) {
        for (const QString key : {"Config", "LsDate", "LsTime"}) {
            const QString k = key + QString::number(n);
            EXPECT_EQ(after.value("Settings", k), before.value("Settings", k)) << k.toStdString();
        }
    }
    EXPECT_EQ(after.value("Settings", "Config4"), QStringLiteral("Before upgrade"));
    EXPECT_EQ(after.value("SystemPathes", "SaveFolder"), QStringLiteral("C:\\My Backups\\"));
}

// ---- a damaged schedule with the marker beside it --------------------------------------------

namespace {

using testsupport::Damage;

const QByteArray kSchedule = " 1 \r\n1/12/2026\r\n 2 \r\n1\r\n#1 : Not Saved\r\n#2 : Not Saved\r\n#3 : Not Saved\r\n#4 : Not Saved\r\n";

struct ScheduleDamage {
    const char* name;
    std::function<void(const QString& hostFile)> damage;
    const char* logged;   // the start of the log line; none for a schedule read whole
    int slot;             // the automatic-save slot the run saves into
};

void PrintTo(const ScheduleDamage& row, std::ostream* os) { *os << row.name; }

#define DAMAGED "The schedule of the automatic save is damaged: C:\\Program Files\\Trelvo\\AutoKp.ini"
#define UNREADABLE "The schedule of the automatic save can not be read: C:\\Program Files\\Trelvo\\AutoKp.ini: "
const auto damaged = [](Damage d) { return [d](const QString& f) { testsupport::damageFile(f, d); }; };
const auto withMode = [](const char* mode) {
    return [mode](const QString& f) { testsupport::writeHostFile(f, QByteArray(kSchedule).replace(" 1 ", mode)); };
};

const ScheduleDamage kScheduleDamage[] = {
    {"Truncated", damaged(Damage::Truncated), DAMAGED ", line 6: the file ends before its eighth line", 3},
    {"Garbage", damaged(Damage::Garbage), DAMAGED ", line 1: the mode is none of 0 to 4", 1},
    {"LongLine", damaged(Damage::LongLine), DAMAGED ", line 1: the mode is none of 0 to 4", 1},
    {"CrOnly", damaged(Damage::CrOnly), nullptr, 3},
    {"Empty", damaged(Damage::Empty), DAMAGED ": the file is empty", 1},
    {"Folder", damaged(Damage::Folder), UNREADABLE "a folder stands in place of the file", 1},
    {"DanglingLink", damaged(Damage::DanglingLink), UNREADABLE "the file is a link to nothing", 1},
    {"Mode7", withMode(" 7 "), DAMAGED ", line 1: the mode is none of 0 to 4", 3},
    {"Mode99", withMode(" 99 "), DAMAGED ", line 1: the mode is none of 0 to 4", 3},
};
#undef DAMAGED
#undef UNREADABLE

class DamagedScheduleTest : public AutoKeepProcessTest, public ::testing::WithParamInterface<ScheduleDamage> {};

} // namespace

TEST_P(DamagedScheduleTest, TheMarkerStillStartsAnAutomaticRunThatEndsByItself)
{
    const ScheduleDamage& row = GetParam();
    writeUserSettings();
    tm.writeC(kProgram + "AutoKp.ini", kSchedule);
    row.damage(tm.hostC(kProgram + "AutoKp.ini"));
    tm.writeC(kProgram + "Keep.go", "");

    testsupport::ProgramRun run(tm, {"# An automatic run asks nobody anything."});
    ASSERT_TRUE(run.finish(120000)) << "a window waits for somebody\n" << run.errors().toStdString();
    EXPECT_EQ(run.exitCode(), 0) << run.errors().toStdString();
    EXPECT_FALSE(run.errors().contains("unexpected:")) << run.errors().toStdString();
    EXPECT_FALSE(tm.existsC(kProgram + "Keep.go"));
    EXPECT_TRUE(tm.existsC(kProgram + "AutoKeep/Config" + QString::number(row.slot) + ".ini"));

    const QString log = QString::fromLatin1(tm.readC(kProgram + "Error.log"));
    if (row.logged)
        EXPECT_TRUE(log.contains(QString::fromLatin1(row.logged))) << log.toStdString();
    else
        EXPECT_FALSE(log.contains("schedule")) << log.toStdString();
    EXPECT_FALSE(log.contains("Run-time error")) << log.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Forms, DamagedScheduleTest, ::testing::ValuesIn(kScheduleDamage),
                         [](const ::testing::TestParamInfo<ScheduleDamage>& info) { return std::string(info.param.name); });
