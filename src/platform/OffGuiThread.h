#pragma once

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <thread>

namespace platform {

// Runs a blocking call on a worker thread while the caller waits in a local
// event loop, so windows, timers and sockets keep working meanwhile. The call
// must bound its own duration (time-outs): the caller waits for it. When the
// wait ends first (the application quits), endedEarly runs before the join,
// so it can tell the call to return promptly.
template <class Work, class EndedEarly = void (*)()>
void RunOffGuiThread(Work&& work, EndedEarly&& endedEarly = [] {})
{
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done.store(true);
        // Addressed to the loop itself: should it be gone, the event is dropped.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // exec() also returns early when the application quits.
    if (!done.load())
        loop.exec();
    if (!done.load())
        endedEarly();
    worker.join();
}

} // namespace platform
