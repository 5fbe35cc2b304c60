#pragma once

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

// A real FTP server (Debian's pyftpdlib) on a free loopback port, started for
// one test and stopped with it. Its root is a fresh temporary folder.
class FtpTestServer {
  public:
    explicit FtpTestServer(const QStringList& options = {})
    {
        QDir(root_.path()).mkdir(QStringLiteral("public_html"));
        QStringList args{QStringLiteral(HALVORN_TEST_SERVERS "/ftp_server.py"), QStringLiteral("--root"),
                         root_.path()};
        args << options;
        process_.setProgram(QStringLiteral("/usr/bin/python3"));
        process_.setArguments(args);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        QElapsedTimer wait;
        wait.start();
        while (port_ == 0 && wait.elapsed() < 15000 && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(200);
            readLines();
        }
    }
    ~FtpTestServer()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(3000)) {
                process_.kill();
                process_.waitForFinished(3000);
            }
        }
    }
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    int port() const { return port_; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QString root() const { return root_.path(); }
    QString path(const QString& relative) const { return root_.filePath(relative); }
    QByteArray read(const QString& relative) const
    {
        QFile f(path(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool exists(const QString& relative) const { return QFile::exists(path(relative)); }
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
        const QString cert = dir.filePath(QStringLiteral("cert.pem"));
        const QString key = dir.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.setStandardOutputFile(QProcess::nullDevice());
        openssl.setStandardErrorFile(QProcess::nullDevice());
        openssl.start(QStringLiteral("/usr/bin/openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), key,
                       QStringLiteral("-out"), cert, QStringLiteral("-days"), QStringLiteral("2"),
                       QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
        openssl.waitForFinished(60000);
        QStringList options{QStringLiteral("--tls"), cert, key};
        if (required)
            options << QStringLiteral("--tls-required");
        return options;
    }

  private:
    void readLines()
    {
        buffer_ += process_.readAllStandardOutput();
        qsizetype nl;
        while ((nl = buffer_.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(buffer_.left(nl)).trimmed();
            buffer_.remove(0, nl + 1);
            if (line.startsWith(QLatin1String("PORT ")))
                port_ = line.mid(5).toInt();
            else if (line.startsWith(QLatin1String("RECEIVED ")))
                received_ << line.mid(9);
        }
    }

    QTemporaryDir root_;
    QProcess process_;
    QByteArray buffer_;
    QStringList received_;
    int port_ = 0;
};
