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

// A rule limited to one frame, as WebKit lists have them.
Rule frameRule() {
    Blocker blocker = blocking(".*");
    blocker.trigger.resourceTypes = std::vector<ResourceType>{ResourceType::Image, ResourceType::Ping};
    blocker.trigger.frameURLFilter = FrameURLFilter{FrameURLFilterType::IfFrameURL, {"iframe\\.html"}};
    blocker.trigger.frameURLFilterCaseSensitive = true;
    blocker.trigger.loadContext = std::vector<LoadContext>{LoadContext::ChildFrame};
    blocker.trigger.requestMethod = "get";
    return Rule{"R1", "Frame", blocker};
}

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
    for (const Rule& rule : {fullRule(), bareRule(), frameRule()}) {
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
    FieldDictionary everything = ruleRecordFields(fullRule(), "block-url");
    for (auto& [key, value] : ruleRecordFields(frameRule(), "block-url")) {
        everything.try_emplace(key, value);
    }
    auto first = database->modifyRecords({makeRecord(kRuleRecordType, "R1", everything, {})}, {});
    ASSERT_FALSE(first.error);
    const PropertyDictionary metadata{{"R1", first.savedRecords.at(0).encodeSystemFields()}};
    auto second = database->modifyRecords({makeRecord(kRuleRecordType, "R1", bare, metadata)}, {});
    ASSERT_FALSE(second.error) << second.error->localizedDescription;
    EXPECT_EQ(fieldsFromRecord(second.savedRecords.at(0)), bare);
}

// Builds before these conditions read a rule record without them and drop the resource types
// they do not know, so they would apply such a rule everywhere. They need "actionType" to read a
// rule at all: a rule they would widen does not give it to them.
TEST(RecordMapping, RulesOlderBuildsWouldWidenKeepTheirActionTypeWhereThoseBuildsDoNotLook) {
    const FieldDictionary frame = ruleRecordFields(frameRule(), "X");
    EXPECT_FALSE(frame.contains("actionType"));
    EXPECT_EQ(frame.at("extendedActionType"), PropertyValue("block"));
    EXPECT_EQ(frame.at("frameURLFilterType"), PropertyValue("if-frame-url"));

    Rule childDocuments = bareRule();
    childDocuments.blocker.trigger.resourceTypes = std::vector{ResourceType::ChildDocument};
    EXPECT_FALSE(ruleRecordFields(childDocuments, "X").contains("actionType"));
    childDocuments.blocker.trigger.resourceTypes = std::vector{ResourceType::Document, ResourceType::Popup};
    EXPECT_EQ(ruleRecordFields(childDocuments, "X").at("actionType"), PropertyValue("block"));
    EXPECT_FALSE(ruleRecordFields(childDocuments, "X").contains("extendedActionType"));

    // Losing the condition gives the action type back to every build, and the server forgets the old key.
    const CloudRecord before = makeRecord(kRuleRecordType, "R1", frame, {});
    CloudRecord after = makeRecord(kRuleRecordType, "R1", ruleRecordFields(bareRule(), "X"), {});
    const auto& sent = after.changedKeys();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "extendedActionType"), sent.end());
    EXPECT_NE(std::find(sent.begin(), sent.end(), "frameURLFilterValues"), sent.end());
    EXPECT_EQ(after.object("extendedActionType"), nullptr);
    EXPECT_EQ(std::get<Rule>(ruleFromRecord(before)), frameRule());
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

TEST(RecordMapping, RuleRecordsNeedTheirRequiredValuesAndNothingTheyCannotCarry) {
    // The strict constructor drops a selector on another action.
    const auto read = std::get<Rule>(ruleFromRecord(ruleRecordWith("selector", std::string(".x"))));
    EXPECT_EQ(read.id, "R9");
    EXPECT_EQ(read.blocker, blocking(".*"));
    EXPECT_EQ(std::get<Rule>(ruleFromRecord(ruleRecordWith("loadContext", std::vector<std::string>{"top-frame"})))
                  .blocker.trigger.loadContext,
              std::vector{LoadContext::TopFrame});
    // A name this build does not know or half a condition would widen the rule if dropped.
    for (auto [key, value] :
         {std::pair<std::string, std::optional<RecordValue>>{"actionType", std::string("css-display-none")},
          {"actionType", std::string("hide")},
          {"name", std::nullopt},
          {"urlFilter", std::int64_t{3}},
          {"caseSensitive", std::string("yes")},
          {"resourceTypes", std::vector<std::string>{"script", "unknown"}},
          {"loadType", std::string("third-party")},
          {"loadContext", std::vector<std::string>{"first-party"}},
          {"domainFilterType", std::string("if-domain")},
          {"topURLFilterValues", std::vector<std::string>{"https://.*"}},
          {"frameURLFilterType", std::string("if-top-url")},
          {"requestMethod", std::string("fetch")}}) {
        EXPECT_TRUE(std::holds_alternative<RecordMappingError>(ruleFromRecord(ruleRecordWith(key, value)))) << key;
    }
    CloudRecord twoConditions = ruleRecordWith("domainFilterType", std::string("if-domain"));
    twoConditions.set("domainFilterValues", std::vector<std::string>{"a.example"});
    twoConditions.set("topURLFilterType", std::string("if-top-url"));
    twoConditions.set("topURLFilterValues", std::vector<std::string>{"https://.*"});
    EXPECT_TRUE(std::holds_alternative<RecordMappingError>(ruleFromRecord(twoConditions)));
    EXPECT_TRUE(std::holds_alternative<RecordMappingError>(packageFromRecord(ruleRecordWith("name", std::nullopt), {})));
}
