#include "memo/AcmeManager.h"

#include "core/MemoSettingsView.h"
#include "core/ProgramDir.h"
#include "core/SaveFile.h"
#include "memo/MemoHttps.h"
#include "memo/MemoHttpsReport.h"
#include "memo/MemoLimits.h"
#include "memo/RouterPort.h"
#include "platform/PortMapper.h"

#include <QDateTime>
#include <QFile>
#include <QTimer>

#include <algorithm>

#include <sys/stat.h>

namespace {

constexpr qsizetype kMaxPemBytes = 1024 * 1024;
// The timer never waits longer than this before it looks at the clock again,
// so a suspended machine or a far-off renewal is judged by the wall clock.
constexpr qint64 kLongestWaitMs = 3600 * 1000;
constexpr quint16 kValidationPort = 80;

QString accountFile()
{
    return ProgramFile(QStringLiteral("memo-acme-account.pem"));
}
QString keyFile()
{
    return ProgramFile(QStringLiteral("memo-acme-key.pem"));
}
QString certificateFile()
{
    return ProgramFile(QStringLiteral("memo-acme-cert.pem"));
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

using memo::HttpsTopic;

// Keys are for this user's eyes only, whatever the file had before.
bool savePrivately(const QString& path, const QByteArray& bytes)
{
    if (!SaveProgramFile(path, bytes, 0600))
        return false;
    ::chmod(QFile::encodeName(path).constData(), 0600);
    return true;
}

} // namespace

AcmeManager::AcmeManager(MemoHttps& https, QObject* parent) : QObject(parent), https_(https)
{
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &AcmeManager::check);
}

AcmeManager::~AcmeManager()
{
    abort_->store(true);
    if (worker_.joinable())
        worker_.join();
    closeValidationPort();
}

void AcmeManager::start()
{
    name_ = MemoSettings().httpsName();
    if (!installStored())
        planAt(nowMs());
}

bool AcmeManager::installStored()
{
    const auto chain = ReadSmallFile(certificateFile(), kMaxPemBytes);
    const auto key = ReadSmallFile(keyFile(), kMaxPemBytes);
    const auto facts = chain ? acme::certificateFacts(*chain, name_) : std::nullopt;
    if (!facts || !facts->coversName || facts->notAfter * 1000 <= nowMs() || !key)
        return false;
    if (!https_.install(*chain, *key, QStringLiteral("the stored ACME certificate")))
        return false;
    planRenewal(*facts);
    return true;
}

void AcmeManager::planAt(qint64 dueAtMs)
{
    // Looked at from the event loop, so an order due at once starts after
    // the server's start is complete (the router port open among it).
    dueAtMs_ = dueAtMs;
    timer_->start(0);
}

void AcmeManager::planRenewal(const acme::CertificateFacts& facts)
{
    // Renewed with a third of its lifetime left, short-lived ones included.
    const qint64 lifetime = std::max<qint64>(facts.notAfter - facts.notBefore, 3);
    failures_ = 0;
    planAt((facts.notAfter - lifetime / 3) * 1000);
    memo::ReportHttps(QStringLiteral("certificate for %1 valid until %2; renewal due %3")
                          .arg(name_, QDateTime::fromSecsSinceEpoch(facts.notAfter).toString(Qt::ISODate),
                               QDateTime::fromMSecsSinceEpoch(dueAtMs_).toString(Qt::ISODate)),
                      HttpsTopic::Acme);
}

void AcmeManager::retryLater(const QString& problem)
{
    const MemoLimits& limits = memoLimits();
    const qint64 wait =
        std::min<qint64>(qint64(limits.acmeRetryMs) << std::min(failures_, 20), limits.acmeRetryMaxMs);
    ++failures_;
    memo::ReportHttpsTrouble(QStringLiteral("no certificate for %1: %2; trying again in %3 s")
                                 .arg(name_, problem)
                                 .arg(wait / 1000),
                             HttpsTopic::Acme);
    planAt(nowMs() + wait);
}

