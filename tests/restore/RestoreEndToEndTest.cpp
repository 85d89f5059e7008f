// A configuration saved by the program's own save, changed behind its back, loaded from its
// description and restored with every item: after the restart every file is as it was.
#include "RestoreTesting.h"
#include "catalogue/ConfigItems.h"
#include "catalogue/Description.h"

#include <QRandomGenerator>

using namespace restoretest;

namespace {

const QString kBackup = QStringLiteral("C:\\Backup\\");

class RestoreEndToEndTest : public RestoreTest {
protected:
    // The Restore button's part: the slot's description read into the window, then every
    // item the configuration holds ticked and every user file chosen.
    void loadAndChooseEverything()
    {
        state().LoadResult = 0;
        catalogue::LoadCINI();
        ASSERT_EQ(state().LoadResult, 0);
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems) {
            vb::CheckBox& box = item.RestoreCheckBox();
            EXPECT_TRUE(box.Enabled()) << item.DescriptionKey.toString().toStdString();
            if (box.Enabled())
                box.setValue(1);
        }
        req().Command3.setValue(true);
        ASSERT_EQ(req().List1.SelCount(), 2);
    }
};

} // namespace

TEST_F(RestoreEndToEndTest, EveryFileIsBackByteForByteAfterTheRestart)
{
    saveEverythingWithTheSave(kBackup);
    const auto saved = driveC();

    write(QStringLiteral("C:\\WINDOWS\\WIN.INI"), "[windows]\r\nload=spy.exe\r\n");
    write(QStringLiteral("C:\\AUTOEXEC.BAT"), "@ECHO OFF\r\nSET PATH=C:\\EVIL\r\n");
    write(kLetter, "Dear Anna, never mind.");
    write(QStringLiteral("C:\\WINDOWS\\Favorites\\Weather.url"), "[InternetShortcut]\r\nURL=http://elsewhere.example/\r\n");
    write(kNetscape + QStringLiteral("\\Bookmark.htm"), "<DL></DL>");
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\Accessories\\Calculator.lnk"));

    loadAndChooseEverything();
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(kRestored, QStringLiteral("OK"));
    vb::runEventHandler([] { restore::RestoreReq().Command1_Click(); });
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();
    closeAndBoot();

    const auto restored = driveC();
    for (auto it = saved.begin(); it != saved.end(); ++it)
        EXPECT_EQ(restored.value(it.key()), it.value()) << it.key().toStdString();
    QStringList added;
    for (auto it = restored.begin(); it != restored.end(); ++it)
        if (!saved.contains(it.key()))
            added << it.key();
    EXPECT_EQ(added, (QStringList{"Restore.ini", "WINDOWS/Wininit.bak"}));
    EXPECT_EQ(read(QStringLiteral("C:\\Restore.ini")), QByteArray("Restore=1\r\n"));
}

TEST_F(RestoreEndToEndTest, ASaveSpreadOverThreeFloppiesComesBackWithTheDisksChanged)
{
    for (int n = 1; n <= 3; ++n)
        tm.machine().createDisk(QStringLiteral("save%1").arg(n), platform::DiskFormat::byName(QStringLiteral("1.44M")), true);
    tm.machine().insertDisk(QStringLiteral("save1"));
    // Scans that do not compress, so that the archives need three disks.
    const QString scans = QStringLiteral("C:\\My Documents\\Scans 1999.dat");
    QByteArray bytes(3200000, Qt::Uninitialized);
    QRandomGenerator gen(1999);
    for (char& c : bytes)
        c = char(gen.generate());
    fs::writeAll(scans, bytes);

    for (const catalogue::ConfigItem& item : catalogue::ConfigItems) {
        item.SaveCheckBox().setEnabled(true);
        item.SaveCheckBox().setValue(1);
    }
    fs::writeAll(kProgram + QStringLiteral("trelvo.usr"), QStringLiteral(" 2\r\n%1\r\n%2\r\n").arg(kLetter, scans).toLatin1());
    core::ProgramState& s = state();
    s.ConfigIniPath = kProgram + QStringLiteral("Config1.ini");
    s.SaveDescription = QStringLiteral("Floppies");
    s.SaveFolder = QStringLiteral("A:\\");
    const auto insert = [](const char* disk) { return [disk] { platform::Machine::current().insertDisk(QString::fromLatin1(disk)); }; };
    ui->expect(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("OK"));
    ui->expect(QStringLiteral("Please insert Disk No. 2 now!"), QStringLiteral("OK"), insert("save2"));
    ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("OK"), insert("save3"));
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    backup::Save();
    ASSERT_TRUE(s.SaveDone) << boxes().join(u'\n').toStdString();
    const auto saved = driveC();

    write(scans, "lost");
    write(QStringLiteral("C:\\AUTOEXEC.BAT"), "changed");
    write(QStringLiteral("C:\\WINDOWS\\SYSTEM.INI"), "changed");
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\Accessories\\Notepad.lnk"));
    tm.machine().ejectDisk();

    s.SaveFolder = kProgram;
    loadAndChooseEverything();
    ASSERT_EQ(s.SaveFolder, QStringLiteral("A:\\"));
    ASSERT_FALSE(s.DiskRestoreFolder.isEmpty());
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(QStringLiteral("Please insert Disk No. 1 now!"), QStringLiteral("OK"), insert("save1"));
    ui->expect(QStringLiteral("Please insert Disk No. 2 now!"), QStringLiteral("OK"), insert("save2"));
    ui->expect(QStringLiteral("Please insert Disk No. 3 now!"), QStringLiteral("OK"), insert("save3"));
    ui->expect(kRestored, QStringLiteral("OK"));
    vb::runEventHandler([] { restore::RestoreReq().Command1_Click(); });
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();
    closeAndBoot();

    const auto restored = driveC();
    for (auto it = saved.begin(); it != saved.end(); ++it)
        EXPECT_EQ(restored.value(it.key()), it.value()) << it.key().toStdString();
}
