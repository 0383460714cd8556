#include "platform/UserDefaults.h"
#include "support/Fixtures.h"
#include "sync/LocalChangesQueue.h"
#include "sync/SyncHarness.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

std::vector<std::string> names(const std::map<std::string, FieldDictionary>& entries) {
    std::vector<std::string> result;
    for (const auto& entry : entries) {
        result.push_back(entry.first);
    }
    return result;
}

} // namespace

// Through the sync manager's entry points, with no account, so that nothing leaves the queue.
TEST(LocalChanges, ChangesCoalesceAndADeletedPackageTakesItsRulesAlong) {
    SyncHarness harness;
    harness.backend->setAccountStatus(AccountStatus::noAccount);
    SyncManager& sync = *harness.sync;
    LocalChangesQueue& queue = sync.localChanges();

    sync.ruleChanged(blockRule("R1", "one"), "block-url");
    sync.rulesChanged({blockRule("R1", "two"), blockRule("R2")}, "block-url");
    EXPECT_EQ(queue.added(LocalAddKeys::Rules).at("R1"), ruleRecordFields(blockRule("R1", "two"), "block-url"));
    sync.ruleDeleted("R1");
    sync.ruleDeleted("R1");
    EXPECT_EQ(names(queue.added(LocalAddKeys::Rules)), std::vector<std::string>{"R2"});
    EXPECT_EQ(queue.deleted(LocalDeleteKeys::Rules), std::vector<std::string>{"R1"});
    // Re-created under the same id, it is an add again and no longer a deletion.
    sync.ruleChanged(blockRule("R1", "three"), "block-url");
    EXPECT_TRUE(queue.deleted(LocalDeleteKeys::Rules).empty());

    sync.packageChanged(makePackage("P1", "Mine", {blockRule("R3")}));
    EXPECT_EQ(queue.added(LocalAddKeys::Packages).at("P1"), (FieldDictionary{{"name", "Mine"}}));
    EXPECT_EQ(queue.added(LocalAddKeys::Rules).at("R3").at("package"), PropertyValue("P1"));
    sync.packageDeleted("P1", {blockRule("R3"), blockRule("R4")});
    EXPECT_TRUE(queue.added(LocalAddKeys::Packages).empty());
    EXPECT_FALSE(queue.isPending("R3"));
    EXPECT_EQ(queue.deleted(LocalDeleteKeys::Rules), (std::vector<std::string>{"R3", "R4"}));
    std::vector<std::string> deleted;
    for (const auto& id : queue.recordIDsToDelete()) {
        deleted.push_back(id.recordName);
    }
    EXPECT_EQ(deleted, (std::vector<std::string>{"P1", "R3", "R4"}));
    EXPECT_TRUE(harness.settle());
}

TEST(LocalChanges, ValuesOfAnotherShapeReadAsEmptyAndAreReplacedAtTheNextWrite) {
    TempHome home;
    UserDefaults& defaults = UserDefaults::group();
    defaults.set("AddedRules", PropertyArray{"R1"});
    defaults.set("AddedPackages", PropertyDictionary{{"P1", "not a dictionary"}});
    defaults.set("DeletedRules", PropertyDictionary{{"R2", true}});
    defaults.set("DeletedPackages", PropertyArray{"P2", 3});
    LocalChangesQueue queue(defaults);
    EXPECT_TRUE(queue.recordsToSave({}).empty());
    EXPECT_TRUE(queue.recordIDsToDelete().empty());

    queue.markRulesAdded({blockRule("R3")}, "block-url");
    queue.markDeleted("P4", LocalDeleteKeys::Packages);
    EXPECT_EQ(names(queue.added(LocalAddKeys::Rules)), std::vector<std::string>{"R3"});
    EXPECT_EQ(defaults.object("DeletedPackages"), PropertyValue(PropertyArray{"P4"}));
}
