// Fetch of remote changes and the merge of conflicts, against a SQLite cloud.

#include "catalog/DataManager.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/Present.h"
#include "support/Fixtures.h"
#include "sync/RecordMetadata.h"
#include "sync/SyncHarness.h"
#include "sync/SyncKeys.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace orvane;
using namespace orvane::test;

namespace {

std::optional<Package> package(const std::string& id) {
    for (const PackageListSnapshot& list : {DataManager::shared().configurablePackages(), DataManager::shared().customPackages()}) {
        for (const auto& each : *list) {
            if (each.id == id) {
                return each;
            }
        }
    }
    return std::nullopt;
}

class SyncFetch : public ::testing::Test {
protected:
    SyncFetch() : savesSeen_(kWillSavePackages, [this](const Notification&) { ++saves; }) {
        harness.startAndSettle();
        saves = 0;
    }

    // Fetches and waits; answers the completion's calls.
    std::vector<bool> fetch() {
        std::vector<bool> calls;
        harness.sync->fetchRemoteChanges([&calls](bool saved) { calls.push_back(saved); });
        EXPECT_TRUE(harness.settle());
        return calls;
    }
    PropertyDictionary metadata() { return RecordMetadata(UserDefaults::group()).load(); }

    SyncHarness harness;
    int saves = 0;

private:
    ObserverRegistration savesSeen_;
};

} // namespace

TEST_F(SyncFetch, ChangesOverSeveralPassesAreAppliedOnceWithOneSave) {
    DataManager::shared().appendCustomPackage(makePackage("L", "Local", {blockRule("gone"), blockRule("kept")}));
    std::vector<CloudRecord> rules;
    for (int i = 0; i < 401; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "P-%03d", i);
        rules.push_back(ruleRecord(blockRule(id), "P"));
    }
    harness.saveFromOtherDevice({ruleRecord(blockRule("gone"), "L")});
    harness.saveFromOtherDevice(std::vector<CloudRecord>(rules.begin(), rules.begin() + 300));
    harness.saveFromOtherDevice(std::vector<CloudRecord>(rules.begin() + 300, rules.end()));
    // The package comes after all its rules, two pages later.
    harness.saveFromOtherDevice({packageRecord("P", "Pages of rules")});
    ASSERT_FALSE(harness.otherDevice()->modifyRecords({}, {RecordID{"gone", syncZoneID()}}).error);

    // A second request while the first runs waits for it, and then finds nothing new.
    harness.sync->fetchRemoteChanges(nullptr);
    EXPECT_TRUE(fetch().empty());
    EXPECT_EQ(saves, 1);
    auto lines = harness.logs.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "more coming..."), 2);
    EXPECT_EQ(test::present(package("P")).name, "Pages of rules");
    EXPECT_EQ(test::present(package("P")).rules.size(), 401u);
    EXPECT_EQ(test::present(package("L")).rules, std::vector<Rule>{blockRule("kept")});
    EXPECT_TRUE(metadata().contains("P-400"));
    EXPECT_FALSE(metadata().contains("gone"));
    EXPECT_EQ(harness.sync->statistics().recordsFetched, 402u);
    EXPECT_EQ(harness.sync->statistics().deletionsFetched, 1u);
}

TEST_F(SyncFetch, RecordsThatCannotBeMappedAreSkippedAndTheRestApplied) {
    CloudRecord unlinked = ruleRecord(blockRule("unlinked"), "block-url");
    unlinked.set("package", std::nullopt);
    CloudRecord hidden = ruleRecord(blockRule("hidden"), "block-url");
    hidden.set("actionType", RecordValue(std::string("css-display-none")));
    CloudRecord widget("widget", RecordID{"W1", syncZoneID()});
    widget.set("name", RecordValue(std::string("?")));
    CloudRecord nameless("package", RecordID{"nameless", syncZoneID()});
    nameless.set("title", RecordValue(std::string("?")));
    // Saved by a machine that did not check what WebKit takes: one such rule would stop every rebuild.
    CloudRecord refused = ruleRecord(blockRule("refused", "ad|banner"), "block-url");
    harness.saveFromOtherDevice(
        {unlinked, hidden, widget, nameless, refused, ruleRecord(blockRule("good"), "block-url")});

    EXPECT_EQ(fetch(), std::vector<bool>{true});
    EXPECT_TRUE(harness.logs.contains(
        "Skipping a rule content blockers refuse: refused: The URL filter uses \"|\", which content blockers do "
        "not support"));
    EXPECT_TRUE(harness.logs.contains("Can't find package link in unlinked rule"));
    EXPECT_TRUE(harness.logs.contains("Unknown record type widget"));
    EXPECT_TRUE(harness.logged("does not map to a rule: <rule hidden"));
    EXPECT_EQ(test::present(package("block-url")).rules, std::vector<Rule>{blockRule("good")});
    EXPECT_FALSE(package("nameless"));
}

