#include "core/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
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

int reportFailure(const QString& why)
{
    std::fprintf(stderr, "halvorn: %s\n", why.toLocal8Bit().constData());
    std::fflush(stderr);
    return 1;
}

} // namespace

SingleInstance::SingleInstance(const QString& programDir)
    : socketPath_(socketPathFor(programDir)), lockPath_(programDir + QStringLiteral("/halvorn.lock"))
{
}

SingleInstance::~SingleInstance()
{
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
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath_); // left behind by a run that crashed
    if (!server_->listen(socketPath_))
        return;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, &QLocalSocket::abort);
        idle->start(kIdleCloseMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, idle] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kCommandLimit)
                    socket->abort();
                return;
            }
            idle->stop();
            disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
            // The answer may take a whole upload: run it outside the socket's signal.
            QTimer::singleShot(0, this, [this, socket] { answer(socket); });
        });
    }
}

void SingleInstance::answer(QLocalSocket* socket)
{
    QPointer<QLocalSocket> guard(socket);
    const QString commandLine = QString::fromUtf8(socket->readLine(kCommandLimit)).trimmed();
    const QString why = handler_ ? handler_(commandLine) : QStringLiteral("not ready");
    if (!guard)
        return;
    const QByteArray reply = why.isEmpty() ? QByteArray("0\n") : "1 " + why.simplified().toUtf8() + '\n';
    socket->write(reply.left(kAnswerLimit - 1));
    socket->flush();
    socket->disconnectFromServer();
}

int SingleInstance::handOver(const QString& commandLine, int answerTimeoutMs)
{
    QLocalSocket socket;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(1000))
            break;
        if (waited.elapsed() > kConnectPatienceMs)
            return reportFailure(
                QStringLiteral("another Halvorn runs for this program directory but does not answer"));
        QThread::msleep(200);
    }
    socket.write(commandLine.toUtf8().left(kCommandLimit - 1) + '\n');
    socket.flush();
    QByteArray reply;
    QElapsedTimer answering;
    answering.start();
    while (!reply.contains('\n') && reply.size() < kAnswerLimit) {
        const qint64 left = answerTimeoutMs - answering.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(int(left)))
            break;
        reply += socket.read(kAnswerLimit - reply.size());
    }
    if (!reply.contains('\n'))
        return reportFailure(QStringLiteral("the running Halvorn gave no answer"));
    reply.truncate(reply.indexOf('\n'));
    if (reply == "0")
        return 0;
    return reportFailure(QString::fromUtf8(reply.startsWith("1 ") ? reply.mid(2) : reply));
}
