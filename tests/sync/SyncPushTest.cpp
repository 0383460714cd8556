// Upload of the local changes queue against a SQLite cloud, with injected faults.

#include "catalog/DataManager.h"
#include "platform/UserDefaults.h"
#include "support/Fixtures.h"
#include "sync/SyncHarness.h"
#include "sync/SyncKeys.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

std::vector<Rule> numberedRules(int count) {
    std::vector<Rule> rules;
    for (int i = 0; i < count; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "R%03d", i);
        rules.push_back(blockRule(id));
    }
    return rules;
}

class SyncPush : public ::testing::Test {
protected:
    SyncPush() { harness.startAndSettle(); }

    void change(const std::vector<Rule>& rules) {
        harness.sync->rulesChanged(rules, "block-url");
        ASSERT_TRUE(harness.settle());
    }
    LocalChangesQueue& queue() { return harness.sync->localChanges(); }

    SyncHarness harness;
};

} // namespace

TEST_F(SyncPush, RetriesWaitTheSquareOfTheLastWaitUpToAnHour) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::networkFailure, 0));
    change({blockRule("R1")});
    const std::vector<std::chrono::milliseconds> waits{2s, 4s, 16s, 256s, 3600s, 3600s};
    for (std::size_t i = 0; i < waits.size(); ++i) {
        ASSERT_EQ(harness.retries.size(), 1u);
        EXPECT_EQ(harness.retries[0].delay, waits[i]);
        if (i + 1 == waits.size()) {
            harness.backend->clearFaults();
        }
        ASSERT_TRUE(harness.runRetry());
    }
    EXPECT_TRUE(harness.logs.contains("Retrying data push in 256.0 secs ..."));
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
    EXPECT_TRUE(harness.retries.empty());
}

TEST_F(SyncPush, AServerNamedDelayIsTakenWithinBoundsWhileTheOwnDelayStillGrows) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::serviceUnavailable, 1, 0.25, true));
    change({blockRule("R1")});
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 250ms);
    EXPECT_TRUE(harness.logs.contains("Retrying data push in 0.25 secs ..."));

    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::zoneBusy));
    ASSERT_TRUE(harness.runRetry());
    EXPECT_EQ(harness.retries.at(0).delay, 4s);

    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::requestRateLimited, 1, 1e300));
    ASSERT_TRUE(harness.runRetry());
    EXPECT_EQ(harness.retries.at(0).delay, 3600s);
    ASSERT_TRUE(harness.runRetry());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
}

TEST_F(SyncPush, TheQueueIsCutIntoEqualPiecesWithTheRestInOneMore) {
    queue().markRulesAdded(numberedRules(10), "block-url");
    queue().markDeleted("D1", LocalDeleteKeys::Rules);
    queue().markDeleted("D2", LocalDeleteKeys::Rules);
    auto sizes = [&](std::size_t split) {
        std::vector<std::pair<std::size_t, std::size_t>> pieces;
        for (const auto& push : harness.sync->makePushOperations(split)) {
            pieces.emplace_back(push.operation->recordsToSave.size(), push.operation->recordIDsToDelete.size());
        }
        return pieces;
    };
    EXPECT_EQ(sizes(3), (std::vector<std::pair<std::size_t, std::size_t>>{{3, 1}, {3, 1}, {3, 0}, {1, 0}}));
    EXPECT_TRUE(harness.logs.contains("Splitting data into 3 operations"));
    queue().removeAdded({"R002", "R003", "R004", "R005", "R006", "R007", "R008", "R009"}, LocalAddKeys::Rules);
    EXPECT_EQ(sizes(4), (std::vector<std::pair<std::size_t, std::size_t>>{{1, 1}, {1, 1}}));
}

TEST_F(SyncPush, ALimitExceededErrorDoublesTheSplit) {
    for (std::size_t occurrence = 1; occurrence <= 3; ++occurrence) {
        harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::limitExceeded, occurrence));
    }
    change(numberedRules(8));
    for (const char* split : {"2", "4", "8"}) {
        EXPECT_TRUE(harness.logs.contains(std::string("Splitting data into ") + split + " operations")) << split;
    }
    EXPECT_EQ(harness.serverRecords().size(), 8u);
}

