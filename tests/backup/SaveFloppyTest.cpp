// The save onto 1.44 MB floppies: archives built in the program folder, then copied whole or
// split so that each piece fills its disk, disks changed while the prompt is up, [SplitLog]
// recording what went onto the floppies, the description beside the last piece; and what a
// write-protected disk, a Cancel or a full last disk leave behind.
#include "SaveTesting.h"
#include "backup/FloppyPrep.h"
#include "backup/JoinPieces.h"
#include "catalogue/Description.h"
#include "vb/FileIO.h"
#include "FloppyTesting.h"

using namespace backuptest;
using core::state;
namespace fs = platform::fs;

namespace {

const QString kBig1 = QStringLiteral("C:\\Data\\Big1.bin");
const QString kBig2 = QStringLiteral("C:\\Data\\Big2.bin");
const QString kConf = kProgramFolder + QStringLiteral("Conf1");

const QString kProtected = QStringLiteral("You can't save to a write protected disk! ");

QString prompt(int disk) { return QStringLiteral("Please insert Disk No. %1 now!").arg(disk); }

class SaveFloppyTest : public SaveFixture {
protected:
    void SetUp() override
    {
        SaveFixture::SetUp();
        tick(QStringLiteral("Form1"), QStringLiteral("Check2"));   // Win.ini
        makeDisk(QStringLiteral("d1"));
    }

