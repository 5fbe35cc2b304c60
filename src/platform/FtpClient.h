#pragma once

#include "platform/CurlWorker.h"
#include "platform/FtpTarget.h"
#include "platform/StartTls.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace platform {

// The FTP client component: blocking commands that keep window events
// flowing, a busy state and the protocol trail, progress and error events.
// Each command runs one libcurl transfer on a worker thread while the
// caller waits in a local event loop; events come back queued to the
// client's own thread, in the order they happened.
class FtpClient : public QObject {
    Q_OBJECT

  public:
    enum TrailType { Sent = 0, Received = 1, Information = 2 };
    enum Mode { Text = 1, Binary = 2 };
    using Tls = StartTls;

    struct Timeouts {
        int connectSeconds = 30;
        int responseSeconds = 30;
        int lowSpeedSeconds = 30; // under one byte a second for this long ends the transfer
    };

    explicit FtpClient(QObject* parent = nullptr);
    ~FtpClient() override;

    // Settings, read when a command starts.
    QString host; // see ParseFtpHost
    QString user;
    QString password;
    QString remoteDir;
    QString remoteFile;
    QString localFile;
    int mode = Binary;
    Tls tls = Tls::Off;
    bool verifyPeer = true;
    QString knownHostsFile;       // SFTP; empty: ~/.ssh/known_hosts
    QString sshKeyFile;           // SFTP private key; the password is then its passphrase
    QString pinnedHostKey;        // SFTP "SHA256:..." accepted earlier for this profile
    bool askAboutHostKeys = true; // false: an unknown key fails (no one to ask)
    Timeouts timeouts;
    // Asked on this thread when an SFTP server's key is not known:
    // the fingerprint "SHA256:..."; true accepts it for this session.
    std::function<bool(const QString& fingerprint)> confirmHostKey;

    // Commands; each returns when done, true on success.
    bool connectAndLogin();
    bool changeDirectory();
    bool store();
    // Ends the session (QUIT) and closes the connection; nothing to do when closed.
    void quit();
    // Make a running command return promptly.
    void cancel();
    void abort();

    // A command is running or a session is open.
    bool busy() const;
    bool connected() const { return connected_; }
    // The host key that the user accepted during this session, for pinning.
    QString acceptedHostKey() const { return acceptedHostKey_; }

  signals:
    void PITrail(int type, const QString& text);
    void StartTransfer();
    void Transfer(qint64 bytesSent);
    void EndTransfer();
    void Error(int number, const QString& description);
    // The store was confirmed: the 226 reply for FTP, a completed write for
    // SFTP and local folders (which have no reply codes).
    void TransferConfirmed();

  private:
    struct Session;
    struct Job;
    bool run(Job& job);
    // Logs in (again, when needed) and changes into a folder, transferring nothing.
    bool visit(const QString& folderUrl);
    void post(std::function<void()> event);
    void closeSession();
    bool failWith(int number, const QString& description);
    bool localConnect();
    bool localStore();

    CurlWorker worker_;
    std::unique_ptr<Session> session_;
    FtpTarget target_;
    bool connected_ = false;
    QString acceptedHostKey_;

    friend struct FtpCallbacks;
};

} // namespace platform
