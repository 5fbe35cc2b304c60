#pragma once

#include <QElapsedTimer>
#include <QTimer>

// The longest lateness of a 10 ms timer on this thread between start() and
// stop(): how long the event loop was kept from running.
class StallWatch {
  public:
    StallWatch()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            worst_ = qMax(worst_, now - last_ - kPeriodMs);
            last_ = now;
        });
    }
    void start()
    {
        clock_.start();
        last_ = 0;
        timer_.start(kPeriodMs);
    }
    void stop() { timer_.stop(); }
    qint64 worstMs() const { return worst_; }

  private:
    static constexpr int kPeriodMs = 10;
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0, worst_ = 0;
};
