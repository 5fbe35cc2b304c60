#include "memo/MemoSockets.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <unistd.h>

namespace memo::net {

namespace {

int listenOn(int family, quint16 port)
{
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    const int off = 0;
    // A restart must not wait for the last visitors' connections to time out.
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    int bound = -1;
    if (family == AF_INET6) {
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_any;
        address.sin6_port = htons(port);
        bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        address.sin_port = htons(port);
        bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    if (bound != 0 || ::listen(fd, SOMAXCONN) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

int openListener(quint16 port)
{
    const int fd = listenOn(AF_INET6, port);
    if (fd >= 0 || (errno != EAFNOSUPPORT && errno != EADDRNOTAVAIL))
        return fd;
    return listenOn(AF_INET, port);
}

quint16 localPort(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

int acceptVisitor(int listenFd, sockaddr_storage& peer)
{
    socklen_t length = sizeof peer;
    return ::accept4(listenFd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
}

qsizetype readSome(int fd, char* buffer, qsizetype size)
{
    qsizetype n = 0;
    do
        n = ::read(fd, buffer, size_t(size));
    while (n < 0 && errno == EINTR);
    return n;
}

qsizetype peekByte(int fd, unsigned char& byte)
{
    qsizetype n = 0;
    do
        n = ::recv(fd, &byte, 1, MSG_PEEK);
    while (n < 0 && errno == EINTR);
    return n;
}

qsizetype sendSome(int fd, const char* data, qsizetype size)
{
    qsizetype n = 0;
    do
        n = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return n;
}

void sendAtOnce(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void closeSocket(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

} // namespace memo::net

SocketPoller::SocketPoller(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), epollFd_(::epoll_create1(EPOLL_CLOEXEC))
{
    if (epollFd_ < 0)
        return;
    notifier_ = new QSocketNotifier(epollFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SocketPoller::drain);
}

SocketPoller::~SocketPoller()
{
    delete notifier_;
    memo::net::closeSocket(epollFd_);
}

bool SocketPoller::watch(int fd, quint64 key, quint32 events)
{
    epoll_event event{events, {.u64 = key}};
    return ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event) == 0;
}

bool SocketPoller::change(int fd, quint64 key, quint32 events)
{
    epoll_event event{events, {.u64 = key}};
    return ::epoll_ctl(epollFd_, EPOLL_CTL_MOD, fd, &event) == 0;
}

void SocketPoller::drain()
{
    // One batch per wake-up: the event loop comes back for the rest, so the
    // window and the timers get their turn between batches.
    constexpr int kBatch = 64;
    epoll_event events[kBatch];
    int n = 0;
    do
        n = ::epoll_wait(epollFd_, events, kBatch, 0);
    while (n < 0 && errno == EINTR);
    for (int i = 0; i < n; ++i)
        handler_(events[i].data.u64, events[i].events);
}
