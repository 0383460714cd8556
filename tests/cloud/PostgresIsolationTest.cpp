#include "cloud/CloudConformance.h"
#include "cloud/PostgresConnection.h"
#include "cloud/CloudStorage.h"
#include "cloud/SyncedKeyValueStore.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// Two users of one server: Alice fills her zone, her key-value store and a report; Bob tries
// to see or touch any of it, through the interface and through plain SQL with his own login.
class PostgresIsolation : public ::testing::Test {
protected:
    void SetUp() override {
        ORVANE_REQUIRE_TEST_POSTGRES();
        alice_ = newPostgresUser();
        bob_ = newPostgresUser();
        ASSERT_FALSE(alice_.empty() || bob_.empty());
        auto database = CloudBackend::make(alice_)->database(kSyncContainer, DatabaseScope::privateScope);
        ASSERT_FALSE(database->saveRecordZones({RecordZone(kZone)}).error);
        ASSERT_FALSE(database->saveSubscriptions({RecordZoneSubscription(RecordZoneID{kZone}, "alice-sub")}).error);
        CloudRecord record("rule", RecordID{"R1", RecordZoneID{kZone}});
        record.set("name", RecordValue(std::string("Alice's rule")));
        auto saved = database->modifyRecords({record}, {});
        ASSERT_FALSE(saved.error);
        aliceRecord_ = saved.savedRecords.at(0);
        ASSERT_TRUE(CloudBackend::make(alice_)->keyValueStorage()->write({{"Secret", std::string("\"alice\"")}}));
    }

    // Runs SQL as the user; answers the rows, or the error's code.
    static std::variant<int, long> sql(const std::string& user, const char* statement) {
        PostgresConnection connection(user);
        try {
            return connection.execute(statement).rows();
        } catch (const CloudStorageFailure& failure) {
            return failure.error().code;
        }
    }

    std::string alice_;
    std::string bob_;
    std::optional<CloudRecord> aliceRecord_;
};

TEST_F(PostgresIsolation, AUserCannotSeeOrChangeAnotherUsersRecordsThroughTheInterface) {
    auto bob = CloudBackend::make(bob_);
    auto database = bob->database(kSyncContainer, DatabaseScope::privateScope);
    auto fetch = database->fetchZoneChanges(RecordZoneID{kZone}, std::nullopt, 0);
    ASSERT_TRUE(fetch.error);
    EXPECT_EQ(fetch.error->code, CloudErrorCode::zoneNotFound);

    // Bob's zone of the same name is his own, empty, and Alice's subscription is not in it.
    ASSERT_FALSE(database->saveRecordZones({RecordZone(kZone)}).error);
    EXPECT_FALSE(database->saveSubscriptions({RecordZoneSubscription(RecordZoneID{kZone}, "bob-sub")}).error);
    auto empty = database->fetchZoneChanges(RecordZoneID{kZone}, std::nullopt, 0);
    ASSERT_FALSE(empty.error);
    EXPECT_TRUE(empty.changedRecords.empty());
    // Saving with Alice's change tag, or deleting her record, only ever touches Bob's own zone.
    CloudRecord overwrite = *aliceRecord_;
    overwrite.set("name", RecordValue(std::string("Bob was here")));
    EXPECT_FALSE(database->modifyRecords({overwrite}, {}).error);
    EXPECT_FALSE(database->modifyRecords({}, {overwrite.recordID()}).error);
    auto stored = bob->keyValueStorage()->load();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count("Secret"), 0u);

    auto alice = CloudBackend::make(alice_)->database(kSyncContainer, DatabaseScope::privateScope);
    auto hers = alice->fetchZoneChanges(RecordZoneID{kZone}, std::nullopt, 0);
    ASSERT_FALSE(hers.error);
    ASSERT_EQ(hers.changedRecords.size(), 1u);
    EXPECT_EQ(hers.changedRecords[0], *aliceRecord_);
    EXPECT_TRUE(hers.deletedRecords.empty());
    EXPECT_EQ(CloudBackend::make(alice_)->keyValueStorage()->load()->at("Secret"), "\"alice\"");
}

TEST_F(PostgresIsolation, PlainSqlWithAUsersOwnLoginSeesAndChangesOnlyTheirRows) {
    for (const char* table : {"zones", "records", "subscriptions", "key_values", "events"}) {
        const std::string select = std::string("SELECT * FROM orvane.") + table;
        EXPECT_EQ(std::get<int>(sql(bob_, select.c_str())), 0) << table;
        EXPECT_GT(std::get<int>(sql(alice_, select.c_str())), 0) << table;
    }
    EXPECT_EQ(sql(bob_, "UPDATE orvane.records SET fields = '[]' RETURNING 1"), (std::variant<int, long>(0)));
    EXPECT_EQ(sql(bob_, "DELETE FROM orvane.key_values RETURNING 1"), (std::variant<int, long>(0)));
    // Writing a row in Alice's name breaks the policy.
    const std::string owner = alice_.substr(std::string("postgresql://").size(), alice_.find(':', 13) - 13);
    PostgresConnection bob(bob_);
    EXPECT_THROW(bob.execute("INSERT INTO orvane.key_values (owner, key, value) VALUES ($1, 'Secret', '1')", {owner}),
                 CloudStorageFailure);
    bob.execute("INSERT INTO orvane.zones (container, zone_name) VALUES ('c', 'BobsZone')");
    EXPECT_THROW(bob.execute("UPDATE orvane.zones SET owner = $1", {owner}), CloudStorageFailure);
    EXPECT_THROW(bob.execute("DROP TABLE orvane.records"), CloudStorageFailure);
    EXPECT_EQ(std::get<int>(sql(alice_, "SELECT * FROM orvane.key_values WHERE value = '\"alice\"'")), 1);
}

TEST_F(PostgresIsolation, EveryoneMayPostAReportAndNobodyMayReadOne) {
    CloudRecord report("Report", RecordID{"report-" + alice_.substr(13, 13), RecordZoneID{}});
    report.set("type", RecordValue(std::string("emptySpace")));
    auto posted = CloudBackend::make(alice_)->database(kReportContainer, DatabaseScope::publicScope)->modifyRecords({report}, {});
    ASSERT_FALSE(posted.error) << posted.error->localizedDescription;
    for (const auto& user : {alice_, bob_}) {
        EXPECT_EQ(sql(user, "SELECT * FROM orvane.reports"), (std::variant<int, long>(CloudErrorCode::permissionFailure)));
        EXPECT_EQ(sql(user, "DELETE FROM orvane.reports"), (std::variant<int, long>(CloudErrorCode::permissionFailure)));
    }
}

TEST_F(PostgresIsolation, RejectedCredentialsAreCode9) {
    const std::string wrong = bob_.substr(0, bob_.find(':', 13) + 1) + "wrong" + bob_.substr(bob_.find('@'));
    auto refused = CloudBackend::make(wrong)->accountStatus();
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code, CloudErrorCode::notAuthenticated);
    auto request = CloudBackend::make(wrong)->database(kSyncContainer, DatabaseScope::privateScope)->saveRecordZones(
        {RecordZone(kZone)});
    ASSERT_TRUE(request.error);
    EXPECT_EQ(request.error->code, CloudErrorCode::notAuthenticated);
}

} // namespace
