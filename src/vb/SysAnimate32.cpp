#include "vb/SysAnimate32.h"
#include "platform/FileSystem.h"
#include "resources/Clips.h"
#include "vb/Animation.h"
#include "vb/Forms.h"

#include <QImageReader>

namespace vb {

namespace {

// All frames of an image file on the machine that the host can read (an animated
// picture gives every frame, a still picture one).
resources::Clip clipFromFile(const QString& winPath)
{
    resources::Clip clip;
    const platform::Resolved r = platform::fs::machine().resolve(winPath);
    if (!r.ok() || !r.isFile())
        return clip;
    QImageReader reader(r.host());
    const int delay = reader.nextImageDelay();
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) {
        clip.frames << frame;
        if (!reader.supportsAnimation())
            break;
    }
    if (delay > 0)
        clip.frameMs = delay;
    return clip;
}

} // namespace

SysAnimate32::~SysAnimate32() { Destroy(); }

void SysAnimate32::createWindows(qint32 hWndParent, int left, int top, int width, int height)
{
    Destroy();
    Form* parent = Forms::fromHwnd(hWndParent);
    if (!parent)
        return;
    host_ = new QWidget(parent->window());
    host_->setObjectName(QStringLiteral("Static"));
    host_->setAttribute(Qt::WA_TranslucentBackground);
    host_->setGeometry(left, top, width, height);
    animation_ = new AnimationControl(host_);
    animation_->setObjectName(QStringLiteral("SysAnimate32"));
    animation_->setGeometry(0, 0, width, height);
    host_->show();
}

void SysAnimate32::Create(qint32 hWndParent, int clip, int left, int top, int width, int height)
{
    createWindows(hWndParent, left, top, width, height);
    if (!animation_)
        return;
    if (const auto found = resources::appClip(clip))
        animation_->open(found->frames, found->frameMs);
}

void SysAnimate32::Create(qint32 hWndParent, const QString& clip, int left, int top, int width, int height)
{
    createWindows(hWndParent, left, top, width, height);
    if (!animation_)
        return;
    const resources::Clip found = clipFromFile(clip);
    animation_->open(found.frames, found.frameMs);
}

void SysAnimate32::pPlay()
{
    if (animation_)
        animation_->play(-1, 0, -1);
}

void SysAnimate32::pStop()
{
    if (animation_)
        animation_->stop();
}

void SysAnimate32::Destroy()
{
    pStop();
    delete animation_;
    delete host_;
}

} // namespace vb
