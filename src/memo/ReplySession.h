#pragma once

#include <QObject>
#include <QTimer>

class ReplyChannel;

// The memo page of one handled memo from the response head to the closed
// connection, with the reply wait in the middle. The wait ticks once per
// second on a timer instead of looping inside the event that brought the
// memo, so stopping the server or a newer memo never re-enters it halfway.
class ReplySession : public QObject {
    Q_OBJECT

  public:
    ReplySession(ReplyChannel& server, int index, quint64 serial);

    // Sends the head and the opening; then either the closing at once or,
    // when a reply is wanted, the wait.
    void start();
    bool waiting() const { return timer_.isActive(); }
    // Which handled memo this page belongs to.
    quint64 serial() const { return serial_; }
    // Nothing more is sent; the memo window goes.
    void abandon();

  private:
    void tick();
    void endWait();
    // The end of the page, and whether the connection closes after it.
    QByteArray closing() const;
    void sendClosing();
    void send(const QByteArray& text);
    void finish();
    bool page(int index) const;

    ReplyChannel& server_;
    int index_;
    quint64 serial_;
    quint64 connection_;
    QTimer timer_;
    bool interimSent_ = false;
    bool finished_ = false;
};
