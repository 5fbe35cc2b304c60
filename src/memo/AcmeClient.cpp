#include "memo/AcmeClient.h"

#include "memo/AcmeChallenges.h"
#include "memo/MemoLimits.h"
#include "platform/CurlEasy.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <chrono>
#include <thread>

namespace {

constexpr qsizetype kMaxReplyBytes = 1024 * 1024;
constexpr int kMaxPauseSeconds = 10;

struct Transfer {
    AcmeClient::Reply* reply;
    const std::atomic<bool>* abort;
};

size_t takeBody(char* data, size_t size, size_t count, void* user)
{
    AcmeClient::Reply& reply = *static_cast<Transfer*>(user)->reply;
    const size_t bytes = size * count;
    if (reply.body.size() + qsizetype(bytes) > kMaxReplyBytes)
        return 0; // ends the transfer
    reply.body.append(data, qsizetype(bytes));
    return bytes;
}

size_t takeHeader(char* data, size_t size, size_t count, void* user)
{
    AcmeClient::Reply& reply = *static_cast<Transfer*>(user)->reply;
    const size_t bytes = size * count;
    const QByteArray line = QByteArray(data, qsizetype(bytes)).trimmed();
    const qsizetype colon = line.indexOf(':');
    const QByteArray name = line.left(colon).trimmed().toLower();
    const QByteArray value = line.mid(colon + 1).trimmed().left(4096);
    if (line.startsWith("HTTP/"))
        reply.status = line.split(' ').value(1).toLong();
    else if (name == "location")
        reply.location = value;
    else if (name == "replay-nonce")
        reply.nonce = value;
    else if (name == "retry-after")
        reply.retryAfterSeconds = value.toInt();
    return bytes;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Transfer*>(user)->abort->load() ? 1 : 0;
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray urlOf(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString().toUtf8();
}

// The server's problem document in words, for the log and the user.
QString problemText(const AcmeClient::Reply& reply)
{
    const QJsonObject problem = reply.json();
    const QString detail = problem.value(QLatin1String("detail")).toString().left(300);
    const QString type =
        problem.value(QLatin1String("type")).toString().section(QLatin1Char(':'), -1).left(60);
    if (detail.isEmpty())
        return QStringLiteral("HTTP status %1").arg(reply.status);
    return QStringLiteral("%1 (%2)").arg(detail, type);
}

} // namespace

QJsonObject AcmeClient::Reply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

AcmeClient::AcmeClient(AcmeOrderSettings settings, acme::Key accountKey,
                       std::shared_ptr<AcmeChallenges> challenges,
                       std::shared_ptr<const std::atomic<bool>> abort, Progress progress)
    : settings_(std::move(settings)), accountKey_(std::move(accountKey)), challenges_(std::move(challenges)),
      abort_(std::move(abort)), progress_(std::move(progress))
{
}

AcmeClient::~AcmeClient()
{
    if (curl_)
        curl_easy_cleanup(curl_);
}

AcmeClient::Reply AcmeClient::fetch(const QByteArray& url, const QByteArray* postBody, bool headOnly)
{
    Reply reply;
    if (!curl_ && platform::CurlGlobalInit())
        curl_ = curl_easy_init();
    if (!curl_) {
        reply.failure = QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT));
        return reply;
    }
    Transfer transfer{&reply, abort_.get()};
    const QByteArray caFile = settings_.caFile.toLocal8Bit();
    curl_easy_setopt(curl_, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, long(memoLimits().acmeRequestTimeoutMs));
    curl_easy_setopt(curl_, CURLOPT_TIMEOUT_MS, long(memoLimits().acmeRequestTimeoutMs));
    // In place of the system's bundle file; its certificate folder still counts.
    if (!caFile.isEmpty())
        curl_easy_setopt(curl_, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, takeBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, takeHeader);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_USERAGENT, "Halvorn memo server");
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/jose+json");
    if (postBody) {
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, postBody->constData());
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(postBody->size()));
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
    } else {
        curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, nullptr);
    }
    curl_easy_setopt(curl_, CURLOPT_NOBODY, headOnly ? 1L : 0L);
    const CURLcode result = curl_easy_perform(curl_);
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    if (result != CURLE_OK)
        reply.failure = QString::fromUtf8(curl_easy_strerror(result));
    if (!reply.nonce.isEmpty())
        nonce_ = reply.nonce;
    return reply;
}

