// The boot-time rename list: merging the restore's lines into Wininit.ini, the lines written
// only for unpacked copies that are there, the section header alone where no file is listed,
// and the test for the boot-time program.
#include "RestoreTesting.h"
#include "restore/WininitRename.h"

using namespace restoretest;
using restore::MergeRenameLines;
using restore::WriteWininitRename;

namespace {

const QString kWininit = QStringLiteral("C:\\WINDOWS\\Wininit.ini");
const QStringList kTwo = {QStringLiteral("C:\\WINDOWS\\system.ini=C:\\WINDOWS\\TEMP\\trelvo\\system.ini"),
                          QStringLiteral("C:\\WINDOWS\\Win.ini=C:\\WINDOWS\\TEMP\\trelvo\\Win.ini")};

QStringList lines(const QByteArray& text) { return QString::fromLatin1(text).split(QStringLiteral("\r\n")); }

class WininitRenameTest : public RestoreTest {
protected:
    // Unpacked copies in the work folder, as the system files' archive leaves them.
    void stage(const QStringList& names)
    {
        makeFoldersFor(kWork);
        for (const QString& name : names)
            fs::writeAll(kWork + name, "unpacked " + name.toLatin1());
    }
};

} // namespace

TEST(MergeRenameLinesTest, NewLinesFollowTheFirstExactHeaderOnce)
{
    // No file, or an empty one: a new section.
    EXPECT_EQ(lines(MergeRenameLines({}, kTwo)), (QStringList{"[rename]", kTwo[0], kTwo[1], ""}));
    EXPECT_EQ(lines(MergeRenameLines("\r\n", kTwo)), (QStringList{"", "[rename]", kTwo[0], kTwo[1], ""}));
    // A section with one line: header, the new lines, the old line; other sections stay.
    EXPECT_EQ(lines(MergeRenameLines("[boot]\r\nx=1\r\n[rename]\r\nC:\\A=C:\\B\r\n[end]", kTwo)),
              (QStringList{"[boot]", "x=1", "[rename]", kTwo[0], kTwo[1], "C:\\A=C:\\B", "[end]", ""}));
    // The header is found whatever its case and the blanks around it, and kept as it was.
    EXPECT_EQ(lines(MergeRenameLines("  [RENAME] \nNUL=C:\\X\n", kTwo)),
              (QStringList{"  [RENAME] ", kTwo[0], kTwo[1], "NUL=C:\\X", ""}));
    EXPECT_EQ(lines(MergeRenameLines("[Rename]\r\n", kTwo)), (QStringList{"[Rename]", kTwo[0], kTwo[1], ""}));
    // Without a section, it goes after the last line.
    EXPECT_EQ(lines(MergeRenameLines("[other]\r\nk=v", kTwo)), (QStringList{"[other]", "k=v", "[rename]", kTwo[0], kTwo[1], ""}));
    // "[rename]" inside other text is no header; of two headers only the first gets the lines.
    EXPECT_EQ(lines(MergeRenameLines("; see [rename] below\r\n[rename]\r\n[rename]\r\n", kTwo)),
              (QStringList{"; see [rename] below", "[rename]", kTwo[0], kTwo[1], "[rename]", ""}));
}

TEST(MergeRenameLinesTest, BytesOfOtherLinesStayAsTheyWere)
{
    const QByteArray odd = "[x]\r\nName=caf\xe9 \x81\x9d\r\n";
    const QByteArray merged = MergeRenameLines(odd, kTwo);
    EXPECT_TRUE(merged.startsWith(odd));
}

TEST_F(WininitRenameTest, LinesGoOnlyForChosenFilesWhoseCopiesAreThere)
{
    stage({QStringLiteral("win.ini"), QStringLiteral("system.ini"), QStringLiteral("user.dat")});
    fs::setAttributes(kWork + QStringLiteral("user.dat"), platform::AttrReadOnly | platform::AttrHidden | platform::AttrSystem);
    // Chosen: system.ini, Win.ini, user.dat (there) and control.ini (not unpacked); not chosen: nothing else.
    choose({QStringLiteral("Check7"), QStringLiteral("Check9"), QStringLiteral("Check8"), QStringLiteral("Check3")});

    EXPECT_EQ(WriteWininitRename(), (QStringList{"system.ini", "user.dat", "Win.ini"}));
    EXPECT_EQ(lines(read(kWininit)),
              (QStringList{"[rename]", "C:\\WINDOWS\\system.ini=C:\\WINDOWS\\TEMP\\trelvo\\system.ini",
                           "C:\\WINDOWS\\user.dat=C:\\WINDOWS\\TEMP\\trelvo\\user.dat",
                           "C:\\WINDOWS\\Win.ini=C:\\WINDOWS\\TEMP\\trelvo\\Win.ini", ""}));
}

