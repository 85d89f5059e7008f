#include "vb/Animation.h"

#include <QPainter>

namespace vb {

namespace {
QList<AnimationControl*>& playing()
{
    static QList<AnimationControl*> controls;
    return controls;
}
} // namespace

AnimationControl::AnimationControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    connect(&timer_, &QTimer::timeout, this, &AnimationControl::step);
}

AnimationControl::~AnimationControl() { playing().removeAll(this); }

void AnimationControl::catchUpPlaying()
{
    const QList<AnimationControl*> controls = playing();
    for (AnimationControl* control : controls)
        if (control->timer_.isActive() && control->sinceStep_.elapsed() >= control->timer_.interval())
            control->step();
}

void AnimationControl::open(QList<QImage> frames, int frameMs)
{
    stop();
    frames_ = std::move(frames);
    timer_.setInterval(qMax(1, frameMs));
    current_ = 0;
    update();
}

void AnimationControl::play(int repeat, int first, int last)
{
    if (frames_.isEmpty())
        return;
    const int end = int(frames_.size()) - 1;
    first_ = qBound(0, first, end);
    last_ = last < 0 || last > end ? end : qMax(first_, last);
    repeatsLeft_ = repeat;
    current_ = first_;
    update();
    if (repeat != 0 && last_ > first_) {
        timer_.start();
        sinceStep_.start();
        if (!playing().contains(this))
            playing().append(this);
    }
}

void AnimationControl::stop()
{
    timer_.stop();
    playing().removeAll(this);
}

void AnimationControl::step()
{
    if (current_ < last_) {
        ++current_;
    } else if (repeatsLeft_ < 0 || --repeatsLeft_ > 0) {
        current_ = first_;
    } else {
        stop();
        return;
    }
    sinceStep_.start();
    update();
}

void AnimationControl::paintEvent(QPaintEvent*)
{
    if (frames_.isEmpty())
        return;
    const QImage& frame = frames_.at(current_);
    QPainter p(this);
    p.drawImage((width() - frame.width()) / 2, (height() - frame.height()) / 2, frame);
}

} // namespace vb
