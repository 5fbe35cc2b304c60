#pragma once

#include "platform/WorkerThread.h"

#include <QObject>

#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// Runs one network job at a time on the owner's worker thread while the
// calling (GUI) thread waits in a local event loop, so window events keep
// flowing.
// Events the job posts come back to the owner's thread in order, gathered
// into batches delivered every few milliseconds and when the job ends.
// When the wait ends early (the application quits) the abort flag is set,
// which the transfer's progress callback turns into a prompt return.
class CurlWorker {
  public:
    explicit CurlWorker(QObject* owner);
    ~CurlWorker();
    CurlWorker(const CurlWorker&) = delete;
    CurlWorker& operator=(const CurlWorker&) = delete;

    CURLcode run(const std::function<CURLcode()>& job);
    bool running() const { return running_; }

    // From the job: queue an event for the owner's thread.
    void post(std::function<void()> event);
    // Delivers the events queued so far (owner's thread).
    void flush();

    std::shared_ptr<const std::atomic<bool>> abortFlag() const { return abort_; }
    void abort() { abort_->store(true); }
    void clearAbort() { abort_->store(false); }
    bool aborted() const { return abort_->load(); }

  private:
    QObject* owner_;
    std::shared_ptr<std::atomic<bool>> abort_;
    std::mutex lock_;
    std::vector<std::function<void()>> pending_;
    bool running_ = false;
    WorkerThread thread_; // last: joined before the rest goes
};

} // namespace platform
