// Opened package files are untrusted. Whatever a file holds, importing it must not crash; an
// import that adds nothing must leave the catalog and its package files exactly as they were;
// and a merge that adds must keep every package and rule already there, in place, with every
// package and rule id used once.
//
// Imports that add something end in a save and a WebKit compile, far too slow for a fuzz loop:
// for those the merge itself is checked on copies of the catalog's lists, and the catalog stays
// untouched, so every input meets the same fresh catalog.

#include "catalog/ContentBlockerListImport.h"
#include "catalog/DataManager.h"
#include "catalog/ImportFile.h"
#include "catalog/ImportMerge.h"
#include "browser/ExtensionSettings.h"
#include "platform/Log.h"
#include "platform/ShownMessages.h"
#include "storage/PersistentStore.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using orvane::Package;
using orvane::PackageList;
using orvane::Rule;

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string contentsOf(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream contents;
    contents << stream.rdbuf();
    return contents.str();
}

Rule blockRule(const std::string& id, const std::string& filter) {
    orvane::Trigger trigger;
    trigger.urlFilter = filter;
    return Rule{id, "Block " + filter, orvane::Blocker{trigger, orvane::Action{orvane::ActionType::Block, {}}}};
}

// A home with a catalog in it, made once and removed at exit; the inputs never change it.
struct Catalog {
    Catalog();
    ~Catalog() {
        std::error_code error;
        fs::remove_all(root, error);
    }
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    std::string packageFiles() const {
        return contentsOf(orvane::PersistentStore::sharedPackagePath(orvane::PackageType::ConfigurablePackages)) + "|" +
               contentsOf(orvane::PersistentStore::sharedPackagePath(orvane::PackageType::CustomPackages));
    }

    fs::path root;
    fs::path input;
    fs::path trash;
    PackageList preinstalled;
    PackageList configurable;
    PackageList custom;
    std::string files;
};

Catalog::Catalog() {
    std::string pattern = (fs::temp_directory_path() / "orvane-import-fuzz-XXXXXX").string();
    check(::mkdtemp(pattern.data()) != nullptr);
    root = pattern;
    input = root / "Downloads" / "input.orvanepkg";
    trash = root / "data" / "Trash";
    fs::create_directories(input.parent_path());
    ::setenv("ORVANE_HOME", (root / "home").c_str(), 1);
    ::setenv("ORVANE_RESOURCES", (root / "resources").c_str(), 1);
    ::setenv("ORVANE_CLOUD", "none", 1);
    // The Trash on the inputs' own file system, emptied after every input.
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    check(orvane::browser::setExtensionEnabled(orvane::browser::extensionIdentifiers().front(), false));

    preinstalled = {Package{"block-ads", "Ads", {blockRule("ads-1", "ads")}}};
    auto written = orvane::repairedConfigurablePackages(std::nullopt);
    written[1].rules = {blockRule("u1", "tracker"), blockRule("u2", "pixel")};
    const PackageList writtenCustom{Package{"X", "Mine", {blockRule("a", "a"), blockRule("b", "b")}},
                                    Package{"Y", "Empty", {}}};
    using orvane::PackageType;
    using orvane::PersistentStore;
    check(PersistentStore::writePackages(written, PersistentStore::sharedPackagePath(PackageType::ConfigurablePackages))
              .ok());
    check(PersistentStore::writePackages(writtenCustom, PersistentStore::sharedPackagePath(PackageType::CustomPackages))
              .ok());

    auto& shared = orvane::DataManager::shared();
    shared.setPreinstalledPackages(preinstalled);
    configurable = *shared.configurablePackages();
    custom = *shared.customPackages();
    check(configurable == written && custom == writtenCustom);
    files = packageFiles();
}

const Catalog& catalog() {
    static const Catalog made;
    return made;
}

// Each list keeps its packages in place, each with its id, name and rules ahead of additions.
void checkKept(const PackageList& before, const PackageList& after, std::size_t& addedRules) {
    check(after.size() >= before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        check(after[i].id == before[i].id && after[i].name == before[i].name);
        check(after[i].rules.size() >= before[i].rules.size());
        check(std::equal(before[i].rules.begin(), before[i].rules.end(), after[i].rules.begin()));
        addedRules += after[i].rules.size() - before[i].rules.size();
    }
}

void checkUniqueIds(const std::vector<const PackageList*>& lists) {
    std::set<std::string> packageIds;
    std::set<std::string> ruleIds;
    for (const auto* list : lists) {
        for (const auto& package : *list) {
            check(packageIds.insert(package.id).second);
            for (const auto& rule : package.rules) {
                check(ruleIds.insert(rule.id).second);
            }
        }
    }
}

// Answers whether the merge adds something.
bool checkMerge(const Catalog& home, const PackageList& imported) {
    PackageList configurable = home.configurable;
    PackageList custom = home.custom;
    const auto outcome = orvane::mergeImport(configurable, custom, home.preinstalled, imported);
    if (!outcome.addedAnything()) {
        check(configurable == home.configurable && custom == home.custom);
        return false;
    }
    std::size_t addedRules = 0;
    checkKept(home.configurable, configurable, addedRules);
    checkKept(home.custom, custom, addedRules);
    check(configurable.size() == home.configurable.size());
    check(PackageList(custom.begin() + static_cast<std::ptrdiff_t>(home.custom.size()), custom.end()) ==
          outcome.newPackages);
    std::size_t handedOver = 0;
    for (const auto& merged : outcome.mergedRules) {
        handedOver += merged.rules.size();
    }
    check(handedOver == addedRules);
    checkUniqueIds({&home.preinstalled, &configurable, &custom});
    return true;
}

// The whole import, for an input that adds nothing.
void checkRefusedImport(const Catalog& home, const std::optional<orvane::ImportFileContents>& contents) {
    orvane::ShownMessages shown;
    bool didImport = false;
    orvane::ObserverRegistration observer(orvane::kDidImportBlockers,
                                          [&](const orvane::Notification&) { didImport = true; });
    auto& shared = orvane::DataManager::shared();
    shared.importPackages(home.input);

    const std::string expected =
        !contents ? "Invalid import data"
        : contents->packages.empty() && !contents->contentBlockerList
            ? "No compatible packages found: importedPackages.isEmpty == true"
            : orvane::importMessage("No new blockers were found", contents->skipped);
    check(shown.messages() == std::vector<orvane::ShownMessage>{{expected, false}});
    check(!didImport);
    check(*shared.configurablePackages() == home.configurable && *shared.customPackages() == home.custom);
    check(home.packageFiles() == home.files);
    check(!fs::exists(home.input));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orvane::logToNowhere(); // the skip lines of unreadable rules would drown the fuzzer's output
    catalog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Catalog& home = catalog();
    std::ofstream(home.input, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                        static_cast<std::streamsize>(size));
    const auto contents = orvane::readImportFile(home.input);
    // A plain content-blocker list is imported as one package named after the file.
    const PackageList packages =
        !contents                      ? PackageList{}
        : contents->contentBlockerList ? orvane::packagesForContentBlockerList(home.input.stem().string(),
                                                                               *contents->contentBlockerList,
                                                                               home.custom)
                                       : contents->packages;
    if (!packages.empty() && checkMerge(home, packages)) {
        fs::remove(home.input);
        return 0;
    }
    checkRefusedImport(home, contents);
    std::error_code error;
    fs::remove_all(home.trash, error);
    return 0;
}
