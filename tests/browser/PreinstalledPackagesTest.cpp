// The preinstalled package file the build made: EasyList and EasyPrivacy converted, the
// hand-written packages after them; every rule readable, classified as the inspector classifies,
// and compiled by WebKit.

#include "BrowserTestSupport.h"

#include "browser/ContentBlockerManager.h"
#include "filterlists/ElementHiding.h"
#include "filterlists/FilterListConverter.h"
#include "inspector/ResourceFilter.h"
#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/AtomicFile.h"
#include "platform/JsonText.h"
#include "platform/Locations.h"
#include "support/RunProgram.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <re2/re2.h>

#include <future>
#include <set>

using namespace orvane;
using namespace orvane::browser;
using namespace orvane::browser::testing;

namespace {

const std::filesystem::path kBuilt = std::filesystem::path(ORVANE_BUILD_RESOURCES) / "PreinstalledPackages.json";

std::vector<Package> readPackages(const std::filesystem::path& path, SkippedRules* unreadable = nullptr) {
    const auto text = readWholeFile(path);
    EXPECT_TRUE(text.has_value()) << path;
    const auto document = parseJson(text.value_or(""));
    EXPECT_TRUE(document && document->IsArray()) << path;
    return document ? packagesFromJSON(*document, unreadable) : std::vector<Package>{};
}

const std::vector<Package>& built() {
    static const std::vector<Package> packages = readPackages(kBuilt);
    return packages;
}

std::string listText(const char* name) {
    return readWholeFile(std::filesystem::path(ORVANE_EASYLIST_DIR) / name).value_or("");
}

// WebKit's refusal of the list, or nothing when it compiled.
std::optional<std::string> compile(const std::vector<Blocker>& blockers, const std::filesystem::path& folder) {
    const auto file = folder / "list.json";
    EXPECT_TRUE(writeFileAtomically(file, *toJSONString(blockers)));
    const auto compiled =
        orvane::test::runProgram("orvane-filter-compiler", {(folder / "store").string(), "probe", file.string()});
    if (compiled.exitCode == 0) {
        return std::nullopt;
    }
    return compiled.out + compiled.err;
}

} // namespace

TEST(PreinstalledPackages, AreDebiansEasyListAndEasyPrivacyConvertedWithTheHandWrittenPackagesAfter) {
    SkippedRules unreadable;
    const auto packages = readPackages(kBuilt, &unreadable);
    EXPECT_TRUE(unreadable.empty()) << unreadable.summary();
    const auto handWritten = readPackages(std::filesystem::path(ORVANE_SOURCE_DIR) / "resources/HandWrittenPackages.json");
    ASSERT_EQ(packages.size(), 2 + handWritten.size());

    // The file is what the converter makes of the lists today, so it is never left behind them.
    const std::string easyList = listText("easylist.txt");
    const std::string easyPrivacy = listText("easyprivacy.txt");
    const auto converted = filterlists::convertFilterLists(
        {{easyList, "block-ads", "Block Ads"}, {easyPrivacy, "block-trackers", "Block Trackers"}});
    ASSERT_EQ(converted.size(), 2u);
    EXPECT_EQ(packages[0], converted[0].package);
    EXPECT_EQ(packages[1], converted[1].package);
    EXPECT_GT(converted[0].package.rules.size(), 20000u);
    EXPECT_GT(converted[1].package.rules.size(), 20000u);
    // EasyList's exceptions reach EasyPrivacy's blocks too, as in an engine using both.
    EXPECT_GT(converted[1].report.exceptionsRepeated, 100u);
    for (std::size_t i = 0; i < handWritten.size(); ++i) {
        EXPECT_EQ(packages[2 + i], handWritten[i]);
    }
    std::vector<std::string> ids;
    for (const auto& package : packages) {
        ids.push_back(package.id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"block-ads", "block-trackers", "block-twitter-widgets",
                                             "block-facebook-widgets", "block-other-sharing-widgets",
                                             "block-annoyances", "block-comments"}));

    const RE2 uuid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    std::set<std::string> ruleIds;
    for (const auto& package : packages) {
        for (const auto& rule : package.rules) {
            EXPECT_TRUE(RE2::FullMatch(rule.id, uuid)) << rule.id;
            EXPECT_TRUE(ruleIds.insert(rule.id).second) << "rule id used twice: " << rule.id;
            EXPECT_FALSE(rule.name.empty()) << rule.id;
            if (rule.blocker.action.type == ActionType::Hide) {
                EXPECT_TRUE(rule.blocker.action.selector && !rule.blocker.action.selector->empty()) << rule.name;
            }
        }
    }
}

