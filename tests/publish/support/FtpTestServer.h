#pragma once

#include "platform/FtpClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// The bytes of a file, empty when it cannot be read.
inline QByteArray slurp(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// size bytes covering every byte value in no simple period.
inline QByteArray binaryBytes(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 0xff);
    return b;
}

inline void stopProcess(QProcess& process)
{
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill(), process.waitForFinished(3000);
}

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
    ~FtpTestServer() { stopProcess(process_); }
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    int port() const { return port_; }
    QString address() const { return u"127.0.0.1:%1"_s.arg(port_); }
    QByteArray read(const QString& relative) const { return slurp(root_.filePath(relative)); }
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

// A client for the tester account uploading page to public_html/index.html,
// with all it reports: trail lines as "S USER tester", "R 230 ...",
// "I Connected.", the error numbers and texts, progress and transfer events.
struct FtpSession {
    platform::FtpClient client;
    QStringList lines, errorTexts;
    QList<int> errors;
    std::vector<qint64> progress;
    int starts = 0, ends = 0, confirmed = 0;
    QTemporaryDir dir;

    explicit FtpSession(const QString& host, const QByteArray& page = "x")
    {
        using C = platform::FtpClient;
        QObject::connect(&client, &C::PITrail, [this](int t, const QString& s) {
            lines << QString(QChar(t >= 0 && t < 3 ? u"SRI"[t] : u'?')) + u' ' + s;
        });
        QObject::connect(&client, &C::Error,
                         [this](int n, const QString& s) { errors << n, errorTexts << s; });
        QObject::connect(&client, &C::Transfer, [this](qint64 b) { progress.push_back(b); });
        QObject::connect(&client, &C::StartTransfer, [this] { ++starts; });
        QObject::connect(&client, &C::EndTransfer, [this] { ++ends; });
        QObject::connect(&client, &C::TransferConfirmed, [this] { ++confirmed; });
        client.host = host;
        client.user = u"tester"_s;
        client.password = u"secret"_s;
        client.remoteDir = u"public_html"_s;
        client.remoteFile = u"index.html"_s;
        client.localFile = dir.filePath(u"page"_s);
        QFile f(client.localFile);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(page) == page.size());
    }
    // The whole upload; the step that failed: 0 login, 1 folder, 2 store, 3 none.
    int run()
    {
        const int step = !client.connectAndLogin()   ? 0
                         : !client.changeDirectory() ? 1
                         : !client.store()           ? 2
                                                     : 3;
        client.quit();
        EXPECT_FALSE(client.busy());
        return step;
    }
    // The index of the first whole trail line starting with prefix, or -1.
    int at(const QString& prefix) const
    {
        return int(lines.indexOf(QRegularExpression(QRegularExpression::escape(prefix) + u".*"_s)));
    }
    std::string trail() const { return lines.join(u'|').toStdString(); }
};
