// A list in Adblock Plus syntax converted into a package: what WebKit then blocks and hides, what
// is skipped and why, and ids that survive a new version of the list.

#include "filterlists/ElementHiding.h"
#include "filterlists/FilterListConverter.h"
#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/JsonText.h"
#include "testing/ContentBlockerEvaluator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using namespace orvane;
using namespace orvane::filterlists;

namespace {

constexpr const char* kList = R"(
[Adblock Plus 2.0]
! Title: Test List
||ads.example^
||tracker.example^$third-party
||cdn.example/ads/*$script,image
/banner/*/img^
-ad-300x250.
|https://start.example/pixel
.swf|
||media.example^$~third-party,media
||popups.example^$popup
@@||ads.example/allowed/$image
||sites.example^$domain=news.test|blog.test
||except.example^$domain=~news.test
||mixed.example^$domain=news.test|~sub.news.test
||csp.example^$csp=script-src 'none'
||redirect.example/x.js$script,redirect=noop.js
/banner[0-9]+\.gif/
/\/(ads|promo)\.test\//$image
/^https?:\/\/[a-z]{3}\.lookahead(?=x)/
||case.example/Ad$match-case
||important.example^$important
@@||important.example^
@@||allowed-page.test^$document
@@||hide-free.test^$elemhide
@@||generic-free.test^$generichide
||dup.example^
||dup.example^
||bad.example^$badfilter
||bad.example^
##.generic-ad
###banner-top
##a[href^="https://ad."]
news.test##.site-ad
~news.test##.except-ad
news.test,~sub.news.test##.mixed-ad
##.exempted-ad
news.test#@#.exempted-ad
##.everywhere-exempt
#@#.everywhere-exempt
##.ad:has-text(Sponsored)
##+js(abort-on-property-read, ads)
example.*##.entity
#?#.x:-abp-has(.y)
##..broken
)";

struct Case {
    const char* url;
    const char* page;
    ResourceType type;
    bool blocked;
};

const Rule* findRule(const Package& package, const std::string& name) {
    const auto found = std::find_if(package.rules.begin(), package.rules.end(),
                                    [&](const Rule& rule) { return rule.name == name; });
    return found == package.rules.end() ? nullptr : &*found;
}

std::vector<Blocker> blockersOf(const Package& package) {
    std::vector<Blocker> blockers;
    for (const Rule& rule : package.rules) {
        blockers.push_back(rule.blocker);
    }
    return blockers;
}

} // namespace

