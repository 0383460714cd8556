#pragma once

#include "app/CoreServices.h"
#include "cloud/CloudContainer.h"
#include "testing/FaultInjectingCloudBackend.h"
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

    SyncHarness();
    ~SyncHarness();

    // Runs the main loop until sync and the rebuilds are done; answers whether they were.
    bool settle();
    // Runs the oldest waiting retry, then settles.
    bool runRetry();
    // Zone and subscription in place and the account known, as after a first start.
    void startAndSettle();
    bool logged(const std::string& part) const;

    std::shared_ptr<CloudDatabaseBackend> otherDevice() const;
    void saveFromOtherDevice(const std::vector<CloudRecord>& records) const;
    // Every live record of the zone, by name.
    std::map<std::string, CloudRecord> serverRecords() const;

    TempHome home;
    // The core as the application runs it; the harness's own sync manager then takes the
    // place of the shared one as the catalog's hand-over.
    CoreServices core;
    orvane::test::TemporaryDirectory cloudDirectory;
    std::string cloud;
    std::shared_ptr<FaultInjectingCloudBackend> backend;
    std::vector<Retry> retries;
    std::shared_ptr<SyncManager> sync;
    LogCapture logs;
};

CloudFault fault(CloudCall call, long code, std::size_t occurrence = 1, std::optional<double> retryAfterSeconds = {},
                 bool perItem = false);
// Records as another machine uploads them.
CloudRecord ruleRecord(const Rule& rule, const std::string& packageId);
CloudRecord packageRecord(const std::string& id, const std::string& name);
// The rule that a server record holds (a default rule when it holds none).
Rule ruleOf(const CloudRecord& record);

} // namespace orvane::test
