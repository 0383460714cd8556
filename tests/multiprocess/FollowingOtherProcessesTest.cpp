// A process that stays open (a watch, the application's catalog) follows what other processes of
// the home change: it rebuilds from the current files and switches, and its lists refresh.

#include "app/CoreServices.h"
#include "catalog/DataManager.h"
#include "model/JsonEncoding.h"
#include "multiprocess/AtOnce.h"
#include "platform/JsonText.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "prefs/BlockerPreferenceManager.h"
#include "support/BackgroundProgram.h"
#include "support/Fixtures.h"
#include "support/Json.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <thread>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

constexpr const char* kPlaceholder = "#s0a0l0a0v0a0t";

class FollowingOtherProcesses : public testing::Test {
protected:
    FollowingOtherProcesses() {
        writeText(home.resources() / "PreinstalledPackages.json",
                  *toJSONString(std::vector<Package>{
                      makePackage("block-ads", "Ads", {blockRule("ads-1", "ads\\.js"), blockRule("ads-2", "more-ads\\.js")})}));
    }

    std::string run(const std::vector<std::string>& arguments) {
        auto result = orvanectl(arguments);
        EXPECT_EQ(result.exitCode, 0) << "orvanectl " << arguments.front() << ":\n" << result.err;
        return firstLine(result.out);
    }

    std::string compiled() const { return readText(home.shared() / "tmp.json"); }

    // The url filters of "tmp.json", sorted.
    std::vector<std::string> compiledFilters() const {
        std::vector<std::string> filters;
        auto document = parseJson(compiled());
        if (!document || !document->IsArray()) {
            return {"<unreadable>"};
        }
        for (const auto& entry : document->GetArray()) {
            filters.emplace_back(entry["trigger"]["url-filter"].GetString());
        }
        std::sort(filters.begin(), filters.end());
        return filters;
    }

    // The program runs on its own; "tmp.json" is looked at until it shows what is awaited.
    bool waitForCompiled(const std::function<bool()>& condition) const {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    // Makes the watch rebuild: pausing writes the placeholder, resuming the rules the watch finds.
    void letTheWatchRebuild() {
        run({"signal", "paused", "on"});
        ASSERT_TRUE(waitForCompiled([&] { return compiled().find(kPlaceholder) != std::string::npos; }));
        run({"signal", "paused", "off"});
        ASSERT_TRUE(waitForCompiled([&] { return compiled().find(kPlaceholder) == std::string::npos; }));
    }

    TempHome home;
};

} // namespace

TEST_F(FollowingOtherProcesses, AWatchRebuildsFromWhatOtherProcessesSavedAndSwitched) {
    run({"launch"});
    BackgroundProgram watch("orvanectl", {"watch"});
    ASSERT_TRUE(watch.waitForOutput("Watching", 30s)) << watch.output();

    run({"add", "block-url", "--url-filter", "added\\.js"});
    const std::string custom = run({"package", "new", "Elsewhere"});
    run({"add", custom, "block-url", "--url-filter", "elsewhere\\.js"});
    run({"disable", "block-ads", "ads-2"});
    letTheWatchRebuild();
    EXPECT_EQ(compiledFilters(), (std::vector<std::string>{"added\\.js", "ads\\.js", "elsewhere\\.js"}));

    // The extension asks for a re-read of the files it may have changed.
    run({"signal", "reloadRulesFromDisk"});
    letTheWatchRebuild();
    EXPECT_EQ(compiledFilters(), (std::vector<std::string>{"added\\.js", "ads\\.js", "elsewhere\\.js"}));

    // The switches move to this machine in another process; the watch uses them from then on.
    run({"prefs", "local"});
    run({"enable", "block-ads", "ads-2"});
    letTheWatchRebuild();
    EXPECT_EQ(compiledFilters(),
              (std::vector<std::string>{"added\\.js", "ads\\.js", "elsewhere\\.js", "more-ads\\.js"}));
    EXPECT_EQ(watch.interrupt(), 0) << watch.output();
}

TEST_F(FollowingOtherProcesses, AnOpenCatalogShowsWhatAnotherProcessSaved) {
    CoreServices services;
    int saves = 0;
    int switches = 0;
    ObserverRegistration saved(kDidSavePackages, [&](const Notification&) { ++saves; });
    ObserverRegistration switched(kDidSaveUserPreference, [&](const Notification&) { ++switches; });
    int remoteSwitches = 0;
    ObserverRegistration switchedRemotely(kRemotePreferenceSync, [&](const Notification&) { ++remoteSwitches; });
    // As the application at launch: the sync manager hears the key-value store's changes.
    registerRemoteNotifications();
    const auto summary = [&](const std::string& name) -> std::optional<PackageSummary> {
        for (auto& package : services.packages().summaries()) {
            if (package.name == name) {
                return package;
            }
        }
        return std::nullopt;
    };
    ASSERT_TRUE(summary("Ads"));
    drainMainQueue();
    saves = 0;

    // Only the notification is awaited: the lists are not asked until it came, so it is the
    // watch on the files, not a look at them, that brings the change in.
    const std::string id = run({"package", "new", "From another process"});
    ASSERT_TRUE(runMainLoopUntil([&] { return saves > 0; }, 10s));
    auto made = summary("From another process");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->id, id);
    EXPECT_EQ(made->section, PackageSection::Custom);

    saves = 0;
    run({"add", id, "block-url", "--url-filter", "other\\.js"});
    ASSERT_TRUE(runMainLoopUntil([&] { return saves > 0; }, 10s));
    EXPECT_EQ(summary("From another process")->ruleCount, 1u);

    // Switches kept in the key-value store (no account: on this machine), then in the group
    // defaults: either way the lists hear of another process's switch.
    run({"disable", "block-ads"});
    ASSERT_TRUE(runMainLoopUntil([&] { return remoteSwitches > 0; }, 10s));
    EXPECT_FALSE(summary("Ads")->enabled);
    run({"prefs", "local"});
    run({"enable", "block-ads"});
    ASSERT_TRUE(runMainLoopUntil([&] { return switches > 0 && summary("Ads")->enabled; }, 10s));
}
