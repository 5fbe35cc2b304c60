#include "platform/FtpClient.h"

#include "platform/WholeFile.h"

#include "platform/CurlEasy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <curl/curl.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace platform {

// State shared with libcurl's callbacks on the worker thread. The GUI side
// touches it only while no command runs.
struct FtpClient::Session {
    FtpClient* owner = nullptr;
    std::shared_ptr<const std::atomic<bool>> abort;
    bool storing = false;
    bool started = false;
    qint64 lastReported = -1;
    QFile* upload = nullptr;
    QString pinnedHostKey;
    bool askAboutHostKeys = true;
    CurlEasy curl; // last: its clean-up may still report trail lines
};

struct FtpCallbacks {
    static void trailLine(FtpClient::Session& s, int type, const QByteArray& line)
    {
        FtpClient* owner = s.owner;
        const QString text = QString::fromLatin1(line);
        owner->post([owner, type, text] { emit owner->PITrail(type, text); });
        if (type == FtpClient::Received && s.storing && line.startsWith("226"))
            owner->post([owner] { emit owner->TransferConfirmed(); });
        if (type != FtpClient::Information)
            return;
        const CurlEasy::News news = s.curl.news(line);
        if (news == CurlEasy::News::None)
            return;
        const bool up = news == CurlEasy::News::Connected;
        owner->post([owner, up] {
            owner->connected_ = up;
            emit owner->PITrail(FtpClient::Information,
                                up ? QStringLiteral("Connected.") : QStringLiteral("Disconnected."));
        });
    }

    static void progress(FtpClient::Session& s, curl_off_t sent)
    {
        if (s.storing && s.started && sent != s.lastReported) {
            s.lastReported = sent;
            s.owner->post([owner = s.owner, sent] { emit owner->Transfer(qint64(sent)); });
        }
    }

    static size_t read(char* buffer, size_t size, size_t count, void* user)
    {
        auto& s = *static_cast<FtpClient::Session*>(user);
        if (s.abort->load())
            return CURL_READFUNC_ABORT;
        if (!s.started) {
            s.started = true;
            s.owner->post([owner = s.owner] { emit owner->StartTransfer(); });
        }
        const qint64 got = s.upload->read(buffer, qint64(size * count));
        return got < 0 ? CURL_READFUNC_ABORT : size_t(got);
    }

    static QString fingerprint(const curl_khkey* key)
    {
        QByteArray raw = key->len == 0 ? QByteArray::fromBase64(QByteArray(key->key))
                                       : QByteArray(key->key, qsizetype(key->len));
        QByteArray hash = QCryptographicHash::hash(raw, QCryptographicHash::Sha256).toBase64();
        while (hash.endsWith('='))
            hash.chop(1);
        return QStringLiteral("SHA256:") + QString::fromLatin1(hash);
    }

    static int hostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* user)
    {
        auto& s = *static_cast<FtpClient::Session*>(user);
        const QString print = fingerprint(found);
        auto note = [&s](const QString& text) {
            s.owner->post([owner = s.owner, text] { emit owner->PITrail(FtpClient::Information, text); });
        };
        if (match == CURLKHMATCH_OK)
            return CURLKHSTAT_FINE;
        if (!s.pinnedHostKey.isEmpty()) {
            if (s.pinnedHostKey == print)
                return CURLKHSTAT_FINE;
            note(QStringLiteral("Host key %1 differs from the one accepted earlier: refused").arg(print));
            return CURLKHSTAT_REJECT;
        }
        if (match == CURLKHMATCH_MISMATCH) {
            note(QStringLiteral("Host key %1 differs from known_hosts: refused").arg(print));
            return CURLKHSTAT_REJECT;
        }
        if (!s.askAboutHostKeys) {
            note(QStringLiteral("Unknown host key %1: refused").arg(print));
            return CURLKHSTAT_REJECT;
        }
        // The question goes to the GUI thread without blocking on it: should
        // the program quit meanwhile, that thread joins this one and would
        // never answer, so the wait also ends when the command is aborted.
        struct Answer {
            std::mutex lock;
            std::condition_variable ready;
            bool given = false;
            bool accepted = false;
        };
        auto answer = std::make_shared<Answer>();
        FtpClient* owner = s.owner;
        QMetaObject::invokeMethod(
            owner,
            [owner, print, answer] {
                bool ok = false;
                if (!owner->worker_.aborted()) {
                    owner->worker_.flush(); // the trail so far comes before the question
                    ok = owner->confirmHostKey && owner->confirmHostKey(print);
                    if (ok && !owner->worker_.aborted())
                        owner->acceptedHostKey_ = print;
                }
                const std::lock_guard<std::mutex> guard(answer->lock);
                answer->accepted = ok;
                answer->given = true;
                answer->ready.notify_all();
            },
            Qt::QueuedConnection);
        bool accepted = false;
        {
            std::unique_lock<std::mutex> wait(answer->lock);
            while (!answer->given && !s.abort->load())
                answer->ready.wait_for(wait, std::chrono::milliseconds(100));
            accepted = answer->given && answer->accepted && !s.abort->load();
        }
        if (!accepted)
            note(QStringLiteral("Unknown host key %1: refused").arg(print));
        return accepted ? CURLKHSTAT_FINE : CURLKHSTAT_REJECT;
    }
};

