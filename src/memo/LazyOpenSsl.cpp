// OpenSSL's entry points that the memo port's TLS and the ACME client use,
// forwarding to libssl and libcrypto opened at the first call. A session
// with HTTPS off never loads either; without them TLS fails to set up
// (no context, no key) instead of the program failing to start.
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "platform/LazyLibrary.h"

#include <cstdarg>
#include <type_traits>

namespace {

platform::LazyLibrary& sslLibrary()
{
    static platform::LazyLibrary library(HALVORN_SSL_SONAME);
    return library;
}

platform::LazyLibrary& cryptoLibrary()
{
    static platform::LazyLibrary library(HALVORN_CRYPTO_SONAME);
    return library;
}

// What a call answers when the library is missing: null, zero or nothing.
template <class Result> Result missing()
{
    if constexpr (!std::is_void_v<Result>)
        return Result();
}

#define HALVORN_OPENSSL_BIND(library, name)                                                                  \
    static const auto real = platform::bind<decltype(&::name)>(library##Library(), #name)
#define HALVORN_OPENSSL_FORWARD(library, name, args)                                                         \
    HALVORN_OPENSSL_BIND(library, name);                                                                     \
    return real ? real args : missing<decltype(real args)>()

} // namespace

extern "C" {

int ASN1_TIME_to_tm(const ASN1_TIME* s, struct tm* tm)
{
    HALVORN_OPENSSL_FORWARD(crypto, ASN1_TIME_to_tm, (s, tm));
}

void BIO_clear_flags(BIO* b, int flags)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_clear_flags, (b, flags));
}

long BIO_ctrl(BIO* bp, int cmd, long larg, void* parg)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_ctrl, (bp, cmd, larg, parg));
}

int BIO_free(BIO* a)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_free, (a));
}

void BIO_free_all(BIO* a)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_free_all, (a));
}

void* BIO_get_data(BIO* a)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_get_data, (a));
}

int BIO_get_new_index()
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_get_new_index, ());
}

BIO_METHOD* BIO_meth_new(int type, const char* name)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_meth_new, (type, name));
}

int BIO_meth_set_create(BIO_METHOD* biom, int (*create)(BIO*))
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_meth_set_create, (biom, create));
}

int BIO_meth_set_ctrl(BIO_METHOD* biom, long (*ctrl)(BIO*, int, long, void*))
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_meth_set_ctrl, (biom, ctrl));
}

int BIO_meth_set_read(BIO_METHOD* biom, int (*read)(BIO*, char*, int))
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_meth_set_read, (biom, read));
}

int BIO_meth_set_write(BIO_METHOD* biom, int (*write)(BIO*, const char*, int))
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_meth_set_write, (biom, write));
}

BIO* BIO_new(const BIO_METHOD* type)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_new, (type));
}

BIO* BIO_new_mem_buf(const void* buf, int len)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_new_mem_buf, (buf, len));
}

const BIO_METHOD* BIO_s_mem()
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_s_mem, ());
}

void BIO_set_data(BIO* a, void* ptr)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_set_data, (a, ptr));
}

void BIO_set_flags(BIO* b, int flags)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_set_flags, (b, flags));
}

void BIO_set_init(BIO* a, int init)
{
    HALVORN_OPENSSL_FORWARD(crypto, BIO_set_init, (a, init));
}

int BN_bn2binpad(const BIGNUM* a, unsigned char* to, int tolen)
{
    HALVORN_OPENSSL_FORWARD(crypto, BN_bn2binpad, (a, to, tolen));
}

void BN_free(BIGNUM* a)
{
    HALVORN_OPENSSL_FORWARD(crypto, BN_free, (a));
}

void ECDSA_SIG_free(ECDSA_SIG* sig)
{
    HALVORN_OPENSSL_FORWARD(crypto, ECDSA_SIG_free, (sig));
}

void ECDSA_SIG_get0(const ECDSA_SIG* sig, const BIGNUM** pr, const BIGNUM** ps)
{
    HALVORN_OPENSSL_FORWARD(crypto, ECDSA_SIG_get0, (sig, pr, ps));
}

void ERR_clear_error()
{
    HALVORN_OPENSSL_FORWARD(crypto, ERR_clear_error, ());
}

void ERR_error_string_n(unsigned long e, char* buf, size_t len)
{
    HALVORN_OPENSSL_FORWARD(crypto, ERR_error_string_n, (e, buf, len));
}

unsigned long ERR_get_error()
{
    HALVORN_OPENSSL_FORWARD(crypto, ERR_get_error, ());
}

