#include "storage/PersistentStore.h"

#include "model/JsonEncoding.h"
#include "platform/Log.h"
#include "support/Present.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <chrono>

using namespace orvane;
using namespace orvane::test;
namespace fs = std::filesystem;

namespace {

Package package(const std::string& id, const std::string& name, std::size_t rules = 0) {
    Package result{id, name, {}};
    for (std::size_t i = 0; i < rules; ++i) {
        Trigger trigger;
        trigger.urlFilter = "ads" + std::to_string(i);
        result.rules.push_back(Rule{id + "-" + std::to_string(i), "rule", Blocker{trigger, Action{}}});
    }
    return result;
}

void writePackageFile(const fs::path& path, const std::vector<Package>& packages) {
    writeText(path, *toJSONString(packages));
}

void setDate(const fs::path& path, int secondsFromNow) {
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(secondsFromNow));
}

const std::string kCustom = "CustomPackages.json";

} // namespace

TEST(PersistentStoreLoad, CopiesTheOnlyResourceCopyIntoTheSharedContainer) {
    TempHome home;
    writePackageFile(home.resources() / kCustom, {package("A", "From resources", 2)});
    LogCapture log;
    auto loaded = PersistentStore::loadPackages(PackageType::CustomPackages, true);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->front().name, "From resources");
    EXPECT_TRUE(fs::exists(home.shared() / kCustom));
    EXPECT_TRUE(log.contains("Copying from " + (home.resources() / kCustom).string() + " to Shared Container " +
                             (home.shared() / kCustom).string()));
    EXPECT_TRUE(log.contains(kCustom + " is in Shared Container."));
    // The copy keeps the resource's date, so the next load sees one newest copy and copies nothing.
    EXPECT_EQ(fs::last_write_time(home.resources() / kCustom), fs::last_write_time(home.shared() / kCustom));
}

TEST(PersistentStoreLoad, PicksTheNewestCopyAndPrefersTheLaterCandidateOnATie) {
    TempHome home;
    writePackageFile(home.resources() / kCustom, {package("A", "resource")});
    writePackageFile(home.shared() / kCustom, {package("A", "shared")});
    writePackageFile(home.documents() / kCustom, {package("A", "documents")});

    setDate(home.resources() / kCustom, -100);
    setDate(home.shared() / kCustom, -50);
    setDate(home.documents() / kCustom, -200);
    {
        LogCapture log;
        EXPECT_EQ(test::present(PersistentStore::loadPackages(PackageType::CustomPackages, true)).front().name, "shared");
        for (const auto& line : log.lines()) {
            EXPECT_EQ(line.rfind("Copying from", 0), std::string::npos) << line;
        }
        EXPECT_TRUE(log.contains(kCustom + " is in Shared Container."));
    }

    fs::last_write_time(home.resources() / kCustom, fs::last_write_time(home.shared() / kCustom));
    EXPECT_EQ(test::present(PersistentStore::loadPackages(PackageType::CustomPackages, true)).front().name, "shared");

    setDate(home.documents() / kCustom, 100);
    EXPECT_EQ(test::present(PersistentStore::loadPackages(PackageType::CustomPackages, true)).front().name, "documents");
    EXPECT_EQ(readText(home.shared() / kCustom), readText(home.documents() / kCustom));
}

TEST(PersistentStoreRead, DistinguishesEmptyListsFromMissingOrUnreadableFiles) {
    TempHome home;
    writeText(home.shared() / "list.json", "[]");
    writeText(home.shared() / "empty.json", "");
    writeText(home.shared() / "broken.json", "[{\"id\":");
    writeText(home.shared() / "single.json", R"({"id":"P","name":"One","rules":[]})");

    auto list = PersistentStore::readPackages(home.shared() / "list.json", true);
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->empty());
    EXPECT_FALSE(PersistentStore::readPackages(home.shared() / "empty.json", true));
    EXPECT_FALSE(PersistentStore::readPackages(home.shared() / "broken.json", true));
    EXPECT_FALSE(PersistentStore::readPackages(home.shared() / "missing.json", true));
    auto single = PersistentStore::readPackages(home.shared() / "single.json", false);
    ASSERT_TRUE(single);
    EXPECT_EQ(single->size(), 1u);
    EXPECT_EQ(single->front().name, "One");
    EXPECT_FALSE(PersistentStore::readPackages(home.shared() / "list.json", false));
}

TEST(PersistentStoreRead, LargeFilesReadBackWhateverFallsOnTheReadBoundaries) {
    TempHome home;
    std::vector<Package> packages{package("big", "Big", 3000), package("long", std::string(200000, 'n'), 2)};
    packages[1].rules[0].blocker.trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, {"\xc3\xa9.example"}};
    packages[1].rules[1].blocker.action = Action{ActionType::Hide, std::string(70000, 's') + "\"\\\u00e9"};
    const auto path = home.shared() / kCustom;
    writePackageFile(path, packages);
    ASSERT_GT(fs::file_size(path), 4u * 65536u);
    EXPECT_EQ(PersistentStore::readPackages(path, true), std::optional(packages));
}

