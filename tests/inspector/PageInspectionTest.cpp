#include "inspector/PageInspection.h"

#include "RuleFixtures.h"

#include "inspector/InspectedAddress.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

using namespace orvane;
using namespace std::chrono_literals;
using fixtures::urlRule;
using State = InspectionFigures::State;
using Failure = PageInspection::Failure;

namespace {

std::shared_ptr<const ResourceFilter> sampleFilter() {
    return std::make_shared<const ResourceFilter>(std::vector<Package>{
        Package{"block-ads", "Ads", {urlRule("/ads/"), urlRule("doubleclick")}},
        Package{"block-trackers", "Trackers", {urlRule("/pixel\\.gif")}},
        Package{"block-twitter-widgets", "Twitter", {urlRule("platform\\.twitter\\.com")}},
    });
}

// An inspection on a clock the test moves, and the figures as its observer last saw them.
struct Inspector {
    std::chrono::steady_clock::time_point clock{};
    PageInspection inspection{sampleFilter(), [this] { return clock; }};
    InspectionFigures seen;

    Inspector() {
        inspection.setObserver([this](const InspectionFigures& figures) { seen = figures; });
    }
    // Runs the classifications and delivers their counts.
    void settle() {
        inspection.waitForClassifications();
        drainMainQueue();
    }
};

} // namespace

TEST(PageInspection, TheAddressGetsTheWebSchemeUnlessItNamesOne) {
    EXPECT_EQ(addressToInspect("example.com"), "https://example.com");
    EXPECT_EQ(addressToInspect("http://example.com/a?b=c"), "http://example.com/a?b=c");
    EXPECT_EQ(addressToInspect("https://example.com"), "https://example.com");
    // A host that merely begins with the letters still needs the scheme.
    EXPECT_EQ(addressToInspect("httpbin.org/get"), "https://httpbin.org/get");
    // Capitals are not the scheme: "https://" goes in front and the parser judges the rest (a
    // host "HTTPS" with an empty port is an address; loading it fails).
    EXPECT_EQ(addressToInspect("HTTPS://example.com"), "https://HTTPS://example.com");
    EXPECT_EQ(addressToInspect("HTTP://exa mple.com"), std::nullopt);
    EXPECT_EQ(addressToInspect("exa mple.com"), std::nullopt);
    EXPECT_EQ(addressToInspect("example.com/<script>"), std::nullopt);
    EXPECT_EQ(addressToInspect("https://example.com:http/"), std::nullopt);
    EXPECT_EQ(addressToInspect("bücher.de"), "https://bücher.de");
    EXPECT_EQ(addressToInspect(""), std::nullopt);
    EXPECT_EQ(addressToInspect("https://"), std::nullopt);

    EXPECT_EQ(hostOfURL("https://WWW.Example.com:8443/x"), "www.example.com");
    EXPECT_EQ(hostOfURL("about:blank"), std::nullopt);
    EXPECT_EQ(overHttp("https://a.example/?next=https://b.example/"), "http://a.example/?next=http://b.example/");
}

TEST(PageInspection, AnInvalidAddressOnlyShowsTheErrorAndLeavesTheResultsStanding) {
    Inspector inspector;
    ASSERT_TRUE(inspector.inspection.start("news.example"));
    inspector.inspection.frameFinished({"https://news.example/", {{"https://ads.example/ads/1.png", 10}}});
    inspector.settle();
    const InspectionFigures before = inspector.seen;
    ASSERT_EQ(before.adsCount, "1");

    LogCapture log;
    EXPECT_EQ(inspector.inspection.start("exa mple.com"), std::nullopt);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Entered value is not a valid URL: exa mple.com."});
    InspectionFigures expected = before;
    expected.error = "Error: Entered value is not a valid URL";
    EXPECT_EQ(inspector.seen, expected);
    EXPECT_EQ(inspector.inspection.hostBeingInspected(), "news.example");
}

TEST(PageInspection, EachFrameCountsWhatOtherHostsSentItAndTheInspectedFrameStopsTheTime) {
    Inspector inspector;
    const auto load = inspector.inspection.start("www.news.example/today");
    ASSERT_TRUE(load);
    EXPECT_EQ(*load, (PageInspection::LoadRequest{"https://www.news.example/today", true, 15s}));
    EXPECT_EQ(inspector.seen.state, State::Loading);
    EXPECT_EQ(inspector.seen.error, " ");
    EXPECT_EQ(inspector.seen.adsCount, "");

    inspector.clock += 1250ms;
    inspector.inspection.refreshTime();
    EXPECT_EQ(inspector.seen.time, "1.25 sec");

    // The frame from another host judges its resources against its own host: its doubleclick ad
    // counts, the widget script it loads from its own host does not.
    EXPECT_FALSE(inspector.inspection.frameFinished(
        {"https://platform.twitter.com/embed", {{"https://platform.twitter.com/widgets.js", 100},
                                                {"https://ad.doubleclick.example/x", 5}}}));
    inspector.clock += 500ms;
    // Own host, a subdomain of it, and hosts that only look alike.
    EXPECT_TRUE(inspector.inspection.frameFinished(
        {"https://www.news.example/today",
         {{"https://www.news.example/ads/own.png", 1},
          {"https://img.news.example/ads/sub.png", 1},
          {"https://badnews.example/ads/other.png", 1},
          {"https://platform.twitter.com/widgets.js", 7},
          {"https://t.example/pixel.gif", 1},
          {"https://cdn.example/lib.js", 1},
          {"data:image/png;base64,AAAA", 1}}}));
    EXPECT_EQ(inspector.seen.state, State::Finished);
    EXPECT_EQ(inspector.seen.time, "1.75 sec");
    EXPECT_FALSE(inspector.inspection.isTiming());
    inspector.inspection.showPageSize(123456);
    // GLib keeps the number and its unit together with a no-break space.
    EXPECT_EQ(inspector.seen.pageSize, "123.5\u00a0kB");
    inspector.settle();
    EXPECT_EQ(inspector.seen.adsCount, "2");
    EXPECT_EQ(inspector.seen.trackersCount, "1");
    EXPECT_EQ(inspector.seen.widgetCount, "1");

    // A late frame still adds; the time stays where it stopped.
    inspector.clock += 3s;
    inspector.inspection.refreshTime();
    inspector.inspection.frameFinished({"https://late.example/", {{"https://x.example/ads/late.gif", 1}}});
    inspector.settle();
    EXPECT_EQ(inspector.seen.adsCount, "3");
    EXPECT_EQ(inspector.seen.time, "1.75 sec");
    inspector.inspection.showPageSize(std::nullopt);
    EXPECT_EQ(inspector.seen.pageSize, "Unknown");
}

