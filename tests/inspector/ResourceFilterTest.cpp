#include "inspector/ResourceFilter.h"

#include "RuleFixtures.h"

#include "app/Classification.h"
#include "catalog/DataManager.h"
#include "model/JsonEncoding.h"
#include "support/Fixtures.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orvane;
using fixtures::urlRule;
using Category = ResourceFilter::Result;
using Resources = std::vector<ResourceFilter::Resource>;

namespace {

std::vector<Package> standardPackages() {
    return {
        Package{"block-ads", "Ads", {urlRule("/ads/"), urlRule("doubleclick")}},
        Package{"block-trackers", "Trackers", {urlRule("/pixel\\.gif")}},
        Package{"block-twitter-widgets", "Twitter", {urlRule("platform\\.twitter\\.com")}},
        Package{"block-facebook-widgets", "Facebook", {urlRule("connect\\.facebook\\.net")}},
        Package{"block-other-sharing-widgets", "Sharing", {urlRule("addthis\\.com")}},
    };
}

} // namespace

TEST(ResourceFilter, SortsUrlsIntoWidgetsBeforeTrackersBeforeAds) {
    const ResourceFilter filter(standardPackages());
    EXPECT_EQ(filter.classify("https://cdn.example/ads/728x90.png"), Category::Ad);
    EXPECT_EQ(filter.classify("https://stats.doubleclick.net/collect"), Category::Ad);
    EXPECT_EQ(filter.classify("https://t.example/pixel.gif?u=1"), Category::Tracker);
    EXPECT_EQ(filter.classify("https://platform.twitter.com/widgets.js"), Category::Widget);
    EXPECT_EQ(filter.classify("https://connect.facebook.net/sdk.js"), Category::Widget);
    EXPECT_EQ(filter.classify("https://s7.addthis.com/js/addthis.js"), Category::Widget);
    EXPECT_EQ(filter.classify("https://news.example/story.html"), Category::None);
    EXPECT_EQ(filter.classify("https://connect.facebook.net/ads/pixel.gif"), Category::Widget);
    EXPECT_EQ(filter.classify("https://x.example/ads/pixel.gif"), Category::Tracker);
}

TEST(ResourceFilter, MatchesCaseInsensitivelyAnywhereUnlessThePatternAnchors) {
    const ResourceFilter filter({Package{
        "block-ads", "Ads", {urlRule("ads", ActionType::Block, true), urlRule("^https://x\\."), urlRule("\\.swf$")}}});
    EXPECT_EQ(filter.classify("https://example.com/ADS/top.gif"), Category::Ad);
    EXPECT_EQ(filter.classify("https://X.example/"), Category::Ad);
    EXPECT_EQ(filter.classify("https://www.example/https://x.y"), Category::None);
    EXPECT_EQ(filter.classify("https://e.example/movie.SWF"), Category::Ad);
    EXPECT_EQ(filter.classify("https://e.example/movie.swf?x=1"), Category::None);
}

TEST(ResourceFilter, OnlyTheUrlFilterOfBlockRulesCounts) {
    Rule scoped = urlRule("/banner/");
    scoped.blocker.trigger.resourceTypes = std::vector{ResourceType::Script};
    scoped.blocker.trigger.loadType = std::vector{LoadType::FirstParty};
    scoped.blocker.trigger.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, {"elsewhere.example"}};
    const ResourceFilter filter({Package{"block-ads",
                                         "Ads",
                                         {urlRule(".*", ActionType::Hide), urlRule(".*", ActionType::BlockCookies),
                                          urlRule(".*", ActionType::IgnorePreviousRules),
                                          urlRule(".*", ActionType::makeHttps), scoped}}});
    EXPECT_EQ(filter.classify("https://example.com/page"), Category::None);
    EXPECT_EQ(filter.classify("https://example.com/banner/1.png"), Category::Ad);

    // Lists block every third-party ping, or any .com host on a few sites; by the URL alone those
    // rules would claim the resources of every page. A rule for every address without conditions
    // still claims them all.
    Rule pings = urlRule(".*");
    pings.blocker.trigger.resourceTypes = std::vector{ResourceType::Ping};
    Rule onSites = urlRule("^https?://[a-z]+\\.com/");
    onSites.blocker.trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, {"*video.example"}};
    Rule onPages = urlRule("/page");
    onPages.blocker.trigger.topURLFilter = TopURLFilter{TopURLFilterType::IfTopURL, {"video"}};
    const ResourceFilter narrowed(
        {Package{"block-trackers", "Trackers", {pings, onSites, onPages, urlRule("/collect")}}});
    EXPECT_EQ(narrowed.classify("https://example.com/page"), Category::None);
    EXPECT_EQ(narrowed.classify("https://example.com/collect?v=1"), Category::Tracker);
    const ResourceFilter everything({Package{"block-trackers", "Trackers", {urlRule(".*")}}});
    EXPECT_EQ(everything.classify("https://example.com/page"), Category::Tracker);
}

