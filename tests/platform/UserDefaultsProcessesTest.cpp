#include "ChildProcess.h"
#include "support/RunProgram.h"
#include "support/TemporaryDirectory.h"

#include "platform/AtomicFile.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

using namespace orvane;
using orvane::test::TemporaryDirectory;
using namespace std::chrono_literals;

namespace {

bool writeInChildProcess(const std::filesystem::path& file, const std::string& keys, const std::string& value) {
    return orvane::test::runProgram("orvane-test-defaults-writer", {file.string(), keys, value}).exitCode == 0;
}

std::string numberedKeys(const std::string& prefix, int count) {
    std::string keys;
    for (int i = 0; i < count; ++i) {
        keys += (i == 0 ? "" : ",") + prefix + std::to_string(i);
    }
    return keys;
}

} // namespace

TEST(UserDefaultsObservation, OwnWritesAreReportedAtOnceOnTheWritingThreadOnlyWhenTheyChangeSomething) {
    TemporaryDirectory home;
    UserDefaults defaults(home / "domain.json");
    std::mutex mutex;
    std::vector<std::thread::id> calls;
    const auto recorder = defaults.observe("paused", [&](const std::string&) {
        std::lock_guard lock(mutex);
        calls.push_back(std::this_thread::get_id());
    });
    // An observer may write to the domain it observes.
    defaults.observe("paused", [&](const std::string& key) { defaults.set("echo", defaults.object(key).value_or(0)); });

    defaults.set("paused", true);
    ASSERT_EQ(calls, std::vector<std::thread::id>{std::this_thread::get_id()});
    EXPECT_EQ(defaults.boolForKey("echo"), true);
    defaults.set("paused", true);
    defaults.set("unobserved", 1);
    std::thread::id worker;
    std::thread([&] {
        worker = std::this_thread::get_id();
        defaults.remove("paused");
    }).join();
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(calls[1], worker);

    // The folder watch sees these writes as well and must not report them again. A write of
    // another instance marks the point where it has caught up.
    bool caughtUp = false;
    defaults.observe("sentinel", [&](const std::string&) { caughtUp = true; });
    UserDefaults(home / "domain.json").set("sentinel", 1);
    ASSERT_TRUE(runMainLoopUntil([&] { return caughtUp; }, 5s));
    EXPECT_EQ(calls.size(), 2U);

    defaults.removeObserver(recorder);
    defaults.set("paused", false);
    EXPECT_EQ(calls.size(), 2U);
    EXPECT_EQ(defaults.boolForKey("echo"), false);
}

TEST(UserDefaultsObservation, ChangesOfAnotherInstanceArriveOnTheMainThread) {
    TemporaryDirectory home;
    UserDefaults observed(home / "domain.json");
    UserDefaults writer(home / "domain.json");
    int changes = 0;
    std::thread::id reportedOn;
    bool caughtUp = false;
    observed.observe("reloadRulesFromDisk", [&](const std::string&) {
        ++changes;
        reportedOn = std::this_thread::get_id();
    });
    observed.observe("sentinel", [&](const std::string&) { caughtUp = true; });

    writer.set("reloadRulesFromDisk", "A");
    EXPECT_EQ(changes, 0);
    ASSERT_TRUE(runMainLoopUntil([&] { return changes == 1; }, 5s));
    EXPECT_EQ(reportedOn, std::this_thread::get_id());

    // A new file whose observed value is unchanged reports nothing.
    writer.set("unrelated", 1);
    writer.set("reloadRulesFromDisk", "B");
    writer.set("sentinel", 1);
    ASSERT_TRUE(runMainLoopUntil([&] { return caughtUp; }, 5s));
    EXPECT_EQ(changes, 2);

    // The observed instance's own write reads the other writer's change; that change is still
    // the other writer's and reaches the main thread, not the thread that wrote.
    writer.set("reloadRulesFromDisk", "C");
    std::thread([&] { observed.set("reloadTab", "X"); }).join();
    EXPECT_EQ(changes, 2);
    ASSERT_TRUE(runMainLoopUntil([&] { return changes == 3; }, 5s));
    EXPECT_EQ(reportedOn, std::this_thread::get_id());
    EXPECT_EQ(observed.stringForKey("reloadRulesFromDisk"), "C");
}

TEST(UserDefaultsObservation, ObservingFromAnotherThreadWhileTheMainLoopRunsMissesNothing) {
    TemporaryDirectory home;
    UserDefaults observed(home / "domain.json");
    std::atomic<int> changes{0};
    std::thread::id reportedOn;
    // While the main thread runs something of the main loop, the folder watch can only start
    // later; the change written before then must still be reported.
    runOnMain([&] {
        std::thread([&] {
            observed.observe("paused", [&](const std::string&) {
                reportedOn = std::this_thread::get_id();
                ++changes;
            });
            UserDefaults(home / "domain.json").set("paused", true);
        }).join();
    });
    ASSERT_TRUE(runMainLoopUntil([&] { return changes == 1; }, 5s));
    EXPECT_EQ(reportedOn, std::this_thread::get_id());
    UserDefaults(home / "domain.json").set("paused", false);
    EXPECT_TRUE(runMainLoopUntil([&] { return changes == 2; }, 5s));
}

TEST(UserDefaultsObservation, WritesOfAnotherProcessArriveOnTheMainThread) {
    TemporaryDirectory home;
    const auto file = home / "domain.json";
    UserDefaults observed(file);
    std::vector<std::string> seen;
    observed.observe("reloadRulesFromDisk", [&](const std::string& key) { seen.push_back(*observed.stringForKey(key)); });

    ASSERT_TRUE(writeInChildProcess(file, "reloadRulesFromDisk", "8B0F5C2E-2F7A-4C1B-9E57-3D1A6B0C4F21"));
    ASSERT_TRUE(runMainLoopUntil([&] { return seen.size() == 1; }, 5s));
    EXPECT_EQ(seen[0], "8B0F5C2E-2F7A-4C1B-9E57-3D1A6B0C4F21");

    // A writer that knows nothing of the lock file and replaces the file with a rename of its own.
    const auto prepared = home / "prepared.json";
    ASSERT_TRUE(writeFileAtomically(prepared, *encodePropertyDictionary({{"reloadRulesFromDisk", "by hand"}})));
    ASSERT_TRUE(runShell("cp '" + prepared.string() + "' '" + (home / ".incoming").string() + "' && mv '" +
                         (home / ".incoming").string() + "' '" + file.string() + "'"));
    ASSERT_TRUE(runMainLoopUntil([&] { return seen.size() == 2; }, 5s));
    EXPECT_EQ(seen[1], "by hand");
}

TEST(UserDefaults, ProcessesWritingDifferentKeysKeepEachOthersValues) {
    TemporaryDirectory home;
    const auto file = home / "domain.json";
    std::atomic<int> childrenDone{0};
    std::vector<std::thread> children;
    for (const std::string prefix : {"first-", "second-"}) {
        children.emplace_back([&, prefix] { childrenDone += writeInChildProcess(file, numberedKeys(prefix, 40), prefix) ? 1 : 0; });
    }
    UserDefaults parent(file);
    for (int i = 0; i < 40; ++i) {
        parent.set("parent-" + std::to_string(i), "parent-");
    }
    for (auto& child : children) {
        child.join();
    }
    EXPECT_EQ(childrenDone, 2);
    const auto values = UserDefaults(file).dictionaryRepresentation();
    EXPECT_EQ(values.size(), 120U);
    EXPECT_EQ(values.at("second-39"), PropertyValue("second-"));
}
