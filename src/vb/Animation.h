#pragma once
// The animation control: a silent clip (frames shown at a fixed rate) drawn centred in
// the control on a transparent background, played from a first to a last frame, a given
// number of times or without end.
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QTimer>
#include <QWidget>

namespace vb {

class AnimationControl : public QWidget {
public:
    explicit AnimationControl(QWidget* parent);
    ~AnimationControl() override;

    // Replaces the clip and shows its first frame. An empty clip leaves the control empty.
    void open(QList<QImage> frames, int frameMs);
    // repeat -1: without end. last -1 (0xFFFF): the clip's last frame.
    void play(int repeat = -1, int first = 0, int last = -1);
    void stop();

    int frameCount() const { return int(frames_.size()); }
    int currentFrame() const { return current_; }
    bool isPlaying() const { return timer_.isActive(); }

    // While the thread is blocked (a child program runs) no timer fires: every playing
    // clip whose frame time has passed moves on by one frame here.
    static void catchUpPlaying();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void step();

    QList<QImage> frames_;
    QTimer timer_;
    QElapsedTimer sinceStep_;
    int current_ = 0;
    int first_ = 0;
    int last_ = 0;
    int repeatsLeft_ = 0;
};

} // namespace vb
