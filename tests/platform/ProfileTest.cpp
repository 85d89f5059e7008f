// The profile functions against INI files written by hand.
#include "platform/FileSystem.h"
#include "platform/HostStamp.h"
#include "platform/Profile.h"
#include "support/TempMachine.h"

using namespace platform;
using testsupport::MachineTest;

namespace {

// The value as getString() reads it; a Reader of the file reads the same.
QString get(const QString& section, const QString& key, const QString& file = QStringLiteral("C:\\test.ini"))
{
    const QString value = profile::getString(section, key, QStringLiteral("<none>"), 255, file);
    EXPECT_EQ(profile::Reader(file).getString(section, key, QStringLiteral("<none>"), 255), value) << qPrintable(section + u'/' + key);
    return value;
}

} // namespace

TEST_F(MachineTest, ReadingFollowsTheSystemRules)
{
    tm.writeC(QStringLiteral("test.ini"),
              "[Settings]\r\n"
              "  Config1 =  My Backup  \r\n"
              "Quoted=\"  spaced  \"\r\n"
              "Single='x'\r\n"
              "Semi=a;b ; c\r\n"
              "Empty=\r\n"
              "dup=first\r\n"
              "DUP=second\r\n"
              "[settings]\r\n"
              "Other=in the second section of the same name\r\n"
              "[Unix]\n"
              "Key=lf only\n"
              "[Z\xFCrich]\r\n"
              "\xC4rger=umlaut\r\n"
              "Mixed\xE9=accent\r\n");
    EXPECT_EQ(get(QStringLiteral("SETTINGS"), QStringLiteral("config1")), QStringLiteral("My Backup"));
    EXPECT_EQ(get(QStringLiteral("Settings"), QStringLiteral("Quoted")), QStringLiteral("  spaced  "));
    EXPECT_EQ(get(QStringLiteral("Settings"), QStringLiteral("Single")), QStringLiteral("x"));
    EXPECT_EQ(get(QStringLiteral("Settings"), QStringLiteral("Semi")), QStringLiteral("a;b ; c"));
    EXPECT_EQ(get(QStringLiteral("Settings"), QStringLiteral("Empty")), QString());
    EXPECT_EQ(get(QStringLiteral("Settings"), QStringLiteral("dup")), QStringLiteral("first"));
    EXPECT_EQ(get(QStringLiteral("Settings"), QStringLiteral("Other")), QStringLiteral("<none>"));
    EXPECT_EQ(get(QStringLiteral("Settings"), QString()), QStringLiteral("<none>"));
    EXPECT_EQ(get(QStringLiteral("Unix"), QStringLiteral("key")), QStringLiteral("lf only"));
    // Names beyond ASCII compare without regard to case too.
    EXPECT_EQ(get(QStringLiteral("Z\u00DCRICH"), QStringLiteral("\u00E4RGER")), QStringLiteral("umlaut"));
    EXPECT_EQ(get(QStringLiteral("z\u00FCrich"), QStringLiteral("MIXED\u00C9")), QStringLiteral("accent"));
    EXPECT_EQ(get(QStringLiteral("ZURICH"), QStringLiteral("Arger")), QStringLiteral("<none>"));
    EXPECT_EQ(get(QStringLiteral("Nope"), QStringLiteral("Config1")), QStringLiteral("<none>"));
    EXPECT_EQ(get(QStringLiteral("Settings"), QStringLiteral("Config1"), QStringLiteral("C:\\missing.ini")), QStringLiteral("<none>"));
}

TEST_F(MachineTest, ValuesAreCutToTheBuffer)
{
    tm.writeC(QStringLiteral("test.ini"), "[S]\r\nLong=" + QByteArray(300, 'v') + "\r\n");
    EXPECT_EQ(profile::getString(QStringLiteral("S"), QStringLiteral("Long"), {}, 255, QStringLiteral("C:\\test.ini")).size(), 254);
    EXPECT_EQ(profile::Reader(QStringLiteral("C:\\test.ini")).getString(QStringLiteral("S"), QStringLiteral("Long"), {}, 255).size(), 254);
}

