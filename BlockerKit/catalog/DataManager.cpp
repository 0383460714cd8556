#include "catalog/DataManager.h"

#include "catalog/ListMerges.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "storage/PersistentStore.h"

#include <algorithm>

namespace orvane {
namespace {

PackageListSnapshot freeze(PackageList list) { return std::make_shared<const PackageList>(std::move(list)); }

PackageList loadPreinstalledFile() {
    return PersistentStore::loadPackages(PackageType::PreinstalledPackages, true).value_or(PackageList{});
}

PackageList loadCustomFile() {
    return PersistentStore::loadPackages(PackageType::CustomPackages, true).value_or(PackageList{});
}

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
    }
}

void DataManager::ensureLoaded() {
    followHome();
    if (!lists_.configurable) {
        lists_.configurable = freeze(PersistentStore::loadConfigurablePackages());
    }
    if (!lists_.custom) {
        lists_.custom = freeze(loadCustomFile());
    }
}

PackageListSnapshot DataManager::preinstalledPackages() {
    std::lock_guard lock(mutex_);
    followHome();
    return lists_.preinstalled;
}

void DataManager::setPreinstalledPackages(PackageList packages) {
    auto snapshot = freeze(std::move(packages));
    std::lock_guard lock(mutex_);
    followHome();
    lists_.preinstalled = std::move(snapshot);
}

void DataManager::loadPreinstalledPackagesIfEmpty() {
    if (preinstalledPackages()->empty()) {
        setPreinstalledPackages(loadPreinstalledFile());
    }
}

void DataManager::reloadPreinstalledPackagesFromDisk() { setPreinstalledPackages(loadPreinstalledFile()); }

PackageListSnapshot DataManager::configurablePackages() {
    std::lock_guard lock(mutex_);
    followHome();
    if (!lists_.configurable) {
        lists_.configurable = freeze(PersistentStore::loadConfigurablePackages());
    }
    return lists_.configurable;
}

PackageListSnapshot DataManager::customPackages() {
    std::lock_guard lock(mutex_);
    ensureLoaded();
    return lists_.custom;
}

void DataManager::reloadConfigurablePackagesFromDisk() {
    std::lock_guard save(saveMutex_);
    auto reloaded = freeze(PersistentStore::loadConfigurablePackages());
    std::lock_guard lock(mutex_);
    followHome();
    lists_.configurable = std::move(reloaded);
}

void DataManager::reloadEditableFromDisk() {
    auto configurable = freeze(PersistentStore::loadConfigurablePackages());
    auto custom = freeze(loadCustomFile());
    std::lock_guard lock(mutex_);
    followHome();
    lists_.configurable = std::move(configurable);
    lists_.custom = std::move(custom);
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
    ensureLoaded();
    return PackageOrder(lists_.preinstalled, lists_.configurable, lists_.custom);
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
    ensureLoaded();
    PackageList configurable = *lists_.configurable;
    PackageList custom = *lists_.custom;
    change(configurable, custom);
    lists_.configurable = freeze(std::move(configurable));
    lists_.custom = freeze(std::move(custom));
}

StorageResult DataManager::commitEditable(const EditableChange& change, const std::set<PackageType>& files,
                                          bool& changed) {
    std::lock_guard save(saveMutex_);
    PackageList configurable;
    PackageList custom;
    {
        std::lock_guard lock(mutex_);
        ensureLoaded();
        configurable = *lists_.configurable;
        custom = *lists_.custom;
    }
    changed = change(configurable, custom);
    if (!changed) {
        return {};
    }
    NotificationCenter::shared().postOnMain(Notification{kWillSavePackages, this, {}});
    for (PackageType type : files) {
        const PackageList& list = type == PackageType::ConfigurablePackages ? configurable : custom;
        auto written = PersistentStore::writePackages(list, PersistentStore::sharedPackagePath(type));
        if (!written) {
            return written;
        }
    }
    std::lock_guard lock(mutex_);
    lists_.configurable = freeze(std::move(configurable));
    lists_.custom = freeze(std::move(custom));
    return {};
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
        std::lock_guard lock(saveMutex_);
        for (const auto& [type, packages] : packagesByType) {
            auto written = PersistentStore::writePackages(packages, PersistentStore::sharedPackagePath(type));
            if (!written) {
                return saveFailed(written.error());
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
        std::lock_guard lock(saveMutex_);
        PackageListSnapshot configurable = configurablePackages();
        PackageListSnapshot custom = customPackages();
        for (const auto& [type, list] : {std::pair{PackageType::ConfigurablePackages, configurable},
                                         std::pair{PackageType::CustomPackages, custom}}) {
            auto written = PersistentStore::writePackages(*list, PersistentStore::sharedPackagePath(type));
            if (!written) {
                failure = written.error();
                break;
            }
        }
        if (failure) {
            // The lists in memory must not claim what the disk does not hold.
            reloadEditableFromDisk();
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
    editEditable([&](PackageList&, PackageList& custom) { custom.push_back(std::move(package)); });
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
            for (const auto& [rule, packageId] : rules) {
                mergeRule(configurable, custom, rule, packageId);
            }
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
