#pragma once

#include "support/ServerProcess.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

// Real mail servers for tests, started on free loopback ports and removed
// with everything they wrote when the object goes (members make them non-copyable).

// A private dovecot serving one POP3 mailbox (a Maildir in a temporary
// folder) to the user "tester" with the password "secret". With tls, a
// throwaway certificate: STLS and a POP3S listener.
class Pop3TestServer {
  public:
    explicit Pop3TestServer(bool tls = false);
    ~Pop3TestServer() { stop(); }

    bool started() const { return port_ != 0; }
    int port() const { return port_; }
    int tlsPort() const { return tlsPort_; } // 0 without tls
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QString user() const { return QStringLiteral("tester"); }
    QString password() const { return QStringLiteral("secret"); }

    // Delivers a message; messages are numbered in the order they were added.
    void addMessage(const QByteArray& rfc822);
    // Messages in the Maildir right now (deleted ones are gone from disk).
    int messageCount() const;
    // The Subject lines of the messages in the Maildir, in the order added.
    QStringList subjects() const;
    // Takes the added-th message (1-based) away behind the clients' backs,
    // as a phone or webmail would.
    void removeBehind(int added);
    // Stops answering: every server process is suspended, connections stay open.
    void freeze();

  private:
    bool start(bool tls);
    void stop();

    QTemporaryDir dir_;
    QProcess master_;
    int port_ = 0, tlsPort_ = 0, added_ = 0;
    bool frozen_ = false;
};

// A small POP3 server without UIDL (user "tester", password "secret")
// serving the messages added to it, in order; DELE takes effect at QUIT.
class Pop3NoUidlServer {
  public:
    Pop3NoUidlServer();
    ~Pop3NoUidlServer() { stopProcess(process_); }

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    void addMessage(const QByteArray& rfc822);
    void removeBehind(int added);
    QStringList subjects() const;

  private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0, added_ = 0;
};

// A python SMTP server that stores every message it accepts. Recipients
// whose address starts with "reject" are refused with 550.
class SmtpTestServer {
  public:
    enum class Tls { Off, StartTls, Implicit };
    struct Options {
        Tls tls = Tls::Off;
        QString user, password; // AUTH PLAIN/LOGIN is offered only when a user is set
    };
    struct Received {
        QString from;
        QStringList recipients;
        QByteArray data; // the DATA bytes with dot-stuffing undone, CR LF kept
    };

    SmtpTestServer() : SmtpTestServer(Options{}) {}
    explicit SmtpTestServer(const Options& options);
    ~SmtpTestServer();

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QList<Received> received() const;

  private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
