#include "core/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A command line is one switch; an answer is one short reason.
constexpr qint64 kCommandLimit = 256;
constexpr qint64 kAnswerLimit = 1024;
// A client that connects and says nothing is dropped after this.
constexpr int kIdleCloseMs = 10000;
// The running program may still be starting when the lock already exists.
constexpr int kConnectPatienceMs = 10000;

QString runtimeDir()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
        return runtime;
    return QDir::tempPath();
}

QString socketPathFor(const QString& programDir)
{
    const QString canonical = QFileInfo(programDir).canonicalFilePath();
    const QByteArray key = (canonical.isEmpty() ? QDir::cleanPath(programDir) : canonical).toUtf8();
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return runtimeDir() + QStringLiteral("/halvorn-") + QString::fromLatin1(digest) + QStringLiteral(".sock");
}

// False when the path does not fit a Unix socket address.
bool unixAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray encoded = QFile::encodeName(path);
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (encoded.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return true;
}

int connectTo(const QString& path)
{
    sockaddr_un address;
    if (!unixAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

bool sendAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Reads one answer line, waiting at most timeoutMs in all.
QByteArray receiveLine(int fd, int timeoutMs)
{
    QByteArray reply;
    QElapsedTimer answering;
    answering.start();
    while (!reply.contains('\n') && reply.size() < kAnswerLimit) {
        const qint64 left = timeoutMs - answering.elapsed();
        pollfd wait{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&wait, 1, int(left)) <= 0)
            break;
        char buffer[kAnswerLimit];
        const ssize_t n = ::recv(fd, buffer, size_t(kAnswerLimit - reply.size()), 0);
        if (n <= 0)
            break;
        reply.append(buffer, n);
    }
    return reply;
}

int reportFailure(const QString& why)
{
    std::fprintf(stderr, "halvorn: %s\n", why.toLocal8Bit().constData());
    std::fflush(stderr);
    return 1;
}

} // namespace

// One second start connected to the running program: its command line is
// read as it arrives, and it is dropped when it says too much or nothing.
class SingleInstance::Caller : public QObject {
  public:
    Caller(int fd, SingleInstance* owner)
        : QObject(owner), fd_(fd), readable_(fd, QSocketNotifier::Read, this)
    {
        idle_.setSingleShot(true);
        connect(&idle_, &QTimer::timeout, this, &QObject::deleteLater);
        idle_.start(kIdleCloseMs);
        connect(&readable_, &QSocketNotifier::activated, this, [this, owner] { readSome(owner); });
    }
    ~Caller() override
    {
        readable_.setEnabled(false);
        ::close(fd_);
    }

    QString commandLine() const
    {
        return QString::fromUtf8(received_.left(received_.indexOf('\n'))).trimmed();
    }

    void reply(const QByteArray& line)
    {
        // A short answer fits the socket's buffer whole; a caller that left
        // meanwhile gets nothing, and no signal.
        const QByteArray bounded = line.left(kAnswerLimit - 1);
        [[maybe_unused]] const ssize_t sent =
            ::send(fd_, bounded.constData(), size_t(bounded.size()), MSG_NOSIGNAL);
    }

  private:
    void readSome(SingleInstance* owner)
    {
        char buffer[kCommandLimit + 1];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            deleteLater();
            return;
        }
        received_.append(buffer, n);
        if (!received_.contains('\n')) {
            if (received_.size() > kCommandLimit)
                deleteLater();
            return;
        }
        idle_.stop();
        readable_.setEnabled(false);
        // The answer may take a whole upload: run it outside the notifier's signal.
        QTimer::singleShot(0, owner, [owner, self = QPointer<Caller>(this)] {
            if (self)
                owner->answer(self);
        });
    }

    int fd_;
    QSocketNotifier readable_;
    QTimer idle_;
    QByteArray received_;
};

SingleInstance::SingleInstance(const QString& programDir)
    : socketPath_(socketPathFor(programDir)), lockPath_(programDir + QStringLiteral("/halvorn.lock"))
{
}

SingleInstance::~SingleInstance()
{
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(QFile::encodeName(socketPath_).constData());
    }
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

// An advisory lock on an open file belongs to a live process or to none: the
// kernel drops it when the process ends, however it ends, so a crash leaves
// nothing stale, and taking it writes nothing to disk.
bool SingleInstance::claim()
{
    if (lockFd_ >= 0)
        return true;
    const int fd = ::open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // A directory where no lock can be made cannot be shared safely either:
    // run rather than refuse.
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return !heldElsewhere;
    }
    lockFd_ = fd;
    return true;
}

void SingleInstance::listen(Handler handler)
{
    handler_ = std::move(handler);
    sockaddr_un address;
    if (!unixAddress(socketPath_, address))
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    // Left behind by a run that crashed: the lock says no one else owns it.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    // Only this user may hand a command line to the program.
    ::chmod(address.sun_path, S_IRUSR | S_IWUSR);
    listenFd_ = fd;
    listening_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(listening_, &QSocketNotifier::activated, this, &SingleInstance::acceptCallers);
}

void SingleInstance::acceptCallers()
{
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        new Caller(fd, this);
    }
}

void SingleInstance::answer(Caller* caller)
{
    QPointer<Caller> guard(caller);
    const QString why = handler_ ? handler_(caller->commandLine()) : QStringLiteral("not ready");
    if (!guard)
        return;
    caller->reply(why.isEmpty() ? QByteArray("0\n") : "1 " + why.simplified().toUtf8() + '\n');
    caller->deleteLater();
}

int SingleInstance::handOver(const QString& commandLine, int answerTimeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    int fd = -1;
    while ((fd = connectTo(socketPath_)) < 0) {
        if (waited.elapsed() > kConnectPatienceMs)
            return reportFailure(
                QStringLiteral("another Halvorn runs for this program directory but does not answer"));
        QThread::msleep(200);
    }
    QByteArray reply;
    if (sendAll(fd, commandLine.toUtf8().left(kCommandLimit - 1) + '\n'))
        reply = receiveLine(fd, answerTimeoutMs);
    ::close(fd);
    if (!reply.contains('\n'))
        return reportFailure(QStringLiteral("the running Halvorn gave no answer"));
    reply.truncate(reply.indexOf('\n'));
    if (reply == "0")
        return 0;
    return reportFailure(QString::fromUtf8(reply.startsWith("1 ") ? reply.mid(2) : reply));
}
