#pragma once

#include <QtGlobal>

// Every bound the memo server puts on its visitors, in one place. The
// program uses the defaults; tests shrink the times so that they run fast.
struct MemoLimits {
    // Bytes collected per connection before it is closed as too large.
    qsizetype maxRequestBytes = 64 * 1024;
    // A request that gets no new byte for this long is closed.
    int idleTimeoutMs = 120 * 1000;
    // A request that is still incomplete this long after the accept is closed,
    // however slowly its bytes keep coming.
    int requestDeadlineMs = 300 * 1000;
    // Open connections at most; beyond it the oldest incomplete one makes room.
    int maxConnections = 1000;
    // A connection the server closed but whose visitor does not take the rest
    // of the page is cut off after this long.
    int closeLingerMs = 10 * 1000;
    // One tick of the reply wait.
    int replyTickMs = 1000;
    // Custom page files are read up to this size; the expanded page is cut here.
    qsizetype maxPageFileBytes = 1024 * 1024;
    qsizetype maxExpandedPageBytes = 16 * 1024 * 1024;
};

MemoLimits& memoLimits();
