#include "model/JsonDecoding.h"
#include "platform/Log.h"
#include "support/Json.h"

#include "support/Present.h"

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

TEST(TriggerReader, ReadsEveryConditionWebKitKnows) {
    auto top = trigger(R"({"url-filter":"http://.*","if-top-url":["https://.*"],"top-url-filter-is-case-sensitive":true,
        "resource-type":["image","media","fetch","websocket","other","ping","csp-report","child-document",
        "top-document"],"load-context":["child-frame"],"request-method":"POST"})");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->topURLFilter, (TopURLFilter{TopURLFilterType::IfTopURL, {"https://.*"}}));
    EXPECT_TRUE(top->topURLFilterCaseSensitive);
    EXPECT_FALSE(top->frameURLFilterCaseSensitive);
    EXPECT_EQ(top->resourceTypes,
              (std::vector{ResourceType::Image, ResourceType::Media, ResourceType::Fetch, ResourceType::WebSocket,
                           ResourceType::Other, ResourceType::Ping, ResourceType::CSPReport,
                           ResourceType::ChildDocument, ResourceType::TopDocument}));
    EXPECT_EQ(top->loadContext, std::vector{LoadContext::ChildFrame});
    EXPECT_EQ(top->requestMethod, "POST");

    auto frame = trigger(R"({"url-filter":".*","unless-frame-url":["iframe\\.html"],
        "frame-url-filter-is-case-sensitive":true})");
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->frameURLFilter, (FrameURLFilter{FrameURLFilterType::UnlessFrameURL, {"iframe\\.html"}}));
    EXPECT_TRUE(frame->frameURLFilterCaseSensitive);
    EXPECT_EQ(test::present(trigger(R"({"url-filter":"","unless-top-url":["a"]})")).topURLFilter,
              (TopURLFilter{TopURLFilterType::UnlessTopURL, {"a"}}));
    EXPECT_EQ(test::present(trigger(R"({"url-filter":"","if-frame-url":["a"]})")).frameURLFilter,
              (FrameURLFilter{FrameURLFilterType::IfFrameURL, {"a"}}));
}

// Dropping an unknown name or a broken list would leave a rule that applies more widely than
// written (an empty resource-type list means every type), so the rule is not read at all.
TEST(TriggerReader, WhatItCannotCarryMakesItReadNothingWithALineNamingIt) {
    EXPECT_EQ(test::present(trigger(R"({"url-filter":"","resource-type":[]})")).resourceTypes, std::vector<ResourceType>{});
    EXPECT_EQ(test::present(trigger(R"({"url-filter":"","load-type":["third-party","first-party"]})")).loadType,
              (std::vector{LoadType::ThirdParty, LoadType::FirstParty}));
    const std::pair<const char*, const char*> refused[] = {
        {R"("resource-type":["image","unknown"])", R"(unknown resource-type "unknown")"},
        {R"("resource-type":["Image"])", R"(unknown resource-type "Image")"},
        {R"("resource-type":["image",3])", "resource-type is not a list of strings"},
        {R"("resource-type":"image")", "resource-type is not a list of strings"},
        {R"("load-type":[null])", "load-type is not a list of strings"},
        {R"("load-type":["top-frame"])", R"(unknown load-type "top-frame")"},
        {R"("load-context":["first-party"])", R"(unknown load-context "first-party")"},
        {R"("if-frame-url":"a")", "if-frame-url is not a list of strings"},
        {R"("request-method":"fetch")", R"(unknown request-method "fetch")"},
        {R"("request-method":["get"])", "request-method is not a string"},
        {R"("if-domain":["a"],"unless-domain":["b"])",
         "more than one of if-domain, unless-domain, if-top-url, unless-top-url, if-frame-url and unless-frame-url"},
        {R"("if-domain":["a"],"if-top-url":["b"])",
         "more than one of if-domain, unless-domain, if-top-url, unless-top-url, if-frame-url and unless-frame-url"},
        {R"("if-domain":["a",1],"unless-domain":["b"])", "if-domain is not a list of strings"},
        {R"("if-dommain":["a"])", R"(unknown trigger key "if-dommain")"},
        {R"("redirect":{"url":"https://a.example/"})", R"(unknown trigger key "redirect")"},
    };
    for (const auto& [members, line] : refused) {
        LogCapture capture;
        EXPECT_FALSE(trigger(std::string(R"({"url-filter":"",)") + members + "}")) << members;
        EXPECT_EQ(capture.lines(), Lines{line}) << members;
    }
}

TEST(TriggerReader, CaseSensitivityIsABooleanThatDefaultsToFalse) {
    EXPECT_FALSE(test::present(trigger(R"({"url-filter":"","url-filter-is-case-sensitive":false})")).caseSensitive);
    EXPECT_FALSE(test::present(trigger(R"({"url-filter":"","url-filter-is-case-sensitive":"true"})")).caseSensitive);
    EXPECT_FALSE(test::present(trigger(R"({"url-filter":"","url-filter-is-case-sensitive":null})")).caseSensitive);
    EXPECT_TRUE(test::present(trigger(R"({"url-filter":"","url-filter-is-case-sensitive":1})")).caseSensitive);
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

    for (const char* text : {R"({})", R"({"type":1})", R"(null)"}) {
        LogCapture capture;
        EXPECT_FALSE(actionFromJSON(parsed(text))) << text;
        EXPECT_EQ(capture.lines(), Lines{"action type is empty"}) << text;
    }
    for (const char* type : {"Block", "hide", "notify"}) {
        LogCapture capture;
        EXPECT_FALSE(actionFromJSON(parsed(std::string(R"({"type":")") + type + "\"}"))) << type;
        EXPECT_EQ(capture.lines(),
                  (Lines{"unknown action type \"" + std::string(type) + "\"", "action type is empty"}));
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
    LogCapture capture;
    auto rules = readRules(std::string(R"([{"content":{"trigger":{"url-filter":"a"},"x":1}}, )") + kGoodRule + "]");
    EXPECT_EQ(rules.size(), 1u);
    EXPECT_EQ(capture.lines(), (Lines{"action type is empty", "action init failed", "blocker init failed"}));
}

TEST(RuleReader, SkippedRulesAreCountedByWhatTheReaderMet) {
    LogCapture capture;
    SkippedRules skipped;
    auto rules = rulesFromJSON(parsed(std::string("[") +
                                      R"({"content":{"trigger":{"url-filter":"a"},"action":{"type":"notify"}}},
        {"content":{"trigger":{"url-filter":"b","if-top-url":["x"],"x-key":1},"action":{"type":"block"}}},
        {"content":{"trigger":{"url-filter":"c"},"action":{"type":"notify"}}},
        {"content":{"trigger":{},"action":{"type":"block"}}},)" +
                                      kGoodRule + "]"),
                               &skipped);
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(capture.lines(),
              (Lines{R"(unknown action type "notify")", "action type is empty", "action init failed",
                     "blocker init failed", R"(unknown trigger key "x-key")", "trigger init failed",
                     "blocker init failed", R"(unknown action type "notify")", "action type is empty",
                     "action init failed", "blocker init failed", "url-filter is empty", "trigger init failed",
                     "blocker init failed"}));
    EXPECT_EQ(skipped.count(), 4u);
    EXPECT_EQ(skipped.summary(), R"(4 rules could not be read and were left out: unknown action type "notify" (2), )"
                                 R"(unknown trigger key "x-key" (1), no url-filter (1))");

    // What a file names is shortened, so a hostile key cannot fill the message.
    SkippedRules one;
    rulesFromJSON(parsed(R"([{"content":{"trigger":{"url-filter":"a",")" + std::string(60, 'k') +
                         R"(":1},"action":{"type":"block"}}}])"),
                  &one);
    EXPECT_EQ(one.summary(), "1 rule could not be read and was left out: unknown trigger key \"" +
                                 std::string(40, 'k') + "…\"");
}

