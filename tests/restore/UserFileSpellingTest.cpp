// A user-file list that names one file twice, in two letter cases (as a list grown by hand
// and by the file search can): the file comes back whichever of its entries are chosen,
// and the last box says so.
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
