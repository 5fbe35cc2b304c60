#include "platform/CurlWorker.h"

#include <QEventLoop>

#include <thread>

namespace platform {

CurlWorker::CurlWorker(QObject* owner) : owner_(owner), abort_(std::make_shared<std::atomic<bool>>(false)) {}

CurlWorker::~CurlWorker() = default;

CURLcode CurlWorker::run(const std::function<CURLcode()>& job)
{
    running_ = true;
    CURLcode result = CURLE_OK;
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = job();
        done.store(true);
        // Addressed to the loop itself: should it be gone, the event is dropped.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // exec() also returns when the application quits; the job is then aborted.
    loop.exec();
    if (!done.load())
        abort_->store(true);
    worker.join();
    running_ = false;
    flush();
    return result;
}

void CurlWorker::post(std::function<void()> event)
{
    bool first;
    {
        std::lock_guard<std::mutex> guard(lock_);
        first = pending_.empty();
        pending_.push_back(std::move(event));
    }
    if (first)
        QMetaObject::invokeMethod(
            owner_, [this] { flush(); }, Qt::QueuedConnection);
}

void CurlWorker::flush()
{
    std::vector<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> guard(lock_);
        batch.swap(pending_);
    }
    for (auto& event : batch)
        event();
}

} // namespace platform