TEST_F(SyncPush, AFailedOperationClearsNothingAndStopsTheRestOfItsBatch) {
    queue().markRulesAdded(numberedRules(9), "block-url");
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::permissionFailure, 2));
    harness.sync->scheduleSync(3);
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(harness.serverRecords().size(), 3u);
    EXPECT_EQ(queue().added(LocalAddKeys::Rules).size(), 6u);
    EXPECT_TRUE(queue().isPending("R003") && queue().isPending("R008"));
    EXPECT_EQ(harness.backend->callCount(CloudCall::modifyRecords), 2u);
    EXPECT_TRUE(harness.retries.empty());
}

TEST_F(SyncPush, ARecordTooLargeEvenAloneIsDroppedAndTheRestGoesUp) {
    // The smallest request still pairs a record with a deletion.
    queue().markDeleted("D1", LocalDeleteKeys::Rules);
    change({blockRule("A-big", std::string(1100 * 1024, 'x')), blockRule("B-small")});
    auto records = harness.serverRecords();
    EXPECT_TRUE(records.contains("B-small"));
    EXPECT_FALSE(records.contains("A-big"));
    EXPECT_TRUE(harness.logs.contains("Dropping A-big from the upload: it is too large for the cloud"));
    EXPECT_FALSE(queue().isPending("A-big"));
    EXPECT_TRUE(queue().recordIDsToDelete().empty());
}

TEST_F(SyncPush, ARejectedRecordIsDroppedFromTheQueueAndTheRestGoesUp) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::invalidArguments, 1, {}, true));
    harness.sync->packageChanged(makePackage("P1", "Mine", {blockRule("R1"), blockRule("R2")}));
    ASSERT_TRUE(harness.settle());
    auto records = harness.serverRecords();
    EXPECT_FALSE(records.contains("P1"));
    EXPECT_TRUE(records.contains("R1") && records.contains("R2"));
    EXPECT_FALSE(queue().isPending("P1"));
}

TEST_F(SyncPush, AConflictingRecordIsMergedRequeuedAndUploadedByTheNextBatch) {
    harness.saveFromOtherDevice({ruleRecord(blockRule("R2", "remote"), "block-url")});
    queue().markRulesAdded({blockRule("R1"), blockRule("R2", "local")}, "block-url");
    harness.sync->scheduleSync(1);
    ASSERT_TRUE(harness.settle());
    // R1 was refused only because R2 conflicted: the conflict is the error acted on.
    EXPECT_TRUE(harness.logs.contains("Merging R2"));
    auto records = harness.serverRecords();
    EXPECT_TRUE(records.contains("R1"));
    EXPECT_EQ(ruleOf(records.at("R2")), blockRule("R2", "local"));
    EXPECT_EQ(DataManager::shared().configurablePackages()->at(1).rules, std::vector<Rule>{blockRule("R2", "local")});
    EXPECT_TRUE(queue().recordsToSave({}).empty());
}

TEST_F(SyncPush, AMissingZoneIsSavedAgainBeforeTheUpload) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::zoneNotFound, 1, {}, true));
    change({blockRule("R1")});
    EXPECT_EQ(harness.backend->callCount(CloudCall::saveRecordZones), 2u);
    EXPECT_TRUE(UserDefaults::group().boolForKey(SyncKeys::ZoneSaved).value_or(false));
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
}

TEST_F(SyncPush, ARefusedAccountHoldsTheUploadUntilTheAccountChanges) {
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::notAuthenticated));
    change({blockRule("R1")});
    EXPECT_TRUE(harness.logs.contains("Account status changed!"));
    EXPECT_TRUE(harness.retries.empty());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
}

TEST_F(SyncPush, AChangeMadeWhileItsUploadIsInFlightStaysQueued) {
    queue().markRulesAdded({blockRule("R1", "first")}, "block-url");
    harness.sync->scheduleSync(1);
    // Queued after the upload took its records, without a batch of its own (as when the account
    // gate held that batch back).
    queue().markRulesAdded({blockRule("R1", "second")}, "block-url");
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(ruleOf(harness.serverRecords().at("R1")), blockRule("R1", "first"));
    ASSERT_TRUE(queue().isPending("R1"));

    harness.sync->scheduleSync(1);
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(ruleOf(harness.serverRecords().at("R1")), blockRule("R1", "second"));
    EXPECT_FALSE(queue().isPending("R1"));
    EXPECT_FALSE(harness.logs.contains("Merging R1"));
}
