// The user files a restore offers come from the configuration's list file (an imported one
// too) and its User.ini: an entry that is no path the user could have typed is not restored,
// even where User.ini gives it a staged copy, and the last box names it.
#include "RestoreTesting.h"

using namespace restoretest;

namespace {

class RestoreListEntryTest : public RestoreTest {};

QString nul() { return QString(QChar(0)); }

} // namespace

// Each row is an entry that User.ini of a handed-over archive maps to a staged copy of its own.
TEST_F(RestoreListEntryTest, AnEntryThatIsNoNameIsNotRestoredAndNamed)
{
    const struct {
        QString entry;
        QString shown;
    } rows[] = {
        {QStringLiteral("C:\\A\\..\\WINDOWS\\WIN.INI"), QStringLiteral("C:\\A\\..\\WINDOWS\\WIN.INI")},
        {QStringLiteral("C:\\AUTOEXEC.BAT") + nul() + QStringLiteral("x"), QStringLiteral("C:\\AUTOEXEC.BAT?x")},
        {QStringLiteral("C:\\CONFIG.SYS\t"), QStringLiteral("C:\\CONFIG.SYS?")},
        {QStringLiteral("C:\\My Documents\\a|b.txt"), QStringLiteral("C:\\My Documents\\a|b.txt")},
    };
    // The archive: the letter as the save stages it, and one staged copy for every row.
    const QString user = kWork + QStringLiteral("User\\");
    makeFoldersFor(user + kLetter.mid(3));
    vb::FileCopy(kLetter, user + kLetter.mid(3));
    fs::writeAll(user + QStringLiteral("evil.txt"), "not what the user saved");
    QString userIni = QStringLiteral("[UserFilesSaved]\r\n") + kLetter + u'=' + user + kLetter.mid(3) + QStringLiteral("\r\n");
    QStringList entries{kLetter};
    for (const auto& row : rows) {
        userIni += row.entry + u'=' + user + QStringLiteral("evil.txt\r\n");
        entries << row.entry;
    }
    fs::writeAll(user + QStringLiteral("User.ini"), userIni.toLatin1());
    zip(QStringLiteral("gqorumS "), quotedArchive(kProgram, QStringLiteral("us.tva")), u'"' + user + QStringLiteral("*.*\""));
    QDir(tm.hostC(QStringLiteral("WINDOWS/TEMP/trelvo"))).removeRecursively();
    tm.machine().forgetDir(tm.hostC(QStringLiteral("WINDOWS/TEMP")));

    const auto before = driveC();
    listUserFiles(entries, entries);
    ui->expect(kNotAll, QStringLiteral("OK"));
    runRestore();

    auto after = driveC();
    after.remove(QStringLiteral("Restore.ini"));   // every restore's own mark
    EXPECT_EQ(after.keys(), before.keys());
    for (const QString& file : before.keys())
        EXPECT_TRUE(after.value(file) == before.value(file)) << qPrintable(file);
    QString expected = kNotAll + QStringLiteral("\r");
    for (const auto& row : rows)
        expected += u'\r' + row.shown + QStringLiteral(": Filename or number wrong");
    EXPECT_EQ(boxes().last(), expected);
    EXPECT_EQ(boxes().size(), 1) << "each entry is named once, in the last box";
    EXPECT_FALSE(fs::exists(kWork + QStringLiteral("User"))) << "staged copies left behind";
    EXPECT_EQ(errorLog().filter(QStringLiteral("Bad file name or number")).size(), qsizetype(std::size(rows))) << qPrintable(errorLog().join(u'\n'));
}
