#pragma once

#include <QByteArray>
#include <QVector>

// One message of the mailbox as the POP3 listing and reading fill it. The
// texts are kept as the server sent them (bytes); windows decode them for
// display (MailText.h).
struct MailMessage {
    QByteArray From;
    QByteArray Subject = "'";
    QByteArray Date = "'";
    // Every header line received: name, ": ", value, CR LF, in arrival order.
    QByteArray Headers;
    qint32 Size = 0;
    // Body lines received, each followed by CR LF.
    QByteArray Body;
    // The whole message as retrieved: CR LF line ends, dot-stuffing undone,
    // at most 16 MiB. What the composer parses.
    QByteArray Raw;

    // The state before a message's header block is fetched.
    void reset(qint32 size);
    // POP1_Header: appends the line to Headers; From, Subject and Date take
    // the value of their header (later lines of the same name win).
    void addHeader(const QByteArray& name, const QByteArray& value);
    // Headers (folded lines joined) and the start of the body from Raw.
    void takeHeadersFromRaw();
};

// The mailbox listing, message n (1-based) in entry n. It grows to the
// size of the mailbox, so any number of messages can be listed.
class MessageTable {
  public:
    // Makes entries 1..count exist (and drops any beyond).
    void resize(int count);
    int count() const { return int(messages_.size()); }
    // Entry n, 1-based; n outside 1..count() is a programming error.
    MailMessage& operator[](int n);
    const MailMessage& operator[](int n) const;

  private:
    QVector<MailMessage> messages_;
};
