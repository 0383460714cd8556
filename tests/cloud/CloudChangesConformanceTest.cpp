#include "cloud/CloudConformance.h"

#include "platform/Uuid.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

using namespace orvane;
using namespace orvane::test;

namespace {

using CloudChanges = CloudConformance;

struct Pages {
    std::map<std::string, CloudRecord> changed;
    std::vector<DeletedRecord> deleted;
    std::optional<ServerChangeToken> token;
    int pages = 0;
};

// Fetches until nothing more is coming, each page from the token of the one before.
Pages fetchAll(CloudDatabaseBackend& database, std::optional<ServerChangeToken> token, std::size_t pageSize) {
    Pages result;
    result.token = std::move(token);
    for (bool more = true; more;) {
        auto page = database.fetchZoneChanges(RecordZoneID{kZone}, result.token, pageSize);
        EXPECT_FALSE(page.error);
        if (page.error || !page.serverChangeToken) {
            break;
        }
        EXPECT_LE(page.changedRecords.size() + page.deletedRecords.size(), pageSize);
        for (const auto& record : page.changedRecords) {
            result.changed.insert_or_assign(record.recordID().recordName, record);
        }
        result.deleted.insert(result.deleted.end(), page.deletedRecords.begin(), page.deletedRecords.end());
        // The token survives archiving, as the sync state keeps it.
        result.token = ServerChangeToken::unarchive(page.serverChangeToken->archive());
        more = page.moreComing;
        ++result.pages;
    }
    return result;
}

TEST_P(CloudChanges, FetchesPageThroughChangesAndReportDeletionsAfterAToken) {
    saveZone();
    std::vector<CloudRecord> records;
    for (int i = 0; i < 7; ++i) {
        records.push_back(rule("R" + std::to_string(i)));
    }
    auto saved = save(records);
    Pages first = fetchAll(*database_, std::nullopt, 3);
    EXPECT_EQ(first.pages, 3);
    EXPECT_EQ(first.changed.size(), 7u);
    EXPECT_TRUE(first.deleted.empty());

    CloudRecord edited = saved.at(2);
    edited.set("urlFilter", RecordValue(std::string("edited")));
    auto modified = database_->modifyRecords({edited}, {saved.at(0).recordID(), saved.at(5).recordID()});
    ASSERT_FALSE(modified.error);
    EXPECT_EQ(modified.deletedRecordIDs.size(), 2u);

    Pages after = fetchAll(*database_, first.token, 200);
    ASSERT_EQ(after.changed.size(), 1u);
    EXPECT_EQ(after.changed.begin()->second, modified.savedRecords.at(0));
    ASSERT_EQ(after.deleted.size(), 2u);
    EXPECT_EQ(after.deleted[0].recordID.recordName, "R0");
    EXPECT_EQ(after.deleted[1].recordID.recordName, "R5");
    EXPECT_EQ(after.deleted[0].recordType, "rule");

    // A deleted record can be created again, as a new record.
    auto recreated = database_->modifyRecords({rule("R0")}, {});
    EXPECT_FALSE(recreated.error);
    Pages latest = fetchAll(*database_, after.token, 200);
    EXPECT_EQ(latest.changed.count("R0"), 1u);
    EXPECT_TRUE(latest.deleted.empty());
    Pages nothing = fetchAll(*database_, latest.token, 200);
    EXPECT_TRUE(nothing.changed.empty());
    EXPECT_TRUE(nothing.deleted.empty());
}

TEST_P(CloudChanges, PushesReachTheOtherDevicesOfASubscribedZoneOnly) {
    saveZone();
    saveZone("QuietZone");
    RecordZoneSubscription subscription(RecordZoneID{kZone});
    ASSERT_FALSE(database_->saveSubscriptions({subscription}).error);

    std::mutex mutex;
    std::vector<CloudEvent> received;
    std::vector<CloudEvent> echoed;
    auto other = cloud_->device();
    auto otherToken = other->addEventObserver([&](const CloudEvent& event) {
        std::lock_guard lock(mutex);
        received.push_back(event);
    });
    ASSERT_TRUE(std::holds_alternative<CloudBackend::ObserverToken>(otherToken));
    ASSERT_TRUE(std::holds_alternative<CloudBackend::ObserverToken>(device_->addEventObserver([&](const CloudEvent& event) {
        std::lock_guard lock(mutex);
        echoed.push_back(event);
    })));

    CloudRecord quiet("rule", RecordID{"Q", RecordZoneID{"QuietZone"}});
    quiet.set("name", RecordValue(std::string("q")));
    ASSERT_FALSE(database_->modifyRecords({quiet}, {}).error);
    save({rule("R1")});
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(mutex);
        return !received.empty();
    }));
    auto kv = device_->keyValueStorage();
    ASSERT_TRUE(kv->write({{"DisabledUserPreferenceForPackages", std::string("[]")}}));
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(mutex);
        return received.size() >= 2;
    }));

    std::lock_guard lock(mutex);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].kind, CloudEvent::Kind::push);
    EXPECT_EQ(received[0].notification,
              (CloudNotification{kSyncContainer, DatabaseScope::privateScope, RecordZoneID{kZone}, subscription.subscriptionID}));
    EXPECT_EQ(received[1].kind, CloudEvent::Kind::keyValueChange);
    EXPECT_TRUE(echoed.empty());
}

