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
            return QStringLiteral("The %1 holds control characters: please type it again")
                .arg(QLatin1String(field));
    return QString();
}

namespace {

const QByteArray kMasked = QByteArrayLiteral("**********");

// The wait between rounds of a transfer: at most what curl_easy_perform
// waits. When libcurl has nothing to watch (see nextWaitMilliseconds), the
// next few rounds follow at once, then with a short nap between them.
constexpr int kLongestWaitMilliseconds = 1000;
constexpr int kNothingToWatchMilliseconds = 2;
constexpr int kImmediateRounds = 4;

} // namespace

CurlEasy::~CurlEasy()
{
    // No time left to wait for a polite goodbye.
    if (easy_)
        curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, 2L);
    close();
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
    // The kept connection lives in the multi handle: it goes first, while the
    // easy handle whose callbacks it may still call is alive.
    if (multi_)
        curl_multi_cleanup(multi_);
    multi_ = nullptr;
    if (easy_)
        curl_easy_cleanup(easy_);
    easy_ = nullptr;
}

CURLcode CurlEasy::perform()
{
    if (!multi_ && !(multi_ = curl_multi_init()))
        return CURLE_OUT_OF_MEMORY;
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    idleRounds_ = 0;
    for (bool done = false; !done;) {
        int running = 0;
        CURLMcode status = curl_multi_perform(multi_, &running);
        int left = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi_, &left))
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
                result = message->data.result;
                done = true;
            }
        if (!done && status == CURLM_OK && running)
            status = curl_multi_poll(multi_, nullptr, 0, nextWaitMilliseconds(), nullptr);
        if (!done && status != CURLM_OK) {
            result = status == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_BAD_FUNCTION_ARGUMENT;
            done = true;
        }
        done = done || !running;
    }
    curl_multi_remove_handle(multi_, easy_);
    return result;
}

int CurlEasy::nextWaitMilliseconds()
{
    // libcurl 7.88 can reach a state with no socket to watch and no timer set:
    // on a reused FTP connection whose passive-mode reply came in at once, it
    // opens the data connection only on its next round. curl_easy_perform then
    // sleeps a whole second first; here that round comes at once, and a state
    // that lasts is polled with short naps rather than spun on.
    fd_set reading;
    fd_set writing;
    fd_set failing;
    FD_ZERO(&reading);
    FD_ZERO(&writing);
    FD_ZERO(&failing);
    int highest = -1;
    long timer = -1;
    curl_multi_fdset(multi_, &reading, &writing, &failing, &highest);
    curl_multi_timeout(multi_, &timer);
    if (highest < 0 && (timer < 0 || timer > kNothingToWatchMilliseconds))
        return ++idleRounds_ <= kImmediateRounds ? 0 : kNothingToWatchMilliseconds;
    idleRounds_ = 0;
    // libcurl shortens this to its own next timer.
    return kLongestWaitMilliseconds;
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
        curl_easy_setopt(easy_, CURLOPT_USE_SSL,
                         long(startTls == StartTls::Try ? CURLUSESSL_TRY : CURLUSESSL_ALL));
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
