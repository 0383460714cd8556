#include "model/JsonEncoding.h"
#include "support/Json.h"

#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::parsed;

namespace {

template <typename Record>
JsonDocument encoded(const Record& record) {
    auto text = toJSONString(record);
    EXPECT_TRUE(text) << "record did not encode";
    return parsed(text.value_or("null"));
}

Rule sampleRule() {
    Trigger trigger;
    trigger.urlFilter = "ads";
    trigger.caseSensitive = true;
    trigger.resourceTypes = std::vector{ResourceType::SVG, ResourceType::StyleSheet};
    trigger.loadType = std::vector{LoadType::ThirdParty};
    trigger.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, {"*B.example", "a.example"}};
    return Rule{"R1", "Block ads", Blocker{trigger, Action{ActionType::Hide, "div.ad"}}};
}

} // namespace

TEST(JsonEncoding, TriggerWritesOnlyTheKeysItHas) {
    Trigger bare;
    bare.urlFilter = "x";
    EXPECT_EQ(encoded(bare), parsed(R"({"url-filter":"x"})"));

    Trigger full = sampleRule().blocker.trigger;
    EXPECT_EQ(encoded(full), parsed(R"({"url-filter":"ads","url-filter-is-case-sensitive":true,
        "resource-type":["svg-document","style-sheet"],"load-type":["third-party"],
        "unless-domain":["*B.example","a.example"]})"));

    full.domainFilter->type = DomainFilterType::IfDomain;
    JsonDocument ifDomain = encoded(full);
    EXPECT_TRUE(ifDomain.HasMember("if-domain"));
    EXPECT_FALSE(ifDomain.HasMember("unless-domain"));
}

// Files written before rules could carry more must come out byte for byte the same, and the
// keys WebKit reads besides follow after the old ones.
TEST(JsonEncoding, OldRulesAreWrittenAsBeforeAndEveryOtherConditionAfterThem) {
    EXPECT_EQ(toJSONString(sampleRule()),
              R"({"id":"R1","name":"Block ads","content":{"trigger":{"url-filter":"ads",)"
              R"("url-filter-is-case-sensitive":true,"resource-type":["svg-document","style-sheet"],)"
              R"("load-type":["third-party"],"unless-domain":["*B.example","a.example"]},)"
              R"("action":{"type":"css-display-none","selector":"div.ad"}}})");

    Trigger top;
    top.urlFilter = "http://.*";
    top.resourceTypes = std::vector{ResourceType::Ping, ResourceType::CSPReport, ResourceType::TopDocument};
    top.topURLFilter = TopURLFilter{TopURLFilterType::IfTopURL, {"https://.*"}};
    top.topURLFilterCaseSensitive = true;
    top.frameURLFilterCaseSensitive = true;
    top.loadContext = std::vector{LoadContext::TopFrame, LoadContext::ChildFrame};
    top.requestMethod = "Get";
    EXPECT_EQ(toJSONString(top),
              R"({"url-filter":"http://.*","resource-type":["ping","csp-report","top-document"],)"
              R"("top-url-filter-is-case-sensitive":true,"if-top-url":["https://.*"],)"
              R"("frame-url-filter-is-case-sensitive":true,"load-context":["top-frame","child-frame"],)"
              R"("request-method":"Get"})");

    Trigger frame;
    frame.urlFilter = ".*";
    frame.frameURLFilter = FrameURLFilter{FrameURLFilterType::UnlessFrameURL, {"a", "b"}};
    EXPECT_EQ(encoded(frame), parsed(R"({"url-filter":".*","unless-frame-url":["a","b"]})"));
    frame.frameURLFilter->type = FrameURLFilterType::IfFrameURL;
    frame.topURLFilter = TopURLFilter{TopURLFilterType::UnlessTopURL, {}};
    EXPECT_EQ(encoded(frame), parsed(R"({"url-filter":".*","unless-top-url":[],"if-frame-url":["a","b"]})"));
}

TEST(JsonEncoding, PresentEmptyListsAreWrittenAndAbsentOnesAreNot) {
    Trigger trigger;
    trigger.urlFilter = ".*";
    trigger.loadType = std::vector<LoadType>{};
    EXPECT_EQ(encoded(trigger), parsed(R"({"url-filter":".*","load-type":[]})"));
}

