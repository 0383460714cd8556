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
    UserDefaults& defaults() { return UserDefaults::group(); }
    bool zoneSaved() { return defaults().boolForKey(SyncKeys::ZoneSaved).value_or(false); }
    std::optional<std::string> subscription() { return defaults().stringForKey(SyncKeys::ZoneSubscribtionID); }
    std::size_t count(const std::string& line) {
        auto lines = harness.logs.lines();
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
    }
    void accountReturns() {
        harness.backend->setAccountStatus(std::nullopt);
        NotificationCenter::shared().post(kCloudAccountChangedNotification);
        ASSERT_TRUE(harness.settle());
    }

    SyncHarness harness;
};

} // namespace

TEST_F(SyncSetup, AFirstStartCreatesZoneAndSubscriptionUploadsEverythingOnceAndFetches) {
    auto& catalog = DataManager::shared();
    catalog.saveRule(blockRule("R1"), makePackage("block-url", ""), true);
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::permissionFailure, 0));
    harness.sync->startSync(*catalog.configurablePackages());
    ASSERT_TRUE(harness.settle());
    EXPECT_TRUE(harness.serverRecords().empty());
    EXPECT_TRUE(zoneSaved());
    ASSERT_TRUE(subscription());
    EXPECT_TRUE(harness.logs.contains("Subscription saved successfully! ID: " + *subscription()));
    EXPECT_TRUE(harness.logs.contains("Zone saved successfully!"));
    EXPECT_TRUE(harness.logs.contains("Fetching from remote changes..."));

    harness.backend->clearFaults();
    harness.sync->startSync(*catalog.configurablePackages());
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(count("Preparing packages for initial sync"), 1u);
    auto records = harness.serverRecords();
    for (const char* name : {"whitelist", "block-url", "block-cookies", "hide-elements", "make-https", "R1"}) {
        EXPECT_TRUE(records.contains(name)) << name;
    }
    EXPECT_EQ(records.size(), 6u);
    EXPECT_TRUE(harness.sync->localChanges().recordsToSave({}).empty());
}

TEST_F(SyncSetup, AZoneThatAlreadyExistsCountsAsSavedAndStartsAFetch) {
    ASSERT_FALSE(harness.otherDevice()->saveRecordZones({RecordZone(kSyncZoneName)}).error);
    harness.saveFromOtherDevice({packageRecord("P1", "From elsewhere")});
    harness.startAndSettle();
    EXPECT_TRUE(zoneSaved());
    ASSERT_EQ(DataManager::shared().customPackages()->size(), 1u);
    EXPECT_EQ(DataManager::shared().customPackages()->front().name, "From elsewhere");
}

class ZoneTransientFailure : public SyncSetup, public ::testing::WithParamInterface<long> {};

TEST_P(ZoneTransientFailure, IsRetriedAndASavedZoneResetsTheDelay) {
    harness.backend->inject(fault(CloudCall::saveRecordZones, GetParam(), 1));
    harness.sync->ruleChanged(blockRule("R1"), "block-url");
    ASSERT_TRUE(harness.settle());
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 2000ms);
    EXPECT_TRUE(harness.logs.contains("Retrying data push in 2.0 secs ..."));
    ASSERT_TRUE(harness.runRetry());
    EXPECT_TRUE(zoneSaved());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));

    // The zone's save set the delay back, so the next failure waits 2 seconds again, not 4.
    harness.backend->inject(fault(CloudCall::modifyRecords, GetParam(), 1));
    harness.sync->ruleChanged(blockRule("R2"), "block-url");
    ASSERT_TRUE(harness.settle());
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 2000ms);
}

INSTANTIATE_TEST_SUITE_P(Codes, ZoneTransientFailure,
                         ::testing::Values(CloudErrorCode::networkFailure, CloudErrorCode::serviceUnavailable,
                                         CloudErrorCode::requestRateLimited, CloudErrorCode::zoneBusy));

TEST_F(SyncSetup, AZoneRefusedForGoodStopsTheBatchBeforeItsUploads) {
    harness.backend->inject(fault(CloudCall::saveRecordZones, CloudErrorCode::permissionFailure, 1, std::nullopt, true));
    harness.sync->ruleChanged(blockRule("R1"), "block-url");
    ASSERT_TRUE(harness.settle());
    EXPECT_FALSE(zoneSaved());
    EXPECT_EQ(harness.backend->callCount(CloudCall::saveSubscriptions), 0u);
    EXPECT_EQ(harness.backend->callCount(CloudCall::modifyRecords), 0u);
    EXPECT_TRUE(harness.retries.empty());
    EXPECT_TRUE(harness.sync->localChanges().isPending("R1"));
}

class SetUpRefusesCredentials : public SyncSetup, public ::testing::WithParamInterface<CloudCall> {};

