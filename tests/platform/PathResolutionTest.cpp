#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"
#include "support/TempMachine.h"

#include <QElapsedTimer>
#include <QTimeZone>

using namespace platform;
using testsupport::MachineTest;

TEST_F(MachineTest, ResolvesComponentsWithoutRegardToCase)
{
    const Resolved r = Machine::current().resolve(QStringLiteral("c:\\windows\\start menu\\PROGRAMS\\accessories\\notepad.LNK"));
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.isFile());
    EXPECT_EQ(r.win(), QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\Accessories\\Notepad.lnk"));
}

TEST_F(MachineTest, NewComponentsKeepTheGivenCase)
{
    const Resolved r = Machine::current().resolve(QStringLiteral("C:\\windows\\NewFolder\\File.Txt"));
    EXPECT_EQ(r.existing, 1);
    EXPECT_EQ(r.win(), QStringLiteral("C:\\WINDOWS\\NewFolder\\File.Txt"));
    EXPECT_FALSE(r.parentExists());
}

TEST_F(MachineTest, ShortNamesAreSynthesisedAndResolve)
{
    EXPECT_EQ(fs::shortName(QStringLiteral("C:\\Program Files")), QStringLiteral("PROGRA~1"));
    EXPECT_EQ(fs::shortName(QStringLiteral("C:\\WINDOWS")), QString());
    const Resolved r = Machine::current().resolve(QStringLiteral("C:\\PROGRA~1\\trelvo\\ZIP.EXE"));
    EXPECT_TRUE(r.isFile());
    EXPECT_EQ(r.win(), QStringLiteral("C:\\Program Files\\Trelvo\\zip.exe"));
}

// The last name of a path whose folder is there, as the file operations meet it: in the
// given case, in another case, by its short name, not there, and put there from outside
// right after the folder was last listed.
TEST_F(MachineTest, TheLastNameInAFolderThatIsThereResolvesInEveryFormItHas)
{
    const Machine& m = Machine::current();
    tm.writeC(QStringLiteral("Users Data/Long Report Name.doc"), "r");
    const auto win = [&](const char* path) { return m.resolve(QString::fromLatin1(path)).win(); };
    EXPECT_EQ(win("C:\\Users Data\\Long Report Name.doc"), QStringLiteral("C:\\Users Data\\Long Report Name.doc"));
    EXPECT_EQ(win("C:\\USERS DATA\\long report name.DOC"), QStringLiteral("C:\\Users Data\\Long Report Name.doc"));
    EXPECT_EQ(win("C:\\Users Data\\LONGRE~1.DOC"), QStringLiteral("C:\\Users Data\\Long Report Name.doc"));
    EXPECT_TRUE(m.resolve(QStringLiteral("C:\\Users Data\\LONGRE~1.DOC")).isFile());

    const Resolved missing = m.resolve(QStringLiteral("C:\\users data\\New One.txt"));
    EXPECT_FALSE(missing.exists());
    EXPECT_TRUE(missing.parentExists());
    EXPECT_EQ(missing.win(), QStringLiteral("C:\\Users Data\\New One.txt"));

    // The folder's listing is held now; a file written there by another program is found in
    // another case at the next look.
    tm.writeC(QStringLiteral("Users Data/Outside.TXT"), "o");
    const Resolved outside = m.resolve(QStringLiteral("C:\\Users Data\\outside.txt"));
    EXPECT_TRUE(outside.isFile());
    EXPECT_EQ(outside.win(), QStringLiteral("C:\\Users Data\\Outside.TXT"));
    const Resolved folder = m.resolve(QStringLiteral("C:\\users data"));
    EXPECT_TRUE(folder.isDir());

    // The same at the root of a drive.
    tm.writeC(QStringLiteral("Root Level Notes.txt"), "n");
    EXPECT_EQ(win("c:\\ROOT LEVEL NOTES.TXT"), QStringLiteral("C:\\Root Level Notes.txt"));
    EXPECT_EQ(win("C:\\ROOTLE~1.TXT"), QStringLiteral("C:\\Root Level Notes.txt"));
    const Resolved atRoot = m.resolve(QStringLiteral("C:\\not there.txt"));
    EXPECT_FALSE(atRoot.exists());
    EXPECT_TRUE(atRoot.parentExists());
    tm.writeC(QStringLiteral("Put There.TXT"), "p");
    EXPECT_EQ(win("c:\\put there.txt"), QStringLiteral("C:\\Put There.TXT"));
    EXPECT_TRUE(m.resolve(QStringLiteral("c:\\put there.txt")).isFile());
}

