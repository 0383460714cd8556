#include "model/Description.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

// A rule put together field by field: a Block rule with url filter "ads" unless told otherwise.
class Shape {
public:
    Shape& action(ActionType type) {
        rule_.blocker.action.type = type;
        return *this;
    }
    Shape& urlFilter(std::string text) {
        rule_.blocker.trigger.urlFilter = std::move(text);
        return *this;
    }
    Shape& resourceTypes(std::vector<ResourceType> types) {
        rule_.blocker.trigger.resourceTypes = std::move(types);
        return *this;
    }
    Shape& loadType(std::vector<LoadType> types) {
        rule_.blocker.trigger.loadType = std::move(types);
        return *this;
    }
    Shape& ifDomain(std::vector<std::string> domains) {
        rule_.blocker.trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, std::move(domains)};
        return *this;
    }
    Shape& unlessDomain(std::vector<std::string> domains) {
        rule_.blocker.trigger.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, std::move(domains)};
        return *this;
    }
    Shape& selector(std::string text) {
        rule_.blocker.action.selector = std::move(text);
        return *this;
    }
    Trigger& trigger() { return rule_.blocker.trigger; }
    std::string description() const { return descriptionText(rule_); }

private:
    Rule rule_{"id", "name", Blocker{Trigger{"ads", true, {}, {}, {}}, Action{}}};
};

} // namespace

TEST(Description, BlockRules) {
    EXPECT_EQ(Shape().description(),
              "Abort loading resources of any type where the resource's URL matches the pattern: ads");
    EXPECT_EQ(Shape()
                  .resourceTypes({ResourceType::Script, ResourceType::Image})
                  .loadType({LoadType::ThirdParty})
                  .ifDomain({"a.example", "b.example"})
                  .description(),
              "Abort loading third-party resources (script, image) where the resource's URL matches the pattern: ads"
              "\nThe blocker only applies for a.example, b.example.");
    EXPECT_EQ(Shape().resourceTypes({}).loadType({}).description(),
              "Abort loading resources of any type where the resource's URL matches the pattern: ads");
    // Stored order, duplicates kept, text forms of the model.
    EXPECT_EQ(Shape()
                  .urlFilter("")
                  .resourceTypes({ResourceType::StyleSheet, ResourceType::SVG, ResourceType::StyleSheet})
                  .unlessDomain({"b", "a", "b"})
                  .description(),
              "Abort loading resources (style-sheet, svg-document, style-sheet) where the resource's URL matches the "
              "pattern: \nThe blocker only applies outside of b, a, b.");
}

TEST(Description, LoadTypePhrase) {
    const auto cookies = [](std::vector<LoadType> types) {
        return Shape().action(ActionType::BlockCookies).urlFilter(".*").loadType(std::move(types)).description();
    };
    EXPECT_EQ(cookies({LoadType::FirstParty, LoadType::ThirdParty}),
              "Ignore all first-party and third-party cookies when sending outgoing requests.");
    EXPECT_EQ(cookies({LoadType::ThirdParty, LoadType::FirstParty, LoadType::ThirdParty}),
              "Ignore all first-party and third-party cookies when sending outgoing requests.");
    EXPECT_EQ(cookies({LoadType::FirstParty, LoadType::FirstParty}),
              "Ignore all first-party cookies when sending outgoing requests.");
    EXPECT_EQ(cookies({LoadType::ThirdParty}), "Ignore all third-party cookies when sending outgoing requests.");
    EXPECT_EQ(cookies({}), "Ignore all cookies when sending outgoing requests.");
}

TEST(Description, CookieRules) {
    EXPECT_EQ(Shape().action(ActionType::BlockCookies).urlFilter(".*").description(),
              "Ignore all cookies when sending outgoing requests.");
    EXPECT_EQ(Shape()
                  .action(ActionType::BlockCookies)
                  .urlFilter(".*")
                  .loadType({LoadType::FirstParty})
                  .unlessDomain({"a.example"})
                  .description(),
              "Ignore first-party cookies when sending outgoing requests.\nThe blocker only applies outside of "
              "a.example.");
    // Read from a file: a url filter and resource types no editor sets are named.
    EXPECT_EQ(Shape().action(ActionType::BlockCookies).urlFilter("x").resourceTypes({ResourceType::Font}).description(),
              "Ignore all cookies when sending outgoing requests to URLs matching the pattern: x for resources "
              "(font).");
}

TEST(Description, HideRules) {
    EXPECT_EQ(Shape()
                  .action(ActionType::Hide)
                  .urlFilter(".*")
                  .ifDomain({"*a.example"})
                  .selector("div#links")
                  .description(),
              "Hide page elements with CSS selector \"div#links\" on a page with URL matching the pattern: .*"
              "\nThe blocker only applies for *a.example.");
    EXPECT_EQ(Shape()
                  .action(ActionType::Hide)
                  .urlFilter(".*")
                  .loadType({LoadType::ThirdParty})
                  .resourceTypes({ResourceType::ChildDocument})
                  .selector("div#links")
                  .description(),
              "Hide page elements with CSS selector \"div#links\" on a page with URL matching the pattern: .*, only "
              "for third-party resources (child-document)");
    // Read from a file without its selector: the quotes stand empty.
    EXPECT_EQ(Shape().action(ActionType::Hide).urlFilter(".*").description(),
              "Hide page elements with CSS selector \"\" on a page with URL matching the pattern: .*");
}

