#include "memo/VisitorRate.h"

#include "platform/IpAddress.h"

namespace {

constexpr qint64 kMinuteMs = 60 * 1000;

void dropOld(QList<qint64>& times, qint64 nowMs)
{
    while (!times.isEmpty() && nowMs - times.front() >= kMinuteMs)
        times.removeFirst();
}

} // namespace

QByteArray VisitorRate::key(const platform::IpAddress& address)
{
    if (address.family() != platform::IpAddress::Family::V6)
        return QByteArray::number(address.v4());
    return QByteArray(reinterpret_cast<const char*>(address.v6().data()), 8);
}

bool VisitorRate::admit(const platform::IpAddress& address, qint64 nowMs, int perMinute)
{
    QList<qint64>& times = seen_[key(address)];
    dropOld(times, nowMs);
    if (times.size() >= perMinute)
        return false;
    times.append(nowMs);
    return true;
}

void VisitorRate::prune(qint64 nowMs)
{
    for (auto it = seen_.begin(); it != seen_.end();) {
        dropOld(it.value(), nowMs);
        it = it.value().isEmpty() ? seen_.erase(it) : std::next(it);
    }
}