TEST_F(MachineTest, WritingReplacesInPlaceAndAppendsAtTheEndOfTheSection)
{
    tm.writeC(QStringLiteral("test.ini"), "; comment\r\n[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
    const QString file = QStringLiteral("C:\\TEST.INI");
    ASSERT_TRUE(profile::writeString(QStringLiteral("a"), QStringLiteral("X"), QStringLiteral("one"), file));
    ASSERT_TRUE(profile::writeString(QStringLiteral("A"), QStringLiteral("new"), QStringLiteral("n"), file));
    ASSERT_TRUE(profile::writeString(QStringLiteral("C"), QStringLiteral("k"), QStringLiteral("\xe4\xf6\xfc"), file));
    EXPECT_EQ(tm.readC(QStringLiteral("test.ini")),
              QByteArray("; comment\r\n[A]\r\nx=one\r\ny=2\r\nnew=n\r\n\r\n[B]\r\nz=3\r\n[C]\r\nk=\xe4\xf6\xfc\r\n"));
    ASSERT_TRUE(profile::writeString(QStringLiteral("B"), QStringLiteral("z"), std::nullopt, file));
    ASSERT_TRUE(profile::writeString(QStringLiteral("A"), std::nullopt, std::nullopt, file));
    EXPECT_EQ(tm.readC(QStringLiteral("test.ini")), QByteArray("; comment\r\n[B]\r\n[C]\r\nk=\xe4\xf6\xfc\r\n"));
    // A key may hold "=" (a file name does): it is found, and replaced, whole.
    ASSERT_TRUE(profile::writeString(QStringLiteral("C"), QStringLiteral("rate=4%.txt"), QStringLiteral("a=b"), file));
    ASSERT_TRUE(profile::writeString(QStringLiteral("C"), QStringLiteral("RATE=4%.TXT"), QStringLiteral("c"), file));
    EXPECT_EQ(profile::getString(QStringLiteral("C"), QStringLiteral("Rate=4%.txt"), QString(), 255, file), QStringLiteral("c"));
    EXPECT_EQ(tm.readC(QStringLiteral("test.ini")), QByteArray("; comment\r\n[B]\r\n[C]\r\nk=\xe4\xf6\xfc\r\nrate=4%.txt=c\r\n"));
}

TEST_F(MachineTest, WritingCreatesTheFileButNotItsFolder)
{
    EXPECT_TRUE(profile::writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), QStringLiteral("C:\\new.ini")));
    EXPECT_EQ(tm.readC(QStringLiteral("new.ini")), QByteArray("[S]\r\nk=v\r\n"));
    EXPECT_FALSE(profile::writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), QStringLiteral("C:\\NoFolder\\new.ini")));
    Machine::current().protectDisk(QStringLiteral("blank"), true);
    EXPECT_FALSE(profile::writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), QStringLiteral("A:\\x.ini")));
}

TEST_F(MachineTest, ABareNameIsAFileOfTheWindowsFolder)
{
    EXPECT_EQ(profile::getString(QStringLiteral("boot"), QStringLiteral("shell"), {}, 255, QStringLiteral("system.ini")),
              QStringLiteral("Explorer.exe"));
}

TEST_F(MachineTest, AChangeMadeBehindTheCacheIsSeen)
{
    const QString file = QStringLiteral("C:\\test.ini");
    ASSERT_TRUE(profile::writeString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("old"), file));
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("old"));
    tm.writeC(QStringLiteral("test.ini"), "[S]\r\nk=new\r\n");   // same size, same second
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("new"));
}

// Lookups by name against what a search from the top of the file finds, in a file of many
// keys and after changes that move lines: keys inserted into the middle, keys and whole
// sections removed.
TEST_F(MachineTest, LookupsInALargeFileFindWhatASearchFromTheTopFinds)
{
    QByteArray text = "[UserFilesSaved]\r\n";
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("C:\\Data\\File %1.doc=C:\\TEMP\\User\\File %1.doc\r\n").arg(i).toLatin1();
    text += "c:\\data\\FILE 7.DOC=a later spelling\r\n[Other]\r\nC:\\Data\\File 1.doc=elsewhere\r\n"
            "[userfilessaved]\r\nExtra=in a second section of the same name\r\n";
    tm.writeC(QStringLiteral("big.ini"), text);
    const QString file = QStringLiteral("C:\\big.ini");
    for (int i : {0, 7, 1499, 2999})
        EXPECT_EQ(get(QStringLiteral("UserFilesSaved"), QStringLiteral("c:\\DATA\\file %1.DOC").arg(i), file),
                  QStringLiteral("C:\\TEMP\\User\\File %1.doc").arg(i));
    EXPECT_EQ(get(QStringLiteral("Other"), QStringLiteral("C:\\Data\\File 1.doc"), file), QStringLiteral("elsewhere"));
    EXPECT_EQ(get(QStringLiteral("UserFilesSaved"), QStringLiteral("Extra"), file), QStringLiteral("<none>"));
    EXPECT_EQ(get(QStringLiteral("UserFilesSaved"), QStringLiteral("C:\\Data\\File 3000.doc"), file), QStringLiteral("<none>"));

    // A new key goes to the end of its section, before [Other]; the lines below it move.
    ASSERT_TRUE(profile::writeString(QStringLiteral("UserFilesSaved"), QStringLiteral("C:\\New.doc"), QStringLiteral("new"), file));
    EXPECT_EQ(get(QStringLiteral("UserFilesSaved"), QStringLiteral("c:\\new.doc"), file), QStringLiteral("new"));
    EXPECT_EQ(get(QStringLiteral("Other"), QStringLiteral("C:\\Data\\File 1.doc"), file), QStringLiteral("elsewhere"));
    ASSERT_TRUE(profile::writeString(QStringLiteral("UserFilesSaved"), QStringLiteral("C:\\Data\\File 7.doc"), std::nullopt, file));
    EXPECT_EQ(get(QStringLiteral("UserFilesSaved"), QStringLiteral("C:\\Data\\File 7.doc"), file), QStringLiteral("a later spelling"))
        << "the duplicate further down is the first one now";
    EXPECT_EQ(get(QStringLiteral("UserFilesSaved"), QStringLiteral("C:\\Data\\File 8.doc"), file), QStringLiteral("C:\\TEMP\\User\\File 8.doc"));
    ASSERT_TRUE(profile::writeString(QStringLiteral("USERFILESSAVED"), std::nullopt, std::nullopt, file));
    EXPECT_EQ(get(QStringLiteral("UserFilesSaved"), QStringLiteral("Extra"), file), QStringLiteral("in a second section of the same name"));
    EXPECT_EQ(get(QStringLiteral("Other"), QStringLiteral("C:\\Data\\File 1.doc"), file), QStringLiteral("elsewhere"));
}

