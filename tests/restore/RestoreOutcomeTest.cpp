// What a restore tells the user at its end, against what is on the machine afterwards:
// read-only files are put back like any other, an archive that cannot be unpacked puts back
// nothing of what it holds, a file that cannot be written is named with its reason, and the
// final box comes after the restart notice without covering it.
#include "RestoreTesting.h"
#include "platform/ZipArchive.h"
#include "restore/Reboot.h"

#include <QFile>
#include <algorithm>

using namespace restoretest;

namespace {

const QString kAutoexec = QStringLiteral("C:\\AUTOEXEC.BAT");
const QString kDblspace = QStringLiteral("C:\\DBLSPACE.INI");
const QString kWinIni = QStringLiteral("C:\\WINDOWS\\WIN.INI");
const QString kUserStaging = kWork + QStringLiteral("User");

class RestoreOutcomeTest : public RestoreTest {
protected:
    // Changed behind the program's back and made read-only, as a user or a program may.
    static void changeReadOnly(const QString& file, const QByteArray& bytes)
    {
        write(file, bytes);
        fs::setAttributes(file, platform::AttrReadOnly | platform::AttrArchive);
    }
    // Every file left below `folder` of drive C: (a Windows path).
    QStringList filesBelow(const QString& folder) const
    {
        QStringList found;
        const QString host = tm.hostC(QString(folder).mid(3).replace(u'\\', u'/'));
        QDirIterator it(host, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next().mid(host.size());
        return found;
    }
};

} // namespace

TEST_F(RestoreOutcomeTest, ReadOnlyFilesAreRestoredWithTheAttributesTheyWereSavedWith)
{
    save({.systemBoxes = {QStringLiteral("Check1"), QStringLiteral("Check14")}, .userFiles = {kLetter, kBudget}});
    const auto saved = driveC();
    changeReadOnly(kAutoexec, "@ECHO OFF\r\nREM changed\r\n");
    changeReadOnly(kDblspace, "[DoubleSpace]\r\n");
    changeReadOnly(kLetter, "Dear Anna, never mind.");

    choose({QStringLiteral("Check1"), QStringLiteral("Check14")});
    listUserFiles({kLetter, kBudget}, {kLetter, kBudget});
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    const auto restored = driveC();
    for (const char* rel : {"AUTOEXEC.BAT", "DBLSPACE.INI", "My Documents/Letter to Anna.txt", "My Documents/Budget 1999.csv"}) {
        const QString key = QString::fromLatin1(rel);
        EXPECT_EQ(restored.value(key), saved.value(key)) << rel;
        EXPECT_FALSE(restored.value(key).attrs & platform::AttrReadOnly) << rel;
    }
    EXPECT_TRUE(filesBelow(kUserStaging).isEmpty());
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();
    // Only the boot drive was chosen: back at once, but the restart still follows.
    EXPECT_TRUE(platform::restartPending());
}

TEST_F(RestoreOutcomeTest, ADamagedSystemArchivePutsBackNothingOfItAndTheUserFilesStillComeBack)
{
    save({.systemBoxes = {QStringLiteral("Check1"), QStringLiteral("Check9")}, .userFiles = {kLetter}});
    const QString archive = kProgram + QStringLiteral("Conf1.tva");
    const QByteArray good = read(archive);
    const QByteArray letter = read(kLetter);
    QByteArray garbage(good.size(), 'x');
    garbage.replace(0, 2, "PK");
    const QList<QPair<const char*, QByteArray>> damages = {
        {"empty", QByteArray()}, {"truncated", good.left(good.size() / 2)}, {"garbage", garbage}};

    for (const auto& [kind, bytes] : damages) {
        SCOPED_TRACE(kind);
        fs::writeAll(archive, bytes);
        write(kAutoexec, "changed");
        write(kWinIni, "[windows]\r\n");
        write(kLetter, "changed");
        tm.writeC(QStringLiteral("Program Files/Trelvo/Error.log"), QByteArray());
        choose({QStringLiteral("Check1"), QStringLiteral("Check9")});
        listUserFiles({kLetter}, {kLetter});
        ui->expect(kQuestion, QStringLiteral("Yes"));
        ui->expect(kNotAll, QStringLiteral("OK"));
        runRestore();

        const QString reason = QStringLiteral(": archive damaged or unreadable: ") + archive;
        EXPECT_EQ(boxes().last(), kNotAll + QStringLiteral("\r\rC:\\autoexec.bat") + reason + QStringLiteral("\rC:\\WINDOWS\\Win.ini") + reason);
        EXPECT_EQ(read(kAutoexec), QByteArray("changed"));
        EXPECT_EQ(read(kWinIni), QByteArray("[windows]\r\n"));
        EXPECT_EQ(read(kLetter), letter);
        // No rename line, no restart: nothing that needs one was restored.
        EXPECT_FALSE(fs::exists(QStringLiteral("C:\\WINDOWS\\Wininit.ini")));
        EXPECT_FALSE(platform::restartPending());
        EXPECT_FALSE(vb::Forms::isLoaded(QStringLiteral("Reboot")));
        EXPECT_FALSE(fs::exists(kWork.chopped(1)));
        // Logged once, at the step it came up in: the system files have none of their own.
        EXPECT_EQ(logTags(), QStringList{QStringLiteral(" Restore")}) << errorLog().join(u'\n').toStdString();
    }
}

TEST_F(RestoreOutcomeTest, AFileThatCannotBeWrittenIsNamedWithItsReasonAndItsStagedCopyGoes)
{
    save({.userFiles = {kLetter, kBudget}, .startMenu = true});
    const QByteArray budget = read(kBudget);
    // Where the letter was, a folder now stands, and so it does where a Start-menu shortcut was;
    // another shortcut was changed and made read-only.
    fs::removeFile(kLetter);
    vb::MkDir(kLetter);
    const QString shortcut = QStringLiteral("C:\\WINDOWS\\Start Menu\\Windows Update.url");
    fs::removeFile(shortcut);
    vb::MkDir(shortcut);
    const QString notepad = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\Accessories\\Notepad.lnk");
    changeReadOnly(notepad, "changed");
    write(kBudget, "0;0;0");

    choose({QStringLiteral("Check20")});
    listUserFiles({kLetter, kBudget}, {kLetter, kBudget});
    ui->expect(kNotAll, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(boxes().last(), kNotAll + QStringLiteral("\r\r") + kLetter + QStringLiteral(": Error while accessing file/directory"
                                                                                        "\rStart Menu: some of its files could not be written"));
    EXPECT_EQ(read(kBudget), budget);
    EXPECT_TRUE(fs::isDirectory(kLetter));
    EXPECT_TRUE(fs::isDirectory(shortcut));
    // Whether the unzip got to the read-only shortcut or not, it is whole and no less read-only
    // than before: unchanged, or the saved one with the attributes it was saved with.
    const platform::fs::Entry after = fs::stat(notepad);
    if (read(notepad) == QByteArray("changed"))
        EXPECT_TRUE(after.attrs & platform::AttrReadOnly);
    else
        EXPECT_FALSE(after.attrs & platform::AttrReadOnly);
    EXPECT_TRUE(filesBelow(kWork.chopped(1)).isEmpty()) << filesBelow(kWork.chopped(1)).join(u' ').toStdString();
    EXPECT_EQ(logTags(), (QStringList{QStringLiteral(" User file Restore"), QStringLiteral("Updating Start Menu Restore")}))
        << errorLog().join(u'\n').toStdString();
}

// What an unzip puts straight into place (the Start menu, the Netscape bookmarks) replaces a
// read-only file like a chosen file is replaced: made writable, then given what it was saved with.
TEST_F(RestoreOutcomeTest, ReadOnlyFilesOfTheStartMenuAndTheNetscapeDataAreRestoredToo)
{
    save({.startMenu = true, .netscapeBookmark = true, .netscapeCookies = true});
    const QString notepad = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\Accessories\\Notepad.lnk");
    const QString bookmarks = kNetscape + QStringLiteral("\\Bookmark.htm");
    const QString cookies = kNetscape + QStringLiteral("\\Cookies.txt");
    const auto saved = driveC();
    changeReadOnly(notepad, "changed");
    changeReadOnly(bookmarks, "changed bookmarks");
    changeReadOnly(cookies, "changed cookies");   // not chosen: left as it is

    choose({QStringLiteral("Check20"), QStringLiteral("Check10")});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    const auto restored = driveC();
    for (const char* rel : {"WINDOWS/Start Menu/Programs/Accessories/Notepad.lnk", "Program Files/Netscape/Users/owner/Bookmark.htm"}) {
        const QString key = QString::fromLatin1(rel);
        EXPECT_EQ(restored.value(key), saved.value(key)) << rel;
        EXPECT_FALSE(restored.value(key).attrs & platform::AttrReadOnly) << rel;
    }
    EXPECT_EQ(read(cookies), QByteArray("changed cookies"));
    EXPECT_TRUE(fs::attributes(cookies) & platform::AttrReadOnly);
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();
}

TEST_F(RestoreOutcomeTest, AReadOnlyFileADamagedArchiveCannotReplaceStaysReadOnly)
{
    save({.startMenu = true});
    const QString notepad = QStringLiteral("C:\\WINDOWS\\Start Menu\\Programs\\Accessories\\Notepad.lnk");
    changeReadOnly(notepad, "changed");
    // The shortcut's bytes in the archive are damaged: its checksum no longer holds. What unzip
    // makes of them must not go over the live shortcut, which stays as it was, read-only too.
    const QString archive = tm.hostC(QStringLiteral("Program Files/Trelvo/Conf1s.tva"));
    const auto entries = platform::zip::readEntries(archive);
    ASSERT_TRUE(entries.has_value());
    const auto entry = std::find_if(entries->begin(), entries->end(), [](const platform::zip::ZipEntry& e) { return e.name.endsWith(u"Notepad.lnk"); });
    ASSERT_NE(entry, entries->end());
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype local = qsizetype(entry->localHeaderOffset);
    const qsizetype data = local + 30 + quint8(bytes[local + 26]) + 256 * quint8(bytes[local + 27]) + quint8(bytes[local + 28]) +
                           256 * quint8(bytes[local + 29]);
    for (qsizetype i = 0; i < qsizetype(entry->compressedSize); ++i)
        bytes[data + i] = char(bytes[data + i] ^ 0x5a);
    file.seek(0);
    file.write(bytes);
    file.close();

    choose({QStringLiteral("Check20")});
    ui->expect(kNothing, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(read(notepad), QByteArray("changed"));
    EXPECT_EQ(fs::attributes(notepad), quint32(platform::AttrReadOnly | platform::AttrArchive));
}

TEST_F(RestoreOutcomeTest, TheFinalBoxComesAfterTheRestartNoticeAndNeverCoversIt)
{
    save({.systemBoxes = {QStringLiteral("Check9")}});
    choose({QStringLiteral("Check9")});
    bool noticeLoaded = false, noticeVisible = true;
    QString noticeText;
    ui->expect(kQuestion, QStringLiteral("Yes"));
    ui->expect(kRestored, QStringLiteral("OK"), [&] {
        noticeLoaded = vb::Forms::isLoaded(QStringLiteral("Reboot"));
        noticeVisible = noticeLoaded && restore::Reboot().Visible();
        noticeText = noticeLoaded ? restore::Reboot().Label1.Caption() : QString();
    });
    runRestore();
    EXPECT_TRUE(noticeLoaded) << "the notice comes first";
    EXPECT_EQ(noticeText, QStringLiteral("Trelvo now reboots your Computer..."));
    EXPECT_FALSE(noticeVisible) << "it is out of the way while the box is up";
    EXPECT_TRUE(restore::Reboot().Visible()) << "and back for the close";
    EXPECT_TRUE(platform::restartPending());
    closeAndBoot();
}
