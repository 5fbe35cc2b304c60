#include "memo/AcmeCrypto.h"

#include "platform/IpAddress.h"

#include <QJsonDocument>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>

namespace acme {
namespace {

constexpr int kCoordinateBytes = 32;

template <class T, void (*Free)(T*)> struct Freer {
    void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Freer<BIO, BIO_free_all>>;
using Bignum = std::unique_ptr<BIGNUM, Freer<BIGNUM, BN_free>>;
using Request = std::unique_ptr<X509_REQ, Freer<X509_REQ, X509_REQ_free>>;
using Certificate = std::unique_ptr<X509, Freer<X509, X509_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX, EVP_MD_CTX_free>>;
using Signature = std::unique_ptr<ECDSA_SIG, Freer<ECDSA_SIG, ECDSA_SIG_free>>;

QByteArray bioBytes(BIO* bio)
{
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return QByteArray(data, int(size));
}

QByteArray paddedNumber(const BIGNUM* number)
{
    QByteArray bytes(kCoordinateBytes, 0);
    if (BN_bn2binpad(number, reinterpret_cast<unsigned char*>(bytes.data()), kCoordinateBytes) !=
        kCoordinateBytes)
        return QByteArray();
    return bytes;
}

QByteArray coordinate(EVP_PKEY* key, const char* name)
{
    BIGNUM* raw = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &raw) != 1)
        return QByteArray();
    const Bignum number(raw);
    return paddedNumber(number.get());
}

qint64 secondsOf(const ASN1_TIME* time)
{
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return 0;
    return qint64(timegm(&parts));
}

bool addAltName(X509_REQ* request, const QString& name)
{
    const QByteArray value = (isIpAddress(name) ? "IP:" : "DNS:") + name.toUtf8();
    X509_EXTENSION* extension =
        X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name, value.constData());
    if (!extension)
        return false;
    STACK_OF(X509_EXTENSION)* extensions = sk_X509_EXTENSION_new_null();
    sk_X509_EXTENSION_push(extensions, extension);
    const bool added = X509_REQ_add_extensions(request, extensions) == 1;
    sk_X509_EXTENSION_pop_free(extensions, X509_EXTENSION_free);
    return added;
}

} // namespace

void KeyFree::operator()(EVP_PKEY* key) const
{
    EVP_PKEY_free(key);
}

QByteArray base64Url(const QByteArray& bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool isIpAddress(const QString& name)
{
    return !platform::IpAddress::parse(name).isNull();
}

Key newKey()
{
    return Key(EVP_EC_gen("P-256"));
}

QByteArray privateKeyPem(EVP_PKEY* key)
{
    const Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1)
        return QByteArray();
    return bioBytes(bio.get());
}

Key keyFromPem(const QByteArray& pem)
{
    const Bio bio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    Key key(bio ? PEM_read_bio_PrivateKey(
                      bio.get(), nullptr, [](char*, int, int, void*) { return 0; }, nullptr)
                : nullptr);
    ERR_clear_error();
    if (!key || !EVP_PKEY_is_a(key.get(), "EC"))
        return nullptr;
    return key;
}

QJsonObject jwk(EVP_PKEY* key)
{
    return {{QStringLiteral("crv"), QStringLiteral("P-256")},
            {QStringLiteral("kty"), QStringLiteral("EC")},
            {QStringLiteral("x"), QString::fromLatin1(base64Url(coordinate(key, OSSL_PKEY_PARAM_EC_PUB_X)))},
            {QStringLiteral("y"), QString::fromLatin1(base64Url(coordinate(key, OSSL_PKEY_PARAM_EC_PUB_Y)))}};
}

QByteArray thumbprint(EVP_PKEY* key)
{
    // Compact JSON with the members in lexical order, as RFC 7638 wants;
    // QJsonObject keeps its keys sorted.
    const QByteArray canonical = QJsonDocument(jwk(key)).toJson(QJsonDocument::Compact);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(canonical.constData(), size_t(canonical.size()), digest, &size, EVP_sha256(), nullptr) !=
        1)
        return QByteArray();
    return base64Url(QByteArray(reinterpret_cast<const char*>(digest), int(size)));
}

QByteArray signEs256(EVP_PKEY* key, const QByteArray& data)
{
    const DigestContext context(EVP_MD_CTX_new());
    size_t size = 0;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &size,
                       reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size())) != 1)
        return QByteArray();
    QByteArray der(int(size), 0);
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(der.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size())) != 1)
        return QByteArray();
    // JWS wants the two numbers side by side, not OpenSSL's DER.
    const unsigned char* cursor = reinterpret_cast<const unsigned char*>(der.constData());
    const Signature signature(d2i_ECDSA_SIG(nullptr, &cursor, long(size)));
    if (!signature)
        return QByteArray();
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(signature.get(), &r, &s);
    const QByteArray rs = paddedNumber(r) + paddedNumber(s);
    return rs.size() == 2 * kCoordinateBytes ? rs : QByteArray();
}

QByteArray certificateRequest(EVP_PKEY* key, const QString& name)
{
    const Request request(X509_REQ_new());
    if (!request || X509_REQ_set_version(request.get(), 0) != 1)
        return QByteArray();
    const QByteArray utf8 = name.toUtf8();
    // A common name has room for 64 characters; the alternative name is what counts.
    if (!isIpAddress(name) && utf8.size() <= 64)
        X509_NAME_add_entry_by_txt(X509_REQ_get_subject_name(request.get()), "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(utf8.constData()), -1, -1, 0);
    if (!addAltName(request.get(), name) || X509_REQ_set_pubkey(request.get(), key) != 1 ||
        X509_REQ_sign(request.get(), key, EVP_sha256()) <= 0) {
        ERR_clear_error();
        return QByteArray();
    }
    const int size = i2d_X509_REQ(request.get(), nullptr);
    QByteArray der(size > 0 ? size : 0, 0);
    unsigned char* out = reinterpret_cast<unsigned char*>(der.data());
    return size > 0 && i2d_X509_REQ(request.get(), &out) == size ? der : QByteArray();
}

std::optional<CertificateFacts> certificateFacts(const QByteArray& chainPem, const QString& name)
{
    const Bio bio(BIO_new_mem_buf(chainPem.constData(), int(chainPem.size())));
    const Certificate certificate(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    ERR_clear_error();
    if (!certificate)
        return std::nullopt;
    CertificateFacts facts;
    facts.notBefore = secondsOf(X509_get0_notBefore(certificate.get()));
    facts.notAfter = secondsOf(X509_get0_notAfter(certificate.get()));
    const QByteArray utf8 = name.toUtf8();
    facts.coversName = isIpAddress(name) ? X509_check_ip_asc(certificate.get(), utf8.constData(), 0) == 1
                                         : X509_check_host(certificate.get(), utf8.constData(),
                                                           size_t(utf8.size()), 0, nullptr) == 1;
    return facts;
}

} // namespace acme
