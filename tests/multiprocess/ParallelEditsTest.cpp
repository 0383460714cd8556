// Many orvanectl processes changing one home at the same moment, as the application, scripts and
// the browser extension do: every edit and every switch is kept, and the last rebuild holds
// exactly what is enabled.

#include "model/JsonEncoding.h"
#include "multiprocess/AtOnce.h"
#include "platform/JsonText.h"
#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "support/Fixtures.h"
#include "support/Json.h"
#include "support/TempHome.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <tuple>

using namespace orvane;
using namespace orvane::test;

namespace {

std::string numbered(const std::string& prefix, int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return prefix + text;
}

class ParallelEdits : public testing::Test {
protected:
    // "block-ads" with 25 rules "ads-00".."ads-24", and twelve packages "p01".."p12" of one rule
    // each, "p01-rule"...
    ParallelEdits() {
        std::vector<Package> preinstalled{makePackage("block-ads", "Ads")};
        for (int n = 0; n < 25; ++n) {
            preinstalled.front().rules.push_back(blockRule(numbered("ads-", n)));
        }
        for (int n = 1; n <= 12; ++n) {
            preinstalled.push_back(makePackage(numbered("p", n), numbered("Package ", n),
                                               {blockRule(numbered("p", n) + "-rule")}));
        }
        writeText(home.resources() / "PreinstalledPackages.json", *toJSONString(preinstalled));
    }

    ProgramResult run(const std::vector<std::string>& arguments) {
        auto result = orvanectl(arguments);
        EXPECT_EQ(result.exitCode, 0) << "orvanectl " << arguments.front() << ":\n" << result.err;
        return result;
    }

    // The url filters of "tmp.json", sorted.
    std::vector<std::string> compiledFilters() const {
        std::vector<std::string> filters;
        JsonDocument document = parsed(readText(home.shared() / "tmp.json"));
        for (const auto& entry : document.GetArray()) {
            filters.emplace_back(entry["trigger"]["url-filter"].GetString());
        }
        std::sort(filters.begin(), filters.end());
        return filters;
    }

    // Package id → (rule count, disabled rule count, enabled), as `packages` reports them.
    std::map<std::string, std::tuple<int, int, bool>> packageSummaries() {
        std::map<std::string, std::tuple<int, int, bool>> summaries;
        JsonDocument list = parsed(run({"packages", "--json"}).out);
        for (const auto& package : list.GetArray()) {
            summaries[package["id"].GetString()] = {package["rules"].GetInt(), package["disabledRules"].GetInt(),
                                                    package["enabled"].GetBool()};
        }
        return summaries;
    }

