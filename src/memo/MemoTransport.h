#pragma once

#include "memo/MemoConnections.h"
#include "platform/IpAddress.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>

class MemoTlsContext;

class QTimer;
class SocketPoller;

// The memo server's transport: the listening socket, the table of visitor
// connections and every bound on them (connection cap below the descriptor
// limit, the oldest collecting request shed for a newcomer, idle time-out,
// overall request deadline, request size cap, linger after the server's
// close). It collects each request until the scanner has a verdict and
// hands it over; what to answer is the owner's business.
class MemoTransport : public QObject {
  public:
    struct Handlers {
        std::function<void(int index)> accepted;
        // Everything received so far on index, after each arrival.
        std::function<void(int index, const QByteArray& request)> arrived;
        std::function<void(int index, RequestScanner::Verdict verdict, const QByteArray& request)> complete;
        // After the connection left the table; byVisitor when the visitor's
        // side closed or reset it before the server did.
        std::function<void(int index, bool byVisitor)> closed;
        std::function<void(int index, int error)> failed;
    };

    MemoTransport(Handlers handlers, QObject* parent);
    ~MemoTransport() override;

    // Starts listening; false with errno set when the port cannot be had.
    bool listen(quint16 port);
    bool listening() const { return listenFd_ >= 0; }
    quint16 port() const { return port_; }

    // With https on, a visitor whose first byte opens a TLS handshake gets
    // TLS with the context in force at that moment (none: the handshake is
    // refused); any other visitor is plain, for the owner to redirect.
    void setHttps(bool on) { https_ = on; }
    void setTlsContext(std::shared_ptr<MemoTlsContext> context) { tlsContext_ = std::move(context); }
    bool https() const { return https_; }
    bool plainOnTlsPort(int index) const;
    quint64 handshakesDone() const { return handshakesDone_; }

    int connectionCount() const { return connections_.size(); }
    int nextIndex() const { return connections_.nextIndex(); }
    int connectionCap() const { return cap_; }
    qint64 now() const { return clock_.elapsed(); }

    // Present and not yet closed by the server.
    bool connected(int index) const;
    quint64 idOf(int index) const;
    platform::IpAddress peerOf(int index) const;

    // Queues text after what is still pending; false when the connection is
    // closed or gone. Text the system takes at once costs one call.
    bool write(int index, QByteArrayView text);
    // Closes once the pending output went out (or the linger ran out).
    void close(int index);
    void abort(int index);

  private:
    void onEvent(quint64 key, quint32 events);
    void acceptAll();
    void acceptFailed(int error);
    void keepDescriptorsFree();
    bool makeRoom();
    void readable(int index, MemoConnection& c);
    bool readOnce(int index, MemoConnection& c);
    bool chooseWire(int index, MemoConnection& c);
    void advanceHandshake(int index, MemoConnection& c);
    qsizetype receive(MemoConnection& c, char* buffer, qsizetype size);
    qsizetype transmit(MemoConnection& c, const char* data, qsizetype size);
    void watchOutput(int index, MemoConnection& c, bool on);
    void collect(int index, MemoConnection& c, const char* data, qsizetype size);
    void flush(int index, MemoConnection& c);
    void remove(int index, bool byVisitor);
    void sweep();

    Handlers handlers_;
    MemoConnections connections_;
    SocketPoller* poller_ = nullptr;
    QTimer* sweep_ = nullptr;
    QElapsedTimer clock_;
    int listenFd_ = -1;
    quint16 port_ = 0;
    long descriptorLimit_ = 0;
    int cap_ = 0;
    bool resumePending_ = false;
    bool https_ = false;
    std::shared_ptr<MemoTlsContext> tlsContext_;
    quint64 handshakesDone_ = 0;
};
