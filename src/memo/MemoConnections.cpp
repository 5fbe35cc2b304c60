#include "memo/MemoConnections.h"

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
        if (c.stage == MemoConnection::Stage::Collecting && (oldest == 0 || c.lastActivity < oldestActivity)) {
            oldest = index;
            oldestActivity = c.lastActivity;
        }
    }
    return oldest;
}
