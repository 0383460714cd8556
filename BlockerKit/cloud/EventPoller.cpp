#include "cloud/EventPoller.h"

#include "cloud/CloudStorage.h"
#include "platform/Log.h"

namespace orvane {

EventPoller::EventPoller(std::unique_ptr<SqliteAccountDatabase> account, std::function<void(const CloudEvent&)> deliver,
                         std::chrono::milliseconds interval)
    : account_(std::move(account)), deliver_(std::move(deliver)), interval_(interval) {
    // Only what happens from now on is news; the caller fails here when the file is unusable.
    lastSequence_ = account_->lastEventSequence();
    thread_ = std::thread([this] { run(); });
}

EventPoller::~EventPoller() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopRequested_.notify_all();
    thread_.join();
}

void EventPoller::run() {
    std::int64_t seenVersion = -1;
    std::unique_lock lock(mutex_);
    while (!stopRequested_.wait_for(lock, interval_, [this] { return stopping_; })) {
        lock.unlock();
        try {
            const std::int64_t version = account_->dataVersion();
            if (version != seenVersion) {
                seenVersion = version;
                for (const auto& [sequence, event] : account_->eventsAfter(lastSequence_)) {
                    lastSequence_ = sequence;
                    deliver_(event);
                }
            }
        } catch (const CloudStorageFailure& failure) {
            log("Couldn't read cloud events: " + failure.error().localizedDescription);
        }
        lock.lock();
    }
}

} // namespace orvane
