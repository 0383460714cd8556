// The check that keeps rules WebKit's content-blocker compiler refuses out of the catalog, with
// its messages in the terms of the rule's fields. Every verdict here is WebKitGTK 2.50's, as
// content_blocker_agreement compares them at scale.

#include "model/RuleRejection.h"
#include "model/SelectorSyntax.h"
#include "model/UrlFilterSyntax.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

std::string verdict(const Blocker& blocker) {
    auto rejection = ruleRejection(blocker);
    return rejection ? rejection->message : "taken";
}

Blocker urlFilter(const std::string& filter) {
    Blocker blocker;
    blocker.trigger.urlFilter = filter;
    return blocker;
}

Blocker withDomains(std::vector<std::string> domains) {
    Blocker blocker = urlFilter(".*");
    blocker.trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, std::move(domains)};
    return blocker;
}

} // namespace

TEST(RuleRejection, UrlFiltersAreReadAsWebKitReadsThem) {
    // What lists write, and the corners of JavaScript's syntax that WebKit takes.
    for (const char* taken : {"ads",
                              "^https?://([^/]+\\.)?ads\\.example\\.com/",
                              "\\.js$",
                              "[^/]+\\.gif",
                              "a{0,1}b{1,}c{0,}",
                              "a*?b+?",
                              "(?:a)(?<name>b)",
                              "\\1",
                              "(a)\\2",
                              "\\k<n>",
                              "[\\b\\-z]",
                              "\\cA\\c1",
                              "a{",
                              "a{1",
                              "a{,1}",
                              "}",
                              "]",
                              "[]",
                              "[^]",
                              "^^a",
                              "^",
                              "$",
                              "()*",
                              "a{0,99999999999}",
                              "a{1,4294967296}",
                              "\\x41\\u0041\\177\\p{L}"}) {
        EXPECT_EQ(verdict(urlFilter(taken)), "taken") << taken;
    }
    const std::pair<const char*, const char*> refused[] = {
        {"a|b", "The URL filter uses \"|\", which content blockers do not support"},
        {"x{2}", "The URL filter uses \"{2}\", which content blockers do not support"},
        {"(ad){1,1}", "The URL filter uses \"{1,1}\", which content blockers do not support"},
        {"a\\d+", "The URL filter uses \"\\d\", which content blockers do not support"},
        {"[\\w-]", "The URL filter uses \"\\w\", which content blockers do not support"},
        {"\\bads", "The URL filter uses \"\\b\", which content blockers do not support"},
        {"ad(?=s)", "The URL filter uses \"(?=\", which content blockers do not support"},
        {"(?i:ads)", "The URL filter uses \"(?i\", which content blockers do not support"},
        {"(?<n>a)\\k<n>", "The URL filter uses \"\\k<n>\", which content blockers do not support"},
        {"café", "The URL filter uses \"é\", which content blockers do not support"},
        {"caf\\u00e9", "The URL filter uses \"\\u00e9\", which content blockers do not support"},
        {"[a\\x80]", "The URL filter uses \"\\x80\", which content blockers do not support"},
        {"a^", "The URL filter uses \"^\" other than at its start, which content blockers do not support"},
        {"(^a)", "The URL filter uses \"^\" other than at its start, which content blockers do not support"},
        {"a$b", "The URL filter uses \"$\" other than at its end, which content blockers do not support"},
        {"a($)", "The URL filter uses \"$\" other than at its end, which content blockers do not support"},
        {"[", "The URL filter is not a valid regular expression: \"[\" is never closed"},
        {"(ads", "The URL filter is not a valid regular expression: \"(\" is never closed"},
        {"ads)", "The URL filter is not a valid regular expression: \")\" closes no group"},
        {"*ads*", "The URL filter is not a valid regular expression: \"*\" repeats nothing"},
        {"a**", "The URL filter is not a valid regular expression: \"*\" repeats nothing"},
        {"[z-a]", "The URL filter is not a valid regular expression: the range \"z-a\" runs backwards"},
        {"a{3,2}", "The URL filter is not a valid regular expression: \"{3,2}\" counts down"},
        {"ads\\", "The URL filter is not a valid regular expression: it ends in \"\\\""},
        {"(?<a>x)(?<a>y)", "The URL filter is not a valid regular expression: the group name \"a\" is used twice"},
        {"\\k(?<n>a)", "The URL filter is not a valid regular expression: \"\\k\" refers to no group"},
        {"", "The URL filter is empty"},
    };
    for (const auto& [filter, message] : refused) {
        EXPECT_EQ(verdict(urlFilter(filter)), message) << filter;
    }
}