namespace {

QString encodedPath(const QString& path)
{
    QStringList parts;
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts))
        parts << QString::fromLatin1(QUrl::toPercentEncoding(part));
    return parts.join(u'/');
}

// The URL of a remote folder (and file) under the login directory; a
// directory starting with "/" is taken from the server's root.
QString remoteUrl(const FtpTarget& t, const QString& dir, const QString& file)
{
    QString url = t.urlBase() + u'/';
    if (t.scheme == FtpTarget::Scheme::Sftp && !dir.startsWith(u'/'))
        url += QStringLiteral("~/");
    else if (dir.startsWith(u'/') && t.scheme != FtpTarget::Scheme::Sftp)
        url += QStringLiteral("%2F");
    const QString d = encodedPath(dir);
    if (!d.isEmpty())
        url += d + u'/';
    if (!file.isEmpty())
        url += encodedPath(file);
    return url;
}

} // namespace

struct FtpClient::Job {
    std::function<CURLcode(Session&)> work;
};

FtpClient::FtpClient(QObject* parent) : QObject(parent), worker_(this) {}

FtpClient::~FtpClient() = default;

void FtpClient::post(std::function<void()> event)
{
    worker_.post(std::move(event));
}

bool FtpClient::busy() const
{
    return worker_.running() || connected_ || session_ != nullptr;
}

bool FtpClient::failWith(int number, const QString& description)
{
    emit Error(number, description);
    return false;
}

bool FtpClient::run(Job& job)
{
    Session& session = *session_;
    session.curl.clearError();
    const CURLcode result = worker_.run([&] { return job.work(session); });
    if (result == CURLE_OK)
        return true;
    if (result == CURLE_ABORTED_BY_CALLBACK || worker_.aborted())
        return false;
    return failWith(int(result), session.curl.describe(result));
}

