#include "cloud/CloudContainer.h"
#include "cloud/CloudOperations.h"
#include "cloud/KeyValueStorage.h"
#include "testing/FaultInjectingCloudBackend.h"
#include "cloud/TestClouds.h"
#include "platform/MainQueue.h"

#include "support/Present.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

class CloudOperations : public ::testing::Test {
protected:
    TestCloud cloud_{"SQLite"};
    std::shared_ptr<FaultInjectingCloudBackend> backend_ =
        std::make_shared<FaultInjectingCloudBackend>(cloud_.device());
    CloudContainer container_{kSyncContainer, backend_};
};

TEST_F(CloudOperations, CompletionsRunOnAStoreThreadInOrderOfTheirBlocks) {
    auto database = container_.privateCloudDatabase();
    std::promise<std::thread::id> zoneSaved;
    auto zone = std::make_shared<ModifyRecordZonesOperation>(std::vector<RecordZone>{RecordZone("BlockerRulesZone")});
    zone->modifyRecordZonesCompletionBlock = [&](const std::vector<RecordZone>& saved, const OptionalCloudError& error) {
        EXPECT_EQ(saved.size(), 1u);
        EXPECT_FALSE(error);
        zoneSaved.set_value(std::this_thread::get_id());
    };
    database->addOperation(zone);
    EXPECT_NE(zoneSaved.get_future().get(), std::this_thread::get_id());

    CloudRecord record("package", RecordID{"P1", RecordZoneID{"BlockerRulesZone"}});
    record.set("name", RecordValue(std::string("Mine")));
    std::promise<std::vector<CloudRecord>> saved;
    auto modify = std::make_shared<ModifyRecordsOperation>(std::vector<CloudRecord>{record}, std::vector<RecordID>{});
    modify->modifyRecordsCompletionBlock = [&](const std::vector<CloudRecord>& records, const std::vector<RecordID>&,
                                               const OptionalCloudError& error) {
        EXPECT_FALSE(error);
        saved.set_value(records);
    };
    database->addOperation(modify);
    ASSERT_EQ(saved.get_future().get().size(), 1u);

    std::vector<std::string> calls;
    std::promise<void> fetched;
    auto fetch = std::make_shared<FetchRecordZoneChangesOperation>(RecordZoneID{"BlockerRulesZone"}, std::nullopt);
    fetch->recordChangedBlock = [&](const CloudRecord& changed) { calls.push_back("changed " + changed.recordID().recordName); };
    fetch->recordZoneFetchCompletionBlock = [&](const RecordZoneID&, const std::optional<ServerChangeToken>& token,
                                                const std::optional<Bytes>&, bool moreComing, const OptionalCloudError& error) {
        calls.push_back(std::string("zone ") + (token && !moreComing && !error ? "done" : "failed"));
    };
    fetch->fetchRecordZoneChangesCompletionBlock = [&](const OptionalCloudError&) {
        calls.push_back("operation");
        fetched.set_value();
    };
    database->addOperation(fetch);
    fetched.get_future().wait();
    EXPECT_EQ(calls, (std::vector<std::string>{"changed P1", "zone done", "operation"}));
}

TEST_F(CloudOperations, OnACallersQueueAnOperationFinishesAfterItsCompletionAndCancelsWithCode20) {
    OperationQueue queue("Schedule CloudKit requests", 1);
    std::atomic<bool> completed{false};
    std::thread::id completedOn;
    auto zone = std::make_shared<ModifyRecordZonesOperation>(std::vector<RecordZone>{RecordZone("BlockerRulesZone")});
    zone->setDatabase(container_.privateCloudDatabase());
    zone->modifyRecordZonesCompletionBlock = [&](const std::vector<RecordZone>&, const OptionalCloudError&) {
        std::this_thread::sleep_for(50ms);
        completedOn = std::this_thread::get_id();
        completed = true;
    };
    std::atomic<bool> sawCompletion{false};
    queue.addOperation(zone);
    queue.addOperation([&](const Operation&) { sawCompletion = completed.load(); });
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(sawCompletion);
    EXPECT_NE(completedOn, std::this_thread::get_id());

    std::optional<long> code;
    auto cancelled = std::make_shared<ModifyRecordsOperation>(std::vector<CloudRecord>{}, std::vector<RecordID>{});
    cancelled->setDatabase(container_.privateCloudDatabase());
    cancelled->modifyRecordsCompletionBlock = [&](const std::vector<CloudRecord>&, const std::vector<RecordID>&,
                                                  const OptionalCloudError& error) { code = error ? error->code : 0; };
    cancelled->cancel();
    queue.addOperation(cancelled);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(code, CloudErrorCode::operationCancelled);
    EXPECT_EQ(backend_->callCount(CloudCall::modifyRecords), 0u);
}

