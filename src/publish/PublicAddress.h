#pragma once

#include <QString>

namespace publish {

// [StartUp] "Public Address": what visitors should use when this machine's
// own address is private (behind NAT). Empty when unset or not a plausible
// address or host name, so a damaged setting never lands in a page.
QString PublicAddress();
bool IsPlausibleAddress(const QString& text);

// "Public Address" set to "auto": the address is asked from the router
// (UPnP) or else from the address-echo service, and kept up to date.
bool PublicAddressIsAuto();

// One IPv4 or IPv6 literal that the internet routes: no private, shared
// (carrier NAT), loopback, link-local, multicast or unspecified address.
bool IsGloballyRoutable(const QString& text);

// With "auto": asks the router while it forwards the memo port, else (or
// when its answer is of no use) the echo service ([StartUp] "Address Echo
// URL"). A bad or missing answer keeps the address found before and is
// logged once per kind of failure. True when the found address changed.
// The wait lets window events run. With maxAgeMs 0 it always asks, also
// while another ask runs; else a check less than maxAgeMs after the last
// one, or during one, is skipped.
bool RefreshPublicAddress(int maxAgeMs = 0);
// The address-echo request's time-out; tests shorten it.
int& EchoTimeoutMs();

// How old a check may be and still count for the connection watch's
// comparison; a publish always asks afresh.
inline constexpr int kRecentCheckMs = 30000;
QString DiscoveredAddress();
// Forgets the found address and the failures already logged.
void ForgetDiscoveredAddress();

// The address that pages and the memo form advertise and that the connection
// watch compares: the public address when set, else LocalIP.
QString AdvertisedAddress();

} // namespace publish
