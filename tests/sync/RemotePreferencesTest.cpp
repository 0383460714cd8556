#include "catalog/DataManager.h"
#include "cloud/KeyValueStore.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "prefs/PreferenceStore.h"
#include "support/Fixtures.h"
#include "sync/SyncHarness.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

TEST(RemotePreferences, SwitchesChangedElsewhereRebuildUnlessTheyAreKeptOnThisMachine) {
    SyncHarness harness;
    // Nothing goes to the record store, whose fetches would rebuild too.
    harness.backend->setAccountStatus(AccountStatus::noAccount);
    const void* sender = nullptr;
    int remoteSyncs = 0;
    ObserverRegistration observer(kRemotePreferenceSync, [&](const Notification& note) {
        sender = note.object;
        ++remoteSyncs;
    });
    ASSERT_TRUE(DataManager::shared().saveRule(blockRule("R1", "remote-switch"), makePackage("block-url", ""), true));
    const auto file = harness.home.shared() / "tmp.json";

    UserDefaults::group().set(kStorePreferencesLocally, true);
    NotificationCenter::shared().post(kKeyValueStoreDidChangeExternally);
    ASSERT_TRUE(harness.settle());
    EXPECT_TRUE(harness.logs.contains("Ubiq store got remote changes!"));
    EXPECT_EQ(remoteSyncs, 0);
    EXPECT_FALSE(std::filesystem::exists(file));

    UserDefaults::group().set(kStorePreferencesLocally, false);
    NotificationCenter::shared().post(kKeyValueStoreDidChangeExternally);
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(remoteSyncs, 1);
    EXPECT_EQ(sender, harness.sync.get());
    EXPECT_NE(readText(file).find("remote-switch"), std::string::npos);

    // What another machine switched off is read from the cloud store at the rebuild.
    ubiquitousStore().set(kDisabledUserPreferenceForPackages, PropertyArray{"block-url"});
    NotificationCenter::shared().post(kKeyValueStoreDidChangeExternally);
    ASSERT_TRUE(harness.settle());
    EXPECT_EQ(readText(file).find("remote-switch"), std::string::npos);
}