QByteArray AcmeClient::signedBody(const QByteArray& url, const std::optional<QJsonObject>& payload)
{
    QJsonObject header{{QStringLiteral("alg"), QStringLiteral("ES256")},
                       {QStringLiteral("nonce"), QString::fromLatin1(nonce_)},
                       {QStringLiteral("url"), QString::fromUtf8(url)}};
    if (kid_.isEmpty())
        header.insert(QStringLiteral("jwk"), acme::jwk(accountKey_.get()));
    else
        header.insert(QStringLiteral("kid"), QString::fromUtf8(kid_));
    const QByteArray protectedPart = acme::base64Url(compact(header));
    // A POST-as-GET signs an empty payload.
    const QByteArray payloadPart = payload ? acme::base64Url(compact(*payload)) : QByteArray();
    const QByteArray signature = acme::signEs256(accountKey_.get(), protectedPart + '.' + payloadPart);
    return compact({{QStringLiteral("protected"), QString::fromLatin1(protectedPart)},
                    {QStringLiteral("payload"), QString::fromLatin1(payloadPart)},
                    {QStringLiteral("signature"), QString::fromLatin1(acme::base64Url(signature))}});
}

AcmeClient::Reply AcmeClient::post(const QByteArray& url, const std::optional<QJsonObject>& payload)
{
    Reply reply;
    // A nonce the server no longer takes is answered with a fresh one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (nonce_.isEmpty())
            fetch(newNonceUrl_, nullptr, true);
        if (nonce_.isEmpty()) {
            reply.failure = QStringLiteral("the ACME server gave no nonce");
            return reply;
        }
        const QByteArray body = signedBody(url, payload);
        nonce_.clear();
        reply = fetch(url, &body, false);
        const bool badNonce =
            reply.status == 400 &&
            reply.json().value(QLatin1String("type")).toString().endsWith(QLatin1String("badNonce"));
        if (!badNonce)
            break;
    }
    return reply;
}

bool AcmeClient::expect(const Reply& reply, const QString& step, QString& problem) const
{
    if (abort_->load()) {
        problem = QStringLiteral("stopped");
        return false;
    }
    if (!reply.failure.isEmpty()) {
        problem = QStringLiteral("%1: %2").arg(step, reply.failure);
        return false;
    }
    if (reply.status < 200 || reply.status > 299) {
        problem = QStringLiteral("%1: %2").arg(step, problemText(reply));
        return false;
    }
    return true;
}

