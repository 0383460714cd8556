#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/Log.h"
#include "support/Json.h"

#include "support/Present.h"

#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::parsed;

namespace {

std::string nested(std::size_t depth, std::string_view inner) {
    return std::string(depth, '[') + std::string(inner) + std::string(depth, ']');
}

} // namespace

TEST(HostileInput, NestingWhereRecordsBelongIsReadAsWrongType) {
    LogCapture capture;
    const std::size_t depth = kMaxJsonDepth - 6;
    auto packages = packagesFromJSON(parsed(R"([{"id":"p","rules":[{"content":{"trigger":)" + nested(depth, "1") +
                                            R"(,"action":)" + nested(depth, "{}") + R"(}}]}])"));
    ASSERT_EQ(packages.size(), 1u);
    EXPECT_TRUE(packages[0].rules.empty());
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"url-filter is empty", "trigger init failed", "blocker init failed"}));
}

TEST(HostileInput, TooDeepOrBrokenTextNeverReachesTheReaders) {
    EXPECT_FALSE(parseJson(R"([{"id":"p","rules":)" + nested(100000, "") + "}]"));
    EXPECT_FALSE(parseJson("[{\"id\":\"p\xc3\x28\",\"rules\":[]}]"));
    EXPECT_FALSE(parseJson("[{\"id\":\"\xed\xa0\x80\"}]")); // an encoded surrogate
    EXPECT_FALSE(parseJson("[{\"id\":\"p\",\"rules\":[]}"));
}

TEST(HostileInput, WrongTypesAroundARuleReadAsDefaultsAndInsideItSkipIt) {
    LogCapture capture;
    auto packages = packagesFromJSON(parsed(R"([
        {"id":{},"name":1.5,"rules":{"0":{}}},
        {"id":"p","name":"n","rules":[
            null, 7, "rule", [],
            {"content":[]},
            {"content":{"trigger":"ads","action":{"type":"block"}}},
            {"content":{"trigger":{"url-filter":"ads","url-filter-is-case-sensitive":[],
                                   "top-url-filter-is-case-sensitive":"yes"},
                        "action":{"type":"css-display-none","selector":{"a":1}}},
             "id":null,"name":false},
            {"content":{"trigger":{"url-filter":"ads","resource-type":{"a":"image"},"load-type":"first-party",
                                   "if-domain":{"a":1},"unless-domain":[true]},"action":{"type":"block"}}}
        ]}
    ])"));
    ASSERT_EQ(packages.size(), 2u);
    EXPECT_EQ(packages[0].name, "");
    EXPECT_TRUE(packages[0].rules.empty());
    ASSERT_EQ(packages[1].rules.size(), 1u);
    const Rule& rule = packages[1].rules[0];
    EXPECT_EQ(rule.blocker, (Blocker{Trigger{"ads", false, {}, {}, {}}, Action{ActionType::Hide, std::nullopt}}));
    EXPECT_EQ(rule.name, "");
    // Wrong types around a rule read as defaults; in what the rule matches they skip it.
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 7u * 3u);
    EXPECT_EQ(lines[18], "resource-type is not a list of strings");
}

TEST(HostileInput, HugeStringsAndManyElementsAreCarriedThrough) {
    const std::string huge(4 * 1024 * 1024, 'a');
    std::string rules;
    for (int i = 0; i < 2000; ++i) {
        rules += std::string(i ? "," : "") + R"({"content":{"trigger":{"url-filter":"x","if-domain":[)" +
                 (i == 0 ? "\"" + huge + "\"" : std::string("\"d\"")) + R"(]},"action":{"type":"block"}}})";
    }
    auto package = packageFromJSON(parsed(R"({"id":")" + huge + R"(","rules":[)" + rules + "]}"));
    ASSERT_TRUE(package);
    EXPECT_EQ(package->id, huge);
    ASSERT_EQ(package->rules.size(), 2000u);
    EXPECT_EQ(package->rules[0].blocker.trigger.domainFilter->values, std::vector{huge});
    auto text = toJSONString(*package);
    ASSERT_TRUE(text);
    EXPECT_EQ(test::present(packageFromJSON(parsed(*text))).id, huge);
}

TEST(HostileInput, EscapedControlAndNulCharactersStayInTheStrings) {
    auto rule = ruleFromJSON(parsed(R"({"id":"a\u0000b","content":{"trigger":{"url-filter":"\n\t"},
                                       "action":{"type":"block"}}})"));
    ASSERT_TRUE(rule);
    EXPECT_EQ(rule->id, std::string("a\0b", 3));
    EXPECT_EQ(rule->blocker.trigger.urlFilter, "\n\t");
    auto text = toJSONString(*rule);
    ASSERT_TRUE(text);
    EXPECT_EQ(ruleFromJSON(parsed(*text)), rule);
}