TEST_F(WininitRenameTest, WithoutALineTheFileIsLeftAlone)
{
    choose({QStringLiteral("Check1"), QStringLiteral("Check9")});   // Autoexec.bat; Win.ini not unpacked
    EXPECT_EQ(WriteWininitRename(), QStringList());
    EXPECT_FALSE(fs::exists(kWininit));

    fs::writeAll(kWininit, "[other]\r\n");
    EXPECT_EQ(WriteWininitRename(), QStringList());
    EXPECT_EQ(read(kWininit), QByteArray("[other]\r\n"));
}

// Byte for byte: the section header alone, on a line of its own, where the file has none.
TEST_F(WininitRenameTest, TheSectionGoesInWhereItIsMissing)
{
    const struct {
        const char* name;
        std::optional<QByteArray> before;   // none: no file
        QByteArray after;
    } rows[] = {
        {"no file", std::nullopt, "[rename]\r\n"},
        {"an empty file", QByteArray(), "[rename]\r\n"},
        {"another section", QByteArray("[boot]\r\nx=1\r\n"), "[boot]\r\nx=1\r\n[rename]\r\n"},
        {"a last line without its end", QByteArray("[boot]\r\nx=1"), "[boot]\r\nx=1\r\n[rename]\r\n"},
        {"the header only in a comment", QByteArray("; [rename] follows\r\n"), "; [rename] follows\r\n[rename]\r\n"},
        {"the section there", QByteArray("[Rename]\r\nC:\\A=C:\\B\r\n"), "[Rename]\r\nC:\\A=C:\\B\r\n"},
        {"the section there, lines ending in LF", QByteArray("[boot]\n [RENAME] \nx"), "[boot]\n [RENAME] \nx"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (fs::exists(kWininit))
            fs::removeFile(kWininit);
        if (row.before)
            fs::writeAll(kWininit, *row.before);
        restore::AddRenameSection();
        EXPECT_EQ(read(kWininit), row.after);
    }
    // A file that cannot be written raises and stays as it was.
    fs::writeAll(kWininit, "[boot]\r\n");
    fs::setAttributes(kWininit, platform::AttrReadOnly);
    EXPECT_THROW(restore::AddRenameSection(), vb::Error);
    EXPECT_EQ(read(kWininit), QByteArray("[boot]\r\n"));
}

// A restore of files of the boot drive alone: Wininit.ini holds its section and nothing else,
// or, where it cannot be written, the restore goes on and logs why.
TEST_F(WininitRenameTest, ARestoreOfBootDriveFilesAloneLeavesTheSectionHeader)
{
    save({.systemBoxes = {QStringLiteral("Check1")}});
    const QString autoexec = QStringLiteral("C:\\AUTOEXEC.BAT");
    const QByteArray saved = read(autoexec);
    const auto restoreAutoexec = [&] {
        write(autoexec, "changed");
        choose({QStringLiteral("Check1")});
        ui->expect(kQuestion, QStringLiteral("Yes"));
        ui->expect(kRestored, QStringLiteral("OK"));
        runRestore();
        EXPECT_EQ(read(autoexec), saved);
    };
    restoreAutoexec();
    EXPECT_EQ(read(kWininit), QByteArray("[rename]\r\n"));
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();

    platform::withdrawRestart();
    fs::writeAll(kWininit, "[boot]\r\n");
    fs::setAttributes(kWininit, platform::AttrReadOnly);
    restoreAutoexec();
    EXPECT_EQ(read(kWininit), QByteArray("[boot]\r\n"));
    // Both before the first step: the work folder the first run kept for the restart, empty
    // (no file to delete), then the header.
    EXPECT_EQ(logTags(), (QStringList{QStringLiteral(" Restore"), QStringLiteral(" Restore")}));
    EXPECT_TRUE(errorLog().value(0).startsWith(QStringLiteral("File not found")));
    EXPECT_TRUE(errorLog().value(1).startsWith(QStringLiteral("Path/File access error")));
}

TEST_F(WininitRenameTest, AFileThatCannotBeWrittenRaisesAndStaysAsItWas)
{
    stage({QStringLiteral("win.ini")});
    choose({QStringLiteral("Check9")});
    fs::writeAll(kWininit, "[rename]\r\nC:\\A=C:\\B\r\n");
    fs::setAttributes(kWininit, platform::AttrReadOnly);
    try {
        WriteWininitRename();
        ADD_FAILURE() << "no error raised";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.Number(), 75);
    }
    EXPECT_EQ(read(kWininit), QByteArray("[rename]\r\nC:\\A=C:\\B\r\n"));
}

TEST_F(WininitRenameTest, AMissingBootTimeProgramEndsTheProgram)
{
    EXPECT_TRUE(restore::WininitPresent());
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\WININIT.EXE"));
    ui->expect(QStringLiteral("'Wininit.exe' File not found!"), QStringLiteral("OK"));
    EXPECT_THROW(restore::WininitPresent(), testsupport::ProcessEnded);
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_EQ(ui->shown()[0].prompt, QStringLiteral("'Wininit.exe' File not found!\r\rIgnore?"));
    EXPECT_EQ(ui->shown()[0].title, QStringLiteral("Warning!"));
}