TEST(RuleRejection, ConditionsAndActionsAreCheckedAsWebKitChecksThem) {
    EXPECT_EQ(verdict(withDomains({"example.com", "*ex*ample.com", "localhost", "*", "exa_mple.com"})), "taken");
    EXPECT_EQ(verdict(withDomains({"a.example", "EXAMPLE.COM"})),
              "The domain \"EXAMPLE.COM\" has capital letters, which content blockers do not support: write it in "
              "lower case");
    EXPECT_EQ(verdict(withDomains({"ü.example"})),
              "The domain \"ü.example\" has characters beyond ASCII, which content blockers do not support: write it "
              "in punycode (\"xn--…\")");
    EXPECT_EQ(verdict(withDomains({})), "The domain list is empty");
    EXPECT_EQ(verdict(withDomains({"a.example", ""})), "A domain of the list is empty");

    Blocker page = urlFilter("ads");
    page.trigger.topURLFilter = TopURLFilter{TopURLFilterType::IfTopURL, {"^https://news\\.", ".*"}};
    EXPECT_EQ(verdict(page), "taken");
    page.trigger.topURLFilter->values.push_back("a|b");
    EXPECT_EQ(verdict(page), "The page URL pattern \"a|b\" uses \"|\", which content blockers do not support");
    page.trigger.topURLFilter->values = {""};
    EXPECT_EQ(verdict(page), "A page URL pattern of the condition is empty");
    Blocker frame = urlFilter("ads");
    frame.trigger.frameURLFilter = FrameURLFilter{FrameURLFilterType::UnlessFrameURL, {}};
    EXPECT_EQ(verdict(frame), "The frame URL condition has no pattern");

    Blocker hide = urlFilter(".*");
    hide.action = Action{ActionType::Hide, std::nullopt};
    EXPECT_EQ(verdict(hide), "The rule hides page elements but has no CSS selector");
    // A selector WebKit cannot read does not break the list: WebKit leaves that rule out.
    hide.action.selector = "div[[";
    EXPECT_EQ(verdict(hide), "taken");
}

TEST(RuleRejection, ImportsLeaveOutAndCountWhatWebKitRefuses) {
    Package package{"P",
                    "Mine",
                    {Rule{"1", "good", urlFilter("ads")}, Rule{"2", "bad", urlFilter("a|b")},
                     Rule{"3", "worse", urlFilter("c|d")}, Rule{"4", "", withDomains({"A.example"})}}};
    std::vector<Package> packages{package};
    SkippedRules skipped;
    dropRejectedRules(packages, skipped);
    ASSERT_EQ(packages.front().rules.size(), 1u);
    EXPECT_EQ(packages.front().rules.front().id, "1");
    EXPECT_EQ(skipped.summary(),
              "3 rules could not be read and were left out: the URL filter uses \"|\", which content blockers do not "
              "support (2), the domain \"A.example\" has capital letters, which content blockers do not support: "
              "write it in lower case (1)");

    std::vector<Blocker> entries{urlFilter("x{2}"), urlFilter("ads")};
    SkippedRules skippedEntries;
    dropRejectedBlockers(entries, skippedEntries);
    EXPECT_EQ(entries, std::vector<Blocker>{urlFilter("ads")});
    EXPECT_EQ(skippedEntries.count(), 1u);
}

TEST(SelectorSyntax, SelectorsWebKitCannotReadAreNamed) {
    for (const char* read : {"div#links", "a[href^=\"http\"] > span.ad", "div:has(> a.ad)", "a::before", ":is()",
                             "li:nth-child(2n+1 of .x)", "*|a, |b", "[data-ad=x i]", "div:not(.a, .b) ~ p",
                             "::-webkit-scrollbar:hover", "[href", ":not(a"}) {
        EXPECT_FALSE(selectorProblem(read)) << read << ": " << selectorProblem(read).value_or("");
    }
    const std::pair<const char*, const char*> unread[] = {
        {"div[[", "an attribute selector names no attribute"},
        {"div:foo", "unknown pseudo-class \":foo\""},
        {"a::foo", "unknown pseudo-element \"::foo\""},
        {"div >", "a combinator ends it"},
        {"a,,b", "an empty selector in a list"},
        {"svg|a", "the namespace \"svg\" is not declared"},
        {"#1a", "\"#1a\" is not an id"},
        {"", "it selects nothing"},
        {"li:nth-child(x)", "the argument of an \":nth-\" pseudo-class is not of the form An+B"},
    };
    for (const auto& [selector, problem] : unread) {
        EXPECT_EQ(selectorProblem(selector).value_or("read"), problem) << selector;
    }
}
