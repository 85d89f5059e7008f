// The restore-choice window and the restart notice, as a user meets them.
#include "RestoreTesting.h"
#include "restore/Reboot.h"

#include <QElapsedTimer>
#include <QAbstractScrollArea>
#include <QTest>

using namespace restoretest;
using restore::RestoreReqForm;

namespace {

class RestoreReqTest : public RestoreTest {
protected:
    // The boxes of the fifteen system files, in window order.
    static QList<vb::CheckBox*> systemBoxes()
    {
        RestoreReqForm& r = req();
        return {&r.Check1, &r.Check2, &r.Check3, &r.Check4, &r.Check5, &r.Check6, &r.Check7, &r.Check8,
                &r.Check9, &r.Check12, &r.Check13, &r.Check14, &r.Check15, &r.Check16, &r.Check24};
    }
    // Shows the window modally as the Restore button does, the user acting in `handler`.
    void showModally(std::function<void(RestoreReqForm&)> handler)
    {
        ui->onForm(QStringLiteral("RestoreReq"), [handler](vb::Form& f) { handler(static_cast<RestoreReqForm&>(f)); });
        req().Show(vb::vbModal);
    }
};

} // namespace

TEST_F(RestoreReqTest, AllAndNoneTickOnlyTheSavedSystemFiles)
{
    RestoreReqForm& r = req();
    for (vb::CheckBox* box : systemBoxes())
        box->setEnabled(false);
    r.Check1.setEnabled(true);
    r.Check9.setEnabled(true);
    r.Check24.setEnabled(true);
    r.Check20.setEnabled(true);
    r.Check11.setEnabled(true);

    r.Command5.setValue(true);
    for (vb::CheckBox* box : systemBoxes())
        EXPECT_EQ(box->Value(), box->Enabled() ? 1 : 0) << box->Name().toStdString();
    EXPECT_EQ(r.Check20.Value(), 0) << "the Start menu is not a system file here";
    EXPECT_EQ(r.Check11.Value(), 0);

    r.Check20.setValue(1);
    r.Command6.setValue(true);
    for (vb::CheckBox* box : systemBoxes())
        EXPECT_EQ(box->Value(), 0);
    EXPECT_EQ(r.Check20.Value(), 1);
}

TEST_F(RestoreReqTest, TheUserFileListIsChosenWholeOrNotAtAll)
{
    const QString wide = QStringLiteral("C:\\My Documents\\A rather long folder name\\and another one below it\\letter.txt");
    listUserFiles({kLetter, kBudget, wide}, {});
    showModally([&](RestoreReqForm& r) {
        EXPECT_TRUE(r.Command3.Enabled());
        EXPECT_FALSE(r.Label1.Visible());
        EXPECT_EQ(r.SSTab1.Tab(), 0);
        EXPECT_EQ(r.HelpContextID(), 1030);
        // The widest entry, in pixels, plus 5 is the list's scrolling width.
        EXPECT_EQ(r.List1.HorizontalExtent(), r.TextWidth(wide) + 5);

        r.Command3.setValue(true);
        EXPECT_EQ(r.List1.SelCount(), 3);
        EXPECT_TRUE(r.Label1.Visible());
        r.List1.setSelected(1, false);
        QTest::mousePress(static_cast<QAbstractScrollArea*>(r.List1.widget())->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_FALSE(r.Label1.Visible()) << "a press in a list with an unchosen entry takes the note away";

        r.Command3.setValue(true);
        r.Command4.setValue(true);
        EXPECT_EQ(r.List1.SelCount(), 0);
        EXPECT_FALSE(r.Label1.Visible());
        r.Command2.setValue(true);
    });
    EXPECT_FALSE(req().Visible());
}

TEST_F(RestoreReqTest, WithoutUserFilesTheListButtonsAreOff)
{
    listUserFiles({}, {});
    showModally([](RestoreReqForm& r) {
        EXPECT_FALSE(r.Command3.Enabled());
        EXPECT_FALSE(r.Command4.Enabled());
        EXPECT_FALSE(r.Label1.Visible());
        r.Command7.setValue(true);
        r.Command2.setValue(true);
    });
    ASSERT_FALSE(ui->notices().isEmpty());
    EXPECT_TRUE(ui->notices().last().contains(QStringLiteral("1030"))) << ui->notices().last().toStdString();
}

TEST_F(RestoreReqTest, EveryWayBackFromTheViewOnlyModeMakesTheWindowCompleteAgain)
{
    RestoreReqForm& r = req();
    state().ImportActive = true;
    state().DiskRestoreFolder = kProgram + QStringLiteral("DiskRestore\\");
    state().SplitPieces[2] = 3;
    state().DiskNo = 2;
    state().SettingsSaved = false;
    // The Contents view of the import window.
    for (vb::CommandButton* b : {&r.Command1, &r.Command3, &r.Command4, &r.Command5, &r.Command6})
        b->setVisible(false);
    r.Command5.setEnabled(false);
    showModally([](RestoreReqForm& f) { f.Command2.setValue(true); });

    for (vb::CommandButton* b : {&r.Command1, &r.Command3, &r.Command4, &r.Command5, &r.Command6}) {
        EXPECT_TRUE(b->Visible()) << b->Name().toStdString();
        EXPECT_TRUE(b->Enabled()) << b->Name().toStdString();
    }
    EXPECT_TRUE(state().SettingsSaved);
    // The configuration that was loaded is not restored: nothing of it reaches the next one.
    EXPECT_FALSE(state().ImportActive);
    EXPECT_TRUE(state().DiskRestoreFolder.isEmpty());
    EXPECT_EQ(state().SplitPieces[2], 0);
    EXPECT_EQ(state().DiskNo, 0);

    // The close box is Cancel too, and the window stays loaded.
    r.Command1.setVisible(false);
    r.Show();
    r.window()->close();
    QApplication::processEvents();
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("RestoreReq")));
    EXPECT_FALSE(r.Visible());
    EXPECT_TRUE(r.Command1.Visible());
}

TEST_F(RestoreReqTest, OkHidesTheWindowAndRunsTheRestore)
{
    save({.startMenu = true});
    fs::removeFile(QStringLiteral("C:\\WINDOWS\\Start Menu\\Windows Update.url"));
    ui->expect(kRestored, QStringLiteral("OK"));
    showModally([](RestoreReqForm& r) {
        r.Check20.setEnabled(true);
        r.Check20.setValue(1);
        r.Command1.setValue(true);
        EXPECT_FALSE(r.Visible());
    });
    EXPECT_TRUE(fs::exists(QStringLiteral("C:\\WINDOWS\\Start Menu\\Windows Update.url")));
}

TEST_F(RestoreReqTest, TheRestartNoticeSitsAboveEverythingInTheMiddleAndTakesHalfASecond)
{
    QElapsedTimer clock;
    clock.start();
    restore::RebootForm& notice = restore::Reboot();
    EXPECT_GE(clock.elapsed(), 500);
    EXPECT_EQ(notice.Caption(), QStringLiteral("Reboot"));
    EXPECT_EQ(notice.Label1.Caption(), QStringLiteral("Trelvo now reboots your Computer..."));
    EXPECT_TRUE(notice.window()->windowFlags() & Qt::WindowStaysOnTopHint);
    const int tx = vb::Screen::TwipsPerPixelX();
    EXPECT_NEAR(notice.Left() + notice.Width() / 2, vb::Screen::Width() / 2, 2 * tx);
    EXPECT_NEAR(notice.Top() + notice.Height() / 2, vb::Screen::Height() / 2, 2 * vb::Screen::TwipsPerPixelY());
}
