#pragma once

#include "catalog/CatalogError.h"
#include "catalog/CatalogHooks.h"
#include "catalog/ImportReport.h"
#include "catalog/SyncHandOver.h"
#include "model/Enums.h"
#include "model/Records.h"
#include "platform/DirectoryWatch.h"
#include "platform/FileVersion.h"
#include "storage/StorageError.h"
#include "model/SkippedRules.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvane {

inline constexpr const char* kWillSavePackages = "WillSavePackages";
inline constexpr const char* kDidSavePackages = "DidSavePackages";
inline constexpr const char* kDidImportBlockers = "DidImportBlockers";

using PackageList = std::vector<Package>;
// An immutable list: readers on any thread hold it while edits publish new lists.
using PackageListSnapshot = std::shared_ptr<const PackageList>;
// Told how the rebuild after a save ended.
using SaveCompletion = std::function<void(const ReloadOutcome&)>;

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
//
// Edits replace whole lists, so a reader always holds a consistent list. An edit is made to what
// the package files hold now, under the home's lock (several processes share a home): read, change,
// write, and only then publish. When a file cannot be written the lists stay as the disk holds
// them, the user is told, and the edit answers the error; a file that cannot be read is kept aside
// before it is written. The lists follow their files: a file another process changed is read again
// at the next look, and a watch on the shared container posts "DidSavePackages" for it.
//
// The lists belong to one home: when ORVANE_HOME names another folder, they are read anew.
class DataManager {
public:
    static DataManager& shared();

    // What the catalog asks of the layers above it, installed by the application services.
    // Without a rebuilder a save reloads nothing; without marks deletions forget no switch;
    // without a hand-over no change reaches cloud sync.
    void setRebuilder(std::shared_ptr<ContentBlockerRebuilder> rebuilder);
    void setDisabledMarks(std::shared_ptr<DisabledMarks> marks);
    void setSyncHandOver(std::shared_ptr<SyncHandOver> handOver);
    std::shared_ptr<SyncHandOver> syncHandOver() const;

    // Rebuilds the content blocker from the current lists through the installed rebuilder.
    // `handler`, when given, is told the outcome exactly once, on the main thread.
    void requestRebuild(bool allowsCancelling, ReloadHandler handler);

    PackageListSnapshot preinstalledPackages();
    void setPreinstalledPackages(PackageList packages);
    // Fills the preinstalled list from its package file when it is empty, as its first users do.
    void loadPreinstalledPackagesIfEmpty();
    // Reassigns the preinstalled list from its package file (empty when it cannot be loaded).
    void reloadPreinstalledPackagesFromDisk();

    PackageListSnapshot configurablePackages();
    PackageListSnapshot customPackages();
    // Replaces the configurable list with what storage holds now.
    void reloadConfigurablePackagesFromDisk();
    // Replaces the configurable and custom lists with what storage holds now (the pending
    // packages stay).
    void reloadEditablePackagesFromDisk();

    // Preinstalled, configurable except the first, custom, then the first configurable package.
    PackageList allPackages();
    PackageOrder packageOrder();

    // Writes the given lists to their files (nothing for an empty map); the lists in memory then
    // follow the files. Unless `skipReload`,
    // the content blocker is then rebuilt and `completion` told the outcome. Answers whether
    // every file was written; after a failed write nothing is rebuilt and the user is told.
    StorageResult savePackages(const std::map<PackageType, PackageList>& packagesByType,
                               std::optional<bool> skipReload, SaveCompletion completion);
    // The same with the configurable and custom lists as they are in memory (after remote merges,
    // with the pending packages). When a file cannot be written, the lists are read back from
    // the disk. Edits should prefer the operations below, which change what the disk holds now.
    StorageResult saveEditablePackages(std::optional<bool> skipReload, SaveCompletion completion);

    // Inserts or replaces the rule (by id) in the configurable or custom package with the id of
    // `package`; answers the package as stored.
    CatalogResult<Package> saveRule(const Rule& rule, const Package& package, bool skipReload);
    // Deletes the rule equal to `rule` in every field; answers the package as stored.
    CatalogResult<Package> removeRule(const Rule& rule, const Package& package, bool skipReload);
    // Deletes the custom package equal to `package` in every field, with its switches.
    CatalogResult<void> removeCustomPackage(const Package& package);

