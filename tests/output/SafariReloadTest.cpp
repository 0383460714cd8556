#include "output/Safari.h"

#include "app/CoreServices.h"
#include "browser/ExtensionSettings.h"
#include "catalog/DataManager.h"
#include "output/ContentBlockerFile.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "prefs/PreferenceStore.h"
#include "storage/PersistentStore.h"
#include "support/Fixtures.h"
#include "support/ReadOnlyFolder.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

class ReloadTest : public testing::Test {
protected:
    ReloadTest() {
        UserDefaults::group().set(kStorePreferencesLocally, true);
        DataManager::shared().setPreinstalledPackages({makePackage("block-ads", "Ads", {blockRule("ads", "ads")})});
    }

    // Holds the reload queue until released, so requests made meanwhile stay pending.
    void blockQueue() {
        Safari::reloadQueue().addOperation([this](const Operation&) {
            std::unique_lock lock(mutex_);
            released_.wait(lock, [this] { return open_; });
        });
    }
    void releaseQueue() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        released_.notify_all();
    }
    bool settle() { return runMainLoopUntil([] { return !Safari::hasRequestsInFlight(); }, 120s); }
    std::string tmpJson() { return readText(PersistentStore::safariJSONPath()); }

    TempHome home;
    std::mutex mutex_;
    std::condition_variable released_;
    bool open_ = false;
};

} // namespace

