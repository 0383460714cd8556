#include "platform/UserDefaults.h"
#include "support/Fixtures.h"
#include "support/TempHome.h"
#include "sync/LocalChangesQueue.h"
#include "sync/SyncHarness.h"
#include "sync/SyncKeys.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

std::vector<std::string> keys(const std::map<std::string, FieldDictionary>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.first);
    }
    return names;
}

std::vector<std::string> names(const std::vector<RecordID>& ids) {
    std::vector<std::string> result;
    for (const auto& id : ids) {
        result.push_back(id.recordName);
    }
    return result;
}

// The entry points of the sync manager, with no account, so that nothing leaves the queue.
class LocalChanges : public ::testing::Test {
protected:
    LocalChanges() { harness.backend->setAccountStatus(AccountStatus::noAccount); }

    LocalChangesQueue& queue() { return harness.sync->localChanges(); }

    SyncHarness harness;
};

} // namespace

TEST_F(LocalChanges, ChangesToOneRuleCoalesceAndADeletionLeavesOnlyTheDeletion) {
    harness.sync->ruleChanged(blockRule("R1", "one"), "block-url");
    harness.sync->ruleChanged(blockRule("R1", "two"), "block-url");
    harness.sync->rulesChanged({blockRule("R1", "three"), blockRule("R2")}, "block-url");
    EXPECT_EQ(queue().added(LocalAddKeys::Rules).at("R1"), ruleRecordFields(blockRule("R1", "three"), "block-url"));

    harness.sync->ruleDeleted("R1");
    harness.sync->ruleDeleted("R1");
    EXPECT_EQ(keys(queue().added(LocalAddKeys::Rules)), std::vector<std::string>{"R2"});
    EXPECT_EQ(queue().deleted(LocalDeleteKeys::Rules), std::vector<std::string>{"R1"});

    // Re-created under the same id, it is an add again and no longer a deletion.
    harness.sync->ruleChanged(blockRule("R1", "four"), "block-url");
    EXPECT_TRUE(queue().deleted(LocalDeleteKeys::Rules).empty());
    EXPECT_TRUE(queue().isPending("R1"));
    EXPECT_TRUE(harness.settle());
}

TEST_F(LocalChanges, APackageTakesItsRulesAlongBothWays) {
    const Package package = makePackage("P1", "Mine", {blockRule("R1"), blockRule("R2")});
    harness.sync->packageChanged(package);
    EXPECT_EQ(keys(queue().added(LocalAddKeys::Packages)), std::vector<std::string>{"P1"});
    EXPECT_EQ(queue().added(LocalAddKeys::Packages).at("P1"), (FieldDictionary{{"name", "Mine"}}));
    EXPECT_EQ(keys(queue().added(LocalAddKeys::Rules)), (std::vector<std::string>{"R1", "R2"}));
    EXPECT_EQ(queue().added(LocalAddKeys::Rules).at("R2").at("package"), PropertyValue("P1"));

    harness.sync->packageDeleted("P1", {blockRule("R1"), blockRule("R2"), blockRule("R3")});
    EXPECT_TRUE(queue().added(LocalAddKeys::Packages).empty());
    EXPECT_TRUE(queue().added(LocalAddKeys::Rules).empty());
    EXPECT_EQ(queue().deleted(LocalDeleteKeys::Packages), std::vector<std::string>{"P1"});
    EXPECT_EQ(queue().deleted(LocalDeleteKeys::Rules), (std::vector<std::string>{"R1", "R2", "R3"}));
    EXPECT_EQ(names(queue().recordIDsToDelete()), (std::vector<std::string>{"P1", "R1", "R2", "R3"}));

    harness.sync->packageChanged(makePackage("P1", "Back", {}));
    EXPECT_TRUE(queue().deleted(LocalDeleteKeys::Packages).empty());
    EXPECT_TRUE(harness.settle());
}

TEST_F(LocalChanges, TheCatalogsEditsReachTheQueue) {
    auto& catalog = DataManager::shared();
    Package blockUrl = catalog.saveRule(blockRule("R1"), makePackage("block-url", ""), true);
    EXPECT_TRUE(queue().isPending("R1"));
    catalog.removeRule(blockRule("R1"), blockUrl, true);
    EXPECT_FALSE(queue().isPending("R1"));
    EXPECT_EQ(queue().deleted(LocalDeleteKeys::Rules), std::vector<std::string>{"R1"});

    catalog.appendCustomPackage(makePackage("P1", "Mine", {blockRule("R2")}));
    catalog.removeCustomPackage(makePackage("P1", "Mine", {blockRule("R2")}));
    EXPECT_EQ(queue().deleted(LocalDeleteKeys::Packages), std::vector<std::string>{"P1"});
    EXPECT_EQ(queue().deleted(LocalDeleteKeys::Rules), (std::vector<std::string>{"R1", "R2"}));
    EXPECT_TRUE(harness.settle());
}

TEST(LocalChangesQueue, ValuesOfAnotherShapeReadAsEmptyAndAreReplacedAtTheNextWrite) {
    TempHome home;
    UserDefaults& defaults = UserDefaults::group();
    defaults.set("AddedRules", PropertyArray{"R1"});
    defaults.set("AddedPackages", PropertyDictionary{{"P1", "not a dictionary"}});
    defaults.set("DeletedRules", PropertyDictionary{{"R2", true}});
    defaults.set("DeletedPackages", PropertyArray{"P2", 3});
    LocalChangesQueue queue(defaults);
    EXPECT_TRUE(queue.added(LocalAddKeys::Rules).empty());
    EXPECT_TRUE(queue.added(LocalAddKeys::Packages).empty());
    EXPECT_TRUE(queue.deleted(LocalDeleteKeys::Rules).empty());
    EXPECT_TRUE(queue.deleted(LocalDeleteKeys::Packages).empty());
    EXPECT_TRUE(queue.recordsToSave({}).empty());

    queue.markRulesAdded({blockRule("R3")}, "block-url");
    queue.markDeleted("P4", LocalDeleteKeys::Packages);
    EXPECT_EQ(keys(queue.added(LocalAddKeys::Rules)), std::vector<std::string>{"R3"});
    EXPECT_EQ(defaults.object("DeletedPackages"), PropertyValue(PropertyArray{"P4"}));
}

TEST(LocalChangesQueue, AnUploadClearsOnlyTheEntriesThatStillHoldWhatWentUp) {
    TempHome home;
    LocalChangesQueue queue(UserDefaults::group());
    queue.markRulesAdded({blockRule("R1", "old"), blockRule("R2")}, "block-url");
    queue.markPackageAdded("P1", "Mine");
    auto records = queue.recordsToSave({});
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].record.recordType(), "package");
    EXPECT_EQ(records[1].record.recordID().recordName, "R1");

    std::map<std::string, FieldDictionary> sent;
    for (const auto& each : records) {
        sent[each.record.recordID().recordName] = each.fields;
    }
    queue.markRulesAdded({blockRule("R1", "newer")}, "block-url");
    queue.removeUploaded(sent, LocalAddKeys::Rules);
    queue.removeUploaded(sent, LocalAddKeys::Packages);
    EXPECT_EQ(keys(queue.added(LocalAddKeys::Rules)), std::vector<std::string>{"R1"});
    EXPECT_EQ(queue.added(LocalAddKeys::Rules).at("R1"), ruleRecordFields(blockRule("R1", "newer"), "block-url"));
    EXPECT_TRUE(queue.added(LocalAddKeys::Packages).empty());
}