// Each row: a pattern, a name, whether it matches. Every row must answer at once: a pattern
// of many stars against a long name is one pass with one point to go back to.
TEST(WinPath, WildcardsFollowDosRules)
{
    const QString forty = QString(u'a').repeated(40);
    const struct { QString pattern, name; bool matches; } rows[] = {
        {QStringLiteral("*.*"), QStringLiteral("Programs"), true},
        {QStringLiteral("*.INI"), QStringLiteral("win.ini"), true},
        {QStringLiteral("conf?.tva"), QStringLiteral("Conf1.tva"), true},
        {QStringLiteral("conf?.tva"), QStringLiteral("Conf12.tva"), false},
        {QStringLiteral("*."), QStringLiteral("README"), true},
        {QStringLiteral("*."), QStringLiteral("README.TXT"), false},
        {QStringLiteral("conf*.tv?"), QStringLiteral("Conf1us.tv2"), true},
        {QStringLiteral("*us*.t*a"), QStringLiteral("conf1us.tva"), true},
        {QStringLiteral("*a*b"), QStringLiteral("xaybzab"), true},
        {QStringLiteral("*a*b"), QStringLiteral("xaybzaba"), false},
        {QStringLiteral("a**?"), QStringLiteral("a"), false},
        {QStringLiteral("a**?"), QStringLiteral("ab"), true},
        {QStringLiteral("setup.*"), QStringLiteral("SETUP"), true},
        {QStringLiteral("*a*a*a*a*a*a*a*a*a*a*b"), forty, false},
        {QStringLiteral("*a*a*a*a*a*a*a*a*a*a*b"), forty + u'b', true},
        {QStringLiteral("*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*b"), forty, false},
        {QString(u'*').repeated(300) + u'c', QString(u'x').repeated(255), false},
    };
    for (const auto& row : rows) {
        QElapsedTimer took;
        took.start();
        EXPECT_EQ(winpath::wildcardMatch(row.pattern, row.name), row.matches) << row.pattern.toStdString() << " against "
                                                                              << row.name.toStdString();
        EXPECT_LT(took.elapsed(), 200) << row.pattern.toStdString();
    }
}

// Names fold as the full tables fold them, plain ASCII ones by the short way.
TEST(WinPath, NamesFoldAsTheFullTablesFoldThem)
{
    for (const QString& name : {QStringLiteral("Program Files/Trelvo/conf1.tva"), QStringLiteral("ALREADY UPPER ~1.TXT"),
                                QStringLiteral(""), QStringLiteral("z{a}`@[Z]"), QStringLiteral("Brief an Jörg.doc"),
                                QStringLiteral("straße"), QStringLiteral("ÉCOLE é"), QString::fromUtf16(u"\u00ff\u0131x")})
    {
        EXPECT_EQ(winpath::foldCase(name), name.toUpper()) << name.toStdString();
        EXPECT_EQ(winpath::caseFolded(name), name.toCaseFolded()) << name.toStdString();
    }
}

// An item asked for by its name, found by a pattern and looked at alone tells the same size,
// attributes and time: the listings give the time in UTC, the look at one file in local time.
TEST_F(MachineTest, ANameListedByItselfByAPatternOrLookedAtAloneTellsTheSame)
{
    tm.writeC(QStringLiteral("Users Data/Report.doc"), QByteArray(1234, 'r'));
    const QDateTime when(QDate(1999, 3, 14), QTime(15, 9, 26), QTimeZone::utc());
    fs::setModified(QStringLiteral("C:\\Users Data\\Report.doc"), when);
    const QList<fs::Entry> byName = fs::find(QStringLiteral("c:\\users data\\REPORT.DOC"), 0);
    const QList<fs::Entry> byPattern = fs::find(QStringLiteral("C:\\Users Data\\*.doc"), 0);
    const fs::Entry alone = fs::stat(QStringLiteral("C:\\Users Data\\report.doc"));
    ASSERT_EQ(byName.size(), 1);
    ASSERT_EQ(byPattern.size(), 1);
    for (const fs::Entry& e : {byName[0], byPattern[0], alone}) {
        EXPECT_EQ(e.name, QStringLiteral("Report.doc"));
        EXPECT_EQ(e.size, 1234);
        EXPECT_EQ(e.attrs, quint32(AttrArchive));
        EXPECT_EQ(e.modified.toMSecsSinceEpoch(), when.toMSecsSinceEpoch());
    }
    for (const fs::Entry& listed : {byName[0], byPattern[0]})
        EXPECT_EQ(listed.modified.timeZone(), QTimeZone::utc());
    EXPECT_EQ(alone.modified.timeSpec(), Qt::LocalTime);

    const QList<fs::Entry> folder = fs::find(QStringLiteral("C:\\users data"), AttrDirectory);
    ASSERT_EQ(folder.size(), 1);
    EXPECT_TRUE(folder[0].isDir());
    EXPECT_EQ(folder[0].size, 0);
    EXPECT_TRUE(fs::find(QStringLiteral("C:\\Users Data\\Missing.doc"), 0).isEmpty());
}
