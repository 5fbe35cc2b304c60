#include "platform/Pop3Client.h"

#include "platform/CurlEasy.h"
#include "platform/Pop3Listing.h"

#include <QHash>
#include <QSet>

namespace platform {

namespace {

// A server may send anything: one reply (a listing, a message) is kept up
// to this size and the rest is read and dropped, so the session stays in step.
constexpr qsizetype kMaxReplyBytes = 16 * 1024 * 1024;
constexpr int kMaxMessages = 1000000;
constexpr int kMaxHeaders = 10000;
// Messages fetched in advance while listing (lines per message at most).
constexpr int kReadAhead = 32;
constexpr int kReadAheadLineLimit = 10;
// Retrieval progress is told at most once per this many bytes.
constexpr qsizetype kProgressStep = 64 * 1024;

QList<QByteArray> replyLines(const QByteArray& reply)
{
    QList<QByteArray> lines = reply.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

} // namespace

// A retrieved message, parsed on the worker thread.
struct Pop3Client::Message {
    QList<QPair<QByteArray, QByteArray>> headers;
    QList<QPair<qint64, QByteArray>> lines;

    static Message parse(const QByteArray& reply, int lineLimit)
    {
        Message m;
        const QList<QByteArray> lines = replyLines(reply);
        qsizetype at = 0;
        for (; at < lines.size() && !lines[at].isEmpty(); ++at) {
            const QByteArray& line = lines[at];
            if ((line.startsWith(' ') || line.startsWith('\t')) && !m.headers.isEmpty()) {
                m.headers.last().second += line; // folded: the line break goes, the blank stays
                continue;
            }
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && m.headers.size() < kMaxHeaders)
                m.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        qint64 bytes = 0;
        for (++at; at < lines.size() && m.lines.size() < lineLimit; ++at) {
            bytes += lines[at].size() + 2;
            m.lines.append({bytes, lines[at]});
        }
        return m;
    }
};

// Worker-side state: touched by libcurl's callbacks during a command and by
// the GUI thread only between commands.
struct Pop3Client::Session {
    TrailMask mask{QByteArrayLiteral("+")};
    QByteArray baseUrl;
    QByteArray reply;
    QByteArray lastError; // the last "-ERR" line
    bool overflow = false;
    // Told of the reply's growth while a whole message is retrieved (worker side).
    std::function<void(qint64)> progress;
    qsizetype progressToldAt = 0;
    // GUI side: the last message asked for and the ones read in advance.
    int lastRead = 0;
    int readAheadLimit = -1;
    QHash<int, Message> readAhead;
    QSet<int> deleted;
    CurlEasy curl; // last: its clean-up may still report trail lines

    static size_t write(char* data, size_t size, size_t count, void* self)
    {
        auto& s = *static_cast<Session*>(self);
        const size_t bytes = size * count;
        if (s.reply.size() + qsizetype(bytes) <= kMaxReplyBytes)
            s.reply.append(data, qsizetype(bytes));
        else
            s.overflow = true;
        if (s.progress && s.reply.size() - s.progressToldAt >= kProgressStep) {
            s.progressToldAt = s.reply.size();
            s.progress(s.reply.size());
        }
        return bytes;
    }

