#pragma once

#include "cloud/CloudNotification.h"
#include "cloud/SqliteAccountDatabase.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace orvane {

// Watches the account file of a SQLite cloud for events of other devices and hands each to
// `deliver` on its own thread. Its connection is its own, so it sees the commits of every
// other connection, in this process or another.
class EventPoller {
public:
    EventPoller(std::unique_ptr<SqliteAccountDatabase> account, std::function<void(const CloudEvent&)> deliver,
                std::chrono::milliseconds interval = std::chrono::milliseconds(100));
    ~EventPoller();
    EventPoller(const EventPoller&) = delete;
    EventPoller& operator=(const EventPoller&) = delete;

private:
    void run();

    std::unique_ptr<SqliteAccountDatabase> account_;
    std::function<void(const CloudEvent&)> deliver_;
    const std::chrono::milliseconds interval_;
    std::int64_t lastSequence_ = 0;
    std::mutex mutex_;
    std::condition_variable stopRequested_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace orvane
