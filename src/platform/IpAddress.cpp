#include "platform/IpAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace platform {
namespace {

constexpr std::uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};

} // namespace

IpAddress IpAddress::fromV6Bytes(const std::uint8_t* bytes)
{
    IpAddress address;
    if (std::memcmp(bytes, kMappedPrefix, sizeof kMappedPrefix) == 0) {
        address.family_ = Family::V4;
        address.v4_ = std::uint32_t(bytes[12]) << 24 | std::uint32_t(bytes[13]) << 16 |
                      std::uint32_t(bytes[14]) << 8 | bytes[15];
        return address;
    }
    address.family_ = Family::V6;
    std::memcpy(address.v6_.data(), bytes, 16);
    return address;
}

IpAddress IpAddress::parse(const QString& text)
{
    const QByteArray literal = text.trimmed().toLatin1();
    // The longest IPv6 literal (with an embedded IPv4 tail) is 45 characters.
    if (literal.isEmpty() || literal.size() > 45)
        return {};
    in_addr v4{};
    if (::inet_pton(AF_INET, literal.constData(), &v4) == 1) {
        IpAddress address;
        address.family_ = Family::V4;
        address.v4_ = ntohl(v4.s_addr);
        return address;
    }
    in6_addr v6{};
    if (::inet_pton(AF_INET6, literal.constData(), &v6) == 1)
        return fromV6Bytes(v6.s6_addr);
    return {};
}

IpAddress IpAddress::fromSockaddr(const sockaddr* address)
{
    if (!address)
        return {};
    if (address->sa_family == AF_INET6) {
        sockaddr_in6 in6;
        std::memcpy(&in6, address, sizeof in6);
        return fromV6Bytes(in6.sin6_addr.s6_addr);
    }
    if (address->sa_family != AF_INET)
        return {};
    sockaddr_in in;
    std::memcpy(&in, address, sizeof in);
    IpAddress result;
    result.family_ = Family::V4;
    result.v4_ = ntohl(in.sin_addr.s_addr);
    return result;
}

bool IpAddress::isLoopback() const
{
    if (family_ == Family::V4)
        return v4_ >> 24 == 127;
    static constexpr std::array<std::uint8_t, 16> kLoopback{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return family_ == Family::V6 && v6_ == kLoopback;
}

bool IpAddress::isUnspecified() const
{
    if (family_ == Family::V4)
        return v4_ == 0;
    return family_ == Family::V6 && v6_ == std::array<std::uint8_t, 16>{};
}

bool IpAddress::isLinkLocal() const
{
    if (family_ == Family::V4)
        return v4_ >> 16 == 0xA9FE;                                            // 169.254.0.0/16
    return family_ == Family::V6 && v6_[0] == 0xFE && (v6_[1] & 0xC0) == 0x80; // fe80::/10
}

QString IpAddress::toString() const
{
    char text[INET6_ADDRSTRLEN] = {};
    if (family_ == Family::V4) {
        const in_addr v4{htonl(v4_)};
        ::inet_ntop(AF_INET, &v4, text, sizeof text);
    } else if (family_ == Family::V6) {
        ::inet_ntop(AF_INET6, v6_.data(), text, sizeof text);
    }
    return QString::fromLatin1(text);
}

} // namespace platform
