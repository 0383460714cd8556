#include "catalog/DataManager.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "prefs/PreferenceStore.h"
#include "storage/PersistentStore.h"
#include "support/Fixtures.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace orvane;
using namespace orvane::test;

namespace {

std::vector<std::string> ids(const PackageList& packages) {
    std::vector<std::string> result;
    for (const auto& package : packages) {
        result.push_back(package.id);
    }
    return result;
}

std::vector<std::string> ruleIds(const Package& package) {
    std::vector<std::string> result;
    for (const auto& rule : package.rules) {
        result.push_back(rule.id);
    }
    return result;
}

class CatalogTest : public testing::Test {
protected:
    CatalogTest() { UserDefaults::group().set(kStorePreferencesLocally, true); }

    std::optional<Package> stored(PackageType type, const std::string& id) {
        auto packages = PersistentStore::readPackages(PersistentStore::sharedPackagePath(type), true);
        if (packages) {
            for (auto& package : *packages) {
                if (package.id == id) {
                    return package;
                }
            }
        }
        return std::nullopt;
    }

    TempHome home;
    DataManager& catalog = DataManager::shared();
};

} // namespace

TEST_F(CatalogTest, FreshHomeHasTheFiveConfigurablePackagesWithTheWhitelistLast) {
    catalog.setPreinstalledPackages({makePackage("P1", "One"), makePackage("P2", "Two")});
    EXPECT_EQ(ids(*catalog.configurablePackages()),
              (std::vector<std::string>{"whitelist", "block-url", "block-cookies", "hide-elements", "make-https"}));
    EXPECT_TRUE(catalog.customPackages()->empty());
    EXPECT_EQ(ids(catalog.allPackages()), (std::vector<std::string>{"P1", "P2", "block-url", "block-cookies",
                                                                     "hide-elements", "make-https", "whitelist"}));
}

TEST_F(CatalogTest, SaveRuleReplacesInPlaceAppendsOrIgnoresUnknownPackages) {
    writeSharedPackages("CustomPackages.json", {makePackage("X", "Mine", {blockRule("a"), blockRule("b")})});
    auto custom = catalog.customPackages()->front();

    auto edited = blockRule("a", "changed");
    auto result = catalog.saveRule(edited, custom, true);
    ASSERT_TRUE(result);
    EXPECT_EQ(ruleIds(*result), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(result->rules[0].blocker.trigger.urlFilter, "changed");

    result = catalog.saveRule(blockRule("c"), *result, true);
    ASSERT_TRUE(result);
    EXPECT_EQ(ruleIds(*result), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(stored(PackageType::CustomPackages, "X"), *result);

    result = catalog.saveRule(blockRule("u"), makePackage("block-url", "ignored"), true);
    ASSERT_TRUE(result);
    EXPECT_EQ(ruleIds(*result), std::vector<std::string>{"u"});
    auto configurable = stored(PackageType::ConfigurablePackages, "block-url");
    ASSERT_TRUE(configurable);
    EXPECT_EQ(configurable->rules.size(), 1u);

    const auto before = PersistentStore::readPackages(PersistentStore::sharedPackagePath(PackageType::CustomPackages), true);
    result = catalog.saveRule(blockRule("z"), makePackage("nope", "Nope"), true);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, CatalogErrorCode::PackageNotFound);
    EXPECT_EQ(PersistentStore::readPackages(PersistentStore::sharedPackagePath(PackageType::CustomPackages), true),
              before);
}

TEST_F(CatalogTest, RemoveRuleNeedsAnExactMatch) {
    writeSharedPackages("CustomPackages.json", {makePackage("X", "Mine", {blockRule("a"), blockRule("b")})});
    auto custom = catalog.customPackages()->front();
    auto renamed = custom.rules[0];
    renamed.name = "other name";
    auto result = catalog.removeRule(renamed, custom, true);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, CatalogErrorCode::RuleNotFound);
    EXPECT_EQ(*catalog.customPackages(), PackageList{custom});
    result = catalog.removeRule(custom.rules[0], custom, true);
    ASSERT_TRUE(result);
    EXPECT_EQ(ruleIds(*result), std::vector<std::string>{"b"});
    EXPECT_EQ(stored(PackageType::CustomPackages, "X"), *result);
}

