#pragma once

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <thread>

namespace platform {

// Runs a blocking call on a worker thread while the caller waits in a local
// event loop, so windows, timers and sockets keep working meanwhile. The call
// must bound its own duration (time-outs): the caller waits for it.
template <class Work>
void RunOffGuiThread(Work&& work)
{
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done.store(true);
        // Addressed to the loop itself: should it be gone, the event is dropped.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // exec() also returns early when the application quits; the join then
    // waits out the call's own time-out.
    if (!done.load())
        loop.exec();
    worker.join();
}

} // namespace platform
