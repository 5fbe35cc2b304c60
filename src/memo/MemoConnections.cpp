#include "memo/MemoConnections.h"

#include <cstring>

#include <netinet/in.h>

MemoConnections::Map::iterator MemoConnections::add(int fd, const sockaddr_storage& peer, qint64 now)
{
    const auto [it, added] = table_.try_emplace(nextIndex());
    MemoConnection& c = it->second;
    c.fd = fd;
    c.id = ++lastId_;
    c.peer = peer;
    c.acceptedAt = c.lastActivity = now;
    return it;
}

MemoConnection* MemoConnections::find(int index)
{
    const auto it = table_.find(index);
    return it == table_.end() ? nullptr : &it->second;
}

const MemoConnection* MemoConnections::find(int index) const
{
    const auto it = table_.find(index);
    return it == table_.end() ? nullptr : &it->second;
}

// The key carries the index for the look-up and the low half of the id to
// tell a closed connection's late event from its successor's.
quint64 MemoConnections::keyOf(int index, const MemoConnection& c)
{
    return (quint64(quint32(index)) << 32) | (c.id & 0xFFFFFFFFu);
}

MemoConnection* MemoConnections::fromKey(quint64 key, int& index)
{
    index = int(key >> 32);
    MemoConnection* c = find(index);
    return c && (c->id & 0xFFFFFFFFu) == (key & 0xFFFFFFFFu) ? c : nullptr;
}

int MemoConnections::oldestCollecting() const
{
    int oldest = 0;
    qint64 oldestActivity = 0;
    for (const auto& [index, c] : table_) {
        if (c.stage == MemoConnection::Stage::Collecting &&
            (oldest == 0 || c.lastActivity < oldestActivity)) {
            oldest = index;
            oldestActivity = c.lastActivity;
        }
    }
    return oldest;
}

int MemoConnections::handshakesOf(const VisitorKey& visitor, int& oldest) const
{
    int count = 0;
    oldest = 0;
    // Indexes grow with accept order, so the first one found is the oldest.
    for (const auto& [index, c] : table_) {
        if (!c.handshaking || c.visitor != visitor)
            continue;
        if (count++ == 0)
            oldest = index;
    }
    return count;
}

VisitorKey MemoConnections::visitorOf(const sockaddr_storage& peer)
{
    if (peer.ss_family == AF_INET)
        return {reinterpret_cast<const sockaddr_in&>(peer).sin_addr.s_addr, true};
    const in6_addr& address = reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&address)) {
        quint32 v4 = 0;
        std::memcpy(&v4, address.s6_addr + 12, sizeof v4);
        return {v4, true};
    }
    quint64 network = 0;
    std::memcpy(&network, address.s6_addr, sizeof network);
    return {network, false};
}
