#include "platform/CurlWorker.h"

#include <QTimer>

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
    QTimer delivery;
    QObject::connect(&delivery, &QTimer::timeout, owner_, [this] { flush(); });
    delivery.start(kDeliveryMilliseconds);
    thread_.run([&] { result = job(); }, [this] { abort_->store(true); });
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
