#include "memo/MemoTransport.h"

#include "core/Logs.h"
#include "memo/DescriptorLimit.h"
#include "memo/MemoLimits.h"
#include "memo/MemoSockets.h"
#include "memo/MemoTls.h"

#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <openssl/ssl.h>
#include <sys/epoll.h>
#include <utility>
#include <vector>

namespace {

using Stage = MemoConnection::Stage;
using Wire = MemoConnection::Wire;
using memo::tls::Step;

constexpr quint64 kListenerKey = 0; // no connection has index 0
// Descriptors left free below the count at which accepting ran out of them.
constexpr int kDescriptorHeadroom = 16;

bool wouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}

bool outOfDescriptors(int error)
{
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

} // namespace

MemoTransport::MemoTransport(Handlers handlers, QObject* parent)
    : QObject(parent), handlers_(std::move(handlers))
{
    descriptorLimit_ = RaiseDescriptorLimit();
    cap_ = ConnectionCap(descriptorLimit_, memoLimits());
    clock_.start();
    poller_ = new SocketPoller([this](quint64 key, quint32 events) { onEvent(key, events); }, this);
    sweep_ = new QTimer(this);
    sweep_->setInterval(std::clamp(memoLimits().idleTimeoutMs / 4, 10, 1000));
    connect(sweep_, &QTimer::timeout, this, &MemoTransport::sweep);
}

MemoTransport::~MemoTransport()
{
    for (auto& [index, c] : connections_) {
        memo::tls::finish(c.tls, false);
        memo::net::closeSocket(c.fd);
    }
    memo::net::closeSocket(listenFd_);
}

bool MemoTransport::listen(quint16 port)
{
    if (!poller_->valid())
        return false;
    const int fd = memo::net::openListener(port);
    if (fd < 0)
        return false;
    if (!poller_->watch(fd, kListenerKey, EPOLLIN)) {
        memo::net::closeSocket(fd);
        return false;
    }
    listenFd_ = fd;
    port_ = memo::net::localPort(fd);
    sweep_->start();
    return true;
}

bool MemoTransport::connected(int index) const
{
    const MemoConnection* c = connections_.find(index);
    return c && c->stage != Stage::Closing;
}

bool MemoTransport::plainOnTlsPort(int index) const
{
    const MemoConnection* c = connections_.find(index);
    return c && c->wire == Wire::PlainOnTlsPort;
}

quint64 MemoTransport::idOf(int index) const
{
    const MemoConnection* c = connections_.find(index);
    return c ? c->id : 0;
}

platform::IpAddress MemoTransport::peerOf(int index) const
{
    const MemoConnection* c = connections_.find(index);
    // An IPv4 visitor reaching the IPv6 socket comes out as plain IPv4.
    return c ? platform::IpAddress::fromSockaddr(reinterpret_cast<const sockaddr*>(&c->peer))
             : platform::IpAddress();
}

void MemoTransport::onEvent(quint64 key, quint32 events)
{
    if (key == kListenerKey)
        return acceptAll();
    int index = 0;
    MemoConnection* c = connections_.fromKey(key, index);
    if (!c)
        return; // closed earlier in the same batch
    if ((events & EPOLLOUT) && c->handshaking)
        return advanceHandshake(index, *c);
    if ((events & EPOLLOUT) && !c->pending.isEmpty()) {
        flush(index, *c);
        c = connections_.fromKey(key, index);
    }
    if (c && (events & (EPOLLIN | EPOLLHUP | EPOLLERR)))
        readable(index, *c);
}

void MemoTransport::acceptAll()
{
    // Every visitor waiting now, in one wake-up.
    for (;;) {
        sockaddr_storage peer{};
        const int fd = memo::net::acceptVisitor(listenFd_, peer);
        if (fd < 0) {
            if (errno == ECONNABORTED || errno == EPROTO)
                continue;
            if (!wouldBlock(errno))
                acceptFailed(errno);
            break;
        }
        if (connections_.size() >= cap_ && !makeRoom()) {
            memo::net::closeSocket(fd);
            continue;
        }
        const auto it = connections_.add(fd, peer, now());
        it->second.wire = https_ ? Wire::Undecided : Wire::Plain;
        poller_->watch(fd, MemoConnections::keyOf(it->first, it->second), EPOLLIN);
        handlers_.accepted(it->first);
    }
    // Probing the descriptor table costs two calls: only worth it when the
    // table could be filling up.
    if (connections_.size() * 2 >= cap_)
        keepDescriptorsFree();
}

