#pragma once
// A timer that fires as often as the event loop lets it while the program works, and keeps
// the largest gap between two of its ticks: how long the windows stood still. Each tick can
// also look at the windows (`onTick`), to follow what they showed during the work, and
// `describe` says what they showed when the largest gap began.
#include <QElapsedTimer>
#include <QEvent>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace testsupport {

class EventLoopProbe {
public:
    explicit EventLoopProbe(std::function<void()> onTick = {}, std::function<QString()> describe = {}, int intervalMs = 10)
        : onTick_(std::move(onTick)), describe_(std::move(describe))
    {
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            if (last_ >= 0 && now - last_ > largestGap_) {
                largestGap_ = now - last_;
                largestGapAt_ = last_;
                largestGapDuring_ = lastSeen_;
            }
            last_ = now;
            if (describe_)
                lastSeen_ = describe_();
            ++ticks_;
            if (onTick_)
                onTick_();
        });
    }
    void start()
    {
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    // Ends the watch; the time since the last tick counts as a gap too.
    void stop()
    {
        const qint64 now = clock_.elapsed();
        if (now - last_ > largestGap_) {
            largestGap_ = now - last_;
            largestGapAt_ = last_;
            largestGapDuring_ = lastSeen_;
        }
        timer_.stop();
    }
    qint64 largestGap() const { return largestGap_; }
    qint64 largestGapAt() const { return largestGapAt_; }   // ms after start()
    const QString& largestGapDuring() const { return largestGapDuring_; }
    qint64 elapsed() const { return clock_.elapsed(); }
    int ticks() const { return ticks_; }

private:
    std::function<void()> onTick_;
    std::function<QString()> describe_;
    QString lastSeen_;
    QString largestGapDuring_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = -1;
    qint64 largestGap_ = 0;
    qint64 largestGapAt_ = 0;
    int ticks_ = 0;
};

// Calls `onPaint` each time `widget` is painted: what the user saw of it, however long or
// short the event loop ran between two of its paintings.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* widget, std::function<void()> onPaint) : onPaint_(std::move(onPaint))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            onPaint_();
        return false;
    }

private:
    std::function<void()> onPaint_;
};

} // namespace testsupport
