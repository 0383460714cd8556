#include "output/Safari.h"

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
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

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
    writeSafariJSON(std::nullopt);
    EXPECT_EQ(tmpJson(),
              R"([{"trigger":{"url-filter":".*","url-filter-is-case-sensitive":true},"action":{"type":"css-display-none","selector":"#s0a0l0a0v0a0t"}}])");
    EXPECT_TRUE(log.contains("Removed blockers from Safari JSON file in shared container: " +
                             PersistentStore::safariJSONPath().string()));
    const Blocker a = blockRule("a").blocker;
    const std::vector<const Blocker*> twice{&a, &a};
    writeSafariJSON(twice);
    EXPECT_EQ(tmpJson(), R"([{"trigger":{"url-filter":"a"},"action":{"type":"block"}},{"trigger":{"url-filter":"a"},"action":{"type":"block"}}])");
    EXPECT_TRUE(log.contains("Wrote 2 blockers to Safari JSON file in shared container: " +
                             PersistentStore::safariJSONPath().string()));
}

TEST_F(ReloadTest, AListThatCannotBeEncodedLeavesThePreviousFile) {
    const Blocker a = blockRule("a").blocker;
    const std::vector<const Blocker*> one{&a};
    writeSafariJSON(one);
    const std::string before = tmpJson();
    // Enough blockers that the broken one comes after text already went to the file.
    std::vector<Blocker> many(5000, blockRule("0123456789012345678901234567890123456789").blocker);
    many.back().trigger.urlFilter = "a\xc3";
    std::vector<const Blocker*> pointers;
    for (const auto& blocker : many) {
        pointers.push_back(&blocker);
    }
    LogCapture log;
    writeSafariJSON(pointers);
    EXPECT_EQ(tmpJson(), before);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Could not encode the content blockers: a text is not valid UTF-8"});
    for (const auto& entry : std::filesystem::directory_iterator(PersistentStore::safariJSONPath().parent_path())) {
        EXPECT_EQ(entry.path().filename().string().rfind(".tmp.json", 0), std::string::npos) << "left behind";
    }
}

TEST_F(ReloadTest, DisabledExtensionWritesNothingAndReportsTheError) {
    int posted = 0;
    ObserverRegistration observer(kBlockerExtensionDisabled, [&](const Notification&) { ++posted; });
    std::optional<SafariReloadingResult> outcome;
    LogCapture log;
    Safari::reload(false, BlockerPreferenceManager::create(), true,
                   [&](const SafariReloadingResult& result) { outcome = result; });
    EXPECT_EQ(posted, 1);
    ASSERT_TRUE(settle());
    ASSERT_TRUE(outcome);
    ASSERT_FALSE(outcome->isSuccess());
    EXPECT_EQ(*outcome->error(), (Error{"orvane", 500, "Error reloading Safari content blocker: it's disabled in Settings"}));
    EXPECT_TRUE(log.contains("Content blocker extension is disabled in Settings"));
    EXPECT_FALSE(std::filesystem::exists(PersistentStore::safariJSONPath()));
}

TEST_F(ReloadTest, ANewerRequestOvertakesAPendingOne) {
    blockQueue();
    int first = 0;
    int second = 0;
    Safari::reload(std::nullopt, BlockerPreferenceManager::create(), true, [&](const auto&) { ++first; });
    Safari::reload(true, BlockerPreferenceManager::create(), true, [&](const auto&) { ++second; });
    releaseQueue();
    ASSERT_TRUE(settle());
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_NE(tmpJson().find("\"ads\""), std::string::npos);
}

TEST_F(ReloadTest, ARequestThatDoesNotAllowCancellingRunsToItsEnd) {
    blockQueue();
    std::vector<std::string> order;
    Safari::reload(true, BlockerPreferenceManager::create(), false, [&](const auto&) { order.push_back("first"); });
    Safari::reload(true, BlockerPreferenceManager::create(), true, [&](const auto&) { order.push_back("second"); });
    releaseQueue();
    ASSERT_TRUE(settle());
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
}

TEST_F(ReloadTest, PausedWritesOnlyThePlaceholder) {
    UserDefaults::group().set("paused", true);
    bool succeeded = false;
    Safari::reload(true, BlockerPreferenceManager::create(), true,
                   [&](const SafariReloadingResult& result) { succeeded = result.isSuccess(); });
    ASSERT_TRUE(settle());
    EXPECT_TRUE(succeeded);
    EXPECT_NE(tmpJson().find("#s0a0l0a0v0a0t"), std::string::npos);
    EXPECT_EQ(tmpJson().find("\"ads\""), std::string::npos);
}

TEST_F(ReloadTest, NothingIsWrittenWhileThePreinstalledListIsEmpty) {
    DataManager::shared().setPreinstalledPackages({});
    bool called = false;
    LogCapture log;
    Safari::reload(true, BlockerPreferenceManager::create(), true, [&](const auto&) { called = true; });
    ASSERT_TRUE(settle());
    EXPECT_FALSE(called);
    EXPECT_TRUE(log.contains("⛔️ Don't writing to tmp.json because DataManager.Preinstalled is empty"));
    EXPECT_FALSE(std::filesystem::exists(PersistentStore::safariJSONPath()));
}

TEST_F(ReloadTest, DisabledPackagesAndTheWhitelistOrderReachTheFile) {
    writeSharedPackages("ConfigurablePackages.json",
                        {makePackage("whitelist", "Whitelist", {blockRule("white")}),
                         makePackage("block-url", "Block URLs", {blockRule("url")})});
    writeSharedPackages("CustomPackages.json", {makePackage("X", "X", {blockRule("custom")})});
    auto preferences = BlockerPreferenceManager::create();
    preferences->setPackagesDisabled({makePackage("block-ads", "Ads")}, true);
    preferences->serialWriteQueue().waitUntilIdle();
    ASSERT_TRUE(settle());
    EXPECT_EQ(tmpJson(), R"([{"trigger":{"url-filter":"url"},"action":{"type":"block"}},)"
                         R"({"trigger":{"url-filter":"custom"},"action":{"type":"block"}},)"
                         R"({"trigger":{"url-filter":"white"},"action":{"type":"block"}}])");
}

TEST_F(ReloadTest, WebKitsRejectionReachesTheHandler) {
    writeSharedPackages("CustomPackages.json", {makePackage("X", "X", {blockRule("bad", "[")})});
    std::optional<SafariReloadingResult> outcome;
    Safari::reload(true, BlockerPreferenceManager::create(), true,
                   [&](const SafariReloadingResult& result) { outcome = result; });
    ASSERT_TRUE(settle());
    ASSERT_TRUE(outcome);
    ASSERT_FALSE(outcome->isSuccess());
    EXPECT_FALSE(outcome->error()->localizedDescription.empty());
}