TEST(Description, ExemptionAndHttpsRulesAsEditorsMakeThemNameTheirDomains) {
    const auto exemption = [] { return Shape().action(ActionType::IgnorePreviousRules).urlFilter(".*"); };
    EXPECT_EQ(exemption().ifDomain({"a.example", "b.example"}).description(),
              "Ignore all rules for a.example, b.example.");
    EXPECT_EQ(exemption().unlessDomain({"a.example"}).description(), "Ignore rules outside of a.example.");
    EXPECT_EQ(Shape().action(ActionType::makeHttps).urlFilter(".*").unlessDomain({"a.example"}).description(),
              "Change URL from HTTP to HTTPS before making a request unless domain a.example.");
    EXPECT_EQ(exemption().ifDomain({}).description(), "Ignore all rules for .");
    EXPECT_EQ(Shape().unlessDomain({}).description(),
              "Abort loading resources of any type where the resource's URL matches the pattern: ads"
              "\nThe blocker only applies outside of .");
}

TEST(Description, ExemptionAndHttpsRulesOfOtherShapesNameWhatTheyMatch) {
    // Without a domain filter they used to have no description at all.
    EXPECT_EQ(Shape().action(ActionType::IgnorePreviousRules).description(),
              "Ignore previous rules for resources of any type where the resource's URL matches the pattern: ads");
    EXPECT_EQ(Shape().action(ActionType::makeHttps).urlFilter(".*").description(),
              "Change URL from HTTP to HTTPS before loading resources of any type where the resource's URL matches "
              "the pattern: .*");
    EXPECT_EQ(Shape()
                  .action(ActionType::IgnorePreviousRules)
                  .urlFilter("cdn\\.example")
                  .resourceTypes({ResourceType::Script})
                  .ifDomain({"a.example"})
                  .description(),
              "Ignore previous rules for resources (script) where the resource's URL matches the pattern: "
              "cdn\\.example\nThe blocker only applies for a.example.");
    EXPECT_EQ(Shape().action(ActionType::makeHttps).urlFilter(".*").loadType({LoadType::FirstParty}).ifDomain({"a"})
                  .description(),
              "Change URL from HTTP to HTTPS before loading first-party resources of any type where the resource's URL "
              "matches the pattern: .*\nThe blocker only applies for a.");
}

TEST(Description, ConditionsNoEditorOffersAreNamed) {
    Shape mixedContent;
    mixedContent.action(ActionType::makeHttps).urlFilter("http://.*").resourceTypes({ResourceType::Image});
    mixedContent.trigger().topURLFilter = TopURLFilter{TopURLFilterType::IfTopURL, {"https://.*"}};
    EXPECT_EQ(mixedContent.description(),
              "Change URL from HTTP to HTTPS before loading resources (image) where the resource's URL matches the "
              "pattern: http://.*, only on pages whose URL matches https://.*");

    Shape framed;
    framed.urlFilter(".*").unlessDomain({"a.example"});
    framed.trigger().frameURLFilter = FrameURLFilter{FrameURLFilterType::IfFrameURL, {"iframe\\.html", "ad/"}};
    framed.trigger().loadContext = std::vector{LoadContext::ChildFrame};
    framed.trigger().requestMethod = "post";
    EXPECT_EQ(framed.description(),
              "Abort loading resources of any type where the resource's URL matches the pattern: .*, only in frames "
              "whose URL matches iframe\\.html, ad/, only in child frames, only for POST requests\nThe blocker only "
              "applies outside of a.example.");

    Shape unless;
    unless.action(ActionType::BlockCookies).urlFilter(".*");
    unless.trigger().topURLFilter = TopURLFilter{TopURLFilterType::UnlessTopURL, {"bank"}};
    unless.trigger().frameURLFilter = FrameURLFilter{FrameURLFilterType::UnlessFrameURL, {"pay"}};
    unless.trigger().loadContext = std::vector{LoadContext::TopFrame};
    EXPECT_EQ(unless.description(),
              "Ignore all cookies when sending outgoing requests, except on pages whose URL matches bank, except in "
              "frames whose URL matches pay, only in the top frame.");
    unless.trigger().loadContext = std::vector{LoadContext::ChildFrame, LoadContext::TopFrame};
    unless.trigger().frameURLFilter.reset();
    EXPECT_EQ(unless.description(),
              "Ignore all cookies when sending outgoing requests, except on pages whose URL matches bank.");
}

TEST(Description, IdNameAndCaseSensitivityPlayNoPart) {
    Rule rule{"a", "b", Blocker{Trigger{"ads", true, {}, {}, {}}, Action{}}};
    Rule other{"c", "d", Blocker{Trigger{"ads", false, {}, {}, {}}, Action{}}};
    EXPECT_EQ(descriptionText(rule), descriptionText(other));
}
