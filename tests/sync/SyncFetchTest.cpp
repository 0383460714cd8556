// Fetch of remote changes and the merge of conflicts, against a SQLite cloud.

#include "catalog/DataManager.h"
#include "cloud/CloudNotification.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/Fixtures.h"
#include "sync/RecordMetadata.h"
#include "sync/SyncHarness.h"
#include "sync/SyncKeys.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

std::optional<Package> customPackage(const std::string& id) {
    const PackageListSnapshot custom = DataManager::shared().customPackages();
    for (const auto& package : *custom) {
        if (package.id == id) {
            return package;
        }
    }
    return std::nullopt;
}

Package configurable(const std::string& id) {
    const PackageListSnapshot packages = DataManager::shared().configurablePackages();
    for (const auto& package : *packages) {
        if (package.id == id) {
            return package;
        }
    }
    throw std::out_of_range(id);
}

class SyncFetch : public ::testing::Test {
protected:
    SyncFetch()
        : saves_(kWillSavePackages, [this](const Notification&) { ++saves; }) {
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

    SyncHarness harness;
    int saves = 0;

private:
    ObserverRegistration saves_;
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
    // The package comes last, after all its rules.
    harness.saveFromOtherDevice({packageRecord("P", "Pages of rules")});
    ASSERT_FALSE(harness.otherDevice()->modifyRecords({}, {RecordID{"gone", syncZoneID()}}).error);

    EXPECT_EQ(fetch(), std::vector<bool>{true});
    EXPECT_EQ(saves, 1);
    auto lines = harness.logs.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "more coming..."), 2);
    auto package = customPackage("P");
    ASSERT_TRUE(package);
    EXPECT_EQ(package->name, "Pages of rules");
    EXPECT_EQ(package->rules.size(), 401u);
    EXPECT_EQ(customPackage("L")->rules, std::vector<Rule>{blockRule("kept")});
    EXPECT_TRUE(RecordMetadata(UserDefaults::group()).load().contains("P-400"));
    EXPECT_FALSE(RecordMetadata(UserDefaults::group()).load().contains("gone"));
    EXPECT_EQ(harness.sync->statistics().recordsFetched, 402u);
    EXPECT_EQ(harness.sync->statistics().deletionsFetched, 1u);

    // The token moved on: nothing new comes, nothing is saved and the completion is not called.
    EXPECT_TRUE(fetch().empty());
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(harness.logs.contains("Finished remote changes fetch"));
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
    harness.saveFromOtherDevice({unlinked, hidden, widget, nameless, ruleRecord(blockRule("good"), "block-url")});

    EXPECT_EQ(fetch(), std::vector<bool>{true});
    EXPECT_TRUE(harness.logs.contains("Can't find package link in unlinked rule"));
    EXPECT_TRUE(harness.logs.contains("Unknown record type widget"));
    EXPECT_TRUE(harness.logged("does not map to a rule: <rule hidden"));
    EXPECT_TRUE(harness.logged("does not map to a package: <package nameless"));
    EXPECT_EQ(configurable("block-url").rules, std::vector<Rule>{blockRule("good")});
    EXPECT_FALSE(customPackage("nameless"));
}

TEST_F(SyncFetch, APendingLocalEditWinsOverTheFetchedVersionAndIsMergedAfterwards) {
    DataManager::shared().saveRule(blockRule("R1", "original"), configurable("block-url"), true);
    ASSERT_TRUE(harness.settle());
    auto uploaded = harness.serverRecords().at("R1");

    harness.backend->inject(fault(CloudCall::modifyRecords, CloudErrorCode::permissionFailure, 1));
    DataManager::shared().saveRule(blockRule("R1", "local"), configurable("block-url"), true);
    ASSERT_TRUE(harness.settle());
    ASSERT_TRUE(harness.sync->localChanges().isPending("R1"));

    CloudRecord remote = uploaded;
    remote.set("urlFilter", RecordValue(std::string("remote")));
    harness.saveFromOtherDevice({remote});
    fetch();
    // The fetch ignored the remote version; the upload after it met the conflict and merged.
    EXPECT_TRUE(harness.logs.contains("Merging R1"));
    EXPECT_EQ(configurable("block-url").rules, std::vector<Rule>{blockRule("R1", "local")});
    EXPECT_EQ(std::get<Rule>(ruleFromRecord(harness.serverRecords().at("R1"))), blockRule("R1", "local"));
    EXPECT_FALSE(harness.sync->localChanges().isPending("R1"));
}

