#include "cloud/CloudBackend.h"
#include "platform/Log.h"
#include "support/TemporaryDirectory.h"
#include "sync/RecordMapping.h"
#include "sync/RecordMetadata.h"
#include "sync/SyncKeys.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

Rule fullRule() {
    Trigger trigger;
    trigger.urlFilter = "^https?://ads\\.example/";
    trigger.caseSensitive = true;
    trigger.resourceTypes = std::vector<ResourceType>{ResourceType::Script, ResourceType::Image};
    trigger.loadType = std::vector<LoadType>{LoadType::ThirdParty};
    trigger.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, {"good.example", "*.fine.example"}};
    return Rule{"R1", "Hide ads", Blocker{trigger, Action{ActionType::Hide, ".ad"}}};
}

Rule bareRule() {
    Trigger trigger;
    trigger.urlFilter = "tracker";
    return Rule{"R1", "Block tracker", Blocker{trigger, Action{ActionType::Block, std::nullopt}}};
}

CloudRecord recordWith(RecordFields fields, const std::string& name = "R9") {
    return CloudRecord::stored(kRuleRecordType, RecordID{name, syncZoneID()}, "tag", std::move(fields));
}

RecordFields validFields() {
    return {{"name", std::string("Rule")},
            {"urlFilter", std::string(".*")},
            {"caseSensitive", false},
            {"actionType", std::string("block")},
            {"package", RecordReference{RecordID{"block-url", syncZoneID()}, ReferenceAction::none}}};
}

RecordFields with(RecordFields fields, const std::string& key, std::optional<RecordValue> value) {
    CloudRecord record = recordWith(std::move(fields));
    record.set(key, std::move(value));
    return record.fields();
}

bool invalid(const Mapped<Rule>& mapped) {
    return std::holds_alternative<RecordMappingError>(mapped) &&
           std::get<RecordMappingError>(mapped) == RecordMappingError::invalidData;
}

} // namespace

TEST(RecordMapping, RulesSurviveTheTripThroughQueueAndRecord) {
    for (const Rule& rule : {fullRule(), bareRule()}) {
        CloudRecord record = makeRecord(kRuleRecordType, rule.id, ruleRecordFields(rule, "hide-elements"), {});
        EXPECT_EQ(record.recordType(), "rule");
        EXPECT_EQ(record.recordID(), (RecordID{"R1", RecordZoneID{"BlockerRulesZone"}}));
        EXPECT_EQ(packageLink(record), "hide-elements");
        auto mapped = ruleFromRecord(record);
        ASSERT_TRUE(std::holds_alternative<Rule>(mapped));
        EXPECT_EQ(std::get<Rule>(mapped), rule);
        EXPECT_EQ(fieldsFromRecord(record), ruleRecordFields(rule, "hide-elements"));
    }
}

TEST(RecordMapping, ARuleWithoutOptionalValuesLeavesThemOutAndClearsThemOnTheServer) {
    const FieldDictionary bare = ruleRecordFields(bareRule(), "block-url");
    for (const char* key : {"selector", "domainFilterType", "domainFilterValues", "resourceTypes", "loadType"}) {
        EXPECT_FALSE(bare.contains(key)) << key;
    }

    orvane::testing::TemporaryDirectory directory;
    auto database = CloudBackend::make("sqlite:" + directory.path().string())
                        ->database(kSyncContainerIdentifier, DatabaseScope::privateScope);
    ASSERT_FALSE(database->saveRecordZones({RecordZone(kSyncZoneName)}).error);
    auto first = database->modifyRecords(
        {makeRecord(kRuleRecordType, "R1", ruleRecordFields(fullRule(), "block-url"), {})}, {});
    ASSERT_FALSE(first.error);
    PropertyDictionary metadata{{"R1", first.savedRecords.at(0).encodeSystemFields()}};

    auto second = database->modifyRecords({makeRecord(kRuleRecordType, "R1", bare, metadata)}, {});
    ASSERT_FALSE(second.error) << second.error->localizedDescription;
    const CloudRecord& stored = second.savedRecords.at(0);
    for (const char* key : {"selector", "domainFilterType", "domainFilterValues", "resourceTypes", "loadType"}) {
        EXPECT_EQ(stored.object(key), nullptr) << key;
    }
    EXPECT_EQ(std::get<Rule>(ruleFromRecord(stored)), bareRule());
}

