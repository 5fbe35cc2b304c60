#include "platform/WorkerThread.h"

#include <QEventLoop>
#include <QMetaObject>

namespace platform {

struct WorkerThread::Call {
    const std::function<void()>* work;
    QEventLoop* loop;
    bool worked = false;   // the work has returned
    bool finished = false; // and the thread is done with this call
};

WorkerThread::~WorkerThread()
{
    {
        const std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void WorkerThread::run(const std::function<void()>& work, const std::function<void()>& endedEarly)
{
    std::unique_lock<std::mutex> guard(lock_);
    if (call_) {
        // Asked again from inside the wait for the first call: a second
        // thread for the nested call, joined when it is done.
        guard.unlock();
        WorkerThread nested;
        nested.run(work, endedEarly);
        return;
    }
    if (!thread_.joinable())
        thread_ = std::thread([this] { serve(); });
    QEventLoop loop;
    Call call{&work, &loop};
    call_ = &call;
    guard.unlock();
    changed_.notify_all();
    guard.lock();
    if (!call.worked) {
        guard.unlock();
        // exec() also returns early when the application quits.
        loop.exec();
        guard.lock();
        if (!call.worked) {
            guard.unlock();
            if (endedEarly)
                endedEarly();
            guard.lock();
        }
    }
    changed_.wait(guard, [&call] { return call.finished; });
    call_ = nullptr;
}

void WorkerThread::serve()
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return stopping_ || (call_ && !call_->finished); });
        if (stopping_)
            return;
        Call& call = *call_;
        guard.unlock();
        (*call.work)();
        guard.lock();
        call.worked = true;
        guard.unlock();
        // Queued before the call counts as finished: the loop outlives it.
        QMetaObject::invokeMethod(call.loop, &QEventLoop::quit, Qt::QueuedConnection);
        guard.lock();
        call.finished = true;
        changed_.notify_all();
    }
}

} // namespace platform
