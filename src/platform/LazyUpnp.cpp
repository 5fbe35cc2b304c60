// miniupnpc's entry points that the port mapper uses, forwarding to the
// library opened at the first mapping. Without it a mapping fails as if no
// gateway answered.
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

#include "platform/LazyLibrary.h"

namespace {

platform::LazyLibrary& upnp()
{
    static platform::LazyLibrary library(HALVORN_MINIUPNPC_SONAME);
    return library;
}

#define HALVORN_UPNP_BIND(name) static const auto real = platform::bind<decltype(&::name)>(upnp(), #name)

} // namespace

extern "C" {

UPNPDev* upnpDiscover(int delay, const char* multicastif, const char* minissdpdsock, int localport, int ipv6,
                      unsigned char ttl, int* error)
{
    HALVORN_UPNP_BIND(upnpDiscover);
    if (real)
        return real(delay, multicastif, minissdpdsock, localport, ipv6, ttl, error);
    if (error)
        *error = UPNPDISCOVER_UNKNOWN_ERROR;
    return nullptr;
}

void freeUPNPDevlist(UPNPDev* devlist)
{
    HALVORN_UPNP_BIND(freeUPNPDevlist);
    if (real)
        real(devlist);
}

void FreeUPNPUrls(UPNPUrls* urls)
{
    HALVORN_UPNP_BIND(FreeUPNPUrls);
    if (real)
        real(urls);
}

int UPNP_GetValidIGD(UPNPDev* devlist, UPNPUrls* urls, IGDdatas* data, char* lanaddr, int lanaddrlen)
{
    HALVORN_UPNP_BIND(UPNP_GetValidIGD);
    return real ? real(devlist, urls, data, lanaddr, lanaddrlen) : 0;
}

int UPNP_GetIGDFromUrl(const char* rootdescurl, UPNPUrls* urls, IGDdatas* data, char* lanaddr, int lanaddrlen)
{
    HALVORN_UPNP_BIND(UPNP_GetIGDFromUrl);
    return real ? real(rootdescurl, urls, data, lanaddr, lanaddrlen) : 0;
}

int UPNP_GetExternalIPAddress(const char* controlURL, const char* servicetype, char* extIpAdd)
{
    HALVORN_UPNP_BIND(UPNP_GetExternalIPAddress);
    return real ? real(controlURL, servicetype, extIpAdd) : UPNPCOMMAND_UNKNOWN_ERROR;
}

int UPNP_AddPortMapping(const char* controlURL, const char* servicetype, const char* extPort,
                        const char* inPort, const char* inClient, const char* desc, const char* proto,
                        const char* remoteHost, const char* leaseDuration)
{
    HALVORN_UPNP_BIND(UPNP_AddPortMapping);
    return real ? real(controlURL, servicetype, extPort, inPort, inClient, desc, proto, remoteHost,
                       leaseDuration)
                : UPNPCOMMAND_UNKNOWN_ERROR;
}

int UPNP_DeletePortMapping(const char* controlURL, const char* servicetype, const char* extPort,
                           const char* proto, const char* remoteHost)
{
    HALVORN_UPNP_BIND(UPNP_DeletePortMapping);
    return real ? real(controlURL, servicetype, extPort, proto, remoteHost) : UPNPCOMMAND_UNKNOWN_ERROR;
}

const char* strupnperror(int err)
{
    HALVORN_UPNP_BIND(strupnperror);
    return real ? real(err) : "miniupnpc (" HALVORN_MINIUPNPC_SONAME ") could not be loaded";
}

} // extern "C"
