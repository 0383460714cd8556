#include "model/JsonDecoding.h"
#include "platform/Log.h"
#include "support/Json.h"

#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::isUpperCaseUUID;
using orvane::test::parsed;

namespace {

using Lines = std::vector<std::string>;

std::optional<Trigger> trigger(std::string_view text) { return triggerFromJSON(parsed(text)); }

// A package whose rules are the given rule objects, read back.
std::vector<Rule> readRules(std::string_view rulesArray) { return rulesFromJSON(parsed(rulesArray)); }

const char* const kGoodRule = R"({"id":"good","name":"Good","content":{"trigger":{"url-filter":"a"},
                                   "action":{"type":"block"}}})";

} // namespace

TEST(TriggerReader, ReadsEveryFieldAndDefaultsTheOptionalOnes) {
    auto full = trigger(R"({"url-filter":"ads","url-filter-is-case-sensitive":true,
        "resource-type":["script","svg-document"],"load-type":["first-party"],"if-domain":["*a.example","B"]})");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->urlFilter, "ads");
    EXPECT_TRUE(full->caseSensitive);
    EXPECT_EQ(full->resourceTypes, (std::vector{ResourceType::Script, ResourceType::SVG}));
    EXPECT_EQ(full->loadType, std::vector{LoadType::FirstParty});
    EXPECT_EQ(full->domainFilter, (DomainFilter{DomainFilterType::IfDomain, {"*a.example", "B"}}));

    auto bare = trigger(R"({"url-filter":""})");
    ASSERT_TRUE(bare);
    EXPECT_EQ(*bare, Trigger{});
}

TEST(TriggerReader, EnumerationListsDropUnknownTextButNotWrongTypes) {
    EXPECT_EQ(trigger(R"({"url-filter":"","resource-type":["image","unknown"]})")->resourceTypes,
              std::vector{ResourceType::Image});
    EXPECT_EQ(trigger(R"({"url-filter":"","resource-type":["image",3]})")->resourceTypes, std::nullopt);
    EXPECT_EQ(trigger(R"({"url-filter":"","resource-type":[]})")->resourceTypes, std::vector<ResourceType>{});
    EXPECT_EQ(trigger(R"({"url-filter":"","resource-type":["Image","IMAGE"]})")->resourceTypes,
              std::vector<ResourceType>{});
    EXPECT_EQ(trigger(R"({"url-filter":"","resource-type":"image"})")->resourceTypes, std::nullopt);
    EXPECT_EQ(trigger(R"({"url-filter":"","load-type":["third-party","first-party","x"]})")->loadType,
              (std::vector{LoadType::ThirdParty, LoadType::FirstParty}));
    EXPECT_EQ(trigger(R"({"url-filter":"","load-type":[null]})")->loadType, std::nullopt);
}

TEST(TriggerReader, IfDomainWinsAndABrokenOneFallsBackToUnlessDomain) {
    EXPECT_EQ(trigger(R"({"url-filter":"","if-domain":["a"],"unless-domain":["b"]})")->domainFilter,
              (DomainFilter{DomainFilterType::IfDomain, {"a"}}));
    EXPECT_EQ(trigger(R"({"url-filter":"","if-domain":["a",1],"unless-domain":["b"]})")->domainFilter,
              (DomainFilter{DomainFilterType::UnlessDomain, {"b"}}));
    EXPECT_EQ(trigger(R"({"url-filter":"","if-domain":[],"unless-domain":["b"]})")->domainFilter,
              (DomainFilter{DomainFilterType::IfDomain, {}}));
    EXPECT_EQ(trigger(R"({"url-filter":"","if-domain":"a","unless-domain":{}})")->domainFilter, std::nullopt);
}

TEST(TriggerReader, CaseSensitivityIsABooleanThatDefaultsToFalse) {
    EXPECT_FALSE(trigger(R"({"url-filter":"","url-filter-is-case-sensitive":false})")->caseSensitive);
    EXPECT_FALSE(trigger(R"({"url-filter":"","url-filter-is-case-sensitive":"true"})")->caseSensitive);
    EXPECT_FALSE(trigger(R"({"url-filter":"","url-filter-is-case-sensitive":null})")->caseSensitive);
    EXPECT_TRUE(trigger(R"({"url-filter":"","url-filter-is-case-sensitive":1})")->caseSensitive);
}