TEST(PreinstalledPackages, TheInspectorSortsWellKnownLoadsIntoTheirKindAndLeavesOrdinaryOnesAlone) {
    const ResourceFilter filter(built());
    using Result = ResourceFilter::Result;
    const std::vector<std::pair<std::string, Result>> loads{
        {"https://pagead2.googlesyndication.com/pagead/js/adsbygoogle.js?client=ca-pub-1", Result::Ad},
        {"https://c.amazon-adsystem.com/aax2/apstag.js", Result::Ad},
        {"https://ib.adnxs.com/ut/v3/prebid", Result::Ad},
        {"https://ads.pubmatic.com/AdServer/js/pwt/1/pwt.js", Result::Ad},
        {"https://a.teads.tv/page/1/tag.js", Result::Ad},
        // EasyPrivacy names it too, and trackers are tried before ads.
        {"https://securepubads.g.doubleclick.net/tag/js/gpt.js", Result::Tracker},
        {"https://www.google-analytics.com/analytics.js", Result::Tracker},
        {"https://www.googletagmanager.com/gtag/js?id=G-ABC123", Result::Tracker},
        {"https://sb.scorecardresearch.com/beacon.js", Result::Tracker},
        {"https://static.hotjar.com/c/hotjar-1.js?sv=6", Result::Tracker},
        {"https://mc.yandex.ru/metrika/tag.js", Result::Tracker},
        {"https://platform.twitter.com/widgets.js", Result::Widget},
        {"https://connect.facebook.net/en_US/sdk.js", Result::Widget},
        {"https://s7.addthis.com/js/300/addthis_widget.js", Result::Widget},
        {"https://en.wikipedia.org/wiki/Advertising", Result::None},
        {"https://www.bbc.co.uk/news", Result::None},
        {"https://github.com/segmentio/analytics.js", Result::None},
        {"https://github.com/torvalds/linux", Result::None},
        {"https://upload.wikimedia.org/wikipedia/commons/a/a9/Example.jpg", Result::None},
        {"https://cdn.jsdelivr.net/npm/bootstrap@5.3.0/dist/css/bootstrap.min.css", Result::None},
        {"https://www.debian.org/Pics/debian-logo-1024x576.png", Result::None},
    };
    for (const auto& [url, kind] : loads) {
        EXPECT_EQ(filter.classify(url), kind) << url;
    }
}

TEST(PreinstalledPackages, WebKitCompilesTheWholeFileAndKeepsEveryHidingRule) {
    TempHome home;
    std::vector<Blocker> blockers;
    std::vector<Blocker> genericGroups;
    std::string everySelector;
    for (const auto& package : built()) {
        for (const auto& rule : package.rules) {
            blockers.push_back(rule.blocker);
            if (rule.blocker.action.type != ActionType::Hide) {
                continue;
            }
            everySelector += (everySelector.empty() ? "" : ", ") + *rule.blocker.action.selector;
            if (!rule.blocker.trigger.domainFilter) {
                genericGroups.push_back(rule.blocker);
            }
        }
    }
    ASSERT_GT(blockers.size(), 100000u);
    ASSERT_TRUE(writeFileAtomically(sharedContainerDirectory() / "tmp.json", *toJSONString(blockers)));
    std::promise<std::optional<BrowserError>> promise;
    auto future = promise.get_future();
    ContentBlockerManager::reloadContentBlocker(kContentBlockerIdentifier,
                                                [&promise](std::optional<BrowserError> error) { promise.set_value(std::move(error)); });
    ASSERT_EQ(future.wait_for(std::chrono::seconds(240)), std::future_status::ready);
    const auto error = future.get();
    EXPECT_FALSE(error.has_value()) << error->message;

    // WebKit drops a hiding rule with a selector it cannot parse without a word, and a list of
    // nothing but dropped rules is an empty list, which it refuses. So each generic group alone,
    // and one rule holding every selector of the file, compile only if no selector is dropped.
    EXPECT_GE(genericGroups.size(), filterlists::ElementHiding::kGenericGroups / 2);
    orvane::test::TemporaryDirectory folder;
    for (std::size_t i = 0; i < genericGroups.size(); ++i) {
        const auto dropped = compile({genericGroups[i]}, folder / std::to_string(i));
        EXPECT_FALSE(dropped.has_value()) << "generic group " << i << ": " << *dropped;
    }
    Trigger everywhere;
    everywhere.urlFilter = ".*";
    const auto dropped = compile({Blocker{everywhere, Action{ActionType::Hide, everySelector}}}, folder / "all");
    EXPECT_FALSE(dropped.has_value()) << *dropped;
}
