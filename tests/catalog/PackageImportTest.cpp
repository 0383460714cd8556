// Import and export of package files through the catalog, with the files, messages, Trash,
// sync hand-over and reload they lead to.

#include "catalog/DataManager.h"
#include "catalog/PackageExport.h"

#include "browser/ExtensionSettings.h"
#include "model/JsonEncoding.h"
#include "output/Safari.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/ShownMessages.h"
#include "platform/UserDefaults.h"
#include "prefs/PreferenceStore.h"
#include "storage/PersistentStore.h"
#include "support/Fixtures.h"
#include "support/TempHome.h"
#include "app/CoreServices.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct RecordingHandOver final : SyncHandOver {
    void packageChanged(const Package& package) override { packages.push_back(package); }
    void rulesChanged(const std::vector<Rule>& rules, const std::string& packageId) override {
        ruleBatches.emplace_back(packageId, rules);
    }
    void packageDeleted(const std::string& packageId, const std::vector<Rule>&) override {
        deleted.push_back(packageId);
    }
    void ruleDeleted(const std::string& ruleId) override { deleted.push_back(ruleId); }

    std::vector<Package> packages;
    std::vector<std::pair<std::string, std::vector<Rule>>> ruleBatches;
    std::vector<std::string> deleted;
};

class PackageImportTest : public testing::Test {
protected:
    PackageImportTest() {
        // The user's Trash, on the same file system as the imported files; emptied for each case.
        fs::remove_all(trash());
        UserDefaults::group().set(kStorePreferencesLocally, true);
        catalog.setPreinstalledPackages({makePackage("block-ads", "Ads", {blockRule("ads-1", "ads")})});
        writeSharedPackages("CustomPackages.json", {makePackage("X", "Mine", {blockRule("a"), blockRule("b")})});
        catalog.setSyncHandOver(handOver);
    }

    fs::path writeImportFile(const std::string& name, const std::string& text) {
        const auto path = home.home() / "Downloads" / name;
        writeText(path, text);
        return path;
    }
    fs::path writeImportFile(const std::string& name, const std::vector<Package>& packages) {
        return writeImportFile(name, *toJSONString(packages));
    }
    static fs::path trash() { return fs::path(g_get_user_data_dir()) / "Trash"; }
    static fs::path trashed(const std::string& name) { return trash() / "files" / name; }

    std::string packageFiles() const {
        return readText(home.shared() / "ConfigurablePackages.json") + "|" +
               readText(home.shared() / "CustomPackages.json");
    }
    bool settle() { return runMainLoopUntil([] { return !Safari::hasRequestsInFlight(); }, 120s); }

    TempHome home;
    CoreServices core;
    DataManager& catalog = DataManager::shared();
    std::shared_ptr<RecordingHandOver> handOver = std::make_shared<RecordingHandOver>();
    ShownMessages shown;
    int didImport = 0;
    ObserverRegistration importObserver{kDidImportBlockers, [this](const Notification& note) {
                                            EXPECT_EQ(note.object, &catalog);
                                            ++didImport;
                                        }};
};

} // namespace

TEST_F(PackageImportTest, AnImportMergesSavesReloadsAndTrashesTheFile) {
    Trigger hideTrigger;
    hideTrigger.urlFilter = "news\\.example";
    const Rule hide{"h-new", "Hide teaser", Blocker{hideTrigger, Action{ActionType::Hide, ".teaser"}}};
    const auto fresh =
        makePackage("N", "Shared list", {blockRule("n1", "tracker\\.js"), blockRule("n2", "pixel\\.gif")});
    const auto file = writeImportFile("list.orvanepkg", {makePackage("hide-elements", "Hide", {hide}), fresh});

    catalog.importPackages(file);
    EXPECT_EQ(didImport, 1);
    EXPECT_EQ(shown.messages(), (std::vector<ShownMessage>{{"Blockers were successfuly imported", false}}));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::exists(trashed("list.orvanepkg")));
    EXPECT_EQ(catalog.customPackages()->back(), fresh);
    EXPECT_EQ((*catalog.configurablePackages())[3].rules, std::vector<Rule>{hide});
    EXPECT_EQ(PersistentStore::readPackages(home.shared() / "CustomPackages.json", true), *catalog.customPackages());

    ASSERT_EQ(handOver->ruleBatches.size(), 1u);
    EXPECT_EQ(handOver->ruleBatches[0], (std::pair<std::string, std::vector<Rule>>{"hide-elements", {hide}}));
    EXPECT_EQ(handOver->packages, std::vector<Package>{fresh});
    EXPECT_TRUE(handOver->deleted.empty());

    ASSERT_TRUE(settle());
    const std::string written = readText(PersistentStore::safariJSONPath());
    for (const char* filter : {"tracker\\\\.js", "pixel\\\\.gif", "news\\\\.example"}) {
        EXPECT_NE(written.find(filter), std::string::npos) << filter << " missing from " << written;
    }
}