    // User files that no zip level can shrink.
    void bigUserFiles(qsizetype size)
    {
        fs::createDirectory(QStringLiteral("C:\\Data"));
        big1 = randomBytes(size, 11);
        big2 = randomBytes(size, 12);
        fs::writeAll(kBig1, big1);
        fs::writeAll(kBig2, big2);
        writeUserList({kBig1, kBig2});
    }
    static void blankDisk(const QString& name, const QString& size = QStringLiteral("1.44M"))
    {
        platform::Machine::current().createDisk(name, platform::DiskFormat::byName(size), true);
    }
    static QStringList filesOn(const QString& disk, const QString& folder = {})
    {
        return QDir(platform::Machine::current().diskFolder(disk) + folder).entryList(QDir::Files, QDir::Name);
    }
    static QByteArray onDisk(const QString& disk, const QString& file)
    {
        QFile f(platform::Machine::current().diskFolder(disk) + u'/' + file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static QString label(const QString& disk) { return platform::Machine::current().diskVolume(disk)->label(); }
    static qint64 freeOn(const QString& disk) { return platform::Machine::current().diskVolume(disk)->freeBytes(); }
    // The section [SplitLog] of the description, line by line.
    QStringList splitLog() const
    {
        const QStringList lines = QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/Config1.ini"))).split(QStringLiteral("\r\n"));
        QStringList section;
        for (qsizetype i = 1; i < lines.size() && !lines[i].startsWith(u'['); ++i)
            if (!lines[i].isEmpty())
                section << lines[i];
        return lines.value(0) == u"[SplitLog]" ? section : QStringList{QStringLiteral("<not first>")};
    }

    // What a restore of slot 1 offers: the restore-side boxes its description enables.
    static QStringList heldAfterLoad()
    {
        state().SaveFolder = kProgramFolder;
        state().SelectedConfig = 0;
        state().LoadResult = 0;
        catalogue::LoadCINI();
        QStringList held;
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
            if (item.RestoreCheckBox().Enabled())
                held << item.RestoreCheckBox().Name();
        EXPECT_EQ(core::ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1")).ListCount(), 0);
        return held;
    }

    QByteArray big1, big2;
};

} // namespace

TEST_F(SaveFloppyTest, ArchivesLargerThanADiskAreSplitLabelledRecordedAndJoinedBack)
{
    tick(QStringLiteral("Form1"), QStringLiteral("Check8"));   // Autoexec.bat
    tick(QStringLiteral("Form1"), QStringLiteral("Check1"));   // Start menu
    bigUserFiles(2000000);
    blankDisk(QStringLiteral("d2"));
    blankDisk(QStringLiteral("d3"));

    QByteArray userArchive;
    ui->expect(prompt(1), QStringLiteral("OK"));
    ui->expect(prompt(2), QStringLiteral("OK"), [&] {
        // The archive is still whole in the program folder while its pieces go out.
        userArchive = fs::readAll(kConf + QStringLiteral("us.tva"));
        insert(QStringLiteral("d2"));
    });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\"));

    EXPECT_TRUE(state().SaveDone);
    EXPECT_TRUE(state().SaveComplete);
    EXPECT_EQ(state().SaveFolder, QStringLiteral("A:\\"));
    EXPECT_EQ(state().DiskNo, 3);
    EXPECT_EQ(ui->shown().size(), 4);

    // Each piece fills its disk; every further disk carries the next label.
    EXPECT_EQ(filesOn(QStringLiteral("d1")), (QStringList{"Conf1.tva", "Conf1us.tv1"}));
    EXPECT_EQ(filesOn(QStringLiteral("d2")), (QStringList{"Conf1us.tv2"}));
    EXPECT_EQ(filesOn(QStringLiteral("d3")), (QStringList{"Conf1s.tva", "Conf1us.tv3", "Config1.ini", "Config1.usr"}));
    EXPECT_EQ(freeOn(QStringLiteral("d1")), 0);
    EXPECT_EQ(freeOn(QStringLiteral("d2")), 0);
    EXPECT_EQ(onDisk(QStringLiteral("d2"), QStringLiteral("Conf1us.tv2")).size(), 1457664);
    EXPECT_EQ(label(QStringLiteral("d1")), QStringLiteral("SAVE#1"));
    EXPECT_EQ(label(QStringLiteral("d2")), QStringLiteral("SAVE#2"));
    EXPECT_EQ(label(QStringLiteral("d3")), QStringLiteral("SAVE#3"));
    // Nothing stays behind in the program folder.
    for (const char* suffix : {".tva", "us.tva", "s.tva"})
        EXPECT_FALSE(fs::exists(kConf + suffix)) << suffix;

    // [SplitLog] comes first and names the archives where they were built.
    EXPECT_EQ(splitLog(), (QStringList{
                              "File1=C:\\Program Files\\Trelvo\\Conf1.tva",
                              "C:\\Program Files\\Trelvo\\Conf1.tva= 0",
                              "File2=C:\\Program Files\\Trelvo\\Conf1us.tva",
                              "C:\\Program Files\\Trelvo\\Conf1us.tva= 3",
                              "File3=C:\\Program Files\\Trelvo\\Conf1s.tva",
                              "C:\\Program Files\\Trelvo\\Conf1s.tva= 0",
                          }));
    const platform::IniDocument description = iniFile(kProgramFolder + QStringLiteral("Config1.ini"));
    EXPECT_EQ(description.value(QStringLiteral("SystemFiles"), QStringLiteral("SaveFolder")), QStringLiteral("A:\\"));
    EXPECT_EQ(onDisk(QStringLiteral("d3"), QStringLiteral("Config1.ini")), fs::readAll(kProgramFolder + QStringLiteral("Config1.ini")));

    // The pieces join into the archive as it was built, and it unpacks the user's files.
    state().DiskRestoreFolder = kProgramFolder + QStringLiteral("DiskRestore\\");
    state().DiskNo = 0;
    insert(QStringLiteral("d1"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });
    const QString joined = state().DiskRestoreFolder + QStringLiteral("Conf1us.tva");
    backup::ConcatSplitFile(QStringLiteral("A:\\Conf1us.tva"), joined, 3);
    ASSERT_FALSE(userArchive.isEmpty());
    EXPECT_EQ(fs::readAll(joined), userArchive);
    EXPECT_EQ(entryBytes(joined, QStringLiteral("WINDOWS/TEMP/trelvo/User/Data/Big2.bin")), big2);
}

TEST_F(SaveFloppyTest, RetryAfterFreeingAWriteProtectedSecondDiskWritesItAndLabelsIt)
{
    bigUserFiles(1000000);
    blankDisk(QStringLiteral("d2"));
    platform::Machine::current().protectDisk(QStringLiteral("d2"), true);
    ui->expect(prompt(1), QStringLiteral("OK"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(kProtected + QStringLiteral("A:\\Conf1us.tv2"), QStringLiteral("Retry"),
               [] { platform::Machine::current().protectDisk(QStringLiteral("d2"), false); });
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\"));

    EXPECT_TRUE(state().SaveComplete);
    EXPECT_EQ(label(QStringLiteral("d1")), QStringLiteral("SAVE#1"));
    EXPECT_EQ(label(QStringLiteral("d2")), QStringLiteral("SAVE#2"));
    EXPECT_EQ(filesOn(QStringLiteral("d2")), (QStringList{"Conf1us.tv2", "Config1.ini", "Config1.usr"}));
    EXPECT_EQ(splitLog().size(), 4);
}

TEST_F(SaveFloppyTest, AFirstDiskThatCannotBeWrittenIsFoundBeforeAnythingIsPacked)
{
    // An older save on a write-protected disk, used as it is.
    makeDisk(QStringLiteral("old"), {{QStringLiteral("Conf1.tva"), "an older save"}});
    platform::Machine::current().protectDisk(QStringLiteral("old"), true);
    state().ConfigDescription[0] = QStringLiteral("Monday");
    auto before = machineSnapshot();
    const auto useAsItIs = [](vb::Form& f) { f.control<vb::CommandButton>(QStringLiteral("Command3")).setValue(true); };
    ui->expect(prompt(1), QStringLiteral("OK"));
    ui->onForm(QStringLiteral("frmNotEmpty"), useAsItIs);
    ui->expect(kProtected + QStringLiteral("A:\\  Remove the write protection"), QStringLiteral("Cancel"));
    saveInto(QStringLiteral("A:\\"), 0, QStringLiteral("Monday"));

    EXPECT_FALSE(state().SaveDone);
    EXPECT_FALSE(state().OldConfigDeleted);
    EXPECT_EQ(ui->shown().size(), 3);
    // Nothing changed on the machine but the log, which names the disk.
    auto after = machineSnapshot();
    for (auto* files : {&before, &after})
        files->removeIf([](const auto& file) { return file.key().endsWith(QStringLiteral("/Error.log")); });
    EXPECT_EQ(after.keys(), before.keys());
    for (auto it = before.begin(); it != before.end(); ++it)
        EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_TRUE(tm.readC(QStringLiteral("Program Files/Trelvo/Error.log")).endsWith("A:\\ Save\r\n"));

    // Taken out, freed and put back at the box: Retry goes on with the same disk.
    ui->expect(prompt(1), QStringLiteral("OK"));
    ui->onForm(QStringLiteral("frmNotEmpty"), useAsItIs);
    ui->expect(kProtected + QStringLiteral("A:\\"), QStringLiteral("Retry"), [] {
        platform::Machine::current().ejectDisk();
    });
    ui->expect(QStringLiteral("No disk inserted or the disk isn't formatted! A:\\  Insert the disk again and click on 'Retry'."),
               QStringLiteral("Retry"), [] {
                   platform::Machine::current().protectDisk(QStringLiteral("old"), false);
                   insert(QStringLiteral("old"));
               });
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\"));
    EXPECT_TRUE(state().SaveComplete);
    EXPECT_EQ(label(QStringLiteral("old")), QStringLiteral("SAVE#1"));
    EXPECT_EQ(filesOn(QStringLiteral("old")), (QStringList{"Conf1.tva", "Config1.ini", "Config1.usr"}));
    EXPECT_NE(onDisk(QStringLiteral("old"), QStringLiteral("Conf1.tva")), QByteArray("an older save"));
}

TEST_F(SaveFloppyTest, ADiskOfTheSaveUnderWayIsNotFormattedAndAnotherIsAskedFor)
{
    bigUserFiles(1000000);
    blankDisk(QStringLiteral("d2"));
    QByteArray firstPiece;
    ui->expect(prompt(1), QStringLiteral("OK"));
    // Asked for disk 2, the user leaves disk 1 in and chooses to format it.
    ui->expect(prompt(2), QStringLiteral("OK"), [&] { firstPiece = onDisk(QStringLiteral("d1"), QStringLiteral("Conf1us.tv1")); });
    ui->onForm(QStringLiteral("frmNotEmpty"),
               [](vb::Form& f) { f.control<vb::CommandButton>(QStringLiteral("Command1")).setValue(true); });
    ui->expect(QStringLiteral("This disk holds a part of the configuration being saved and must not be formatted!  Please insert another disk."),
               QStringLiteral("OK"));
    ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\"));

    EXPECT_TRUE(ui->notices().filter(QStringLiteral("Format")).isEmpty()) << "the format dialog never came up";
    EXPECT_TRUE(state().SaveComplete);
    EXPECT_EQ(label(QStringLiteral("d1")), QStringLiteral("SAVE#1"));
    EXPECT_EQ(filesOn(QStringLiteral("d1")), (QStringList{"Conf1.tva", "Conf1us.tv1"}));
    EXPECT_EQ(onDisk(QStringLiteral("d1"), QStringLiteral("Conf1us.tv1")), firstPiece);
    EXPECT_EQ(label(QStringLiteral("d2")), QStringLiteral("SAVE#2"));

    // Once the save is over, the same disk may be formatted again.
    insert(QStringLiteral("d1"));
    ui->onForm(QStringLiteral("frmNotEmpty"),
               [](vb::Form& f) { f.control<vb::CommandButton>(QStringLiteral("Command1")).setValue(true); });
    ui->expectFormat(QStringLiteral("Quick"));
    EXPECT_TRUE(backup::PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_TRUE(filesOn(QStringLiteral("d1")).isEmpty());
}

// The floppies given up part of the way: what did not reach them whole is no part of the
// configuration. The end message says so, its archives leave the program folder, the
// description records only what the floppies hold, and a save of which nothing reached
// them is no configuration at all.
struct GivenUpCase {
    const char* name;
    bool winIniAndStartMenu;       // else the user files alone
    const char* secondDisk;        // "protected": Cancel at the fault; "cancel": Cancel at the disk change
    bool thenStartMenuOntoDisk2;   // after Cancel at the change the Start menu asks for disk 2 again
    const char* endMessage;
    QStringList held;              // what a restore of the slot offers; empty: the slot is free
    QStringList onFirstDisk, onSecondDisk;
    QStringList splitLog;
};

const QString kLog1 = QStringLiteral("File1=C:\\Program Files\\Trelvo\\Conf1.tva");
const QString kLog1Count = QStringLiteral("C:\\Program Files\\Trelvo\\Conf1.tva= 0");

const GivenUpCase kGivenUp[] = {
    {"UserFilesAloneCancelledAtTheDiskChange", false, "cancel", false,
     "The configuration could not be saved!  Not copied to the floppy disks, so not part of this configuration: user-defined Files",
     {}, {"Conf1us.tv1"}, {}, {}},
    {"WriteProtectedSecondDiskCancelledAtTheFault", true, "protected", false,
     "The configuration was saved, but not all of it.  Not copied to the floppy disks, so not part of this configuration: "
     "user-defined Files Start Menu  The description files are not on the floppy disks; they lie in the program folder: "
     "C:\\Program Files\\Trelvo\\Config1.ini C:\\Program Files\\Trelvo\\Config1.usr",
     {"Check9"}, {"Conf1.tva", "Conf1us.tv1"}, {}, {kLog1, kLog1Count}},
    {"CancelAtTheDiskChangeAndTheNextArchiveGoesOn", true, "cancel", true,
     "The configuration was saved, but not all of it.  Not copied to the floppy disks, so not part of this configuration: "
     "user-defined Files",
     {"Check9", "Check20"}, {"Conf1.tva", "Conf1us.tv1"}, {"Conf1s.tva", "Config1.ini", "Config1.usr"},
     {kLog1, kLog1Count, "File3=C:\\Program Files\\Trelvo\\Conf1s.tva", "C:\\Program Files\\Trelvo\\Conf1s.tva= 0"}},
};

void PrintTo(const GivenUpCase& c, std::ostream* os) { *os << c.name; }

class FloppiesGivenUpTest : public SaveFloppyTest, public ::testing::WithParamInterface<GivenUpCase> {};

TEST_P(FloppiesGivenUpTest, WhatIsNotOnTheFloppiesIsNoPartOfTheConfiguration)
{
    const GivenUpCase& c = GetParam();
    if (c.winIniAndStartMenu)
        tick(QStringLiteral("Form1"), QStringLiteral("Check1"));   // the Start menu, whose archive comes after the user files
    else
        core::CheckBoxOf(QStringLiteral("Form1"), QStringLiteral("Check2")).setValue(0);
    bigUserFiles(1000000);
    blankDisk(QStringLiteral("d2"));
    const bool protectedDisk = QLatin1String(c.secondDisk) == u"protected";
    platform::Machine::current().protectDisk(QStringLiteral("d2"), protectedDisk);

    ui->expect(prompt(1), QStringLiteral("OK"));
    if (protectedDisk) {
        ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
        ui->expect(kProtected + QStringLiteral("A:\\Conf1us.tv2  Remove the write protection of the disk and click on 'Retry'."),
                   QStringLiteral("Cancel"));
    } else {
        ui->expect(prompt(2), QStringLiteral("Cancel"));
    }
    if (c.thenStartMenuOntoDisk2)
        ui->expect(prompt(2), QStringLiteral("OK"), [] { insert(QStringLiteral("d2")); });
    ui->expect(QString::fromUtf8(c.endMessage), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\"));

    // One box for a fault, none for the archive after it or for the description files.
    EXPECT_EQ(ui->shown().size(), 3 + (protectedDisk ? 1 : 0) + (c.thenStartMenuOntoDisk2 ? 1 : 0));
    for (const testsupport::ScriptedUi::Shown& box : ui->shown())
        EXPECT_FALSE(box.prompt.contains(QStringLiteral("successfull"))) << box.prompt.toStdString();
    EXPECT_FALSE(state().SaveComplete);
    EXPECT_TRUE(helpEnabled());
    // Nothing of the save lies in the program folder that the description does not record.
    for (const char* suffix : {".tva", "us.tva", "s.tva"})
        EXPECT_FALSE(fs::exists(kConf + QString::fromLatin1(suffix))) << suffix;
    EXPECT_EQ(filesOn(QStringLiteral("d1")), c.onFirstDisk);
    EXPECT_EQ(filesOn(QStringLiteral("d2")), c.onSecondDisk);

    if (c.held.isEmpty()) {
        // No configuration: not reported as saved, the slot free, no description kept.
        EXPECT_FALSE(state().SaveDone);
        EXPECT_EQ(statusText(), QStringLiteral("The configuration could not be saved!"));
        EXPECT_EQ(state().ConfigDescription[0], QStringLiteral("available"));
        EXPECT_FALSE(fs::exists(kProgramFolder + QStringLiteral("Config1.ini")));
        EXPECT_FALSE(fs::exists(kProgramFolder + QStringLiteral("Config1.usr")));
        EXPECT_EQ(iniFile(kProgramFolder + QStringLiteral("trelvo.ini")).value(QStringLiteral("Settings"), QStringLiteral("Config1")),
                  QStringLiteral("available"));
        return;
    }
    EXPECT_TRUE(state().SaveDone);
    EXPECT_EQ(statusText(), QStringLiteral("Saving finished, but not everything was saved"));
    EXPECT_EQ(splitLog(), c.splitLog);
    // A restore of the slot offers what is on the floppies and nothing that is not.
    EXPECT_EQ(heldAfterLoad(), c.held);
    EXPECT_EQ(tm.readC(QStringLiteral("Program Files/Trelvo/Config1.usr")), QByteArray(" 0\r\n\r\n"));
    if (protectedDisk) {
        const QStringList log = QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/Error.log"))).split(QStringLiteral("\r\n"));
        EXPECT_EQ(log.filter(QStringLiteral("A:\\Conf1us.tv2 Save")).size(), 1);
        EXPECT_TRUE(filesOn(QStringLiteral("d2")).isEmpty());
    } else {
        EXPECT_EQ(label(QStringLiteral("d2")), QStringLiteral("SAVE#2"));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FloppiesGivenUpTest, ::testing::ValuesIn(kGivenUp),
                         [](const ::testing::TestParamInfo<GivenUpCase>& info) { return std::string(info.param.name); });

class SaveFloppyLastDiskTest : public SaveFloppyTest {
protected:
    // The second disk is made exactly as large as what is left of the user files' archive
    // (and the folder that holds it), so that no room remains for the description.
    void expectSecondDiskFilledExactly()
    {
        ui->expect(prompt(1), QStringLiteral("OK"));
        ui->expect(QStringLiteral("does not exist"), QStringLiteral("OK"));
        ui->expect(prompt(2), QStringLiteral("OK"), [] {
            const qint64 archive = fs::stat(kConf + QStringLiteral("us.tva")).size;
            const qint64 first = QFileInfo(platform::Machine::current().diskFolder(QStringLiteral("d1")) + QStringLiteral("/Backup/Conf1us.tv1")).size();
            const qint64 rest = (archive - first + 511) / 512 * 512;
            blankDisk(QStringLiteral("d2"), QString::number(rest + 512));
            insert(QStringLiteral("d2"));
        });
    }
};

TEST_F(SaveFloppyLastDiskTest, AFullLastDiskAsksForOneMoreForTheDescription)
{
    bigUserFiles(800000);
    blankDisk(QStringLiteral("d3"));
    expectSecondDiskFilledExactly();
    ui->expect(prompt(3), QStringLiteral("OK"), [] { insert(QStringLiteral("d3")); });
    ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\Backup\\"));

    EXPECT_TRUE(state().SaveComplete);
    EXPECT_EQ(freeOn(QStringLiteral("d2")), 0);
    EXPECT_EQ(filesOn(QStringLiteral("d2"), QStringLiteral("/Backup")), (QStringList{"Conf1us.tv2"}));
    // The extra disk gets the folder and the two description files, and no label of the save.
    EXPECT_EQ(filesOn(QStringLiteral("d3"), QStringLiteral("/Backup")), (QStringList{"Config1.ini", "Config1.usr"}));
    EXPECT_EQ(state().DiskNo, 2);
    EXPECT_EQ(state().SaveFolder, QStringLiteral("A:\\Backup\\"));
}

TEST_F(SaveFloppyLastDiskTest, CancelForTheExtraDiskSaysTheDescriptionIsNotOnTheFloppiesAndWhereItLies)
{
    bigUserFiles(800000);
    expectSecondDiskFilledExactly();
    ui->expect(prompt(3), QStringLiteral("Cancel"));
    ui->expect(QStringLiteral("The configuration was saved, but not all of it.  The description files are not on the floppy disks; "
                              "they lie in the program folder: C:\\Program Files\\Trelvo\\Config1.ini C:\\Program Files\\Trelvo\\Config1.usr"),
               QStringLiteral("OK"));
    saveInto(QStringLiteral("A:\\Backup\\"));

    // The slot holds the save, which this machine can restore; the floppies alone cannot be imported.
    EXPECT_TRUE(state().SaveDone);
    EXPECT_FALSE(state().SaveComplete);
    EXPECT_EQ(statusText(), QStringLiteral("Saving finished, but not everything was saved"));
    EXPECT_TRUE(fs::exists(kProgramFolder + QStringLiteral("Config1.ini")));
    EXPECT_TRUE(fs::exists(kProgramFolder + QStringLiteral("Config1.usr")));
    EXPECT_EQ(filesOn(QStringLiteral("d1"), QStringLiteral("/Backup")), (QStringList{"Conf1.tva", "Conf1us.tv1"}));
    EXPECT_EQ(filesOn(QStringLiteral("d2"), QStringLiteral("/Backup")), (QStringList{"Conf1us.tv2"}));
    EXPECT_EQ(splitLog().size(), 4);
    for (const testsupport::ScriptedUi::Shown& box : ui->shown())
        EXPECT_FALSE(box.prompt.contains(QStringLiteral("successfull"))) << box.prompt.toStdString();
}
