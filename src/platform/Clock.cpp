#include "platform/Clock.h"

#include "platform/Override.h"

namespace platform {
namespace {
class SystemClock final : public Clock {
  public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
} // namespace

Clock& clock()
{
    return resolve<Clock, SystemClock>();
}

} // namespace platform
