#include "publish/AddressLookup.h"

#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "platform/HostInfo.h"
#include "publish/PublicAddress.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace publish {
namespace {

QString firstUsable(const QStringList& addresses)
{
    for (const QString& a : addresses) {
        if (!IsUnusableAddress(a))
            return a;
    }
    return QString();
}

} // namespace

void ShowAddress(Form1& form)
{
    const CoreState& core = Core();
    if (PublicAddressIsAuto() && AdvertisedAddress() != core.LocalIP) {
        form.IP->setText(AdvertisedAddress());
        form.IP->setToolTip(QStringLiteral("Local address: %1 (%2)").arg(core.LocalIP, core.LocalHostName));
        return;
    }
    form.IP->setText(core.LocalIP);
    form.IP->setToolTip(core.LocalHostName);
}

void StartSock(Form1& form)
{
    TrapErrors("StartSock", [&] {
        platform::HostInfo& info = platform::hostInfo();
        CoreState& core = Core();
        core.LocalHostName = info.localHostName();
        const QStringList forward = info.lookupAddresses(core.LocalHostName);
        core.LocalIP = forward.value(0);
        const QStringList interfaces = info.interfaceAddresses();
        if (IsUnusableAddress(core.LocalIP)) {
            const QString fallback = firstUsable(interfaces);
            if (!fallback.isEmpty()) {
                DebugLog(QStringLiteral("[HVRN] %1 resolves to %2, which nobody else can reach; using the "
                                        "interface address %3")
                             .arg(core.LocalHostName,
                                  core.LocalIP.isEmpty() ? QStringLiteral("nothing") : core.LocalIP,
                                  fallback));
                core.LocalIP = fallback;
            }
        }
        // A reverse name comes from whoever runs the resolver: only a plain
        // host name may go into pages.
        const QString reverse = info.reverseName(core.LocalIP);
        if (IsPlausibleAddress(reverse))
            core.LocalHostName = reverse;
        DebugLog(QStringLiteral("Local Address: ") + core.LocalIP);
        QStringList others;
        for (const QString& a : forward + interfaces) {
            if (a != core.LocalIP && !IsUnusableAddress(a) && !others.contains(a))
                others << a;
        }
        if (!others.isEmpty())
            DebugLog(QStringLiteral("Other Addresses: ") + others.join(u' '));
        DebugLog(QStringLiteral("Local Hostname: ") + core.LocalHostName);
        DebugLog(QString(60, u'-'));
        ShowAddress(form);
    });
}

QLineEdit* AddPublicAddressField(Form1& form)
{
    auto* field = new QLineEdit;
    field->setObjectName(QStringLiteral("txtPublicAddress"));
    field->setPlaceholderText(QStringLiteral("optional: address or name visitors use (NAT, dynamic DNS)"));
    field->setText(ReadIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"), QString()).trimmed());
    if (auto* layout = qobject_cast<QFormLayout*>(form.IP->parentWidget()->layout())) {
        int row = -1;
        QFormLayout::ItemRole role;
        layout->getWidgetPosition(form.IP, &row, &role);
        layout->insertRow(row + 1, QStringLiteral("Public Address:"), field);
    }
    QObject::connect(field, &QLineEdit::editingFinished, field, [field] {
        TrapErrors("txtPublicAddress_Change", [field] {
            const QString text = field->text().trimmed();
            if (!text.isEmpty() && !IsPlausibleAddress(text)) {
                DebugLog(
                    QStringLiteral("[HVRN] \"%1\" is not an address or host name; Public Address not changed")
                        .arg(text));
                field->setText(PublicAddress());
                return;
            }
            if (text ==
                ReadIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"), QString()).trimmed())
                return;
            if (text.isEmpty())
                WriteIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"));
            else
                WriteIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"), text);
        });
    });
    return field;
}

} // namespace publish
