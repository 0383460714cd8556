#include "sync/SyncHarness.h"

#include "catalog/DataManager.h"
#include "output/Safari.h"
#include "platform/MainQueue.h"
#include "support/Fixtures.h"
#include "sync/RecordMapping.h"
#include "sync/SyncKeys.h"

#include <gtest/gtest.h>

namespace orvane::test {

SyncHarness::SyncHarness()
    : cloud("sqlite:" + (cloudDirectory.path() / "Cloud").string()),
      backend(std::make_shared<FaultInjectingCloudBackend>(CloudBackend::make(cloud))),
      sync(SyncManager::create(std::make_shared<CloudContainer>(kSyncContainerIdentifier, backend),
                               [this](std::chrono::milliseconds delay, std::function<void()> work) {
                                   retries.push_back({delay, std::move(work)});
                               })) {
    sync->installAsSyncHandOver();
    // Rebuilds write "tmp.json" only once the preinstalled list is there, as in the application.
    DataManager::shared().setPreinstalledPackages({makePackage("block-ads", "Ads", {blockRule("ads-1", "ads")})});
}

SyncHarness::~SyncHarness() {
    settle();
    DataManager::shared().setSyncHandOver(nullptr);
}

bool SyncHarness::settle() {
    // Draining the main queue can start new work (an account-changed notification starts an
    // account question), so settle again until a drain leaves everything idle.
    const auto idle = [this] { return sync->isIdle() && !Safari::hasRequestsInFlight(); };
    for (;;) {
        if (!runMainLoopUntil(idle, std::chrono::seconds(60))) {
            return false;
        }
        drainMainQueue();
        if (idle()) {
            return true;
        }
    }
}

bool SyncHarness::runRetry() {
    if (retries.empty()) {
        ADD_FAILURE() << "no retry is waiting";
        return false;
    }
    auto retry = std::move(retries.front());
    retries.erase(retries.begin());
    retry.work();
    return settle();
}

void SyncHarness::startAndSettle() {
    sync->startSync({});
    EXPECT_TRUE(settle());
    logs.clear();
}

bool SyncHarness::logged(const std::string& part) const {
    for (const auto& line : logs.lines()) {
        if (line.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::shared_ptr<CloudDatabaseBackend> SyncHarness::otherDevice() const {
    return CloudBackend::make(cloud)->database(kSyncContainerIdentifier, DatabaseScope::privateScope);
}

void SyncHarness::saveFromOtherDevice(const std::vector<CloudRecord>& records) const {
    auto result = otherDevice()->modifyRecords(records, {});
    EXPECT_FALSE(result.error) << result.error->localizedDescription;
}

std::map<std::string, CloudRecord> SyncHarness::serverRecords() const {
    std::map<std::string, CloudRecord> records;
    auto database = otherDevice();
    std::optional<ServerChangeToken> token;
    for (bool more = true; more;) {
        auto changes = database->fetchZoneChanges(syncZoneID(), token, 0);
        for (auto& record : changes.changedRecords) {
            records.insert_or_assign(record.recordID().recordName, record);
        }
        token = changes.serverChangeToken;
        more = changes.moreComing && !changes.error;
    }
    return records;
}

CloudFault fault(CloudCall call, long code, std::size_t occurrence, std::optional<double> retryAfterSeconds,
                 bool perItem) {
    return CloudFault{call, code, occurrence, retryAfterSeconds, perItem};
}

CloudRecord ruleRecord(const Rule& rule, const std::string& packageId) {
    return makeRecord(kRuleRecordType, rule.id, ruleRecordFields(rule, packageId), {});
}

CloudRecord packageRecord(const std::string& id, const std::string& name) {
    return makeRecord(kPackageRecordType, id, packageRecordFields(Package{id, name, {}}), {});
}

Rule ruleOf(const CloudRecord& record) {
    auto mapped = ruleFromRecord(record);
    return std::holds_alternative<Rule>(mapped) ? std::get<Rule>(mapped) : Rule{};
}

} // namespace orvane::test
