#include "inspector/ResourceFilter.h"

#include "RuleFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace orvane;
using Result = ResourceFilter::Result;
using Tally = ResourceFilter::Tally;

namespace {

using fixtures::urlRule;

Package package(std::string id, std::vector<Rule> rules) {
    return Package{id, id, std::move(rules)};
}

std::vector<Package> standardPackages() {
    return {
        package("block-ads", {urlRule("/ads/"), urlRule("doubleclick")}),
        package("block-trackers", {urlRule("/pixel\\.gif"), urlRule("analytics\\.")}),
        package("block-twitter-widgets", {urlRule("platform\\.twitter\\.com/widgets")}),
        package("block-facebook-widgets", {urlRule("connect\\.facebook\\.net")}),
        package("block-other-sharing-widgets", {urlRule("addthis\\.com")}),
    };
}

} // namespace

TEST(ResourceFilter, SortsEachUrlIntoTheCategoryOfItsList) {
    const ResourceFilter filter(standardPackages());
    EXPECT_EQ(filter.classify("https://cdn.example/ads/728x90.png"), Result::Ad);
    EXPECT_EQ(filter.classify("https://stats.g.doubleclick.net/collect"), Result::Ad);
    EXPECT_EQ(filter.classify("https://t.example/pixel.gif?u=1"), Result::Tracker);
    EXPECT_EQ(filter.classify("https://www.google-analytics.com/ga.js"), Result::Tracker);
    EXPECT_EQ(filter.classify("https://platform.twitter.com/widgets.js"), Result::Widget);
    EXPECT_EQ(filter.classify("https://connect.facebook.net/en_US/sdk.js"), Result::Widget);
    EXPECT_EQ(filter.classify("https://s7.addthis.com/js/300/addthis_widget.js"), Result::Widget);
    EXPECT_EQ(filter.classify("https://news.example/story.html"), Result::None);
    EXPECT_EQ(filter.classify(""), Result::None);
}

TEST(ResourceFilter, WidgetsWinOverTrackersAndTrackersOverAds) {
    const ResourceFilter filter(standardPackages());
    EXPECT_EQ(filter.classify("https://connect.facebook.net/ads/pixel.gif"), Result::Widget);
    EXPECT_EQ(filter.classify("https://platform.twitter.com/widgets/ads/"), Result::Widget);
    EXPECT_EQ(filter.classify("https://x.example/ads/pixel.gif"), Result::Tracker);
    EXPECT_EQ(filter.classify("https://analytics.doubleclick.net/"), Result::Tracker);
}

TEST(ResourceFilter, MatchesCaseInsensitivelyWhateverTheRuleSays) {
    const ResourceFilter filter({package("block-ads", {urlRule("ads", ActionType::Block, true)}),
                                 package("block-trackers", {urlRule("Beacon", ActionType::Block, true)})});
    EXPECT_EQ(filter.classify("https://example.com/ADS/top.gif"), Result::Ad);
    EXPECT_EQ(filter.classify("https://example.com/beacon"), Result::Tracker);
    EXPECT_EQ(filter.classify("https://example.com/BEACON"), Result::Tracker);
}

TEST(ResourceFilter, SearchesTheWholeUrlButHonoursThePatternsOwnAnchors) {
    const ResourceFilter filter({package("block-ads", {urlRule("^https://ads\\."), urlRule("\\.swf$")})});
    EXPECT_EQ(filter.classify("https://ads.example/x"), Result::Ad);
    EXPECT_EQ(filter.classify("https://www.example/https://ads.x"), Result::None);
    EXPECT_EQ(filter.classify("https://example/movie.swf"), Result::Ad);
    EXPECT_EQ(filter.classify("https://example/movie.swf?x=1"), Result::None);
}

