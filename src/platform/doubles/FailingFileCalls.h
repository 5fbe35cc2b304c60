#pragma once

#include "platform/Override.h"
#include "platform/WholeFile.h"

#include <cerrno>

namespace platform {

// Fails one kind of file call with a chosen errno, as a full or broken disk
// does, and passes every other call to the system. A short write puts half
// the bytes on disk before the disk "fills up".
class FailingFileCalls final : public FileCalls {
  public:
    enum class Step { None, Open, Write, ShortWrite, Fsync, Close, Rename };

    explicit FailingFileCalls(Step step, int code = ENOSPC) : step_(step), code_(code) {}

    int open(const char* path, int flags, mode_t mode) override
    {
        return step_ == Step::Open ? refuse() : FileCalls::open(path, flags, mode);
    }
    ssize_t write(int fd, const void* data, size_t size) override
    {
        if (step_ == Step::Write)
            return refuse();
        if (step_ == Step::ShortWrite) {
            if (shortWritten_)
                return refuse();
            shortWritten_ = true;
            return FileCalls::write(fd, data, size / 2);
        }
        return FileCalls::write(fd, data, size);
    }
    int fsync(int fd) override { return step_ == Step::Fsync ? refuse() : FileCalls::fsync(fd); }
    int close(int fd) override
    {
        if (step_ != Step::Close)
            return FileCalls::close(fd);
        FileCalls::close(fd);
        return refuse();
    }
    int rename(const char* from, const char* to) override
    {
        return step_ == Step::Rename ? refuse() : FileCalls::rename(from, to);
    }
    // The disk has room again.
    void heal() { step_ = Step::None; }

  private:
    int refuse()
    {
        errno = code_;
        return -1;
    }

    Step step_;
    int code_;
    bool shortWritten_ = false;
};

using ScopedFileCalls = ScopedOverride<FileCalls>;

} // namespace platform
