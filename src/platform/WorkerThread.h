#pragma once

#include <QPointer>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

// The way the program waits for a blocking call off the GUI thread: one
// thread kept for a component's calls, parked between them. A thread
// started per call waits behind every runnable task on a busy machine
// before its first instruction; a parked one that is woken runs at once.
// run() hands the call over and waits in a local event loop, so windows,
// timers and sockets keep working meanwhile. The call must bound its own
// duration (time-outs): the caller waits for it. When the wait ends first
// (the application quits), endedEarly runs before the call is waited for,
// so it can tell the call to return promptly.
class WorkerThread {
  public:
    WorkerThread();
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void run(const std::function<void()>& work, const std::function<void()>& endedEarly = {});
    // Hands work over and returns at once; done then runs on the GUI
    // thread, and not at all once receiver (a GUI-thread object) is gone. Nobody waits, so a
    // call already on the thread makes this one false (nothing is done).
    bool post(std::function<void()> work, QObject* receiver, std::function<void()> done);

  private:
    struct Call;
    void serve();
    void finishPosted(); // with lock_ held

    std::mutex lock_;
    std::condition_variable changed_;
    Call* call_ = nullptr; // the call handed over and not yet finished
    // A posted call is owned here until the thread is done with it.
    std::unique_ptr<Call> posted_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace platform