bool AcmeClient::pause(int seconds) const
{
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::seconds(std::clamp(seconds, 1, kMaxPauseSeconds));
    while (std::chrono::steady_clock::now() < until) {
        if (abort_->load())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

bool AcmeClient::fetchDirectory(QString& problem)
{
    progress_(QStringLiteral("asking ") + settings_.directoryUrl.left(200));
    const Reply reply = fetch(settings_.directoryUrl.toUtf8(), nullptr, false);
    if (!expect(reply, QStringLiteral("directory"), problem))
        return false;
    const QJsonObject directory = reply.json();
    newNonceUrl_ = urlOf(directory, "newNonce");
    newAccountUrl_ = urlOf(directory, "newAccount");
    newOrderUrl_ = urlOf(directory, "newOrder");
    if (newNonceUrl_.isEmpty() || newAccountUrl_.isEmpty() || newOrderUrl_.isEmpty()) {
        problem = QStringLiteral("%1 is no ACME directory").arg(settings_.directoryUrl.left(200));
        return false;
    }
    return true;
}

bool AcmeClient::useAccount(QString& problem)
{
    QJsonObject account{{QStringLiteral("termsOfServiceAgreed"), true}};
    if (!settings_.email.isEmpty())
        account.insert(QStringLiteral("contact"), QJsonArray{QStringLiteral("mailto:") + settings_.email});
    const Reply reply = post(newAccountUrl_, account);
    if (!expect(reply, QStringLiteral("account"), problem))
        return false;
    kid_ = reply.location;
    if (kid_.isEmpty()) {
        problem = QStringLiteral("account: the ACME server named no account");
        return false;
    }
    return true;
}

std::optional<QJsonObject> AcmeClient::pollUntil(const QByteArray& url, const QString& what, QString& problem)
{
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(memoLimits().acmeValidationWaitMs);
    for (;;) {
        const Reply reply = post(url, std::nullopt);
        if (!expect(reply, what, problem))
            return std::nullopt;
        const QJsonObject object = reply.json();
        const QString status = object.value(QLatin1String("status")).toString();
        if (status == QLatin1String("valid") || status == QLatin1String("ready"))
            return object;
        if (status == QLatin1String("invalid")) {
            for (const QJsonValue challenge : object.value(QLatin1String("challenges")).toArray()) {
                const QJsonObject error = challenge.toObject().value(QLatin1String("error")).toObject();
                if (!error.isEmpty()) {
                    problem = QStringLiteral("%1 failed: %2")
                                  .arg(what, error.value(QLatin1String("detail")).toString().left(300));
                    return std::nullopt;
                }
            }
            problem = QStringLiteral("%1 failed: %2").arg(what, problemText(reply));
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            problem = QStringLiteral("%1: no answer in time").arg(what);
            return std::nullopt;
        }
        if (!pause(reply.retryAfterSeconds)) {
            problem = QStringLiteral("stopped");
            return std::nullopt;
        }
    }
}

bool AcmeClient::authorize(const QByteArray& authorizationUrl, QString& problem)
{
    const Reply reply = post(authorizationUrl, std::nullopt);
    if (!expect(reply, QStringLiteral("authorization"), problem))
        return false;
    const QJsonObject authorization = reply.json();
    if (authorization.value(QLatin1String("status")).toString() == QLatin1String("valid"))
        return true;
    QJsonObject httpChallenge;
    for (const QJsonValue challenge : authorization.value(QLatin1String("challenges")).toArray())
        if (challenge.toObject().value(QLatin1String("type")).toString() == QLatin1String("http-01"))
            httpChallenge = challenge.toObject();
    const QByteArray token = urlOf(httpChallenge, "token");
    if (token.isEmpty()) {
        problem = QStringLiteral("authorization: the ACME server offers no HTTP-01 challenge");
        return false;
    }
    challenges_->put(token, token + '.' + acme::thumbprint(accountKey_.get()));
    progress_(QStringLiteral("validating %1 over HTTP").arg(settings_.name));
    const Reply started = post(urlOf(httpChallenge, "url"), QJsonObject());
    const bool valid =
        expect(started, QStringLiteral("challenge"), problem) &&
        pollUntil(authorizationUrl, QStringLiteral("validation of ") + settings_.name, problem);
    challenges_->remove(token);
    return valid;
}

std::optional<AcmeIssued> AcmeClient::finalizeOrder(const QJsonObject& order, const QByteArray& orderUrl,
                                                    QString& problem)
{
    acme::Key certificateKey = acme::newKey();
    const QByteArray request =
        certificateKey ? acme::certificateRequest(certificateKey.get(), settings_.name) : QByteArray();
    if (request.isEmpty()) {
        problem = QStringLiteral("no certificate request could be made for ") + settings_.name;
        return std::nullopt;
    }
    progress_(QStringLiteral("asking for the certificate"));
    const Reply finalized =
        post(urlOf(order, "finalize"),
             QJsonObject{{QStringLiteral("csr"), QString::fromLatin1(acme::base64Url(request))}});
    if (!expect(finalized, QStringLiteral("finalisation"), problem))
        return std::nullopt;
    std::optional<QJsonObject> done = finalized.json();
    if (done->value(QLatin1String("status")).toString() != QLatin1String("valid"))
        done = pollUntil(orderUrl, QStringLiteral("issuance"), problem);
    if (!done)
        return std::nullopt;
    const Reply chain = post(urlOf(*done, "certificate"), std::nullopt);
    if (!expect(chain, QStringLiteral("certificate download"), problem))
        return std::nullopt;
    return AcmeIssued{chain.body, acme::privateKeyPem(certificateKey.get())};
}

std::optional<AcmeIssued> AcmeClient::issue(QString& problem)
{
    if (!fetchDirectory(problem) || !useAccount(problem))
        return std::nullopt;
    const QString type = acme::isIpAddress(settings_.name) ? QStringLiteral("ip") : QStringLiteral("dns");
    const QJsonObject identifier{{QStringLiteral("type"), type}, {QStringLiteral("value"), settings_.name}};
    progress_(QStringLiteral("ordering a certificate for ") + settings_.name);
    const Reply ordered =
        post(newOrderUrl_, QJsonObject{{QStringLiteral("identifiers"), QJsonArray{identifier}}});
    if (!expect(ordered, QStringLiteral("order"), problem))
        return std::nullopt;
    const QJsonObject order = ordered.json();
    const QJsonArray authorizations = order.value(QLatin1String("authorizations")).toArray();
    if (authorizations.size() > 8) {
        problem = QStringLiteral("order: too many authorizations");
        return std::nullopt;
    }
    for (const QJsonValue authorization : authorizations)
        if (!authorize(authorization.toString().toUtf8(), problem))
            return std::nullopt;
    return finalizeOrder(order, ordered.location, problem);
}
