#include "support/FtpTestServer.h"

#include <QTcpServer>
#include <QTimer>

namespace {

QString closedPort()
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    return u"127.0.0.1:%1"_s.arg(closed.serverPort());
}

} // namespace

TEST(FtpTarget, HostTextsAndTheirMeaning)
{
    using platform::ParseFtpHost;
    const std::pair<const char*, const char*> good[] = {
        {"ftp.example.net", "ftp://ftp.example.net:21"}, {"127.0.0.1:2121", "ftp://127.0.0.1:2121"},
        {"ftps://h", "ftps://h:990"},                    {"FTP://h:99/", "ftp://h:99"},
        {"sftp://[::1]:2222", "sftp://[::1]:2222"},      {"sftp://h", "sftp://h:22"},
        {"h:65535", "ftp://h:65535"},                    {"h:1", "ftp://h:1"}};
    for (const auto& [text, url] : good) {
        EXPECT_TRUE(ParseFtpHost(QString::fromLatin1(text)).valid()) << text;
        EXPECT_EQ(ParseFtpHost(QString::fromLatin1(text)).urlBase(), QString::fromLatin1(url));
    }
    const auto t = ParseFtpHost(u"file:///srv/www%20site"_s);
    EXPECT_TRUE(t.isLocal());
    EXPECT_EQ(t.folder, u"/srv/www site"_s);
    for (const char* bad : {"", "h:0", "h:70000", "h:x", "gopher://h", "ftp://u@h", "ftp://h/dir",
                            "file://rel", "a b", "h\r\nUSER x", "[::1", "bad!name"})
        EXPECT_FALSE(ParseFtpHost(QString::fromLatin1(bad)).valid()) << bad;
}

TEST(FtpClientSession, StoresBytesExactlyAndReportsTheDialogue)
{
    FtpTestServer server;
    ASSERT_GT(server.port(), 0) << server.errors().toStdString();
    const QByteArray page = binaryBytes(300000) + QByteArray("\r\nline\r\n\n\r", 10);
    FtpSession s(server.address(), page);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(1);
    ASSERT_TRUE(s.client.connectAndLogin());
    EXPECT_TRUE(s.client.busy());
    EXPECT_EQ(s.run(), 3);
    EXPECT_GT(ticks, 0); // timers ran while the commands waited

    EXPECT_EQ(server.read(u"public_html/index.html"_s), page);
    EXPECT_TRUE(s.errors.empty());
    ASSERT_GE(s.at(u"I Connected."_s), 0) << s.trail();
    EXPECT_LT(s.at(u"I Connected."_s), s.at(u"R 220 "_s)) << s.trail();
    EXPECT_GT(s.at(u"I Disconnected."_s), s.at(u"R 226"_s));
    for (const char* line : {"S USER tester", "S CWD public_html", "S STOR index.html", "S QUIT",
                             "R 230-Second greeting line.", "R 230 Login successful."})
        EXPECT_TRUE(s.lines.contains(QString::fromLatin1(line))) << line;
    for (const QString& text : s.lines)
        EXPECT_FALSE(text.contains(u'\r') || text.contains(u'\n')) << text.toStdString();
    EXPECT_EQ(std::tuple(s.starts, s.ends, s.confirmed), std::tuple(1, 1, 1));
    ASSERT_FALSE(s.progress.empty());
    EXPECT_EQ(s.progress.back(), page.size());
    EXPECT_TRUE(std::is_sorted(s.progress.begin(), s.progress.end()));
}

