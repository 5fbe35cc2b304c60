#include "memo/RouterPort.h"

#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/ProgramError.h"
#include "core/TextToBool.h"
#include "memo/MemoProgram.h"
#include "memo/frmMemoServer.h"
#include "memo/frmMemoSetup.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QScopeGuard>

#include <algorithm>

namespace memo {
namespace {

const QString kMemo = QStringLiteral("Memo");
const QString kWantedKey = QStringLiteral("Open Router Port");
constexpr int kDefaultLeaseSeconds = 3600;
constexpr int kMinLeaseSeconds = 2;
constexpr int kMaxLeaseSeconds = 7 * 24 * 3600;

void log(const QString& text)
{
    DebugLog(QStringLiteral("[MemoServer] UPnP: ") + text);
}

int leaseSeconds()
{
    bool ok = false;
    const int seconds = ReadIni(kMemo, QStringLiteral("UPnP Lease Seconds"), QString()).trimmed().toInt(&ok);
    return std::clamp(ok ? seconds : kDefaultLeaseSeconds, kMinLeaseSeconds, kMaxLeaseSeconds);
}

} // namespace

RouterPort& routerPort()
{
    static RouterPort* port = new RouterPort;
    return *port;
}

bool RouterPortWanted()
{
    return ReadIniFlag(kMemo, kWantedKey, false);
}

RouterPort::RouterPort()
{
    renewal_.setObjectName(QStringLiteral("tmrRouterPort"));
    connect(&renewal_, &QTimer::timeout, this, &RouterPort::renew);
}

void RouterPort::open(quint16 port)
{
    if (!RouterPortWanted() || mapped_ || opening_)
        return;
    opening_ = true;
    const auto opened = qScopeGuard([this] { opening_ = false; });
    platform::PortMapper& mapper = platform::portMapper();
    const QString url = ReadIni(kMemo, QStringLiteral("UPnP Description URL"), QString()).trimmed();
    log(url.isEmpty() ? QStringLiteral("looking for the router")
                      : QStringLiteral("asking the router at ") + url);
    const platform::GatewayResult found = mapper.findGateway(url);
    if (!found.ok) {
        report(QStringLiteral("no router found (%1)").arg(found.text));
        return;
    }
    const QString lan = mapper.lanAddress();
    mapping_.externalPort = port;
    mapping_.internalPort = port;
    mapping_.internalClient = lan.isEmpty() ? Core().LocalIP : lan;
    mapping_.description = QStringLiteral("Halvorn memo server");
    mapping_.leaseSeconds = leaseSeconds();
    if (!add("opened"))
        return;
    renewal_.start(mapping_.leaseSeconds * 1000 / 2);
    if (Hooks().recheckPublicAddress)
        Hooks().recheckPublicAddress();
}

bool RouterPort::add(const char* verb)
{
    const platform::GatewayResult result = platform::portMapper().addMapping(mapping_);
    if (!result.ok) {
        const QString why = result.code == platform::kMappingConflict
                                ? QStringLiteral("the port is already forwarded to another machine")
                                : result.text;
        report(QStringLiteral("the router refused TCP port %1: %2 (%3)")
                   .arg(mapping_.externalPort)
                   .arg(why)
                   .arg(result.code));
        return false;
    }
    mapped_ = true;
    lastReport_.clear();
    log(QStringLiteral("%1 TCP port %2 to %3:%4 for %5 seconds")
            .arg(QString::fromLatin1(verb))
            .arg(mapping_.externalPort)
            .arg(mapping_.internalClient)
            .arg(mapping_.internalPort)
            .arg(mapping_.leaseSeconds));
    return true;
}

void RouterPort::renew()
{
    TrapErrors("RouterPort renew", [this] { add("renewed"); });
}

void RouterPort::close()
{
    renewal_.stop();
    if (!mapped_)
        return;
    mapped_ = false;
    const platform::GatewayResult result = platform::portMapper().deleteMapping(mapping_.externalPort);
    if (result.ok)
        log(QStringLiteral("closed TCP port %1").arg(mapping_.externalPort));
    else
        log(QStringLiteral("could not close TCP port %1: %2").arg(mapping_.externalPort).arg(result.text));
}

void RouterPort::report(const QString& text)
{
    if (text == lastReport_)
        return;
    lastReport_ = text;
    log(text);
    if (Form1* form = Memo().mainWindow())
        form->ftpStatus->setText(QStringLiteral("Memo server: ") + text);
}

void AddRouterPortOption(frmMemoSetup& setup)
{
    auto* grid = qobject_cast<QGridLayout*>(setup.chkMemo->parentWidget()->layout());
    if (!grid)
        return;
    auto* option =
        new QCheckBox(QStringLiteral("Open the port on my router (UPnP)"), setup.chkMemo->parentWidget());
    option->setObjectName(QStringLiteral("chkUPnP"));
    option->setToolTip(
        QStringLiteral("Lets visitors on the internet reach the memo server behind a home router"));
    option->setChecked(RouterPortWanted());
    grid->addWidget(option, grid->rowCount(), 0, 1, 3);
    QObject::connect(option, &QCheckBox::toggled, option, [](bool on) {
        TrapErrors("chkUPnP_Click", [on] {
            WriteIni(kMemo, kWantedKey, BoolText(on));
            frmMemoServer* server = Memo().server();
            if (!on)
                routerPort().close();
            else if (server && server->listening())
                routerPort().open(server->listeningPort());
        });
    });
}

} // namespace memo
