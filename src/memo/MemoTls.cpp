#include "memo/MemoTls.h"

#include "memo/MemoSockets.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <memory>

namespace {

// OpenSSL's own socket BIO writes with plain send(), which raises SIGPIPE
// when a visitor resets the connection; this one goes through the memo
// server's own socket calls instead.
int socketOf(BIO* bio)
{
    return int(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
}

bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

int bioWrite(BIO* bio, const char* data, int size)
{
    BIO_clear_retry_flags(bio);
    const qsizetype n = memo::net::sendSome(socketOf(bio), data, size);
    if (n < 0 && wouldBlock())
        BIO_set_retry_write(bio);
    return int(n);
}

int bioRead(BIO* bio, char* buffer, int size)
{
    BIO_clear_retry_flags(bio);
    const qsizetype n = memo::net::readSome(socketOf(bio), buffer, size);
    if (n < 0 && wouldBlock())
        BIO_set_retry_read(bio);
    return int(n);
}

long bioControl(BIO*, int command, long, void*)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int bioCreate(BIO* bio)
{
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* socketMethod()
{
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "memo socket");
        BIO_meth_set_write(m, bioWrite);
        BIO_meth_set_read(m, bioRead);
        BIO_meth_set_ctrl(m, bioControl);
        BIO_meth_set_create(m, bioCreate);
        return m;
    }();
    return method;
}

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using MemoryBio = std::unique_ptr<BIO, BioFree>;

MemoryBio memoryBio(const QByteArray& pem)
{
    return MemoryBio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
}

// The leaf first, then whatever intermediates follow it.
bool useChain(SSL_CTX* ctx, const QByteArray& pem)
{
    MemoryBio bio = memoryBio(pem);
    X509* leaf = bio ? PEM_read_bio_X509_AUX(bio.get(), nullptr, nullptr, nullptr) : nullptr;
    if (!leaf)
        return false;
    const bool used = SSL_CTX_use_certificate(ctx, leaf) == 1;
    X509_free(leaf);
    while (used) {
        X509* next = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
        if (!next)
            break;
        if (SSL_CTX_add0_chain_cert(ctx, next) != 1) {
            X509_free(next);
            return false;
        }
    }
    ERR_clear_error(); // the end of the PEM text reads as an error
    return used;
}

bool useKey(SSL_CTX* ctx, const QByteArray& pem)
{
    MemoryBio bio = memoryBio(pem);
    // A passphrase prompt would block: keys with one are refused.
    EVP_PKEY* key = bio ? PEM_read_bio_PrivateKey(
                              bio.get(), nullptr, [](char*, int, int, void*) { return 0; }, nullptr)
                        : nullptr;
    if (!key)
        return false;
    const bool used = SSL_CTX_use_PrivateKey(ctx, key) == 1;
    EVP_PKEY_free(key);
    return used && SSL_CTX_check_private_key(ctx) == 1;
}

SSL_CTX* serverContext()
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx)
        return nullptr;
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE |
                                 SSL_OP_NO_COMPRESSION | SSL_OP_IGNORE_UNEXPECTED_EOF);
    // The page's remainder may move when more is queued behind it; idle
    // visitors hold no record buffers. The chain goes out as the file has
    // it, instead of being built again from the trust store per handshake.
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER |
                              SSL_MODE_RELEASE_BUFFERS | SSL_MODE_NO_AUTO_CHAIN);
    static const unsigned char kSessionContext[] = "memo";
    // A record's header and body, and the records after it, in one read.
    SSL_CTX_set_read_ahead(ctx, 1);
    SSL_CTX_set_session_id_context(ctx, kSessionContext, sizeof kSessionContext - 1);
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_SERVER);
    SSL_CTX_sess_set_cache_size(ctx, 1024);
    SSL_CTX_set_num_tickets(ctx, 1);
    return ctx;
}

} // namespace

std::shared_ptr<MemoTlsContext> MemoTlsContext::fromPem(const QByteArray& certificateChain,
                                                        const QByteArray& key, QString& problem)
{
    ERR_clear_error();
    SSL_CTX* ctx = serverContext();
    if (!ctx) {
        problem = QStringLiteral("TLS cannot be set up: ") + memo::tls::lastError();
        return nullptr;
    }
    if (!useChain(ctx, certificateChain)) {
        problem = QStringLiteral("the certificate file holds no usable certificate");
    } else if (!useKey(ctx, key)) {
        problem = QStringLiteral("the key file holds no key that fits the certificate");
    } else {
        ERR_clear_error();
        return std::shared_ptr<MemoTlsContext>(new MemoTlsContext(ctx));
    }
    ERR_clear_error();
    SSL_CTX_free(ctx);
    return nullptr;
}

MemoTlsContext::~MemoTlsContext()
{
    SSL_CTX_free(ctx_);
}

SSL* MemoTlsContext::newSession(int fd) const
{
    SSL* ssl = SSL_new(ctx_);
    BIO* bio = ssl ? BIO_new(socketMethod()) : nullptr;
    if (!bio) {
        SSL_free(ssl);
        ERR_clear_error();
        return nullptr;
    }
    BIO_set_data(bio, reinterpret_cast<void*>(intptr_t(fd)));
    SSL_set_bio(ssl, bio, bio);
    SSL_set_accept_state(ssl);
    return ssl;
}

namespace memo::tls {

namespace {

Step stepAfter(SSL* ssl, int result)
{
    switch (SSL_get_error(ssl, result)) {
    case SSL_ERROR_WANT_READ:
        return Step::WantRead;
    case SSL_ERROR_WANT_WRITE:
        return Step::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
    case SSL_ERROR_SYSCALL: // the visitor's end or reset
        ERR_clear_error();
        return Step::Closed;
    default:
        ERR_clear_error();
        return Step::Failed;
    }
}

int clampedSize(qsizetype size)
{
    return int(std::min<qsizetype>(size, INT_MAX));
}

} // namespace

Step handshake(SSL* ssl)
{
    ERR_clear_error();
    const int result = SSL_do_handshake(ssl);
    return result == 1 ? Step::Done : stepAfter(ssl, result);
}

qsizetype read(SSL* ssl, char* buffer, qsizetype size, Step& step)
{
    ERR_clear_error();
    const int n = SSL_read(ssl, buffer, clampedSize(size));
    step = n > 0 ? Step::Done : stepAfter(ssl, n);
    return std::max(n, 0);
}

qsizetype write(SSL* ssl, const char* data, qsizetype size, Step& step)
{
    ERR_clear_error();
    const int n = SSL_write(ssl, data, clampedSize(size));
    step = n > 0 ? Step::Done : stepAfter(ssl, n);
    return std::max(n, 0);
}

void finish(SSL* ssl, bool sayGoodbye)
{
    if (!ssl)
        return;
    if (sayGoodbye)
        SSL_shutdown(ssl);
    ERR_clear_error();
    SSL_free(ssl);
}

QString lastError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return QStringLiteral("unknown error");
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromLatin1(text);
}

} // namespace memo::tls
