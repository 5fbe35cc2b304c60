#include "platform/WholeFile.h"

#include "platform/Override.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace platform {

int FileCalls::open(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}
ssize_t FileCalls::write(int fd, const void* data, size_t size)
{
    return ::write(fd, data, size);
}
int FileCalls::fsync(int fd)
{
    return ::fsync(fd);
}
int FileCalls::close(int fd)
{
    return ::close(fd);
}
int FileCalls::rename(const char* from, const char* to)
{
    return ::rename(from, to);
}
int FileCalls::ftruncate(int fd, off_t size)
{
    return ::ftruncate(fd, size);
}

FileCalls& fileCalls()
{
    return resolve<FileCalls, FileCalls>();
}

namespace {

const QLatin1String kTemporaryMark(".hvtmp-");

bool fail(FileWriteError* error, int code, const QString& what, const QString& path)
{
    if (error) {
        error->code = code;
        error->text =
            QStringLiteral("cannot %1 %2: %3")
                .arg(what, QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(code)));
    }
    return false;
}

// Writes all of bytes; a short write that reports no error means the disk
// filled up in the middle of it.
int writeAll(FileCalls& calls, int fd, const char* data, size_t left)
{
    while (left > 0) {
        const ssize_t written = calls.write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;
        data += written;
        left -= size_t(written);
    }
    return 0;
}

// A link is replaced at its target, so the link the user made stays.
QString resolvedTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.symLinkTarget();
    return target.isEmpty() ? path : target;
}

int createTemporary(FileCalls& calls, const QString& target, mode_t mode, QString* name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        *name = TemporaryNameBeside(target);
        const int fd =
            calls.open(QFile::encodeName(*name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The folder entry itself must reach the disk, or a crash right after the
// rename can bring back the old name.
int syncFolderOf(FileCalls& calls, const QString& target)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int fd = calls.open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    const int synced = calls.fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    calls.close(fd);
    return synced;
}

// Opens path for appending; created tells whether this call made the file,
// so that a failed first record leaves no empty file behind.
int openForAppend(FileCalls& calls, const QByteArray& name, bool* created)
{
    *created = false;
    const int fd = calls.open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC, 0);
    if (fd >= 0 || errno != ENOENT)
        return fd;
    *created = true;
    return calls.open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

WriteReport& writeReport()
{
    static WriteReport report;
    return report;
}

} // namespace

WholeFileWriter::WholeFileWriter(const QString& path, mode_t newFileMode)
    : target_(resolvedTarget(path)), newFileMode_(newFileMode)
{
}

WholeFileWriter::~WholeFileWriter()
{
    discard();
}

bool WholeFileWriter::failed(int code, const QString& what)
{
    discard();
    return fail(&error_, code, what, target_);
}

void WholeFileWriter::discard()
{
    if (fd_ >= 0)
        fileCalls().close(fd_);
    fd_ = -1;
    if (!temporary_.isEmpty())
        ::unlink(QFile::encodeName(temporary_).constData());
    temporary_.clear();
}

bool WholeFileWriter::open()
{
    fd_ = createTemporary(fileCalls(), target_, newFileMode_, &temporary_);
    if (fd_ < 0) {
        const int code = errno;
        temporary_.clear();
        return failed(code, QStringLiteral("create a file beside"));
    }
    struct stat existing {};
    if (::stat(QFile::encodeName(target_).constData(), &existing) == 0)
        ::fchmod(fd_, existing.st_mode & 07777);
    return true;
}

bool WholeFileWriter::write(const char* data, qint64 size)
{
    if (fd_ < 0)
        return false;
    const int code = writeAll(fileCalls(), fd_, data, size_t(size));
    return code == 0 || failed(code, QStringLiteral("write"));
}

bool WholeFileWriter::commit()
{
    if (fd_ < 0)
        return false;
    FileCalls& calls = fileCalls();
    int code = calls.fsync(fd_) == 0 ? 0 : errno;
    const int fd = std::exchange(fd_, -1);
    if (calls.close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 &&
        calls.rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
        code = errno;
    if (code != 0)
        return failed(code, QStringLiteral("write"));
    temporary_.clear();
    code = syncFolderOf(calls, target_);
    return code == 0 || failed(code, QStringLiteral("sync the folder of"));
}

bool ReplaceWholeFile(const QString& path, const QByteArray& bytes, FileWriteError* error, mode_t newFileMode)
{
    WholeFileWriter writer(path, newFileMode);
    if (writer.open() && writer.write(bytes.constData(), bytes.size()) && writer.commit())
        return true;
    if (error)
        *error = writer.error();
    return false;
}

bool AppendWholeRecord(const QString& path, const QByteArray& bytes, FileWriteError* error, Sync sync)
{
    FileCalls& calls = fileCalls();
    const QByteArray name = QFile::encodeName(path);
    bool created = false;
    const int fd = openForAppend(calls, name, &created);
    if (fd < 0)
        return fail(error, errno, QStringLiteral("open"), path);
    struct stat before {};
    int code = ::fstat(fd, &before) == 0 ? 0 : errno;
    if (code == 0)
        code = writeAll(calls, fd, bytes.constData(), size_t(bytes.size()));
    if (code == 0 && sync == Sync::Yes && calls.fsync(fd) != 0)
        code = errno;
    // Whatever part of the record got in comes out again: the next try
    // appends it whole.
    if (code != 0)
        calls.ftruncate(fd, before.st_size);
    if (calls.close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0)
        return true;
    if (created)
        ::unlink(name.constData());
    return fail(error, code, QStringLiteral("write"), path);
}

void SetWriteReport(WriteReport report)
{
    writeReport() = std::move(report);
}

void ReportWrite(const QString& path, const FileWriteError* error)
{
    if (writeReport())
        writeReport()(path, error);
}

QString TemporaryNameBeside(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = QString::number(QRandomGenerator::global()->generate64(), 36);
    return info.absolutePath() + QLatin1String("/.") + info.fileName() + kTemporaryMark + suffix;
}

int RemoveStaleTemporaries(const QString& folder)
{
    QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral(".*") + kTemporaryMark + QLatin1Char('*')},
                                            QDir::Files | QDir::Hidden | QDir::System);
    int removed = 0;
    for (const QString& name : names)
        removed += dir.remove(name) ? 1 : 0;
    return removed;
}

} // namespace platform
