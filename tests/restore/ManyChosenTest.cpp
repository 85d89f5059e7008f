// A restore of some of thousands of user files. Naming thousands of chosen files to unzip
// costs the square of their number, so where that costs more the staged copies are unpacked
// whole and those not chosen removed again. Whichever way a row goes, the chosen files and
// only they come back and the work folder goes; the unzip runs say which way it went. Each
// row changes the live files (and the archive or the work folder) first.
#include "RestoreTesting.h"
#include "platform/Process.h"
#include "platform/UnzipAdapter.h"

using namespace restoretest;

namespace {

constexpr int kFiles = 3000;

QString userFile(int i) { return QStringLiteral("C:\\Data\\F%1\\file %2.txt").arg(i % 30).arg(i); }
QByteArray savedBytes(int i) { return "saved " + QByteArray::number(i) + "\r\n"; }

class ManyChosenTest : public RestoreTest {
protected:
    void SetUp() override
    {
        RestoreTest::SetUp();
        QByteArray list = " " + QByteArray::number(kFiles) + " \r\n";
        for (int i = 0; i < kFiles; ++i) {
            tm.writeC(QString(userFile(i)).mid(3).replace(u'\\', u'/'), savedBytes(i));
            list += userFile(i).toLatin1() + "\r\n";
        }
        fs::writeAll(kProgram + QStringLiteral("trelvo.usr"), list);
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
            item.SaveCheckBox().setValue(0);
        state().ConfigIniPath = kProgram + QStringLiteral("Config1.ini");
        ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
        backup::Save();
        ASSERT_TRUE(state().SaveDone);
        // The unzip command lines, as they run.
        platform::proc::registerBehaviour(QStringLiteral("unzip"), [this](const platform::proc::Invocation& inv) {
            unzipLines << inv.commandLine;
            return platform::infozip::runUnzip(inv);
        });
    }
    QStringList unzipLines;
};

} // namespace

TEST_F(ManyChosenTest, TheChosenFilesAndOnlyTheyComeBackWhicheverWayTheyAreUnpacked)
{
    struct Row {
        const char* what;
        int every;                                  // every n-th file chosen
        std::function<void()> before = {};
        enum { Named, Whole, WholeThenNamed } runs = Named;
        bool logged = false;                        // a line in the error log
    };
    const QString archive = kProgram + QStringLiteral("Conf1us.tva");
    const QList<Row> rows = {
        {"a few chosen", 300, {}, Row::Named},
        {"half of them chosen", 2, {}, Row::Whole},
        {"a file from before in the work folder", 2,
         [] {
             makeFoldersFor(kWork + QStringLiteral("User\\Data\\F1\\x"));
             fs::writeAll(kWork + QStringLiteral("User\\Data\\F1\\file 1.txt"), "left from before");
         },
         Row::Named, true},
        {"a file not chosen damaged in the archive", 2,
         [&] {
             QByteArray bytes = fs::readAll(archive);
             const auto list = platform::zip::readEntries(fs::resolveReady(archive).host());
             ASSERT_TRUE(list.has_value());
             for (const platform::zip::ZipEntry& e : *list) {
                 if (!e.name.endsWith(QStringLiteral("/file 7.txt")))
                     continue;
                 const qsizetype header = qsizetype(e.localHeaderOffset);
                 const auto u16 = [&](qsizetype at) { return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8; };
                 const qsizetype data = header + 30 + u16(header + 26) + u16(header + 28);
                 bytes[data] = char(bytes[data] ^ 0x5A);
             }
             fs::writeAll(archive, bytes);
         },
         Row::WholeThenNamed},
    };
    // One saved file is missing from the configuration's list (an edited list file): its
    // staged copy, unpacked with the whole, must go as well.
    QStringList entries;
    for (int i = 0; i < kFiles; ++i)
        if (i != 5)
            entries << userFile(i);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (int i = 0; i < kFiles; ++i)
            tm.writeC(QString(userFile(i)).mid(3).replace(u'\\', u'/'), "changed " + QByteArray::number(i));
        if (row.before)
            row.before();
        if (fs::exists(kProgram + QStringLiteral("Error.log")))
            fs::removeFile(kProgram + QStringLiteral("Error.log"));
        QStringList chosen;
        for (int i = 0; i < kFiles; i += row.every)
            chosen << userFile(i);
        listUserFiles(entries, chosen);
        unzipLines.clear();
        ui->expect(kRestored, QStringLiteral("OK"));
        runRestore();

        for (int i = 0; i < kFiles; ++i)
            ASSERT_EQ(read(userFile(i)), i % row.every == 0 ? savedBytes(i) : "changed " + QByteArray::number(i)) << i;
        EXPECT_FALSE(fs::isDirectory(kWork + QStringLiteral("User"))) << "the staged copies and their folders go";
        // (A work folder left from before holds no file of its own to clear, which the log notes.)
        EXPECT_EQ(!errorLog().isEmpty(), row.logged) << errorLog().join(u'\n').toStdString();
        // User.ini alone first; then one run of the whole, or runs that name the chosen files,
        // or both when the run of the whole failed.
        ASSERT_GE(unzipLines.size(), 2);
        const auto names = [](const QString& line) { return line.contains(QStringLiteral("file ")); };
        EXPECT_EQ(!names(unzipLines[1]), row.runs != Row::Named) << unzipLines[1].left(200).toStdString();
        EXPECT_EQ(names(unzipLines.last()), row.runs != Row::Whole) << unzipLines.size();
    }
}
