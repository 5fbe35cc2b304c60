// The memo port with HTTPS from the user's own certificate files: TLS
// visitors, plain visitors on the same port, certificate files replaced on
// disk, and the server's bounds applied to handshakes.
#include "HttpsFixture.h"

#include "memo/MemoSetupState.h"

TEST_F(HttpsTest, TlsVisitorGetsThePagesWithFormsPostingOverHttps)
{
    const QByteArray notFound = tlsExchange("GET /nothing HTTP/1.1\r\nHost: localhost\r\n\r\n");
    QByteArray expected =
        errorPage("4", "Requested URL not found on Server.",
                  form("localhost:" + QByteArray::number(port), "\"\"").replace("http://", "https://")) +
        "</html>\r\n";
    // A whole page says its length over TLS.
    expected.insert(kHead.size() - 2,
                    "Content-Length: " + QByteArray::number(expected.size() - kHead.size()) + "\r\n");
    EXPECT_EQ(notFound, expected);
    const QByteArray memo = tlsExchange(memoPost("NAME=Tia&MESSAGE=over+tls&REPLY=NO"));
    EXPECT_EQ(memo, kHead + opening() + kNoReplyBlock);
    EXPECT_TRUE(memoLog().contains("Name: Tia\r\nMessage: over tls\r\n"));
}

TEST_F(HttpsTest, PlainVisitorOnTheTlsPortIsRedirectedToHttps)
{
    const QByteArray base = "https://localhost:" + QByteArray::number(port);
    const struct {
        QByteArray request;
        QByteArray status;
        QByteArray location;
    } cases[] = {
        {"GET /memo/?x=1 HTTP/1.1\r\nHost: a\r\n\r\n", "HTTP/1.0 301 Moved Permanently", base + "/memo/?x=1"},
        {memoPost("NAME=a&MESSAGE=b&REPLY=NO"), "HTTP/1.0 308 Permanent Redirect", base + "/memo/"},
        {"GET <script> HTTP/1.0\r\n\r\n", "HTTP/1.0 301 Moved Permanently", base + "/"},
    };
    for (const auto& [request, status, location] : cases) {
        const QByteArray answer = exchange(request);
        EXPECT_TRUE(answer.startsWith(status + "\r\nLocation: " + location + "\r\n")) << answer.constData();
    }
    EXPECT_EQ(memosLogged(), 0);
}

TEST_F(HttpsTest, ReplacedCertificateFilesServeNewVisitors)
{
    ASSERT_TRUE(replaceFiles());
    TlsVisitor next(port, trusted("second"));
    EXPECT_TRUE(next.encrypted) << next.socket.errorString().toStdString();
    EXPECT_EQ(next.serial(), serialOf("second"));
}

TEST_F(HttpsTest, CertificateFilesThatDoNotMakeAPairKeepTheCurrentOneServing)
{
    ASSERT_TRUE(makeCertificate(home.path(), "other", "DNS:localhost"));
    QFile::remove(home.file("first-key.pem"));
    QFile::copy(home.file("other-key.pem"), home.file("first-key.pem"));
    ASSERT_TRUE(
        pumpUntil([this] { return log.contains("the key file holds no key that fits the certificate"); }));
    TlsVisitor v(port, trusted("first"));
    EXPECT_TRUE(v.encrypted) << v.socket.errorString().toStdString();
    EXPECT_EQ(v.serial(), serialOf("first"));
    ASSERT_EQ(doubles.notices.shown.size(), 1u);
    EXPECT_EQ(doubles.notices.shown.front().summary, "Memo HTTPS certificate not loaded");
}

TEST_F(HttpsTest, StalledHandshakeIsClosedWhileOthersAreServed)
{
    memoLimits().idleTimeoutMs = 400;
    Visitor stalled(port);
    stalled.send("\x16\x03\x01\x02\x00\x01"); // the start of a ClientHello, and no more
    EXPECT_TRUE(tlsExchange(memoPost("NAME=Next&MESSAGE=x&REPLY=NO")).contains("Message Received"));
    ASSERT_TRUE(stalled.waitClosed(3000));
    EXPECT_EQ(stalled.received, "");
}

TEST_F(HttpsTest, HandshakeWithoutACertificateInForceIsRefused)
{
    WriteIni("Memo", "Certificate File", home.file("missing.pem"));
    setup().LoadMemoServerSettings();
    Memo().restartServer();
    ASSERT_TRUE(server()->listening());
    TlsVisitor v(server()->listeningPort(), trusted("first"));
    EXPECT_FALSE(v.encrypted);
    EXPECT_TRUE(log.contains("cannot be read"));
}

TEST_F(HttpsTest, OneVisitorsHandshakesInProgressAreBoundedTheOldestMakingRoom)
{
    memoLimits().handshakesPerVisitor = 3;
    std::vector<std::unique_ptr<Visitor>> stalled;
    for (int i = 0; i < 5; ++i) {
        stalled.push_back(std::make_unique<Visitor>(port));
        stalled.back()->send(QByteArray("\x16\x03\x01\x02\x00\x01", 6));
        pumpFor(30);
    }
    ASSERT_TRUE(stalled[1]->waitClosed(1000));
    EXPECT_TRUE(stalled[0]->closed);
    for (int i = 2; i < 5; ++i)
        EXPECT_FALSE(stalled[size_t(i)]->closed) << i;
    // The newest handshake is always served.
    EXPECT_TRUE(tlsExchange(memoPost("NAME=Next&MESSAGE=x&REPLY=NO")).contains("Message Received"));
    EXPECT_TRUE(stalled[2]->closed);
}

TEST_F(HttpsTest, WithoutAPublicAddressTheLocalAddressOfTheMomentNamesTheServer)
{
    WriteIni("StartUp", "Public Address", "");
    Memo().settings().refreshCertificateName();
    for (const char* address : {"192.0.2.9", "192.0.2.10"}) {
        Core().LocalIP = QString::fromLatin1(address); // found after start-up, then changed
        const QByteArray answer = exchange("GET / HTTP/1.0\r\n\r\n");
        EXPECT_TRUE(answer.contains("\r\nLocation: https://" + QByteArray(address) + ':' +
                                    QByteArray::number(port) + "/\r\n"))
            << answer.constData();
    }
}
