#include "platform/CurlEasy.h"

#include "platform/FtpTarget.h"

#include <QList>

namespace platform {

bool CurlGlobalInit()
{
    // Deferred to the first transfer: programs that never touch the network
    // pay nothing at start-up.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

QString LoginFieldProblem(const QString& user, const QString& password)
{
    for (const auto& [text, field] : {std::pair{&user, "login name"}, std::pair{&password, "password"}})
        if (HasControlCharacters(*text))
            return QStringLiteral("The %1 holds control characters: please type it again").arg(QLatin1String(field));
    return QString();
}

namespace {

const QByteArray kMasked = QByteArrayLiteral("**********");

} // namespace

CurlEasy::~CurlEasy()
{
    if (easy_) {
        // No time left to wait for a polite goodbye.
        curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, 2L);
        curl_easy_cleanup(easy_);
    }
}

bool CurlEasy::open(const Limits& limits, std::shared_ptr<const std::atomic<bool>> abort, LineSink lines,
                    ProgressSink progress)
{
    close();
    if (!CurlGlobalInit() || !(easy_ = curl_easy_init()))
        return false;
    abort_ = std::move(abort);
    lines_ = std::move(lines);
    progress_ = std::move(progress);
    lineConnected_ = false;
    clearError();
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(easy_, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy_, CURLOPT_DEBUGFUNCTION, &CurlEasy::debug);
    curl_easy_setopt(easy_, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &CurlEasy::progress);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, long(limits.connectSeconds));
    curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(limits.lowSpeedSeconds));
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, long(limits.lowSpeedSeconds));
    return true;
}

void CurlEasy::close()
{
    if (easy_)
        curl_easy_cleanup(easy_);
    easy_ = nullptr;
}

void CurlEasy::quitAndClose(const std::function<void(CURL*)>& prepare)
{
    if (easy_ && lineConnected_) {
        prepare(easy_);
        curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, "QUIT");
        curl_easy_setopt(easy_, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_perform(easy_);
    }
    close();
}

void CurlEasy::setPeerVerification(bool verifyPeer)
{
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, verifyPeer ? 1L : 0L);
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, verifyPeer ? 2L : 0L);
}

bool CurlEasy::setMailTls(bool implicitTls, MailTls startTls, bool verifyPeer)
{
    setPeerVerification(verifyPeer);
    if (!implicitTls)
        setStartTls(startTls);
    return !verifyPeer && (implicitTls || startTls != MailTls::Off);
}

void CurlEasy::setStartTls(StartTls startTls)
{
    if (startTls != StartTls::Off)
        curl_easy_setopt(easy_, CURLOPT_USE_SSL, long(startTls == StartTls::Try ? CURLUSESSL_TRY : CURLUSESSL_ALL));
}

QString CurlEasy::describe(CURLcode result) const
{
    QString description = QString::fromUtf8(curl_easy_strerror(result));
    const QString detail = QString::fromUtf8(errorText_).trimmed();
    if (!detail.isEmpty() && detail != description)
        description += QStringLiteral(" (") + detail + u')';
    return description;
}

CurlEasy::News CurlEasy::news(const QByteArray& line)
{
    if (!lineConnected_ && line.startsWith("Connected to ")) {
        lineConnected_ = true;
        return News::Connected;
    }
    if (lineConnected_ && line.startsWith("Closing connection")) {
        lineConnected_ = false;
        return News::Disconnected;
    }
    return News::None;
}

int CurlEasy::debug(CURL*, curl_infotype kind, char* data, size_t size, void* self)
{
    auto& me = *static_cast<CurlEasy*>(self);
    int type;
    switch (kind) {
    case CURLINFO_HEADER_OUT:
        type = Sent;
        break;
    case CURLINFO_HEADER_IN:
        type = Received;
        break;
    case CURLINFO_TEXT:
        type = Information;
        break;
    default:
        return 0;
    }
    const QByteArray bytes(data, qsizetype(size));
    for (QByteArray line : bytes.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty() && me.lines_)
            me.lines_(type, line);
    }
    return 0;
}

int CurlEasy::progress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent)
{
    auto& me = *static_cast<CurlEasy*>(self);
    if (me.abort_ && me.abort_->load())
        return 1;
    if (me.progress_)
        me.progress_(received, sent);
    return 0;
}

QByteArray TrailMask::client(const QByteArray& line)
{
    const QByteArray upper = line.left(5).toUpper();
    if (upper.startsWith("PASS ") || upper.startsWith("APOP "))
        return line.left(5) + kMasked;
    if (upper == "AUTH ") {
        inAuth_ = true;
        // The mechanism stays readable; an initial response does not.
        const qsizetype blank = line.indexOf(' ', 5);
        return blank < 0 ? line : line.left(blank + 1) + kMasked;
    }
    return inAuth_ ? kMasked : line;
}

void TrailMask::server(const QByteArray& line)
{
    // "+OK" ends a POP3 exchange although it starts like a challenge ("+ ...").
    if (inAuth_ && (!line.startsWith(continuation_) || line.startsWith("+OK")))
        inAuth_ = false;
}

} // namespace platform
