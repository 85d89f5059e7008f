// `cmake --install` of this build into a fresh prefix: the three programs, trelvoapp's menu
// entry and its icon at every size, and the installed programs running from there.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// What lies under the prefix: a program, an icon of `size` pixels, or the menu entry.
struct Installed {
    const char* path;
    int iconSize;   // 0: not an icon
};

const Installed kInstalled[] = {
    {"bin/trelvoapp", 0},
    {"bin/skyfetch", 0},
    {"bin/trelvo-machine", 0},
    {"share/applications/trelvoapp.desktop", 0},
    {"share/icons/hicolor/16x16/apps/trelvoapp.png", 16},
    {"share/icons/hicolor/22x22/apps/trelvoapp.png", 22},
    {"share/icons/hicolor/24x24/apps/trelvoapp.png", 24},
    {"share/icons/hicolor/32x32/apps/trelvoapp.png", 32},
    {"share/icons/hicolor/48x48/apps/trelvoapp.png", 48},
    {"share/icons/hicolor/64x64/apps/trelvoapp.png", 64},
    {"share/icons/hicolor/128x128/apps/trelvoapp.png", 128},
    {"share/icons/hicolor/256x256/apps/trelvoapp.png", 256},
};

// The entries of a .desktop file's [Desktop Entry] group.
QMap<QString, QString> desktopEntry(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, QString> entries;
    bool inGroup = false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'['))
            inGroup = line == u"[Desktop Entry]";
        else if (inGroup && line.contains(u'='))
            entries.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    return entries;
}

int run(const QString& program, const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    return p.exitCode();
}

} // namespace

TEST(InstallTest, TheProgramsTheMenuEntryAndTheIconsGoUnderThePrefixAndRunFromThere)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString build = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath();
    ASSERT_EQ(run(QStringLiteral(TRELVO_CMAKE), {QStringLiteral("--install"), build, QStringLiteral("--prefix"), prefix.path()}), 0);

    for (const Installed& row : kInstalled) {
        const QString file = prefix.filePath(QString::fromLatin1(row.path));
        ASSERT_TRUE(QFileInfo::exists(file)) << row.path;
        if (QString::fromLatin1(row.path).startsWith(u"bin/")) {
            EXPECT_TRUE(QFileInfo(file).isExecutable()) << row.path;
        }
        if (row.iconSize > 0) {
            const QImage icon(file, "PNG");
            EXPECT_EQ(icon.size(), QSize(row.iconSize, row.iconSize)) << row.path;
            EXPECT_TRUE(icon.hasAlphaChannel()) << row.path;
            EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0) << row.path << ": the corner is not transparent";
        }
    }

    // The menu entry names what was installed: the program, and the icon by its theme name.
    const QMap<QString, QString> entry = desktopEntry(prefix.filePath(QStringLiteral("share/applications/trelvoapp.desktop")));
    EXPECT_EQ(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_FALSE(entry.value(QStringLiteral("Name")).isEmpty());
    EXPECT_TRUE(QFileInfo(prefix.filePath(QStringLiteral("bin/") + entry.value(QStringLiteral("Exec")))).isExecutable());
    EXPECT_TRUE(QFileInfo::exists(prefix.filePath(QStringLiteral("share/icons/hicolor/48x48/apps/") + entry.value(QStringLiteral("Icon")) +
                                                  QStringLiteral(".png"))));

    // The installed programs work from there: a machine made, and the main program started on
    // it and ended by its Exit button.
    const QString machine = prefix.filePath(QStringLiteral("machine"));
    ASSERT_EQ(run(prefix.filePath(QStringLiteral("bin/trelvo-machine")), {QStringLiteral("create"), machine}), 0);
    QFile script(prefix.filePath(QStringLiteral("exit.script")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("@Form1.Command3 => Click\n");
    script.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TRELVO_MACHINE"), machine);
    env.insert(QStringLiteral("TRELVO_UI_SCRIPT"), script.fileName());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    EXPECT_EQ(run(prefix.filePath(QStringLiteral("bin/trelvoapp")), {}, env), 0);
    EXPECT_TRUE(QFileInfo::exists(machine + QStringLiteral("/drive_c/Program Files/Trelvo/trelvo.ini")));
}
