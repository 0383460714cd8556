// Start, zone and subscription set-up, and the account gate, against a SQLite cloud with
// injected faults.

#include "catalog/DataManager.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/Fixtures.h"
#include "sync/SyncHarness.h"
#include "sync/SyncKeys.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

class SyncSetup : public ::testing::Test {
protected:
    static bool zoneSaved() { return UserDefaults::group().boolForKey(SyncKeys::ZoneSaved).value_or(false); }
    static std::optional<std::string> subscription() {
        return UserDefaults::group().stringForKey(SyncKeys::ZoneSubscribtionID);
    }
    // Only the subscription is missing: a batch has it and the uploads alone.
    void dropSubscription() {
        harness.startAndSettle();
        UserDefaults::group().remove(SyncKeys::ZoneSubscribtionID);
    }
    void change(const std::string& ruleId) {
        harness.sync->ruleChanged(blockRule(ruleId), "block-url");
        ASSERT_TRUE(harness.settle());
    }
    void accountChanges(std::optional<AccountStatus> status) {
        harness.backend->setAccountStatus(status);
        NotificationCenter::shared().post(kCloudAccountChangedNotification);
        ASSERT_TRUE(harness.settle());
    }

    SyncHarness harness;
};

} // namespace

TEST_F(SyncSetup, AFirstStartSavesZoneAndSubscriptionFetchesAndQueuesExistingRulesOnce) {
    auto& catalog = DataManager::shared();
    ASSERT_TRUE(catalog.saveRule(blockRule("R1"), makePackage("block-url", ""), true));
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::permissionFailure, 0));
    harness.sync->startSync(*catalog.configurablePackages());
    ASSERT_TRUE(harness.settle());
    EXPECT_TRUE(harness.serverRecords().empty());
    EXPECT_TRUE(zoneSaved());
    ASSERT_TRUE(subscription());
    EXPECT_TRUE(harness.logs.contains("Subscription saved successfully! ID: " + *subscription()));
    EXPECT_TRUE(harness.logs.contains("Fetching from remote changes..."));

    harness.backend->clearFaults();
    harness.sync->startSync(*catalog.configurablePackages());
    ASSERT_TRUE(harness.settle());
    auto lines = harness.logs.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Preparing packages for initial sync"), 1);
    auto records = harness.serverRecords();
    EXPECT_EQ(records.size(), 6u);
    EXPECT_TRUE(records.contains("whitelist") && records.contains("make-https") && records.contains("R1"));
}

TEST_F(SyncSetup, AZoneThatAlreadyExistsCountsAsSavedAndStartsAFetch) {
    ASSERT_FALSE(harness.otherDevice()->saveRecordZones({RecordZone(kSyncZoneName)}).error);
    harness.saveFromOtherDevice({packageRecord("P1", "From elsewhere")});
    harness.startAndSettle();
    EXPECT_TRUE(zoneSaved());
    EXPECT_EQ(DataManager::shared().customPackages()->at(0).name, "From elsewhere");
}

class TransientFailure : public SyncSetup, public ::testing::WithParamInterface<long> {};

TEST_P(TransientFailure, OfTheZoneIsRetriedAndASavedZoneResetsTheDelay) {
    harness.backend->inject(fault(CloudCall::saveRecordZones, GetParam()));
    change("R1");
    EXPECT_EQ(harness.backend->callCount(CloudCall::modifyRecords), 0u);
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 2s);
    EXPECT_TRUE(harness.logs.contains("Retrying data push in 2.0 secs ..."));
    ASSERT_TRUE(harness.runRetry());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));

    // Since the zone's save the delay is 2 seconds again, not 4.
    harness.backend->inject(fault(CloudCall::modifyRecords, GetParam()));
    change("R2");
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 2s);
}

TEST_P(TransientFailure, OfTheSubscriptionIsRetried) {
    dropSubscription();
    harness.backend->inject(fault(CloudCall::saveSubscriptions, GetParam(), 1, 0.5));
    harness.sync->scheduleSync(1);
    ASSERT_TRUE(harness.settle());
    EXPECT_FALSE(subscription());
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 500ms);
    ASSERT_TRUE(harness.runRetry());
    EXPECT_TRUE(subscription());
}

INSTANTIATE_TEST_SUITE_P(Codes, TransientFailure,
                         ::testing::Values(CloudErrorCode::networkFailure, CloudErrorCode::serviceUnavailable,
                                           CloudErrorCode::requestRateLimited, CloudErrorCode::zoneBusy));

