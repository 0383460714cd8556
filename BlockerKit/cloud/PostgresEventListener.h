#pragma once

#include "cloud/CloudNotification.h"
#include "cloud/PostgresConnection.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace orvane {

// Listens on its own connection for the events of the user's other devices and hands each to
// `deliver` on its own thread. A dropped connection is made again; events sent meanwhile are
// missed, as a push may be, and the next fetch catches up.
class PostgresEventListener {
public:
    // Throws CloudStorageFailure when the first connection fails.
    PostgresEventListener(std::string uri, std::string origin, std::function<void(const CloudEvent&)> deliver);
    ~PostgresEventListener();
    PostgresEventListener(const PostgresEventListener&) = delete;
    PostgresEventListener& operator=(const PostgresEventListener&) = delete;

private:
    void listen();
    void run();
    // Waits a little for notifications and delivers their events; answers whether the
    // connection still listens. Throws CloudStorageFailure when the server fails.
    bool receive();
    void deliver(const std::vector<std::string>& sequences);

    PostgresConnection connection_;
    const std::string origin_;
    std::function<void(const CloudEvent&)> deliver_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace orvane