    // A package made with the package list's add row: in memory only until something saves.
    void appendCustomPackage(Package package);
    // Adds a custom package and saves it (no rebuild: it has no rules yet).
    CatalogResult<void> addCustomPackage(const Package& package);
    // Gives the custom package equal to `current` in every field a new name and saves (no
    // rebuild: names do not reach the browser).
    CatalogResult<Package> renameCustomPackage(const Package& current, const std::string& name);

    // Merges from cloud sync; none of them saves.
    void mergeRemotePackage(const Package& package);
    void mergeRemoteRule(const Rule& rule, const std::string& packageID);
    bool deleteItem(const std::string& id);
    // A whole fetch in one edit: deletions, then packages, then rules, then one save.
    StorageResult applyRemoteChanges(const std::vector<std::string>& deletedIds, const std::vector<Package>& packages,
                                     const std::vector<std::pair<Rule, std::string>>& rules,
                                     SaveCompletion completion);

    // Package files and plain content-blocker lists: merges the packages of the file by id (a
    // list as one package, ContentBlockerListImport), saves, tells the user, and moves the file
    // to the Trash (PackageImport.cpp).
    ImportReport importPackages(const std::filesystem::path& url);
    // Answers whether something was added (and then saved). The message also tells of the
    // rules the reading skipped.
    bool mergeImportedPackages(const PackageList& packages, const SkippedRules& skipped = {});

private:
    DataManager() = default;

    // A list as read from its package file in the shared container.
    struct LoadedList {
        PackageListSnapshot packages = std::make_shared<const PackageList>();
        // The version of the file read; another version means another process changed it.
        FileIdentity identity;
        // The file was there but could not be read: it is kept aside before it is written.
        bool damaged = false;
        // Changed in memory and not saved yet (the remote merges): not read again until saved.
        bool unsaved = false;
    };
    struct Lists {
        std::filesystem::path home;
        // Set from outside (start-up, tests) or read from its file when `preinstalledFromFile`.
        LoadedList preinstalled;
        bool preinstalledFromFile = false;
        std::optional<LoadedList> configurable;
        std::optional<LoadedList> custom;
        // Packages made with the add row, in memory until the custom packages are saved.
        PackageList pending;
        // The custom packages as readers see them: the file's, then the pending ones.
        PackageListSnapshot customView;
    };
    struct Hooks {
        std::shared_ptr<ContentBlockerRebuilder> rebuilder;
        std::shared_ptr<DisabledMarks> marks;
        std::shared_ptr<SyncHandOver> syncHandOver;
    };
    using EditableChange = std::function<bool(PackageList& configurable, PackageList& custom)>;

    // Starts over when the home changed; call with mutex_ held.
    void followHome();
    // Loads what is unloaded, and reads again what another process changed since; answers
    // whether a list was read again. Call with mutex_ held.
    bool ensureFresh();
    void loadConfigurable();
    void loadCustom();
    void updateCustomView();
    // Watches the shared container for package files other processes change.
    void watchFiles();
    void filesChanged();
    // Runs `change` on mutable copies of the editable lists and publishes them, unsaved.
    void editEditable(const std::function<void(PackageList& configurable, PackageList& custom)>& change);
    // Runs `change` on copies of the editable lists; when it answers true, writes the lists of
    // `files` and publishes the copies only when they were written.
    StorageResult commitEditable(const EditableChange& change, const std::set<PackageType>& files, bool& changed);
    void afterSave(std::optional<bool> skipReload, SaveCompletion completion);
    // Tells the user that a write failed.
    StorageResult saveFailed(StorageError error);
    ImportReport mergeImported(const PackageList& packages, const SkippedRules& skipped);
    CatalogError notSaved(const StorageError& error);
    Hooks hooks() const;

    mutable std::mutex mutex_;
    Lists lists_;
    Hooks hooks_;
    std::unique_ptr<DirectoryWatch> watch_;
    // This process is writing the package files: until it publishes what it wrote, readers keep
    // the lists they have rather than read a file written and its partner not yet.
    bool writing_ = false;
    // Held across the read of the lists and the write of their files, so the files always end
    // with the newest lists even when two threads save at once.
    std::mutex saveMutex_;
};

} // namespace orvane