TEST(BlockerListReader, ReadsEntriesInOrderAndCountsTheOnesItSkips) {
    LogCapture capture;
    SkippedRules skipped;
    auto blockers = blockersFromJSON(parsed(R"([
        {"trigger":{"url-filter":"a","if-frame-url":["f"]},"action":{"type":"block"},"id":"ignored"},
        7,
        {"trigger":{"url-filter":"b"},"action":{"type":"css-display-none","selector":"#ad"}},
        {"trigger":{"url-filter":"c","resource-type":["beacon"]},"action":{"type":"block"}}
    ])"),
                                     &skipped);
    ASSERT_EQ(blockers.size(), 2u);
    EXPECT_EQ(blockers[0].trigger.frameURLFilter, (FrameURLFilter{FrameURLFilterType::IfFrameURL, {"f"}}));
    EXPECT_EQ(blockers[1].action, (Action{ActionType::Hide, "#ad"}));
    EXPECT_EQ(skipped.count(), 2u);
    EXPECT_EQ(skipped.reasons().front().first, "entry is not an object");
    EXPECT_EQ(capture.lines().front(), "entry is not an object");
    EXPECT_TRUE(blockersFromJSON(parsed(R"({"trigger":{"url-filter":"a"},"action":{"type":"block"}})")).empty());
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
    EXPECT_NE(bare->id, test::present(packageFromJSON(parsed("{}"))).id);
    EXPECT_EQ(bare->name, "");
    EXPECT_TRUE(bare->rules.empty());

    EXPECT_TRUE(test::present(packageFromJSON(parsed(R"({"id":"p","rules":"none"})"))).rules.empty());
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
                                             "resource-type":["script"],"if-domain":["x"],"if-domain":"y"},
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
    EXPECT_EQ(trigger.domainFilter, (DomainFilter{DomainFilterType::IfDomain, {"x"}}));
    EXPECT_EQ(packages[0].rules[0].blocker.action, (Action{ActionType::Block, std::nullopt}));
    EXPECT_EQ(capture.lines(), (Lines{"url-filter is empty", "trigger init failed", "blocker init failed"}));
}

TEST(PackageReader, NothingOfOneRuleCarriesOverToTheNext) {
    auto rules = readRules(R"([
        {"id":"full","name":"Full","content":{"trigger":{"url-filter":"a","url-filter-is-case-sensitive":true,
            "resource-type":["image"],"load-type":["third-party"],"unless-domain":["x"]},
            "action":{"type":"css-display-none","selector":"div"}}},
        {"content":{"trigger":{"url-filter":"b"},"action":{"type":"block"}}},
        {"content":{"trigger":{"url-filter":"c","unless-domain":["z"]},"action":{"type":"block"}}}
    ])");
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_TRUE(isUpperCaseUUID(rules[1].id)) << rules[1].id;
    EXPECT_EQ(rules[1].name, "");
    EXPECT_EQ(rules[1].blocker, (Blocker{Trigger{"b", false, {}, {}, {}}, Action{ActionType::Block, {}}}));
    EXPECT_EQ(rules[2].blocker.trigger.domainFilter, (DomainFilter{DomainFilterType::UnlessDomain, {"z"}}));
}