void MemoTransport::acceptFailed(int error)
{
    // The listener rests for a moment instead of failing in a loop.
    if (outOfDescriptors(error))
        keepDescriptorsFree();
    if (resumePending_)
        return;
    resumePending_ = true;
    DebugLog(QStringLiteral("[Memo-Server] Error: ") + QString::number(error));
    poller_->change(listenFd_, kListenerKey, 0);
    QTimer::singleShot(50, this, [this] {
        resumePending_ = false;
        poller_->change(listenFd_, kListenerKey, EPOLLIN);
    });
}

void MemoTransport::keepDescriptorsFree()
{
    // Other parts of the process hold descriptors too. Near the limit the cap
    // comes down to what the process can hold, and the oldest requests still
    // being collected make room for the visitors waiting in the backlog.
    if (!NearDescriptorLimit(descriptorLimit_, kDescriptorHeadroom))
        return;
    cap_ = std::max(1, std::min(cap_, connections_.size() - kDescriptorHeadroom));
    while (connections_.size() > cap_ && makeRoom()) {
    }
}

bool MemoTransport::makeRoom()
{
    // So idle connections cannot lock visitors out.
    const int oldest = connections_.oldestCollecting();
    if (oldest == 0)
        return false;
    abort(oldest);
    return true;
}

void MemoTransport::readable(int index, MemoConnection& c)
{
    if (c.wire == Wire::Undecided && !chooseWire(index, c))
        return;
    if (c.handshaking)
        return advanceHandshake(index, c);
    // TLS may hold the rest of a record it already took from the socket,
    // which the poller cannot see.
    const quint64 key = MemoConnections::keyOf(index, c);
    for (MemoConnection* current = &c; readOnce(index, *current);) {
        current = connections_.fromKey(key, index);
        if (!current || !current->tls || SSL_has_pending(current->tls) != 1)
            break;
    }
}

// False once nothing more is to be read now.
bool MemoTransport::readOnce(int index, MemoConnection& c)
{
    char buffer[16 * 1024];
    const qsizetype cap = memoLimits().maxRequestBytes;
    const bool collecting = c.stage == Stage::Collecting;
    // One byte over the cap tells a request that is too large.
    const qsizetype room =
        collecting ? std::min<qsizetype>(sizeof buffer, cap + 1 - c.request.size()) : sizeof buffer;
    const qsizetype n = receive(c, buffer, room);
    if (n < 0 && wouldBlock(errno))
        return false;
    if (n < 0 && errno != ECONNRESET)
        handlers_.failed(index, errno);
    if (n <= 0) {
        remove(index, c.stage != Stage::Closing);
        return false;
    }
    // Nothing more is read into a request already answered.
    if (collecting)
        collect(index, c, buffer, n);
    return true;
}

bool MemoTransport::chooseWire(int index, MemoConnection& c)
{
    unsigned char first = 0;
    const qsizetype n = memo::net::peekByte(c.fd, first);
    if (n < 0 && wouldBlock(errno))
        return false;
    if (n <= 0) {
        remove(index, true);
        return false;
    }
    if (first != memo::tls::kHandshakeRecord) {
        c.wire = Wire::PlainOnTlsPort;
        return true;
    }
    c.tls = tlsContext_ ? tlsContext_->newSession(c.fd) : nullptr;
    if (!c.tls) {
        abort(index);
        return false;
    }
    c.wire = Wire::Tls;
    c.handshaking = true;
    c.visitor = MemoConnections::visitorOf(c.peer);
    int oldest = 0;
    // The newest handshake always stays: it is the one the visitor waits for.
    if (connections_.handshakesOf(c.visitor, oldest) > std::max(1, memoLimits().handshakesPerVisitor))
        abort(oldest);
    // TLS writes in several small records (the session ticket, the page,
    // the close notice): each must not wait for the acknowledgement of the
    // one before.
    memo::net::sendAtOnce(c.fd);
    return true;
}

void MemoTransport::advanceHandshake(int index, MemoConnection& c)
{
    // A handshake is a request in the making: it is bound by the same idle
    // time-out and overall deadline, and shed the same way for a newcomer.
    c.lastActivity = now();
    switch (memo::tls::handshake(c.tls)) {
    case Step::Done:
        c.handshaking = false;
        ++handshakesDone_;
        watchOutput(index, c, false);
        return readable(index, c);
    case Step::WantRead:
        return watchOutput(index, c, false);
    case Step::WantWrite:
        return watchOutput(index, c, true);
    case Step::Closed:
    case Step::Failed:
        return remove(index, true);
    }
}

