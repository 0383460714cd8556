#include "BrowserTestSupport.h"

#include "browser/ContentBlockerManager.h"
#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/AtomicFile.h"
#include "platform/JsonText.h"
#include "platform/Locations.h"

#include <gtest/gtest.h>
#include <re2/re2.h>

#include <future>
#include <map>
#include <memory>
#include <set>

using namespace orvane;
using namespace orvane::browser;
using namespace orvane::browser::testing;

namespace {

const std::vector<std::string> kPackageIds{"block-ads",
                                           "block-trackers",
                                           "block-twitter-widgets",
                                           "block-facebook-widgets",
                                           "block-other-sharing-widgets",
                                           "block-annoyances",
                                           "block-comments"};

std::string fileText() {
    const auto text = readWholeFile(std::filesystem::path(ORVANE_SOURCE_RESOURCES) / "PreinstalledPackages.json");
    EXPECT_TRUE(text.has_value());
    return text.value_or("");
}

std::vector<Package> packages() {
    const auto document = parseJson(fileText());
    EXPECT_TRUE(document && document->IsArray());
    return document ? packagesFromJSON(*document) : std::vector<Package>{};
}

// The expressions of a package's blocking rules, matched as the page inspector matches them:
// case-insensitively, anywhere in the URL.
std::map<std::string, std::vector<std::shared_ptr<RE2>>> blockExpressions() {
    std::map<std::string, std::vector<std::shared_ptr<RE2>>> expressions;
    RE2::Options options;
    options.set_case_sensitive(false);
    options.set_log_errors(false);
    for (const auto& package : packages()) {
        for (const auto& rule : package.rules) {
            if (rule.blocker.action.type != ActionType::Block) {
                continue;
            }
            auto expression = std::make_shared<RE2>(rule.blocker.trigger.urlFilter, options);
            EXPECT_TRUE(expression->ok()) << package.id << " / " << rule.name << ": " << expression->error();
            expressions[package.id].push_back(std::move(expression));
        }
    }
    return expressions;
}

std::set<std::string> packagesBlocking(const std::map<std::string, std::vector<std::shared_ptr<RE2>>>& expressions,
                                       const std::string& url) {
    std::set<std::string> hits;
    for (const auto& [package, list] : expressions) {
        for (const auto& expression : list) {
            if (RE2::PartialMatch(url, *expression)) {
                hits.insert(package);
                break;
            }
        }
    }
    return hits;
}

} // namespace

TEST(PreinstalledPackages, EveryRuleIsReadableAndIdentifiedOnce) {
    const auto document = parseJson(fileText());
    ASSERT_TRUE(document && document->IsArray());
    const auto decoded = packagesFromJSON(*document);
    ASSERT_EQ(decoded.size(), document->Size());

    const RE2 uuid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    std::set<std::string> packageIds;
    std::set<std::string> ruleIds;
    for (rapidjson::SizeType index = 0; index < document->Size(); ++index) {
        const auto& raw = (*document)[index];
        const auto& package = decoded[index];
        SCOPED_TRACE(package.id);
        ASSERT_TRUE(raw.HasMember("id") && raw["id"].IsString());
        ASSERT_TRUE(raw.HasMember("rules") && raw["rules"].IsArray());
        EXPECT_EQ(package.rules.size(), raw["rules"].Size()) << "a rule failed to read";
        EXPECT_FALSE(package.name.empty());
        EXPECT_TRUE(packageIds.insert(package.id).second) << "package id used twice";
        std::set<std::string> names;
        for (const auto& rule : package.rules) {
            EXPECT_TRUE(RE2::FullMatch(rule.id, uuid)) << rule.id;
            EXPECT_TRUE(ruleIds.insert(rule.id).second) << "rule id used twice: " << rule.id;
            EXPECT_FALSE(rule.name.empty());
            EXPECT_TRUE(names.insert(rule.name).second) << "rule name used twice: " << rule.name;
            if (rule.blocker.action.type == ActionType::Hide) {
                EXPECT_TRUE(rule.blocker.action.selector && !rule.blocker.action.selector->empty()) << rule.name;
            }
        }
    }
}

TEST(PreinstalledPackages, HoldTheSevenPackagesWithDozensOfRulesEach) {
    const auto all = packages();
    for (const auto& id : kPackageIds) {
        const auto found = std::find_if(all.begin(), all.end(), [&](const Package& package) { return package.id == id; });
        ASSERT_NE(found, all.end()) << id;
        EXPECT_GE(found->rules.size(), 24u) << id;
    }
}

