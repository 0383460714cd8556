#pragma once

#include "cloud/CloudContainer.h"
#include "cloud/FaultInjectingCloudBackend.h"
#include "platform/Log.h"
#include "support/TempHome.h"
#include "support/TemporaryDirectory.h"
#include "sync/SyncManager.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orvane::test {

// This process as one machine: its catalog and a sync manager on a SQLite cloud of its own,
// behind a fault-injecting backend. Retries wait until the test runs them. Another machine of
// the same user reaches the cloud through otherDevice().
class SyncHarness {
public:
    struct Retry {
        std::chrono::milliseconds delay;
        std::function<void()> work;
    };

    using Wrap = std::function<std::shared_ptr<CloudBackend>(std::shared_ptr<CloudBackend>)>;

    // `wrap` may put another backend between the fault injector and the cloud.
    explicit SyncHarness(const Wrap& wrap = {});
    ~SyncHarness();
    SyncHarness(const SyncHarness&) = delete;
    SyncHarness& operator=(const SyncHarness&) = delete;

    // Runs the main loop until sync and the rebuilds are done; answers whether they were.
    bool settle(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Runs the oldest waiting retry, then settles.
    bool runRetry();

    std::shared_ptr<CloudDatabaseBackend> otherDevice() const;
    // Every live record of the zone, by name.
    std::map<std::string, CloudRecord> serverRecords() const;
    // Saves records as another machine does; answers the saved versions.
    std::vector<CloudRecord> saveFromOtherDevice(const std::vector<CloudRecord>& records) const;

    // Whether a log line contains `part`.
    bool logged(const std::string& part) const;

    // Zone and subscription in place and the account known, as after a first start.
    void startAndSettle();

    TempHome home;
    orvane::testing::TemporaryDirectory cloudDirectory;
    std::string cloud;
    std::shared_ptr<FaultInjectingCloudBackend> backend;
    std::shared_ptr<CloudContainer> container;
    std::vector<Retry> retries;
    std::shared_ptr<SyncManager> sync;
    LogCapture logs;
};

CloudFault fault(CloudCall call, long code, std::size_t occurrence = 1, std::optional<double> retryAfterSeconds = {},
                 bool perItem = false);

// A rule record as another machine would upload it.
CloudRecord ruleRecord(const Rule& rule, const std::string& packageId);
CloudRecord packageRecord(const std::string& id, const std::string& name);

} // namespace orvane::test
