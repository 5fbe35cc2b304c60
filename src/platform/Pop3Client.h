#pragma once

#include "platform/CurlWorker.h"
#include "platform/MailServerAddress.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVector>

#include <memory>

namespace platform {

// The POP3 client component. Each command runs to completion before it
// returns, firing its events on the caller's thread, while the caller waits
// in a local event loop (window events keep flowing). One connection serves
// every command from connectAndLogin() to quit(): the commands of one check
// never open a second one.
class Pop3Client : public QObject {
    Q_OBJECT

  public:
    enum TrailType { Sent = 0, Received = 1, Information = 2 };

    struct Timeouts {
        int connectSeconds = 30;
        int lowSpeedSeconds = 30; // under one byte a second for this long ends the command
    };

    explicit Pop3Client(QObject* parent = nullptr);
    ~Pop3Client() override;

    // Settings, read by connectAndLogin().
    QString host; // "name", "name:port", "pop3://name[:port]", "pop3s://name[:port]"
    QString user;
    QString password;
    MailTls tls = MailTls::Off; // STARTTLS (STLS) on a plain pop3 connection
    bool verifyPeer = true;
    Timeouts timeouts;
    // Body lines that retrieve() asks for: 1 while listing, 1500 when reading.
    int lineLimit = 1;

    // Action 1: connect, log in, learn the message count, total size and
    // each message's size. False (after Error) when any step failed.
    bool connectAndLogin();
    int messageCount() const { return count_; }
    qint64 totalSize() const { return total_; }
    // Size of message n (1-based) as the server listed it; 0 when unknown.
    qint64 messageSize(int n) const;
    // The unique ids (UIDL) taken at login: a message keeps its id while
    // its number shifts as others are deleted. Empty when the server gave
    // none (or gave it to two messages).
    bool hasUids() const { return hasUids_; }
    QByteArray uid(int n) const;
    // The number the message with this id has in this session; 0 when gone.
    int numberOf(const QByteArray& uid) const;

    using HeaderList = QList<QPair<QByteArray, QByteArray>>;
    // The header blocks (TOP n 0) of several messages, a few dozen per trip
    // to the worker; out[i] belongs to numbers[i]. Fires no Header events.
    bool headerBlocks(const QVector<int>& numbers, QVector<HeaderList>& out);
    // The whole of message n (RETR): CR LF line ends, dot-stuffing undone,
    // at most 16 MiB (truncated tells that the server sent more).
    bool retrieveWhole(int n, QByteArray& raw, bool* truncated = nullptr);

    // Action 3: message n up to lineLimit body lines. Header(name, value)
    // fires for every header line (folded lines joined) in arrival order,
    // then Transfer(bytesSoFar, line) for every body line. Dot-stuffing is
    // undone; line ends are not part of the texts.
    bool retrieve(int n);
    // Action 4: marks message n deleted (the server removes it at quit).
    bool remove(int n);
    // Action 2: QUIT and close. Nothing to do when not connected.
    void quit();
    // Makes a running command return promptly (program exit).
    void abort();

    bool connected() const { return connected_; }
    bool running() const { return running_; }
    // The server's last reply line ("+OK ...", "-ERR ..."), as received.
    QString lastReply() const { return lastReply_; }

  signals:
    // 0 client, 1 server, 2 information. A line that carries a password
    // (PASS, APOP, AUTH and its answers) arrives already masked.
    void PITrail(int direction, const QString& text);
    void Header(const QByteArray& name, const QByteArray& value);
    void Transfer(qint64 bytes, const QByteArray& line);
    void Error(int number, const QString& description);
    // Bytes of the message retrieveWhole() has received so far.
    void RetrieveProgress(qint64 bytes);

  private:
    struct Session;
    struct Message;
    bool fail(int number, const QString& description);
    bool failed(CURLcode result);
    bool checkNumber(int n);
    bool perform(const std::function<CURLcode(Session&)>& job);
    static CURLcode fetch(Session& s, int n, int limit, Message& message);
    static CURLcode listUids(Session& s, QByteArray& reply);
    void setUids(const QVector<QByteArray>& uids);
    void trailLine(Session& s, int type, const QByteArray& line);
    void deliver(const Message& message);
    void closeSession();

    CurlWorker worker_{this};
    std::unique_ptr<Session> session_;
    int count_ = 0;
    qint64 total_ = 0;
    QVector<qint64> sizes_;
    QVector<QByteArray> uids_;
    QHash<QByteArray, int> numbers_;
    bool hasUids_ = false;
    // A server that refused UIDL once is not asked again (each refusal costs
    // a second login).
    QString uidlRefusedBy_;
    bool connected_ = false;
    bool running_ = false;
    QString lastReply_;
};

} // namespace platform