qsizetype MemoTransport::receive(MemoConnection& c, char* buffer, qsizetype size)
{
    if (!c.tls)
        return memo::net::readSome(c.fd, buffer, size);
    Step step = Step::Done;
    const qsizetype n = memo::tls::read(c.tls, buffer, size, step);
    if (n > 0)
        return n;
    if (step == Step::Closed)
        return 0;
    errno = step == Step::Failed ? ECONNRESET : EAGAIN;
    return -1;
}

qsizetype MemoTransport::transmit(MemoConnection& c, const char* data, qsizetype size)
{
    if (!c.tls)
        return memo::net::sendSome(c.fd, data, size);
    Step step = Step::Done;
    const qsizetype n = memo::tls::write(c.tls, data, size, step);
    if (n > 0)
        return n;
    errno = step == Step::Closed || step == Step::Failed ? EPIPE : EAGAIN;
    return -1;
}

void MemoTransport::watchOutput(int index, MemoConnection& c, bool on)
{
    if (c.watchingOutput == on)
        return;
    c.watchingOutput = on;
    poller_->change(c.fd, MemoConnections::keyOf(index, c), on ? EPOLLIN | EPOLLOUT : EPOLLIN);
}

void MemoTransport::collect(int index, MemoConnection& c, const char* data, qsizetype size)
{
    c.request.append(data, size);
    c.lastActivity = now();
    const qsizetype cap = memoLimits().maxRequestBytes;
    if (c.request.size() > cap) {
        DebugLog(QStringLiteral("[Memo-Server] Request on connection %1 exceeds %2 bytes; closed")
                     .arg(index)
                     .arg(cap));
        return abort(index);
    }
    handlers_.arrived(index, c.request);
    const RequestScanner::Verdict verdict = c.scanner.update(c.request);
    if (verdict == RequestScanner::Verdict::Collecting)
        return;
    c.stage = Stage::Dispatched;
    const QByteArray request = std::exchange(c.request, QByteArray());
    handlers_.complete(index, verdict, request);
}

bool MemoTransport::write(int index, QByteArrayView text)
{
    MemoConnection* c = connections_.find(index);
    if (!c || c->stage == Stage::Closing)
        return false;
    if (!c->pending.isEmpty()) {
        c->pending += text;
        return true;
    }
    qsizetype n = transmit(*c, text.data(), text.size());
    if (n < 0 && !wouldBlock(errno))
        return false; // the visitor's close or reset arrives as an event
    n = std::max<qsizetype>(n, 0);
    if (n < text.size()) {
        c->pending = text.sliced(n).toByteArray();
        watchOutput(index, *c, true);
    }
    return true;
}

void MemoTransport::flush(int index, MemoConnection& c)
{
    const qsizetype n = transmit(c, c.pending.constData(), c.pending.size());
    if (n < 0 && wouldBlock(errno))
        return;
    if (n < 0)
        return remove(index, c.stage != Stage::Closing);
    c.pending.remove(0, n);
    if (!c.pending.isEmpty())
        return;
    if (c.closeWhenSent)
        return remove(index, false);
    watchOutput(index, c, false);
}

void MemoTransport::close(int index)
{
    MemoConnection* c = connections_.find(index);
    if (!c || c->stage == Stage::Closing)
        return;
    c->stage = Stage::Closing;
    c->closedAt = now();
    if (c->pending.isEmpty())
        remove(index, false);
    else
        c->closeWhenSent = true;
}

void MemoTransport::abort(int index)
{
    if (connections_.find(index))
        remove(index, false);
}

void MemoTransport::remove(int index, bool byVisitor)
{
    // Closing the descriptor also takes it out of the poller's set.
    MemoConnection& c = *connections_.find(index);
    memo::tls::finish(c.tls, !byVisitor && !c.handshaking);
    memo::net::closeSocket(c.fd);
    connections_.erase(index);
    handlers_.closed(index, byVisitor);
}

void MemoTransport::sweep()
{
    const qint64 t = now();
    const MemoLimits& limits = memoLimits();
    std::vector<int> expired;
    for (const auto& [index, c] : connections_) {
        if (c.stage == Stage::Collecting &&
            (t - c.lastActivity > limits.idleTimeoutMs || t - c.acceptedAt > limits.requestDeadlineMs))
            expired.push_back(index);
        else if (c.stage == Stage::Closing && t - c.closedAt > limits.closeLingerMs)
            expired.push_back(index);
    }
    for (const int index : expired)
        abort(index);
    keepDescriptorsFree();
}
