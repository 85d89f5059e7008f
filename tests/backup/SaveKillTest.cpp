// The real program killed (kill -9) while a save into a used slot makes its archive: the
// settings file lists the slot as free by then, so the next start offers nothing that is
// gone, and it clears what the killed run left behind.
#include "platform/IniDocument.h"
#include "support/ProgramRun.h"
#include "support/TempMachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

using testsupport::MachineTest;
using testsupport::ProgramRun;

namespace {

const QString kProgram = QStringLiteral("Program Files/Trelvo/");

// Every slot that the settings list as used has its description file.
void expectEveryListedSlotDescribed(const testsupport::TempMachine& tm)
{
    const auto ini = platform::IniDocument::parse(tm.readC(kProgram + "trelvo.ini"));
    for (int n = 1; n <= 5; ++n) {
        const QString description = ini.value("Settings", "Config" + QString::number(n)).value_or("available");
        if (description != u"available") {
            EXPECT_TRUE(tm.existsC(kProgram + "Config" + QString::number(n) + ".ini")) << "slot " << n << ": " << description.toStdString();
        }
    }
}

} // namespace

TEST_F(MachineTest, ASaveKilledInAUsedSlotLeavesTheSlotFree)
{
    // Data that does not compress, so that writing its archive takes a while.
    QByteArray data(24 << 20, '\0');
    QRandomGenerator(12).fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
    tm.writeC("My Documents/photos.bin", data);
    tm.writeC(kProgram + "trelvo.usr", " 1 \r\nc:\\my documents\\photos.bin\r\n");
    {
        ProgramRun first(tm, {"@Form1.Option1 => Click", "@Form1.Text1 => \"First\"", "@Form1.Command1 => Click",
                              "Configuration saved successfull! => OK", "@Form1.Command3 => Click"});
        ASSERT_TRUE(first.finish()) << first.errors().toStdString();
    }
    ASSERT_TRUE(tm.existsC(kProgram + "Config1.ini"));
    ASSERT_TRUE(tm.existsC(kProgram + "Conf1us.tva"));

    qint64 killed = 0;
    {
        ProgramRun again(tm, {"@Form1.Option1 => Click", "@Form1.Text1 => \"Second\"", "@Form1.Command1 => Click",
                              "already used, overwrite => Yes", "Configuration saved successfull! => OK",
                              "@Form1.Command3 => Click"});
        killed = again.pid();
        // zip is writing the new archive in its scratch folder beside the drive's folder.
        const QString scratch = QStringLiteral(".trelvo-zip-%1-*").arg(killed);
        ASSERT_TRUE(again.killWhen([&] {
            for (const QString& folder : QDir(tm.dir()).entryList({scratch}, QDir::Dirs | QDir::Hidden))
                for (const QFileInfo& f : QDir(tm.dir() + u'/' + folder).entryInfoList(QDir::Files | QDir::Hidden))
                    if (f.size() >= (1 << 20))
                        return true;
            return false;
        })) << again.errors().toStdString();
    }
    // The old description and archives are gone and the slot is listed free; no half archive.
    const auto ini = platform::IniDocument::parse(tm.readC(kProgram + "trelvo.ini"));
    EXPECT_EQ(ini.value("Settings", "Config1"), QStringLiteral("available"));
    EXPECT_EQ(ini.value("Settings", "LsDate1"), QStringLiteral("00/00/0000"));
    EXPECT_FALSE(tm.existsC(kProgram + "Config1.ini"));
    EXPECT_FALSE(tm.existsC(kProgram + "Conf1us.tva"));
    expectEveryListedSlotDescribed(tm);

    // The next start: choosing the slot says it holds nothing, the program goes on and ends
    // as asked; the killed run's staging folder and scratch folders are gone.
    ProgramRun next(tm, {"@Form1.List2 => 0", "@Form1.Command4 => Click", "Configuration not available => OK",
                         "@Form1.Command3 => Click"});
    ASSERT_TRUE(next.finish()) << next.errors().toStdString();
    EXPECT_EQ(next.exitCode(), 0);
    EXPECT_FALSE(next.errors().contains("unexpected")) << next.errors().toStdString();
    EXPECT_FALSE(tm.existsC("WINDOWS/TEMP/trelvo"));
    for (const QString& folder : {QDir::tempPath(), tm.dir()})
        EXPECT_EQ(QDir(folder).entryList({QStringLiteral(".trelvo-zip-%1-*").arg(killed)}, QDir::Dirs | QDir::Hidden), QStringList())
            << folder.toStdString();
    expectEveryListedSlotDescribed(tm);
}

