// The dialogue of a whole upload, implicit TLS and local folders are followed
// through the publisher in Publisher_test.cpp.
#include "support/FtpTestServer.h"

TEST(FtpHost, EachHostTextNamesItsServerOrIsRefused)
{
    using platform::ParseFtpHost;
    const std::pair<const char*, const char*> good[] = {{"ftp.example.net", "ftp://ftp.example.net:21"},
                                                        {"127.0.0.1:2121", "ftp://127.0.0.1:2121"},
                                                        {"ftps://h", "ftps://h:990"},
                                                        {"FTP://h:99/", "ftp://h:99"},
                                                        {"sftp://[::1]:2222", "sftp://[::1]:2222"},
                                                        {"sftp://h", "sftp://h:22"},
                                                        {"h:65535", "ftp://h:65535"},
                                                        {"h:1", "ftp://h:1"}};
    for (const auto& [text, url] : good) {
        EXPECT_TRUE(ParseFtpHost(text).valid()) << text;
        EXPECT_EQ(ParseFtpHost(text).urlBase(), url);
    }
    const auto t = ParseFtpHost("file:///srv/www%20site");
    EXPECT_TRUE(t.isLocal());
    EXPECT_EQ(t.folder, "/srv/www site");
    for (const char* bad : {"", "h:0", "h:65536", "h:x", "gopher://h", "ftp://u@h", "ftp://h/dir",
                            "file://rel", "a b", "h\r\nUSER x", "[::1", "bad!name"})
        EXPECT_FALSE(ParseFtpHost(bad).valid()) << bad;
}

TEST(FtpClientSession, EveryRefusalOrBrokenServerBecomesOneErrorEvent)
{
    const QString closedPort = u"127.0.0.1:%1"_s.arg(FreeLoopbackPort());
    // error -1: any one error; seen / unseen: a trail line prefix that must (not) be there.
    const struct {
        const char* what;
        QStringList options;
        QString host, password, dir;
        int step, error;
        const char *seen, *unseen;
    } cases[] = {
        {"wrong password", {}, {}, "wrong", "public_html", 0, 67, "R 530", nullptr},
        {"missing folder", {}, {}, "secret", "no/such/dir", 1, 9, "R 550", nullptr},
        {"closed port", {}, closedPort, "secret", "public_html", 0, 7, nullptr, "I Connected."},
        {"bad name", {}, "no such host", "secret", "public_html", 0, 3, nullptr, "I Connected."},
        {"full disk", {"--full"}, {}, "secret", "public_html", 2, -1, "R 552", nullptr},
        {"stalled", {"--stall"}, {}, "secret", "public_html", 2, 28, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FtpTestServer server(c.options);
        ASSERT_GT(server.port(), 0);
        const bool stall = c.options.contains("--stall");
        FtpSession s(c.host.isEmpty() ? server.address() : c.host, stall ? binaryBytes(8 << 20) : "x");
        s.client.password = c.password;
        s.client.remoteDir = c.dir;
        if (stall)
            s.client.timeouts.lowSpeedSeconds = 2, s.client.timeouts.responseSeconds = 3;
        EXPECT_EQ(s.run(), c.step);
        ASSERT_EQ(s.errors.size(), 1);
        EXPECT_TRUE(c.error < 0 || s.errors[0] == c.error) << s.errors[0];
        EXPECT_TRUE(!c.seen || s.at(c.seen) >= 0) << s.trail();
        EXPECT_TRUE(!c.unseen || s.at(c.unseen) < 0) << s.trail();
        EXPECT_EQ(s.confirmed, 0);
        EXPECT_TRUE(c.error != 3 || s.errorTexts.value(0).startsWith("Bad server name"));
    }
}
