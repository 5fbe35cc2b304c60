#pragma once

#include "memo/RequestScanner.h"

#include <QByteArray>

#include <map>

typedef struct ssl_st SSL;

#include <sys/socket.h>

// A visitor as the per-visitor bounds count it: IPv4 by address, IPv6 by
// its /64 network.
struct VisitorKey {
    quint64 bits = 0;
    bool ipv4 = false;
    bool operator==(const VisitorKey&) const = default;
};

// One visitor's connection: its socket, what it sent so far and what the
// system has not yet taken of the page going back.
struct MemoConnection {
    enum class Stage { Collecting, Dispatched, Closing };
    // What the visitor speaks. On a port with HTTPS the first byte decides.
    enum class Wire { Plain, Undecided, Tls, PlainOnTlsPort };

    int fd = -1;
    // Unlike the index, never used twice while the server runs: a late
    // reply cannot reach a newer visitor that got the same index.
    quint64 id = 0;
    sockaddr_storage peer{};
    QByteArray request;
    RequestScanner scanner;
    Stage stage = Stage::Collecting;
    qint64 acceptedAt = 0;
    qint64 lastActivity = 0;
    qint64 closedAt = 0;
    QByteArray pending;
    // Closed by the server once the pending output is gone.
    bool closeWhenSent = false;
    Wire wire = Wire::Plain;
    // The visitor's address as the per-visitor bounds count it.
    VisitorKey visitor;
    SSL* tls = nullptr;
    bool handshaking = false;
    // The poller also wakes for room to write.
    bool watchingOutput = false;
};

// The open connections by index. A new visitor gets one above the highest
// index present, so an index comes back only after the highest slot left.
class MemoConnections {
  public:
    using Map = std::map<int, MemoConnection>;

    // A new entry for fd; its index is the entry's key.
    Map::iterator add(int fd, const sockaddr_storage& peer, qint64 now);
    MemoConnection* find(int index);
    const MemoConnection* find(int index) const;
    // The entry a poller key names, if it is still the same connection.
    MemoConnection* fromKey(quint64 key, int& index);
    static quint64 keyOf(int index, const MemoConnection& c);
    void erase(int index) { table_.erase(index); }

    int size() const { return int(table_.size()); }
    int nextIndex() const { return table_.empty() ? 1 : table_.rbegin()->first + 1; }
    // The index of the request still collecting with the oldest last
    // activity, or 0 when there is none.
    int oldestCollecting() const;

    // The handshakes in progress from visitor, and the index of the one
    // with the oldest accept.
    int handshakesOf(const VisitorKey& visitor, int& oldest) const;
    static VisitorKey visitorOf(const sockaddr_storage& peer);

    Map::iterator begin() { return table_.begin(); }
    Map::iterator end() { return table_.end(); }

  private:
    Map table_;
    quint64 lastId_ = 0;
};
