// The memo port with HTTPS from the user's own certificate files: TLS
// visitors, plain visitors on the same port, certificate files replaced on
// disk, and the server's bounds applied to handshakes.
#include "HttpsFixture.h"

#include "memo/MemoHttps.h"
#include "memo/MemoSetupState.h"

#include <sys/socket.h>

TEST_F(HttpsTest, TlsVisitorGetsThePagesWithFormsPostingOverHttps)
{
    const QByteArray notFound = tlsExchange("GET /nothing HTTP/1.1\r\nHost: localhost\r\n\r\n");
    QByteArray expected = errorPage("4", "Requested URL not found on Server.",
                                    form("localhost:" + QByteArray::number(port), "\"\"").replace("http://", "https://"))
                          + "</html>\r\n";
    // A whole page says its length over TLS.
    expected.insert(kHead.size() - 2, "Content-Length: " + QByteArray::number(expected.size() - kHead.size()) + "\r\n");
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

TEST_F(HttpsTest, ReplacedCertificateFilesServeNewVisitorsWithoutDroppingTheConnectedOne)
{
    TlsVisitor connected(port, trusted("first"));
    ASSERT_TRUE(connected.encrypted);
    connected.send("POST /memo/ HTTP/1.0\r\nContent-Length: 30\r\n\r\nNAME=Early");
    ASSERT_TRUE(makeCertificate(home.path(), "second", "DNS:localhost"));
    QFile::remove(home.file("first-cert.pem"));
    QFile::remove(home.file("first-key.pem"));
    QFile::copy(home.file("second-cert.pem"), home.file("first-cert.pem"));
    QFile::copy(home.file("second-key.pem"), home.file("first-key.pem"));
    ASSERT_TRUE(pumpUntil([this] { return log.lines.filter("certificate loaded from").size() == 2; }));
    TlsVisitor next(port, trusted("second"));
    EXPECT_TRUE(next.encrypted) << next.socket.errorString().toStdString();
    EXPECT_EQ(next.serial(), serialOf("second"));
    connected.send("&MESSAGE=late&REPLY=NO");
    ASSERT_TRUE(connected.waitClosed());
    EXPECT_TRUE(connected.received.contains("Message Received"));
    EXPECT_TRUE(memoLog().contains("Name: Early\r\nMessage: late\r\n"));
}

TEST_F(HttpsTest, CertificateFilesThatDoNotMakeAPairKeepTheCurrentOneServing)
{
    ASSERT_TRUE(makeCertificate(home.path(), "other", "DNS:localhost"));
    QFile::remove(home.file("first-key.pem"));
    QFile::copy(home.file("other-key.pem"), home.file("first-key.pem"));
    ASSERT_TRUE(pumpUntil([this] { return log.contains("the key file holds no key that fits the certificate"); }));
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
    stalled.send("\x16\x03\x01\x02\x00\x01");  // the start of a ClientHello, and no more
    EXPECT_TRUE(tlsExchange(memoPost("NAME=Next&MESSAGE=x&REPLY=NO")).contains("Message Received"));
    ASSERT_TRUE(stalled.waitClosed(3000));
    EXPECT_EQ(stalled.received, "");
}

TEST_F(HttpsTest, TricklingHandshakeIsClosedAtTheRequestDeadline)
{
    memoLimits().requestDeadlineMs = 600;
    Visitor slow(port);
    const QByteArray hello("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11);
    for (int i = 0; i < 40 && !slow.closed; ++i)
        slow.send(hello.mid(i % hello.size(), 1)), pumpFor(50);
    EXPECT_TRUE(slow.closed);
}

TEST_F(HttpsTest, OversizedRequestOverTlsIsClosed)
{
    TlsVisitor big(port, trusted("first"));
    ASSERT_TRUE(big.encrypted);
    big.send("POST /memo/ HTTP/1.0\r\nContent-Length: 10485760\r\n\r\nNAME=x&MESSAGE=");
    for (int i = 0; i < 40 && !big.closed; ++i)
        big.send(QByteArray(16 * 1024, 'A')), pumpFor(5);
    ASSERT_TRUE(big.waitClosed());
    EXPECT_TRUE(log.contains("exceeds 65536 bytes; closed"));
    EXPECT_EQ(memosLogged(), 0);
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