TEST(PageInspection, APageOfItsOwnHostsCountsZeroAndANewStartForgetsTheOldPage) {
    Inspector inspector;
    ASSERT_TRUE(inspector.inspection.start("https://site.example/"));
    inspector.inspection.frameFinished({"https://other.example/", {{"https://x.example/ads/a.gif", 1}}});
    // Started again before that frame's counts arrived: they belong to the old page.
    ASSERT_TRUE(inspector.inspection.start("https://site.example/"));
    EXPECT_TRUE(inspector.inspection.frameFinished(
        {"https://site.example/", {{"https://site.example/ads/a.gif", 1}, {"https://cdn.site.example/pixel.gif", 1}}}));
    inspector.settle();
    EXPECT_EQ(inspector.seen.adsCount, "0");
    EXPECT_EQ(inspector.seen.trackersCount, "0");
    EXPECT_EQ(inspector.seen.widgetCount, "0");
}

TEST(PageInspection, ACertificateFailureRetriesOnceOverHttpWithTheTimeRunningOn) {
    Inspector inspector;
    ASSERT_TRUE(inspector.inspection.start("secure.example/page"));
    inspector.clock += 2s;
    LogCapture log;
    // Failures of other hosts, and cancelled loads, change nothing.
    EXPECT_EQ(inspector.inspection.loadFailed("https://cdn.example/x.js", Failure::Other, "boom"), std::nullopt);
    EXPECT_EQ(inspector.inspection.loadFailed("https://secure.example/page", Failure::Cancelled, "cancelled"),
              std::nullopt);
    EXPECT_EQ(inspector.seen.error, " ");

    const auto retry =
        inspector.inspection.loadFailed("https://secure.example/page", Failure::UntrustedCertificate, "bad");
    ASSERT_TRUE(retry);
    EXPECT_EQ(*retry, (PageInspection::LoadRequest{"http://secure.example/page", false, 60s}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"HTTPS load failed", "Retrying with HTTP schema"}));
    EXPECT_TRUE(inspector.inspection.isTiming());
    EXPECT_EQ(inspector.seen.state, State::Loading);
    inspector.clock += 1s;
    EXPECT_TRUE(inspector.inspection.frameFinished({"http://secure.example/page", {}}));
    EXPECT_EQ(inspector.seen.time, "3.00 sec");

    // Sent back to HTTPS and failing again: no second round.
    ASSERT_TRUE(inspector.inspection.start("secure.example/page"));
    ASSERT_TRUE(
        inspector.inspection.loadFailed("https://secure.example/page", Failure::UntrustedCertificate, "Untrusted"));
    EXPECT_EQ(
        inspector.inspection.loadFailed("https://secure.example/page", Failure::UntrustedCertificate, "Untrusted"),
        std::nullopt);
    EXPECT_EQ(inspector.seen.error, "Error: Untrusted");
    EXPECT_EQ(inspector.seen.state, State::Finished);
}

TEST(PageInspection, OtherFailuresAndTheTimeOutEndTheInspection) {
    Inspector inspector;
    ASSERT_TRUE(inspector.inspection.start("down.example"));
    inspector.clock += 300ms;
    inspector.inspection.loadFailed("https://down.example", Failure::Other, "Could not connect: Connection refused");
    EXPECT_EQ(inspector.seen.error, "Error: Could not connect: Connection refused");
    EXPECT_EQ(inspector.seen.time, "0.30 sec");
    EXPECT_EQ(inspector.seen.state, State::Finished);

    ASSERT_TRUE(inspector.inspection.start("slow.example"));
    inspector.clock += 15s;
    inspector.inspection.timedOut();
    EXPECT_EQ(inspector.seen.error, "Error: Request timed out");
    EXPECT_EQ(inspector.seen.time, "15.00 sec");
    // Once finished, a late time-out changes nothing.
    inspector.seen.error.clear();
    inspector.inspection.timedOut();
    EXPECT_EQ(inspector.seen.error, "");
}

TEST(PageInspection, AMainFrameRedirectMovesTheInspectionToTheNewHost) {
    Inspector inspector;
    ASSERT_TRUE(inspector.inspection.start("old.example"));
    LogCapture log;
    inspector.inspection.redirected(false, "https://frame.example/next");
    EXPECT_EQ(inspector.inspection.hostBeingInspected(), "old.example");
    inspector.inspection.redirected(true, "https://new.example/landing");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"not main redirect frame.example", "redirecting to new.example"}));
    EXPECT_EQ(inspector.inspection.hostBeingInspected(), "new.example");
    EXPECT_TRUE(inspector.inspection.isInspectedCommit("https://new.example/landing"));
    EXPECT_FALSE(inspector.inspection.frameFinished({"https://old.example/", {}}));
    EXPECT_TRUE(inspector.inspection.frameFinished({"https://new.example/landing", {}}));
}