TEST(FilterListConversion, BlocksAndAllowsWhatTheListSaysWhenWebKitReadsTheRules) {
    const auto converted = convertFilterList(kList, "test-list", "Test List");
    const ContentBlockerEvaluator webkit(blockersOf(converted.package));
    const std::vector<Case> cases{
        {"https://ads.example/x.js", "https://news.test/", ResourceType::Script, true},
        {"https://sub.ads.example/x.png", "https://news.test/", ResourceType::Image, true},
        {"https://notads.example/x.js", "https://news.test/", ResourceType::Script, false},
        {"https://ads.example.other.test/x.js", "https://news.test/", ResourceType::Script, false},
        {"https://ads.example/", "https://news.test/", ResourceType::TopDocument, false},
        {"https://ads.example/allowed/pic.png", "https://news.test/", ResourceType::Image, false},
        {"https://ads.example/allowed/x.js", "https://news.test/", ResourceType::Script, true},
        {"https://tracker.example/t.gif", "https://news.test/", ResourceType::Image, true},
        {"https://tracker.example/t.gif", "https://www.tracker.example/", ResourceType::Image, false},
        {"https://cdn.example/ads/a.js", "https://news.test/", ResourceType::Script, true},
        {"https://cdn.example/ads/a.woff", "https://news.test/", ResourceType::Font, false},
        {"https://x.test/banner/1/img/", "https://news.test/", ResourceType::Image, true},
        {"https://x.test/banner/1/img", "https://news.test/", ResourceType::Image, true},
        {"https://x.test/banner/1/imgs", "https://news.test/", ResourceType::Image, false},
        {"https://x.test/static/-ad-300x250.png", "https://news.test/", ResourceType::Image, true},
        {"https://start.example/pixel?x", "https://news.test/", ResourceType::Image, true},
        {"https://other.test/?u=https://start.example/pixel", "https://news.test/", ResourceType::Image, false},
        {"https://x.test/movie.swf", "https://news.test/", ResourceType::Media, true},
        {"https://x.test/movie.swf?x", "https://news.test/", ResourceType::Media, false},
        {"https://media.example/v.mp4", "https://media.example/", ResourceType::Media, true},
        {"https://media.example/v.mp4", "https://news.test/", ResourceType::Media, false},
        {"https://popups.example/", "https://news.test/", ResourceType::Popup, true},
        {"https://popups.example/x.png", "https://news.test/", ResourceType::Image, false},
        {"https://ads.example/", "https://news.test/", ResourceType::Popup, false},
        {"https://sites.example/a.js", "https://news.test/", ResourceType::Script, true},
        {"https://sites.example/a.js", "https://www.blog.test/", ResourceType::Script, true},
        {"https://sites.example/a.js", "https://other.test/", ResourceType::Script, false},
        {"https://except.example/a.js", "https://news.test/", ResourceType::Script, false},
        {"https://except.example/a.js", "https://other.test/", ResourceType::Script, true},
        {"https://mixed.example/a.js", "https://news.test/", ResourceType::Script, false},
        {"https://csp.example/", "https://news.test/", ResourceType::Script, false},
        {"https://x.test/banner12.gif", "https://news.test/", ResourceType::Image, true},
        {"https://x.test/bannerx.gif", "https://news.test/", ResourceType::Image, false},
        {"https://x.test/ads.test/a.png", "https://news.test/", ResourceType::Image, true},
        {"https://x.test/promo.test/a.png", "https://news.test/", ResourceType::Image, true},
        {"https://x.test/promo.test/a.js", "https://news.test/", ResourceType::Script, false},
        {"https://abc.lookaheadx/", "https://news.test/", ResourceType::Script, false},
        {"https://case.example/Ad", "https://news.test/", ResourceType::Script, true},
        {"https://case.example/ad", "https://news.test/", ResourceType::Script, false},
        {"https://important.example/x.js", "https://news.test/", ResourceType::Script, true},
        {"https://ads.example/x.js", "https://allowed-page.test/", ResourceType::Script, false},
        {"https://ads.example/x.js", "https://www.allowed-page.test/a", ResourceType::Script, false},
        {"https://ads.example/x.js", "https://hide-free.test/", ResourceType::Script, true},
        {"https://dup.example/", "https://news.test/", ResourceType::Script, true},
        {"https://bad.example/", "https://news.test/", ResourceType::Script, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(webkit.evaluate({c.url, c.page, c.type}).blocked, c.blocked)
            << c.url << " on " << c.page << " as " << rawValue(c.type);
    }

    // Everything written is read back by the catalog's reader as written.
    const auto text = toJSONString(std::vector<Package>{converted.package});
    ASSERT_TRUE(text.has_value());
    const auto document = parseJson(*text);
    ASSERT_TRUE(document.has_value());
    SkippedRules unreadable;
    const auto decoded = packagesFromJSON(*document, &unreadable);
    EXPECT_TRUE(unreadable.empty()) << unreadable.summary();
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded.front(), converted.package);
    EXPECT_EQ(converted.package.id, "test-list");
    EXPECT_EQ(converted.package.name, "Test List");
    EXPECT_EQ(listTitle(kList), "Test List");
    ASSERT_NE(findRule(converted.package, "ads.example"), nullptr);
}

