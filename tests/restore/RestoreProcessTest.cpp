// The restore through the real program: trelvoapp started headless on a machine that holds a
// saved configuration, its Restore page worked and its boxes answered by a script, nobody at
// the keyboard; afterwards the files on the machine are compared with what the boxes said.
#include "RestoreTesting.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>

using namespace restoretest;

namespace {

const QString kBackup = QStringLiteral("C:\\Backup\\");
const QString kAutoexec = QStringLiteral("C:\\AUTOEXEC.BAT");

// Slot 1 picked on the Restore page and confirmed; in the restore-choice window Autoexec.bat
// and the first user file (the letter) ticked, then OK; the restart agreed to.
const QByteArray kChooseAutoexecAndTheLetter = "@Form1.List2 => 0\n"
                                               "@Form1.Command4 => Click\n"
                                               "Are you sure you wish to restore the following Configuration? Weekly => Yes\n"
                                               "@RestoreReq.Check1 => 1\n"
                                               "@RestoreReq.List1 => 0\n"
                                               "@RestoreReq.Command1 => Click\n"
                                               "Your system will be restarted after the Restore Process. => Yes\n";

class RestoreProcessTest : public RestoreTest {
protected:
    struct Run {
        bool ended = false;
        int exitCode = -1;
        QString errors;
    };

    // trelvoapp on the test machine, answered by `script`; it must end by itself.
    Run runProgram(const QByteArray& script)
    {
        QTemporaryFile file;
        EXPECT_TRUE(file.open());
        file.write(script);
        file.close();
        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TRELVO_MACHINE"), tm.dir());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TRELVO_UI_SCRIPT"), file.fileName());
        // Qt's own remark about a missing runtime folder is no report of the script's.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
        app.setProcessEnvironment(env);
        app.start(qEnvironmentVariable("TRELVO_TEST_BIN", QCoreApplication::applicationDirPath()) + QStringLiteral("/trelvoapp"), {});
        EXPECT_TRUE(app.waitForStarted(10000));
        Run run;
        run.ended = app.waitForFinished(60000);
        if (!run.ended)
            app.kill();
        run.exitCode = app.exitCode();
        run.errors = QString::fromLocal8Bit(app.readAllStandardError());
        return run;
    }

    QTemporaryDir runtimeDir;

    // Changed behind the program's back and made read-only.
    static void changeReadOnly(const QString& file, const QByteArray& bytes)
    {
        write(file, bytes);
        fs::setAttributes(file, platform::AttrReadOnly | platform::AttrArchive);
    }
};

} // namespace

TEST_F(RestoreProcessTest, ReadOnlyFilesComeBackSaidSoAndTheProgramEndsForTheRestart)
{
    saveEverythingWithTheSave(kBackup);
    const auto saved = driveC();
    changeReadOnly(kAutoexec, "@ECHO OFF\r\nREM changed\r\n");
    changeReadOnly(kLetter, "Dear Anna, never mind.");

    const Run run = runProgram(kChooseAutoexecAndTheLetter + "Files successfully restored => OK\n");
    ASSERT_TRUE(run.ended) << "the program did not end for the restart\n" << run.errors.toStdString();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.errors.isEmpty()) << run.errors.toStdString();   // every box expected, every line used

    const auto restored = driveC();
    for (const char* rel : {"AUTOEXEC.BAT", "My Documents/Letter to Anna.txt"})
        EXPECT_EQ(restored.value(QString::fromLatin1(rel)), saved.value(QString::fromLatin1(rel))) << rel;
    EXPECT_EQ(read(kBudget), saved.value(QStringLiteral("My Documents/Budget 1999.csv")).bytes);
    EXPECT_FALSE(platform::restartPending()) << "the restart took place when the program ended";
    EXPECT_EQ(read(QStringLiteral("C:\\Restore.ini")), QByteArray("Restore=1\r\n"));
    EXPECT_FALSE(tm.existsC(QStringLiteral("WINDOWS/TEMP/trelvo/User")));
    EXPECT_TRUE(errorLog().filter(QStringLiteral("Restore")).isEmpty()) << errorLog().join(u'\n').toStdString();
}

TEST_F(RestoreProcessTest, ADamagedSystemArchiveIsNamedInTheLastBoxAndNothingRestarts)
{
    saveEverythingWithTheSave(kBackup);
    const QByteArray letter = read(kLetter);
    fs::writeAll(kBackup + QStringLiteral("Conf1.tva"), QByteArray());
    write(kAutoexec, "changed");
    changeReadOnly(kLetter, "Dear Anna, never mind.");

    const Run run = runProgram(kChooseAutoexecAndTheLetter +
                               "Not all files were restored!  C:\\autoexec.bat: archive damaged or unreadable: "
                               "C:\\Backup\\Conf1.tva => OK\n"
                               "@Form1.Command3 => Click\n");
    ASSERT_TRUE(run.ended) << run.errors.toStdString();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.errors.isEmpty()) << run.errors.toStdString();

    EXPECT_EQ(read(kAutoexec), QByteArray("changed"));
    EXPECT_EQ(read(kLetter), letter);
    EXPECT_FALSE(platform::restartPending());
    EXPECT_FALSE(fs::exists(QStringLiteral("C:\\WINDOWS\\Wininit.ini")));
    ASSERT_EQ(errorLog().filter(QStringLiteral("Restore")).size(), 1);
    EXPECT_TRUE(errorLog().filter(QStringLiteral("Restore"))[0].startsWith(QStringLiteral("Device I/O error")));
    EXPECT_EQ(logTags().filter(QStringLiteral("Restore")), QStringList{QStringLiteral(" Restore")});
}
