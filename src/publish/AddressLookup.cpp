#include "publish/AddressLookup.h"

#include "core/AppHooks.h"

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
#include <QTimer>

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

namespace {

struct LocalAddress {
    QString ip;
    QString hostName;
    QStringList others; // further usable addresses, for the log
    QString problem;    // why ip is no address others can reach
};

QString g_problem;

QString describeProblem(const QString& hostName, const QStringList& forward)
{
    QString name;
    if (hostName.isEmpty())
        name = QStringLiteral("this machine has no host name");
    else if (forward.isEmpty())
        name = QStringLiteral("the host name %1 cannot be found").arg(hostName);
    else
        name = QStringLiteral("the host name %1 leads only to %2").arg(hostName, forward.join(u' '));
    return name + QStringLiteral(" and no network interface has an address");
}

// The machine's address as visitors would use it: the host name's first
// address, or the first interface address when that one is unreachable.
LocalAddress lookUpLocalAddress()
{
    platform::HostInfo& info = platform::hostInfo();
    LocalAddress local;
    local.hostName = info.localHostName();
    const QStringList forward = info.lookupAddresses(local.hostName);
    local.ip = forward.value(0);
    const QStringList interfaces = info.interfaceAddresses();
    if (IsUnusableAddress(local.ip)) {
        const QString fallback = firstUsable(interfaces);
        if (!fallback.isEmpty()) {
            DebugLog(QStringLiteral("[HVRN] %1 resolves to %2, which nobody else can reach; using the "
                                    "interface address %3")
                         .arg(local.hostName, local.ip.isEmpty() ? QStringLiteral("nothing") : local.ip,
                              fallback));
            local.ip = fallback;
        }
    }
    if (IsUnusableAddress(local.ip))
        local.problem = describeProblem(local.hostName, forward);
    // A reverse name comes from whoever runs the resolver: only a plain
    // host name may go into pages.
    const QString reverse = info.reverseName(local.ip);
    if (IsPlausibleAddress(reverse))
        local.hostName = reverse;
    for (const QString& a : forward + interfaces) {
        if (a != local.ip && !IsUnusableAddress(a) && !local.others.contains(a))
            local.others << a;
    }
    return local;
}

void logAddress(const LocalAddress& local)
{
    DebugLog(QStringLiteral("Local Address: ") + local.ip);
    if (!local.others.isEmpty())
        DebugLog(QStringLiteral("Other Addresses: ") + local.others.join(u' '));
    DebugLog(QStringLiteral("Local Hostname: ") + local.hostName);
    DebugLog(QString(60, u'-'));
}

} // namespace

void StartSock(Form1& form)
{
    TrapErrors("StartSock", [&] {
        const LocalAddress local = lookUpLocalAddress();
        Core().LocalIP = local.ip;
        Core().LocalHostName = local.hostName;
        g_problem = local.problem;
        logAddress(local);
        ShowAddress(form);
    });
}

QString AddressProblem()
{
    return g_problem;
}

void UpdateSock(Form1& form)
{
    // A lookup waits with events flowing: a tick meanwhile must not start a
    // second one inside it, or slow DNS piles up waits and resolver threads.
    static bool running = false;
    if (running)
        return;
    running = true;
    TrapErrors("Pop3 Check DNS", [&] {
        const LocalAddress local = lookUpLocalAddress();
        if (local.ip == Core().LocalIP || local.ip == QLatin1String("0.0.0.0"))
            return;
        Core().LocalIP = local.ip;
        Core().LocalHostName = local.hostName;
        g_problem = local.problem;
        logAddress(local);
        ShowAddress(form);
        // Nothing else re-arms the connection watch after start-up.
        form.Timer3->setInterval(1);
        form.Timer3->start();
    });
    running = false;
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
            if (Hooks().publicAddressChanged)
                Hooks().publicAddressChanged(text);
        });
    });
    return field;
}

} // namespace publish
