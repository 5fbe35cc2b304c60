#include "platform/PortMapper.h"

#include "platform/Override.h"
#include "platform/WorkerThread.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

#include <atomic>
#include <mutex>
#include <set>

namespace platform {
namespace {

constexpr int kDiscoveryDelayMs = 2000;
const char* const kTcp = "TCP";

QString errorText(int code)
{
    const char* text = strupnperror(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("UPnP error %1").arg(code);
}

class MiniUpnpMapper final : public PortMapper {
  public:
    ~MiniUpnpMapper() override { forget(); }

    GatewayResult findGateway(const QString& descriptionUrl) override
    {
        GatewayResult result;
        worker_.run([&] { result = find(descriptionUrl.toUtf8()); });
        return result;
    }

    QString lanAddress() const override
    {
        std::lock_guard lock(mutex_);
        return found_ ? QString::fromLatin1(lanAddress_) : QString();
    }

    GatewayResult addMapping(const PortMapping& m) override
    {
        const QByteArray external = QByteArray::number(m.externalPort);
        const QByteArray internal = QByteArray::number(m.internalPort);
        const QByteArray client = m.internalClient.toLatin1();
        const QByteArray description = m.description.toUtf8();
        const QByteArray lease = QByteArray::number(m.leaseSeconds);
        const GatewayResult result = command([&] {
            const int code = UPNP_AddPortMapping(
                urls_.controlURL, data_.first.servicetype, external.constData(), internal.constData(),
                client.constData(), description.constData(), kTcp, nullptr, lease.constData());
            if (code == UPNPCOMMAND_SUCCESS)
                mappedPorts_.insert(m.externalPort);
            forwarding_ = !mappedPorts_.empty();
            return code;
        });
        return result;
    }

    GatewayResult deleteMapping(quint16 externalPort) override
    {
        const QByteArray external = QByteArray::number(externalPort);
        return command([&] {
            // Whatever the gateway answers, the forwarding is no longer counted on.
            mappedPorts_.erase(externalPort);
            forwarding_ = !mappedPorts_.empty();
            return UPNP_DeletePortMapping(urls_.controlURL, data_.first.servicetype, external.constData(),
                                          kTcp, nullptr);
        });
    }

    bool forwarding() const override { return forwarding_.load(); }

    QString externalAddress() override
    {
        char address[64] = {};
        const GatewayResult result = command(
            [&] { return UPNP_GetExternalIPAddress(urls_.controlURL, data_.first.servicetype, address); });
        address[sizeof address - 1] = 0;
        return result.ok ? QString::fromLatin1(address) : QString();
    }

  private:
    GatewayResult find(const QByteArray& descriptionUrl)
    {
        std::lock_guard lock(mutex_);
        forget();
        int status = 0;
        if (!descriptionUrl.isEmpty()) {
            status = UPNP_GetIGDFromUrl(descriptionUrl.constData(), &urls_, &data_, lanAddress_,
                                        sizeof lanAddress_);
        } else {
            int error = 0;
            UPNPDev* devices = upnpDiscover(kDiscoveryDelayMs, nullptr, nullptr, 0, 0, 2, &error);
            if (devices)
                status = UPNP_GetValidIGD(devices, &urls_, &data_, lanAddress_, sizeof lanAddress_);
            freeUPNPDevlist(devices);
            // 3: a UPnP device, but no gateway; its URLs are still allocated.
            if (status == 3) {
                FreeUPNPUrls(&urls_);
                status = 0;
            }
        }
        found_ = status != 0 && urls_.controlURL && urls_.controlURL[0];
        if (!found_)
            return {false, -1, QStringLiteral("no UPnP gateway answered")};
        return {true, 0, QString()};
    }

    template <class Call> GatewayResult command(Call&& call)
    {
        GatewayResult result;
        worker_.run([&] {
            std::lock_guard lock(mutex_);
            if (!found_) {
                result = {false, -1, QStringLiteral("no UPnP gateway")};
                return;
            }
            const int code = call();
            result = {code == UPNPCOMMAND_SUCCESS, code,
                      code == UPNPCOMMAND_SUCCESS ? QString() : errorText(code)};
        });
        return result;
    }

    void forget()
    {
        if (found_ || urls_.controlURL)
            FreeUPNPUrls(&urls_);
        urls_ = UPNPUrls{};
        data_ = IGDdatas{};
        lanAddress_[0] = 0;
        found_ = false;
        mappedPorts_.clear();
        forwarding_ = false;
    }

    mutable std::mutex mutex_;
    UPNPUrls urls_{};
    IGDdatas data_{};
    char lanAddress_[64] = {};
    bool found_ = false;
    std::set<quint16> mappedPorts_; // under mutex_
    // Read on the GUI thread while a gateway call may hold the mutex.
    std::atomic<bool> forwarding_{false};
    WorkerThread worker_; // last: joined before the rest goes
};

} // namespace

PortMapper& portMapper()
{
    return resolve<PortMapper, MiniUpnpMapper>();
}

} // namespace platform
