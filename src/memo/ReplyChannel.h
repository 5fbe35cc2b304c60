#pragma once

#include <QByteArray>
#include <QString>

class QObject;
class ReplySession;

// What a reply session needs of the memo server: its visitor's connection,
// the page files and the memo's sender. The server implements it, so the
// session does not depend on the server's whole window.
class ReplyChannel {
  public:
    virtual quint64 connectionIdOf(int index) const = 0;
    // Both do nothing once the connection is no longer the session's.
    virtual void sendFor(quint64 serial, int index, quint64 connection, const QByteArray& text) = 0;
    virtual void closeFor(quint64 serial, int index, quint64 connection) = 0;
    virtual void sessionFinished(ReplySession* session) = 0;
    virtual QByteArray ReadHTML(const QString& fileName) = 0;
    // The visitor went away while the memo was handled; cleared by the session.
    virtual bool remoteClosed() const = 0;
    virtual void clearRemoteClosed() = 0;
    virtual QByteArray senderName() const = 0;
    // The QObject the session lives under.
    virtual QObject* owner() = 0;

  protected:
    ~ReplyChannel() = default;
};
