#pragma once

#include "catalog/SyncHandOver.h"
#include "model/Enums.h"
#include "model/Records.h"
#include "model/SkippedRules.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

class BlockerPreferenceManager;

inline constexpr const char* kWillSavePackages = "WillSavePackages";
inline constexpr const char* kDidSavePackages = "DidSavePackages";
inline constexpr const char* kDidImportBlockers = "DidImportBlockers";

using PackageList = std::vector<Package>;
// An immutable list: readers on any thread hold it while edits publish new lists.
using PackageListSnapshot = std::shared_ptr<const PackageList>;
using SaveCompletion = std::function<void(bool reloaded)>;

// The combined package order as a view over one consistent set of lists, which it keeps alive;
// nothing is copied.
class PackageOrder {
public:
    PackageOrder(PackageListSnapshot preinstalled, PackageListSnapshot configurable, PackageListSnapshot custom);
    const std::vector<const Package*>& packages() const { return order_; }
    bool empty() const { return order_.empty(); }

private:
    PackageListSnapshot preinstalled_;
    PackageListSnapshot configurable_;
    PackageListSnapshot custom_;
    std::vector<const Package*> order_;
};

// The one owner of every package in memory: the preinstalled, configurable and custom lists.
// Edits replace whole lists, so a reader always holds a consistent list; edits from the main
// thread and from sync are serialised.
class DataManager {
public:
    static DataManager& shared();

    std::shared_ptr<BlockerPreferenceManager> preferenceManager();

    PackageListSnapshot preinstalledPackages() const;
    void setPreinstalledPackages(PackageList packages);
    // Fills the preinstalled list from its package file when it is empty, as its first users do.
    void loadPreinstalledPackagesIfEmpty();
    // Reassigns the preinstalled list from its package file (empty when it cannot be loaded).
    void reloadPreinstalledPackagesFromDisk();

    PackageListSnapshot configurablePackages();
    PackageListSnapshot customPackages();
    // Replaces the configurable list with what storage holds now.
    void reloadConfigurablePackagesFromDisk();

    // Preinstalled, configurable except the first, custom, then the first configurable package.
    PackageList allPackages();
    PackageOrder packageOrder();

    void savePackages(const std::map<PackageType, PackageList>& packagesByType, std::optional<bool> skipReload,
                      SaveCompletion completion);
    void saveEditablePackages(std::optional<bool> skipReload, SaveCompletion completion);

    Package saveRule(const Rule& rule, const Package& package, bool skipReload);
    Package removeRule(const Rule& rule, const Package& package, bool skipReload);
    void removeCustomPackage(const Package& package);

    // The package list's own edits of custom packages (adding an unnamed package, renaming).
    void appendCustomPackage(Package package);
    // Replaces the custom package equal to `current` in every field; answers whether found.
    bool replaceCustomPackage(const Package& current, Package replacement);

    // Merges from cloud sync; none of them saves.
    void mergeRemotePackage(const Package& package);
    void mergeRemoteRule(const Rule& rule, const std::string& packageID);
    bool deleteItem(const std::string& id);

    // Package files and plain content-blocker lists: merges the packages of the file by id (a
    // list as one package, ContentBlockerListImport), saves, tells the user, and moves the file
    // to the Trash (PackageImport.cpp).
    void importPackages(const std::filesystem::path& url);
    // Answers whether something was added (and then saved). The message also tells of the
    // rules the reading skipped.
    bool mergeImportedPackages(const PackageList& packages, const SkippedRules& skipped = {});

    void setSyncHandOver(std::shared_ptr<SyncHandOver> handOver);
    std::shared_ptr<SyncHandOver> syncHandOver() const;

private:
    DataManager() = default;

    struct Lists {
        PackageListSnapshot preinstalled = std::make_shared<const PackageList>();
        PackageListSnapshot configurable;
        PackageListSnapshot custom;
    };
    // Loads what is still unloaded; call with mutex_ held.
    void ensureLoaded();
    // Runs `change` on mutable copies of the editable lists and publishes them.
    void editEditable(const std::function<void(PackageList& configurable, PackageList& custom)>& change);
    void requestReload(SaveCompletion completion);

    mutable std::mutex mutex_;
    Lists lists_;
    std::mutex saveMutex_;
    std::shared_ptr<BlockerPreferenceManager> preferenceManager_;
    std::shared_ptr<SyncHandOver> syncHandOver_;
};

} // namespace orvane
