#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

// The memo port's TLS: one server context made from a certificate chain and
// its key (PEM), and the per-connection sessions made from it. A session
// holds its own reference to the context it was made from, so a context can
// be replaced (a renewed certificate) while older visitors finish on the old
// one.
class MemoTlsContext {
  public:
    // nullptr with problem set when the PEM texts do not make a usable pair.
    static std::shared_ptr<MemoTlsContext> fromPem(const QByteArray& certificateChain, const QByteArray& key,
                                                   QString& problem);
    ~MemoTlsContext();
    MemoTlsContext(const MemoTlsContext&) = delete;
    MemoTlsContext& operator=(const MemoTlsContext&) = delete;

    // A server session on the non-blocking socket fd; nullptr when memory
    // ran out. Its socket I/O never raises SIGPIPE.
    SSL* newSession(int fd) const;

  private:
    explicit MemoTlsContext(SSL_CTX* ctx) : ctx_(ctx) {}
    SSL_CTX* ctx_;
};

namespace memo::tls {

// The first byte of a TLS handshake record: a visitor whose first byte is
// something else speaks plain HTTP.
inline constexpr unsigned char kHandshakeRecord = 0x16;

// The outcome of one step on a session, in the socket calls' terms.
enum class Step { Done, WantRead, WantWrite, Closed, Failed };

// Drives the handshake on.
Step handshake(SSL* ssl);
// Bytes read (> 0), or 0 with step saying why none came.
qsizetype read(SSL* ssl, char* buffer, qsizetype size, Step& step);
// Bytes taken (> 0), or 0 with step saying why none were.
qsizetype write(SSL* ssl, const char* data, qsizetype size, Step& step);
// Sends the close notice without waiting for the visitor's, and frees.
void finish(SSL* ssl, bool sayGoodbye);

// The latest error queued by OpenSSL in words, for the log; clears the queue.
QString lastError();

} // namespace memo::tls