    void prepare()
    {
        reply.clear();
        overflow = false;
        progressToldAt = 0;
        lastError.clear();
        curl.clearError();
    }
};

Pop3Client::Pop3Client(QObject* parent) : QObject(parent) {}

Pop3Client::~Pop3Client() = default;

qint64 Pop3Client::messageSize(int n) const
{
    return n >= 1 && n <= sizes_.size() ? sizes_[n - 1] : 0;
}

bool Pop3Client::fail(int number, const QString& description)
{
    emit Error(number, description);
    return false;
}

bool Pop3Client::failed(CURLcode result)
{
    if (result == CURLE_ABORTED_BY_CALLBACK || worker_.aborted())
        return false;
    QString description = session_->curl.describe(result);
    const QByteArray refusal = session_->lastError;
    if (result == CURLE_LOGIN_DENIED)
        description = QStringLiteral("Login refused by the server");
    if (!refusal.isEmpty())
        description += QStringLiteral(": ") + QString::fromLatin1(refusal);
    return fail(int(result), description);
}

void Pop3Client::trailLine(Session& s, int type, const QByteArray& line)
{
    QByteArray shown = line;
    if (type == Sent) {
        shown = s.mask.client(line);
    } else if (type == Received) {
        s.mask.server(line);
        if (line.startsWith("-ERR"))
            s.lastError = line;
        if (line.startsWith("+OK") || line.startsWith("-ERR"))
            worker_.post([this, reply = QString::fromLatin1(line)] { lastReply_ = reply; });
    }
    worker_.post([this, type, text = QString::fromLatin1(shown)] { emit PITrail(type, text); });
    if (type != Information)
        return;
    const CurlEasy::News news = s.curl.news(line);
    if (news != CurlEasy::News::None)
        worker_.post([this, up = news == CurlEasy::News::Connected] {
            connected_ = up;
            emit PITrail(Information, up ? QStringLiteral("Connected.") : QStringLiteral("Disconnected."));
        });
}

bool Pop3Client::perform(const std::function<CURLcode(Session&)>& job)
{
    Session& s = *session_;
    s.prepare();
    running_ = true;
    const CURLcode result = worker_.run([&] { return job(s); });
    running_ = false;
    if (result == CURLE_OK)
        return true;
    failed(result); // its receiver may already have quit
    // No silent second login on the next command: the session is over.
    if (session_ && !session_->curl.connectionUp())
        closeSession();
    return false;
}

bool Pop3Client::connectAndLogin()
{
    if (running_)
        return false;
    closeSession();
    worker_.clearAbort();
    count_ = 0;
    total_ = 0;
    sizes_.clear();
    uids_.clear();
    numbers_.clear();
    hasUids_ = false;
    const MailServerAddress address = ParseMailServer(host, QStringLiteral("pop3"));
    if (!address.valid())
        return fail(int(CURLE_URL_MALFORMAT), QStringLiteral("Bad POP3 server name: ") + address.error);
    if (const QString problem = LoginFieldProblem(user, password); !problem.isEmpty())
        return fail(int(CURLE_URL_MALFORMAT), problem);
    session_ = std::make_unique<Session>();
    Session* s = session_.get();
    s->baseUrl = (address.url() + u'/').toUtf8();
    auto lines = [this, s](int type, const QByteArray& line) { trailLine(*s, type, line); };
    if (!s->curl.open({timeouts.connectSeconds, timeouts.lowSpeedSeconds}, worker_.abortFlag(), lines)) {
        session_.reset();
        return fail(int(CURLE_FAILED_INIT), QStringLiteral("Cannot start the POP3 client"));
    }
    CURL* easy = s->curl.handle();
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "pop3,pop3s");
    curl_easy_setopt(easy, CURLOPT_USERNAME, user.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, password.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Session::write);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, s);
    if (s->curl.setMailTls(address.implicitTls(), tls, verifyPeer))
        emit PITrail(Information, kUncheckedCertificates);

    // A plain listing logs in and brings every message's number and size;
    // UIDL follows on the same connection.
    const bool askUids = uidlRefusedBy_ != host;
    QByteArray uidReply;
    bool uidlRefused = false;
    const bool ok = perform([&](Session& s) {
        curl_easy_setopt(s.curl.handle(), CURLOPT_URL, s.baseUrl.constData());
        CURLcode result = curl_easy_perform(s.curl.handle());
        if (result != CURLE_OK || !askUids)
            return result;
        const QByteArray sizes = s.reply;
        uidlRefused = listUids(s, uidReply) != CURLE_OK;
        // The refusal ended the session: log in again for a listing that
        // matches the session the next commands run in.
        if (uidlRefused && !s.curl.connectionUp()) {
            s.prepare();
            result = curl_easy_perform(s.curl.handle());
        } else {
            s.reply = sizes;
        }
        return result;
    });
    if (!ok) {
        closeSession();
        return false;
    }
    if (uidlRefused)
        uidlRefusedBy_ = host;
    sizes_ = ParseSizeListing(session_->reply, kMaxMessages);
    for (const qint64 bytes : sizes_)
        total_ += bytes;
    count_ = int(sizes_.size());
    if (!uidlRefused && askUids)
        setUids(ParseUidListing(uidReply, count_));
    return true;
}

void Pop3Client::setUids(const QVector<QByteArray>& uids)
{
    uids_ = uids;
    numbers_.clear();
    for (qsizetype i = 0; i < uids_.size(); ++i)
        if (!uids_[i].isEmpty())
            numbers_.insert(uids_[i], int(i) + 1);
    // Ids for only some messages would leave the rest unnamed: all or none.
    hasUids_ = count_ > 0 && numbers_.size() == count_;
    if (!hasUids_ && count_ > 0) {
        uids_.clear();
        numbers_.clear();
    }
}

QByteArray Pop3Client::uid(int n) const
{
    return hasUids_ && n >= 1 && n <= uids_.size() ? uids_[n - 1] : QByteArray();
}

int Pop3Client::numberOf(const QByteArray& uid) const
{
    const int n = numbers_.value(uid, 0);
    return session_ && session_->deleted.contains(n) ? 0 : n;
}

CURLcode Pop3Client::listUids(Session& s, QByteArray& reply)
{
    s.prepare();
    CURL* easy = s.curl.handle();
    curl_easy_setopt(easy, CURLOPT_URL, s.baseUrl.constData());
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "UIDL");
    const CURLcode result = curl_easy_perform(easy);
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
    reply = s.reply;
    return result;
}

// One message: TOP n limit.
CURLcode Pop3Client::fetch(Session& s, int n, int limit, Message& message)
{
    s.prepare();
    const QByteArray top = QStringLiteral("TOP %1 %2").arg(n).arg(limit).toLatin1();
    CURL* easy = s.curl.handle();
    curl_easy_setopt(easy, CURLOPT_URL, s.baseUrl.constData());
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, top.constData());
    const CURLcode result = curl_easy_perform(easy);
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
    if (result == CURLE_OK)
        message = Message::parse(s.reply, limit);
    return result;
}