TEST_F(CatalogTest, SaveNotificationsFollowTheSkipReloadFlag) {
    drainMainQueue();
    std::vector<std::string> posted;
    ObserverRegistration will(kWillSavePackages, [&](const Notification& n) { posted.push_back(n.name); });
    ObserverRegistration did(kDidSavePackages, [&](const Notification& n) { posted.push_back(n.name); });

    EXPECT_TRUE(catalog.savePackages({}, true, nullptr));
    drainMainQueue();
    EXPECT_TRUE(posted.empty());

    bool completed = false;
    EXPECT_TRUE(catalog.savePackages({{PackageType::CustomPackages, {makePackage("X", "X")}}}, true,
                                     [&](const ReloadOutcome&) { completed = true; }));
    drainMainQueue();
    EXPECT_EQ(posted, (std::vector<std::string>{kWillSavePackages, kDidSavePackages}));
    EXPECT_FALSE(completed);
    EXPECT_TRUE(stored(PackageType::CustomPackages, "X").has_value());
}

TEST_F(CatalogTest, RemoteMergesRespectConfigurableIdsAndKeepExistingRules) {
    writeSharedPackages("CustomPackages.json", {makePackage("X", "Old", {blockRule("a")})});
    LogCapture log;
    catalog.mergeRemotePackage(makePackage("block-url", "Hijack"));
    EXPECT_TRUE(log.contains("There's already a configurable package with ID block-url"));
    EXPECT_EQ((*catalog.configurablePackages())[1].name, "Block URLs");

    catalog.mergeRemotePackage(makePackage("X", "New", {}));
    EXPECT_EQ(catalog.customPackages()->front().name, "New");
    EXPECT_EQ(ruleIds(catalog.customPackages()->front()), std::vector<std::string>{"a"});

    catalog.mergeRemotePackage(makePackage("Y", "Fresh", {blockRule("y")}));
    EXPECT_EQ(ids(*catalog.customPackages()), (std::vector<std::string>{"X", "Y"}));

    catalog.mergeRemoteRule(blockRule("a", "edited"), "X");
    catalog.mergeRemoteRule(blockRule("h"), "hide-elements");
    catalog.mergeRemoteRule(blockRule("q"), "missing");
    EXPECT_TRUE(log.contains("Can't find package with identifier missing"));
    EXPECT_EQ(catalog.customPackages()->front().rules[0].blocker.trigger.urlFilter, "edited");
    EXPECT_EQ(ruleIds((*catalog.configurablePackages())[3]), std::vector<std::string>{"h"});

    EXPECT_TRUE(catalog.deleteItem("Y"));
    EXPECT_TRUE(catalog.deleteItem("h"));
    EXPECT_FALSE(catalog.deleteItem("h"));
    EXPECT_EQ(ids(*catalog.customPackages()), std::vector<std::string>{"X"});
    EXPECT_TRUE((*catalog.configurablePackages())[3].rules.empty());
}

TEST_F(CatalogTest, RenameAndRemoveCustomPackagesMatchEveryField) {
    writeSharedPackages("CustomPackages.json", {makePackage("X", "Mine", {blockRule("a")})});
    auto original = catalog.customPackages()->front();
    auto renamed = catalog.renameCustomPackage(original, "Renamed");
    ASSERT_TRUE(renamed);
    EXPECT_EQ(renamed->name, "Renamed");
    EXPECT_EQ(stored(PackageType::CustomPackages, "X"), *renamed);
    EXPECT_FALSE(catalog.renameCustomPackage(original, "Again"));

    EXPECT_FALSE(catalog.removeCustomPackage(original));
    EXPECT_EQ(catalog.customPackages()->size(), 1u);
    EXPECT_TRUE(catalog.removeCustomPackage(*renamed));
    EXPECT_TRUE(catalog.customPackages()->empty());
    EXPECT_FALSE(stored(PackageType::CustomPackages, "X").has_value());
}

TEST_F(CatalogTest, ReadersAlwaysSeeAWholeList) {
    // Each edit keeps the package's name equal to its rule count; a torn read would break that.
    writeSharedPackages("CustomPackages.json", {makePackage("X", "0")});
    catalog.customPackages();
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        while (!done) {
            for (const auto& package : catalog.allPackages()) {
                if (package.id == "X") {
                    ASSERT_EQ(package.name, std::to_string(package.rules.size()));
                }
            }
            ++reads;
        }
    });
    for (int i = 1; i <= 300; ++i) {
        // One edit both renames the package and adds a rule.
        ASSERT_TRUE(catalog.applyRemoteChanges({}, {makePackage("X", std::to_string(i))},
                                               {{blockRule("r" + std::to_string(i)), "X"}}, nullptr));
    }
    while (reads < 5) {
        std::this_thread::yield();
    }
    done = true;
    reader.join();
}
