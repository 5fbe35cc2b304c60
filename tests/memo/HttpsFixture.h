#pragma once

// What the memo HTTPS tests share: certificates made with the openssl tool,
// a visitor that speaks TLS (and checks the server's certificate against the
// one it was told to trust), and a memo server in "files" mode.
#include "MemoFixture.h"

#include <QSslSocket>

// stem-cert.pem and stem-key.pem in folder: a self-signed EC certificate for
// the subject alternative names given ("DNS:localhost,IP:127.0.0.1").
inline bool makeCertificate(const QString& folder, const QString& stem, const QString& altNames, int days = 2)
{
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                              "-nodes", "-days", QString::number(days), "-subj", "/CN=Halvorn test " + stem,
                              "-addext", "subjectAltName=" + altNames, "-keyout",
                              folder + "/" + stem + "-key.pem", "-out", folder + "/" + stem + "-cert.pem"});
    return openssl.waitForFinished(20000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

// HTTPS from the files made by makeCertificate(home, stem, ...), for localhost as the Public Address.
inline void useCertificateFiles(const TempHome& home, const QString& stem)
{
    WriteIni("StartUp", "Public Address", "localhost");
    WriteIni("Memo", "HTTPS", "files");
    WriteIni("Memo", "Certificate File", home.file(stem + "-cert.pem"));
    WriteIni("Memo", "Key File", home.file(stem + "-key.pem"));
}

struct TlsVisitor : VisitorOn<QSslSocket> {
    // With nothing trusted, the server's certificate is not checked.
    TlsVisitor(quint16 port, const QList<QSslCertificate>& trusted, const QString& name = "localhost")
    {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setCaCertificates(trusted);
        if (trusted.isEmpty())
            configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket.setSslConfiguration(configuration);
        QObject::connect(&socket, &QSslSocket::encrypted, [this] { encrypted = true; });
        QObject::connect(&socket, &QSslSocket::errorOccurred,
                         [this](QAbstractSocket::SocketError) { closed = true; });
        socket.connectToHostEncrypted("127.0.0.1", port, name);
        pumpUntil([this] { return encrypted || closed; });
    }
    QByteArray serial() const { return socket.peerCertificate().serialNumber(); }

    bool encrypted = false;
};

// The server runs on a free port with HTTPS from the files "first-*.pem",
// made for localhost, which is also the Public Address.
class HttpsTest : public MemoTest {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(makeCertificate(home.path(), "first", "DNS:localhost,IP:127.0.0.1"));
        memoLimits().certificateCheckMs = 100;
        useCertificateFiles(home, "first");
        ASSERT_TRUE(startServer() > 0);
        ASSERT_TRUE(log.contains("[MemoServer] HTTPS: certificate loaded from")) << log.text();
    }

    QList<QSslCertificate> trusted(const QString& stem) const
    {
        return QSslCertificate::fromPath(home.file(stem + "-cert.pem"));
    }
    QByteArray serialOf(const QString& stem) const { return trusted(stem).value(0).serialNumber(); }

    // Replaces the "first" pair on disk with a new "second" one, as a
    // renewal would, and waits until the server has loaded it.
    bool replaceFiles()
    {
        if (!makeCertificate(home.path(), "second", "DNS:localhost"))
            return false;
        for (const char* part : {"cert", "key"}) {
            QFile::remove(home.file(QStringLiteral("first-%1.pem").arg(QLatin1String(part))));
            QFile::copy(home.file(QStringLiteral("second-%1.pem").arg(QLatin1String(part))),
                        home.file(QStringLiteral("first-%1.pem").arg(QLatin1String(part))));
        }
        return pumpUntil([this] { return log.lines.filter("certificate loaded from").size() == 2; });
    }

    // One TLS visitor sends a whole request; what came back once the server closed.
    QByteArray tlsExchange(const QByteArray& request, const QString& stem = "first")
    {
        TlsVisitor v(port, trusted(stem));
        EXPECT_TRUE(v.encrypted) << v.socket.errorString().toStdString();
        v.send(request);
        EXPECT_TRUE(v.waitClosed()) << request.left(200).constData();
        return v.received;
    }
};