// Killed while a save onto floppies moves its archives out of the program folder: the next
// start removes what that save left there (the user files' archive, the description holding
// only its piece record), and the configuration saved into the program folder itself stays,
// to be restored later.
TEST_F(MachineTest, AFloppySaveKilledLeavesNothingInTheProgramFolderThatTheNextStartKeeps)
{
    QByteArray data(3 << 20, '\0');
    QRandomGenerator(13).fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
    tm.writeC("My Documents/scans.bin", data);
    tm.writeC("My Documents/letter.txt", "Dear Anna,\r\n");
    tm.writeC(kProgram + "trelvo.usr", " 1 \r\nc:\\my documents\\letter.txt\r\n");
    {
        ProgramRun kept(tm, {"@Form1.Option2 => Click", "@Form1.Text1 => \"Kept\"", "@Form1.Command1 => Click",
                             "Configuration saved successfull! => OK", "@Form1.Command3 => Click"});
        ASSERT_TRUE(kept.finish()) << kept.errors().toStdString();
    }
    ASSERT_TRUE(tm.existsC(kProgram + "Conf2us.tva"));
    const QByteArray keptArchive = tm.readC(kProgram + "Conf2us.tva");

    // Slot 1 onto floppies: Win.ini goes onto disk 1 whole, then the scans' archive in pieces.
    tm.writeC(kProgram + "trelvo.usr", " 1 \r\nc:\\my documents\\scans.bin\r\n");
    auto settings = platform::IniDocument::parse(tm.readC(kProgram + "trelvo.ini"));
    settings.setValue("SystemPathes", "SaveFolder", "A:\\");
    tm.writeC(kProgram + "trelvo.ini", settings.serialize());
    tm.machine().createDisk("d1", platform::DiskFormat::byName("1.44M"), true);
    tm.machine().insertDisk("d1");
    {
        ProgramRun floppies(tm, {"@Form1.Check2 => 1", "@Form1.Option1 => Click", "@Form1.Text1 => \"Floppies\"",
                                 "@Form1.Command1 => Click", "Please insert Disk No. 1 now! => OK",
                                 "Configuration saved successfull! => OK", "@Form1.Command3 => Click"});
        const QFileInfo firstPiece(tm.hostDisk("d1") + "/Conf1us.tv1");
        ASSERT_TRUE(floppies.killWhen([&] { return QFileInfo(firstPiece.filePath()).size() >= (1 << 20); }))
            << floppies.errors().toStdString();
    }
    ASSERT_TRUE(tm.existsC(kProgram + "Conf1us.tva")) << "the run was not killed while the archives went out";
    ASSERT_EQ(platform::IniDocument::parse(tm.readC(kProgram + "Config1.ini")).sections(), QStringList{"SplitLog"});

    // The next start: slot 1 holds nothing and nothing of it is left; slot 2 is as it was.
    ProgramRun next(tm, {"@Form1.Command3 => Click"});
    ASSERT_TRUE(next.finish()) << next.errors().toStdString();
    for (const char* file : {"Conf1.tva", "Conf1us.tva", "Config1.ini", "Config1.usr"})
        EXPECT_FALSE(tm.existsC(kProgram + file)) << file;
    EXPECT_EQ(platform::IniDocument::parse(tm.readC(kProgram + "trelvo.ini")).value("Settings", "Config1"), QStringLiteral("available"));
    EXPECT_EQ(tm.readC(kProgram + "Conf2us.tva"), keptArchive);
    expectEveryListedSlotDescribed(tm);

    // A later restore of slot 2 brings the letter back.
    tm.writeC("My Documents/letter.txt", "changed since");
    ProgramRun restore(tm, {"@Form1.List2 => 1", "@Form1.Command4 => Click", "restore the following Configuration => Yes",
                            "@RestoreReq.Command3 => Click", "@RestoreReq.Command1 => Click", "Files successfully restored => OK",
                            "@Form1.Command3 => Click"});
    ASSERT_TRUE(restore.finish()) << restore.errors().toStdString();
    EXPECT_EQ(tm.readC("My Documents/letter.txt"), QByteArray("Dear Anna,\r\n"));
    EXPECT_FALSE(restore.errors().contains("unexpected")) << restore.errors().toStdString();
}
