#include "cloud/CloudBackend.h"
#include "support/TemporaryDirectory.h"
#include "sync/RecordMapping.h"
#include "sync/SyncKeys.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

Blocker blocking(const std::string& urlFilter) {
    Blocker blocker;
    blocker.trigger.urlFilter = urlFilter;
    return blocker;
}

Rule fullRule() {
    Blocker blocker = blocking("^https?://ads\\.example/");
    blocker.trigger.caseSensitive = true;
    blocker.trigger.resourceTypes = std::vector<ResourceType>{ResourceType::Script, ResourceType::Image};
    blocker.trigger.loadType = std::vector<LoadType>{LoadType::ThirdParty};
    blocker.trigger.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, {"good.example", "*.fine.example"}};
    blocker.action = Action{ActionType::Hide, ".ad"};
    return Rule{"R1", "Hide ads", blocker};
}

Rule bareRule() { return Rule{"R1", "Block tracker", blocking("tracker")}; }

// A stored rule record with one value changed from a valid one.
CloudRecord ruleRecordWith(const std::string& key, std::optional<RecordValue> value) {
    CloudRecord record = CloudRecord::stored(
        kRuleRecordType, RecordID{"R9", syncZoneID()}, "tag",
        {{"name", std::string("Rule")}, {"urlFilter", std::string(".*")}, {"caseSensitive", false},
         {"actionType", std::string("block")}});
    record.set(key, std::move(value));
    return record;
}

} // namespace

TEST(RecordMapping, RulesSurviveTheTripAndValuesARuleNoLongerHasAreClearedOnTheServer) {
    for (const Rule& rule : {fullRule(), bareRule()}) {
        CloudRecord record = makeRecord(kRuleRecordType, rule.id, ruleRecordFields(rule, "hide-elements"), {});
        EXPECT_EQ(record.recordID(), (RecordID{"R1", RecordZoneID{"BlockerRulesZone"}}));
        EXPECT_EQ(packageLink(record), "hide-elements");
        EXPECT_EQ(std::get<Rule>(ruleFromRecord(record)), rule);
        EXPECT_EQ(fieldsFromRecord(record), ruleRecordFields(rule, "hide-elements"));
    }
    const FieldDictionary bare = ruleRecordFields(bareRule(), "block-url");
    EXPECT_EQ(bare.size(), 5u);

    orvane::test::TemporaryDirectory directory;
    auto database = CloudBackend::make("sqlite:" + directory.path().string())
                        ->database(kSyncContainerIdentifier, DatabaseScope::privateScope);
    ASSERT_FALSE(database->saveRecordZones({RecordZone(kSyncZoneName)}).error);
    auto first = database->modifyRecords(
        {makeRecord(kRuleRecordType, "R1", ruleRecordFields(fullRule(), "block-url"), {})}, {});
    ASSERT_FALSE(first.error);
    const PropertyDictionary metadata{{"R1", first.savedRecords.at(0).encodeSystemFields()}};
    auto second = database->modifyRecords({makeRecord(kRuleRecordType, "R1", bare, metadata)}, {});
    ASSERT_FALSE(second.error) << second.error->localizedDescription;
    EXPECT_EQ(fieldsFromRecord(second.savedRecords.at(0)), bare);
}

TEST(RecordMapping, StoredSystemFieldsKeepTheChangeTagUnlessTheyAreDamaged) {
    const FieldDictionary fields = packageRecordFields(Package{"P1", "Mine", {}});
    auto systemFields = [](const char* type, const char* name) {
        return CloudRecord::stored(type, RecordID{name, syncZoneID()}, "7x", {}).encodeSystemFields();
    };
    CloudRecord known = makeRecord(kPackageRecordType, "P1", fields, {{"P1", systemFields("package", "P1")}});
    EXPECT_EQ(known.recordChangeTag(), "7x");
    EXPECT_EQ(std::get<Package>(packageFromRecord(known, {})), (Package{"P1", "Mine", {}}));

    for (const PropertyValue& damaged : {PropertyValue(Bytes{'{', '}'}), PropertyValue("text"),
                                         PropertyValue(systemFields("rule", "P1")),
                                         PropertyValue(systemFields("package", "P2"))}) {
        CloudRecord fresh = makeRecord(kPackageRecordType, "P1", fields, {{"P1", damaged}});
        EXPECT_FALSE(fresh.recordChangeTag());
        EXPECT_EQ(fresh.recordID().recordName, "P1");
    }
}

TEST(RecordMapping, RuleRecordsAreReadLenientlyButNeedTheirRequiredValues) {
    auto types = std::get<Rule>(
        ruleFromRecord(ruleRecordWith("resourceTypes", std::vector<std::string>{"script", "unknown", "font"})));
    EXPECT_EQ(types.id, "R9");
    EXPECT_EQ(types.blocker.trigger.resourceTypes, (std::vector<ResourceType>{ResourceType::Script, ResourceType::Font}));
    EXPECT_FALSE(types.blocker.trigger.loadType);
    // A selector on another action, a list of the wrong type and half a domain filter are dropped.
    for (auto [key, value] : {std::pair<std::string, RecordValue>{"selector", std::string(".x")},
                              {"loadType", std::string("third-party")},
                              {"domainFilterType", std::string("if-domain")}}) {
        EXPECT_EQ(std::get<Rule>(ruleFromRecord(ruleRecordWith(key, value))).blocker, blocking(".*")) << key;
    }
    for (auto [key, value] : {std::pair<std::string, std::optional<RecordValue>>{"actionType", std::string("css-display-none")},
                              {"actionType", std::string("hide")},
                              {"name", std::nullopt},
                              {"urlFilter", std::int64_t{3}},
                              {"caseSensitive", std::string("yes")}}) {
        EXPECT_TRUE(std::holds_alternative<RecordMappingError>(ruleFromRecord(ruleRecordWith(key, value)))) << key;
    }
    EXPECT_TRUE(std::holds_alternative<RecordMappingError>(packageFromRecord(ruleRecordWith("name", std::nullopt), {})));
}
