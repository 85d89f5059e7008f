// Reading trelvo.usr into the user-file window's list.
#include "core/UserFileList.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "MachineFiles.h"

using testsupport::MachineTest;

namespace {

vb::ListBox& userList() { return core::ListBoxOf(QStringLiteral("UserFiles"), QStringLiteral("List1")); }
QString frameCaption() { return core::FrameOf(QStringLiteral("UserFiles"), QStringLiteral("Frame8")).Caption(); }

QStringList entries()
{
    QStringList out;
    for (int i = 0; i < userList().ListCount(); ++i)
        out << userList().List(i);
    return out;
}

} // namespace

TEST_F(MachineTest, LoadUserFileListTakesEveryNonEmptyLineAfterTheCountLine)
{
    testsupport::ScriptedUi::install();
    userList().AddItem(QStringLiteral("c:\\stale.txt"));
    // The count line is not trusted; blank lines inside are skipped; commas and quotes stay.
    tm.writeC(QStringLiteral("Program Files/Trelvo/trelvo.usr"),
              " 9 \r\nc:\\my documents\\letter.doc\r\n\r\nC:\\Data\\a, \"b\".txt\r\nc:\\last.ini\r\n\r\n");
    core::LoadUserFileList();
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("c:\\my documents\\letter.doc"), QStringLiteral("C:\\Data\\a, \"b\".txt"),
                                      QStringLiteral("c:\\last.ini")}));
    EXPECT_EQ(frameCaption(), QStringLiteral("User-defined Files - Total Files:  3"));
}

TEST_F(MachineTest, LoadUserFileListWithoutAFileGivesAnEmptyListAndKeepsTheCaption)
{
    testsupport::ScriptedUi::install();
    userList().AddItem(QStringLiteral("c:\\stale.txt"));
    const QString before = frameCaption();
    core::LoadUserFileList();
    EXPECT_EQ(userList().ListCount(), 0);
    EXPECT_EQ(frameCaption(), before);
    // A list file with no entries shows a count of 0.
    tm.writeC(QStringLiteral("Program Files/Trelvo/trelvo.usr"), " 0 \r\n\r\n");
    core::LoadUserFileList();
    EXPECT_EQ(userList().ListCount(), 0);
    EXPECT_EQ(frameCaption(), QStringLiteral("User-defined Files - Total Files:  0"));
}