// libcurl ends the session with QUIT after any "-ERR", and QUIT makes the
// server carry out the deletions: what the server would refuse is refused here.
bool Pop3Client::checkNumber(int n)
{
    if (running_)
        return false;
    if (!session_)
        return fail(int(CURLE_SEND_ERROR), QStringLiteral("Not connected to the POP3 server"));
    if (n < 1 || n > count_)
        return fail(int(CURLE_REMOTE_FILE_NOT_FOUND), QStringLiteral("No message number %1").arg(n));
    if (session_->deleted.contains(n))
        return fail(int(CURLE_REMOTE_FILE_NOT_FOUND), QStringLiteral("Message %1 is deleted").arg(n));
    return true;
}

bool Pop3Client::retrieve(int n)
{
    if (!checkNumber(n))
        return false;
    Session& s = *session_;
    const int limit = qMax(0, lineLimit);
    const bool sequential = n == s.lastRead + 1;
    s.lastRead = n;
    if (s.readAheadLimit == limit && s.readAhead.contains(n)) {
        deliver(s.readAhead.take(n));
        return true;
    }
    s.readAhead.clear();
    s.readAheadLimit = limit;
    // Reading the headers of a whole mailbox one message after the other:
    // the next messages come in the same worker run, so each one does not
    // cost a trip to the worker thread and back.
    const int extra = sequential && limit <= kReadAheadLineLimit ? qMin(kReadAhead, count_ - n) : 0;
    QList<Message> ahead(qMax(0, extra) + 1);
    const bool ok = perform([&](Session& s) {
        const CURLcode first = fetch(s, n, limit, ahead[0]);
        for (int k = 1; first == CURLE_OK && k <= extra; ++k)
            if (fetch(s, n + k, limit, ahead[k]) != CURLE_OK) {
                ahead.resize(k);
                break;
            }
        return first;
    });
    if (!ok)
        return false;
    for (qsizetype k = 1; k < ahead.size(); ++k)
        s.readAhead.insert(n + int(k), ahead[k]);
    deliver(ahead[0]);
    return true;
}

void Pop3Client::deliver(const Message& message)
{
    for (const auto& [name, value] : message.headers)
        emit Header(name, value);
    for (const auto& [bytes, line] : message.lines)
        emit Transfer(bytes, line);
}

bool Pop3Client::headerBlocks(const QVector<int>& numbers, QVector<HeaderList>& out)
{
    out.clear();
    for (const int n : numbers)
        if (!checkNumber(n))
            return false;
    for (qsizetype from = 0; from < numbers.size(); from += kReadAhead) {
        const qsizetype to = qMin(numbers.size(), from + kReadAhead);
        QVector<Message> batch(to - from);
        const bool ok = perform([&](Session& s) {
            for (qsizetype k = from; k < to; ++k)
                if (const CURLcode result = fetch(s, numbers[k], 0, batch[k - from]); result != CURLE_OK)
                    return result;
            return CURLE_OK;
        });
        if (!ok)
            return false;
        for (const Message& m : batch)
            out.append(m.headers);
    }
    return true;
}

bool Pop3Client::retrieveWhole(int n, QByteArray& raw, bool* truncated)
{
    if (!checkNumber(n))
        return false;
    Session& s = *session_;
    s.readAhead.clear();
    const QByteArray url = s.baseUrl + QByteArray::number(n);
    s.progress = [this](qint64 bytes) { worker_.post([this, bytes] { emit RetrieveProgress(bytes); }); };
    const bool ok = perform([&url](Session& s) {
        curl_easy_setopt(s.curl.handle(), CURLOPT_URL, url.constData());
        return curl_easy_perform(s.curl.handle());
    });
    if (session_)
        session_->progress = nullptr;
    if (!ok)
        return false;
    raw = session_->reply;
    if (truncated)
        *truncated = session_->overflow;
    return true;
}

bool Pop3Client::remove(int n)
{
    if (!checkNumber(n))
        return false;
    session_->readAhead.remove(n);
    const QByteArray dele = QStringLiteral("DELE %1").arg(n).toLatin1();
    const bool ok = perform([&](Session& s) {
        CURL* easy = s.curl.handle();
        curl_easy_setopt(easy, CURLOPT_URL, s.baseUrl.constData());
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, dele.constData());
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        const CURLcode result = curl_easy_perform(easy);
        curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
        return result;
    });
    if (ok && session_)
        session_->deleted.insert(n);
    return ok;
}

void Pop3Client::quit()
{
    if (running_ || !session_)
        return;
    // The server removes the messages marked deleted only at QUIT.
    running_ = true;
    Session& s = *session_;
    worker_.run([&s] {
        s.curl.quitAndClose([&s](CURL* easy) {
            curl_easy_setopt(easy, CURLOPT_URL, s.baseUrl.constData());
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        });
        return CURLE_OK;
    });
    running_ = false;
    closeSession();
}

void Pop3Client::closeSession()
{
    session_.reset();
    if (connected_) {
        connected_ = false;
        emit PITrail(Information, QStringLiteral("Disconnected."));
    }
}

void Pop3Client::abort()
{
    worker_.abort();
}

} // namespace platform
