#include "model/HiddenConditions.h"
#include "model/RuleBuilders.h"
#include "platform/ShownMessages.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

// A rule read from a list: conditions and values that no editor offers.
Rule imported(ActionType action, std::optional<std::string> selector = std::nullopt) {
    Trigger trigger;
    trigger.urlFilter = "tracker\\.";
    trigger.caseSensitive = false;
    trigger.resourceTypes = std::vector{ResourceType::ChildDocument, ResourceType::Script};
    trigger.loadType = std::vector{LoadType::ThirdParty};
    trigger.frameURLFilter = FrameURLFilter{FrameURLFilterType::IfFrameURL, {"ads/"}};
    trigger.frameURLFilterCaseSensitive = true;
    trigger.loadContext = std::vector{LoadContext::ChildFrame};
    trigger.requestMethod = "GET";
    return Rule{"R", "Imported", Blocker{trigger, Action{action, std::move(selector)}}};
}

} // namespace

TEST(HiddenConditions, EachEditorKeepsWhatItHasNoControlFor) {
    const Rule block = imported(ActionType::Block);
    // The URL editor shows Script selected and changes the url filter and load type; child-document has no segment.
    auto url = withHiddenConditions(ConfigurablePackageType::BlockURL, block,
                                    *buildURLRule("ads", {ResourceType::Script, ResourceType::Image},
                                                  LoadType::FirstParty, std::nullopt, "R", "Edited"));
    ASSERT_TRUE(url);
    Trigger expected = block.blocker.trigger;
    expected.urlFilter = "ads";
    expected.resourceTypes = std::vector{ResourceType::ChildDocument, ResourceType::Script, ResourceType::Image};
    expected.loadType = std::vector{LoadType::FirstParty};
    EXPECT_EQ(url->blocker.trigger, expected);
    EXPECT_EQ(url->name, "Edited");

    // Nothing selected means every type the editor shows; the hidden type stays.
    auto none = withHiddenConditions(ConfigurablePackageType::BlockURL, block,
                                     *buildURLRule("ads", {}, std::nullopt, std::nullopt, "R", std::nullopt));
    EXPECT_EQ(none->blocker.trigger.resourceTypes, std::vector{ResourceType::ChildDocument});

    const Rule hide = imported(ActionType::Hide, ".ad");
    auto css = withHiddenConditions(ConfigurablePackageType::HideElements, hide,
                                    *buildCSSRule(".banner", DomainFilter{DomainFilterType::IfDomain, {"a.example"}},
                                                  "R", std::nullopt));
    ASSERT_FALSE(css) << "a frame condition and a domain filter cannot go together";

    auto plainHide = withHiddenConditions(ConfigurablePackageType::HideElements, hide,
                                          *buildCSSRule(".banner", std::nullopt, "R", std::nullopt));
    ASSERT_TRUE(plainHide);
    expected = hide.blocker.trigger;
    EXPECT_EQ(plainHide->blocker, (Blocker{expected, Action{ActionType::Hide, ".banner"}}));

    Rule cookies = imported(ActionType::BlockCookies);
    cookies.blocker.trigger.frameURLFilter.reset();
    auto cookie = withHiddenConditions(
        ConfigurablePackageType::BlockCookies, cookies,
        *buildCookiesRule(std::nullopt, DomainFilter{DomainFilterType::UnlessDomain, {"a.example"}}, "R", "C"));
    ASSERT_TRUE(cookie);
    expected = cookies.blocker.trigger;
    expected.loadType = std::vector<LoadType>{};
    expected.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, {"a.example"}};
    EXPECT_EQ(cookie->blocker.trigger, expected);

    // The exemption editor keeps the url filter and whether the domains are if- or unless-domains.
    Rule exemption = imported(ActionType::IgnorePreviousRules);
    exemption.blocker.trigger.frameURLFilter.reset();
    exemption.blocker.trigger.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, {"a.example"}};
    auto whitelist = withHiddenConditions(ConfigurablePackageType::Whitelist, exemption,
                                          *buildWhitelistRule({"b.example"}, "R", std::nullopt));
    ASSERT_TRUE(whitelist);
    expected = exemption.blocker.trigger;
    expected.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, {"b.example"}};
    EXPECT_EQ(whitelist->blocker.trigger, expected);
}

TEST(HiddenConditions, ARuleAnEditorMadeComesOutAsBuilt) {
    const Rule stored = *buildURLRule("ads", {ResourceType::Script}, LoadType::ThirdParty,
                                      DomainFilter{DomainFilterType::IfDomain, {"a.example"}}, "R", std::nullopt);
    const Rule edited = *buildURLRule("ads2", {ResourceType::Image}, std::nullopt, std::nullopt, "R", "Two");
    EXPECT_EQ(withHiddenConditions(ConfigurablePackageType::BlockURL, stored, edited), edited);

    const Rule https = *buildMakeHttpsRule({"a.example"}, "H", std::nullopt);
    const Rule moved = *buildMakeHttpsRule({"b.example", "c.example"}, "H", std::nullopt);
    EXPECT_EQ(withHiddenConditions(ConfigurablePackageType::makeHttps, https, moved), moved);

    ShownMessages shown;
    Rule onPages = https;
    onPages.blocker.trigger.domainFilter.reset();
    onPages.blocker.trigger.topURLFilter = TopURLFilter{TopURLFilterType::IfTopURL, {"https://.*"}};
    EXPECT_FALSE(withHiddenConditions(ConfigurablePackageType::makeHttps, onPages, moved));
    ASSERT_EQ(shown.messages().size(), 1u);
    EXPECT_TRUE(shown.messages()[0].warning);
}
