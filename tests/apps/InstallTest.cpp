// `cmake --install` of this build into a fresh prefix: the three programs, trelvoapp's menu
// entry and its icon at every size, and the installed programs running from there.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int run(const QString& program, const QStringList& args, const QStringList& env = {})
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : env)
        e.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    p.setProcessEnvironment(e);
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

TEST(InstallTest, TheProgramsTheMenuEntryAndTheIconsGoUnderThePrefixAndRunFromThere)
{
    QTemporaryDir prefix;
    const QString build = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    ASSERT_EQ(run(QStringLiteral(TRELVO_CMAKE), {QStringLiteral("--install"), build, QStringLiteral("--prefix"), prefix.path()}), 0);
    const auto at = [&](const QString& path) { return prefix.filePath(path); };

    // The menu entry names the installed program, and the icon by its theme name.
    QSettings entry(at(QStringLiteral("share/applications/trelvoapp.desktop")), QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
    for (const QString& program : {entry.value(QStringLiteral("Exec")).toString(), QStringLiteral("skyfetch"), QStringLiteral("trelvo-machine")}) {
        const QFileInfo file(at(QStringLiteral("bin/") + program));
        EXPECT_TRUE(file.isFile() && file.isExecutable()) << program.toStdString();
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon(at(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(entry.value(QStringLiteral("Icon")).toString())));
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_TRUE(icon.hasAlphaChannel() && icon.pixelColor(0, 0).alpha() == 0) << size << ": no transparent corner";
    }

    // The installed programs work from there: a machine made, the main program started on it
    // and ended by its Exit button.
    const QString machine = at(QStringLiteral("machine"));
    ASSERT_EQ(run(at(QStringLiteral("bin/trelvo-machine")), {QStringLiteral("create"), machine}), 0);
    QFile script(at(QStringLiteral("exit.script")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly) && script.write("@Form1.Command3 => Click\n") > 0);
    script.close();
    EXPECT_EQ(run(at(QStringLiteral("bin/trelvoapp")), {},
                  {QStringLiteral("TRELVO_MACHINE=") + machine, QStringLiteral("TRELVO_UI_SCRIPT=") + script.fileName(),
                   QStringLiteral("QT_QPA_PLATFORM=offscreen")}),
              0);
    EXPECT_TRUE(QFileInfo::exists(machine + QStringLiteral("/drive_c/Program Files/Trelvo/trelvo.ini")));
}
