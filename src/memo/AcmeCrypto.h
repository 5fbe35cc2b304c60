#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <memory>
#include <optional>

typedef struct evp_pkey_st EVP_PKEY;

// The cryptography an ACME client needs, on OpenSSL: EC P-256 keys, their
// JWK and thumbprint, ES256 signatures, the certificate request and a look
// at the certificate that comes back.
namespace acme {

struct KeyFree {
    void operator()(EVP_PKEY* key) const;
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;

QByteArray base64Url(const QByteArray& bytes);

Key newKey();
// PKCS#8 PEM of the private key; the text never goes to a log.
QByteArray privateKeyPem(EVP_PKEY* key);
// An EC P-256 private key in PEM, or nullptr.
Key keyFromPem(const QByteArray& pem);

// The public key as JWK members, and its RFC 7638 thumbprint (base64url).
QJsonObject jwk(EVP_PKEY* key);
QByteArray thumbprint(EVP_PKEY* key);
// ES256 over data: r and s of 32 bytes each; empty on failure.
QByteArray signEs256(EVP_PKEY* key, const QByteArray& data);

// A DER certificate request for name, a DNS name or an IP address.
QByteArray certificateRequest(EVP_PKEY* key, const QString& name);

bool isIpAddress(const QString& name);

// What the server certificate at the head of a PEM chain says.
struct CertificateFacts {
    qint64 notBefore = 0; // seconds since the epoch
    qint64 notAfter = 0;
    bool coversName = false;
};
std::optional<CertificateFacts> certificateFacts(const QByteArray& chainPem, const QString& name);

} // namespace acme