bool FtpClient::connectAndLogin()
{
    if (worker_.running())
        return false;
    worker_.clearAbort();
    acceptedHostKey_.clear();
    target_ = ParseFtpHost(host);
    if (!target_.valid())
        return failWith(int(CURLE_URL_MALFORMAT), QStringLiteral("Bad server name: ") + target_.error);
    if (const QString problem = LoginFieldProblem(user, password); !problem.isEmpty())
        return failWith(int(CURLE_URL_MALFORMAT), problem);
    closeSession();
    session_ = std::make_unique<Session>();
    session_->owner = this;
    session_->abort = worker_.abortFlag();
    session_->pinnedHostKey = pinnedHostKey;
    session_->askAboutHostKeys = askAboutHostKeys;
    if (target_.isLocal())
        return localConnect();

    Session* s = session_.get();
    const CurlEasy::Limits limits{timeouts.connectSeconds, timeouts.lowSpeedSeconds};
    auto lines = [s](int type, const QByteArray& line) { FtpCallbacks::trailLine(*s, type, line); };
    auto progress = [s](curl_off_t, curl_off_t sent) { FtpCallbacks::progress(*s, sent); };
    if (!s->curl.open(limits, worker_.abortFlag(), lines, progress))
        return failWith(int(CURLE_FAILED_INIT), QStringLiteral("Cannot start the FTP client"));
    CURL* easy = s->curl.handle();
    // Large reads keep a fast local server busy with few callbacks.
    curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, 64L * 1024L);
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(timeouts.responseSeconds));
    curl_easy_setopt(easy, CURLOPT_USERNAME, user.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, password.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp,ftps,sftp");
    s->curl.setPeerVerification(verifyPeer);
    if (target_.scheme == FtpTarget::Scheme::Ftp && tls != Tls::Off) {
        s->curl.setStartTls(tls);
        curl_easy_setopt(easy, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
    }
    if (target_.scheme == FtpTarget::Scheme::Sftp) {
        const QString known = knownHostsFile.isEmpty()
                                  ? QDir::homePath() + QStringLiteral("/.ssh/known_hosts")
                                  : knownHostsFile;
        long auth = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
        if (!sshKeyFile.isEmpty()) {
            auth |= CURLSSH_AUTH_PUBLICKEY;
            curl_easy_setopt(easy, CURLOPT_SSH_PRIVATE_KEYFILE, QFile::encodeName(sshKeyFile).constData());
            const QString pub = sshKeyFile + QStringLiteral(".pub");
            if (QFileInfo(pub).isFile())
                curl_easy_setopt(easy, CURLOPT_SSH_PUBLIC_KEYFILE, QFile::encodeName(pub).constData());
            curl_easy_setopt(easy, CURLOPT_KEYPASSWD, password.toUtf8().constData());
        }
        curl_easy_setopt(easy, CURLOPT_SSH_AUTH_TYPES, auth);
        curl_easy_setopt(easy, CURLOPT_SSH_KNOWNHOSTS, QFile::encodeName(known).constData());
        curl_easy_setopt(easy, CURLOPT_SSH_KEYFUNCTION, &FtpCallbacks::hostKey);
        curl_easy_setopt(easy, CURLOPT_SSH_KEYDATA, s);
    }
    return visit(remoteUrl(target_, QString(), QString()));
}

bool FtpClient::visit(const QString& folderUrl)
{
    const QByteArray url = folderUrl.toUtf8();
    Job job{[url](Session& s) {
        curl_easy_setopt(s.curl.handle(), CURLOPT_URL, url.constData());
        curl_easy_setopt(s.curl.handle(), CURLOPT_NOBODY, 1L);
        return s.curl.perform();
    }};
    return run(job);
}

bool FtpClient::changeDirectory()
{
    if (worker_.running() || !session_)
        return false;
    if (HasControlCharacters(remoteDir))
        return failWith(int(CURLE_URL_MALFORMAT),
                        QStringLiteral("The remote directory holds control characters"));
    if (target_.isLocal()) {
        const QString folder = QDir(target_.folder).filePath(remoteDir.trimmed());
        if (!QFileInfo(folder).isDir())
            return failWith(int(CURLE_REMOTE_ACCESS_DENIED),
                            QStringLiteral("Remote directory not found: ") + folder);
        emit PITrail(Information, QStringLiteral("Folder ") + QDir::cleanPath(folder));
        return true;
    }
    return visit(remoteUrl(target_, remoteDir.trimmed(), QString()));
}

bool FtpClient::store()
{
    if (worker_.running() || !session_)
        return false;
    if (HasControlCharacters(remoteFile) || remoteFile.trimmed().isEmpty())
        return failWith(int(CURLE_URL_MALFORMAT), QStringLiteral("Bad remote file name"));
    if (target_.isLocal())
        return localStore();
    QFile file(localFile);
    if (!file.open(QIODevice::ReadOnly))
        return failWith(int(CURLE_READ_ERROR),
                        QStringLiteral("Cannot read %1: %2").arg(localFile, file.errorString()));
    Session& s = *session_;
    s.upload = &file;
    s.storing = true;
    s.started = false;
    s.lastReported = -1;
    const QByteArray url = remoteUrl(target_, remoteDir.trimmed(), remoteFile.trimmed()).toUtf8();
    const curl_off_t size = curl_off_t(file.size());
    const long text = mode == Text ? 1L : 0L;
    Job job{[url, size, text](Session& s) {
        curl_easy_setopt(s.curl.handle(), CURLOPT_URL, url.constData());
        curl_easy_setopt(s.curl.handle(), CURLOPT_NOBODY, 0L);
        curl_easy_setopt(s.curl.handle(), CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(s.curl.handle(), CURLOPT_TRANSFERTEXT, text);
        curl_easy_setopt(s.curl.handle(), CURLOPT_READFUNCTION, &FtpCallbacks::read);
        curl_easy_setopt(s.curl.handle(), CURLOPT_READDATA, &s);
        curl_easy_setopt(s.curl.handle(), CURLOPT_INFILESIZE_LARGE, size);
        const CURLcode result = s.curl.perform();
        curl_easy_setopt(s.curl.handle(), CURLOPT_UPLOAD, 0L);
        return result;
    }};
    const bool ok = run(job);
    s.upload = nullptr;
    s.storing = false;
    if (ok) {
        emit Transfer(qint64(size));
        emit EndTransfer();
        if (target_.scheme == FtpTarget::Scheme::Sftp)
            emit TransferConfirmed();
    }
    return ok;
}

void FtpClient::quit()
{
    if (worker_.running() || !session_)
        return;
    if (target_.isLocal()) {
        session_.reset();
        if (connected_) {
            connected_ = false;
            emit PITrail(Information, QStringLiteral("Disconnected."));
        }
        return;
    }
    // QUIT goes out while a transfer of this handle runs, so that it and the
    // server's goodbye reach the trail; the connection is then closed, not kept.
    const bool ftp = target_.scheme != FtpTarget::Scheme::Sftp;
    const QByteArray url = remoteUrl(target_, QString(), QString()).toUtf8();
    Job job{[url, ftp](Session& s) {
        if (ftp && s.curl.connectionUp()) {
            // A transfer of nothing on a connection that may not be kept:
            // libcurl ends it at once with its own QUIT, the only one sent.
            curl_easy_setopt(s.curl.handle(), CURLOPT_URL, url.constData());
            curl_easy_setopt(s.curl.handle(), CURLOPT_NOBODY, 1L);
            curl_easy_setopt(s.curl.handle(), CURLOPT_FORBID_REUSE, 1L);
            s.curl.perform();
        }
        s.curl.close();
        return CURLE_OK;
    }};
    run(job);
    session_.reset();
    if (connected_) {
        connected_ = false;
        emit PITrail(Information, QStringLiteral("Disconnected."));
    }
}

void FtpClient::closeSession()
{
    if (!session_)
        return;
    session_.reset();
    connected_ = false;
}

void FtpClient::cancel()
{
    worker_.abort();
}

void FtpClient::abort()
{
    worker_.abort();
}

bool FtpClient::localConnect()
{
    if (!QFileInfo(target_.folder).isDir())
        return failWith(int(CURLE_COULDNT_CONNECT), QStringLiteral("Folder not found: ") + target_.folder);
    connected_ = true;
    emit PITrail(Information, QStringLiteral("Connected."));
    return true;
}

bool FtpClient::localStore()
{
    const QString folder = QDir::cleanPath(QDir(target_.folder).filePath(remoteDir.trimmed()));
    const QString path = QDir::cleanPath(QDir(folder).filePath(remoteFile.trimmed()));
    if (!path.startsWith(folder + u'/'))
        return failWith(int(CURLE_URL_MALFORMAT),
                        QStringLiteral("The file name leaves the folder: ") + remoteFile);
    QFile in(localFile);
    if (!in.open(QIODevice::ReadOnly))
        return failWith(int(CURLE_READ_ERROR),
                        QStringLiteral("Cannot read %1: %2").arg(localFile, in.errorString()));
    emit PITrail(Information, QStringLiteral("Writing ") + path);
    QString failure;
    qint64 total = 0;
    worker_.run([&] {
        // The page replaces the old one in one step: a reader never sees half a page.
        WholeFileWriter out(path);
        if (!out.open()) {
            failure = out.error().text;
        } else {
            post([this] { emit StartTransfer(); });
            char buffer[64 * 1024];
            for (;;) {
                if (worker_.aborted()) {
                    failure = QStringLiteral("aborted");
                    break;
                }
                const qint64 got = in.read(buffer, sizeof buffer);
                if (got < 0)
                    failure = in.errorString();
                if (got <= 0)
                    break;
                if (!out.write(buffer, got)) {
                    failure = out.error().text;
                    break;
                }
                total += got;
                post([this, sent = total] { emit Transfer(sent); });
            }
            if (failure.isEmpty() && !out.commit())
                failure = out.error().text;
        }
        return CURLE_OK;
    });
    if (worker_.aborted())
        return false;
    if (!failure.isEmpty())
        return failWith(int(CURLE_WRITE_ERROR),
                        failure.startsWith(QLatin1String("cannot "))
                            ? QStringLiteral("C") + failure.mid(1)
                            : QStringLiteral("Cannot write %1: %2").arg(path, failure));
    emit PITrail(Information, QStringLiteral("Stored %1 bytes in %2").arg(total).arg(path));
    emit EndTransfer();
    emit TransferConfirmed();
    return true;
}

} // namespace platform