    // The ids of a package's rules that `rules --filter` lists.
    std::vector<std::string> ruleIds(const std::string& package, const std::string& filter) {
        std::vector<std::string> ids;
        JsonDocument list = parsed(run({"rules", package, "--filter", filter, "--json"}).out);
        for (const auto& rule : list.GetArray()) {
            ids.emplace_back(rule["id"].GetString());
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    TempHome home;
};

} // namespace

TEST_F(ParallelEdits, RulesAndPackagesMadeAtOnceAreAllKeptQueuedAndUploaded) {
    // The cloud cannot be reached at first: every change waits in the local changes queue.
    ::setenv("ORVANE_CLOUD", "sqlite:/dev/null/Cloud", 1);
    run({"launch"});

    std::vector<std::vector<std::string>> adds;
    for (int n = 0; n < 20; ++n) {
        adds.push_back({"add", "block-url", "--url-filter", "par" + std::to_string(n) + "\\.js"});
    }
    std::set<std::string> printed;
    for (const auto& result : orvanectlAtOnce(adds)) {
        EXPECT_EQ(result.exitCode, 0) << result.err;
        printed.insert(firstLine(result.out));
    }
    EXPECT_EQ(printed.size(), 20u);
    const auto stored = ruleIds("block-url", "all");
    EXPECT_EQ(std::set<std::string>(stored.begin(), stored.end()), printed);
    std::vector<std::string> filters = compiledFilters();
    for (int n = 0; n < 20; ++n) {
        EXPECT_TRUE(std::binary_search(filters.begin(), filters.end(), "par" + std::to_string(n) + "\\.js")) << n;
    }
    UserDefaults& group = UserDefaults::group();
    group.synchronize();
    const auto queued = group.dictionaryForKey("AddedRules").value_or(PropertyDictionary{});
    std::set<std::string> queuedIds;
    for (const auto& [id, fields] : queued) {
        queuedIds.insert(id);
    }
    EXPECT_EQ(queuedIds, printed);

    // Now it can: the processes that make packages upload the queue while the others add to it.
    const std::string cloud = "sqlite:" + (home.home() / "Cloud").string();
    ::setenv("ORVANE_CLOUD", cloud.c_str(), 1);

    std::vector<std::vector<std::string>> packages;
    for (int n = 0; n < 10; ++n) {
        packages.push_back({"package", "new", "Parallel " + std::to_string(n)});
    }
    std::set<std::string> made;
    for (const auto& result : orvanectlAtOnce(packages)) {
        EXPECT_EQ(result.exitCode, 0) << result.err;
        made.insert(firstLine(result.out));
    }
    EXPECT_EQ(made.size(), 10u);
    std::set<std::string> custom;
    JsonDocument listed = parsed(run({"packages", "--json"}).out);
    for (const auto& package : listed.GetArray()) {
        if (std::string(package["section"].GetString()) == "custom") {
            custom.insert(package["id"].GetString());
        }
    }
    EXPECT_EQ(custom, made);

    // Every rule and package went through the queue to the cloud, whichever process queued it
    // and whichever uploaded it: a second machine of the account gets them all.
    TemporaryDirectory secondMachine;
    const Environment second{{"ORVANE_HOME", secondMachine.path().string()},
                             {"ORVANE_RESOURCES", home.resources().string()},
                             {"ORVANE_CLOUD", cloud}};
    auto synced = orvanectl({"sync"}, "", second);
    ASSERT_EQ(synced.exitCode, 0) << synced.err;
    JsonDocument rules = parsed(orvanectl({"rules", "block-url", "--json"}, "", second).out);
    std::set<std::string> arrived;
    for (const auto& rule : rules.GetArray()) {
        arrived.insert(rule["id"].GetString());
    }
    EXPECT_EQ(arrived, printed);
    std::set<std::string> packagesArrived;
    JsonDocument secondPackages = parsed(orvanectl({"packages", "--json"}, "", second).out);
    for (const auto& package : secondPackages.GetArray()) {
        if (std::string(package["section"].GetString()) == "custom") {
            packagesArrived.insert(package["id"].GetString());
        }
    }
    EXPECT_EQ(packagesArrived, made);
}

TEST_F(ParallelEdits, SwitchesFlippedAtOnceAreAllKeptAndTheLastRebuildHoldsExactlyTheEnabledRules) {
    run({"launch"});
    std::vector<std::vector<std::string>> switches;
    for (int n = 0; n < 20; ++n) {
        switches.push_back({"disable", "block-ads", numbered("ads-", n)});
    }
    for (int n = 1; n <= 12; ++n) {
        switches.push_back({"disable", numbered("p", n)});
    }
    for (const auto& result : orvanectlAtOnce(switches)) {
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }

    auto summaries = packageSummaries();
    EXPECT_EQ(summaries["block-ads"], std::make_tuple(25, 20, true));
    for (int n = 1; n <= 12; ++n) {
        EXPECT_EQ(summaries[numbered("p", n)], std::make_tuple(1, 0, false)) << n;
    }
    std::vector<std::string> disabled;
    for (int n = 0; n < 20; ++n) {
        disabled.push_back(numbered("ads-", n));
    }
    EXPECT_EQ(ruleIds("block-ads", "disabled"), disabled);
    EXPECT_EQ(compiledFilters(), (std::vector<std::string>{"ads-20", "ads-21", "ads-22", "ads-23", "ads-24"}));

    // Sets written by another writer out of order and with repeats: every reader agrees on what
    // they say, and they are stored in order.
    run({"prefs", "local"});
    UserDefaults& group = UserDefaults::group();
    group.set(kDisabledUserPreferenceForRules,
              PropertyDictionary{{"block-ads", PropertyArray{"ads-23", "ads-21", "ads-03", "ads-21", "ads-01"}}});
    group.set(kDisabledUserPreferenceForPackages, PropertyArray{"p02", "p01", "p02"});
    EXPECT_EQ(run({"rebuild"}).out, "Reloaded\n");
    summaries = packageSummaries();
    EXPECT_EQ(summaries["block-ads"], std::make_tuple(25, 4, true));
    EXPECT_FALSE(std::get<2>(summaries["p01"]));
    EXPECT_FALSE(std::get<2>(summaries["p02"]));
    EXPECT_TRUE(std::get<2>(summaries["p03"]));
    EXPECT_EQ(ruleIds("block-ads", "disabled"), (std::vector<std::string>{"ads-01", "ads-03", "ads-21", "ads-23"}));
    EXPECT_EQ(ruleIds("block-ads", "enabled").size(), 21u);
    std::vector<std::string> enabled;
    for (int n = 0; n < 25; ++n) {
        if (n != 1 && n != 3 && n != 21 && n != 23) {
            enabled.push_back(numbered("ads-", n));
        }
    }
    for (int n = 3; n <= 12; ++n) {
        enabled.push_back(numbered("p", n) + "-rule");
    }
    std::sort(enabled.begin(), enabled.end());
    EXPECT_EQ(compiledFilters(), enabled);
    group.synchronize();
    EXPECT_EQ(group.object(kDisabledUserPreferenceForRules),
              PropertyValue(PropertyDictionary{{"block-ads", PropertyArray{"ads-01", "ads-03", "ads-21", "ads-23"}}}));
}
