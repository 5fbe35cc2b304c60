#include "platform/FtpClient.h"
#include "support/FtpTestServer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using platform::FtpClient;

namespace {

struct Trail {
    std::vector<std::pair<int, QString>> lines;
    std::vector<std::pair<int, QString>> errors;
    std::vector<qint64> progress;
    int starts = 0;
    int ends = 0;
    int confirmed = 0;

    explicit Trail(FtpClient& c)
    {
        QObject::connect(&c, &FtpClient::PITrail,
                         [this](int t, const QString& s) { lines.emplace_back(t, s); });
        QObject::connect(&c, &FtpClient::Error,
                         [this](int n, const QString& s) { errors.emplace_back(n, s); });
        QObject::connect(&c, &FtpClient::Transfer, [this](qint64 b) { progress.push_back(b); });
        QObject::connect(&c, &FtpClient::StartTransfer, [this] { ++starts; });
        QObject::connect(&c, &FtpClient::EndTransfer, [this] { ++ends; });
        QObject::connect(&c, &FtpClient::TransferConfirmed, [this] { ++confirmed; });
    }
    bool has(int type, const QString& text) const
    {
        for (const auto& [t, s] : lines)
            if (t == type && s == text)
                return true;
        return false;
    }
    int indexOf(int type, const QString& prefix) const
    {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].first == type && lines[i].second.startsWith(prefix))
                return int(i);
        return -1;
    }
};

QString writeTemp(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
}

void configure(FtpClient& c, const QString& host, const QString& file)
{
    c.host = host;
    c.user = QStringLiteral("tester");
    c.password = QStringLiteral("secret");
    c.remoteDir = QStringLiteral("public_html");
    c.remoteFile = QStringLiteral("index.html");
    c.localFile = file;
}

QByteArray binaryBytes(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 0xff);
    return b;
}

} // namespace

TEST(FtpTarget, HostTextsAndTheirMeaning)
{
    using platform::FtpTarget;
    using platform::ParseFtpHost;
    auto t = ParseFtpHost(QStringLiteral("ftp.example.net"));
    EXPECT_TRUE(t.valid());
    EXPECT_EQ(t.urlBase(), QStringLiteral("ftp://ftp.example.net:21"));
    EXPECT_EQ(ParseFtpHost(QStringLiteral("127.0.0.1:2121")).urlBase(),
              QStringLiteral("ftp://127.0.0.1:2121"));
    EXPECT_EQ(ParseFtpHost(QStringLiteral("ftps://h")).urlBase(), QStringLiteral("ftps://h:990"));
    EXPECT_EQ(ParseFtpHost(QStringLiteral("FTP://h:99/")).urlBase(), QStringLiteral("ftp://h:99"));
    EXPECT_EQ(ParseFtpHost(QStringLiteral("sftp://[::1]:2222")).urlBase(),
              QStringLiteral("sftp://[::1]:2222"));
    EXPECT_EQ(ParseFtpHost(QStringLiteral("sftp://h")).port, 22);
    t = ParseFtpHost(QStringLiteral("file:///srv/www%20site"));
    EXPECT_TRUE(t.isLocal());
    EXPECT_EQ(t.folder, QStringLiteral("/srv/www site"));
    for (const char* bad : {"", "h:0", "h:70000", "h:x", "gopher://h", "ftp://u@h", "ftp://h/dir",
                            "file://rel", "a b", "h\r\nUSER x", "[::1", "bad!name"})
        EXPECT_FALSE(ParseFtpHost(QString::fromLatin1(bad)).valid()) << bad;
}