TEST(FtpClientSession, RefusalsAndBrokenServersBecomeOneErrorEvent)
{
    // error -1: any one error; seen / unseen: a trail line prefix that must (not) be there.
    const struct {
        const char* what;
        QStringList options;
        QString host, password, dir;
        int step, error;
        const char *seen, *unseen;
    } cases[] = {
        {"wrong password", {}, {}, u"wrong"_s, u"public_html"_s, 0, 67, "R 530", nullptr},
        {"missing folder", {}, {}, u"secret"_s, u"no/such/dir"_s, 1, 9, "R 550", nullptr},
        {"closed port", {}, closedPort(), u"secret"_s, u"public_html"_s, 0, 7, nullptr, "I Connected."},
        {"bad name", {}, u"no such host"_s, u"secret"_s, u"public_html"_s, 0, 3, nullptr, "I Connected."},
        {"full disk", {u"--full"_s}, {}, u"secret"_s, u"public_html"_s, 2, -1, "R 552", nullptr},
        {"stalled", {u"--stall"_s}, {}, u"secret"_s, u"public_html"_s, 2, 28, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FtpTestServer server(c.options);
        ASSERT_GT(server.port(), 0);
        const bool stall = c.options.contains(u"--stall"_s);
        FtpSession s(c.host.isEmpty() ? server.address() : c.host, stall ? binaryBytes(8 << 20) : "x");
        s.client.password = c.password;
        s.client.remoteDir = c.dir;
        if (stall) {
            s.client.timeouts.lowSpeedSeconds = 2;
            s.client.timeouts.responseSeconds = 3;
        }
        EXPECT_EQ(s.run(), c.step);
        ASSERT_EQ(s.errors.size(), 1);
        EXPECT_TRUE(c.error < 0 || s.errors[0] == c.error) << s.errors[0];
        EXPECT_TRUE(!c.seen || s.at(QString::fromLatin1(c.seen)) >= 0) << s.trail();
        EXPECT_TRUE(!c.unseen || s.at(QString::fromLatin1(c.unseen)) < 0) << s.trail();
        EXPECT_EQ(s.confirmed, 0);
        EXPECT_TRUE(c.error != 3 || s.errorTexts.value(0).startsWith(u"Bad server name"_s));
    }
}

TEST(FtpClientSession, ImplicitTlsFromTheFirstByte)
{
    QTemporaryDir certs;
    FtpTestServer server(FtpTestServer::tlsOptions(certs, true) << u"--implicit"_s);
    ASSERT_GT(server.port(), 0) << server.errors().toStdString();
    FtpSession s(u"ftps://"_s + server.address(), "<p>implicit</p>\r\n");
    s.client.verifyPeer = false;
    EXPECT_EQ(s.run(), 3);
    EXPECT_LT(s.at(u"S AUTH TLS"_s), 0);
    EXPECT_GE(s.at(u"S PROT P"_s), 0);
    EXPECT_EQ(s.confirmed, 1);
    EXPECT_EQ(server.read(u"public_html/index.html"_s), "<p>implicit</p>\r\n");
}

TEST(FtpClientSession, LocalFolderTargetsReplaceThePageInOneStep)
{
    QTemporaryDir site;
    QDir(site.path()).mkdir(u"public_html"_s);
    const QByteArray page = binaryBytes(200000);
    FtpSession s(u"file://"_s + site.path(), page);
    EXPECT_EQ(s.run(), 3);
    EXPECT_EQ(slurp(site.filePath(u"public_html/index.html"_s)), page);
    EXPECT_EQ(s.confirmed, 1);
    EXPECT_GE(s.at(u"I Connected."_s), 0);
    EXPECT_GE(s.at(u"I Disconnected."_s), 0);
    EXPECT_EQ(QDir(site.filePath(u"public_html"_s)).entryList(QDir::Files).size(), 1);

    s.client.remoteDir = u"missing"_s;
    EXPECT_EQ(s.run(), 1);
    s.client.remoteDir = QString();
    s.client.remoteFile = u"../escape.html"_s;
    EXPECT_EQ(s.run(), 2);
    EXPECT_FALSE(QFile::exists(QDir(site.path()).filePath(u"../escape.html"_s)));
    s.client.host = u"file://"_s + site.filePath(u"nowhere"_s);
    EXPECT_EQ(s.run(), 0);
}
