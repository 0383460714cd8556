// Upload of the local changes queue against a SQLite cloud, with injected faults.

#include "catalog/DataManager.h"
#include "cloud/KeyValueStorage.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"
#include "support/Fixtures.h"
#include "sync/SyncHarness.h"
#include "sync/SyncKeys.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

std::vector<Rule> numberedRules(std::size_t count) {
    std::vector<Rule> rules;
    for (std::size_t i = 0; i < count; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "R%03zu", i);
        rules.push_back(blockRule(id));
    }
    return rules;
}

std::vector<std::size_t> pieceSizes(const std::vector<PushOperation>& operations, bool saves) {
    std::vector<std::size_t> sizes;
    for (const auto& push : operations) {
        sizes.push_back(saves ? push.operation->recordsToSave.size() : push.operation->recordIDsToDelete.size());
    }
    return sizes;
}

class SyncPush : public ::testing::Test {
protected:
    SyncPush() { harness.startAndSettle(); }

    SyncHarness harness;
};

} // namespace

TEST_F(SyncPush, RetriesWaitTheSquareOfTheLastWaitUpToAnHour) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::networkFailure, 0));
    harness.sync->ruleChanged(blockRule("R1"), "block-url");
    ASSERT_TRUE(harness.settle());
    const std::vector<std::chrono::milliseconds> expected{2s, 4s, 16s, 256s, 3600s, 3600s};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(harness.retries.size(), 1u);
        EXPECT_EQ(harness.retries[0].delay, expected[i]);
        if (i + 1 < expected.size()) {
            ASSERT_TRUE(harness.runRetry());
        }
    }
    for (const char* seconds : {"2.0", "4.0", "16.0", "256.0", "3600.0"}) {
        EXPECT_TRUE(harness.logs.contains(std::string("Retrying data push in ") + seconds + " secs ..."));
    }
    EXPECT_TRUE(harness.serverRecords().empty());

    harness.backend->clearFaults();
    ASSERT_TRUE(harness.runRetry());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
    EXPECT_TRUE(harness.retries.empty());
}

TEST_F(SyncPush, AServerNamedDelayIsTakenWithinBoundsWhileTheOwnDelayStillGrows) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::serviceUnavailable, 1, 0.25, true));
    harness.sync->ruleChanged(blockRule("R1"), "block-url");
    ASSERT_TRUE(harness.settle());
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 250ms);
    EXPECT_TRUE(harness.logs.contains("Retrying data push in 0.25 secs ..."));

    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::zoneBusy, 1));
    ASSERT_TRUE(harness.runRetry());
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 4s);

    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::requestRateLimited, 1, 1e300));
    ASSERT_TRUE(harness.runRetry());
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 3600s);
    ASSERT_TRUE(harness.runRetry());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
}

TEST_F(SyncPush, TheQueueIsCutIntoEqualPiecesWithTheRestInOneMore) {
    auto& queue = harness.sync->localChanges();
    auto rules = numberedRules(10);
    queue.markRulesAdded(rules, "block-url");
    queue.markDeleted("D1", LocalDeleteKeys::Rules);
    queue.markDeleted("D2", LocalDeleteKeys::Rules);
    auto operations = harness.sync->makePushOperations(3);
    EXPECT_EQ(pieceSizes(operations, true), (std::vector<std::size_t>{3, 3, 3, 1}));
    EXPECT_EQ(pieceSizes(operations, false), (std::vector<std::size_t>{1, 1, 0, 0}));
    EXPECT_EQ(operations[3].operation->recordsToSave[0].recordID().recordName, "R009");
    EXPECT_EQ(operations[3].fields.begin()->first, "R009");
    EXPECT_TRUE(harness.logs.contains("Splitting data into 3 operations"));

    queue.removeAdded({"R002", "R003", "R004", "R005", "R006", "R007", "R008", "R009"}, LocalAddKeys::Rules);
    EXPECT_EQ(pieceSizes(harness.sync->makePushOperations(4), true), (std::vector<std::size_t>{1, 1}));

    queue.forget("R000");
    queue.forget("R001");
    queue.forget("D1");
    queue.forget("D2");
    EXPECT_TRUE(harness.sync->makePushOperations(1).empty());
    EXPECT_TRUE(harness.logs.contains("No local record changes to push"));
}

