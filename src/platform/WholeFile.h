#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include <sys/types.h>

namespace platform {

// The system calls a durable write is made of. Tests replace them with a
// double that fails a chosen call, as a full or failing disk would.
class FileCalls {
  public:
    virtual ~FileCalls() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* data, size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int ftruncate(int fd, off_t size);
};

FileCalls& fileCalls();

// What went wrong in a failed write: the system's errno and a sentence
// naming the file, for the user.
struct FileWriteError {
    int code = 0;
    QString text;
};

// A replacement of path written piece by piece: nothing changes at path
// until commit() has put every byte on disk and renamed the temporary over
// it. Destroyed without commit(), it leaves path as it was.
class WholeFileWriter {
  public:
    explicit WholeFileWriter(const QString& path, mode_t newFileMode = 0666);
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    bool open();
    bool write(const char* data, qint64 size);
    bool commit();
    // Why the last call failed.
    const FileWriteError& error() const { return error_; }

  private:
    void discard();
    bool failed(int code, const QString& what);

    QString target_;
    QString temporary_;
    mode_t newFileMode_;
    int fd_ = -1;
    FileWriteError error_;
};

// Replaces path with bytes, whole or not at all: the bytes go to a temporary
// file in the same folder, every write, fsync and close is checked, then the
// temporary is renamed over path and the folder synced. On any failure the
// old file stays byte for byte and no temporary is left. An existing file
// keeps its permissions; a new one gets newFileMode (less the umask).
bool ReplaceWholeFile(const QString& path, const QByteArray& bytes, FileWriteError* error = nullptr,
                      mode_t newFileMode = 0666);

enum class Sync { Yes, No };

// Appends bytes to path in a single write and, unless told otherwise, syncs
// them. A write that did not go through whole is cut back, so the file never
// ends in a torn record.
bool AppendWholeRecord(const QString& path, const QByteArray& bytes, FileWriteError* error = nullptr,
                       Sync sync = Sync::Yes);

// Where the platform's own writes (the per-user store) report how they went,
// so the core can tell the user of a failure: error is null on success.
using WriteReport = std::function<void(const QString& path, const FileWriteError* error)>;
void SetWriteReport(WriteReport report);
void ReportWrite(const QString& path, const FileWriteError* error);

// A name for a temporary beside path, never used before, of the pattern
// RemoveStaleTemporaries clears.
QString TemporaryNameBeside(const QString& path);

// Temporaries of ReplaceWholeFile left in folder by a process killed between
// creating and renaming them. Only their own name pattern is touched.
int RemoveStaleTemporaries(const QString& folder);

} // namespace platform