TEST(TriggerReader, MissingOrNonStringUrlFilterFailsWithItsLogLine) {
    for (const char* text : {R"({})", R"({"url-filter":null})", R"({"url-filter":7})", R"([])", R"("ads")"}) {
        LogCapture capture;
        EXPECT_FALSE(trigger(text)) << text;
        EXPECT_EQ(capture.lines(), Lines{"url-filter is empty"}) << text;
    }
}

TEST(ActionReader, TypeMustMatchExactlyAndSelectorIsTakenAsRead) {
    EXPECT_EQ(actionFromJSON(parsed(R"({"type":"css-display-none","selector":"div"})")),
              (Action{ActionType::Hide, "div"}));
    // The reader does not apply the strict constructor.
    EXPECT_EQ(actionFromJSON(parsed(R"({"type":"css-display-none"})")), (Action{ActionType::Hide, std::nullopt}));
    EXPECT_EQ(actionFromJSON(parsed(R"({"type":"block","selector":"div"})")), (Action{ActionType::Block, "div"}));
    EXPECT_EQ(actionFromJSON(parsed(R"({"type":"make-https","selector":5})")),
              (Action{ActionType::makeHttps, std::nullopt}));

    for (const char* text : {R"({"type":"Block"})", R"({"type":"hide"})", R"({})", R"({"type":1})", R"(null)"}) {
        LogCapture capture;
        EXPECT_FALSE(actionFromJSON(parsed(text))) << text;
        EXPECT_EQ(capture.lines(), Lines{"action type is empty"}) << text;
    }
}

TEST(RuleReader, SkipsAnUnreadableTriggerWithItsLogLinesAndKeepsTheRest) {
    LogCapture capture;
    auto rules = readRules(std::string("[") + R"({"id":"x","content":{"action":{"type":"block"}}},)" + kGoodRule + "]");
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].id, "good");
    EXPECT_EQ(capture.lines(), (Lines{"url-filter is empty", "trigger init failed", "blocker init failed"}));
}

TEST(RuleReader, SkipsAnUnreadableActionWithItsLogLines) {
    for (const char* action : {R"("action":{"type":"Block"})", R"("action":{"type":"hide"})", R"("x":1)"}) {
        LogCapture capture;
        auto rules =
            readRules(std::string(R"([{"content":{"trigger":{"url-filter":"a"},)") + action + "}}, " + kGoodRule + "]");
        EXPECT_EQ(rules.size(), 1u) << action;
        EXPECT_EQ(capture.lines(), (Lines{"action type is empty", "action init failed", "blocker init failed"}))
            << action;
    }
}

TEST(RuleReader, TriggerIsReadBeforeActionSoOnlyItsFailureIsLogged) {
    LogCapture capture;
    EXPECT_FALSE(ruleFromJSON(parsed(R"({"content":{"trigger":{},"action":{}}})")));
    EXPECT_EQ(capture.lines(), (Lines{"url-filter is empty", "trigger init failed", "blocker init failed"}));
}

TEST(RuleReader, MissingIdGetsAFreshUuidEachReadAndMissingNameIsEmpty) {
    const char* text = R"({"id":5,"name":["x"],"content":{"trigger":{"url-filter":"a"},"action":{"type":"block"}}})";
    auto first = ruleFromJSON(parsed(text));
    auto second = ruleFromJSON(parsed(text));
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(isUpperCaseUUID(first->id)) << first->id;
    EXPECT_TRUE(isUpperCaseUUID(second->id)) << second->id;
    EXPECT_NE(first->id, second->id);
    EXPECT_EQ(first->name, "");
    EXPECT_EQ(first->blocker, (Blocker{Trigger{"a", false, {}, {}, {}}, Action{ActionType::Block, {}}}));
}