TEST(FilterListConversion, CountsWhatBecameOfEveryFilterAndSkipsWhatCannotBeExpressed) {
    const auto converted = convertFilterList(kList, "test-list", "Test List");
    const ConversionReport& report = converted.report;
    EXPECT_EQ(report.filtersRead, 43u);
    EXPECT_EQ(report.rulesWritten, converted.package.rules.size());
    const std::map<std::string, std::size_t> skipped(report.skipped.reasons().begin(), report.skipped.reasons().end());
    const std::map<std::string, std::size_t> expectedSkips{
        {"$domain including a site but excluding its subdomain", 1},
        {"$csp", 1},
        {"$redirect", 1},
        {"regular expression WebKit cannot express (lookaround or a named group)", 1},
        {"hiding on a site but not on its subdomain", 1},
        {"extended selector", 2},
        {"scriptlet", 1},
        {"site name with a wildcard", 1},
        {"selector WebKit would drop", 1},
    };
    EXPECT_EQ(skipped, expectedSkips);
    const std::map<std::string, std::size_t> applied(report.applied.reasons().begin(), report.applied.reasons().end());
    const std::map<std::string, std::size_t> expectedApplied{
        {"duplicate of an earlier filter", 1},
        {"disabled by $badfilter", 1},
        {"$badfilter", 1},
        {"hiding exception", 2},
        {"hiding left out by an exception", 1},
    };
    EXPECT_EQ(applied, expectedApplied);
    // Every filter read is accounted for: a rule of its own, a part of a group, or a count.
    const std::string summary = report.summary("Test List");
    EXPECT_TRUE(summary.starts_with("Test List: 43 filters read, " + std::to_string(report.rulesWritten) +
                                    " rules written, 10 skipped\n  skipped: extended selector 2, "))
        << summary;
}

TEST(FilterListConversion, HidesGenericSelectorsInGroupsAndKeepsSiteExceptionsToTheirSites) {
    const auto converted = convertFilterList(kList, "test-list", "Test List");
    const Package& package = converted.package;
    std::vector<std::string> grouped;
    std::size_t groups = 0;
    for (const Rule& rule : package.rules) {
        const Trigger& trigger = rule.blocker.trigger;
        if (rule.blocker.action.type == ActionType::Hide && !trigger.domainFilter) {
            ++groups;
            EXPECT_EQ(trigger.urlFilter, ".*");
            grouped.push_back(*rule.blocker.action.selector);
        }
    }
    EXPECT_GE(groups, 1u);
    EXPECT_LE(groups, ElementHiding::kGenericGroups);
    const std::string all = [&] {
        std::string text;
        for (const auto& selectors : grouped) {
            text += selectors + ", ";
        }
        return text;
    }();
    for (const char* selector : {".generic-ad, ", "#banner-top, ", "a[href^=\"https://ad.\"], "}) {
        EXPECT_NE(all.find(selector), std::string::npos) << selector;
    }
    for (const char* selector : {".exempted-ad", ".everywhere-exempt", ".site-ad", ".except-ad", ".mixed-ad"}) {
        EXPECT_EQ(all.find(selector), std::string::npos) << selector << " hidden on every site";
    }

    auto conditionOf = [&](const std::string& selector) -> std::optional<DomainFilter> {
        const Rule* rule = findRule(package, selector);
        EXPECT_NE(rule, nullptr) << selector;
        EXPECT_EQ(rule ? rule->blocker.action.selector : std::nullopt, selector);
        return rule ? rule->blocker.trigger.domainFilter : std::nullopt;
    };
    EXPECT_EQ(conditionOf(".site-ad"), (DomainFilter{DomainFilterType::IfDomain, {"*news.test"}}));
    EXPECT_EQ(conditionOf(".except-ad"), (DomainFilter{DomainFilterType::UnlessDomain, {"*news.test"}}));
    // The exception for one site becomes "everywhere but there", never a rule acting elsewhere.
    EXPECT_EQ(conditionOf(".exempted-ad"), (DomainFilter{DomainFilterType::UnlessDomain, {"*news.test"}}));
    EXPECT_EQ(findRule(package, ".everywhere-exempt"), nullptr);
    EXPECT_EQ(findRule(package, ".mixed-ad"), nullptr);

    // WebKit's "ignore-previous-rules" undoes every earlier match: hiding comes first, the
    // exception from generic hiding after the generic groups only, the one from all hiding after
    // every hiding rule, and loads are decided after both.
    auto position = [&](const std::string& name, ActionType type) {
        const auto found = std::find_if(package.rules.begin(), package.rules.end(), [&](const Rule& rule) {
            return rule.name == name && rule.blocker.action.type == type;
        });
        EXPECT_NE(found, package.rules.end()) << name;
        return found - package.rules.begin();
    };
    const auto genericException = position("generic-free.test", ActionType::IgnorePreviousRules);
    const auto hidingException = position("hide-free.test", ActionType::IgnorePreviousRules);
    const auto siteHiding = position(".site-ad", ActionType::Hide);
    const auto firstBlock = position("ads.example", ActionType::Block);
    EXPECT_LT(position(".exempted-ad", ActionType::Hide), genericException);
    EXPECT_LT(genericException, siteHiding);
    EXPECT_LT(siteHiding, hidingException);
    EXPECT_LT(hidingException, firstBlock);
    EXPECT_EQ(package.rules.back().name, "important.example");
}

