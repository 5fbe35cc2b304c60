#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

struct sockaddr;

namespace platform {

// An IPv4 or IPv6 address read from text or from a socket. An IPv4-mapped
// IPv6 address (::ffff:a.b.c.d, as a dual-stack socket reports IPv4 peers)
// is held as the IPv4 address it carries, so one visitor is one address
// whichever way it arrived.
class IpAddress {
  public:
    enum class Family { None, V4, V6 };

    IpAddress() = default;
    // None unless text (surrounding blanks aside) is an address literal.
    static IpAddress parse(const QString& text);
    static IpAddress fromSockaddr(const sockaddr* address);

    Family family() const { return family_; }
    bool isNull() const { return family_ == Family::None; }
    // In host byte order; 0 unless an IPv4 address.
    std::uint32_t v4() const { return v4_; }
    // The sixteen bytes of an IPv6 address; zero unless an IPv6 address.
    const std::array<std::uint8_t, 16>& v6() const { return v6_; }

    bool isLoopback() const;
    bool isUnspecified() const;
    bool isLinkLocal() const;
    QString toString() const;

  private:
    static IpAddress fromV6Bytes(const std::uint8_t* bytes);

    Family family_ = Family::None;
    std::uint32_t v4_ = 0;
    std::array<std::uint8_t, 16> v6_{};
};

} // namespace platform
