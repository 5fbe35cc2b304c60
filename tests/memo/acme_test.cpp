// HTTPS "auto": certificates from a real ACME server (pebble, with
// pebble-challtestsrv as its DNS), validated over HTTP-01 on the memo port.
#include "HttpsFixture.h"

#include "memo/AcmeManager.h"
#include "memo/MemoHttps.h"
#include "support/FileBytes.h"
#include "support/ServerProcess.h"
#include "support/TestGateway.h"

#include <sys/stat.h>

namespace {

// pebble and its DNS on free loopback ports, validating on the memo port.
struct PebbleCa {
    PebbleCa(const QString& folder, quint16 memoPort, int validitySeconds) : folder(folder)
    {
        if (!makeCertificate(folder, "pebble", "DNS:localhost,IP:127.0.0.1"))
            return;
        dnsPort = freePort();
        managementPort = freePort();
        challtestsrv.start("pebble-challtestsrv",
                           {"-defaultIPv4", "", "-defaultIPv6", "", "-dns01",
                            "127.0.0.1:" + QString::number(dnsPort), "-http01", "", "-https01", "",
                            "-tlsalpn01", "", "-management", "127.0.0.1:" + QString::number(managementPort)});
        acmePort = freePort();
        const QJsonObject config{
            {"pebble", QJsonObject{{"listenAddress", "127.0.0.1:" + QString::number(acmePort)},
                                   {"managementListenAddress", "127.0.0.1:" + QString::number(freePort())},
                                   {"certificate", folder + "/pebble-cert.pem"},
                                   {"privateKey", folder + "/pebble-key.pem"},
                                   {"httpPort", memoPort},
                                   {"tlsPort", freePort()},
                                   {"certificateValidityPeriod", validitySeconds}}}};
        PutFileBytes(folder + "/pebble.json", QJsonDocument(config).toJson());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* off : {"PEBBLE_WFE_NONCEREJECT", "PEBBLE_AUTHZREUSE"})
            environment.insert(off, "0");
        environment.insert("PEBBLE_VA_NOSLEEP", "1");
        pebble.setProcessEnvironment(environment);
        pebble.setProcessChannelMode(QProcess::MergedChannels);
        pebble.start("pebble", {"-config", folder + "/pebble.json", "-dnsserver",
                                "127.0.0.1:" + QString::number(dnsPort)});
        ready = pumpUntil([this] { return (output += pebble.readAll()).contains("Listening on"); }, 15000) &&
                addName("memo.test");
    }
    ~PebbleCa()
    {
        stopProcess(pebble);
        stopProcess(challtestsrv);
    }
    // The test name resolves to loopback; every other name to nothing.
    bool addName(const QString& name)
    {
        QProcess curl;
        curl.start("curl", {"-sf", "-d", R"({"host":")" + name + R"(.","addresses":["127.0.0.1"]})",
                            "http://127.0.0.1:" + QString::number(managementPort) + "/add-a"});
        for (int i = 0; i < 50 && !(curl.waitForFinished(5000) && curl.exitCode() == 0); ++i)
            QThread::msleep(100), curl.start();
        return curl.exitCode() == 0;
    }
    QString directory() const { return "https://127.0.0.1:" + QString::number(acmePort) + "/dir"; }

    QString folder;
    QProcess challtestsrv;
    QProcess pebble;
    QByteArray output;
    quint16 dnsPort = 0, managementPort = 0, acmePort = 0;
    bool ready = false;
};

// What a visitor that does not check certificates sees of the server's.
QSslCertificate servedCertificate(quint16 port)
{
    QSslSocket socket;
    socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket.connectToHostEncrypted("127.0.0.1", port, "memo.test");
    pumpUntil(
        [&socket] { return socket.isEncrypted() || socket.state() == QAbstractSocket::UnconnectedState; });
    return socket.peerCertificate();
}

int modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

class AcmeTest : public MemoTest {
  protected:
    // The memo server on port with certificates for name from the CA at directory.
    void startAuto(const QString& name, const QString& directory)
    {
        WriteIni("StartUp", "Public Address", name);
        WriteIni("Memo", "HTTPS", "auto");
        WriteIni("Memo", "ACME Directory URL", directory);
        WriteIni("Memo", "ACME CA File", home.file("pebble-cert.pem"));
        WriteIni("Memo", "ACME Email", "owner@memo.test");
        WriteIni("Memo", "MemoServer Port", QString::number(port));
        WriteIni("Memo", "Enabled", "True");
        setup().LoadMemoServerSettings();
    }
    int certificatesInstalled() const
    {
        return int(log.lines.filter("certificate in force from a new ACME").size());
    }
    // A CA whose certificates live lifetimeSeconds, validating on a free memo port.
    void startCa(int lifetimeSeconds)
    {
        port = freePort();
        ca = std::make_unique<PebbleCa>(home.path(), port, lifetimeSeconds);
        ASSERT_TRUE(ca->ready) << ca->output.constData();
    }
    void waitForCertificates(int count)
    {
        ASSERT_TRUE(pumpUntil([this, count] { return certificatesInstalled() == count; }, 30000))
            << log.text();
    }

