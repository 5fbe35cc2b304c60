#pragma once

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

// A real FTP server (Debian's pyftpdlib) on a free loopback port, started for
// one test and stopped with it. Its root is a fresh temporary folder.
class FtpTestServer {
  public:
    explicit FtpTestServer(const QStringList& options = {})
    {
        QDir(root_.path()).mkdir(u"public_html"_s);
        process_.start(u"/usr/bin/python3"_s,
                       QStringList{QStringLiteral(HALVORN_TEST_SERVERS "/ftp_server.py"), u"--root"_s,
                                   root_.path()} + options);
        QElapsedTimer wait;
        wait.start();
        while (port_ == 0 && wait.elapsed() < 15000 && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(200);
            readLines();
        }
    }
    ~FtpTestServer()
    {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill(), process_.waitForFinished(3000);
    }
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    int port() const { return port_; }
    QString address() const { return u"127.0.0.1:%1"_s.arg(port_); }
    QByteArray read(const QString& relative) const
    {
        QFile f(root_.filePath(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Completed uploads seen by the server so far.
    QStringList received()
    {
        process_.waitForReadyRead(50);
        readLines();
        return received_;
    }
    QString errors() { return QString::fromUtf8(process_.readAllStandardError()); }

    // A self-signed certificate for 127.0.0.1, written into the server's temp area.
    static QStringList tlsOptions(const QTemporaryDir& dir, bool required)
    {
        const QString cert = dir.filePath(u"cert.pem"_s), key = dir.filePath(u"key.pem"_s);
        QProcess openssl;
        openssl.start(u"/usr/bin/openssl"_s, u"req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"_s
                                                     .split(u' ') + QStringList{u"-keyout"_s, key, u"-out"_s, cert});
        openssl.waitForFinished(60000);
        return QStringList{u"--tls"_s, cert, key} + (required ? QStringList{u"--tls-required"_s} : QStringList{});
    }

  private:
    void readLines()
    {
        buffer_ += process_.readAllStandardOutput();
        for (qsizetype nl; (nl = buffer_.indexOf('\n')) >= 0; buffer_.remove(0, nl + 1)) {
            const QString line = QString::fromUtf8(buffer_.left(nl)).trimmed();
            if (line.startsWith("PORT "_L1))
                port_ = line.mid(5).toInt();
            else if (line.startsWith("RECEIVED "_L1))
                received_ << line.mid(9);
        }
    }

    QTemporaryDir root_;
    QProcess process_;
    QByteArray buffer_;
    QStringList received_;
    int port_ = 0;
};