TEST_F(PackageImportTest, RulesWebKitWouldRefuseAreLeftOutAndCountedAndTheRestCompiles) {
    const auto file = writeImportFile(
        "list.orvanepkg",
        {makePackage("N", "Shared list",
                     {blockRule("n1", "tracker\\.js"), blockRule("n2", "ad|banner"), blockRule("n3", "x{2}")})});
    catalog.importPackages(file);
    ASSERT_TRUE(settle());
    // Had one of them been taken, the rebuild's refusal would be a second message.
    EXPECT_EQ(shown.messages(),
              (std::vector<ShownMessage>{{"Blockers were successfuly imported. 2 rules could not be read and were "
                                          "left out: the URL filter uses \"|\", which content blockers do not "
                                          "support (1), the URL filter uses \"{2}\", which content blockers do not "
                                          "support (1).",
                                          false}}));
    EXPECT_EQ(catalog.customPackages()->back().rules, std::vector<Rule>{blockRule("n1", "tracker\\.js")});
}

TEST_F(PackageImportTest, AnExportReplacesAnyOldFileAndImportsBackAsNothingNew) {
    writeText(home.home() / "blocked", "a file where a folder should be");
    const Package mine = catalog.customPackages()->front();
    EXPECT_FALSE(exportPackage(mine, home.home() / "blocked" / "Mine.orvanepkg"));
    EXPECT_EQ(shown.messages(), (std::vector<ShownMessage>{{"There was an error saving package file.", true}}));

    const auto file = withPackageFileExtension(home.home() / "Downloads" / "Mine");
    EXPECT_EQ(file.filename(), "Mine.orvanepkg");
    EXPECT_EQ(withPackageFileExtension("list.json"), fs::path("list.json.orvanepkg"));
    writeText(file, "an older file, longer than the package file will be .............................");
    ASSERT_TRUE(exportPackage(mine, file));
    EXPECT_EQ(readText(file), *toJSONString(std::vector<Package>{mine}));

    ASSERT_TRUE(catalog.saveEditablePackages(true, nullptr));
    const std::string before = packageFiles();
    catalog.importPackages(file);
    EXPECT_EQ(shown.messages().back(), (ShownMessage{"No new blockers were found", false}));
    EXPECT_EQ(didImport, 0);
    EXPECT_EQ(packageFiles(), before);
    EXPECT_EQ(*catalog.customPackages(), std::vector<Package>{mine});
    EXPECT_TRUE(handOver->packages.empty() && handOver->ruleBatches.empty());
    EXPECT_TRUE(fs::exists(trashed("Mine.orvanepkg")));
    EXPECT_FALSE(Safari::hasRequestsInFlight());
}

