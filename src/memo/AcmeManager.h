#pragma once

#include "memo/AcmeClient.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

class MemoHttps;
class QTimer;

// HTTPS "auto": keeps a certificate for the certificate name in force and
// fresh. At start the stored one serves when it still covers the name; an
// order runs when there is none or a third of its lifetime is left, on a
// worker thread, while the old certificate keeps serving. A failed order is
// tried again after a wait that doubles each time.
//
// Files in the program directory, mode 0600: memo-acme-account.pem (the
// account key), memo-acme-key.pem and memo-acme-cert.pem.
class AcmeManager : public QObject {
  public:
    AcmeManager(MemoHttps& https, QObject* parent);
    ~AcmeManager() override;

    void start();
    bool ordering() const { return ordering_; }
    // Wall-clock milliseconds at which the next order is due; 0 while one runs.
    qint64 dueAtMs() const { return dueAtMs_; }

  private:
    bool installStored();
    void planAt(qint64 dueAtMs);
    void planRenewal(const acme::CertificateFacts& facts);
    void retryLater(const QString& problem);
    void check();
    void order();
    void finished(std::optional<AcmeIssued> issued, const QString& problem);
    acme::Key accountKey(QString& problem);
    void openValidationPort();
    void closeValidationPort();

    MemoHttps& https_;
    QTimer* timer_ = nullptr;
    qint64 dueAtMs_ = 0;
    int failures_ = 0;
    bool ordering_ = false;
    bool portMapped_ = false;
    QString name_;
    std::shared_ptr<std::atomic<bool>> abort_ = std::make_shared<std::atomic<bool>>(false);
    std::thread worker_;
};
