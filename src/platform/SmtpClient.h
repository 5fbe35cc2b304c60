#pragma once

#include "platform/CurlWorker.h"
#include "platform/MailServerAddress.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace platform {

// The SMTP client component: connect, send one prepared message, quit.
// Each command returns when done while the caller waits in a local event
// loop. The message bytes are sent as given (header lines, blank line,
// body, CR LF line ends); lines starting with "." are dot-stuffed on the
// wire so they arrive intact.
class SmtpClient : public QObject {
    Q_OBJECT

  public:
    struct Timeouts {
        int connectSeconds = 30;
        int lowSpeedSeconds = 30;
    };

    explicit SmtpClient(QObject* parent = nullptr);
    ~SmtpClient() override;

    QString host; // "name", "name:port", "smtp://name[:port]", "smtps://name[:port]"
    // SMTP AUTH (PLAIN/LOGIN, as the server offers) when user is not empty
    // and the server announces AUTH; servers without AUTH are used without.
    QString user;
    QString password;
    MailTls tls = MailTls::Off; // STARTTLS on smtp://
    bool verifyPeer = true;
    Timeouts timeouts;

    // The envelope: the bare sender address and every recipient address.
    QString mailFrom;
    QStringList recipients;
    // The whole message: header lines, a blank line and the body.
    QByteArray message;

    // Action 4: checks the address and gets ready (the connection itself is
    // opened by send, libcurl talks SMTP in one go).
    bool connectToServer();
    // Action 3: EHLO, [STARTTLS], [AUTH], MAIL FROM, RCPT TO each, DATA.
    bool send();
    // Action 2.
    void quit();
    void abort();

    bool running() const { return running_; }
    QString lastReply() const { return lastReply_; }

  signals:
    // AUTH lines and their answers arrive masked ("AUTH PLAIN **********").
    void PITrail(int direction, const QString& text);
    void Error(int number, const QString& description);

  private:
    struct Session;
    bool fail(int number, const QString& description);
    bool prepareHandle(Session& s, const QList<QByteArray>& recipients);
    void trailLine(Session& s, int type, const QByteArray& line);
    void closeSession();

    CurlWorker worker_{this};
    std::unique_ptr<Session> session_;
    bool running_ = false;
    QString lastReply_;
};

} // namespace platform
