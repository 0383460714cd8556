// Package files the program did not write itself: damaged, in a form it did not expect, not
// files at all, or copies that look newer than they are. Whatever is there, the user's rules stay
// on disk and the next edit neither hangs nor wipes them.

#include "model/JsonEncoding.h"
#include "multiprocess/AtOnce.h"
#include "platform/JsonText.h"
#include "support/Deadline.h"
#include "support/Fixtures.h"
#include "support/Json.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;

constexpr const char* kKeptAside = "could not be read whole, so it was kept as";

void writePreinstalled(const TempHome& home) {
    writeText(home.resources() / "PreinstalledPackages.json",
              *toJSONString(std::vector<Package>{makePackage("block-ads", "Ads", {blockRule("ads-1", "ads")})}));
}

// Package id → its rule ids, for the packages of one section ("configurable", "custom") as
// `packages` and `rules` list them.
std::map<std::string, std::vector<std::string>> packageRules(const std::string& section) {
    std::map<std::string, std::vector<std::string>> catalog;
    JsonDocument packages = parsed(orvanectl({"--quiet", "packages", "--json"}).out);
    for (const auto& package : packages.GetArray()) {
        if (package["section"].GetString() != section) {
            continue;
        }
        auto& rules = catalog[package["id"].GetString()];
        JsonDocument list = parsed(orvanectl({"--quiet", "rules", package["id"].GetString(), "--json"}).out);
        for (const auto& rule : list.GetArray()) {
            rules.emplace_back(rule["id"].GetString());
        }
        std::sort(rules.begin(), rules.end());
    }
    return catalog;
}

// The files of the shared container whose names start with `prefix` and name a kept-aside copy.
std::vector<fs::path> keptAside(const TempHome& home, const std::string& prefix) {
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(home.shared())) {
        if (entry.path().filename().string().starts_with(prefix + ".damaged-")) {
            kept.push_back(entry.path());
        }
    }
    return kept;
}

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    const auto at = text.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    return at == std::string::npos ? text : text.replace(at, what.size(), with);
}

} // namespace

TEST(DamagedFiles, AFileThatCannotBeReadWholeIsKeptAsideBeforeAnEditAndCostsOnlyWhatIsBroken) {
    // Two custom packages; one rule of the second is the one each case breaks.
    const std::string intact = *toJSONString(std::vector<Package>{
        makePackage("KEPT", "Kept", {blockRule("kept-rule", "kept")}),
        makePackage("HURT", "Hurt", {blockRule("hurt-good", "good"), blockRule("hurt-bad", "BROKEN")})});
    const std::string nested = std::string(300, '[') + std::string(300, ']');
    struct Case {
        std::string name;
        std::string bytes;
        // What the catalog holds after the edit; the kept-aside copy holds the rest.
        std::map<std::string, std::vector<std::string>> custom;
        bool keptAside;
    };
    const std::vector<Case> cases{
        {"cut short", intact.substr(0, intact.size() / 2), {}, true},
        {"one byte that is not UTF-8", replaced(intact, "\"BROKEN\"", "\"BROK\xE9N\""),
         {{"HURT", {"hurt-good"}}, {"KEPT", {"kept-rule"}}}, true},
        {"a rule nested 300 deep", replaced(intact, "\"BROKEN\"", nested),
         {{"HURT", {"hurt-good"}}, {"KEPT", {"kept-rule"}}}, true},
        {"a byte-order mark", "\xEF\xBB\xBF" + intact,
         {{"HURT", {"hurt-bad", "hurt-good"}}, {"KEPT", {"kept-rule"}}}, false},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        TempHome home;
        writePreinstalled(home);
        ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
        writeText(home.shared() / "CustomPackages.json", each.bytes);

        // Reading changes nothing on disk.
        EXPECT_EQ(orvanectl({"packages"}).exitCode, 0);
        EXPECT_EQ(readText(home.shared() / "CustomPackages.json"), each.bytes);

        // An edit of another package writes the custom file too: what it held is kept first.
        auto edit = orvanectl({"add", "block-url", "--url-filter", "unrelated\\.js"});
        const auto kept = keptAside(home, "CustomPackages.json");
        if (each.keptAside) {
            ASSERT_EQ(kept.size(), 1u) << edit.err;
            EXPECT_EQ(readText(kept.front()), each.bytes);
            EXPECT_NE(edit.err.find(kKeptAside), std::string::npos) << edit.err;
            EXPECT_NE(edit.err.find(kept.front().string()), std::string::npos) << edit.err;
        } else {
            EXPECT_EQ(edit.exitCode, 0) << edit.err;
            EXPECT_TRUE(kept.empty());
        }
        EXPECT_EQ(packageRules("configurable")["block-url"].size(), 1u);
        EXPECT_EQ(packageRules("custom"), each.custom);

        // The user is told once; the next edit finds a sound file and keeps nothing more aside.
        auto next = orvanectl({"add", "block-url", "--url-filter", "later\\.js"});
        EXPECT_EQ(next.exitCode, 0) << next.err;
        EXPECT_EQ(keptAside(home, "CustomPackages.json").size(), kept.size());
        EXPECT_EQ(packageRules("configurable")["block-url"].size(), 2u);
    }
}

TEST(DamagedFiles, APipeOrADeviceNamedLikeAPackageFileIsRefusedWithoutWaiting) {
    TempHome home;
    writePreinstalled(home);
    ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
    fs::create_directories(home.documents());
    ASSERT_EQ(::mkfifo((home.documents() / "CustomPackages.json").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", home.documents() / "ConfigurablePackages.json");

    // A reader that waited on the pipe, or read the device to its end, would never return.
    ProgramResult listed;
    ProgramResult added;
    finishWithin(60s, "orvanectl with a pipe and a device among the package files", [&] {
        listed = orvanectl({"packages"});
        added = orvanectl({"add", "block-url", "--url-filter", "safe\\.js"});
    });
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.err.find((home.documents() / "CustomPackages.json").string() + " is not a regular file"),
              std::string::npos)
        << listed.err;
    EXPECT_NE(listed.err.find((home.documents() / "ConfigurablePackages.json").string() + " is not a regular file"),
              std::string::npos)
        << listed.err;
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(packageRules("configurable")["block-url"].size(), 1u);
    EXPECT_TRUE(fs::is_fifo(home.documents() / "CustomPackages.json"));
    EXPECT_TRUE(fs::is_symlink(home.documents() / "ConfigurablePackages.json"));
}

TEST(DamagedFiles, ADocumentsCopyDatedInTheFutureIsBroughtInOnce) {
    TempHome home;
    writePreinstalled(home);
    ASSERT_EQ(orvanectl({"launch"}).exitCode, 0);
    const fs::path copy = home.documents() / "ConfigurablePackages.json";
    writeText(copy, *toJSONString(std::vector<Package>{
                        makePackage("whitelist", "Whitelist"),
                        makePackage("block-url", "Block URLs", {blockRule("from-documents", "documents\\.js")})}));
    fs::last_write_time(copy, fs::file_time_type::clock::now() + std::chrono::hours(24 * 365));

    EXPECT_EQ(packageRules("configurable")["block-url"], std::vector<std::string>{"from-documents"});
    const std::string added = firstLine(orvanectl({"add", "block-url", "--url-filter", "later\\.js"}).out);
    ASSERT_FALSE(added.empty());
    std::vector<std::string> both{"from-documents", added};
    std::sort(both.begin(), both.end());
    EXPECT_EQ(packageRules("configurable")["block-url"], both);
    EXPECT_EQ(packageRules("configurable")["block-url"], both);
    EXPECT_TRUE(fs::exists(copy));
}
