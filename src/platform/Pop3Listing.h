#pragma once

#include <QByteArray>
#include <QHash>
#include <QVector>

namespace platform {

// The multi-line answers to LIST and UIDL, read from bytes a server sent.
// Both are untrusted: lines out of order, numbers out of range, repeated
// ids and junk are dropped rather than believed, so a message is never
// named by an id that might also name another.

// Sizes by message number (1-based, entry n-1); at most maxMessages entries.
QVector<qint64> ParseSizeListing(const QByteArray& reply, int maxMessages);

// Unique ids by message number for messages 1..count. An id that is not
// 1-70 printable characters, or that two messages share, is left empty.
QVector<QByteArray> ParseUidListing(const QByteArray& reply, int count);

} // namespace platform