int EVP_Digest(const void* data, size_t count, unsigned char* md, unsigned int* size, const EVP_MD* type,
               ENGINE* impl)
{
    HALVORN_OPENSSL_FORWARD(crypto, EVP_Digest, (data, count, md, size, type, impl));
}

int EVP_DigestSign(EVP_MD_CTX* ctx, unsigned char* sigret, size_t* siglen, const unsigned char* tbs,
                   size_t tbslen)
{
    HALVORN_OPENSSL_FORWARD(crypto, EVP_DigestSign, (ctx, sigret, siglen, tbs, tbslen));
}

int EVP_DigestSignInit(EVP_MD_CTX* ctx, EVP_PKEY_CTX** pctx, const EVP_MD* type, ENGINE* e, EVP_PKEY* pkey)
{
    HALVORN_OPENSSL_FORWARD(crypto, EVP_DigestSignInit, (ctx, pctx, type, e, pkey));
}

void EVP_MD_CTX_free(EVP_MD_CTX* ctx)
{
    HALVORN_OPENSSL_FORWARD(crypto, EVP_MD_CTX_free, (ctx));
}

EVP_MD_CTX* EVP_MD_CTX_new()
{
    HALVORN_OPENSSL_FORWARD(crypto, EVP_MD_CTX_new, ());
}

// The key type's one extra argument is a name (the curve of "EC"); the
// other types' arguments are not used here.
EVP_PKEY* EVP_PKEY_Q_keygen(OSSL_LIB_CTX* libctx, const char* propq, const char* type, ...)
{
    HALVORN_OPENSSL_BIND(crypto, EVP_PKEY_Q_keygen);
    va_list extra;
    va_start(extra, type);
    const char* curve = va_arg(extra, const char*);
    va_end(extra);
    return real ? real(libctx, propq, type, curve) : nullptr;
}

void EVP_PKEY_free(EVP_PKEY* pkey)
{
    HALVORN_OPENSSL_FORWARD(crypto, EVP_PKEY_free, (pkey));
}

int EVP_PKEY_get_bn_param(const EVP_PKEY* pkey, const char* key_name, BIGNUM** bn)
{
    HALVORN_OPENSSL_FORWARD(crypto, EVP_PKEY_get_bn_param, (pkey, key_name, bn));
}

int EVP_PKEY_is_a(const EVP_PKEY* pkey, const char* name)
{
    HALVORN_OPENSSL_FORWARD(crypto, EVP_PKEY_is_a, (pkey, name));
}

const EVP_MD* EVP_sha256()
{
    HALVORN_OPENSSL_FORWARD(crypto, EVP_sha256, ());
}

OPENSSL_STACK* OPENSSL_sk_new_null()
{
    HALVORN_OPENSSL_FORWARD(crypto, OPENSSL_sk_new_null, ());
}

void OPENSSL_sk_pop_free(OPENSSL_STACK* st, void (*func)(void*))
{
    HALVORN_OPENSSL_FORWARD(crypto, OPENSSL_sk_pop_free, (st, func));
}

int OPENSSL_sk_push(OPENSSL_STACK* st, const void* data)
{
    HALVORN_OPENSSL_FORWARD(crypto, OPENSSL_sk_push, (st, data));
}

EVP_PKEY* PEM_read_bio_PrivateKey(BIO* out, EVP_PKEY** x, pem_password_cb* cb, void* u)
{
    HALVORN_OPENSSL_FORWARD(crypto, PEM_read_bio_PrivateKey, (out, x, cb, u));
}

X509* PEM_read_bio_X509(BIO* out, X509** x, pem_password_cb* cb, void* u)
{
    HALVORN_OPENSSL_FORWARD(crypto, PEM_read_bio_X509, (out, x, cb, u));
}

X509* PEM_read_bio_X509_AUX(BIO* out, X509** x, pem_password_cb* cb, void* u)
{
    HALVORN_OPENSSL_FORWARD(crypto, PEM_read_bio_X509_AUX, (out, x, cb, u));
}

int PEM_write_bio_PrivateKey(BIO* out, const EVP_PKEY* x, const EVP_CIPHER* enc, const unsigned char* kstr,
                             int klen, pem_password_cb* cb, void* u)
{
    HALVORN_OPENSSL_FORWARD(crypto, PEM_write_bio_PrivateKey, (out, x, enc, kstr, klen, cb, u));
}

int SSL_CTX_check_private_key(const SSL_CTX* ctx)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_CTX_check_private_key, (ctx));
}

long SSL_CTX_ctrl(SSL_CTX* ctx, int cmd, long larg, void* parg)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_CTX_ctrl, (ctx, cmd, larg, parg));
}

void SSL_CTX_free(SSL_CTX* ctx)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_CTX_free, (ctx));
}

