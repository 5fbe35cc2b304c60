#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

// One thread kept for a component's blocking calls, parked between them. A
// thread started per call waits behind every runnable task on a busy
// machine before its first instruction; a parked one that is woken runs at
// once. run() behaves as RunOffGuiThread: the caller waits in a local event
// loop, and when that wait ends first (the application quits) endedEarly
// runs before the call is waited for.
class WorkerThread {
  public:
    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void run(const std::function<void()>& work, const std::function<void()>& endedEarly);

  private:
    struct Call;
    void serve();

    std::mutex lock_;
    std::condition_variable changed_;
    Call* call_ = nullptr; // the call handed over and not yet finished
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace platform
