#include "cloud/CloudConformance.h"
#include "cloud/SyncedKeyValueStore.h"
#include "platform/MainQueue.h"

#include "support/Present.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

using KeyValueStores = CloudConformance;

const PropertyValue kDisabledPackages = toPropertyValue({"block-url", "C0FFEE00-0000-4000-8000-000000000000"});

TEST_P(KeyValueStores, WritesReachTheOtherMachineWithAnExternalChangeNotification) {
    auto otherDevice = cloud_->device();
    SyncedKeyValueStore mine(device_->keyValueStorage(), device_);
    SyncedKeyValueStore theirs(otherDevice->keyValueStorage(), otherDevice);
    int mineNotified = 0;
    int theirsNotified = 0;
    ObserverRegistration observer(kKeyValueStoreDidChangeExternally, [&](const Notification& note) {
        (note.object == &mine ? mineNotified : theirsNotified)++;
    });

    mine.set("DisabledUserPreferenceForPackages", kDisabledPackages);
    mine.set("DisabledUserPreferenceForRules", PropertyDictionary{{"block-url", toPropertyValue({"R1", "R2"})}});
    EXPECT_EQ(mine.object("DisabledUserPreferenceForPackages"), kDisabledPackages);
    EXPECT_FALSE(theirs.object("DisabledUserPreferenceForPackages"));
    ASSERT_TRUE(mine.synchronize());
    ASSERT_TRUE(runMainLoopUntil([&] { return theirsNotified > 0; }, 10s));
    EXPECT_EQ(theirs.object("DisabledUserPreferenceForPackages"), kDisabledPackages);
    EXPECT_EQ(test::present(theirs.object("DisabledUserPreferenceForRules")).asDictionary()->size(), 1u);

    theirs.remove("DisabledUserPreferenceForPackages");
    ASSERT_TRUE(theirs.synchronize());
    ASSERT_TRUE(runMainLoopUntil([&] { return mineNotified > 0; }, 10s));
    EXPECT_FALSE(mine.object("DisabledUserPreferenceForPackages"));
    EXPECT_TRUE(mine.object("DisabledUserPreferenceForRules"));
    drainMainQueue();
    EXPECT_EQ(mineNotified, 1);
    EXPECT_EQ(theirsNotified, 1);

    // A new process of either machine starts from what the store holds.
    SyncedKeyValueStore later(cloud_->device()->keyValueStorage(), nullptr);
    EXPECT_FALSE(later.object("DisabledUserPreferenceForPackages"));
    EXPECT_EQ(later.object("DisabledUserPreferenceForRules"), mine.object("DisabledUserPreferenceForRules"));
}

TEST_P(KeyValueStores, UnsentWritesSurviveAnUnreachableStoreUntilItAnswers) {
    const std::string away = GetParam() == "PostgreSQL" ? "postgresql://nobody:x@127.0.0.1:1/orvane"
                                                        : "sqlite:/dev/null/Cloud";
    SyncedKeyValueStore offline(CloudBackend::make(away)->keyValueStorage(), nullptr);
    offline.set("StorePreferencesLocally", false);
    EXPECT_FALSE(offline.synchronize());
    EXPECT_EQ(offline.object("StorePreferencesLocally"), PropertyValue(false));
}

INSTANTIATE_TEST_SUITE_P(Backends, KeyValueStores, ::testing::Values("SQLite", "PostgreSQL"), backendName);

TEST(KeyValueStore, WithoutAnAccountValuesStayOnThisMachine) {
    TemporaryDirectory home;
    setenv("ORVANE_HOME", home.path().c_str(), 1);
    setenv("ORVANE_CLOUD", "none", 1);
    KeyValueStore& store = KeyValueStore::shared();
    store.set("DisabledUserPreferenceForPackages", kDisabledPackages);
    EXPECT_TRUE(store.synchronize());
    SyncedKeyValueStore sameMachine(CloudBackend::make("none")->keyValueStorage(), nullptr);
    EXPECT_EQ(sameMachine.object("DisabledUserPreferenceForPackages"), kDisabledPackages);
    EXPECT_TRUE(std::filesystem::exists(home.path() / "LocalKeyValueStore.sqlite"));
    EXPECT_FALSE(std::filesystem::exists(home.path() / "Cloud"));
}

} // namespace
