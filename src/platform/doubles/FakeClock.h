#pragma once

#include "platform/Clock.h"
#include "platform/Override.h"

namespace platform {

class FakeClock final : public Clock {
  public:
    explicit FakeClock(QDateTime start) : now_(std::move(start)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime& when) { now_ = when; }
    void advanceSeconds(int seconds) { now_ = now_.addSecs(seconds); }

  private:
    QDateTime now_;
};

} // namespace platform
