#include "vb/Animation.h"

#include <QPainter>

namespace vb {

AnimationControl::AnimationControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    connect(&timer_, &QTimer::timeout, this, &AnimationControl::step);
}

void AnimationControl::open(QList<QImage> frames, int frameMs)
{
    timer_.stop();
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
    if (repeat != 0 && last_ > first_)
        timer_.start();
}

void AnimationControl::stop() { timer_.stop(); }

void AnimationControl::step()
{
    if (current_ < last_) {
        ++current_;
    } else if (repeatsLeft_ < 0 || --repeatsLeft_ > 0) {
        current_ = first_;
    } else {
        timer_.stop();
        return;
    }
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