TEST_P(CloudChanges, PushesReachASecondProcess) {
    saveZone();
    RecordZoneSubscription subscription(RecordZoneID{kZone});
    ASSERT_FALSE(database_->saveSubscriptions({subscription}).error);
    TemporaryDirectory home;
    const std::string command = "ORVANE_HOME='" + home.path().string() + "' ORVANE_CLOUD='" + cloud_->accountName() +
                                "' '" ORVANE_BIN_DIR "/orvanectl' --quiet cloud watch --count 2 --timeout 30";
    std::unique_ptr<FILE, int (*)(FILE*)> watcher(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(watcher);
    std::array<char, 512> line{};
    ASSERT_NE(fgets(line.data(), line.size(), watcher.get()), nullptr);
    ASSERT_EQ(std::string(line.data()), "ready\n");

    save({rule("R1")});
    ASSERT_NE(fgets(line.data(), line.size(), watcher.get()), nullptr);
    EXPECT_EQ(std::string(line.data()),
              std::string("push ") + kSyncContainer + " " + kZone + " " + subscription.subscriptionID + "\n");
    ASSERT_TRUE(device_->keyValueStorage()->write({{"StorePreferencesLocally", std::string("false")}}));
    ASSERT_NE(fgets(line.data(), line.size(), watcher.get()), nullptr);
    EXPECT_EQ(std::string(line.data()), "key-value change\n");
    EXPECT_EQ(pclose(watcher.release()), 0);
}

TEST_P(CloudChanges, ThePublicDatabaseTakesNewRecordsAndShowsNone) {
    auto reports = device_->database(kReportContainer, DatabaseScope::publicScope);
    CloudRecord report("Report", RecordID{makeUUID(), RecordZoneID{}});
    report.set("type", RecordValue(std::string("brokenSite")));
    report.set("url", RecordValue(std::string("https://example.com/page?q=1")));
    auto posted = reports->modifyRecords({report}, {});
    ASSERT_FALSE(posted.error) << posted.error->localizedDescription;
    ASSERT_EQ(posted.savedRecords.size(), 1u);

    auto read = reports->fetchZoneChanges(RecordZoneID{}, std::nullopt, 0);
    ASSERT_TRUE(read.error);
    EXPECT_EQ(read.error->code, CloudErrorCode::permissionFailure);
    EXPECT_TRUE(read.changedRecords.empty());
    auto overwrite = reports->modifyRecords({report}, {});
    ASSERT_TRUE(overwrite.error);
    EXPECT_EQ(overwrite.error->partialErrors.at(0).error.code, CloudErrorCode::permissionFailure);
    auto remove = reports->modifyRecords({}, {report.recordID()});
    ASSERT_TRUE(remove.error);
    EXPECT_EQ(remove.error->partialErrors.at(0).error.code, CloudErrorCode::permissionFailure);
    EXPECT_TRUE(reports->saveRecordZones({RecordZone("Reports")}).error);
}

TEST_P(CloudChanges, AccountIsAvailableAndAnUnreachableServerIsANetworkFailure) {
    auto status = device_->accountStatus();
    EXPECT_FALSE(status.error);
    EXPECT_EQ(status.status, AccountStatus::available);

    const std::string unreachable = GetParam() == "PostgreSQL" ? "postgresql://nobody:x@127.0.0.1:1/orvane"
                                                               : "sqlite:/dev/null/Cloud";
    auto away = CloudBackend::make(unreachable);
    auto answer = away->accountStatus();
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->code, CloudErrorCode::networkFailure);
    auto request = away->database(kSyncContainer, DatabaseScope::privateScope)->saveRecordZones({RecordZone(kZone)});
    ASSERT_TRUE(request.error);
    EXPECT_EQ(request.error->code, CloudErrorCode::networkFailure);
}

INSTANTIATE_TEST_SUITE_P(Backends, CloudChanges, ::testing::Values("SQLite", "PostgreSQL"), backendName);

} // namespace