TEST_F(ReloadTest, PlaceholderAndListAreWrittenWithTheirLogLines) {
    LogCapture log;
    ASSERT_TRUE(writeSafariJSON(std::nullopt));
    EXPECT_EQ(tmpJson(),
              R"([{"trigger":{"url-filter":".*","url-filter-is-case-sensitive":true},"action":{"type":"css-display-none","selector":"#s0a0l0a0v0a0t"}}])");
    EXPECT_TRUE(log.contains("Removed blockers from Safari JSON file in shared container: " +
                             PersistentStore::safariJSONPath().string()));
    const Blocker a = blockRule("a").blocker;
    const std::vector<const Blocker*> twice{&a, &a};
    ASSERT_TRUE(writeSafariJSON(twice));
    EXPECT_EQ(tmpJson(), R"([{"trigger":{"url-filter":"a"},"action":{"type":"block"}},{"trigger":{"url-filter":"a"},"action":{"type":"block"}}])");
    EXPECT_TRUE(log.contains("Wrote 2 blockers to Safari JSON file in shared container: " +
                             PersistentStore::safariJSONPath().string()));
}

TEST_F(ReloadTest, AListThatCannotBeEncodedLeavesThePreviousFile) {
    const Blocker a = blockRule("a").blocker;
    const std::vector<const Blocker*> one{&a};
    ASSERT_TRUE(writeSafariJSON(one));
    const std::string before = tmpJson();
    // Enough blockers that the broken one comes after text already went to the file.
    std::vector<Blocker> many(5000, blockRule("0123456789012345678901234567890123456789").blocker);
    many.back().trigger.urlFilter = "a\xc3";
    std::vector<const Blocker*> pointers;
    for (const auto& blocker : many) {
        pointers.push_back(&blocker);
    }
    LogCapture log;
    EXPECT_FALSE(writeSafariJSON(pointers));
    EXPECT_EQ(tmpJson(), before);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Could not encode the content blockers: a text is not valid UTF-8"});
    for (const auto& entry : std::filesystem::directory_iterator(PersistentStore::safariJSONPath().parent_path())) {
        EXPECT_EQ(entry.path().filename().string().rfind(".tmp.json", 0), std::string::npos) << "left behind";
    }
}

TEST_F(ReloadTest, EveryRequestIsToldExactlyOneOutcomeOnTheMainThread) {
    using Kind = ReloadOutcome::Kind;
    std::vector<std::vector<ReloadOutcome>> told(60);
    std::vector<std::thread::id> threads;
    const auto handler = [&](std::size_t request) {
        return [&, request](const ReloadOutcome& outcome) {
            told[request].push_back(outcome);
            threads.push_back(std::this_thread::get_id());
        };
    };
    int disabledPosts = 0;
    ObserverRegistration disabled(kBlockerExtensionDisabled, [&](const Notification&) { ++disabledPosts; });

    // A flood while the queue is busy: only the last of those that allow cancelling reaches the
    // browser; the one that does not allow it runs to its end too.
    blockQueue();
    for (std::size_t i = 0; i < 50; ++i) {
        Safari::reload(true, BlockerPreferenceManager::create(), i != 10, handler(i));
    }
    Safari::reload(false, BlockerPreferenceManager::create(), true, handler(50));
    releaseQueue();
    ASSERT_TRUE(settle());

    // An unreadable state, and a catalog with nothing to publish.
    writeText(browser::extensionSettingsFile(), "{not json");
    Safari::requestReload(BlockerPreferenceManager::create(), true, handler(51));
    ASSERT_TRUE(settle());
    std::filesystem::remove(browser::extensionSettingsFile());
    DataManager::shared().setPreinstalledPackages({});
    Safari::requestReload(BlockerPreferenceManager::create(), true, handler(52));
    ASSERT_TRUE(settle());

    std::map<Kind, int> kinds;
    for (std::size_t i = 0; i <= 52; ++i) {
        ASSERT_EQ(told[i].size(), 1u) << "request " << i;
        ++kinds[told[i].front().kind];
    }
    EXPECT_EQ(kinds[Kind::Superseded], 48);
    EXPECT_EQ(kinds[Kind::Reloaded], 2);
    EXPECT_EQ(kinds[Kind::Dropped], 3);
    EXPECT_TRUE(told[10].front().isReloaded());
    EXPECT_TRUE(told[49].front().isReloaded());
    EXPECT_EQ(told[50].front(), ReloadOutcome::dropped(ReloadOutcome::DropReason::ExtensionDisabled,
                                                       "Error reloading Safari content blocker: it's disabled in Settings"));
    EXPECT_TRUE(told[50].front().needsTelling());
    EXPECT_EQ(disabledPosts, 1);
    EXPECT_EQ(told[51].front().reason, ReloadOutcome::DropReason::StateUnreadable);
    EXPECT_EQ(told[52].front().reason, ReloadOutcome::DropReason::NothingToPublish);
    EXPECT_EQ(std::set<std::thread::id>(threads.begin(), threads.end()), std::set{std::this_thread::get_id()});
}

TEST_F(ReloadTest, PausedWritesOnlyThePlaceholderAndDisabledPackagesStayOut) {
    writeSharedPackages("ConfigurablePackages.json",
                        {makePackage("whitelist", "Whitelist", {blockRule("white")}),
                         makePackage("block-url", "Block URLs", {blockRule("url")})});
    writeSharedPackages("CustomPackages.json", {makePackage("X", "X", {blockRule("custom")})});
    UserDefaults::group().set("paused", true);
    std::optional<ReloadOutcome> outcome;
    Safari::reload(true, BlockerPreferenceManager::create(), true, [&](const ReloadOutcome& told) { outcome = told; });
    ASSERT_TRUE(settle());
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->isReloaded());
    EXPECT_NE(tmpJson().find("#s0a0l0a0v0a0t"), std::string::npos);
    EXPECT_EQ(tmpJson().find("\"ads\""), std::string::npos);

    UserDefaults::group().set("paused", false);
    CoreServices services;
    ASSERT_TRUE(services.switches().setPackageEnabled("block-ads", false));
    ASSERT_TRUE(services.waitUntilSettled(120s));
    EXPECT_EQ(tmpJson(), R"([{"trigger":{"url-filter":"url"},"action":{"type":"block"}},)"
                         R"({"trigger":{"url-filter":"custom"},"action":{"type":"block"}},)"
                         R"({"trigger":{"url-filter":"white"},"action":{"type":"block"}}])");
}

TEST_F(ReloadTest, AFileThatCannotBeWrittenOrCompiledFailsWithItsReason) {
    writeSharedPackages("CustomPackages.json", {makePackage("X", "X", {blockRule("bad", "[")})});
    std::optional<ReloadOutcome> outcome;
    Safari::reload(true, BlockerPreferenceManager::create(), true, [&](const ReloadOutcome& told) { outcome = told; });
    ASSERT_TRUE(settle());
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->kind, ReloadOutcome::Kind::Failed);
    EXPECT_FALSE(outcome->message.empty());
    const std::string compiled = tmpJson();

    // The browser would answer success for the file it already has; the failure is the outcome.
    ReadOnlyFolder readOnly(home.shared());
    if (!readOnly.holds()) {
        GTEST_SKIP() << "this file system cannot make a folder read-only";
    }
    outcome.reset();
    LogCapture log;
    Safari::reload(true, BlockerPreferenceManager::create(), true, [&](const ReloadOutcome& told) { outcome = told; });
    ASSERT_TRUE(settle());
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->kind, ReloadOutcome::Kind::Failed);
    EXPECT_NE(outcome->message.find("Could not write the content-blocker file"), std::string::npos) << outcome->message;
    EXPECT_FALSE(log.contains("Updating content blocker extension"));
    EXPECT_EQ(tmpJson(), compiled);
}
