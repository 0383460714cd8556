#include "model/RuleBuilders.h"
#include "model/RuleInput.h"
#include "platform/ShownMessages.h"
#include "support/Json.h"

#include <gtest/gtest.h>

#include <functional>

using namespace orvane;
using orvane::test::isUpperCaseUUID;

namespace {

using Strings = std::vector<std::string>;
using Build = std::function<std::optional<Rule>()>;

// Runs a builder that must fail and answers the messages it showed.
std::vector<ShownMessage> failureMessages(const Build& build) {
    ShownMessages shown;
    EXPECT_EQ(build(), std::nullopt);
    return shown.messages();
}

void expectFailure(const Build& build, const std::string& message) {
    EXPECT_EQ(failureMessages(build), (std::vector{ShownMessage{message, true}}));
}

// Runs a builder that must succeed silently.
Rule built(const Build& build) {
    ShownMessages shown;
    auto rule = build();
    EXPECT_TRUE(shown.messages().empty());
    EXPECT_TRUE(rule);
    return rule.value_or(Rule{});
}

Trigger anyURL(std::optional<DomainFilter> filter = std::nullopt) {
    return Trigger{".*", true, {}, {}, std::move(filter)};
}

DomainFilter ifDomain(Strings values) { return {DomainFilterType::IfDomain, std::move(values)}; }
DomainFilter unlessDomain(Strings values) { return {DomainFilterType::UnlessDomain, std::move(values)}; }

} // namespace

TEST(CookiesRuleBuilder, ShapesAndDefaultName) {
    Rule plain = built([] { return buildCookiesRule(loadTypeForSegment(0), std::nullopt, "ID", std::nullopt); });
    Trigger noChoice = anyURL();
    noChoice.loadType = std::vector<LoadType>{};
    EXPECT_EQ(plain, (Rule{"ID", "Block Cookies", Blocker{noChoice, Action{ActionType::BlockCookies, {}}}}));

    Rule thirdParty = built(
        [] { return buildCookiesRule(LoadType::ThirdParty, unlessDomain({"*a.example"}), std::nullopt, "Mine"); });
    Trigger expected = anyURL(unlessDomain({"*a.example"}));
    expected.loadType = std::vector{LoadType::ThirdParty};
    EXPECT_EQ(thirdParty.blocker.trigger, expected);
    EXPECT_EQ(thirdParty.name, "Mine");
    EXPECT_TRUE(isUpperCaseUUID(thirdParty.id)) << thirdParty.id;
}

TEST(CookiesRuleBuilder, ValidatesAGivenFilter) {
    expectFailure([] { return buildCookiesRule(std::nullopt, ifDomain({}), std::nullopt, std::nullopt); },
                  "Domain list is empty");
    expectFailure([] { return buildCookiesRule(std::nullopt, unlessDomain({"a"}), std::nullopt, std::nullopt); },
                  "Invalid domain: 'a'");
}

