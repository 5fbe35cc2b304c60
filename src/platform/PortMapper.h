#pragma once

#include <QString>

namespace platform {

// A TCP forwarding on the router: external port -> internalClient:internalPort.
struct PortMapping {
    quint16 externalPort = 0;
    quint16 internalPort = 0;
    QString internalClient;
    QString description;
    int leaseSeconds = 0;
};

// The outcome of one gateway action. code is the gateway's UPnP error code
// (718: the port is mapped to someone else) or a negative library code.
struct GatewayResult {
    bool ok = false;
    int code = 0;
    QString text;
};

inline constexpr int kMappingConflict = 718;

// The home router's port forwarding (UPnP Internet Gateway Device). Every
// call returns when the gateway has answered or timed out.
class PortMapper {
  public:
    virtual ~PortMapper() = default;
    // Finds the gateway, through its description URL when one is given,
    // else by discovery on the local network. Forgets any earlier gateway.
    virtual GatewayResult findGateway(const QString& descriptionUrl) = 0;
    // Our own address as the gateway sees it; empty before findGateway.
    virtual QString lanAddress() const = 0;
    virtual GatewayResult addMapping(const PortMapping& mapping) = 0;
    virtual GatewayResult deleteMapping(quint16 externalPort) = 0;
    // The router's internet address; empty without a gateway or answer.
    virtual QString externalAddress() = 0;
    // A port forwarding added here is in place on the gateway found last.
    // Answers at once, without asking the gateway.
    virtual bool forwarding() const = 0;
};

PortMapper& portMapper();

} // namespace platform
