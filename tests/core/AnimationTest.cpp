// The program's clips, the animation wrapper on a window and the progress window.
#include "core/Animate.h"
#include "core/ProgramState.h"
#include "core/SysAnimate32.h"
#include "platform/FileSystem.h"
#include "resources/Clips.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Animation.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QWidget>

namespace {

// Pixels of a frame that are not transparent.
int paintedPixels(const QImage& frame)
{
    int n = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            n += qAlpha(frame.pixel(x, y)) > 0;
    return n;
}

class AnimationTest : public testsupport::MachineTest {
protected:
    void SetUp() override { testsupport::ScriptedUi::install(); }
    void TearDown() override { vb::Screen::setMousePointer(0); }

    // A plain window to put animations on.
    vb::Form& host()
    {
        vb::Forms::registerFactory(QStringLiteral("Host"), [] { return new vb::Form(QStringLiteral("Host")); });
        vb::Form& form = vb::Forms::get(QStringLiteral("Host"));
        form.window()->resize(400, 200);
        return form;
    }
};

} // namespace

TEST(Clips, TheThreeClipsAreMovingPicturesAndOtherNumbersHaveNone)
{
    for (int number : {100, 110, 120}) {
        const auto clip = resources::appClip(number);
        ASSERT_TRUE(clip) << number;
        ASSERT_GE(clip->frames.size(), 8) << number;
        EXPECT_GT(clip->frameMs, 0);
        const QSize size = clip->frames[0].size();
        EXPECT_LE(size.width(), 300) << number;
        EXPECT_LE(size.height(), 50) << number;
        int changes = 0;
        for (qsizetype i = 0; i < clip->frames.size(); ++i) {
            EXPECT_EQ(clip->frames[i].size(), size);
            EXPECT_GT(paintedPixels(clip->frames[i]), size.width() * size.height() / 20) << number << " frame " << i;
            // Transparent around the picture, so it sits on any window.
            EXPECT_EQ(qAlpha(clip->frames[i].pixel(0, 0)), 0);
            if (i > 0)
                changes += clip->frames[i] != clip->frames[i - 1];
        }
        EXPECT_EQ(changes, clip->frames.size() - 1) << number << ": every frame moves on";
    }
    // The three are different pictures.
    EXPECT_NE(resources::appClip(100)->frames[3], resources::appClip(110)->frames[3]);
    EXPECT_NE(resources::appClip(110)->frames[3], resources::appClip(120)->frames[3]);
    EXPECT_FALSE(resources::appClip(101));
    EXPECT_FALSE(resources::appClip(0));
}

TEST_F(AnimationTest, CreatePlayStopAndDestroyOnAWindow)
{
    vb::Form& form = host();
    const QList<QWidget*> before = form.window()->findChildren<QWidget*>();
    core::SysAnimate32 anim;
    anim.Create(form.hWnd(), 120, 20, 30, 300, 50);
    vb::AnimationControl* control = anim.control();
    ASSERT_TRUE(control);
    // The control fills its host, which sits where it was asked to in the window.
    QWidget* hostWindow = control->parentWidget();
    ASSERT_TRUE(hostWindow);
    EXPECT_EQ(hostWindow->parentWidget(), form.window());
    EXPECT_EQ(hostWindow->geometry(), QRect(20, 30, 300, 50));
    EXPECT_EQ(control->geometry(), QRect(0, 0, 300, 50));
    EXPECT_EQ(control->frameCount(), resources::appClip(120)->frames.size());
    EXPECT_FALSE(control->isPlaying());

    form.Show();
    const QImage still = control->grab().toImage();
    anim.pPlay();
    EXPECT_TRUE(control->isPlaying());
    // It runs past the last frame and starts again.
    const int frameMs = resources::appClip(120)->frameMs;
    QTest::qWait(frameMs * (control->frameCount() + 3));
    EXPECT_TRUE(control->isPlaying());
    EXPECT_TRUE(QTest::qWaitFor([&] { return control->currentFrame() == 4; }, frameMs * control->frameCount() * 2));
    EXPECT_NE(control->grab().toImage(), still);

    anim.pStop();
    const int stoppedAt = control->currentFrame();
    QTest::qWait(frameMs * 3);
    EXPECT_FALSE(control->isPlaying());
    EXPECT_EQ(control->currentFrame(), stoppedAt);

    anim.Destroy();
    EXPECT_EQ(form.window()->findChildren<QWidget*>(), before);
    EXPECT_FALSE(anim.control());
    anim.Destroy();   // once more: nothing left to do
}

TEST_F(AnimationTest, DestroyWithoutCreateAndPlayWithoutAClipAreHarmless)
{
    core::SysAnimate32 never;
    never.pPlay();
    never.pStop();
    never.Destroy();

    vb::Form& form = host();
    core::SysAnimate32 unknown;
    unknown.Create(form.hWnd(), 999, 0, 0, 300, 50);
    ASSERT_TRUE(unknown.control());
    EXPECT_EQ(unknown.control()->frameCount(), 0);
    unknown.pPlay();
    EXPECT_FALSE(unknown.control()->isPlaying());
}

TEST_F(AnimationTest, AClipNamedByTextIsAFileOnTheMachine)
{
    vb::Form& form = host();
    QImage picture(40, 20, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    platform::fs::writeAll(QStringLiteral("C:\\WINDOWS\\TEMP\\still.png"), png);

    core::SysAnimate32 named;
    named.Create(form.hWnd(), QStringLiteral("C:\\windows\\temp\\STILL.PNG"), 0, 0, 100, 50);
    ASSERT_TRUE(named.control());
    EXPECT_EQ(named.control()->frameCount(), 1);

    core::SysAnimate32 missing;
    missing.Create(form.hWnd(), QStringLiteral("C:\\WINDOWS\\nothing.avi"), 0, 0, 100, 50);
    ASSERT_TRUE(missing.control());
    EXPECT_EQ(missing.control()->frameCount(), 0);
}

TEST_F(AnimationTest, TheProgressWindowPlaysTheCopyClipWhileItIsLoaded)
{
    core::state().AnimateShown = false;
    core::AnimateForm& window = core::Animate();
    EXPECT_TRUE(core::state().AnimateShown);
    EXPECT_EQ(window.Caption(), QStringLiteral("Copying Files to Floppy..."));
    EXPECT_EQ(vb::Screen::MousePointer(), 11);
    EXPECT_EQ(window.Command1.Caption(), QStringLiteral("Cancel"));
    vb::AnimationControl* control = window.animation().control();
    ASSERT_TRUE(control);
    EXPECT_EQ(control->parentWidget()->geometry(), QRect(0, 0, 300, 50));
    EXPECT_EQ(control->frameCount(), resources::appClip(120)->frames.size());
    EXPECT_TRUE(control->isPlaying());

    // Callers set the text and the progress; hiding leaves it loaded.
    window.Label1.setCaption(QStringLiteral("Conf1.tva"));
    window.ProgressBar1.setValue(40);
    window.Hide();
    EXPECT_TRUE(core::state().AnimateShown);

    EXPECT_TRUE(vb::Forms::unload(QStringLiteral("Animate")));
    EXPECT_FALSE(core::state().AnimateShown);
    EXPECT_FALSE(window.animation().control());
    // The pointer is the callers' to reset.
    EXPECT_EQ(vb::Screen::MousePointer(), 11);
}