TEST(ResourceFilter, OnlyBlockRulesCount) {
    const ResourceFilter filter({package("block-ads", {
                                                          urlRule(".*", ActionType::Hide),
                                                          urlRule(".*", ActionType::BlockCookies),
                                                          urlRule(".*", ActionType::IgnorePreviousRules),
                                                          urlRule(".*", ActionType::makeHttps),
                                                          urlRule("/banner/"),
                                                      })});
    EXPECT_EQ(filter.classify("https://example.com/page"), Result::None);
    EXPECT_EQ(filter.classify("https://example.com/banner/1.png"), Result::Ad);
}

TEST(ResourceFilter, IgnoresTheRestOfTheTrigger) {
    Rule scoped = urlRule("/ads/");
    scoped.blocker.trigger.resourceTypes = std::vector{ResourceType::Script};
    scoped.blocker.trigger.loadType = std::vector{LoadType::FirstParty};
    scoped.blocker.trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, {"elsewhere.example"}};
    const ResourceFilter filter({package("block-ads", {scoped})});
    EXPECT_EQ(filter.classify("https://example.com/ads/a.png"), Result::Ad);
}

TEST(ResourceFilter, SkipsPatternsThatDoNotCompileSilentlyAndKeepsTheRest) {
    testing::internal::CaptureStderr();
    const ResourceFilter filter({package("block-ads", {urlRule("(unclosed"), urlRule("[z-a]"), urlRule("a\\1"), urlRule("/ads/"),
                                                       urlRule("*lead"), urlRule("(?<=x)y")})});
    const auto tallies = filter.classify(std::vector<ResourceFilter::Resource>{{"https://e.com/(unclosed", 1}});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(tallies.at(Result::Ad), (Tally{0, 0}));
    EXPECT_EQ(filter.classify("https://e.com/ads/x"), Result::Ad);
}

TEST(ResourceFilter, TakesTheFirstPackageWithAnExactId) {
    const ResourceFilter filter({
        package("Block-Ads", {urlRule("upper")}),
        package("block-ads", {urlRule("first")}),
        package("block-ads", {urlRule("second")}),
    });
    EXPECT_EQ(filter.classify("https://e.com/first"), Result::Ad);
    EXPECT_EQ(filter.classify("https://e.com/second"), Result::None);
    EXPECT_EQ(filter.classify("https://e.com/upper"), Result::None);
}

TEST(ResourceFilter, MissingOrEmptyPackagesMeanEmptyCategories) {
    for (const auto& packages : {std::vector<Package>{}, std::vector{package("block-ads", {})}}) {
        const ResourceFilter filter(packages);
        const auto tallies = filter.classify(std::vector<ResourceFilter::Resource>{{"https://e.com/ads/x", 10}});
        EXPECT_EQ(tallies.at(Result::Ad), (Tally{0, 0}));
        EXPECT_EQ(tallies.at(Result::None), (Tally{1, 10}));
    }
}

TEST(ResourceFilter, AnEmptyListGivesExactlyTheThreeEmptyTotals) {
    const ResourceFilter filter(standardPackages());
    const ResourceFilter::Tallies expected{
        {Result::Ad, {0, 0}}, {Result::Tracker, {0, 0}}, {Result::Widget, {0, 0}}};
    EXPECT_EQ(filter.classify(std::vector<ResourceFilter::Resource>{}), expected);
}

TEST(ResourceFilter, TotalsCountAndBytesPerCategory) {
    const ResourceFilter filter(standardPackages());
    const std::vector<ResourceFilter::Resource> resources{
        {"https://cdn.example/ads/1.png", 1000},
        {"https://connect.facebook.net/sdk.js", 50},
        {"https://cdn.example/ads/2.png", 234},
        {"https://site.example/style.css", 7},
        {"https://t.example/pixel.gif", 0},
        {"https://site.example/app.js", 3},
    };
    const ResourceFilter::Tallies expected{
        {Result::Ad, {2, 1234}}, {Result::Tracker, {1, 0}}, {Result::Widget, {1, 50}}, {Result::None, {2, 10}}};
    EXPECT_EQ(filter.classify(resources), expected);
}
