#include "memo/VisitorRate.h"

namespace {

constexpr qint64 kMinuteMs = 60 * 1000;

void dropOld(QList<qint64>& times, qint64 nowMs)
{
    while (!times.isEmpty() && nowMs - times.front() >= kMinuteMs)
        times.removeFirst();
}

} // namespace

QByteArray VisitorRate::key(const QHostAddress& address)
{
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped)
        return QByteArray::number(v4);
    const Q_IPV6ADDR v6 = address.toIPv6Address();
    return QByteArray(reinterpret_cast<const char*>(v6.c), 8);
}

bool VisitorRate::admit(const QHostAddress& address, qint64 nowMs, int perMinute)
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