void AcmeManager::check()
{
    if (ordering_)
        return;
    // An order waits for the router's answer about the memo port, since
    // port 80 is forwarded through the same router.
    constexpr int kRouterWaitMs = 200;
    if (memo::routerPort().opening())
        return timer_->start(kRouterWaitMs);
    const qint64 left = dueAtMs_ - nowMs();
    if (left <= 0)
        return order();
    timer_->start(int(std::min(left, kLongestWaitMs)));
}

acme::Key AcmeManager::accountKey(QString& problem)
{
    if (const auto pem = ReadSmallFile(accountFile(), kMaxPemBytes))
        if (acme::Key key = acme::keyFromPem(*pem))
            return key;
    acme::Key key = acme::newKey();
    const QByteArray pem = key ? acme::privateKeyPem(key.get()) : QByteArray();
    if (pem.isEmpty() || !savePrivately(accountFile(), pem)) {
        problem = QStringLiteral("the account key cannot be kept in ") + accountFile();
        return nullptr;
    }
    return key;
}

void AcmeManager::order()
{
    QString problem;
    acme::Key key = accountKey(problem);
    if (!key)
        return retryLater(problem);
    if (name_.isEmpty())
        return retryLater(QStringLiteral("no Public Address is set"));
    if (worker_.joinable())
        worker_.join();
    ordering_ = true;
    dueAtMs_ = 0;
    openValidationPort();
    const HttpsSettings& s = https_.settings();
    AcmeOrderSettings settings{s.directoryUrl, s.email, s.caFile, name_};
    auto progress = [this](const QString& text) {
        QMetaObject::invokeMethod(
            this, [text] { memo::ReportHttps(text, HttpsTopic::Acme); }, Qt::QueuedConnection);
    };
    worker_ = std::thread([this, settings, key = std::move(key), challenges = https_.challenges(),
                           abort = abort_, progress]() mutable {
        AcmeClient client(settings, std::move(key), challenges, abort, progress);
        QString problem;
        std::optional<AcmeIssued> issued = client.issue(problem);
        QMetaObject::invokeMethod(
            this, [this, issued = std::move(issued), problem] { finished(issued, problem); },
            Qt::QueuedConnection);
    });
}

void AcmeManager::finished(std::optional<AcmeIssued> issued, const QString& problem)
{
    if (worker_.joinable())
        worker_.join();
    ordering_ = false;
    closeValidationPort();
    if (!issued)
        return retryLater(problem);
    const auto facts = acme::certificateFacts(issued->chainPem, name_);
    if (!facts || !facts->coversName)
        return retryLater(QStringLiteral("the issued certificate is not for ") + name_);
    // The key goes first: a certificate on disk never lacks its key.
    if (!savePrivately(keyFile(), issued->keyPem) || !savePrivately(certificateFile(), issued->chainPem))
        return retryLater(QStringLiteral("the certificate cannot be kept in ") + ProgramDir());
    if (!https_.install(issued->chainPem, issued->keyPem, QStringLiteral("a new ACME certificate")))
        return retryLater(QStringLiteral("the issued certificate and key do not fit"));
    planRenewal(*facts);
}

void AcmeManager::openValidationPort()
{
    // The ACME server validates on port 80; with the router port open the
    // router sends it on to the memo port while the order runs.
    if (!memo::routerPort().mapped() || https_.port() == 0)
        return;
    platform::PortMapper& mapper = platform::portMapper();
    platform::PortMapping mapping{kValidationPort, https_.port(), mapper.lanAddress(),
                                  QStringLiteral("Halvorn memo certificate check"), 900};
    const platform::GatewayResult result = mapper.addMapping(mapping);
    portMapped_ = result.ok;
    memo::ReportHttps(result.ok
                          ? QStringLiteral("router forwards TCP port 80 to the memo port for the validation")
                          : QStringLiteral("the router refused TCP port 80: ") + result.text,
                      HttpsTopic::Acme);
}

void AcmeManager::closeValidationPort()
{
    if (!std::exchange(portMapped_, false))
        return;
    platform::portMapper().deleteMapping(kValidationPort);
}
