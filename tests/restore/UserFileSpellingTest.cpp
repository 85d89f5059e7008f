// A user-file list that names one file twice, in two letter cases (as a list grown by hand
// and by the file search can): the file comes back whichever of its entries are chosen,
// and the last box says so. A name beyond ASCII comes back too.
#include "RestoreTesting.h"

using namespace restoretest;

namespace {

const QString kLetterAgain = QStringLiteral("C:\\MY DOCUMENTS\\LETTER TO ANNA.TXT");

class UserFileSpellingTest : public RestoreTest {};

} // namespace

TEST_F(UserFileSpellingTest, BothSpellingsChosenAreBothBack)
{
    save({.userFiles = {kLetter, kBudget}});
    const QByteArray letter = read(kLetter);
    write(kLetter, "changed since the save");

    listUserFiles({kLetter, kLetterAgain, kBudget}, {kLetter, kLetterAgain});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(read(kLetter), letter);
    EXPECT_FALSE(fs::exists(kWork + QStringLiteral("User"))) << "staged copies left behind";
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();
}

TEST_F(UserFileSpellingTest, TheChosenSpellingIsBackWhenTheOtherComesFirstUnchosen)
{
    save({.userFiles = {kLetter, kBudget}});
    const QByteArray letter = read(kLetter);
    write(kLetter, "changed since the save");

    listUserFiles({kLetter, kBudget, kLetterAgain}, {kLetterAgain});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(read(kLetter), letter) << "the chosen entry's file did not come back";
    EXPECT_FALSE(fs::exists(kWork + QStringLiteral("User"))) << "staged copies left behind";
}

// The save keeps the name in UTF-8 in its archive; the restore reads it as it will arrive.
TEST_F(UserFileSpellingTest, AFileNamedBeyondAsciiIsBack)
{
    const QString cafe = QStringLiteral("C:\\My Documents\\Café menu.txt");
    write(cafe, "crème brûlée");
    save({.userFiles = {cafe, kBudget}});
    write(cafe, "changed since the save");

    listUserFiles({cafe, kBudget}, {cafe});
    ui->expect(kRestored, QStringLiteral("OK"));
    runRestore();

    EXPECT_EQ(read(cafe), QByteArray("crème brûlée"));
    EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join(u'\n').toStdString();
}
