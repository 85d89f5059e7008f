#pragma once
// A playing clip on any of the program's windows: an animation control inside a
// borderless host of its own, placed in the parent window's client area. The clip is one
// of the program's numbered clips, or the name of a clip file on the machine.
#include "vb/Animation.h"

#include <QPointer>
#include <QString>

namespace vb {

class SysAnimate32 {
public:
    SysAnimate32() = default;
    SysAnimate32(const SysAnimate32&) = delete;
    SysAnimate32& operator=(const SysAnimate32&) = delete;
    ~SysAnimate32();

    // hWndParent: a loaded window of the program; the position and size are pixels of its
    // client area. Nothing plays yet; a clip that cannot be opened leaves the control empty.
    void Create(qint32 hWndParent, int clip, int left, int top, int width, int height);
    void Create(qint32 hWndParent, const QString& clip, int left, int top, int width, int height);
    void pPlay();      // from the first to the last frame, repeated without end
    void pStop();
    void Destroy();    // stops and removes both windows; harmless when nothing was created

    AnimationControl* control() const { return animation_; }

private:
    void createWindows(qint32 hWndParent, int left, int top, int width, int height);

    QPointer<QWidget> host_;
    QPointer<AnimationControl> animation_;
};

} // namespace vb