TEST_F(CloudOperations, InjectedFaultsHitTheChosenCallsAndWriteNothing) {
    auto database = backend_->database(kSyncContainer, DatabaseScope::privateScope);
    ASSERT_FALSE(database->saveRecordZones({RecordZone("BlockerRulesZone")}).error);
    backend_->inject({CloudCall::modifyRecords, CloudErrorCode::requestRateLimited, 2, 3.5, false});
    backend_->inject({CloudCall::modifyRecords, CloudErrorCode::zoneNotFound, 3, std::nullopt, true});

    CloudRecord first("package", RecordID{"P1", RecordZoneID{"BlockerRulesZone"}});
    CloudRecord second("package", RecordID{"P2", RecordZoneID{"BlockerRulesZone"}});
    EXPECT_FALSE(database->modifyRecords({first}, {}).error);
    auto limited = database->modifyRecords({second}, {});
    ASSERT_TRUE(limited.error);
    EXPECT_EQ(limited.error->code, CloudErrorCode::requestRateLimited);
    EXPECT_EQ(limited.error->retryAfterSeconds, 3.5);
    auto partial = database->modifyRecords({second}, {first.recordID()});
    ASSERT_TRUE(partial.error);
    EXPECT_EQ(partial.error->code, CloudErrorCode::partialFailure);
    EXPECT_EQ(test::present(partial.error->partialError(second.recordID())).code, CloudErrorCode::zoneNotFound);
    EXPECT_EQ(test::present(partial.error->partialError(first.recordID())).code, CloudErrorCode::batchRequestFailed);
    EXPECT_EQ(backend_->callCount(CloudCall::modifyRecords), 3u);

    // Nothing failed reached the store: only P1 is there.
    auto changes = database->fetchZoneChanges(RecordZoneID{"BlockerRulesZone"}, std::nullopt, 0);
    ASSERT_EQ(changes.changedRecords.size(), 1u);
    EXPECT_EQ(changes.changedRecords[0].recordID().recordName, "P1");

    backend_->inject({CloudCall::fetchZoneChanges, CloudErrorCode::networkFailure, 0, std::nullopt, false});
    EXPECT_TRUE(database->fetchZoneChanges(RecordZoneID{"BlockerRulesZone"}, std::nullopt, 0).error);
    EXPECT_TRUE(database->fetchZoneChanges(RecordZoneID{"BlockerRulesZone"}, std::nullopt, 0).error);
    backend_->clearFaults();
    EXPECT_FALSE(database->fetchZoneChanges(RecordZoneID{"BlockerRulesZone"}, std::nullopt, 0).error);
}

TEST_F(CloudOperations, TheAccountChangedNotificationFollowsTheCredentials) {
    int changes = 0;
    ObserverRegistration observer(kCloudAccountChangedNotification, [&](const Notification&) { ++changes; });
    auto status = [&] {
        std::promise<AccountStatus> answer;
        container_.accountStatus([&](AccountStatus value, const std::optional<CloudError>&) { answer.set_value(value); });
        return answer.get_future().get();
    };
    EXPECT_EQ(status(), AccountStatus::available);
    backend_->setAccountStatus(AccountStatus::noAccount);
    EXPECT_EQ(status(), AccountStatus::noAccount);
    backend_->inject({CloudCall::accountStatus, CloudErrorCode::networkFailure, 1, std::nullopt, false});
    status();
    backend_->setAccountStatus(std::nullopt);
    EXPECT_EQ(status(), AccountStatus::available);
    drainMainQueue();
    // Signed out, then in again; the network failure in between tells nothing.
    EXPECT_EQ(changes, 2);
}

TEST(CloudAccount, NoneHasNoAccountAndRefusesRequestsWithCode9) {
    auto none = CloudBackend::make("none");
    auto status = none->accountStatus();
    EXPECT_EQ(status.status, AccountStatus::noAccount);
    EXPECT_FALSE(status.error);
    auto refused = none->database(kSyncContainer, DatabaseScope::privateScope)->saveRecordZones({RecordZone("Z")});
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code, CloudErrorCode::notAuthenticated);
    // The key-value store stays on this machine, where the home's other processes write it too:
    // their writes come as events.
    std::atomic<int> changes = 0;
    auto watch = none->addEventObserver([&](const CloudEvent& event) {
        if (event.kind == CloudEvent::Kind::keyValueChange) {
            ++changes;
        }
    });
    ASSERT_TRUE(std::holds_alternative<CloudBackend::ObserverToken>(watch));
    CloudBackend::make("none")->keyValueStorage()->write({{"WrittenByAnotherProcess", "true"}});
    EXPECT_TRUE(runMainLoopUntil([&] { return changes > 0; }, 10s));
    none->removeEventObserver(std::get<CloudBackend::ObserverToken>(watch));

    auto unknown = CloudBackend::make("ftp://example.com");
    EXPECT_TRUE(unknown->accountStatus().error);
}

} // namespace