TEST_F(SyncPush, ALimitExceededErrorDoublesTheSplit) {
    for (std::size_t occurrence = 1; occurrence <= 3; ++occurrence) {
        harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::limitExceeded, occurrence));
    }
    harness.sync->rulesChanged(numberedRules(8), "block-url");
    ASSERT_TRUE(harness.settle());
    for (const char* split : {"1", "2", "4", "8"}) {
        EXPECT_TRUE(harness.logs.contains(std::string("Splitting data into ") + split + " operations")) << split;
    }
    EXPECT_EQ(harness.serverRecords().size(), 8u);
    EXPECT_TRUE(harness.sync->localChanges().recordsToSave({}).empty());
}

TEST_F(SyncPush, OperationsOfABatchClearOnlyTheirOwnPieces) {
    // More records than one request may carry: the store refuses the first upload as too large.
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::permissionFailure, 3));
    harness.sync->rulesChanged(numberedRules(450), "block-url");
    ASSERT_TRUE(harness.settle());
    EXPECT_TRUE(harness.logs.contains("Splitting data into 2 operations"));
    EXPECT_EQ(harness.serverRecords().size(), 225u);
    auto left = harness.sync->localChanges().added(LocalAddKeys::Rules);
    ASSERT_EQ(left.size(), 225u);
    EXPECT_EQ(left.begin()->first, "R225");
    EXPECT_TRUE(harness.retries.empty());

    harness.sync->scheduleSync(1);
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(harness.serverRecords().size(), 450u);
}

TEST_F(SyncPush, ARecordTooLargeEvenAloneIsDroppedAndTheRestGoesUp) {
    harness.sync->rulesChanged({blockRule("A-big", std::string(1100 * 1024, 'x')), blockRule("B-small")}, "block-url");
    ASSERT_TRUE(harness.settle());
    auto records = harness.serverRecords();
    EXPECT_TRUE(records.contains("B-small"));
    EXPECT_FALSE(records.contains("A-big"));
    EXPECT_TRUE(harness.logs.contains("Dropping A-big from the upload: it is too large for the cloud"));
    EXPECT_FALSE(harness.sync->localChanges().isPending("A-big"));
}

TEST_F(SyncPush, ARejectedRecordIsDroppedFromTheQueueAndTheRestGoesUp) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::invalidArguments, 1, std::nullopt, true));
    harness.sync->packageChanged(makePackage("P1", "Mine", {blockRule("R1"), blockRule("R2")}));
    ASSERT_TRUE(harness.settle());
    auto records = harness.serverRecords();
    EXPECT_FALSE(records.contains("P1"));
    EXPECT_TRUE(records.contains("R1") && records.contains("R2"));
    EXPECT_FALSE(harness.sync->localChanges().isPending("P1"));
    EXPECT_TRUE(harness.logs.contains("Couldn't push P1: Injected error 12"));
}

TEST_F(SyncPush, AConflictingRecordIsMergedRequeuedAndUploadedByTheNextBatch) {
    auto remote = blockRule("R2", "remote");
    harness.saveFromOtherDevice({ruleRecord(remote, "block-url")});
    auto local = blockRule("R2", "local");
    harness.sync->localChanges().markRulesAdded({blockRule("R1"), local}, "block-url");
    harness.sync->scheduleSync(1);
    ASSERT_TRUE(harness.settle());

    // R1 is refused only because R2 conflicted; the conflict is the error acted on.
    EXPECT_TRUE(harness.logs.contains("Merging R2"));
    auto records = harness.serverRecords();
    ASSERT_TRUE(records.contains("R1") && records.contains("R2"));
    EXPECT_EQ(std::get<Rule>(ruleFromRecord(records.at("R2"))), local);
    EXPECT_TRUE(harness.sync->localChanges().recordsToSave({}).empty());
    const Package blockUrl = DataManager::shared().configurablePackages()->at(1);
    ASSERT_EQ(blockUrl.rules.size(), 1u);
    EXPECT_EQ(blockUrl.rules[0], local);
}

TEST_F(SyncPush, AMissingZoneIsSavedAgainBeforeTheUpload) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::zoneNotFound, 1, std::nullopt, true));
    harness.sync->ruleChanged(blockRule("R1"), "block-url");
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(harness.backend->callCount(CloudCall::saveRecordZones), 2u);
    EXPECT_TRUE(harness.logs.contains("Zone already exists (?)"));
    EXPECT_TRUE(UserDefaults::group().boolForKey(SyncKeys::ZoneSaved).value_or(false));
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
}

