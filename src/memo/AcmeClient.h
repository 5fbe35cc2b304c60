#pragma once

#include "memo/AcmeCrypto.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class AcmeChallenges;

// What one certificate order needs.
struct AcmeOrderSettings {
    QString directoryUrl;
    QString email;  // optional contact
    QString caFile; // extra trust for the ACME server's HTTPS
    QString name;   // a DNS name or an IP address
};

struct AcmeIssued {
    QByteArray chainPem;
    QByteArray keyPem;
};

// One RFC 8555 order, start to finish, with HTTP-01 validation: directory,
// nonce, account (found again by its key), order, challenges answered from
// challenges, finalisation with a new key's request, and the chain. Every
// call blocks: it runs on a worker thread, each request bounded by its own
// time-out and by the abort flag.
class AcmeClient {
  public:
    using Progress = std::function<void(const QString& text)>;

    AcmeClient(AcmeOrderSettings settings, acme::Key accountKey, std::shared_ptr<AcmeChallenges> challenges,
               std::shared_ptr<const std::atomic<bool>> abort, Progress progress);
    ~AcmeClient();
    AcmeClient(const AcmeClient&) = delete;
    AcmeClient& operator=(const AcmeClient&) = delete;

    // The issued chain and its key, or nullopt with problem set.
    std::optional<AcmeIssued> issue(QString& problem);

    struct Reply {
        long status = 0;
        QByteArray body;
        QByteArray location;
        QByteArray nonce;
        int retryAfterSeconds = -1;
        QString failure; // the transfer itself failed
        QJsonObject json() const;
    };

  private:
    Reply fetch(const QByteArray& url, const QByteArray* postBody, bool headOnly);
    Reply post(const QByteArray& url, const std::optional<QJsonObject>& payload);
    QByteArray signedBody(const QByteArray& url, const std::optional<QJsonObject>& payload);
    bool fetchDirectory(QString& problem);
    bool useAccount(QString& problem);
    bool authorize(const QByteArray& authorizationUrl, QString& problem);
    std::optional<QJsonObject> pollUntil(const QByteArray& url, const QString& what, QString& problem);
    std::optional<AcmeIssued> finalizeOrder(const QJsonObject& order, const QByteArray& orderUrl,
                                            QString& problem);
    bool pause(int seconds) const;
    bool expect(const Reply& reply, const QString& step, QString& problem) const;

    AcmeOrderSettings settings_;
    acme::Key accountKey_;
    std::shared_ptr<AcmeChallenges> challenges_;
    std::shared_ptr<const std::atomic<bool>> abort_;
    Progress progress_;
    CURL* curl_ = nullptr;
    QByteArray nonce_;
    QByteArray kid_;
    QByteArray newNonceUrl_;
    QByteArray newAccountUrl_;
    QByteArray newOrderUrl_;
};