    std::unique_ptr<PebbleCa> ca;
};

TEST_F(AcmeTest, AutoModeGetsACertificateForThePublicAddressAndServesIt)
{
    ASSERT_NO_FATAL_FAILURE(startCa(3600));
    startAuto("memo.test", ca->directory());
    ASSERT_NO_FATAL_FAILURE(waitForCertificates(1));
    const QSslCertificate served = servedCertificate(port);
    EXPECT_TRUE(served.subjectAlternativeNames().values(QSsl::DnsEntry).contains("memo.test"));
    EXPECT_TRUE(served.issuerDisplayName().contains("Pebble")) << served.issuerDisplayName().toStdString();
    for (const char* file : {"memo-acme-account.pem", "memo-acme-key.pem", "memo-acme-cert.pem"})
        EXPECT_EQ(modeOf(home.file(file)), 0600) << file;
    EXPECT_FALSE(log.lines.join("\n").contains("PRIVATE KEY"));
}

TEST_F(AcmeTest, ShortLivedCertificateIsRenewedWhileAConnectedVisitorStaysServed)
{
    memoLimits().idleTimeoutMs = 60000;
    ASSERT_NO_FATAL_FAILURE(startCa(12));
    startAuto("memo.test", ca->directory());
    ASSERT_NO_FATAL_FAILURE(waitForCertificates(1));
    const QByteArray first = servedCertificate(port).serialNumber();
    TlsVisitor connected(port, {}, "memo.test");
    ASSERT_TRUE(connected.encrypted);
    // Renewal is due with four of the twelve seconds left.
    ASSERT_NO_FATAL_FAILURE(waitForCertificates(2));
    EXPECT_NE(servedCertificate(port).serialNumber(), first);
    connected.send(memoPost("NAME=Kept&MESSAGE=renewed&REPLY=NO"));
    EXPECT_TRUE(connected.waitFor("Message Received"));
}

TEST_F(AcmeTest, ValidationOfANameThatIsNotOursFailsAndIsToldAndRetried)
{
    ASSERT_NO_FATAL_FAILURE(startCa(3600));
    startAuto("elsewhere.test", ca->directory());
    ASSERT_TRUE(pumpUntil(
        [this] { return log.contains("ACME: no certificate for elsewhere.test: validation"); }, 30000))
        << log.text();
    ASSERT_EQ(doubles.notices.shown.size(), 1u);
    EXPECT_EQ(doubles.notices.shown.front().summary, "Memo certificate not renewed");
    EXPECT_GT(server()->https()->acme()->dueAtMs(), QDateTime::currentMSecsSinceEpoch());
}

TEST_F(AcmeTest, AcmeServerDownOrSilentAtRenewalLeavesTheCurrentCertificateServing)
{
    memoLimits().acmeRequestTimeoutMs = 1000;
    QTcpServer silent; // accepts and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const struct {
        bool down;
        QString failure;
    } cases[] = {{true, "connect to server"}, {false, "Timeout"}};
    for (const auto& [down, failure] : cases) {
        SCOPED_TRACE(failure.toStdString());
        for (const char* file : {"memo-acme-key.pem", "memo-acme-cert.pem"})
            QFile::remove(home.file(file));
        log.lines.clear();
        ASSERT_NO_FATAL_FAILURE(startCa(9));
        startAuto("memo.test", ca->directory());
        Memo().restartServer();
        ASSERT_NO_FATAL_FAILURE(waitForCertificates(1));
        const QByteArray first = servedCertificate(port).serialNumber();
        if (down) {
            ca.reset();
        } else {
            setup().settings().https.directoryUrl =
                "https://127.0.0.1:" + QString::number(silent.serverPort()) + "/dir";
            setup().SaveMemo();
        }
        // Renewal is due with three of the nine seconds left.
        ASSERT_TRUE(pumpUntil([this] { return log.contains("ACME: no certificate for memo.test"); }, 15000));
        EXPECT_TRUE(log.lines.filter("ACME: no certificate").join("").contains(failure)) << log.text();
        EXPECT_EQ(servedCertificate(port).serialNumber(), first);
        Memo().stopServer();
    }
}

TEST_F(AcmeTest, WithTheRouterPortOpenPort80IsForwardedToTheMemoPortDuringTheOrder)
{
    TestGateway gateway;
    WriteIni("Memo", "Open Router Port", "True");
    WriteIni("Memo", "UPnP Description URL", gateway.url);
    ASSERT_NO_FATAL_FAILURE(startCa(3600));
    startAuto("memo.test", ca->directory());
    ASSERT_NO_FATAL_FAILURE(waitForCertificates(1));
    const QStringList validation = gateway.actions().filter("ExternalPort=80 ");
    ASSERT_EQ(validation.size(), 2) << gateway.actions().join("\n").toStdString() << log.text();
    EXPECT_TRUE(validation[0].startsWith("AddPortMapping")) << validation[0].toStdString();
    EXPECT_TRUE(validation[0].contains(QString("InternalPort=%1 ").arg(port))) << validation[0].toStdString();
    EXPECT_TRUE(validation[1].startsWith("DeletePortMapping")) << validation[1].toStdString();
}
