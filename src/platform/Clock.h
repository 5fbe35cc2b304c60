#pragma once

#include <QDateTime>

namespace platform {

// Source of the current local time, so that time-stamped output is testable.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

Clock& clock();

} // namespace platform