TEST(JsonEncoding, ActionWritesSelectorOnlyWhenPresent) {
    EXPECT_EQ(encoded(Action{ActionType::Hide, "div#links"}),
              parsed(R"({"type":"css-display-none","selector":"div#links"})"));
    EXPECT_EQ(encoded(Action{ActionType::IgnorePreviousRules, std::nullopt}),
              parsed(R"({"type":"ignore-previous-rules"})"));
    EXPECT_EQ(encoded(Action{ActionType::makeHttps, std::nullopt}), parsed(R"({"type":"make-https"})"));
}

TEST(JsonEncoding, StorageFormAlwaysWritesIdNameAndContent) {
    Rule rule = sampleRule();
    rule.name.clear();
    JsonDocument object = encoded(rule);
    EXPECT_EQ(object.MemberCount(), 3u);
    EXPECT_EQ(object["id"], parsed(R"("R1")"));
    EXPECT_EQ(object["name"], parsed(R"("")"));
    EXPECT_EQ(object["content"], encoded(rule.blocker));

    JsonDocument empty = encoded(Package{"P", "", {}});
    EXPECT_EQ(empty, parsed(R"({"id":"P","name":"","rules":[]})"));
}

TEST(JsonEncoding, ListsKeepTheirOrderAndTextIsCompact) {
    Rule rule = sampleRule();
    rule.name = "Blockads";
    Package first{"p1", "One", {rule}};
    Package second{"p2", "Two", {}};
    auto text = toJSONString(std::vector{first, second});
    ASSERT_TRUE(text);
    EXPECT_EQ(text->find_first_of(" \n\r\t"), std::string::npos) << *text;
    EXPECT_EQ(parsed(*text)[0]["id"], parsed(R"("p1")"));
    EXPECT_EQ(parsed(*text)[1]["id"], parsed(R"("p2")"));

    auto blockers = toJSONString(std::vector{sampleRule().blocker, Blocker{}});
    ASSERT_TRUE(blockers);
    EXPECT_EQ(parsed(*blockers)[1], parsed(R"({"trigger":{"url-filter":""},"action":{"type":"block"}})"));
}

TEST(JsonEncoding, StringsAreWrittenExactlyAndEscaped) {
    Trigger trigger;
    trigger.urlFilter = std::string("a\"b\\c\n\u00e9\0z", 10);
    trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, {"EXAMPLE.com"}};
    JsonDocument object = encoded(trigger);
    EXPECT_EQ(std::string(object["url-filter"].GetString(), object["url-filter"].GetStringLength()), trigger.urlFilter);
    EXPECT_EQ(object["if-domain"], parsed(R"(["EXAMPLE.com"])"));
}

TEST(JsonEncoding, InvalidUtf8GivesNoTextRatherThanBrokenJson) {
    Rule rule = sampleRule();
    rule.name = "bad \xff name";
    EXPECT_FALSE(toJSONString(rule));
}

TEST(JsonEncoding, BlockersWrittenInPiecesMakeTheSameTextAsAWhole) {
    std::vector<Blocker> blockers;
    for (int i = 0; i < 3000; ++i) {
        Blocker blocker = sampleRule().blocker;
        blocker.trigger.urlFilter = "ads-" + std::to_string(i) + "\"\\";
        blockers.push_back(blocker);
    }
    std::vector<const Blocker*> pointers;
    for (const auto& blocker : blockers) {
        pointers.push_back(&blocker);
    }
    std::vector<std::string> pieces;
    ASSERT_TRUE(writeJSON(pointers, [&](std::string_view piece) {
        pieces.emplace_back(piece);
        return true;
    }));
    ASSERT_GT(pieces.size(), 2u);
    std::string joined;
    for (const auto& piece : pieces) {
        EXPECT_LE(piece.size(), 80u * 1024u);
        joined += piece;
    }
    EXPECT_EQ(joined, toJSONString(blockers));

    std::size_t calls = 0;
    EXPECT_FALSE(writeJSON(pointers, [&](std::string_view) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2u) << "nothing is written after a refused piece";
    EXPECT_TRUE(writeJSON({}, [&](std::string_view piece) { return piece == "[]"; }));
}
