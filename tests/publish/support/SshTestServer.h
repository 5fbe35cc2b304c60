#pragma once

#include "FtpTestServer.h"
#include "PublishFixture.h"

#include <QTcpServer>

#include <unistd.h>

using namespace Qt::StringLiterals;

// A private OpenSSH server on a free loopback port with a throwaway host
// key, offering only SFTP to the current user through a throwaway key.
// OpenSSH running as root insists on its privilege separation folder; it
// is created when missing and removed again afterwards.
class SshTestServer {
  public:
    static bool available() { return QFile::exists(u"/usr/sbin/sshd"_s) && ::geteuid() == 0; }

    explicit SshTestServer(const QString& hostKeyName = u"hostkey"_s)
    {
        if (!QDir(u"/run/sshd"_s).exists())
            madePrivsepDir_ = QDir().mkpath(u"/run/sshd"_s);
        for (const QString& key : {dir_.filePath(hostKeyName), userKey()})
            QProcess::execute(u"/usr/bin/ssh-keygen"_s, {u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, key});
        QFile::copy(userKey() + u".pub"_s, dir_.filePath(u"authorized_keys"_s));
        QDir(dir_.path()).mkpath(u"site/public_html"_s);
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        port_ = probe.serverPort();
        probe.close();
        QFile config(dir_.filePath(u"sshd_config"_s));
        if (config.open(QIODevice::WriteOnly))
            config.write(u"ListenAddress 127.0.0.1\nHostKey %1\nPidFile none\nUsePAM no\n"
                         "PermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                         "KbdInteractiveAuthentication no\nAuthorizedKeysFile %2\nStrictModes no\n"
                         "ForceCommand internal-sftp\nSubsystem sftp internal-sftp\n"_s
                             .arg(dir_.filePath(hostKeyName), dir_.filePath(u"authorized_keys"_s))
                             .toUtf8());
        config.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(u"/usr/sbin/sshd"_s,
                       {u"-D"_s, u"-e"_s, u"-f"_s, config.fileName(), u"-p"_s, QString::number(port_)});
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
        stopProcess(process_);
        if (madePrivsepDir_)
            QDir().rmdir(u"/run/sshd"_s);
    }

    bool ready() const { return ready_; }
    QString host() const { return u"sftp://127.0.0.1:%1"_s.arg(port_); }
    QString userKey() const { return dir_.filePath(u"userkey"_s); }
    // The absolute folder the server writes the page into.
    QString siteDir() const { return dir_.filePath(u"site/public_html"_s); }
    QByteArray stored() const { return slurp(siteDir() + u"/index.html"_s); }
    QByteArray output() { return output_ + process_.readAll(); }

  private:
    QTemporaryDir dir_;
    QProcess process_;
    QByteArray output_;
    int port_ = 0;
    bool ready_ = false;
    bool madePrivsepDir_ = false;
};

// Publishing with the Default profile pointed at a server as root with the
// throwaway key; known_hosts is read from $HOME/.ssh: a fresh, empty one.
class SftpFixture : public PublishFixture {
  protected:
    void SetUp() override
    {
        if (!SshTestServer::available())
            GTEST_SKIP() << "needs /usr/sbin/sshd (openssh-server) and root";
        PublishFixture::SetUp();
        previousHome_ = qgetenv("HOME");
        qputenv("HOME", sshHome.path().toUtf8());
    }
    void TearDown() override
    {
        if (!previousHome_.isNull())
            qputenv("HOME", previousHome_);
        PublishFixture::TearDown();
    }
    void point(SshTestServer& server)
    {
        fillProfile(server.host(), server.siteDir());
        form->txtPass->clear();
        form->txtlogin->setText(u"root"_s);
        mainAction("mnuSave")->trigger();
        WriteIni(u"Default"_s, u"SSH Key File"_s, server.userKey());
        publisher().ProfileDirty = false;
    }

    QTemporaryDir sshHome;
    QByteArray previousHome_;
};
