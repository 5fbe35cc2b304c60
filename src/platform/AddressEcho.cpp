#include "platform/AddressEcho.h"

#include "platform/CurlEasy.h"
#include "platform/Override.h"
#include "platform/WorkerThread.h"

#include <curl/curl.h>

namespace platform {
namespace {

struct Download {
    QByteArray body;
    bool tooLong = false;
};

size_t collect(char* data, size_t size, size_t count, void* target)
{
    auto* download = static_cast<Download*>(target);
    const size_t bytes = size * count;
    if (download->body.size() + qsizetype(bytes) > kMaxEchoBody) {
        download->tooLong = true;
        return 0;
    }
    download->body.append(data, qsizetype(bytes));
    return bytes;
}

QString failureKind(CURLcode code, bool tooLong)
{
    if (tooLong)
        return QStringLiteral("answer too long");
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("time-out");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral("TLS error");
    case CURLE_HTTP_RETURNED_ERROR:
        return QStringLiteral("HTTP error");
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return QStringLiteral("bad URL");
    default:
        return QStringLiteral("connection error");
    }
}

class CurlAddressEcho final : public AddressEcho {
  public:
    EchoAnswer fetch(const QString& url, int timeoutMs) override
    {
        EchoAnswer answer;
        worker_.run([&] { answer = get(url.toUtf8(), timeoutMs); });
        return answer;
    }

  private:
    WorkerThread worker_;

    static EchoAnswer get(const QByteArray& url, int timeoutMs)
    {
        EchoAnswer answer;
        CURL* easy = CurlGlobalInit() ? curl_easy_init() : nullptr;
        if (!easy) {
            answer.failureKind = QStringLiteral("connection error");
            return answer;
        }
        Download download;
        char errorText[CURL_ERROR_SIZE] = {};
        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(timeoutMs));
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(timeoutMs));
        curl_easy_setopt(easy, CURLOPT_USERAGENT, "Halvorn");
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &collect);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &download);
        const CURLcode code = curl_easy_perform(easy);
        curl_easy_cleanup(easy);
        if (code == CURLE_OK && !download.tooLong) {
            answer.ok = true;
            answer.body = download.body;
            return answer;
        }
        answer.failureKind = failureKind(code, download.tooLong);
        answer.detail = QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(code)).trimmed();
        return answer;
    }
};

} // namespace

AddressEcho& addressEcho()
{
    return resolve<AddressEcho, CurlAddressEcho>();
}

} // namespace platform