TEST(FtpClientSession, StoresBytesExactlyAndReportsTheDialogue)
{
    FtpTestServer server;
    ASSERT_GT(server.port(), 0) << server.errors().toStdString();
    QTemporaryDir dir;
    const QByteArray page = binaryBytes(300000) + QByteArray("\r\nline\r\n\n\r", 10);
    FtpClient client;
    Trail trail(client);
    configure(client, server.address(), writeTemp(dir, QStringLiteral("page"), page));
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(1);

    ASSERT_TRUE(client.connectAndLogin());
    EXPECT_TRUE(client.busy());
    ASSERT_TRUE(client.changeDirectory());
    ASSERT_TRUE(client.store());
    client.quit();
    EXPECT_FALSE(client.busy());
    EXPECT_GT(ticks, 0); // timers ran while the commands waited

    EXPECT_EQ(server.read(QStringLiteral("public_html/index.html")), page);
    EXPECT_TRUE(trail.errors.empty());
    const int connected = trail.indexOf(FtpClient::Information, QStringLiteral("Connected."));
    const int greeting = trail.indexOf(FtpClient::Received, QStringLiteral("220 "));
    const int disconnected = trail.indexOf(FtpClient::Information, QStringLiteral("Disconnected."));
    ASSERT_GE(connected, 0);
    EXPECT_LT(connected, greeting);
    EXPECT_GT(disconnected, trail.indexOf(FtpClient::Received, QStringLiteral("226")));
    EXPECT_TRUE(trail.has(FtpClient::Sent, QStringLiteral("USER tester")));
    EXPECT_TRUE(trail.has(FtpClient::Sent, QStringLiteral("CWD public_html")));
    EXPECT_TRUE(trail.has(FtpClient::Sent, QStringLiteral("STOR index.html")));
    EXPECT_TRUE(trail.has(FtpClient::Sent, QStringLiteral("QUIT")));
    EXPECT_TRUE(trail.has(FtpClient::Received, QStringLiteral("230-Second greeting line.")));
    EXPECT_TRUE(trail.has(FtpClient::Received, QStringLiteral("230 Login successful.")));
    for (const auto& [type, text] : trail.lines)
        EXPECT_FALSE(text.contains(u'\r') || text.contains(u'\n')) << text.toStdString();
    EXPECT_EQ(trail.starts, 1);
    EXPECT_EQ(trail.ends, 1);
    EXPECT_EQ(trail.confirmed, 1);
    ASSERT_FALSE(trail.progress.empty());
    EXPECT_EQ(trail.progress.back(), page.size());
    EXPECT_TRUE(std::is_sorted(trail.progress.begin(), trail.progress.end()));
}

TEST(FtpClientSession, RefusalsBecomeErrorEvents)
{
    FtpTestServer server;
    ASSERT_GT(server.port(), 0);
    QTemporaryDir dir;
    const QString file = writeTemp(dir, QStringLiteral("p"), "x");
    {
        FtpClient client;
        Trail trail(client);
        configure(client, server.address(), file);
        client.password = QStringLiteral("wrong");
        EXPECT_FALSE(client.connectAndLogin());
        ASSERT_EQ(trail.errors.size(), 1u);
        EXPECT_EQ(trail.errors[0].first, 67); // login denied
        EXPECT_GE(trail.indexOf(FtpClient::Received, QStringLiteral("530")), 0);
        client.quit();
        EXPECT_FALSE(client.busy());
    }
    {
        FtpClient client;
        Trail trail(client);
        configure(client, server.address(), file);
        client.remoteDir = QStringLiteral("no/such/dir");
        ASSERT_TRUE(client.connectAndLogin());
        EXPECT_FALSE(client.changeDirectory());
        ASSERT_EQ(trail.errors.size(), 1u);
        EXPECT_EQ(trail.errors[0].first, 9); // remote access denied
        client.quit();
    }
    {
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        FtpClient client;
        Trail trail(client);
        configure(client, QStringLiteral("127.0.0.1:%1").arg(port), file);
        EXPECT_FALSE(client.connectAndLogin());
        ASSERT_EQ(trail.errors.size(), 1u);
        EXPECT_EQ(trail.errors[0].first, 7); // could not connect
        EXPECT_FALSE(trail.has(FtpClient::Information, QStringLiteral("Connected.")));
    }
    {
        FtpClient client;
        Trail trail(client);
        configure(client, QStringLiteral("no such host"), file);
        EXPECT_FALSE(client.connectAndLogin());
        ASSERT_EQ(trail.errors.size(), 1u);
        EXPECT_TRUE(trail.errors[0].second.startsWith(QStringLiteral("Bad server name")));
    }
}