TEST(FilterListConversion, RuleIdsComeFromTheFilterTextAndSurviveANewVersionOfTheList) {
    const auto first = convertFilterList(kList, "test-list", "Test List");
    EXPECT_EQ(convertFilterList(kList, "test-list", "Test List").package, first.package);

    std::set<std::string> ids;
    for (const Rule& rule : first.package.rules) {
        EXPECT_EQ(rule.id.size(), 36u);
        EXPECT_TRUE(std::none_of(rule.id.begin(), rule.id.end(), [](char c) { return c >= 'a' && c <= 'z'; }));
        EXPECT_TRUE(ids.insert(rule.id).second) << "id used twice: " << rule.id << " " << rule.name;
    }

    // A later version with new filters among the old ones: every old rule keeps its id.
    std::string updated = kList;
    updated.insert(updated.find("||ads.example^"), "||new.example^\n/new-path/\n");
    const auto second = convertFilterList(updated, "test-list", "Test List");
    EXPECT_EQ(second.package.rules.size(), first.package.rules.size() + 2);
    for (const Rule& rule : first.package.rules) {
        const auto same = std::find(second.package.rules.begin(), second.package.rules.end(), rule);
        EXPECT_NE(same, second.package.rules.end()) << rule.name;
    }
    // The same filter in another package is another rule.
    const auto other = convertFilterList(kList, "other-list", "Other");
    EXPECT_NE(other.package.rules.front().id, first.package.rules.front().id);
}

TEST(FilterListConversion, ExceptionsOfAListReachTheBlocksOfTheListsAfterIt) {
    const std::string first = "||ads.test^\n@@||cdn.test/lib.js$script\n@@||both.test/ok.js\n@@||site.test^$document\n";
    const std::string second = "||cdn.test^\n||both.test^\n@@||both.test/ok.js\n||tracker.test^\n";
    const auto lists = convertFilterLists({{first, "first", "First"}, {second, "second", "Second"}});
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].report.exceptionsRepeated, 0u);
    // The script exception and the page exception; the one the second list has itself is its own.
    EXPECT_EQ(lists[1].report.exceptionsRepeated, 2u);
    EXPECT_NE(lists[1].report.summary("Second").find("(2 of them exceptions of the lists before)"), std::string::npos);

    std::vector<Blocker> both = blockersOf(lists[0].package);
    const auto later = blockersOf(lists[1].package);
    both.insert(both.end(), later.begin(), later.end());
    const ContentBlockerEvaluator catalog(both);
    EXPECT_FALSE(catalog.evaluate({"https://cdn.test/lib.js", "https://news.test/", ResourceType::Script}).blocked);
    EXPECT_TRUE(catalog.evaluate({"https://cdn.test/other.js", "https://news.test/", ResourceType::Script}).blocked);
    EXPECT_FALSE(catalog.evaluate({"https://both.test/ok.js", "https://news.test/", ResourceType::Script}).blocked);
    EXPECT_FALSE(catalog.evaluate({"https://tracker.test/t.js", "https://site.test/", ResourceType::Script}).blocked);
    EXPECT_TRUE(catalog.evaluate({"https://tracker.test/t.js", "https://news.test/", ResourceType::Script}).blocked);
    // Alone, the second package blocks no more than its own list: the repeated exceptions allow.
    const ContentBlockerEvaluator alone(later);
    EXPECT_FALSE(alone.evaluate({"https://cdn.test/lib.js", "https://news.test/", ResourceType::Script}).blocked);

    std::set<std::string> ids;
    for (const auto& list : lists) {
        for (const Rule& rule : list.package.rules) {
            EXPECT_TRUE(ids.insert(rule.id).second) << rule.name;
        }
    }
    EXPECT_EQ(convertFilterList(first, "first", "First").package, lists[0].package);
}
