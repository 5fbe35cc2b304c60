#include "platform/CurlWorker.h"

#include <QEventLoop>
#include <QTimer>

#include <thread>

namespace platform {

namespace {

// How late an event may arrive: the owner's thread is woken this often while
// a job runs instead of once per event, which would cost a thread switch each.
constexpr int kDeliveryMilliseconds = 15;

} // namespace

CurlWorker::CurlWorker(QObject* owner) : owner_(owner), abort_(std::make_shared<std::atomic<bool>>(false)) {}

CurlWorker::~CurlWorker() = default;

CURLcode CurlWorker::run(const std::function<CURLcode()>& job)
{
    running_ = true;
    CURLcode result = CURLE_OK;
    QEventLoop loop;
    QTimer delivery;
    QObject::connect(&delivery, &QTimer::timeout, owner_, [this] { flush(); });
    delivery.start(kDeliveryMilliseconds);
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
    delivery.stop();
    running_ = false;
    flush();
    return result;
}

void CurlWorker::post(std::function<void()> event)
{
    std::lock_guard<std::mutex> guard(lock_);
    pending_.push_back(std::move(event));
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