TEST(FtpClientSession, FullDiskAndMissingConfirmation)
{
    QTemporaryDir dir;
    const QString file = writeTemp(dir, QStringLiteral("p"), "page");
    {
        FtpTestServer server({QStringLiteral("--full")});
        FtpClient client;
        Trail trail(client);
        configure(client, server.address(), file);
        ASSERT_TRUE(client.connectAndLogin());
        EXPECT_FALSE(client.store());
        ASSERT_EQ(trail.errors.size(), 1u);
        EXPECT_GE(trail.indexOf(FtpClient::Received, QStringLiteral("552")), 0);
        EXPECT_EQ(trail.confirmed, 0);
        client.quit();
    }
    {
        FtpTestServer server({QStringLiteral("--no226")});
        FtpClient client;
        Trail trail(client);
        configure(client, server.address(), file);
        ASSERT_TRUE(client.connectAndLogin());
        ASSERT_TRUE(client.changeDirectory());
        EXPECT_TRUE(client.store());   // 250 is accepted by the transfer ...
        EXPECT_EQ(trail.confirmed, 0); // ... but it is not the confirmation
        client.quit();
    }
}

TEST(FtpClientSession, AbortEndsABlockedConnectAndASlowTransferPromptly)
{
    QTemporaryDir dir;
    {
        // A server that accepts the connection and never greets.
        QTcpServer mute;
        ASSERT_TRUE(mute.listen(QHostAddress::LocalHost));
        FtpClient client;
        Trail trail(client);
        configure(client, QStringLiteral("127.0.0.1:%1").arg(mute.serverPort()),
                  writeTemp(dir, QStringLiteral("p"), "x"));
        QTimer::singleShot(300, &client, [&] { client.cancel(); });
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(client.connectAndLogin());
        EXPECT_LT(clock.elapsed(), 5000);  // the response time-out is 30 s
        EXPECT_TRUE(trail.errors.empty()); // an abort is not a server error
        client.quit();
        EXPECT_FALSE(client.busy());
    }
    {
        FtpTestServer server({QStringLiteral("--throttle"), QStringLiteral("16384")});
        FtpClient client;
        Trail trail(client);
        configure(client, server.address(),
                  writeTemp(dir, QStringLiteral("big"), binaryBytes(2 * 1024 * 1024)));
        ASSERT_TRUE(client.connectAndLogin());
        QTimer::singleShot(800, &client, [&] { client.abort(); });
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(client.store());
        EXPECT_LT(clock.elapsed(), 5000); // the whole file would need two minutes
        EXPECT_EQ(trail.starts, 1);
        EXPECT_EQ(trail.ends, 0);
        client.quit();
        EXPECT_FALSE(client.busy());
    }
}

TEST(FtpClientSession, AServerThatStopsAnsweringCostsATimeOutNotAHang)
{
    FtpTestServer server({QStringLiteral("--stall")});
    QTemporaryDir dir;
    FtpClient client;
    Trail trail(client);
    configure(client, server.address(), writeTemp(dir, QStringLiteral("big"), binaryBytes(8 * 1024 * 1024)));
    client.timeouts.lowSpeedSeconds = 2;
    client.timeouts.responseSeconds = 3;
    ASSERT_TRUE(client.connectAndLogin());
    EXPECT_FALSE(client.store());
    ASSERT_EQ(trail.errors.size(), 1u);
    EXPECT_EQ(trail.errors[0].first, 28); // operation timed out
    client.quit();
}