// The refusal changes what the backend knows of the credentials, which posts the account-changed
// notification; the account still answers "available", so the held batch goes.
TEST_P(SetUpRefusesCredentials, HoldsTheBatchUntilTheAccountChanges) {
    if (GetParam() == CloudCall::saveSubscriptions) {
        harness.startAndSettle();
        UserDefaults::group().remove(SyncKeys::ZoneSubscribtionID);
    }
    harness.backend->inject(fault(GetParam(), CloudErrorCode::notAuthenticated));
    harness.sync->ruleChanged(blockRule("R1"), "block-url");
    ASSERT_TRUE(harness.settle());
    EXPECT_TRUE(harness.logs.contains("Account status changed!"));
    // The upload of the refused batch never ran.
    EXPECT_TRUE(harness.logged("R1: Operation was cancelled"));
    EXPECT_TRUE(harness.retries.empty());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
    EXPECT_TRUE(zoneSaved());
    EXPECT_TRUE(subscription());
}

INSTANTIATE_TEST_SUITE_P(Calls, SetUpRefusesCredentials,
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
    EXPECT_EQ(harness.backend->callCount(CloudCall::saveSubscriptions), 2u);
}

TEST_F(SyncSetup, ASubscriptionFailureIsRetriedOrGivenUpByCode) {
    harness.startAndSettle();
    UserDefaults::group().remove(SyncKeys::ZoneSubscribtionID);
    harness.backend->inject(fault(CloudCall::saveSubscriptions, CloudErrorCode::requestRateLimited, 1, 0.5));
    harness.sync->scheduleSync(1);
    ASSERT_TRUE(harness.settle());
    EXPECT_FALSE(subscription());
    ASSERT_EQ(harness.retries.size(), 1u);
    EXPECT_EQ(harness.retries[0].delay, 500ms);
    ASSERT_TRUE(harness.runRetry());
    EXPECT_TRUE(subscription());

    UserDefaults::group().remove(SyncKeys::ZoneSubscribtionID);
    harness.backend->inject(fault(CloudCall::saveSubscriptions, CloudErrorCode::invalidArguments, 1, std::nullopt, true));
    harness.sync->ruleChanged(blockRule("R1"), "block-url");
    ASSERT_TRUE(harness.settle());
    EXPECT_FALSE(subscription());
    EXPECT_TRUE(harness.retries.empty());
    EXPECT_TRUE(harness.serverRecords().contains("R1"));
}

TEST_F(SyncSetup, WithoutAnAccountChangesWaitAndGoUpWhenTheAccountAppears) {
    for (auto status : {AccountStatus::noAccount, AccountStatus::restricted}) {
        harness.backend->setAccountStatus(status);
        NotificationCenter::shared().post(kCloudAccountChangedNotification);
        ASSERT_TRUE(harness.settle());
        harness.sync->ruleChanged(blockRule("R1"), "block-url");
        harness.sync->ruleChanged(blockRule("R2"), "block-url");
        ASSERT_TRUE(harness.settle());
        EXPECT_TRUE(harness.logs.contains(status == AccountStatus::noAccount ? "Account status: No account"
                                                                             : "Account status: Restricted"));
        EXPECT_TRUE(harness.serverRecords().empty());
        EXPECT_TRUE(harness.sync->localChanges().isPending("R2"));

        accountReturns();
        auto records = harness.serverRecords();
        EXPECT_TRUE(records.contains("R1") && records.contains("R2"));
        harness.sync->ruleDeleted("R1");
        harness.sync->ruleDeleted("R2");
        ASSERT_TRUE(harness.settle());
        EXPECT_TRUE(harness.serverRecords().empty());
    }
}

TEST_F(SyncSetup, AKnownAvailableAccountIsNotAskedAgainAndAFailedQuestionHoldsTheBatch) {
    harness.startAndSettle();
    const std::size_t asked = harness.backend->callCount(CloudCall::accountStatus);
    harness.sync->ruleChanged(blockRule("R1"), "block-url");
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(harness.backend->callCount(CloudCall::accountStatus), asked);
    EXPECT_TRUE(harness.serverRecords().contains("R1"));

    harness.backend->inject(fault(CloudCall::accountStatus, CloudErrorCode::networkFailure, 0));
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::notAuthenticated, 1));
    harness.sync->ruleChanged(blockRule("R2"), "block-url");
    ASSERT_TRUE(harness.settle());
    EXPECT_TRUE(harness.logs.contains("Account status changed!"));
    EXPECT_TRUE(harness.logs.contains("Injected error 4"));
    EXPECT_FALSE(harness.serverRecords().contains("R2"));

    harness.backend->clearFaults();
    accountReturns();
    EXPECT_TRUE(harness.serverRecords().contains("R2"));
}
