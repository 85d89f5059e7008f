// The real program killed (kill -9) in a restore after it listed Windows files for the
// boot-time rename and before it asked for the restart: during the copy-back of the boot
// drive's files, or just after the user files' archive was unpacked. The next start names
// the restore and completes it by the restart or withdraws it, as the user says; a later
// restore of AUTOEXEC.BAT alone then restarts the machine without replacing a file the user
// changed since.
#include "platform/Boot.h"
#include "platform/FileSystem.h"
#include "support/ProgramRun.h"
#include "support/TempMachine.h"

#include <QDir>
#include <QFileInfo>

using testsupport::ProgramRun;

namespace {

const QString kSystemIni = QStringLiteral("WINDOWS/SYSTEM.INI");
const QString kWork = QStringLiteral("WINDOWS/TEMP/trelvo");

enum class Moment { CopyBack, UserArchiveStaged };

struct KillCase {
    const char* name;
    Moment moment;
    const char* answer;   // at the next start
};
void PrintTo(const KillCase& c, std::ostream* os) { *os << c.name; }

const KillCase kCases[] = {
    {"KilledDuringTheCopyBackThenWithdrawn", Moment::CopyBack, "No"},
    {"KilledJustAfterTheUserArchiveWasStagedThenCompleted", Moment::UserArchiveStaged, "Yes"},
};

class InterruptedRestoreKillTest : public testsupport::MachineTest, public ::testing::WithParamInterface<KillCase> {
protected:
    bool inWork(const QString& name) const
    {
        return !QDir(tm.hostC(kWork)).entryList({name}, QDir::Files | QDir::Hidden).isEmpty();
    }
    static QString wininit()
    {
        const QString file = QStringLiteral("C:\\WINDOWS\\Wininit.ini");
        return platform::fs::exists(file) ? QString::fromLatin1(platform::fs::readAll(file)) : QString();
    }
};

TEST_P(InterruptedRestoreKillTest, TheNextStartSettlesItAndALaterRestoreReplacesNothingStale)
{
    const KillCase& c = GetParam();
    // A CONFIG.SYS large enough that its copy back is still under way when looked at, and
    // many user files, so that the restore is a while at them once their archive is unpacked.
    QByteArray config;
    while (config.size() < (64 << 20))
        config += "REM a long CONFIG.SYS\r\n";
    tm.writeC("CONFIG.SYS", config);
    tm.writeC(kSystemIni, "[boot]\r\nsaved=1\r\n");
    QByteArray list = " 300 \r\n";
    for (int i = 0; i < 300; ++i) {
        const QString name = QStringLiteral("My Documents/Many/f%1.txt").arg(i, 3, 10, QChar(u'0'));
        tm.writeC(name, QByteArray("note ") + QByteArray::number(i));
        list += "c:\\my documents\\many\\f" + QString::number(i).rightJustified(3, u'0').toLatin1() + ".txt\r\n";
    }
    tm.writeC("Program Files/Trelvo/trelvo.usr", list);
    {
        ProgramRun save(tm, {"@Form1.Check3 => 1", "@Form1.Check2 => 1", "@Form1.Check9 => 1", "@Form1.Check8 => 1",
                             "@Form1.Option1 => Click", "@Form1.Text1 => \"Weekly\"", "@Form1.Command1 => Click",
                             "Configuration saved successfull! => OK", "@Form1.Command3 => Click"});
        ASSERT_TRUE(save.finish(180000)) << save.errors().toStdString();
    }
    const QByteArray saved = tm.readC(kSystemIni);
    const QByteArray autoexec = tm.readC("AUTOEXEC.BAT");
    const QByteArray before = "[boot]\r\nedited=before the restore\r\n";
    tm.writeC(kSystemIni, before);
    tm.writeC("AUTOEXEC.BAT", "REM changed before the restore\r\n");

    {
        QStringList script = {"@Form1.List2 => 0", "@Form1.Command4 => Click", "restore the following Configuration => Yes",
                              "@RestoreReq.Check7 => 1", "@RestoreReq.Check9 => 1", "@RestoreReq.Check2 => 1", "@RestoreReq.Check1 => 1"};
        if (c.moment == Moment::UserArchiveStaged)
            script << "@RestoreReq.Command3 => Click";
        script << "@RestoreReq.Command1 => Click" << "Your system will be restarted after the Restore Process. => Yes"
               << "Files successfully restored => OK";
        ProgramRun restore(tm, script);
        const bool killed = c.moment == Moment::CopyBack
                                ? restore.killWhileWriting(tm.hostC(QString()))
                                : restore.killWhen([&] { return !QDir(tm.hostC(kWork + "/User")).entryList({"user.ini"}, QDir::Files).isEmpty(); });
        ASSERT_TRUE(killed) << restore.errors().toStdString();
    }
    // The lines are in the list, owed by the restore, and no restart was asked for.
    ASSERT_TRUE(wininit().contains("system.ini=C:\\WINDOWS\\TEMP\\trelvo\\system.ini", Qt::CaseInsensitive)) << wininit().toStdString();
    ASSERT_TRUE(wininit().contains("Win.ini=C:\\WINDOWS\\TEMP\\trelvo\\Win.ini", Qt::CaseInsensitive));
    ASSERT_FALSE(platform::restartPending());
    ASSERT_EQ(platform::owedRenameLines().size(), 2);
    EXPECT_EQ(platform::owedRenameLines()[0].owner, QStringLiteral("Weekly"));
    if (c.moment == Moment::CopyBack) {
        EXPECT_EQ(tm.readC("CONFIG.SYS"), config) << "the file being copied back is not whole";
    }

    // The next start names the restore; the user completes it (the program closes for the
    // restart) or withdraws it.
    const bool completed = QLatin1String(c.answer) == u"Yes";
    {
        QStringList script = {QStringLiteral("was interrupted before the computer was restarted: \"Weekly\" These files were to be "
                                             "replaced when the computer starts next: C:\\WINDOWS\\system.ini C:\\WINDOWS\\Win.ini => ") +
                              QLatin1String(c.answer)};
        if (!completed)
            script << "@Form1.Command3 => Click";
        ProgramRun next(tm, script);
        ASSERT_TRUE(next.finish()) << next.errors().toStdString();
        EXPECT_FALSE(next.errors().contains("unexpected")) << next.errors().toStdString();
        EXPECT_FALSE(next.errors().contains("unused")) << next.errors().toStdString();
    }
    EXPECT_EQ(tm.readC(kSystemIni), completed ? saved : before);
    EXPECT_FALSE(wininit().contains("trelvo", Qt::CaseInsensitive)) << wininit().toStdString();
    EXPECT_FALSE(inWork("system.ini"));
    EXPECT_TRUE(platform::owedRenameLines().isEmpty());

    // The user edits SYSTEM.INI; a later restore of AUTOEXEC.BAT alone restarts the machine.
    const QByteArray after = "[boot]\r\nedited=after the restore\r\n";
    tm.writeC(kSystemIni, after);
    ProgramRun later(tm, {"@Form1.List2 => 0", "@Form1.Command4 => Click", "restore the following Configuration => Yes",
                          "@RestoreReq.Check1 => 1", "@RestoreReq.Command1 => Click",
                          "Your system will be restarted after the Restore Process. => Yes", "Files successfully restored => OK"});
    ASSERT_TRUE(later.finish()) << later.errors().toStdString();
    EXPECT_FALSE(later.errors().contains("unexpected")) << later.errors().toStdString();
    EXPECT_EQ(tm.readC("AUTOEXEC.BAT"), autoexec);
    EXPECT_EQ(tm.readC(kSystemIni), after) << "the restart replaced a file the user changed since";
    EXPECT_FALSE(platform::restartPending());
}

INSTANTIATE_TEST_SUITE_P(Moments, InterruptedRestoreKillTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<KillCase>& info) { return std::string(info.param.name); });

} // namespace