TEST(FtpClientSession, ExplicitTlsWithAndWithoutCertificateChecks)
{
    QTemporaryDir certs;
    FtpTestServer server(FtpTestServer::tlsOptions(certs, true));
    ASSERT_GT(server.port(), 0) << server.errors().toStdString();
    QTemporaryDir dir;
    const QByteArray page("<p>over TLS</p>\r\n");
    {
        FtpClient client;
        Trail trail(client);
        configure(client, server.address(), writeTemp(dir, QStringLiteral("p"), page));
        client.tls = FtpClient::Tls::Require;
        EXPECT_FALSE(client.connectAndLogin()); // self-signed: refused while verifying
        ASSERT_EQ(trail.errors.size(), 1u);
        EXPECT_EQ(trail.errors[0].first, 60);
        client.quit();
    }
    {
        FtpClient client;
        Trail trail(client);
        configure(client, server.address(), writeTemp(dir, QStringLiteral("p"), page));
        client.tls = FtpClient::Tls::Require;
        client.verifyPeer = false;
        ASSERT_TRUE(client.connectAndLogin());
        ASSERT_TRUE(client.changeDirectory());
        ASSERT_TRUE(client.store());
        client.quit();
        EXPECT_TRUE(trail.has(FtpClient::Sent, QStringLiteral("AUTH TLS")));
        EXPECT_EQ(trail.confirmed, 1);
        EXPECT_EQ(server.read(QStringLiteral("public_html/index.html")), page);
    }
    {
        // Without TLS the server that requires it refuses the login.
        FtpClient client;
        Trail trail(client);
        configure(client, server.address(), writeTemp(dir, QStringLiteral("p"), page));
        EXPECT_FALSE(client.connectAndLogin());
        client.quit();
    }
}

TEST(FtpClientSession, LocalFolderTargetsReplaceThePageInOneStep)
{
    QTemporaryDir site;
    QDir(site.path()).mkdir(QStringLiteral("public_html"));
    QTemporaryDir dir;
    const QByteArray page = binaryBytes(200000);
    FtpClient client;
    Trail trail(client);
    configure(client, QStringLiteral("file://") + site.path(), writeTemp(dir, QStringLiteral("p"), page));
    ASSERT_TRUE(client.connectAndLogin());
    ASSERT_TRUE(client.changeDirectory());
    ASSERT_TRUE(client.store());
    client.quit();
    QFile stored(site.filePath(QStringLiteral("public_html/index.html")));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), page);
    EXPECT_EQ(trail.confirmed, 1);
    EXPECT_TRUE(trail.has(FtpClient::Information, QStringLiteral("Connected.")));
    EXPECT_TRUE(trail.has(FtpClient::Information, QStringLiteral("Disconnected.")));
    EXPECT_EQ(QDir(site.filePath(QStringLiteral("public_html"))).entryList(QDir::Files).size(), 1);

    client.remoteDir = QStringLiteral("missing");
    ASSERT_TRUE(client.connectAndLogin());
    EXPECT_FALSE(client.changeDirectory());
    client.remoteDir = QString();
    client.remoteFile = QStringLiteral("../escape.html");
    EXPECT_FALSE(client.store());
    client.quit();
    EXPECT_FALSE(QFile::exists(QDir(site.path()).filePath(QStringLiteral("../escape.html"))));

    client.host = QStringLiteral("file://") + site.filePath(QStringLiteral("nowhere"));
    EXPECT_FALSE(client.connectAndLogin());
}

TEST(FtpClientSession, ImplicitTlsFromTheFirstByte)
{
    QTemporaryDir certs;
    QStringList options = FtpTestServer::tlsOptions(certs, true);
    options << QStringLiteral("--implicit");
    FtpTestServer server(options);
    ASSERT_GT(server.port(), 0) << server.errors().toStdString();
    QTemporaryDir dir;
    const QByteArray page("<p>implicit</p>\r\n");
    FtpClient client;
    Trail trail(client);
    configure(client, QStringLiteral("ftps://") + server.address(),
              writeTemp(dir, QStringLiteral("p"), page));
    client.verifyPeer = false;
    ASSERT_TRUE(client.connectAndLogin());
    ASSERT_TRUE(client.changeDirectory());
    ASSERT_TRUE(client.store());
    client.quit();
    EXPECT_FALSE(trail.has(FtpClient::Sent, QStringLiteral("AUTH TLS")));
    EXPECT_TRUE(trail.has(FtpClient::Sent, QStringLiteral("PROT P")));
    EXPECT_EQ(trail.confirmed, 1);
    EXPECT_EQ(server.read(QStringLiteral("public_html/index.html")), page);
}