// A batch of writes: every value is there to read at once, the file itself changes only when
// the batch ends, with all of them in the order they were written, and a batch inside a
// batch writes nothing of its own.
TEST_F(MachineTest, ABatchOfWritesReplacesTheFileOnceWithEveryValue)
{
    tm.writeC(QStringLiteral("batch.ini"), "[Old]\r\nKept=yes\r\n");
    const QString file = QStringLiteral("C:\\batch.ini");
    const QString fresh = QStringLiteral("C:\\fresh.ini");
    {
        profile::WriteBatch batch;
        EXPECT_TRUE(profile::writeString(QStringLiteral("New"), QStringLiteral("A"), QStringLiteral("1"), file));
        {
            profile::WriteBatch inner;
            EXPECT_TRUE(profile::writeString(QStringLiteral("New"), QStringLiteral("B"), QStringLiteral("2"), file));
            EXPECT_TRUE(inner.finish());
        }
        EXPECT_TRUE(profile::writeString(QStringLiteral("New"), QStringLiteral("A"), QStringLiteral("3"), file));
        EXPECT_TRUE(profile::writeString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"), fresh));
        EXPECT_FALSE(profile::writeString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"), QStringLiteral("C:\\No Folder\\x.ini")));
        EXPECT_EQ(get(QStringLiteral("New"), QStringLiteral("A"), file), QStringLiteral("3"));
        EXPECT_EQ(get(QStringLiteral("New"), QStringLiteral("B"), file), QStringLiteral("2"));
        EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("K"), fresh), QStringLiteral("v"));
        EXPECT_EQ(tm.readC(QStringLiteral("batch.ini")), QByteArray("[Old]\r\nKept=yes\r\n"));
        EXPECT_FALSE(tm.existsC(QStringLiteral("fresh.ini")));
        EXPECT_TRUE(batch.finish());
    }
    EXPECT_EQ(tm.readC(QStringLiteral("batch.ini")), QByteArray("[Old]\r\nKept=yes\r\n[New]\r\nA=3\r\nB=2\r\n"));
    EXPECT_EQ(tm.readC(QStringLiteral("fresh.ini")), QByteArray("[S]\r\nK=v\r\n"));

    // A file that cannot be written when the batch ends: finish() says so, the file stays.
    fs::setAttributes(file, AttrReadOnly);
    profile::WriteBatch refused;
    EXPECT_TRUE(profile::writeString(QStringLiteral("New"), QStringLiteral("C"), QStringLiteral("4"), file));
    EXPECT_FALSE(refused.finish());
    EXPECT_EQ(get(QStringLiteral("New"), QStringLiteral("C"), file), QStringLiteral("<none>"));
    EXPECT_EQ(tm.readC(QStringLiteral("batch.ini")), QByteArray("[Old]\r\nKept=yes\r\n[New]\r\nA=3\r\nB=2\r\n"));
}

// A batch that leaves the file as it is costs no write: the file keeps its inode, size and
// time. Changed from outside or removed while the batch was open, it is written again.
TEST_F(MachineTest, ABatchThatChangesNothingLeavesTheFileAsItIs)
{
    const QByteArray content = "[S]\r\nA=1\r\nB=2\r\n";
    tm.writeC(QStringLiteral("same.ini"), content);
    const QString file = QStringLiteral("C:\\same.ini");
    const QString host = tm.hostC(QStringLiteral("same.ini"));
    const auto again = [&](const std::function<void()>& meanwhile) {
        profile::WriteBatch batch;
        EXPECT_TRUE(profile::writeString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"), file));
        meanwhile();
        EXPECT_TRUE(profile::writeString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("2"), file));
        return batch.finish();
    };
    EXPECT_EQ(get(QStringLiteral("S"), QStringLiteral("B"), file), QStringLiteral("2"));
    const HostStamp before = HostStamp::of(host);
    EXPECT_TRUE(again([] {}));
    EXPECT_EQ(HostStamp::of(host), before);
    EXPECT_EQ(tm.readC(QStringLiteral("same.ini")), content);

    EXPECT_TRUE(again([&] { tm.writeC(QStringLiteral("same.ini"), "[S]\r\nA=9\r\n"); }));
    EXPECT_EQ(tm.readC(QStringLiteral("same.ini")), content);
    EXPECT_TRUE(again([&] { QFile::remove(host); }));
    EXPECT_EQ(tm.readC(QStringLiteral("same.ini")), content);
}
