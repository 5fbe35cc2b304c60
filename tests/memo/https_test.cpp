// The memo port with HTTPS from the user's own certificate files: TLS
// visitors, plain visitors on the same port, certificate files replaced on
// disk, and the server's bounds applied to handshakes.
#include "HttpsFixture.h"

#include "memo/MemoHttps.h"
#include "memo/MemoSetupState.h"

#include <sys/resource.h>
#include <sys/socket.h>

#include <cstdio>

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

TEST_F(HttpsTest, AVisitorConnectedBeforeTheCertificateChangesIsStillServed)
{
    TlsVisitor connected(port, trusted("first"));
    ASSERT_TRUE(connected.encrypted);
    connected.send("POST /memo/ HTTP/1.0\r\nContent-Length: 30\r\n\r\nNAME=Early");
    ASSERT_TRUE(replaceFiles());
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

// A crowd of connections that start handshakes and stall, against the server
// in a child process whose descriptor limit is low: a TLS visitor's memo is
// still served and logged. The child is this executable again.
using HttpsDescriptors = HttpsTest;

TEST_F(HttpsDescriptors, ACrowdOfStalledHandshakesCannotLockVisitorsOut)
{
    if (qEnvironmentVariableIsSet("MEMO_TLS_CHILD")) { // the child: serves until the memo is logged
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        memoLimits().idleTimeoutMs = memoLimits().requestDeadlineMs = 120000;
        // The parent's certificate, which its visitor trusts.
        const QString parent = qEnvironmentVariable("MEMO_TLS_CHILD");
        WriteIni("Memo", "Certificate File", parent + "/first-cert.pem");
        WriteIni("Memo", "Key File", parent + "/first-key.pem");
        setup().LoadMemoServerSettings();
        Memo().restartServer();
        std::printf("PORT %d CAP %d\n", server()->listeningPort(), server()->connectionCap());
        std::printf("LOGGED %d\n",
                    int(pumpUntil([this] { return memoLog().contains("Name: Legit"); }, 30000)));
        return;
    }
    const rlimit low{200, 400}; // for the child
    QProcess child;
    child.setChildProcessModifier([&low] { ::setrlimit(RLIMIT_NOFILE, &low); });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("MEMO_TLS_CHILD", home.path());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=HttpsDescriptors.*"});
    QByteArray out;
    ASSERT_TRUE(pumpUntil([&] { return (out += child.readAllStandardOutput()).contains("CAP "); }, 20000));
    const QByteArray line = out.mid(out.indexOf("PORT "));
    const quint16 childPort = quint16(line.split(' ').value(1).toInt());
    std::vector<std::unique_ptr<QTcpSocket>> crowd(500);
    for (auto& socket : crowd) {
        (socket = std::make_unique<QTcpSocket>())->connectToHost(QHostAddress::LocalHost, childPort);
        QObject::connect(socket.get(), &QTcpSocket::connected, socket.get(),
                         [s = socket.get()] { s->write(QByteArray("\x16\x03\x01\x02\x00\x01", 6)); });
    }
    pumpFor(1500);
    TlsVisitor legit(childPort, trusted("first"));
    ASSERT_TRUE(legit.encrypted) << legit.socket.errorString().toStdString();
    legit.send(memoPost("NAME=Legit&MESSAGE=hello&REPLY=NO"));
    ASSERT_TRUE(legit.waitClosed(8000));
    EXPECT_TRUE(legit.received.contains("Message Received"));
    ASSERT_TRUE(pumpUntil([&child] { return child.state() == QProcess::NotRunning; }, 30000));
    EXPECT_TRUE((out + child.readAllStandardOutput()).contains("LOGGED 1")) << out.constData();
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
