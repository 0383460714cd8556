#include "ChildProcess.h"
#include "support/TemporaryDirectory.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

using namespace orvane;
using orvane::test::TemporaryDirectory;

namespace {

PropertyDictionary sampleValues() {
    Bytes everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte.push_back(static_cast<std::uint8_t>(b));
    }
    return {
        {"flag", true},
        {"count", std::numeric_limits<std::int64_t>::min()},
        {"ratio", 0.1},
        {"whole double", 2.0},
        {"name", "Hinterhof \"Zürich\"\n"},
        {"blob", everyByte},
        {"empty blob", Bytes{}},
        {"$data", "not a byte string"},
        {"$$twice", 1},
        {"list", PropertyArray{1, "two", PropertyArray{false}, PropertyDictionary{{"$data", Bytes{7}}}}},
        {"DisabledUserPreferenceForRules", PropertyDictionary{{"block-url", PropertyArray{"A", "B"}}}},
    };
}

int countLinesStartingWith(const LogCapture& capture, const std::string& prefix) {
    int count = 0;
    for (const auto& line : capture.lines()) {
        count += line.starts_with(prefix) ? 1 : 0;
    }
    return count;
}

} // namespace

TEST(UserDefaults, TypedValuesPersistAcrossInstances) {
    TemporaryDirectory home;
    const auto file = home / "Preferences/nested/domain.json";
    {
        UserDefaults defaults(file);
        EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
        EXPECT_TRUE(defaults.synchronize());
        for (const auto& [key, value] : sampleValues()) {
            defaults.set(key, value);
        }
        defaults.set("gone", 1);
        defaults.remove("gone");
    }
    UserDefaults reopened(file);
    EXPECT_EQ(reopened.dictionaryRepresentation(), sampleValues());
    EXPECT_EQ(reopened.boolForKey("flag"), true);
    EXPECT_EQ(reopened.stringForKey("$data"), "not a byte string");
    EXPECT_EQ(reopened.dataForKey("empty blob"), Bytes{});
    EXPECT_EQ(reopened.dictionaryForKey("DisabledUserPreferenceForRules"),
              *sampleValues().at("DisabledUserPreferenceForRules").asDictionary());
    EXPECT_EQ(reopened.arrayForKey("list"), *sampleValues().at("list").asArray());
    // Reads of another type answer absent rather than a converted value.
    EXPECT_FALSE(reopened.stringForKey("count"));
    EXPECT_FALSE(reopened.dataForKey("$data"));
    EXPECT_FALSE(reopened.arrayForKey("name"));
    EXPECT_FALSE(reopened.object("gone"));
}

TEST(UserDefaults, InstancesOnOneFileSeeAndKeepEachOthersWrites) {
    TemporaryDirectory home;
    UserDefaults first(home / "domain.json");
    UserDefaults second(home / "domain.json");
    first.set("a", 1);
    second.set("b", 2);
    first.set("a", 3);
    EXPECT_EQ(UserDefaults(home / "domain.json").dictionaryRepresentation(), (PropertyDictionary{{"a", 3}, {"b", 2}}));
    // Versions of one size whose times a coarse file clock cannot tell apart are still new.
    const timespec sameTime[2] = {{1'700'000'000, 0}, {1'700'000'000, 0}};
    for (int i = 100; i < 200; ++i) {
        second.set("message", "value-" + std::to_string(i));
        ASSERT_EQ(::utimensat(AT_FDCWD, (home / "domain.json").c_str(), sameTime, 0), 0);
        ASSERT_EQ(first.stringForKey("message"), "value-" + std::to_string(i));
    }
}

TEST(UserDefaults, ConcurrentWritersOnSeveralThreadsLoseNothing) {
    TemporaryDirectory home;
    UserDefaults shared(home / "domain.json");
    UserDefaults other(home / "domain.json");
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&, t] {
            UserDefaults& defaults = t % 2 == 0 ? shared : other;
            for (int i = 0; i < 25; ++i) {
                defaults.set("t" + std::to_string(t) + "-" + std::to_string(i), i);
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    const auto values = UserDefaults(home / "domain.json").dictionaryRepresentation();
    EXPECT_EQ(values.size(), 100U);
    EXPECT_EQ(values.at("t3-24"), PropertyValue(24));
}

TEST(UserDefaults, UnreadableFileReadsEmptyOnceLoggedAndIsReplacedByTheNextWrite) {
    for (const char* damaged : {"{\"truncated\": [1, 2", "[1, 2]", "{\"a\": \"\xff\"}", ""}) {
        TemporaryDirectory home;
        const auto file = home / "domain.json";
        ASSERT_TRUE(writeFileAtomically(file, damaged));
        LogCapture capture;
        UserDefaults defaults(file);
        EXPECT_FALSE(defaults.object("a"));
        EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
        EXPECT_EQ(countLinesStartingWith(capture, "Preferences file " + file.string() + " is unreadable"), 1) << damaged;
        defaults.set("a", 1);
        EXPECT_EQ(decodePropertyDictionary(*readWholeFile(file)), (PropertyDictionary{{"a", 1}}));
        EXPECT_TRUE(defaults.synchronize());
    }
}

TEST(UserDefaults, WriteThatCannotBeEncodedOrStoredLeavesTheFileIntact) {
    TemporaryDirectory home;
    const auto file = home / "domain.json";
    UserDefaults defaults(file);
    defaults.set("kept", "old");
    const auto before = readWholeFile(file);
    {
        LogCapture capture;
        defaults.set("bad text", std::string("\xc3\x28"));
        defaults.set("bad number", std::nan(""));
        EXPECT_EQ(countLinesStartingWith(capture, "Cannot write preferences file " + file.string()), 2);
    }
    EXPECT_EQ(readWholeFile(file), before);
    EXPECT_FALSE(defaults.object("bad text"));
    EXPECT_FALSE(defaults.synchronize());

    // A full disk: the child's write stops at the size limit.
    const int status = runWithFileSizeLimit(static_cast<rlim_t>(before->size() + 8), [&] {
        LogCapture capture;
        defaults.set("large", std::string(8192, 'x'));
        const bool logged = countLinesStartingWith(capture, "Cannot write preferences file") == 1;
        return logged && !defaults.synchronize() ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readWholeFile(file), before);
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(home.path())) {
        entries.push_back(entry.path().filename().string());
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"domain.json", "domain.json.lock"}));

    defaults.set("kept", "new");
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(UserDefaults(file).stringForKey("kept"), "new");
}

TEST(UserDefaults, DomainsLiveWhereTheBrowserExtensionLooksForThem) {
    TemporaryDirectory home;
    ::setenv("ORVANE_HOME", home.path().c_str(), 1);
    UserDefaults::group().set("paused", true);
    UserDefaults::standard().set("NSNavLastRootDirectory", "~");
    ::unsetenv("ORVANE_HOME");
    EXPECT_EQ(UserDefaults(home / "SharedContainer/Preferences/ZX3QW8TR5M.larkmoor.Blocker.json").boolForKey("paused"),
              true);
    EXPECT_EQ(UserDefaults(home / "Preferences/larkmoor.Blocker.json").stringForKey("NSNavLastRootDirectory"), "~");
}
