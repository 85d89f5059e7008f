// The update program's window as a user meets it: its texts whole, F1 for its help, and
// Esc on its Cancel button.
#include "WebUpdateTesting.h"
#include "support/Layout.h"
#include "webupdate/frmSkyfetch.h"

#include <QTest>

namespace {

class SkyfetchMannersTest : public testsupport::WebUpdateTest {};

} // namespace

TEST_F(SkyfetchMannersTest, TheWelcomeIsWholeF1ShowsItsHelpAndEscIsItsCancel)
{
    webupdate::frmSkyfetchForm& w = webupdate::frmSkyfetch();
    w.Show();
    EXPECT_EQ(testsupport::textsCutOff(w), QStringList());

    QTest::keyClick(w.Command1.widget(), Qt::Key_F1);
    EXPECT_TRUE(ui->notices().contains(QStringLiteral("help: C:\\Program Files\\Trelvo\\trelvo.HLP>Sub, topic 3000")));
    // Esc presses Cancel, which ends the program.
    EXPECT_THROW(vb::deliverEvents([&] { QTest::keyClick(w.window(), Qt::Key_Escape); }), testsupport::ProcessEnded);
}