TEST_F(SyncFetch, AFailedFetchAppliesNothingAndKeepsItsToken) {
    harness.saveFromOtherDevice({packageRecord("P1", "Remote")});
    const auto token = UserDefaults::group().dataForKey(SyncKeys::ServerToken);
    harness.backend->inject(fault(CloudCall::fetchZoneChanges, CloudErrorCode::networkFailure, 1));
    EXPECT_EQ(fetch(), std::vector<bool>{false});
    EXPECT_FALSE(customPackage("P1"));
    EXPECT_EQ(UserDefaults::group().dataForKey(SyncKeys::ServerToken), token);
    EXPECT_TRUE(harness.retries.empty());

    EXPECT_EQ(fetch(), std::vector<bool>{true});
    EXPECT_TRUE(customPackage("P1"));
}

TEST_F(SyncFetch, ARemoteNotificationStartsAFetch) {
    harness.saveFromOtherDevice({packageRecord("P1", "Pushed")});
    CloudNotification push{kSyncContainerIdentifier, DatabaseScope::privateScope, syncZoneID(), "S"};
    NotificationCenter::shared().post(kCloudRemoteNotification, nullptr, push.userInfo());
    ASSERT_TRUE(harness.settle());
    EXPECT_TRUE(harness.logs.contains("Got remote notification, from CloudKit"));
    EXPECT_EQ(customPackage("P1")->name, "Pushed");
}

TEST_F(SyncFetch, AnUntouchedDuplicateOfTheServersRecordIsDroppedFromTheQueue) {
    harness.saveFromOtherDevice({packageRecord("block-url", "Block URLs")});
    harness.sync->packageChanged(configurable("block-url"));
    ASSERT_TRUE(harness.settle());
    EXPECT_TRUE(harness.logs.contains("Local record is a full duplicate of server version, minus metadata"));
    EXPECT_FALSE(harness.sync->localChanges().isPending("block-url"));
    EXPECT_TRUE(RecordMetadata(UserDefaults::group()).load().contains("block-url"));
    EXPECT_EQ(harness.backend->callCount(CloudCall::modifyRecords), 1u);
}

TEST_F(SyncFetch, AMergeKeepsServerEditsOfKeysTheClientLeftAlone) {
    DataManager::shared().appendCustomPackage(makePackage("P1", "Mine", {blockRule("R1", "base", "Base")}));
    const FieldDictionary base = ruleRecordFields(blockRule("R1", "base", "Base"), "P1");
    CloudRecord ancestor = CloudRecord::stored("rule", RecordID{"R1", syncZoneID()}, "1",
                                               makeRecord("rule", "R1", base, {}).fields());
    CloudRecord server = CloudRecord::stored("rule", RecordID{"R1", syncZoneID()}, "2", ancestor.fields());
    server.set("name", RecordValue(std::string("Renamed on the server")));
    CloudRecord client = CloudRecord::stored("rule", RecordID{"R1", syncZoneID()}, "1", ancestor.fields());
    client.set("urlFilter", RecordValue(std::string("edited here")));

    harness.sync->mergeConflict(server, client, ancestor);
    ASSERT_TRUE(harness.settle());
    const Rule merged = blockRule("R1", "edited here", "Renamed on the server");
    EXPECT_EQ(customPackage("P1")->rules, std::vector<Rule>{merged});
    EXPECT_EQ(harness.sync->localChanges().added(LocalAddKeys::Rules).at("R1"), ruleRecordFields(merged, "P1"));
    EXPECT_EQ(makeRecord("rule", "R1", {}, RecordMetadata(UserDefaults::group()).load()).recordChangeTag(), "2");
    EXPECT_TRUE(harness.logs.contains("Merging R1"));
}

TEST_F(SyncFetch, AMergeThatYieldsNoRuleDropsTheRecord) {
    DataManager::shared().saveRule(blockRule("R1"), configurable("block-url"), true);
    ASSERT_TRUE(harness.settle());
    CloudRecord server = harness.serverRecords().at("R1");
    server.set("actionType", RecordValue(std::string("css-display-none")));
    CloudRecord client("rule", RecordID{"R1", syncZoneID()});
    client.set("name", RecordValue(std::string("Client")));

    harness.sync->mergeConflict(server, client, CloudRecord("rule", RecordID{"R1", syncZoneID()}));
    EXPECT_TRUE(harness.logged("Merge failed: incorrect record <rule R1"));
    EXPECT_FALSE(harness.sync->localChanges().isPending("R1"));
    EXPECT_EQ(configurable("block-url").rules, std::vector<Rule>{blockRule("R1")});
}