TEST(PreinstalledPackages, BlockRulesCatchWellKnownHostsOfTheirKindOnly) {
    const auto expressions = blockExpressions();
    // The inspector tries widgets, then trackers, then ads, and counts the first kind that
    // matches; a URL of one kind must not be caught by the kinds tried before it.
    const std::set<std::string> widgets{"block-twitter-widgets", "block-facebook-widgets", "block-other-sharing-widgets"};
    const std::map<std::string, std::pair<std::vector<std::string>, std::set<std::string>>> representative{
        {"block-ads",
         {{"https://securepubads.g.doubleclick.net/tag/js/gpt.js",
           "https://pagead2.googlesyndication.com/pagead/js/adsbygoogle.js?client=ca-pub-1",
           "https://www.googleadservices.com/pagead/conversion.js", "https://ib.adnxs.com/ut/v3/prebid",
           "https://c.amazon-adsystem.com/aax2/apstag.js", "https://cdn.taboola.com/libtrc/site/loader.js",
           "https://static.criteo.net/js/ld/publishertag.js", "https://fastlane.rubiconproject.com/a/api/fastlane.json",
           "https://widgets.outbrain.com/outbrain.js", "https://adservice.google.com/adsid/integrator.js",
           "https://adservice.google.co.uk/ddm/fls/z/src=1"},
          {"block-trackers", "block-twitter-widgets", "block-facebook-widgets", "block-other-sharing-widgets"}}},
        {"block-trackers",
         {{"https://www.google-analytics.com/analytics.js", "https://www.googletagmanager.com/gtag/js?id=G-ABC123",
           "https://region1.analytics.google.com/g/collect?v=2", "https://sb.scorecardresearch.com/beacon.js",
           "https://static.hotjar.com/c/hotjar-1.js?sv=6", "https://www.facebook.com/tr?id=123&ev=PageView",
           "https://bat.bing.com/bat.js", "https://cdn.segment.com/analytics.js/v1/key/analytics.min.js",
           "https://mc.yandex.ru/metrika/tag.js", "https://px.ads.linkedin.com/collect/?pid=1",
           "https://static.ads-twitter.com/uwt.js", "https://www.clarity.ms/tag/abc"},
          widgets}},
        {"block-twitter-widgets",
         {{"https://platform.twitter.com/widgets.js", "https://syndication.twitter.com/srv/timeline-profile/screen-name/x",
           "https://cdn.syndication.twimg.com/tweet-result?id=1", "https://platform.x.com/widgets.js",
           "https://twitter.com/intent/tweet?text=hello"},
          {}}},
        {"block-facebook-widgets",
         {{"https://connect.facebook.net/en_US/sdk.js", "https://www.facebook.com/plugins/like.php?href=x",
           "https://www.facebook.com/v18.0/plugins/page.php?href=x", "https://www.facebook.com/sharer/sharer.php?u=x",
           "https://www.instagram.com/embed.js"},
          {}}},
        {"block-other-sharing-widgets",
         {{"https://s7.addthis.com/js/300/addthis_widget.js", "https://static.addtoany.com/menu/page.js",
           "https://platform-api.sharethis.com/js/sharethis.js#property=1", "https://assets.pinterest.com/js/pinit.js",
           "https://platform.linkedin.com/in.js", "https://embed.reddit.com/r/x/comments/1/y/"},
          {}}},
        {"block-comments",
         {{"https://example.disqus.com/embed.js", "https://c.disquscdn.com/next/embed/common.bundle.js",
           "https://launcher.spot.im/spot/sp_1", "https://utteranc.es/client.js"},
          {}}},
    };
    for (const auto& [package, urlsAndEarlierKinds] : representative) {
        const auto& [urls, earlierKinds] = urlsAndEarlierKinds;
        for (const auto& url : urls) {
            SCOPED_TRACE(package + ": " + url);
            const auto hits = packagesBlocking(expressions, url);
            EXPECT_TRUE(hits.count(package) == 1) << "not caught";
            for (const auto& earlier : earlierKinds) {
                EXPECT_EQ(hits.count(earlier), 0u) << "also caught by " << earlier;
            }
        }
    }
}

TEST(PreinstalledPackages, BlockRulesLeaveOrdinaryPagesAlone) {
    const auto expressions = blockExpressions();
    for (const std::string url : {"https://en.wikipedia.org/wiki/Advertising", "https://www.google.com/search?q=ads+tracker",
                                  "https://twitter.com/home", "https://x.com/explore", "https://www.facebook.com/",
                                  "https://www.facebook.com/track-and-field", "https://www.linkedin.com/feed/",
                                  "https://www.reddit.com/r/programming/", "https://notdoubleclick.net.example.org/",
                                  "https://example.com/downloads/adservice.google.com.pdf", "https://www.bbc.co.uk/news",
                                  "https://www.pinterest.com/ideas/", "https://github.com/segmentio/analytics.js"}) {
        EXPECT_EQ(packagesBlocking(expressions, url), std::set<std::string>{}) << url;
    }
}

TEST(PreinstalledPackages, WebKitCompilesEveryRule) {
    TempHome home;
    std::vector<Blocker> blockers;
    for (const auto& package : packages()) {
        for (const auto& rule : package.rules) {
            blockers.push_back(rule.blocker);
        }
    }
    ASSERT_GT(blockers.size(), 7u * 24u);
    const auto json = toJSONString(blockers);
    ASSERT_TRUE(json.has_value());
    ASSERT_TRUE(writeFileAtomically(sharedContainerDirectory() / "tmp.json", *json));

    std::promise<std::optional<BrowserError>> promise;
    auto future = promise.get_future();
    ContentBlockerManager::reloadContentBlocker(kContentBlockerIdentifier,
                                                [&promise](std::optional<BrowserError> error) { promise.set_value(std::move(error)); });
    ASSERT_EQ(future.wait_for(std::chrono::seconds(120)), std::future_status::ready);
    const auto error = future.get();
    EXPECT_FALSE(error.has_value()) << error->message;
}
