#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

// Real mail servers for tests, started on free loopback ports and removed
// with everything they wrote when the object goes.

// A private dovecot serving one POP3 mailbox (a Maildir in a temporary
// folder) to the user "tester" with the password "secret".
class Pop3TestServer {
  public:
    struct Options {
        bool tls = false; // a throwaway certificate: STLS and a POP3S listener
    };

    Pop3TestServer() : Pop3TestServer(Options{}) {}
    explicit Pop3TestServer(const Options& options);
    ~Pop3TestServer();
    Pop3TestServer(const Pop3TestServer&) = delete;
    Pop3TestServer& operator=(const Pop3TestServer&) = delete;

    bool started() const { return port_ != 0; }
    int port() const { return port_; }
    int tlsPort() const { return tlsPort_; } // 0 without Options::tls
    QString address() const;                 // "127.0.0.1:port"
    QString user() const { return QStringLiteral("tester"); }
    QString password() const { return QStringLiteral("secret"); }

    // Delivers a message; messages are numbered in the order they were added.
    void addMessage(const QByteArray& rfc822);
    // Messages in the Maildir right now (deleted ones are gone from disk).
    int messageCount() const;
    QString log() const;

    // Stops answering: every server process is suspended, connections stay open.
    void freeze();
    // Shuts the server down: new connections are refused.
    void stop();

  private:
    bool start(const Options& options);
    void writeConfig(const Options& options) const;

    QTemporaryDir dir_;
    QProcess master_;
    int port_ = 0;
    int tlsPort_ = 0;
    int added_ = 0;
    bool frozen_ = false;
};

// A python SMTP server that stores every message it accepts. Recipients
// whose address starts with "reject" are refused with 550.
class SmtpTestServer {
  public:
    enum class Tls { Off, StartTls, Implicit };
    struct Options {
        Tls tls = Tls::Off;
        // AUTH PLAIN/LOGIN is offered only when a user is set.
        QString user;
        QString password;
    };
    struct Received {
        QString from;
        QStringList recipients;
        QByteArray data; // the DATA bytes with dot-stuffing undone, CR LF kept
    };

    SmtpTestServer() : SmtpTestServer(Options{}) {}
    explicit SmtpTestServer(const Options& options);
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    bool started() const { return port_ != 0; }
    int port() const { return port_; }
    QString address() const; // "127.0.0.1:port"
    QList<Received> received() const;

  private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// A self-signed certificate and key for 127.0.0.1 in folder: cert.pem, key.pem.
bool MakeTestCertificate(const QString& folder);
// A loopback port that nothing listened on a moment ago.
int FreeLoopbackPort();
