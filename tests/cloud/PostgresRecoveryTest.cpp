#include "cloud/CloudConformance.h"
#include "cloud/PostgresConnection.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace orvane;
using namespace orvane::test;

namespace {

std::string roleOf(const std::string& uri) {
    const std::size_t start = std::string("postgresql://").size();
    return uri.substr(start, uri.find(':', start) - start);
}

TEST(PostgresRecovery, RequestsAndPushesGoOnAfterTheServerDroppedTheConnections) {
    ORVANE_REQUIRE_TEST_POSTGRES();
    const std::string user = newPostgresUser();
    ASSERT_FALSE(user.empty());
    auto writer = CloudBackend::make(user);
    auto database = writer->database(kSyncContainer, DatabaseScope::privateScope);
    ASSERT_FALSE(database->saveRecordZones({RecordZone(kZone)}).error);
    ASSERT_FALSE(database->saveSubscriptions({RecordZoneSubscription(RecordZoneID{kZone})}).error);
    auto reader = CloudBackend::make(user);
    std::atomic<int> pushes{0};
    ASSERT_TRUE(std::holds_alternative<CloudBackend::ObserverToken>(
        reader->addEventObserver([&](const CloudEvent&) { ++pushes; })));

    PostgresConnection admin(*postgresAdminURI());
    auto terminated = admin.execute(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = $1", {roleOf(user)});
    ASSERT_EQ(terminated.rows(), 2);

    int saved = 0;
    EXPECT_TRUE(eventually([&] {
        CloudRecord record("rule", RecordID{"R" + std::to_string(saved++), RecordZoneID{kZone}});
        auto result = database->modifyRecords({record}, {});
        EXPECT_FALSE(result.error) << result.error->localizedDescription;
        return pushes.load() > 0 || result.error;
    }, std::chrono::seconds(20)));
}

} // namespace