TEST_F(SyncFetch, APendingLocalEditWinsOverTheFetchedVersionAndIsMergedAfterwards) {
    ASSERT_TRUE(DataManager::shared().saveRule(blockRule("R1", "original"), *package("block-url"), true));
    ASSERT_TRUE(harness.settle());
    CloudRecord remote = harness.serverRecords().at("R1");
    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::permissionFailure));
    ASSERT_TRUE(DataManager::shared().saveRule(blockRule("R1", "local"), *package("block-url"), true));
    ASSERT_TRUE(harness.settle());

    remote.set("urlFilter", RecordValue(std::string("remote")));
    harness.saveFromOtherDevice({remote});
    EXPECT_TRUE(fetch().empty());
    // The upload that follows the fetch meets the server's newer version and merges.
    EXPECT_TRUE(harness.logs.contains("Merging R1"));
    EXPECT_EQ(test::present(package("block-url")).rules, std::vector<Rule>{blockRule("R1", "local")});
    EXPECT_EQ(ruleOf(harness.serverRecords().at("R1")), blockRule("R1", "local"));
}

TEST_F(SyncFetch, AFailedFetchAppliesNothingAndKeepsItsToken) {
    harness.saveFromOtherDevice({packageRecord("P1", "Remote")});
    const auto token = UserDefaults::group().dataForKey(SyncKeys::ServerToken);
    harness.backend->inject(fault(CloudCall::fetchZoneChanges, CloudErrorCode::networkFailure));
    EXPECT_EQ(fetch(), std::vector<bool>{false});
    EXPECT_FALSE(package("P1"));
    EXPECT_EQ(UserDefaults::group().dataForKey(SyncKeys::ServerToken), token);

    EXPECT_EQ(fetch(), std::vector<bool>{true});
    EXPECT_TRUE(package("P1"));
}

TEST_F(SyncFetch, AMergeKeepsServerEditsOfKeysTheClientLeftAlone) {
    DataManager::shared().appendCustomPackage(makePackage("P1", "Mine", {blockRule("R1", "base", "Base")}));
    auto version = [](const char* tag) {
        return CloudRecord::stored("rule", RecordID{"R1", syncZoneID()}, tag,
                                   ruleRecord(blockRule("R1", "base", "Base"), "P1").fields());
    };
    CloudRecord server = version("2");
    server.set("name", RecordValue(std::string("Renamed on the server")));
    CloudRecord client = version("1");
    client.set("urlFilter", RecordValue(std::string("edited here")));

    harness.sync->mergeConflict(server, client, version("1"));
    ASSERT_TRUE(harness.settle());
    const Rule merged = blockRule("R1", "edited here", "Renamed on the server");
    EXPECT_EQ(test::present(package("P1")).rules, std::vector<Rule>{merged});
    EXPECT_EQ(harness.sync->localChanges().added(LocalAddKeys::Rules).at("R1"), ruleRecordFields(merged, "P1"));
    EXPECT_EQ(makeRecord("rule", "R1", {}, metadata()).recordChangeTag(), "2");
}

TEST_F(SyncFetch, AMergeThatYieldsNoRuleDropsTheRecord) {
    ASSERT_TRUE(DataManager::shared().saveRule(blockRule("R1"), *package("block-url"), true));
    ASSERT_TRUE(harness.settle());
    CloudRecord server = harness.serverRecords().at("R1");
    server.set("actionType", RecordValue(std::string("css-display-none")));
    CloudRecord client("rule", RecordID{"R1", syncZoneID()});
    client.set("name", RecordValue(std::string("Client")));

    harness.sync->mergeConflict(server, client, CloudRecord("rule", RecordID{"R1", syncZoneID()}));
    EXPECT_TRUE(harness.logged("Merge failed: incorrect record <rule R1"));
    EXPECT_FALSE(harness.sync->localChanges().isPending("R1"));
    EXPECT_EQ(test::present(package("block-url")).rules, std::vector<Rule>{blockRule("R1")});
}
