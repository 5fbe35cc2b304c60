#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// One answer of an address-echo service: the body of a successful HTTP(S)
// GET, or the kind of failure ("time-out", "TLS error", ...) with detail.
struct EchoAnswer {
    bool ok = false;
    QByteArray body;
    QString failureKind;
    QString detail;
};

// Asks a web service which address our requests come from.
class AddressEcho {
  public:
    virtual ~AddressEcho() = default;
    // Returns when the answer is in or timeoutMs has passed. Bodies longer
    // than kMaxEchoBody fail as "answer too long".
    virtual EchoAnswer fetch(const QString& url, int timeoutMs) = 0;
};

inline constexpr int kMaxEchoBody = 256;

AddressEcho& addressEcho();

} // namespace platform
