#pragma once

#include "platform/HostInfo.h"

#include <QHash>

namespace platform {

// A scripted resolver: names, addresses and interfaces as the test sets them.
class FakeHostInfo final : public HostInfo {
  public:
    QString localHostName() override { return hostName; }
    QStringList lookupAddresses(const QString& name) override
    {
        ++forwardLookups;
        return forward.value(name);
    }
    QString reverseName(const QString& address) override { return reverse.value(address); }
    QStringList interfaceAddresses() override { return interfaces; }

    QString hostName = QStringLiteral("testhost");
    QHash<QString, QStringList> forward;
    QHash<QString, QString> reverse;
    QStringList interfaces;
    int forwardLookups = 0;
};

} // namespace platform
