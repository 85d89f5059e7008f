// The save reads the list of user files from trelvo.usr: an entry that is no path the user
// could have typed is left out and named, and a list file that cannot be read is told,
// never taken for a list without files.
#include "SaveTesting.h"
#include "support/DamagedFiles.h"
#include "support/DriveState.h"

using namespace backuptest;
using core::state;
namespace fs = platform::fs;

namespace {

const QString kBackups = QStringLiteral("C:\\My Backups\\");
const QString kLetter = QStringLiteral("C:\\My Documents\\Letter to Anna.txt");
const QString kListFile = QStringLiteral("C:\\Program Files\\Trelvo\\trelvo.usr");

class SaveListFileTest : public SaveFixture {
protected:
    void SetUp() override
    {
        SaveFixture::SetUp();
        fs::createDirectory(kBackups.chopped(1));
    }
    // Drive C: but the save's own places (the backups, the program and the temporary folder).
    QMap<QString, testsupport::FileState> userFiles() const
    {
        auto files = testsupport::driveCFiles(tm);
        files.removeIf([](auto it) { return it.key().startsWith(QStringLiteral("My Backups/")); });
        return files;
    }
    QStringList userIniKeys() const
    {
        const QByteArray bytes = entryBytes(kBackups + QStringLiteral("Conf1us.tva"), QStringLiteral("WINDOWS/TEMP/trelvo/User/User.ini"));
        return iniOf(bytes).keys(QStringLiteral("UserFilesSaved"));
    }
    QString errorLog() const { return QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/Error.log"))); }
};

QString nul() { return QString(QChar(0)); }

} // namespace

// Each row is an entry of trelvo.usr beside a letter that is saved as usual: the entry is
// named once in the end message (control characters shown as "?") and in the log, nothing
// outside the staging folder is written, and the letter alone is in the archive.
TEST_F(SaveListFileTest, AnEntryThatIsNoNameIsLeftOutAndNamedOnce)
{
    const QString longLine(300, u'x');
    const struct {
        QString entry;
        QString shown;
    } rows[] = {
        {QStringLiteral("C:\\A\\..\\..\\..\\..\\WIN.INI"), QStringLiteral("C:\\A\\..\\..\\..\\..\\WIN.INI")},
        {QStringLiteral("C:\\WINDOWS\\..\\AUTOEXEC.BAT"), QStringLiteral("C:\\WINDOWS\\..\\AUTOEXEC.BAT")},
        {QStringLiteral("C:\\NEWF") + nul() + QStringLiteral("tail"), QStringLiteral("C:\\NEWF?tail")},
        {QStringLiteral("C:\\WINDOWS\\WIN.INI") + nul() + QStringLiteral("x"), QStringLiteral("C:\\WINDOWS\\WIN.INI?x")},
        {QStringLiteral("C:\\My Documents\\a|b.txt"), QStringLiteral("C:\\My Documents\\a|b.txt")},
        {QStringLiteral("C:\\My Documents\\x\ty.txt"), QStringLiteral("C:\\My Documents\\x?y.txt")},
        {QStringLiteral("C:\\") + longLine, (QStringLiteral("C:\\") + longLine).left(259) + QStringLiteral("...")},
    };
    // A file of the name the first row climbs to: staged where that row's staged path leads, it
    // would land on the live WIN.INI.
    fs::writeAll(QStringLiteral("C:\\WIN.INI"), "[not the live one]\r\n");
    tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
    for (const auto& row : rows) {
        const QString what = row.shown.left(60);
        writeUserList({row.entry, kLetter});
        const auto before = userFiles();
        ui->expect(QStringLiteral("The configuration was saved, but not all of it.  Not saved: ") + row.shown +
                       QStringLiteral(": Filename or number wrong"),
                   QStringLiteral("OK"));
        saveInto(kBackups);
        EXPECT_TRUE(state().SaveDone) << qPrintable(what);
        EXPECT_FALSE(state().SaveComplete) << qPrintable(what);
        ASSERT_FALSE(ui->shown().isEmpty());
        EXPECT_EQ(ui->shown().last().prompt.count(row.shown), 1) << qPrintable(what);
        EXPECT_EQ(userFiles(), before) << qPrintable(what);
        EXPECT_EQ(userIniKeys(), QStringList{kLetter}) << qPrintable(what);
        EXPECT_EQ(errorLog().count(row.shown + QStringLiteral(" Save")), 1) << qPrintable(what);
        EXPECT_FALSE(errorLog().contains(QChar(0)));
        // The list keeps the entry for the user to mend.
        EXPECT_TRUE(QString::fromLatin1(fs::readAll(kListFile)).contains(row.entry)) << qPrintable(what);
        fs::removeFile(kProgramFolder + QStringLiteral("Error.log"));
    }
}

// Each row is a trelvo.usr that is there but cannot be read as a list: the files it lists
// are named as not saved, by the list file and why, beside what was saved; with nothing else
// chosen nothing is saved and the box says so (no "nothing to save", no success).
TEST_F(SaveListFileTest, AListFileThatCannotBeReadIsToldNeverTakenForAnEmptyList)
{
    const QString host = hostOf(kListFile);
    for (const testsupport::Damage& damage : testsupport::listFileDamages(false)) {
        const QString why = QString::fromLatin1(damage.name).startsWith(QStringLiteral("a "))
                                ? QStringLiteral("Error while accessing file/directory")
                                : QStringLiteral("the file is damaged, it is not a list of files");
        const QString told = QStringLiteral("Not saved: User-defined files listed in ") + kListFile + QStringLiteral(": ") + why;

        selectAll(0);
        tick(QStringLiteral("Form1"), QStringLiteral("Check2"));
        damage.make(host);
        ui->expect(QStringLiteral("The configuration was saved, but not all of it.  ") + told, QStringLiteral("OK"));
        saveInto(kBackups);
        EXPECT_TRUE(state().SaveDone) << damage.name;
        EXPECT_FALSE(state().SaveComplete) << damage.name;
        EXPECT_TRUE(fs::exists(kBackups + QStringLiteral("Conf1.tva"))) << damage.name;
        EXPECT_FALSE(fs::exists(kBackups + QStringLiteral("Conf1us.tva"))) << damage.name;
        EXPECT_TRUE(errorLog().contains(kListFile + QStringLiteral(" Save"))) << damage.name;

        selectAll(0);
        ui->expect(QStringLiteral("The configuration could not be saved!  ") + told, QStringLiteral("OK"));
        saveInto(kBackups);
        EXPECT_FALSE(state().SaveDone) << damage.name;

        QFile::remove(host);
        QDir(host).removeRecursively();
    }
}
