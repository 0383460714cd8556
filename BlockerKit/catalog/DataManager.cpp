#include "catalog/DataManager.h"

#include "catalog/ListMerges.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "storage/HomeLock.h"
#include "storage/PersistentStore.h"

#include <algorithm>

namespace orvane {
namespace {

PackageListSnapshot freeze(PackageList list) { return std::make_shared<const PackageList>(std::move(list)); }

Package* findById(PackageList& list, const std::string& id) {
    auto it = std::find_if(list.begin(), list.end(), [&](const Package& p) { return p.id == id; });
    return it == list.end() ? nullptr : &*it;
}

// The configurable package with that id, else the custom one.
Package* findEditable(PackageList& configurable, PackageList& custom, const std::string& id) {
    Package* found = findById(configurable, id);
    return found != nullptr ? found : findById(custom, id);
}

CatalogError notFound(CatalogErrorCode code, const std::string& what) { return CatalogError{code, what}; }

} // namespace

DataManager& DataManager::shared() {
    static DataManager instance;
    return instance;
}

void DataManager::setRebuilder(std::shared_ptr<ContentBlockerRebuilder> rebuilder) {
    std::lock_guard lock(mutex_);
    hooks_.rebuilder = std::move(rebuilder);
}

void DataManager::setDisabledMarks(std::shared_ptr<DisabledMarks> marks) {
    std::lock_guard lock(mutex_);
    hooks_.marks = std::move(marks);
}

void DataManager::setSyncHandOver(std::shared_ptr<SyncHandOver> handOver) {
    std::lock_guard lock(mutex_);
    hooks_.syncHandOver = std::move(handOver);
}

std::shared_ptr<SyncHandOver> DataManager::syncHandOver() const { return hooks().syncHandOver; }

DataManager::Hooks DataManager::hooks() const {
    std::lock_guard lock(mutex_);
    return hooks_;
}

void DataManager::requestRebuild(bool allowsCancelling, ReloadHandler handler) {
    auto rebuilder = hooks().rebuilder;
    if (!rebuilder) {
        log("Nothing rebuilds the content blocker in this process");
        if (handler) {
            runOnMain([handler = std::move(handler)] {
                handler(ReloadOutcome::dropped(ReloadOutcome::DropReason::NoRebuilder,
                                               "Nothing rebuilds the content blocker in this process"));
            });
        }
        return;
    }
    rebuilder->requestRebuild(allowsCancelling, std::move(handler));
}

void DataManager::followHome() {
    std::filesystem::path home = sharedContainerDirectory();
    if (home != lists_.home) {
        lists_ = Lists{};
        lists_.home = std::move(home);
        watch_.reset();
    }
}

void DataManager::loadConfigurable() {
    PackageFileContents read = PersistentStore::loadPackageFile(PackageType::ConfigurablePackages, true);
    lists_.configurable = LoadedList{freeze(repairedConfigurablePackages(std::move(read.packages))), read.identity,
                                     read.damaged, false};
}

void DataManager::loadCustom() {
    PackageFileContents read = PersistentStore::loadPackageFile(PackageType::CustomPackages, true);
    lists_.custom = LoadedList{freeze(read.packages.value_or(PackageList{})), read.identity, read.damaged, false};
    updateCustomView();
}

void DataManager::updateCustomView() {
    if (lists_.pending.empty()) {
        lists_.customView = lists_.custom->packages;
        return;
    }
    PackageList view = *lists_.custom->packages;
    view.insert(view.end(), lists_.pending.begin(), lists_.pending.end());
    lists_.customView = freeze(std::move(view));
}

bool DataManager::ensureFresh() {
    followHome();
    if (writing_ && lists_.configurable && lists_.custom) {
        return false;
    }
    // One stat per file: another process of the home may have saved since the last look.
    const auto stale = [](const std::optional<LoadedList>& list, PackageType type) {
        return !list || (!list->unsaved && fileIdentity(PersistentStore::sharedPackagePath(type)) != list->identity);
    };
    bool reloaded = false;
    if (stale(lists_.configurable, PackageType::ConfigurablePackages)) {
        reloaded = lists_.configurable.has_value();
        loadConfigurable();
    }
    if (stale(lists_.custom, PackageType::CustomPackages)) {
        reloaded = reloaded || lists_.custom.has_value();
        loadCustom();
    }
    if (lists_.preinstalledFromFile &&
        fileIdentity(PersistentStore::sharedPackagePath(PackageType::PreinstalledPackages)) !=
            lists_.preinstalled.identity) {
        PackageFileContents read = PersistentStore::readPackageFile(
            PersistentStore::sharedPackagePath(PackageType::PreinstalledPackages), true);
        lists_.preinstalled = LoadedList{freeze(read.packages.value_or(PackageList{})), read.identity, false, false};
        reloaded = true;
    }
    if (!watch_) {
        watchFiles();
    }
    return reloaded;
}

void DataManager::watchFiles() {
    watch_ = std::make_unique<DirectoryWatch>(lists_.home, [this](const std::string& name) {
        for (PackageType type :
             {PackageType::PreinstalledPackages, PackageType::ConfigurablePackages, PackageType::CustomPackages}) {
            if (name == rawValue(type)) {
                filesChanged();
                return;
            }
        }
    });
}

void DataManager::filesChanged() {
    bool reloaded = false;
    {
        std::lock_guard lock(mutex_);
        if (!lists_.configurable && !lists_.custom) {
            return;
        }
        reloaded = ensureFresh();
    }
    // Open lists refresh as after a save made here.
    if (reloaded) {
        NotificationCenter::shared().post(kDidSavePackages, this);
    }
}

PackageListSnapshot DataManager::preinstalledPackages() {
    std::lock_guard lock(mutex_);
    ensureFresh();
    return lists_.preinstalled.packages;
}

void DataManager::setPreinstalledPackages(PackageList packages) {
    auto snapshot = freeze(std::move(packages));
    std::lock_guard lock(mutex_);
    followHome();
    lists_.preinstalled = LoadedList{std::move(snapshot), {}, false, false};
    lists_.preinstalledFromFile = false;
}

void DataManager::loadPreinstalledPackagesIfEmpty() {
    if (preinstalledPackages()->empty()) {
        reloadPreinstalledPackagesFromDisk();
    }
}

void DataManager::reloadPreinstalledPackagesFromDisk() {
    PackageFileContents read = PersistentStore::loadPackageFile(PackageType::PreinstalledPackages, true);
    std::lock_guard lock(mutex_);
    followHome();
    lists_.preinstalled = LoadedList{freeze(read.packages.value_or(PackageList{})), read.identity, false, false};
    lists_.preinstalledFromFile = true;
}

PackageListSnapshot DataManager::configurablePackages() {
    std::lock_guard lock(mutex_);
    ensureFresh();
    return lists_.configurable->packages;
}

PackageListSnapshot DataManager::customPackages() {
    std::lock_guard lock(mutex_);
    ensureFresh();
    return lists_.customView;
}

void DataManager::reloadConfigurablePackagesFromDisk() {
    std::lock_guard save(saveMutex_);
    std::lock_guard lock(mutex_);
    followHome();
    loadConfigurable();
}

void DataManager::reloadEditablePackagesFromDisk() {
    std::lock_guard save(saveMutex_);
    std::lock_guard lock(mutex_);
    followHome();
    loadConfigurable();
    loadCustom();
}

PackageOrder::PackageOrder(PackageListSnapshot preinstalled, PackageListSnapshot configurable,
                           PackageListSnapshot custom)
    : preinstalled_(std::move(preinstalled)), configurable_(std::move(configurable)), custom_(std::move(custom)) {
    order_.reserve(preinstalled_->size() + configurable_->size() + custom_->size());
    for (const auto& package : *preinstalled_) {
        order_.push_back(&package);
    }
    for (std::size_t i = 1; i < configurable_->size(); ++i) {
        order_.push_back(&(*configurable_)[i]);
    }
    for (const auto& package : *custom_) {
        order_.push_back(&package);
    }
    if (!configurable_->empty()) {
        order_.push_back(&configurable_->front());
    }
}

PackageOrder DataManager::packageOrder() {
    std::lock_guard lock(mutex_);
    ensureFresh();
    return PackageOrder(lists_.preinstalled.packages, lists_.configurable->packages, lists_.customView);
}

PackageList DataManager::allPackages() {
    PackageList all;
    const PackageOrder order = packageOrder();
    for (const Package* package : order.packages()) {
        all.push_back(*package);
    }
    return all;
}

void DataManager::editEditable(const std::function<void(PackageList&, PackageList&)>& change) {
    std::lock_guard save(saveMutex_);
    std::lock_guard lock(mutex_);
    ensureFresh();
    PackageList configurable = *lists_.configurable->packages;
    PackageList custom = *lists_.customView;
    change(configurable, custom);
    lists_.configurable->packages = freeze(std::move(configurable));
    lists_.configurable->unsaved = true;
    lists_.custom->packages = freeze(std::move(custom));
    lists_.custom->unsaved = true;
    lists_.pending.clear();
    updateCustomView();
}

namespace {

// Marks the catalog's files as being written for as long as it lives.
class Writing {
public:
    Writing(std::mutex& mutex, bool& flag) : mutex_(mutex), flag_(flag) {
        std::lock_guard lock(mutex_);
        flag_ = true;
    }
    ~Writing() {
        std::lock_guard lock(mutex_);
        flag_ = false;
    }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;

private:
    std::mutex& mutex_;
    bool& flag_;
};

// Writes a package file of the shared container, keeping aside first what is there when it
// could not be read.
StorageResult writeList(PackageType type, const PackageList& packages, bool damaged) {
    const auto path = PersistentStore::sharedPackagePath(type);
    if (damaged) {
        PersistentStore::keepAside(path);
    }
    return PersistentStore::writePackages(packages, path);
}

} // namespace

StorageResult DataManager::commitEditable(const EditableChange& change, const std::set<PackageType>& files,
                                          bool& changed) {
    // Every process of the home edits what the disk holds now, one after the other.
    HomeLock home;
    std::lock_guard save(saveMutex_);
    PackageList configurable;
    PackageList custom;
    std::map<PackageType, bool> damaged;
    {
        std::lock_guard lock(mutex_);
        ensureFresh();
        configurable = *lists_.configurable->packages;
        custom = *lists_.customView;
        damaged[PackageType::ConfigurablePackages] = lists_.configurable->damaged;
        damaged[PackageType::CustomPackages] = lists_.custom->damaged;
    }
    changed = change(configurable, custom);
    if (!changed) {
        return {};
    }
    NotificationCenter::shared().postOnMain(Notification{kWillSavePackages, this, {}});
    Writing writing(mutex_, writing_);
    std::map<PackageType, FileIdentity> written;
    StorageResult result;
    for (PackageType type : files) {
        const PackageList& list = type == PackageType::ConfigurablePackages ? configurable : custom;
        result = writeList(type, list, damaged[type]);
        if (!result) {
            break;
        }
        written[type] = fileIdentity(PersistentStore::sharedPackagePath(type));
    }
    std::lock_guard lock(mutex_);
    // What was written is published; a file left as it was is read again at the next look.
    if (written.contains(PackageType::ConfigurablePackages)) {
        lists_.configurable =
            LoadedList{freeze(std::move(configurable)), written[PackageType::ConfigurablePackages], false, false};
    }
    if (written.contains(PackageType::CustomPackages)) {
        lists_.custom = LoadedList{freeze(std::move(custom)), written[PackageType::CustomPackages], false, false};
        lists_.pending.clear();
        updateCustomView();
    }
    return result;
}

StorageResult DataManager::saveFailed(StorageError error) {
    error.message = "Your changes could not be saved. " + error.message;
    showMessage(error.message, true);
    return error;
}

CatalogError DataManager::notSaved(const StorageError& error) {
    return CatalogError{CatalogErrorCode::NotSaved, saveFailed(error).error().message};
}

void DataManager::afterSave(std::optional<bool> skipReload, SaveCompletion completion) {
    if (skipReload.value_or(false)) {
        NotificationCenter::shared().postOnMain(Notification{kDidSavePackages, this, {}});
        return;
    }
    requestRebuild(true, [this, completion = std::move(completion)](const ReloadOutcome& outcome) {
        if (outcome.needsTelling()) {
            showMessage(outcome.message, true, outcome.rejectedRule);
        }
        if (completion) {
            completion(outcome);
        }
        NotificationCenter::shared().postOnMain(Notification{kDidSavePackages, this, {}});
    });
}

StorageResult DataManager::savePackages(const std::map<PackageType, PackageList>& packagesByType,
                                        std::optional<bool> skipReload, SaveCompletion completion) {
    if (packagesByType.empty()) {
        return {};
    }
    NotificationCenter::shared().postOnMain(Notification{kWillSavePackages, this, {}});
    {
        HomeLock home;
        std::lock_guard save(saveMutex_);
        std::map<PackageType, bool> damaged;
        {
            std::lock_guard lock(mutex_);
            ensureFresh();
            damaged[PackageType::ConfigurablePackages] = lists_.configurable->damaged;
            damaged[PackageType::CustomPackages] = lists_.custom->damaged;
        }
        Writing writing(mutex_, writing_);
        for (const auto& [type, packages] : packagesByType) {
            auto written = writeList(type, packages, damaged[type]);
            if (!written) {
                return saveFailed(written.error());
            }
            // The list follows its file: what was written is what it holds now.
            std::lock_guard lock(mutex_);
            if (type == PackageType::ConfigurablePackages) {
                loadConfigurable();
            } else if (type == PackageType::CustomPackages) {
                loadCustom();
            }
        }
    }
    afterSave(skipReload, std::move(completion));
    return {};
}

StorageResult DataManager::saveEditablePackages(std::optional<bool> skipReload, SaveCompletion completion) {
    NotificationCenter::shared().postOnMain(Notification{kWillSavePackages, this, {}});
    std::optional<StorageError> failure;
    {
        HomeLock home;
        std::lock_guard save(saveMutex_);
        std::lock_guard lock(mutex_);
        ensureFresh();
        for (PackageType type : {PackageType::ConfigurablePackages, PackageType::CustomPackages}) {
            std::optional<LoadedList>& list =
                type == PackageType::ConfigurablePackages ? lists_.configurable : lists_.custom;
            const PackageListSnapshot packages =
                type == PackageType::ConfigurablePackages ? list->packages : lists_.customView;
            auto written = writeList(type, *packages, list->damaged);
            if (!written) {
                failure = written.error();
                break;
            }
            list = LoadedList{packages, fileIdentity(PersistentStore::sharedPackagePath(type)), false, false};
        }
        if (failure) {
            // The lists in memory must not claim what the disk does not hold.
            loadConfigurable();
            loadCustom();
        } else {
            lists_.pending.clear();
            updateCustomView();
        }
    }
    if (failure) {
        return saveFailed(*failure);
    }
    afterSave(skipReload, std::move(completion));
    return {};
}

CatalogResult<Package> DataManager::saveRule(const Rule& rule, const Package& package, bool skipReload) {
    std::optional<Package> updated;
    bool changed = false;
    auto written = commitEditable(
        [&](PackageList& configurable, PackageList& custom) {
            Package* stored = findEditable(configurable, custom, package.id);
            if (stored == nullptr) {
                return false;
            }
            upsertRule(stored->rules, rule);
            updated = *stored;
            return true;
        },
        {PackageType::ConfigurablePackages, PackageType::CustomPackages}, changed);
    if (!changed) {
        return notFound(CatalogErrorCode::PackageNotFound, "No package with id '" + package.id + "'");
    }
    if (!written) {
        return notSaved(written.error());
    }
    afterSave(skipReload, nullptr);
    if (auto handOver = syncHandOver()) {
        handOver->rulesChanged({rule}, updated->id);
    }
    return *updated;
}

CatalogResult<Package> DataManager::removeRule(const Rule& rule, const Package& package, bool skipReload) {
    std::optional<Package> updated;
    bool packageFound = false;
    bool changed = false;
    auto written = commitEditable(
        [&](PackageList& configurable, PackageList& custom) {
            Package* stored = findEditable(configurable, custom, package.id);
            if (stored == nullptr) {
                return false;
            }
            packageFound = true;
            auto it = std::find(stored->rules.begin(), stored->rules.end(), rule);
            if (it == stored->rules.end()) {
                return false;
            }
            stored->rules.erase(it);
            updated = *stored;
            return true;
        },
        {PackageType::ConfigurablePackages, PackageType::CustomPackages}, changed);
    if (!changed) {
        return packageFound ? notFound(CatalogErrorCode::RuleNotFound,
                                       "No rule with id '" + rule.id + "' in package '" + package.id + "'")
                            : notFound(CatalogErrorCode::PackageNotFound, "No package with id '" + package.id + "'");
    }
    if (!written) {
        return notSaved(written.error());
    }
    const Hooks installed = hooks();
    if (installed.marks) {
        installed.marks->ruleRemoved(rule, updated->id);
    }
    afterSave(skipReload, nullptr);
    if (installed.syncHandOver) {
        installed.syncHandOver->ruleDeleted(rule.id);
    }
    return *updated;
}

CatalogResult<void> DataManager::removeCustomPackage(const Package& package) {
    bool changed = false;
    auto written = commitEditable(
        [&](PackageList&, PackageList& custom) {
            auto it = std::find(custom.begin(), custom.end(), package);
            if (it == custom.end()) {
                return false;
            }
            custom.erase(it);
            return true;
        },
        {PackageType::CustomPackages}, changed);
    if (!changed) {
        return notFound(CatalogErrorCode::PackageNotFound, "No custom package with id '" + package.id + "'");
    }
    if (!written) {
        return notSaved(written.error());
    }
    const Hooks installed = hooks();
    if (installed.marks) {
        installed.marks->packageRemoved(package);
    }
    afterSave(std::nullopt, nullptr);
    if (installed.syncHandOver) {
        installed.syncHandOver->packageDeleted(package.id, package.rules);
    }
    return {};
}

void DataManager::appendCustomPackage(Package package) {
    std::lock_guard lock(mutex_);
    ensureFresh();
    lists_.pending.push_back(std::move(package));
    updateCustomView();
}

CatalogResult<void> DataManager::addCustomPackage(const Package& package) {
    bool changed = false;
    auto written = commitEditable(
        [&](PackageList&, PackageList& custom) {
            custom.push_back(package);
            return true;
        },
        {PackageType::ConfigurablePackages, PackageType::CustomPackages}, changed);
    if (!written) {
        return notSaved(written.error());
    }
    afterSave(true, nullptr);
    if (auto handOver = syncHandOver()) {
        handOver->packageChanged(package);
    }
    return {};
}

CatalogResult<Package> DataManager::renameCustomPackage(const Package& current, const std::string& name) {
    std::optional<Package> renamed;
    bool changed = false;
    auto written = commitEditable(
        [&](PackageList&, PackageList& custom) {
            auto it = std::find(custom.begin(), custom.end(), current);
            if (it == custom.end()) {
                return false;
            }
            it->name = name;
            renamed = *it;
            return true;
        },
        {PackageType::ConfigurablePackages, PackageType::CustomPackages}, changed);
    if (!changed) {
        return notFound(CatalogErrorCode::PackageNotFound, "No custom package with id '" + current.id + "'");
    }
    if (!written) {
        return notSaved(written.error());
    }
    afterSave(true, nullptr);
    if (auto handOver = syncHandOver()) {
        handOver->packageChanged(*renamed);
    }
    return *renamed;
}

void DataManager::mergeRemotePackage(const Package& package) {
    editEditable([&](PackageList& configurable, PackageList& custom) { mergePackage(configurable, custom, package); });
}

void DataManager::mergeRemoteRule(const Rule& rule, const std::string& packageID) {
    editEditable([&](PackageList& configurable, PackageList& custom) { mergeRule(configurable, custom, rule, packageID); });
}

bool DataManager::deleteItem(const std::string& id) {
    bool deleted = false;
    editEditable([&](PackageList& configurable, PackageList& custom) { deleted = deleteById(configurable, custom, id); });
    return deleted;
}

StorageResult DataManager::applyRemoteChanges(const std::vector<std::string>& deletedIds,
                                              const std::vector<Package>& packages,
                                              const std::vector<std::pair<Rule, std::string>>& rules,
                                              SaveCompletion completion) {
    bool changed = false;
    auto written = commitEditable(
        [&](PackageList& configurable, PackageList& custom) {
            for (const auto& id : deletedIds) {
                deleteById(configurable, custom, id);
            }
            for (const auto& package : packages) {
                mergePackage(configurable, custom, package);
            }
            mergeRules(configurable, custom, rules);
            return true;
        },
        {PackageType::ConfigurablePackages, PackageType::CustomPackages}, changed);
    if (!written) {
        return saveFailed(written.error());
    }
    afterSave(std::nullopt, std::move(completion));
    return {};
}

} // namespace orvane
