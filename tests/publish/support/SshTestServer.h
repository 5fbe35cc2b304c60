#pragma once

#include "PublishFixture.h"

#include <QTcpServer>

#include <unistd.h>

// A private OpenSSH server on a free loopback port with a throwaway host
// key, offering only SFTP to the current user through a throwaway key.
// OpenSSH running as root insists on its privilege separation folder; it
// is created when missing and removed again afterwards.
class SshTestServer {
  public:
    static bool available() { return QFile::exists("/usr/sbin/sshd") && ::geteuid() == 0; }

    explicit SshTestServer(const QString& hostKeyName = "hostkey")
    {
        if (!QDir("/run/sshd").exists())
            madePrivsepDir_ = QDir().mkpath("/run/sshd");
        for (const QString& key : {dir_.filePath(hostKeyName), userKey()})
            QProcess::execute("/usr/bin/ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", key});
        QFile::copy(userKey() + ".pub", dir_.filePath("authorized_keys"));
        QDir(dir_.path()).mkpath("site/public_html");
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        port_ = probe.serverPort();
        probe.close();
        QFile config(dir_.filePath("sshd_config"));
        if (config.open(QIODevice::WriteOnly))
            config.write(u"ListenAddress 127.0.0.1\nHostKey %1\nPidFile none\nUsePAM no\n"
                         "PermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                         "KbdInteractiveAuthentication no\nAuthorizedKeysFile %2\nStrictModes no\n"
                         "ForceCommand internal-sftp\nSubsystem sftp internal-sftp\n"_s
                             .arg(dir_.filePath(hostKeyName), dir_.filePath("authorized_keys"))
                             .toUtf8());
        config.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start("/usr/sbin/sshd", {"-D", "-e", "-f", config.fileName(), "-p", QString::number(port_)});
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
            QDir().rmdir("/run/sshd");
    }

    bool ready() const { return ready_; }
    QString host() const { return u"sftp://127.0.0.1:%1"_s.arg(port_); }
    QString userKey() const { return dir_.filePath("userkey"); }
    // The absolute folder the server writes the page into.
    QString siteDir() const { return dir_.filePath("site/public_html"); }
    QByteArray stored() const { return slurp(siteDir() + "/index.html"); }
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
    // The Default profile pointed at server, saved; the server must be ready.
    void point(SshTestServer& server)
    {
        ASSERT_TRUE(server.ready()) << server.output().constData();
        fillProfile(server.host(), server.siteDir());
        form->txtPass->clear();
        form->txtlogin->setText("root");
        mainAction("mnuSave")->trigger();
        WriteIni("Default", "SSH Key File", server.userKey());
        publisher().ProfileDirty = false;
    }

    QTemporaryDir sshHome;
    QByteArray previousHome_;
};
