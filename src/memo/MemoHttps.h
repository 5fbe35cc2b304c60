#pragma once

#include "memo/MemoHttpsSettings.h"

#include <QByteArray>
#include <QObject>

#include <memory>
#include <optional>

class AcmeChallenges;
class AcmeManager;
class MemoTlsContext;
class MemoTransport;
class QTimer;

// What a file looked like when last read: a change of any part is a new file
// (a renewal tool may rename a new file over the old or rewrite it in place).
struct FileStamp {
    qint64 modifiedNs = -1;
    qint64 size = -1;
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;
    static FileStamp of(const QString& path);
};

// The memo port's HTTPS for one run of the server: puts the certificate in
// force in the transport and replaces it, without dropping anyone, when the
// user's files change (files) or a new one is issued (auto). It also holds
// the answers to the ACME server's HTTP-01 challenges, which go out before
// any memo rule.
class MemoHttps : public QObject {
  public:
    MemoHttps(MemoTransport& transport, QObject* parent);
    ~MemoHttps() override;

    void apply(const HttpsSettings& settings);
    const HttpsSettings& settings() const { return settings_; }
    bool serving() const { return serving_; }
    quint16 port() const;

    // Installs a certificate chain and key (PEM); false, logged, when they do
    // not make a pair, and the one in force keeps serving.
    bool install(const QByteArray& chain, const QByteArray& key, const QString& source);

    // Where an ACME order puts the challenge answers it waits to have fetched.
    std::shared_ptr<AcmeChallenges> challenges() const { return challenges_; }
    // The whole answer when request asks for a challenge token held here.
    std::optional<QByteArray> challengeAnswer(const QByteArray& request) const;

    AcmeManager* acme() const { return acme_; }

  private:
    void checkFiles();

    MemoTransport& transport_;
    HttpsSettings settings_;
    QString name_;
    QTimer* fileCheck_ = nullptr;
    FileStamp certificateStamp_;
    FileStamp keyStamp_;
    // The files' look when loading them last failed, so that is told once.
    std::pair<FileStamp, FileStamp> failedStamps_;
    bool serving_ = false;
    std::shared_ptr<AcmeChallenges> challenges_;
    AcmeManager* acme_ = nullptr;
};

// The bytes of a small local file, at most limit; nullopt when it cannot be
// read or is larger.
std::optional<QByteArray> ReadSmallFile(const QString& path, qsizetype limit);
