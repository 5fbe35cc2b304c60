#pragma once

#include <QString>

namespace publish {

// [StartUp] "Public Address": what visitors should use when this machine's
// own address is private (behind NAT). Empty when unset or not a plausible
// address or host name, so a damaged setting never lands in a page.
QString PublicAddress();
bool IsPlausibleAddress(const QString& text);

// The address that pages and the memo form advertise and that the connection
// watch compares: the public address when set, else LocalIP.
QString AdvertisedAddress();

// "127.0.0.1", "255.255.255.255", "0.0.0.0", any loopback and the empty text:
// no address anyone could reach.
bool IsUnusableAddress(const QString& address);

} // namespace publish
