#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <unistd.h>

// A private OpenSSH server on a free loopback port with a throwaway host
// key, offering only SFTP to the current user through a throwaway key.
// OpenSSH running as root insists on its privilege separation folder; it
// is created when missing and removed again afterwards.
class SshTestServer {
  public:
    static bool available() { return QFile::exists(QStringLiteral("/usr/sbin/sshd")) && ::geteuid() == 0; }

    explicit SshTestServer(const QString& hostKeyName = QStringLiteral("hostkey"))
    {
        if (!QDir(QStringLiteral("/run/sshd")).exists())
            madePrivsepDir_ = QDir().mkpath(QStringLiteral("/run/sshd"));
        keygen(dir_.filePath(hostKeyName));
        keygen(userKey());
        QFile::copy(userKey() + QStringLiteral(".pub"), dir_.filePath(QStringLiteral("authorized_keys")));
        QDir(dir_.path()).mkpath(QStringLiteral("site/public_html"));
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        port_ = probe.serverPort();
        probe.close();
        QFile config(dir_.filePath(QStringLiteral("sshd_config")));
        if (config.open(QIODevice::WriteOnly)) {
            config.write(
                QStringLiteral("ListenAddress 127.0.0.1\nHostKey %1\nPidFile none\nUsePAM no\n"
                               "PermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                               "KbdInteractiveAuthentication no\nAuthorizedKeysFile %2\nStrictModes no\n"
                               "ForceCommand internal-sftp\nSubsystem sftp internal-sftp\n")
                    .arg(dir_.filePath(hostKeyName), dir_.filePath(QStringLiteral("authorized_keys")))
                    .toUtf8());
        }
        config.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QStringLiteral("/usr/sbin/sshd"),
                       {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), config.fileName(),
                        QStringLiteral("-p"), QString::number(port_)});
        QElapsedTimer wait;
        wait.start();
        while (!ready_ && wait.elapsed() < 10000 && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(200);
            output_ += process_.readAll();
            ready_ = output_.contains("Server listening");
        }
    }
    ~SshTestServer()
    {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
        if (madePrivsepDir_)
            QDir().rmdir(QStringLiteral("/run/sshd"));
    }

    bool ready() const { return ready_; }
    int port() const { return port_; }
    QString host() const { return QStringLiteral("sftp://127.0.0.1:%1").arg(port_); }
    QString userKey() const { return dir_.filePath(QStringLiteral("userkey")); }
    // An absolute folder the server writes into.
    QString siteDir() const { return dir_.filePath(QStringLiteral("site")); }
    QByteArray output() { return output_ + process_.readAll(); }

  private:
    static void keygen(const QString& path)
    {
        QProcess::execute(QStringLiteral("/usr/bin/ssh-keygen"),
                          {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                           QStringLiteral("-N"), QString(), QStringLiteral("-f"), path});
    }

    QTemporaryDir dir_;
    QProcess process_;
    QByteArray output_;
    int port_ = 0;
    bool ready_ = false;
    bool madePrivsepDir_ = false;
};