TEST(PackageReader, ReadsFieldsAndDefaultsMissingOnes) {
    auto package = packageFromJSON(parsed(std::string(R"({"id":"p","name":"P","rules":[)") + kGoodRule + "]}"));
    ASSERT_TRUE(package);
    EXPECT_EQ(package->id, "p");
    EXPECT_EQ(package->name, "P");
    ASSERT_EQ(package->rules.size(), 1u);
    EXPECT_EQ(package->rules[0].name, "Good");

    auto bare = packageFromJSON(parsed("{}"));
    ASSERT_TRUE(bare);
    EXPECT_TRUE(isUpperCaseUUID(bare->id));
    EXPECT_NE(bare->id, packageFromJSON(parsed("{}"))->id);
    EXPECT_EQ(bare->name, "");
    EXPECT_TRUE(bare->rules.empty());

    EXPECT_TRUE(packageFromJSON(parsed(R"({"id":"p","rules":"none"})"))->rules.empty());
    EXPECT_FALSE(packageFromJSON(parsed("[]")));
}

TEST(PackageReader, ListKeepsEveryPackageObjectInOrderEvenWithoutReadableRules) {
    LogCapture capture;
    auto packages = packagesFromJSON(parsed(R"([{"id":"a","rules":[{"content":{}}]}, 3, "x", null, {"id":"b"}])"));
    ASSERT_EQ(packages.size(), 2u);
    EXPECT_EQ(packages[0].id, "a");
    EXPECT_TRUE(packages[0].rules.empty());
    EXPECT_EQ(packages[1].id, "b");
    EXPECT_EQ(capture.lines(), (Lines{"url-filter is empty", "trigger init failed", "blocker init failed"}));

    EXPECT_TRUE(packagesFromJSON(parsed(R"({"id":"a"})")).empty());
    EXPECT_TRUE(rulesFromJSON(parsed(R"({"id":"a"})")).empty());
}

TEST(PackageReader, TheFirstMemberOfANameCountsWhateverItHolds) {
    LogCapture capture;
    auto packages = packagesFromJSON(parsed(R"([
        {"id":"first","id":"second","name":7,"name":"ignored","rules":[
            {"id":"r1","content":{"trigger":{"url-filter":"a","url-filter":"b","resource-type":["image"],
                                             "resource-type":["script"],"if-domain":"x","if-domain":["y"]},
                                  "action":{"type":"block","type":"css-display-none"}},
             "content":{"trigger":{"url-filter":"c"},"action":{"type":"block"}}},
            {"id":"r2","content":{"trigger":"none","trigger":{"url-filter":"d"},"action":{"type":"block"}}}
        ],"rules":[{"id":"r3","content":{"trigger":{"url-filter":"e"},"action":{"type":"block"}}}]}
    ])"));
    ASSERT_EQ(packages.size(), 1u);
    EXPECT_EQ(packages[0].id, "first");
    EXPECT_EQ(packages[0].name, "");
    ASSERT_EQ(packages[0].rules.size(), 1u);
    const Trigger& trigger = packages[0].rules[0].blocker.trigger;
    EXPECT_EQ(trigger.urlFilter, "a");
    EXPECT_EQ(trigger.resourceTypes, std::vector{ResourceType::Image});
    EXPECT_EQ(trigger.domainFilter, std::nullopt);
    EXPECT_EQ(packages[0].rules[0].blocker.action, (Action{ActionType::Block, std::nullopt}));
    EXPECT_EQ(capture.lines(), (Lines{"url-filter is empty", "trigger init failed", "blocker init failed"}));
}

TEST(PackageReader, NothingOfOneRuleCarriesOverToTheNext) {
    auto rules = readRules(R"([
        {"id":"full","name":"Full","content":{"trigger":{"url-filter":"a","url-filter-is-case-sensitive":true,
            "resource-type":["image"],"load-type":["third-party"],"unless-domain":["x"]},
            "action":{"type":"css-display-none","selector":"div"}}},
        {"content":{"trigger":{"url-filter":"b"},"action":{"type":"block"}}},
        {"content":{"trigger":{"url-filter":"c","if-domain":["y",1],"unless-domain":["z"]},"action":{"type":"block"}}}
    ])");
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_TRUE(isUpperCaseUUID(rules[1].id)) << rules[1].id;
    EXPECT_EQ(rules[1].name, "");
    EXPECT_EQ(rules[1].blocker, (Blocker{Trigger{"b", false, {}, {}, {}}, Action{ActionType::Block, {}}}));
    EXPECT_EQ(rules[2].blocker.trigger.domainFilter, (DomainFilter{DomainFilterType::UnlessDomain, {"z"}}));
}
