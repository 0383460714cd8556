#include "prefs/BlockerPreferenceManager.h"

#include "cloud/KeyValueStore.h"
#include "output/EnabledBlockers.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "prefs/PreferenceStore.h"
#include "support/Fixtures.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

class PreferenceManagerTest : public testing::Test {
protected:
    PreferenceManagerTest() {
        UserDefaults::group().set(kStorePreferencesLocally, true);
        manager = BlockerPreferenceManager::create();
    }

    void disableRules(const std::vector<Rule>& rules, const Package& package, bool disabled = true) {
        manager->setRulesDisabled(rules, package, disabled);
        manager->serialWriteQueue().waitUntilIdle();
    }

    void disablePackages(const std::vector<Package>& packages, bool disabled = true) {
        manager->setPackagesDisabled(packages, disabled);
        manager->serialWriteQueue().waitUntilIdle();
    }

    TempHome home;
    std::shared_ptr<BlockerPreferenceManager> manager;
};

std::vector<std::string> ids(const std::vector<Rule>& rules) {
    std::vector<std::string> result;
    for (const auto& rule : rules) {
        result.push_back(rule.id);
    }
    return result;
}

} // namespace

TEST_F(PreferenceManagerTest, APackageIsStoredOnceAndEnablingRemovesIt) {
    auto a = makePackage("A", "A");
    auto b = makePackage("B", "B");
    disablePackages({a, b, a});
    disablePackages({a});
    EXPECT_EQ(manager->disabledPackages(), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(manager->isPackageDisabled(a));
    disablePackages({a}, false);
    EXPECT_EQ(manager->disabledPackages(), std::vector<std::string>{"B"});
    EXPECT_FALSE(manager->isPackageDisabled(a));
}

TEST_F(PreferenceManagerTest, DisabledRulesStaySortedAndEmptyEntriesDisappear) {
    auto package = makePackage("P", "P", {blockRule("c"), blockRule("a"), blockRule("b"), blockRule("d")});
    disableRules({package.rules[0], package.rules[1]}, package);
    EXPECT_EQ(manager->disabledRules(), (DisabledRules{{"P", {"a", "c"}}}));
    disableRules({package.rules[2]}, package);
    EXPECT_EQ(manager->disabledRules(), (DisabledRules{{"P", {"a", "b", "c"}}}));
    EXPECT_EQ(manager->disabledRuleCount("P"), 3u);
    EXPECT_TRUE(manager->isRuleDisabled(package.rules[2], "P"));
    EXPECT_FALSE(manager->isRuleDisabled(package.rules[3], "P"));

    disableRules({package.rules[0], package.rules[1]}, package, false);
    EXPECT_EQ(manager->disabledRules(), (DisabledRules{{"P", {"b"}}}));
    disableRules({package.rules[2]}, package, false);
    EXPECT_TRUE(manager->disabledRules().empty());

    disableRules({package.rules[0]}, package, false);
    EXPECT_TRUE(manager->disabledRules().empty());
}

TEST_F(PreferenceManagerTest, EnablingEveryRuleAtOnceDropsTheWholeEntry) {
    auto package = makePackage("P", "P", {blockRule("a"), blockRule("b")});
    UserDefaults::group().set(kDisabledUserPreferenceForRules,
                              PropertyDictionary{{"P", toPropertyValue({"a", "gone"})}});
    LogCapture log;
    disableRules(package.rules, package, false);
    EXPECT_TRUE(manager->disabledRules().empty());
    EXPECT_TRUE(log.contains("Enabling all (2) rules in (P)"));
}

TEST_F(PreferenceManagerTest, FilterRulesFollowsInputOrder) {
    auto package = makePackage("P", "P", {blockRule("z"), blockRule("a"), blockRule("m")});
    EXPECT_EQ(ids(manager->filterRules(package.rules, "P", true)), (std::vector<std::string>{"z", "a", "m"}));
    EXPECT_TRUE(manager->filterRules(package.rules, "P", false).empty());
    disableRules({package.rules[0], package.rules[2]}, package);
    EXPECT_EQ(ids(manager->filterRules(package.rules, "P", true)), std::vector<std::string>{"a"});
    EXPECT_EQ(ids(manager->filterRules(package.rules, "P", false)), (std::vector<std::string>{"z", "m"}));
}

TEST_F(PreferenceManagerTest, RemovingADisabledMarkReportsWhetherItChangedAnything) {
    auto package = makePackage("P", "P", {blockRule("a"), blockRule("b")});
    disableRules({package.rules[0]}, package);
    int didSave = 0;
    ObserverRegistration observer(kDidSaveUserPreference, [&](const Notification&) { ++didSave; });
    EXPECT_TRUE(manager->removeDisabledRule(package.rules[0], "P"));
    EXPECT_TRUE(manager->disabledRules().empty());
    EXPECT_EQ(didSave, 0);
    EXPECT_FALSE(manager->removeDisabledRule(package.rules[1], "P"));
    EXPECT_EQ(didSave, 1);
}

TEST_F(PreferenceManagerTest, IllTypedValuesReadAsEmpty) {
    UserDefaults::group().set(kDisabledUserPreferenceForPackages, PropertyArray{PropertyValue("A"), PropertyValue(3)});
    UserDefaults::group().set(kDisabledUserPreferenceForRules, PropertyDictionary{{"P", PropertyValue("a")}});
    EXPECT_TRUE(manager->disabledPackages().empty());
    EXPECT_TRUE(manager->disabledRules().empty());
}

TEST_F(PreferenceManagerTest, OlderFlatFormMigratesToPackagesInCatalogOrder) {
    writeSharedPackages("CustomPackages.json",
                        {makePackage("X", "X", {blockRule("r2"), blockRule("r1")}),
                         makePackage("Y", "Y", {blockRule("r1"), blockRule("r3")})});
    UserDefaults::group().set(kDisabledUserPreferenceForRules, toPropertyValue({"r2", "missing", "r3", "r1"}));
    LogCapture log;
    EXPECT_EQ(manager->disabledRules(), (DisabledRules{{"X", {"r1", "r2"}}, {"Y", {"r3"}}}));
    EXPECT_TRUE(log.contains("migrating from pre v1.2 way of handling disabled rules"));
    EXPECT_TRUE(log.contains("can't find package ID for missing"));
    EXPECT_TRUE(UserDefaults::group().dictionaryForKey(kDisabledUserPreferenceForRules).has_value());
}

TEST_F(PreferenceManagerTest, EnabledBlockersSkipDisabledPackagesAndRules) {
    writeSharedPackages("CustomPackages.json",
                        {makePackage("X", "X", {blockRule("x1"), blockRule("x2")}),
                         makePackage("Y", "Y", {blockRule("y1")})});
    writeSharedPackages("ConfigurablePackages.json",
                        {makePackage("whitelist", "Whitelist", {blockRule("w1")}),
                         makePackage("block-url", "Block URLs", {blockRule("u1")})});
    auto blockers = enabledBlockers({"Y"}, DisabledRules{{"X", {"x1"}}, {"block-url", {}}});
    std::vector<std::string> filters;
    for (const Blocker* blocker : blockers.list()) {
        filters.push_back(blocker->trigger.urlFilter);
    }
    // Configurable except the whitelist, custom, then the whitelist last.
    EXPECT_EQ(filters, (std::vector<std::string>{"u1", "x2", "w1"}));
}

TEST_F(PreferenceManagerTest, SwitchingStoresMovesBothSets) {
    auto package = makePackage("P", "P", {blockRule("a")});
    disablePackages({package});
    disableRules(package.rules, package);

    UserDefaults::group().set(kStorePreferencesLocally, false);
    BlockerPreferenceManager::migrateToUbiquitousStore();
    EXPECT_FALSE(UserDefaults::group().object(kDisabledUserPreferenceForPackages));
    EXPECT_FALSE(UserDefaults::group().object(kDisabledUserPreferenceForRules));
    EXPECT_EQ(manager->disabledPackages(), std::vector<std::string>{"P"});
    EXPECT_EQ(KeyValueStore::shared().object(kDisabledUserPreferenceForPackages), toPropertyValue({"P"}));

    UserDefaults::group().set(kStorePreferencesLocally, true);
    BlockerPreferenceManager::migrateToLocalStore();
    EXPECT_EQ(UserDefaults::group().object(kDisabledUserPreferenceForPackages), toPropertyValue({"P"}));
    EXPECT_EQ(manager->disabledRules(), (DisabledRules{{"P", {"a"}}}));
    EXPECT_TRUE(KeyValueStore::shared().object(kDisabledUserPreferenceForPackages).has_value());
}

TEST_F(PreferenceManagerTest, LegacyStoreSettingIsRestoredOnceAndCleared) {
    disablePackages({makePackage("P", "P")});
    UserDefaults::group().set(kPreV12StorePreferencesLocallyValue, false);
    LogCapture log;
    BlockerPreferenceManager::restorePreV12StoreSetting();
    EXPECT_TRUE(log.contains("Orvane: Restoring previous iCloud KVS setting"));
    EXPECT_EQ(UserDefaults::group().boolForKey(kStorePreferencesLocally), false);
    EXPECT_FALSE(UserDefaults::group().object(kPreV12StorePreferencesLocallyValue));
    EXPECT_EQ(KeyValueStore::shared().object(kDisabledUserPreferenceForPackages), toPropertyValue({"P"}));

    log.clear();
    BlockerPreferenceManager::restorePreV12StoreSetting();
    EXPECT_TRUE(log.lines().empty());
}
