#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/Log.h"
#include "support/Json.h"

#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::parsed;

namespace {

Package readBack(const Package& package) {
    auto text = toJSONString(package);
    EXPECT_TRUE(text);
    auto read = packageFromJSON(parsed(text.value_or("{}")));
    EXPECT_TRUE(read);
    return read.value_or(Package{});
}

Trigger triggerWith(std::optional<std::vector<ResourceType>> types, std::optional<std::vector<LoadType>> loads,
                    std::optional<DomainFilter> filter) {
    return Trigger{"^https?://([^/]+\\.)?ads\\.example[:/]", true, std::move(types), std::move(loads),
                   std::move(filter)};
}

} // namespace

TEST(JsonRoundTrip, EveryKindOfRuleComesBackEqual) {
    Package package{"4F1C5D2A-0000-4000-8000-000000000001", "Mixed \"quotes\" and ünïcode ✓", {}};
    package.rules.push_back(
        {"r1",
         "url",
         {triggerWith(std::vector{ResourceType::Script, ResourceType::Popup}, std::vector{LoadType::ThirdParty},
                      DomainFilter{DomainFilterType::UnlessDomain, {"*a.example", "b.example"}}),
          Action{ActionType::Block, std::nullopt}}});
    package.rules.push_back({"r2", "", {Trigger{".*", false, {}, {}, {}}, Action{ActionType::BlockCookies, {}}}});
    package.rules.push_back({"r3",
                             "hide",
                             {triggerWith({}, {}, DomainFilter{DomainFilterType::IfDomain, {"c.example"}}),
                              Action{ActionType::Hide, "div[class^='ad'] > a"}}});
    package.rules.push_back({"r4",
                             "white",
                             {triggerWith({}, {}, DomainFilter{DomainFilterType::IfDomain, {"localhost"}}),
                              Action{ActionType::IgnorePreviousRules, {}}}});
    // The reader keeps what it reads, so a selector on a non-hide action survives too.
    package.rules.push_back({"r5", "https", {triggerWith({}, {}, {}), Action{ActionType::makeHttps, "kept"}}});
    Trigger conditions = triggerWith(std::vector{ResourceType::ChildDocument, ResourceType::WebSocket}, {}, {});
    conditions.frameURLFilter = FrameURLFilter{FrameURLFilterType::IfFrameURL, {"iframe\\.html"}};
    conditions.frameURLFilterCaseSensitive = true;
    conditions.loadContext = std::vector{LoadContext::ChildFrame};
    conditions.requestMethod = "post";
    package.rules.push_back({"r6", "frame", {conditions, Action{ActionType::Block, {}}}});
    conditions.frameURLFilter.reset();
    conditions.topURLFilter = TopURLFilter{TopURLFilterType::UnlessTopURL, {"^https://"}};
    conditions.topURLFilterCaseSensitive = true;
    package.rules.push_back({"r7", "page", {conditions, Action{ActionType::makeHttps, {}}}});

    LogCapture capture;
    EXPECT_EQ(readBack(package), package);
    EXPECT_TRUE(capture.lines().empty());
}

TEST(JsonRoundTrip, PresentEmptyListsSurviveBecauseTheyAreWrittenAsEmptyArrays) {
    Package package{"p",
                    "n",
                    {{"r",
                      "cookies",
                      {triggerWith(std::vector<ResourceType>{}, std::vector<LoadType>{}, {}),
                       Action{ActionType::BlockCookies, {}}}}}};
    EXPECT_EQ(readBack(package), package);
}
