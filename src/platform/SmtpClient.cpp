#include "platform/SmtpClient.h"

#include "platform/CurlEasy.h"
#include "platform/HostInfo.h"

#include <QUrl>

namespace platform {

namespace {

// An envelope address goes between angle brackets on a command line of its
// own: nothing in it may end the line or the brackets early.
bool isEnvelopeAddress(const QString& address)
{
    if (address.isEmpty() || address.size() > 254)
        return false;
    for (const QChar c : address)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f || c == u'<' || c == u'>')
            return false;
    return true;
}

// The name this machine greets the server with (EHLO).
QByteArray greetingName()
{
    const QString name = SystemHostName();
    const MailServerAddress check = ParseMailServer(name, QStringLiteral("smtp"));
    return check.valid() && !name.contains(u':') ? QUrl::toPercentEncoding(name) : QByteArray("localhost");
}

} // namespace

struct SmtpClient::Session {
    MailServerAddress address;
    TrailMask mask{QByteArrayLiteral("334")};
    QByteArray url;
    QByteArray from;
    QByteArray message;
    qsizetype sent = 0;
    QByteArray lastError; // the last 4xx/5xx reply line
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> recipients{nullptr, &curl_slist_free_all};
    CurlEasy curl; // last: its clean-up may still report trail lines

    static size_t read(char* buffer, size_t size, size_t count, void* self)
    {
        auto& s = *static_cast<Session*>(self);
        const qsizetype chunk = qMin(qsizetype(size * count), s.message.size() - s.sent);
        memcpy(buffer, s.message.constData() + s.sent, size_t(chunk));
        s.sent += chunk;
        return size_t(chunk);
    }

    // Replies to commands of our own (QUIT) are in the trail already.
    static size_t discard(char*, size_t size, size_t count, void*) { return size * count; }
};

SmtpClient::SmtpClient(QObject* parent) : QObject(parent) {}

SmtpClient::~SmtpClient() = default;

bool SmtpClient::fail(int number, const QString& description)
{
    emit Error(number, description);
    return false;
}

bool SmtpClient::connectToServer()
{
    if (running_)
        return false;
    closeSession();
    worker_.clearAbort();
    const MailServerAddress address = ParseMailServer(host, QStringLiteral("smtp"));
    if (!address.valid())
        return fail(int(CURLE_URL_MALFORMAT), QStringLiteral("Bad SMTP server name: ") + address.error);
    if (const QString problem = LoginFieldProblem(user, password); !problem.isEmpty())
        return fail(int(CURLE_URL_MALFORMAT), problem);
    session_ = std::make_unique<Session>();
    session_->address = address;
    return true;
}

void SmtpClient::trailLine(Session& s, int type, const QByteArray& line)
{
    QByteArray shown = line;
    if (type == CurlEasy::Sent) {
        shown = s.mask.client(line);
    } else if (type == CurlEasy::Received) {
        s.mask.server(line);
        const bool final = line.size() < 4 || line[3] != '-';
        if (final && (line.startsWith('4') || line.startsWith('5')))
            s.lastError = line;
        if (final)
            worker_.post([this, reply = QString::fromLatin1(line)] { lastReply_ = reply; });
    }
    worker_.post([this, type, text = QString::fromLatin1(shown)] { emit PITrail(type, text); });
    if (type != CurlEasy::Information)
        return;
    const CurlEasy::News news = s.curl.news(line);
    if (news != CurlEasy::News::None)
        worker_.post([this, up = news == CurlEasy::News::Connected] {
            emit PITrail(CurlEasy::Information,
                         up ? QStringLiteral("Connected.") : QStringLiteral("Disconnected."));
        });
}

bool SmtpClient::prepareHandle(Session& s, const QList<QByteArray>& recipients)
{
    auto lines = [this, ps = &s](int type, const QByteArray& line) { trailLine(*ps, type, line); };
    if (!s.curl.open({timeouts.connectSeconds, timeouts.lowSpeedSeconds}, worker_.abortFlag(), lines))
        return fail(int(CURLE_FAILED_INIT), QStringLiteral("Cannot start the SMTP client"));
    CURL* easy = s.curl.handle();
    s.url = (s.address.url() + u'/').toUtf8() + greetingName();
    s.from = '<' + mailFrom.trimmed().toUtf8() + '>';
    curl_slist* list = nullptr;
    for (const QByteArray& to : recipients)
        list = curl_slist_append(list, ('<' + to + '>').constData());
    s.recipients.reset(list);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(easy, CURLOPT_URL, s.url.constData());
    curl_easy_setopt(easy, CURLOPT_MAIL_FROM, s.from.constData());
    curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, list);
    curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Session::read);
    curl_easy_setopt(easy, CURLOPT_READDATA, &s);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Session::discard);
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(s.message.size()));
    if (!user.isEmpty()) {
        // libcurl logs in only when the server offers AUTH.
        curl_easy_setopt(easy, CURLOPT_USERNAME, user.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, password.toUtf8().constData());
    }
    if (s.curl.setMailTls(s.address.implicitTls(), tls, verifyPeer))
        emit PITrail(CurlEasy::Information, kUncheckedCertificates);
    return true;
}

bool SmtpClient::send()
{
    if (running_)
        return false;
    if (!session_ && !connectToServer())
        return false;
    if (!isEnvelopeAddress(mailFrom.trimmed()))
        return fail(int(CURLE_SEND_ERROR), QStringLiteral("Bad sender address: ") + mailFrom);
    QList<QByteArray> to;
    for (const QString& recipient : recipients) {
        if (recipient.trimmed().isEmpty())
            continue;
        if (!isEnvelopeAddress(recipient.trimmed()))
            return fail(int(CURLE_SEND_ERROR), QStringLiteral("Bad recipient address: ") + recipient);
        to << recipient.trimmed().toUtf8();
    }
    if (to.isEmpty())
        return fail(int(CURLE_SEND_ERROR), QStringLiteral("No recipient address"));
    // A new message goes out on a fresh handle; the previous one says goodbye.
    const MailServerAddress address = session_->address;
    session_ = std::make_unique<Session>();
    session_->address = address;
    Session& s = *session_;
    s.message = message;
    if (!prepareHandle(s, to))
        return false;
    running_ = true;
    const CURLcode result = worker_.run([&s] { return curl_easy_perform(s.curl.handle()); });
    running_ = false;
    if (result == CURLE_OK)
        return true;
    if (result == CURLE_ABORTED_BY_CALLBACK || worker_.aborted())
        return false;
    QString description = s.curl.describe(result);
    if (result == CURLE_LOGIN_DENIED)
        description = QStringLiteral("Login refused by the server");
    if (!s.lastError.isEmpty())
        description += QStringLiteral(": ") + QString::fromLatin1(s.lastError);
    return fail(int(result), description);
}

void SmtpClient::quit()
{
    if (running_ || !session_)
        return;
    running_ = true;
    Session& s = *session_;
    worker_.run([&s] {
        s.curl.quitAndClose([](CURL* easy) {
            curl_easy_setopt(easy, CURLOPT_UPLOAD, 0L);
            curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, nullptr);
        });
        return CURLE_OK;
    });
    running_ = false;
    closeSession();
}

void SmtpClient::closeSession()
{
    session_.reset();
}

void SmtpClient::abort()
{
    worker_.abort();
}

} // namespace platform
