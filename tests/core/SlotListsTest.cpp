// The slot rows of the Restore and Maintenance pages, the slot label and the copy of the
// user-file list into the restore-choice window.
#include "core/ProgramState.h"
#include "core/SlotLists.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "MachineFiles.h"

using core::state;

namespace {

class SlotListsTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        testsupport::ScriptedUi::install();
        state().ConfigDescription.fill(QStringLiteral("available"));
        state().ConfigDate.fill(QStringLiteral("00/00/0000"));
        state().ConfigTime.fill(QStringLiteral("00:00"));
    }

    void use(int slot, const QString& description, const QString& date, const QString& time)
    {
        state().ConfigDescription[slot] = description;
        state().ConfigDate[slot] = date;
        state().ConfigTime[slot] = time;
    }

    static QStringList rows(const QString& list)
    {
        vb::ListBox& box = core::ListBoxOf(QStringLiteral("Form1"), list);
        QStringList out;
        for (int i = 0; i < box.ListCount(); ++i)
            out << box.List(i);
        return out;
    }
};

} // namespace

TEST_F(SlotListsTest, FiveFreeSlotsShowTheirWordAlone)
{
    core::RefreshConfigList();
    const QStringList free(5, QStringLiteral("available"));
    EXPECT_EQ(rows(QStringLiteral("List2")), free);
    EXPECT_EQ(rows(QStringLiteral("List3")), free);
    EXPECT_EQ(core::LabelOf(QStringLiteral("Form1"), QStringLiteral("Label2")).Caption(),
              QStringLiteral("available\ravailable\ravailable\ravailable\ravailable"));
}

TEST_F(SlotListsTest, AUsedSlotShowsDescriptionDateAndTimeInColumns)
{
    use(0, QStringLiteral("BACKUP1"), QStringLiteral("8/12/1999"), QStringLiteral("14:35:00"));
    // Exactly 20 characters run straight into the day; the leading blank of the day stays.
    use(2, QStringLiteral("Twenty characters!!!"), QStringLiteral(" 8/12/1999"), QStringLiteral("9:05:33"));
    // A one-digit month ends at the next "/".
    use(4, QStringLiteral("Spring"), QStringLiteral(" 15/3/2000"), QStringLiteral("23:59:59"));
    core::RefreshConfigList();

    const QStringList expected{
        QStringLiteral("BACKUP1             8/Dec/1999     14:35"),
        QStringLiteral("available"),
        QStringLiteral("Twenty characters!!! 8/Dec/1999     09:05"),
        QStringLiteral("available"),
        QStringLiteral("Spring               15/Mar/2000     23:59"),
    };
    EXPECT_EQ(rows(QStringLiteral("List2")), expected);
    EXPECT_EQ(rows(QStringLiteral("List3")), expected);
    EXPECT_EQ(core::LabelOf(QStringLiteral("Form1"), QStringLiteral("Label2")).Caption(),
              QStringLiteral("BACKUP1\ravailable\rTwenty characters!!!\ravailable\rSpring"));
}

TEST_F(SlotListsTest, RowsAreRewrittenInPlaceOnEveryRefresh)
{
    core::RefreshConfigList();
    use(1, QStringLiteral("Weekly"), QStringLiteral(" 1/1/2000"), QStringLiteral("0:00:00"));
    core::RefreshConfigList();
    EXPECT_EQ(rows(QStringLiteral("List2")).size(), 5);
    EXPECT_EQ(rows(QStringLiteral("List2"))[1], QStringLiteral("Weekly               1/Jan/2000     00:00"));
}

TEST_F(SlotListsTest, OddSlotsAreShownAsStoredWithoutFailing)
{
    use(0, QStringLiteral("A description of 25 chars"), QStringLiteral(" 2/7/2001"), QStringLiteral("10:00:00"));
    use(1, QStringLiteral("No date"), QString(), QStringLiteral("10:00:00"));
    use(2, QStringLiteral("Reset date"), QStringLiteral("00/00/0000"), QStringLiteral("00:00"));
    use(3, QStringLiteral("Month 13"), QStringLiteral("1/13/2001"), QStringLiteral("not a time"));
    use(4, QStringLiteral("Words"), QStringLiteral("yesterday"), QStringLiteral("8:00"));
    ASSERT_NO_THROW(core::RefreshConfigList());
    EXPECT_EQ(rows(QStringLiteral("List2")), (QStringList{
                                                 QStringLiteral("A description of 25 chars 2/Jul/2001     10:00"),
                                                 QStringLiteral("No date                  10:00"),
                                                 QStringLiteral("Reset date          00/00/0000     00:00"),
                                                 QStringLiteral("Month 13            1/13/2001     not a time"),
                                                 QStringLiteral("Words               yesterday     08:00"),
                                             }));
}

TEST_F(SlotListsTest, TheRestoreChoiceGetsTheUserFilesUpToTheFirstEmptyEntry)
{
    vb::ListBox& userFiles = core::ListBoxOf(QStringLiteral("UserFiles"), QStringLiteral("List1"));
    for (const char* entry : {"c:\\one.txt", "c:\\two.txt", "", "c:\\after.txt"})
        userFiles.AddItem(QString::fromLatin1(entry));
    vb::ListBox& chosen = core::ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1"));
    chosen.AddItem(QStringLiteral("c:\\from an earlier load.txt"));
    core::RefreshConfigList();
    ASSERT_EQ(chosen.ListCount(), 2);
    EXPECT_EQ(chosen.List(0), QStringLiteral("c:\\one.txt"));
    EXPECT_EQ(chosen.List(1), QStringLiteral("c:\\two.txt"));
}
