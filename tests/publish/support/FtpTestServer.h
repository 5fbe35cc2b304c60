#pragma once

#include "platform/FtpClient.h"
#include "support/ServerProcess.h"

#include <QtCore>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// size bytes covering every byte value in no simple period.
inline QByteArray binaryBytes(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 0xff);
    return b;
}

// A real FTP server (Debian's pyftpdlib) on a free loopback port, started for
// one test and stopped with it. Its root is a fresh temporary folder.
class FtpTestServer {
  public:
    explicit FtpTestServer(const QStringList& options = {})
    {
        QDir(root_.path()).mkdir("public_html");
        process_.start("/usr/bin/python3",
                       QStringList{HALVORN_TEST_SERVERS "/ftp_server.py", "--root", root_.path()} + options);
        QElapsedTimer wait;
        for (wait.start();
             port_ == 0 && wait.elapsed() < 15000 && process_.state() != QProcess::NotRunning;) {
            process_.waitForReadyRead(200);
            readLines();
        }
    }
    ~FtpTestServer() { stopProcess(process_); }

    int port() const { return port_; }
    QString address() const { return u"127.0.0.1:%1"_s.arg(port_); }
    QByteArray page(const char* f = "index.html") const { return slurp(root_.path() + "/public_html/" + f); }
    // Completed uploads seen by the server so far.
    QStringList received()
    {
        process_.waitForReadyRead(50);
        readLines();
        return received_;
    }
    std::string errors() { return process_.readAllStandardError().toStdString(); }

    // Options for required TLS with a self-signed certificate for 127.0.0.1, made in dir.
    static QStringList tlsOptions(const QTemporaryDir& dir)
    {
        MakeTestCertificate(dir.path());
        return {"--tls", dir.filePath("cert.pem"), dir.filePath("key.pem"), "--tls-required"};
    }

  private:
    void readLines()
    {
        buffer_ += process_.readAllStandardOutput();
        for (qsizetype nl; (nl = buffer_.indexOf('\n')) >= 0; buffer_.remove(0, nl + 1)) {
            const QString line = QString::fromUtf8(buffer_.left(nl)).trimmed();
            if (line.startsWith("PORT "))
                port_ = line.mid(5).toInt();
            else if (line.startsWith("RECEIVED "))
                received_ << line.mid(9);
        }
    }

    QTemporaryDir root_;
    QProcess process_;
    QByteArray buffer_;
    QStringList received_;
    int port_ = 0;
};

// All an FTP client reports: trail lines as "S USER tester", "R 230 ...",
// "I Connected.", the error numbers and texts, progress and transfer events.
struct FtpTrail {
    QStringList lines, errorTexts;
    QList<int> errors;
    std::vector<qint64> progress;
    int starts = 0, ends = 0, confirmed = 0;
    QObject context; // ends the connections with the trail

    explicit FtpTrail(platform::FtpClient& client)
    {
        using C = platform::FtpClient;
        QObject::connect(&client, &C::PITrail, &context, [this](int t, const QString& s) {
            lines << QString(QChar(t >= 0 && t < 3 ? u"SRI"[t] : u'?')) + u' ' + s;
        });
        QObject::connect(&client, &C::Error,
                         [this](int n, const QString& s) { errors << n, errorTexts << s; });
        QObject::connect(&client, &C::Transfer, &context, [this](qint64 b) { progress.push_back(b); });
        QObject::connect(&client, &C::StartTransfer, &context, [this] { ++starts; });
        QObject::connect(&client, &C::EndTransfer, &context, [this] { ++ends; });
        QObject::connect(&client, &C::TransferConfirmed, &context, [this] { ++confirmed; });
    }
    // The index of the first whole trail line starting with prefix, or -1.
    int at(const char* prefix) const
    {
        return int(lines.indexOf(QRegularExpression(QRegularExpression::escape(prefix) + ".*")));
    }
    std::string trail() const { return lines.join('|').toStdString(); }
};

struct FtpClientHolder {
    platform::FtpClient client;
};

// A client for the tester account uploading page to public_html/index.html.
struct FtpSession : FtpClientHolder, FtpTrail {
    QTemporaryDir dir;

    explicit FtpSession(const QString& host, const QByteArray& page = "x") : FtpTrail(client)
    {
        client.host = host;
        client.user = "tester";
        client.password = "secret";
        client.remoteDir = "public_html";
        client.remoteFile = "index.html";
        client.localFile = dir.filePath("page");
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
};
