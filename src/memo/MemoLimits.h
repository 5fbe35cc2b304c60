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
    // A memo's fields are cut to generous multiples of the form's own limits
    // (40 characters of name, 256 of message) before they are logged or shown.
    qsizetype maxFieldBytes = 512;
    qsizetype maxMessageBytes = 4096;
    // Memos logged or shown per visitor address in any minute; the rest get
    // the busy page and are not logged.
    int memosPerVisitorPerMinute = 10;
    // Descriptors kept free for the program's own files (Memo.txt, the logs,
    // the settings) when the connection cap is derived from the process limit.
    int descriptorReserve = 128;
    // TLS handshakes in progress per visitor address (IPv6: per /64); the
    // visitor's oldest one makes room for a newer.
    int handshakesPerVisitor = 32;
    // How often the certificate and key files are looked at for a change.
    int certificateCheckMs = 5000;
    // One request to the ACME server, from connecting to the last byte.
    int acmeRequestTimeoutMs = 30 * 1000;
    // The wait before the first retry of a failed certificate order; it
    // doubles with every failure in a row, up to acmeRetryMaxMs.
    int acmeRetryMs = 60 * 1000;
    int acmeRetryMaxMs = 6 * 3600 * 1000;
    // How long the ACME server may take to validate and to issue.
    int acmeValidationWaitMs = 120 * 1000;
};

MemoLimits& memoLimits();