TEST_F(PackageImportTest, HostileFilesGiveTheirMessageAndChangeNothing) {
    const std::string invalid = "No compatible packages found: importedPackages.isEmpty == true";
    const std::string unreadable = "Invalid import data";
    std::string deep(100000, '[');
    deep += std::string(100000, ']');
    const std::vector<std::pair<std::string, std::string>> cases{
        {"not JSON", "id,name\nX,Mine\n"},
        {"empty", ""},
        {"one package object", R"({"id":"N","name":"Single","rules":[]})"},
        {"wrong types", R"([1,"two",null,true,[]])"},
        {"nested too deeply", deep},
        {"invalid UTF-8", "[{\"id\":\"N\",\"name\":\"\xC3\x28\",\"rules\":[]}]"},
        {"truncated", R"([{"id":"N","name":"Cut","rules":[{"id":"r","content":{"trigger":)"},
    };
    ASSERT_TRUE(catalog.saveEditablePackages(true, nullptr));
    const PackageList configurable = *catalog.configurablePackages();
    const PackageList custom = *catalog.customPackages();
    const std::string files = packageFiles();
    int index = 0;
    for (const auto& [label, text] : cases) {
        SCOPED_TRACE(label);
        const auto file = writeImportFile("hostile-" + std::to_string(index++), text);
        catalog.importPackages(file);
        EXPECT_EQ(shown.messages().back(), (ShownMessage{invalid, false}));
        EXPECT_FALSE(fs::exists(file));
    }

    // Unreadable: no file, a folder, a pipe, and a file above the size limit (sparse, so cheap).
    const auto folder = home.home() / "Downloads" / "folder.orvanepkg";
    fs::create_directories(folder);
    const auto pipe = home.home() / "Downloads" / "pipe.orvanepkg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto huge = writeImportFile("huge.orvanepkg", "[]");
    fs::resize_file(huge, 64 * 1024 * 1024 + 1);
    for (const auto& file : {home.home() / "missing.orvanepkg", folder, pipe, huge}) {
        SCOPED_TRACE(file.string());
        catalog.importPackages(file);
        EXPECT_EQ(shown.messages().back(), (ShownMessage{unreadable, false}));
    }
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_FALSE(fs::exists(huge));

    EXPECT_EQ(shown.messages().size(), cases.size() + 4);
    EXPECT_EQ(didImport, 0);
    EXPECT_EQ(*catalog.configurablePackages(), configurable);
    EXPECT_EQ(*catalog.customPackages(), custom);
    EXPECT_EQ(packageFiles(), files);
    EXPECT_TRUE(handOver->packages.empty() && handOver->ruleBatches.empty());
}

TEST_F(PackageImportTest, WithoutATrashTheImportedFileIsDeleted) {
    // A Trash folder that cannot be made: a file stands in its place.
    writeText(trash(), "");
    const auto file = writeImportFile("list.orvanepkg", {makePackage("X", "Mine", {blockRule("a")})});
    LogCapture log;
    catalog.importPackages(file);
    EXPECT_FALSE(fs::exists(file));
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.starts_with("Could not move " + file.string() + " to the Trash: ");
    }));
    fs::remove(trash());
}

TEST_F(PackageImportTest, ReadersSeeAnImportWholeOrNotAtAll) {
    // No compile needed here: with the content blocker off a save's reload stops at the state query.
    ASSERT_TRUE(browser::setExtensionEnabled(browser::extensionIdentifiers().front(), false));
    catalog.customPackages();
    std::atomic<bool> done{false};
    std::atomic<bool> torn{false};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        while (!done) {
            std::size_t importedPackages = 0;
            std::size_t importedRules = 0;
            for (const auto& package : catalog.allPackages()) {
                importedPackages += package.name == "Imported" ? 1 : 0;
                importedRules += package.id == "block-url" ? package.rules.size() : 0;
            }
            torn = torn || importedPackages != importedRules;
            ++reads;
        }
    });
    // Each import brings one new package and one rule for "block-url".
    Package blockUrl = makePackage("block-url", "Block URLs");
    for (int i = 0; i < 100; ++i) {
        const std::string n = std::to_string(i);
        blockUrl.rules.push_back(blockRule("u" + n));
        ASSERT_TRUE(catalog.mergeImportedPackages({blockUrl, makePackage("I" + n, "Imported", {blockRule("i" + n)})}));
    }
    while (reads < 5) {
        std::this_thread::yield();
    }
    done = true;
    reader.join();
    EXPECT_FALSE(torn);
    EXPECT_TRUE(settle());
}
