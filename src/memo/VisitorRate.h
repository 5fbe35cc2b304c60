#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

namespace platform {
class IpAddress;
}

// Counts the memos each visitor address had logged or shown in the last
// minute. An IPv6 visitor is counted by its /64 network, which one
// household or one machine usually owns whole.
class VisitorRate {
  public:
    // True, and counted, when the memo from address at nowMs is within
    // perMinute; false when the address has used up its minute.
    bool admit(const platform::IpAddress& address, qint64 nowMs, int perMinute);
    // Forgets addresses that sent nothing in the last minute.
    void prune(qint64 nowMs);
    qsizetype addresses() const { return seen_.size(); }

  private:
    static QByteArray key(const platform::IpAddress& address);
    QHash<QByteArray, QList<qint64>> seen_;
};
