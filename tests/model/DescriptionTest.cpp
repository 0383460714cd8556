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
        return Shape().action(ActionType::BlockCookies).loadType(std::move(types)).description();
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
    EXPECT_EQ(Shape().action(ActionType::BlockCookies).description(),
              "Ignore all cookies when sending outgoing requests.");
    EXPECT_EQ(Shape()
                  .action(ActionType::BlockCookies)
                  .loadType({LoadType::FirstParty})
                  .unlessDomain({"a.example"})
                  .description(),
              "Ignore first-party cookies when sending outgoing requests.\nThe blocker only applies outside of "
              "a.example.");
    // Neither the url filter nor the resource types of a cookie rule are mentioned.
    EXPECT_EQ(Shape().action(ActionType::BlockCookies).urlFilter("x").resourceTypes({ResourceType::Font}).description(),
              "Ignore all cookies when sending outgoing requests.");
}

TEST(Description, HideRules) {
    EXPECT_EQ(Shape()
                  .action(ActionType::Hide)
                  .urlFilter(".*")
                  .loadType({LoadType::ThirdParty})
                  .ifDomain({"*a.example"})
                  .selector("div#links")
                  .description(),
              "Hide page elements with CSS selector \"div#links\" on a page with URL matching the pattern: .*"
              "\nThe blocker only applies for *a.example.");
    // Read from a file without its selector: the quotes stand empty.
    EXPECT_EQ(Shape().action(ActionType::Hide).urlFilter(".*").description(),
              "Hide page elements with CSS selector \"\" on a page with URL matching the pattern: .*");
}

TEST(Description, RulesThatOnlyNameTheirDomains) {
    EXPECT_EQ(Shape().action(ActionType::IgnorePreviousRules).ifDomain({"a.example", "b.example"}).description(),
              "Ignore all rules for a.example, b.example.");
    EXPECT_EQ(Shape().action(ActionType::IgnorePreviousRules).unlessDomain({"a.example"}).description(),
              "Ignore rules outside of a.example.");
    EXPECT_EQ(Shape().action(ActionType::makeHttps).unlessDomain({"a.example"}).description(),
              "Change URL from HTTP to HTTPS before making a request unless domain a.example.");
    EXPECT_EQ(
        Shape().action(ActionType::makeHttps).loadType({LoadType::FirstParty}).ifDomain({"a.example"}).description(),
        "Change URL from HTTP to HTTPS before making a request if domain a.example.");
    EXPECT_EQ(Shape().action(ActionType::IgnorePreviousRules).description(), "");
    EXPECT_EQ(Shape().action(ActionType::makeHttps).description(), "");
}

TEST(Description, EmptyDomainListLeavesNothingBetweenSpaceAndFullStop) {
    EXPECT_EQ(Shape().action(ActionType::IgnorePreviousRules).ifDomain({}).description(), "Ignore all rules for .");
    EXPECT_EQ(Shape().unlessDomain({}).description(),
              "Abort loading resources of any type where the resource's URL matches the pattern: ads"
              "\nThe blocker only applies outside of .");
}

TEST(Description, IdNameAndCaseSensitivityPlayNoPart) {
    Rule rule{"a", "b", Blocker{Trigger{"ads", true, {}, {}, {}}, Action{}}};
    Rule other{"c", "d", Blocker{Trigger{"ads", false, {}, {}, {}}, Action{}}};
    EXPECT_EQ(descriptionText(rule), descriptionText(other));
}