TEST_F(SyncPush, ARefusedAccountHoldsTheUploadUntilTheAccountChanges) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::notAuthenticated, 1));
    harness.sync->ruleChanged(blockRule("R1"), "block-url");
    ASSERT_TRUE(harness.settle());
    EXPECT_TRUE(harness.logs.contains("Account status changed!"));
    EXPECT_TRUE(harness.retries.empty());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
    EXPECT_EQ(harness.backend->callCount(CloudCall::modifyRecords), 2u);
}

namespace {

// Holds uploads at the store until released, so that the test can act while one is in flight.
class HoldingCloudBackend final : public CloudBackend {
public:
    struct Gate {
        std::mutex mutex;
        std::condition_variable released;
        bool holding = false;
        bool entered = false;
    };

    explicit HoldingCloudBackend(std::shared_ptr<CloudBackend> inner)
        : inner_(std::move(inner)), gate_(std::make_shared<Gate>()) {}

    const std::shared_ptr<Gate>& gate() const { return gate_; }
    void release() {
        std::lock_guard lock(gate_->mutex);
        gate_->holding = false;
        gate_->released.notify_all();
    }

    AccountStatusResult accountStatus() override { return inner_->accountStatus(); }
    std::shared_ptr<CloudDatabaseBackend> database(const std::string& container, DatabaseScope scope) override {
        return std::make_shared<Database>(inner_->database(container, scope), gate_);
    }
    std::unique_ptr<KeyValueStorage> keyValueStorage() override { return inner_->keyValueStorage(); }

protected:
    std::optional<CloudError> startWatching() override {
        return CloudError::make(CloudErrorCode::internalError, "Not watched");
    }

private:
    class Database final : public CloudDatabaseBackend {
    public:
        Database(std::shared_ptr<CloudDatabaseBackend> inner, std::shared_ptr<Gate> gate)
            : inner_(std::move(inner)), gate_(std::move(gate)) {}
        ModifyRecordZonesResult saveRecordZones(const std::vector<RecordZone>& zones) override {
            return inner_->saveRecordZones(zones);
        }
        ModifySubscriptionsResult saveSubscriptions(const std::vector<RecordZoneSubscription>& subscriptions) override {
            return inner_->saveSubscriptions(subscriptions);
        }
        ModifyRecordsResult modifyRecords(const std::vector<CloudRecord>& save, const std::vector<RecordID>& remove) override {
            {
                std::unique_lock lock(gate_->mutex);
                gate_->entered = gate_->holding;
                gate_->released.wait(lock, [&] { return !gate_->holding; });
            }
            return inner_->modifyRecords(save, remove);
        }
        ZoneChangesResult fetchZoneChanges(const RecordZoneID& zone, const std::optional<ServerChangeToken>& token,
                                           std::size_t limit) override {
            return inner_->fetchZoneChanges(zone, token, limit);
        }

    private:
        std::shared_ptr<CloudDatabaseBackend> inner_;
        std::shared_ptr<Gate> gate_;
    };

    std::shared_ptr<CloudBackend> inner_;
    std::shared_ptr<Gate> gate_;
};

} // namespace

TEST(SyncPushInFlight, AChangeMadeWhileItsUploadIsInFlightStaysQueued) {
    std::shared_ptr<HoldingCloudBackend> holding;
    SyncHarness harness([&](std::shared_ptr<CloudBackend> inner) {
        holding = std::make_shared<HoldingCloudBackend>(std::move(inner));
        return holding;
    });
    harness.startAndSettle();
    {
        std::lock_guard lock(holding->gate()->mutex);
        holding->gate()->holding = true;
    }
    harness.sync->ruleChanged(blockRule("R1", "first"), "block-url");
    ASSERT_TRUE(runMainLoopUntil(
        [&] {
            std::lock_guard lock(holding->gate()->mutex);
            return holding->gate()->entered;
        },
        10s));
    // Queued without a batch of its own, as when the account gate held that batch back.
    harness.sync->localChanges().markRulesAdded({blockRule("R1", "second")}, "block-url");
    holding->release();
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(std::get<Rule>(ruleFromRecord(harness.serverRecords().at("R1"))).blocker.trigger.urlFilter, "first");
    ASSERT_TRUE(harness.sync->localChanges().isPending("R1"));

    harness.sync->scheduleSync(1);
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(std::get<Rule>(ruleFromRecord(harness.serverRecords().at("R1"))).blocker.trigger.urlFilter, "second");
    EXPECT_FALSE(harness.sync->localChanges().isPending("R1"));
    EXPECT_FALSE(harness.logs.contains("Merging R1"));
}