SSL_CTX* SSL_CTX_new(const SSL_METHOD* meth)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_CTX_new, (meth));
}

int SSL_CTX_set_num_tickets(SSL_CTX* ctx, size_t num_tickets)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_CTX_set_num_tickets, (ctx, num_tickets));
}

uint64_t SSL_CTX_set_options(SSL_CTX* ctx, uint64_t op)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_CTX_set_options, (ctx, op));
}

int SSL_CTX_set_session_id_context(SSL_CTX* ctx, const unsigned char* sid_ctx, unsigned int sid_ctx_len)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_CTX_set_session_id_context, (ctx, sid_ctx, sid_ctx_len));
}

int SSL_CTX_use_PrivateKey(SSL_CTX* ctx, EVP_PKEY* pkey)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_CTX_use_PrivateKey, (ctx, pkey));
}

int SSL_CTX_use_certificate(SSL_CTX* ctx, X509* x)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_CTX_use_certificate, (ctx, x));
}

int SSL_do_handshake(SSL* s)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_do_handshake, (s));
}

void SSL_free(SSL* ssl)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_free, (ssl));
}

int SSL_get_error(const SSL* s, int ret_code)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_get_error, (s, ret_code));
}

int SSL_has_pending(const SSL* s)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_has_pending, (s));
}

SSL* SSL_new(SSL_CTX* ctx)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_new, (ctx));
}

int SSL_read(SSL* ssl, void* buf, int num)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_read, (ssl, buf, num));
}

void SSL_set_accept_state(SSL* s)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_set_accept_state, (s));
}

void SSL_set_bio(SSL* s, BIO* rbio, BIO* wbio)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_set_bio, (s, rbio, wbio));
}

int SSL_shutdown(SSL* s)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_shutdown, (s));
}

int SSL_write(SSL* ssl, const void* buf, int num)
{
    HALVORN_OPENSSL_FORWARD(ssl, SSL_write, (ssl, buf, num));
}

const SSL_METHOD* TLS_server_method()
{
    HALVORN_OPENSSL_FORWARD(ssl, TLS_server_method, ());
}

X509_EXTENSION* X509V3_EXT_conf_nid(struct lhash_st_CONF_VALUE* conf, X509V3_CTX* ctx, int ext_nid,
                                    const char* value)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509V3_EXT_conf_nid, (conf, ctx, ext_nid, value));
}

void X509_EXTENSION_free(X509_EXTENSION* a)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_EXTENSION_free, (a));
}

int X509_NAME_add_entry_by_txt(X509_NAME* name, const char* field, int type, const unsigned char* bytes,
                               int len, int loc, int set)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_NAME_add_entry_by_txt, (name, field, type, bytes, len, loc, set));
}

int X509_REQ_add_extensions(X509_REQ* req, const struct stack_st_X509_EXTENSION* ext)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_REQ_add_extensions, (req, ext));
}

void X509_REQ_free(X509_REQ* a)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_REQ_free, (a));
}

X509_NAME* X509_REQ_get_subject_name(const X509_REQ* req)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_REQ_get_subject_name, (req));
}

X509_REQ* X509_REQ_new()
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_REQ_new, ());
}

int X509_REQ_set_pubkey(X509_REQ* x, EVP_PKEY* pkey)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_REQ_set_pubkey, (x, pkey));
}

int X509_REQ_set_version(X509_REQ* x, long version)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_REQ_set_version, (x, version));
}

int X509_REQ_sign(X509_REQ* x, EVP_PKEY* pkey, const EVP_MD* md)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_REQ_sign, (x, pkey, md));
}

int X509_check_host(X509* x, const char* chk, size_t chklen, unsigned int flags, char** peername)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_check_host, (x, chk, chklen, flags, peername));
}

int X509_check_ip_asc(X509* x, const char* ipasc, unsigned int flags)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_check_ip_asc, (x, ipasc, flags));
}

void X509_free(X509* a)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_free, (a));
}

const ASN1_TIME* X509_get0_notAfter(const X509* x)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_get0_notAfter, (x));
}

const ASN1_TIME* X509_get0_notBefore(const X509* x)
{
    HALVORN_OPENSSL_FORWARD(crypto, X509_get0_notBefore, (x));
}

ECDSA_SIG* d2i_ECDSA_SIG(ECDSA_SIG** a, const unsigned char** in, long len)
{
    HALVORN_OPENSSL_FORWARD(crypto, d2i_ECDSA_SIG, (a, in, len));
}

int i2d_X509_REQ(const X509_REQ* a, unsigned char** out)
{
    HALVORN_OPENSSL_FORWARD(crypto, i2d_X509_REQ, (a, out));
}

} // extern "C"