TEST_F(SyncSetup, AZoneRefusedForGoodStopsTheBatchBeforeItsUploads) {
    harness.backend->inject(fault(CloudCall::saveRecordZones, CloudErrorCode::permissionFailure, 1, {}, true));
    change("R1");
    EXPECT_FALSE(zoneSaved());
    EXPECT_EQ(harness.backend->callCount(CloudCall::saveSubscriptions), 0u);
    EXPECT_EQ(harness.backend->callCount(CloudCall::modifyRecords), 0u);
    EXPECT_TRUE(harness.retries.empty());
}

TEST_F(SyncSetup, ASubscriptionRefusedForGoodIsLeftForTheNextBatch) {
    dropSubscription();
    harness.backend->inject(fault(CloudCall::saveSubscriptions, CloudErrorCode::invalidArguments, 1, {}, true));
    change("R1");
    EXPECT_FALSE(subscription());
    EXPECT_TRUE(harness.retries.empty());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
}

class RefusedCredentials : public SyncSetup, public ::testing::WithParamInterface<CloudCall> {};

// The refusal changes what the backend knows of the credentials, which posts the account-changed
// notification; the account answers "available" again, so the held batch goes then.
TEST_P(RefusedCredentials, HoldTheBatchUntilTheAccountChanges) {
    if (GetParam() == CloudCall::saveSubscriptions) {
        dropSubscription();
    }
    harness.backend->inject(fault(GetParam(), CloudErrorCode::notAuthenticated));
    change("R1");
    EXPECT_TRUE(harness.logs.contains("Account status changed!"));
    EXPECT_TRUE(harness.logged("R1: Operation was cancelled"));
    EXPECT_TRUE(harness.retries.empty());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
}

INSTANTIATE_TEST_SUITE_P(Calls, RefusedCredentials,
                         ::testing::Values(CloudCall::saveRecordZones, CloudCall::saveSubscriptions));

TEST_F(SyncSetup, ADuplicateSubscriptionAdoptsTheExistingId) {
    ASSERT_FALSE(harness.otherDevice()->saveRecordZones({RecordZone(kSyncZoneName)}).error);
    ASSERT_FALSE(harness.otherDevice()
                     ->saveSubscriptions({RecordZoneSubscription(RecordZoneID{kSyncZoneName}, "Sub-of-another")})
                     .error);
    harness.startAndSettle();
    EXPECT_EQ(subscription(), "Sub-of-another");
}

TEST_F(SyncSetup, ASubscriptionForAMissingZoneSavesTheZoneAgain) {
    UserDefaults::group().set(SyncKeys::ZoneSaved, true);
    harness.startAndSettle();
    EXPECT_TRUE(zoneSaved());
    EXPECT_TRUE(subscription());
    EXPECT_EQ(harness.backend->callCount(CloudCall::saveRecordZones), 1u);
}

TEST_F(SyncSetup, WithoutAnAccountChangesWaitAndGoUpWhenTheAccountAppears) {
    for (auto [status, line] : {std::pair{AccountStatus::noAccount, "Account status: No account"},
                                std::pair{AccountStatus::restricted, "Account status: Restricted"}}) {
        accountChanges(status);
        change("R1");
        EXPECT_TRUE(harness.logs.contains(line));
        EXPECT_TRUE(harness.serverRecords().empty());

        accountChanges(std::nullopt);
        EXPECT_TRUE(harness.serverRecords().contains("R1"));
        harness.sync->ruleDeleted("R1");
        ASSERT_TRUE(harness.settle());
    }
}

TEST_F(SyncSetup, AKnownAvailableAccountIsNotAskedAgainAndAFailedQuestionHoldsTheBatch) {
    harness.startAndSettle();
    const std::size_t asked = harness.backend->callCount(CloudCall::accountStatus);
    change("R1");
    EXPECT_EQ(harness.backend->callCount(CloudCall::accountStatus), asked);
    EXPECT_TRUE(harness.serverRecords().contains("R1"));

    harness.backend->inject(fault(CloudCall::accountStatus, CloudErrorCode::networkFailure, 0));
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::notAuthenticated));
    change("R2");
    EXPECT_TRUE(harness.logs.contains("Injected error 4"));
    EXPECT_FALSE(harness.serverRecords().contains("R2"));

    harness.backend->clearFaults();
    accountChanges(std::nullopt);
    EXPECT_TRUE(harness.serverRecords().contains("R2"));
}