TEST(ResourceFilter, SkipsPatternsThatDoNotCompileSilently) {
    testing::internal::CaptureStderr();
    const ResourceFilter filter({Package{
        "block-ads", "Ads",
        {urlRule("(unclosed"), urlRule("[z-a]"), urlRule("a\\1"), urlRule("/ads/"), urlRule("*lead"),
         urlRule("(?<=x)y")}}});
    EXPECT_EQ(filter.classify("https://e.com/(unclosed"), Category::None);
    EXPECT_EQ(filter.classify("https://e.com/ads/x"), Category::Ad);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ResourceFilter, TakesTheFirstPackageWithExactlyTheId) {
    const ResourceFilter filter({Package{"Block-Ads", "", {urlRule("upper")}},
                                 Package{"block-ads", "", {urlRule("first")}},
                                 Package{"block-ads", "", {urlRule("second")}}});
    EXPECT_EQ(filter.classify("https://e.com/first"), Category::Ad);
    EXPECT_EQ(filter.classify("https://e.com/second"), Category::None);
    EXPECT_EQ(filter.classify("https://e.com/upper"), Category::None);
}

TEST(ResourceFilter, TotalsAlwaysHoldAdTrackerAndWidgetAndNoneOnceUsed) {
    const ResourceFilter::Tallies empty{{Category::Ad, {0, 0}}, {Category::Tracker, {0, 0}}, {Category::Widget, {0, 0}}};
    EXPECT_EQ(ResourceFilter(standardPackages()).classify(Resources{}), empty);
    EXPECT_EQ(ResourceFilter(std::vector<Package>{}).classify(Resources{}), empty);

    const ResourceFilter withoutAds({Package{"block-ads", "Ads", {}}});
    auto expected = empty;
    expected[Category::None] = {1, 10};
    EXPECT_EQ(withoutAds.classify(Resources{{"https://e.com/ads/x", 10}}), expected);

    const Resources resources{{"https://cdn.example/ads/1.png", 1000}, {"https://connect.facebook.net/sdk.js", 50},
                              {"https://cdn.example/ads/2.png", 234},  {"https://site.example/style.css", 7},
                              {"https://t.example/pixel.gif", 0},      {"https://site.example/app.js", 3}};
    const ResourceFilter::Tallies totals{
        {Category::Ad, {2, 1234}}, {Category::Tracker, {1, 0}}, {Category::Widget, {1, 50}}, {Category::None, {2, 10}}};
    EXPECT_EQ(ResourceFilter(standardPackages()).classify(resources), totals);
}

TEST(ResourceFilterFromCatalog, LoadsThePreinstalledPackagesIntoAnEmptyCatalogFirst) {
    orvane::test::TempHome home;
    orvane::test::writeText(home.resources() / "PreinstalledPackages.json",
                            *toJSONString(std::vector<Package>{orvane::test::makePackage(
                                "block-trackers", "Trackers", {orvane::test::blockRule("t", "tracker\\.example")})}));
    ASSERT_TRUE(DataManager::shared().preinstalledPackages()->empty());
    const auto filter = preinstalledResourceFilter();
    ASSERT_TRUE(filter);
    EXPECT_EQ(filter->classify("https://TRACKER.example/pixel"), ResourceFilter::Result::Tracker);
    EXPECT_EQ(DataManager::shared().preinstalledPackages()->size(), 1u);
}