TEST(RecordMapping, MetadataKeepsTheServersChangeTagAndDamagedMetadataMakesANewRecord) {
    const FieldDictionary fields = packageRecordFields(Package{"P1", "Mine", {}});
    CloudRecord server = CloudRecord::stored(kPackageRecordType, RecordID{"P1", syncZoneID()}, "7x", {});

    CloudRecord known = makeRecord(kPackageRecordType, "P1", fields, {{"P1", server.encodeSystemFields()}});
    EXPECT_EQ(known.recordChangeTag(), "7x");
    EXPECT_EQ(std::get<Package>(packageFromRecord(known, {})), (Package{"P1", "Mine", {}}));

    for (const PropertyDictionary& damaged :
         {PropertyDictionary{{"P1", Bytes{'{', '}'}}}, PropertyDictionary{{"P1", std::string("text")}},
          PropertyDictionary{{"P1", CloudRecord::stored(kRuleRecordType, RecordID{"P1", syncZoneID()}, "7x", {})
                                        .encodeSystemFields()}},
          PropertyDictionary{{"P1", CloudRecord::stored(kPackageRecordType, RecordID{"P2", syncZoneID()}, "7x", {})
                                        .encodeSystemFields()}}}) {
        CloudRecord fresh = makeRecord(kPackageRecordType, "P1", fields, damaged);
        EXPECT_FALSE(fresh.recordChangeTag());
        EXPECT_EQ(fresh.recordID().recordName, "P1");
    }
}

TEST(RecordMapping, RuleRecordsAreReadLenientlyButNeedTheirRequiredValues) {
    auto mapped = ruleFromRecord(
        recordWith(with(validFields(), "resourceTypes", std::vector<std::string>{"script", "unknown", "font"})));
    ASSERT_TRUE(std::holds_alternative<Rule>(mapped));
    const Rule& rule = std::get<Rule>(mapped);
    EXPECT_EQ(rule.id, "R9");
    EXPECT_EQ(rule.blocker.trigger.resourceTypes, (std::vector<ResourceType>{ResourceType::Script, ResourceType::Font}));
    EXPECT_FALSE(rule.blocker.trigger.loadType);
    EXPECT_FALSE(rule.blocker.trigger.domainFilter);

    // A selector on another action, a list of the wrong type and half a domain filter are dropped.
    auto loose = ruleFromRecord(recordWith(with(
        with(with(validFields(), "selector", std::string(".x")), "loadType", std::string("third-party")),
        "domainFilterType", std::string("if-domain"))));
    ASSERT_TRUE(std::holds_alternative<Rule>(loose));
    EXPECT_EQ(std::get<Rule>(loose).blocker.action, (Action{ActionType::Block, std::nullopt}));
    EXPECT_FALSE(std::get<Rule>(loose).blocker.trigger.loadType);
    EXPECT_FALSE(std::get<Rule>(loose).blocker.trigger.domainFilter);

    EXPECT_TRUE(invalid(ruleFromRecord(recordWith(with(validFields(), "actionType", std::string("css-display-none"))))));
    EXPECT_TRUE(invalid(ruleFromRecord(recordWith(with(validFields(), "actionType", std::string("hide"))))));
    EXPECT_TRUE(invalid(ruleFromRecord(recordWith(with(validFields(), "name", std::nullopt)))));
    EXPECT_TRUE(invalid(ruleFromRecord(recordWith(with(validFields(), "urlFilter", std::int64_t{3})))));
    EXPECT_TRUE(invalid(ruleFromRecord(recordWith(with(validFields(), "caseSensitive", std::string("yes"))))));
    EXPECT_TRUE(std::holds_alternative<RecordMappingError>(
        packageFromRecord(recordWith({{"name", std::vector<std::string>{"x"}}}), {})));
}

TEST(RecordMapping, StoringMetadataLogsTheChangeTag) {
    LogCapture logs;
    encodeSystemFields(CloudRecord::stored(kRuleRecordType, RecordID{"R1", syncZoneID()}, "3f", {}));
    encodeSystemFields(CloudRecord(kRuleRecordType, RecordID{"R2", syncZoneID()}));
    EXPECT_EQ(logs.lines(), (std::vector<std::string>{"Changetag for R1: 3f", "Changetag for R2: none"}));
}