TEST(PersistentStoreRead, RefusesTextAfterANulAndFilesThatAreNotRegular) {
    TempHome home;
    const auto path = home.shared() / kCustom;
    writeText(path, std::string("[{\"id\":\"a\"}]\0[{\"id\":\"b\"}]", 25));
    {
        LogCapture log;
        EXPECT_FALSE(PersistentStore::readPackages(path, true));
        EXPECT_EQ(log.lines(), std::vector<std::string>{"Could not read packages from " + path.string() + ": not valid JSON"});
    }
    const auto fifo = home.shared() / "fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    LogCapture log;
    EXPECT_FALSE(PersistentStore::readPackages(fifo, true)); // returns at once: no writer is waited for
    EXPECT_EQ(log.lines(), std::vector<std::string>{fifo.string() + " is not a regular file"});
}

TEST(PersistentStoreWrite, WritesCompactJsonAndLogsTheCount) {
    TempHome home;
    LogCapture log;
    const auto path = home.shared() / "ConfigurablePackages.json";
    ASSERT_TRUE(PersistentStore::writePackages({package("a", "A"), package("b", "B", 1)}, path));
    EXPECT_TRUE(log.contains("Wrote 2 packages to ConfigurablePackages.json"));
    const std::string text = readText(path);
    EXPECT_EQ(text.find_first_of(" \n\t"), std::string::npos) << text;
    EXPECT_EQ(PersistentStore::readPackages(path, true),
              std::optional<std::vector<Package>>({package("a", "A"), package("b", "B", 1)}));
}

TEST(PersistentStoreWrite, AFailedWriteLeavesThePreviousFileIntact) {
    TempHome home;
    const auto path = home.shared() / "CustomPackages.json";
    ASSERT_TRUE(PersistentStore::writePackages({package("old", "Old", 1)}, path));
    const std::string before = readText(path);

    // Root ignores permissions, so the failure is a real one: a file-size limit in a child.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = PersistentStore::writePackages({package("new", "New", 50)}, path).ok();
        _exit(written ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have failed";
    EXPECT_EQ(readText(path), before);
    for (const auto& entry : fs::directory_iterator(home.shared())) {
        EXPECT_EQ(entry.path().filename(), "CustomPackages.json") << "left behind: " << entry.path();
    }
}

TEST(PersistentStoreCopy, CreatesTheDestinationFolderAndReportsRefusedOverwrites) {
    TempHome home;
    const auto source = home.resources() / "file.json";
    writeText(source, "[]");
    const auto destination = home.home() / "new" / "folder" / "file.json";
    LogCapture log;
    PersistentStore::copyFile(source, destination, false);
    EXPECT_EQ(readText(destination), "[]");
    EXPECT_TRUE(log.contains("Copied '" + source.string() + "' to '" + destination.string() + "'"));

    writeText(source, "[1]");
    PersistentStore::copyFile(source, destination, false);
    EXPECT_EQ(readText(destination), "[]");
    bool reported = false;
    for (const auto& line : log.lines()) {
        reported |= line.rfind("Error copying '" + source.string() + "' to '" + destination.string() + "': ", 0) == 0;
    }
    EXPECT_TRUE(reported);

    PersistentStore::copyFile(source, destination, true);
    EXPECT_EQ(readText(destination), "[1]");
    EXPECT_TRUE(log.contains("File file.json already exists in '" + destination.string() + "'"));
    EXPECT_TRUE(log.contains("Removed file file.json from '" + destination.string() + "'"));
}

TEST(PersistentStoreInstall, ReplacesTheSharedPreinstalledFile) {
    TempHome home;
    writePackageFile(home.resources() / "PreinstalledPackages.json", {package("block-ads", "Ads", 3)});
    writePackageFile(home.shared() / "PreinstalledPackages.json", {package("old", "Old")});
    setDate(home.shared() / "PreinstalledPackages.json", 100);
    PersistentStore::installPreinstalledPackages();
    EXPECT_EQ(test::present(PersistentStore::loadPackages(PackageType::PreinstalledPackages, true)).front().id, "block-ads");
}

TEST(PersistentStoreInstallDeathTest, StopsWithoutTheResourceFile) {
    TempHome home;
    EXPECT_EXIT(PersistentStore::installPreinstalledPackages(), testing::ExitedWithCode(EXIT_FAILURE),
                "Invalid filepath for PreinstalledPackages.json");
}

TEST(ConfigurableRepairs, DefaultsAndRepairsKeepWhitelistFirstAndHttpsLast) {
    auto defaults = repairedConfigurablePackages(std::nullopt);
    std::vector<std::string> ids;
    for (const auto& p : defaults) {
        ids.push_back(p.id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"whitelist", "block-url", "block-cookies", "hide-elements", "make-https"}));
    EXPECT_EQ(defaults[3].name, "Hide Page Elements");

    auto repaired = repairedConfigurablePackages(std::vector<Package>{package("block-url", "U"), package("x", "X")});
    ids.clear();
    for (const auto& p : repaired) {
        ids.push_back(p.id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"whitelist", "block-url", "x", "make-https"}));
    EXPECT_TRUE(repairedConfigurablePackages(std::vector<Package>{}).size() == 2);
}

TEST(CombinedOrder, PutsTheFirstConfigurablePackageLast) {
    auto all = combinedPackageOrder({package("P1", ""), package("P2", "")},
                                    {package("W", ""), package("U", ""), package("C", ""), package("H", ""),
                                     package("M", "")},
                                    {package("X", "")});
    std::vector<std::string> ids;
    for (const auto& p : all) {
        ids.push_back(p.id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"P1", "P2", "U", "C", "H", "M", "X", "W"}));
}