TEST(URLRuleBuilder, ShapesAndDefaultName) {
    Rule plain = built([] { return buildURLRule("ads", {}, loadTypeForSegment(0), std::nullopt, "ID", std::nullopt); });
    EXPECT_EQ(plain,
              (Rule{"ID", "Block ads", Blocker{Trigger{"ads", true, {}, {}, {}}, Action{ActionType::Block, {}}}}));

    Rule full = built([] {
        return buildURLRule("^https?://Ads\\.", {ResourceType::Script, ResourceType::Image}, LoadType::FirstParty,
                            ifDomain({"a.example"}), std::nullopt, std::nullopt);
    });
    EXPECT_EQ(full.blocker.trigger,
              (Trigger{"^https?://Ads\\.", true, std::vector{ResourceType::Script, ResourceType::Image},
                       std::vector{LoadType::FirstParty}, ifDomain({"a.example"})}));
    EXPECT_EQ(full.name, "Block ^https?://Ads\\.");
    EXPECT_TRUE(isUpperCaseUUID(full.id));

    // Not compiled as a regular expression: only the two text checks apply.
    EXPECT_EQ(built([] {
                  return buildURLRule("[", {}, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
              }).blocker.trigger.urlFilter,
              "[");
}

TEST(URLRuleBuilder, ChecksRunInOrderAndStopAtTheFirstFailure) {
    expectFailure([] { return buildURLRule("", {}, std::nullopt, ifDomain({}), std::nullopt, std::nullopt); },
                  "URL is empty");
    expectFailure([] { return buildURLRule("*ads*", {}, std::nullopt, ifDomain({}), std::nullopt, std::nullopt); },
                  "Invalid URL filter. Please use regular expressions.");
    expectFailure([] { return buildURLRule("ads", {}, std::nullopt, ifDomain({}), std::nullopt, std::nullopt); },
                  "Domain list is empty");
    expectFailure([] { return buildURLRule("ads*", {}, std::nullopt, ifDomain({"x"}), std::nullopt, std::nullopt); },
                  "Invalid domain: 'x'");
}

TEST(DomainListRuleBuilders, ShapesAndDefaultNames) {
    Rule one = built([] { return buildMakeHttpsRule({"a.example"}, "ID", std::nullopt); });
    EXPECT_EQ(one, (Rule{"ID", "Make a.example HTTPS-only",
                         Blocker{anyURL(ifDomain({"a.example"})), Action{ActionType::makeHttps, {}}}}));
    EXPECT_EQ(built([] {
                  return buildMakeHttpsRule({"a.example", "b.example"}, std::nullopt, std::nullopt);
              }).name,
              "Make 2 domains HTTPS-only");

    Rule whitelist = built([] { return buildWhitelistRule({"*a.example"}, std::nullopt, std::nullopt); });
    EXPECT_EQ(whitelist.blocker,
              (Blocker{anyURL(ifDomain({"*a.example"})), Action{ActionType::IgnorePreviousRules, {}}}));
    EXPECT_EQ(whitelist.name, "Whitelist *a.example");
    EXPECT_EQ(built([] {
                  return buildWhitelistRule({"a.example", "localhost", "c.example"}, std::nullopt, "");
              }).name,
              "");
    EXPECT_EQ(built([] {
                  return buildWhitelistRule({"a.example", "localhost", "c.example"}, std::nullopt, std::nullopt);
              }).name,
              "Whitelist 3 domains");
}

TEST(DomainListRuleBuilders, ValidateTheList) {
    expectFailure([] { return buildMakeHttpsRule({}, std::nullopt, std::nullopt); }, "Domain list is empty");
    expectFailure([] { return buildWhitelistRule({}, std::nullopt, std::nullopt); }, "Domain list is empty");
    expectFailure(
        [] {
            return buildWhitelistRule({"a.example", "b..example/"}, std::nullopt, std::nullopt);
        },
        "Invalid domain: 'b..example/'");
}

TEST(CSSRuleBuilder, ShapesDefaultNameAndChecks) {
    Rule rule = built([] { return buildCSSRule("div#links", unlessDomain({"a.example"}), "ID", std::nullopt); });
    EXPECT_EQ(rule, (Rule{"ID", "Hide div#links",
                          Blocker{anyURL(unlessDomain({"a.example"})), Action{ActionType::Hide, "div#links"}}}));
    expectFailure([] { return buildCSSRule("", ifDomain({"bad"}), std::nullopt, std::nullopt); },
                  "CSS Selector is empty");
    expectFailure([] { return buildCSSRule(" ", ifDomain({}), std::nullopt, std::nullopt); }, "Domain list is empty");
}

TEST(RuleBuilders, EditorInputEndToEnd) {
    // With subdomains included the row gains a "*" and passes; "*.example.com" stays and fails.
    Rule https = built([] {
        return buildMakeHttpsRule(nonEmptyDomains({"example.com", ""}, true), "KEPT", std::nullopt);
    });
    EXPECT_EQ(https.blocker.trigger.domainFilter, ifDomain({"*example.com"}));
    EXPECT_EQ(https.name, "Make *example.com HTTPS-only");
    EXPECT_EQ(https.id, "KEPT");
    expectFailure(
        [] { return buildWhitelistRule(nonEmptyDomains({"*.example.com"}, true), std::nullopt, std::nullopt); },
        "Invalid domain: '*.example.com'");
    expectFailure(
        [] {
            return buildWhitelistRule(nonEmptyDomains({"", ""}, false), std::nullopt, std::nullopt);
        },
        "Domain list is empty");

    // Item 1 with no rows filled refuses; item 0 ignores the rows entirely, however bad.
    const Strings noRows{"", ""};
    expectFailure(
        [&] {
            return buildCookiesRule(std::nullopt, domainFilterForItem(1, nonEmptyDomains(noRows, false)), std::nullopt,
                                    std::nullopt);
        },
        "Domain list is empty");
    const Strings badRows{"bad", "!"};
    Rule css = built([&] {
        return buildCSSRule("p", domainFilterForItem(0, nonEmptyDomains(badRows, false)), std::nullopt,
                            nameFromField(""));
    });
    EXPECT_EQ(css.blocker.trigger.domainFilter, std::nullopt);
    EXPECT_EQ(css.name, "Hide p");

    // Every segment selected is the same as none: all types.
    Rule url = built([] {
        return buildURLRule("ads", resourceTypesForSegments(ResourceTypeSegments{}.set()), std::nullopt, std::nullopt,
                            std::nullopt, std::nullopt);
    });
    EXPECT_EQ(url.blocker.trigger.resourceTypes, std::nullopt);
}

TEST(RuleBuilders, NewRulesGetDistinctIds) {
    auto first = built([] { return buildCookiesRule(std::nullopt, std::nullopt, std::nullopt, std::nullopt); });
    auto second = built([] { return buildCookiesRule(std::nullopt, std::nullopt, std::nullopt, std::nullopt); });
    EXPECT_TRUE(isUpperCaseUUID(first.id));
    EXPECT_NE(first.id, second.id);
}
