#pragma once

#include <QObject>

#include <functional>

#include <netinet/in.h>
#include <sys/socket.h>

class QSocketNotifier;

// The memo server's sockets without a framework in between: each call is one
// system call, and none is made that the server does not need. Every socket
// is non-blocking and closed on exec.
namespace memo::net {

// A listening socket on every local address, IPv6 and IPv4 alike when the
// system has IPv6; -1 with errno set when it cannot be had.
int openListener(quint16 port);
quint16 localPort(int fd);

// The next waiting visitor, or -1 with errno set (EAGAIN when none waits).
int acceptVisitor(int listenFd, sockaddr_storage& peer);

// Bytes read into buffer (0 at the visitor's end), or -1 with errno set.
qsizetype readSome(int fd, char* buffer, qsizetype size);
// The first byte waiting on fd, left there for the next read: 1, 0 at the
// visitor's end, or -1 with errno set.
qsizetype peekByte(int fd, unsigned char& byte);
// Bytes the system took, or -1 with errno set; never raises SIGPIPE.
qsizetype sendSome(int fd, const char* data, qsizetype size);
void closeSocket(int fd);
// Small writes go out at once instead of waiting for the visitor's
// acknowledgement of the one before (Nagle).
void sendAtOnce(int fd);

} // namespace memo::net

// A set of sockets watched through one epoll descriptor, which is the only
// thing the GUI thread's event loop watches: adding or dropping a visitor
// costs the event loop nothing, and one wake-up delivers every ready socket.
class SocketPoller : public QObject {
  public:
    // Called with the key a socket was watched under and the epoll events.
    using Handler = std::function<void(quint64 key, quint32 events)>;

    SocketPoller(Handler handler, QObject* parent);
    ~SocketPoller() override;
    bool valid() const { return epollFd_ >= 0; }

    bool watch(int fd, quint64 key, quint32 events);
    // events 0 keeps the socket in the set without waking for it.
    bool change(int fd, quint64 key, quint32 events);

  private:
    void drain();

    Handler handler_;
    int epollFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
