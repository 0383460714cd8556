#include "catalog/DataManager.h"

#include "output/Safari.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "prefs/BlockerPreferenceManager.h"
#include "storage/PersistentStore.h"

#include <algorithm>

namespace orvane {
namespace {

PackageListSnapshot freeze(PackageList list) { return std::make_shared<const PackageList>(std::move(list)); }

PackageList loadPreinstalledFile() {
    return PersistentStore::loadPackages(PackageType::PreinstalledPackages, true).value_or(PackageList{});
}

} // namespace

DataManager& DataManager::shared() {
    static DataManager instance;
    return instance;
}

std::shared_ptr<BlockerPreferenceManager> DataManager::preferenceManager() {
    std::lock_guard lock(mutex_);
    if (!preferenceManager_) {
        preferenceManager_ = BlockerPreferenceManager::create();
    }
    return preferenceManager_;
}

PackageListSnapshot DataManager::preinstalledPackages() const {
    std::lock_guard lock(mutex_);
    return lists_.preinstalled;
}

void DataManager::setPreinstalledPackages(PackageList packages) {
    auto snapshot = freeze(std::move(packages));
    std::lock_guard lock(mutex_);
    lists_.preinstalled = std::move(snapshot);
}

void DataManager::loadPreinstalledPackagesIfEmpty() {
    if (preinstalledPackages()->empty()) {
        setPreinstalledPackages(loadPreinstalledFile());
    }
}

void DataManager::reloadPreinstalledPackagesFromDisk() { setPreinstalledPackages(loadPreinstalledFile()); }

void DataManager::ensureLoaded() {
    if (!lists_.configurable) {
        lists_.configurable = freeze(PersistentStore::loadConfigurablePackages());
    }
    if (!lists_.custom) {
        lists_.custom = freeze(PersistentStore::loadPackages(PackageType::CustomPackages, true).value_or(PackageList{}));
    }
}

PackageListSnapshot DataManager::configurablePackages() {
    std::lock_guard lock(mutex_);
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
    auto reloaded = freeze(PersistentStore::loadConfigurablePackages());
    std::lock_guard lock(mutex_);
    lists_.configurable = std::move(reloaded);
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
    std::lock_guard lock(mutex_);
    ensureLoaded();
    PackageList configurable = *lists_.configurable;
    PackageList custom = *lists_.custom;
    change(configurable, custom);
    lists_.configurable = freeze(std::move(configurable));
    lists_.custom = freeze(std::move(custom));
}

void DataManager::savePackages(const std::map<PackageType, PackageList>& packagesByType,
                               std::optional<bool> skipReload, SaveCompletion completion) {
    if (packagesByType.empty()) {
        return;
    }
    NotificationCenter::shared().postOnMain(Notification{kWillSavePackages, this, {}});
    {
        std::lock_guard lock(saveMutex_);
        for (const auto& [type, packages] : packagesByType) {
            PersistentStore::writePackages(packages, PersistentStore::sharedPackagePath(type));
        }
    }
    if (skipReload.value_or(false)) {
        NotificationCenter::shared().postOnMain(Notification{kDidSavePackages, this, {}});
        return;
    }
    requestReload(std::move(completion));
}

void DataManager::saveEditablePackages(std::optional<bool> skipReload, SaveCompletion completion) {
    NotificationCenter::shared().postOnMain(Notification{kWillSavePackages, this, {}});
    {
        // The lists are taken under the save lock, so the files always end with the newest
        // lists even when two threads save at once.
        std::lock_guard lock(saveMutex_);
        PackageListSnapshot configurable = configurablePackages();
        PackageListSnapshot custom = customPackages();
        PersistentStore::writePackages(*configurable, PersistentStore::sharedPackagePath(PackageType::ConfigurablePackages));
        PersistentStore::writePackages(*custom, PersistentStore::sharedPackagePath(PackageType::CustomPackages));
    }
    if (skipReload.value_or(false)) {
        NotificationCenter::shared().postOnMain(Notification{kDidSavePackages, this, {}});
        return;
    }
    requestReload(std::move(completion));
}

void DataManager::requestReload(SaveCompletion completion) {
    Safari::requestReload(preferenceManager(), true,
                          [this, completion = std::move(completion)](const SafariReloadingResult& result) {
                              if (!result.isSuccess()) {
                                  showMessage(result.error()->localizedDescription, true);
                              }
                              if (completion) {
                                  completion(result.isSuccess());
                              }
                              NotificationCenter::shared().postOnMain(Notification{kDidSavePackages, this, {}});
                          });
}

Package DataManager::saveRule(const Rule& rule, const Package& package, bool skipReload) {
    std::optional<Package> updated;
    editEditable([&](PackageList& configurable, PackageList& custom) {
        for (PackageList* list : {&configurable, &custom}) {
            auto it = std::find_if(list->begin(), list->end(), [&](const Package& p) { return p.id == package.id; });
            if (it != list->end()) {
                upsertRule(it->rules, rule);
                updated = *it;
                return;
            }
        }
    });
    if (!updated) {
        return package;
    }
    saveEditablePackages(skipReload, nullptr);
    if (auto handOver = syncHandOver()) {
        handOver->rulesChanged({rule}, updated->id);
    }
    return *updated;
}

Package DataManager::removeRule(const Rule& rule, const Package& package, bool skipReload) {
    std::optional<Package> updated;
    editEditable([&](PackageList& configurable, PackageList& custom) {
        for (PackageList* list : {&configurable, &custom}) {
            auto it = std::find_if(list->begin(), list->end(), [&](const Package& p) { return p.id == package.id; });
            if (it == list->end()) {
                continue;
            }
            auto ruleIt = std::find(it->rules.begin(), it->rules.end(), rule);
            if (ruleIt != it->rules.end()) {
                it->rules.erase(ruleIt);
                updated = *it;
            }
            return;
        }
    });
    if (!updated) {
        return package;
    }
    preferenceManager()->removeDisabledRule(rule, updated->id);
    saveEditablePackages(skipReload, nullptr);
    if (auto handOver = syncHandOver()) {
        handOver->ruleDeleted(rule.id);
    }
    return *updated;
}

void DataManager::removeCustomPackage(const Package& package) {
    bool removed = false;
    PackageList remaining;
    editEditable([&](PackageList&, PackageList& custom) {
        auto it = std::find(custom.begin(), custom.end(), package);
        if (it != custom.end()) {
            custom.erase(it);
            removed = true;
        }
        remaining = custom;
    });
    if (!removed) {
        return;
    }
    auto preferences = preferenceManager();
    preferences->enablePackage(package.id);
    preferences->setRulesDisabled(package.rules, package, false);
    savePackages({{PackageType::CustomPackages, remaining}}, std::nullopt, nullptr);
    if (auto handOver = syncHandOver()) {
        handOver->packageDeleted(package.id, package.rules);
    }
}

void DataManager::appendCustomPackage(Package package) {
    editEditable([&](PackageList&, PackageList& custom) { custom.push_back(std::move(package)); });
}

bool DataManager::replaceCustomPackage(const Package& current, Package replacement) {
    bool found = false;
    editEditable([&](PackageList&, PackageList& custom) {
        auto it = std::find(custom.begin(), custom.end(), current);
        if (it != custom.end()) {
            *it = std::move(replacement);
            found = true;
        }
    });
    return found;
}

void DataManager::mergeRemotePackage(const Package& package) {
    editEditable([&](PackageList& configurable, PackageList& custom) {
        if (std::any_of(configurable.begin(), configurable.end(), [&](const Package& p) { return p.id == package.id; })) {
            log("There's already a configurable package with ID " + package.id);
            return;
        }
        auto it = std::find_if(custom.begin(), custom.end(), [&](const Package& p) { return p.id == package.id; });
        if (it != custom.end()) {
            it->name = package.name;
        } else {
            custom.push_back(package);
        }
    });
}

void DataManager::mergeRemoteRule(const Rule& rule, const std::string& packageID) {
    editEditable([&](PackageList& configurable, PackageList& custom) {
        for (PackageList* list : {&configurable, &custom}) {
            auto it = std::find_if(list->begin(), list->end(), [&](const Package& p) { return p.id == packageID; });
            if (it != list->end()) {
                upsertRule(it->rules, rule);
                return;
            }
        }
        log("Can't find package with identifier " + packageID);
    });
}

bool DataManager::deleteItem(const std::string& id) {
    bool deleted = false;
    editEditable([&](PackageList& configurable, PackageList& custom) {
        auto packageIt = std::find_if(custom.begin(), custom.end(), [&](const Package& p) { return p.id == id; });
        if (packageIt != custom.end()) {
            custom.erase(packageIt);
            deleted = true;
            return;
        }
        for (PackageList* list : {&configurable, &custom}) {
            for (auto& package : *list) {
                auto ruleIt = std::find_if(package.rules.begin(), package.rules.end(),
                                           [&](const Rule& rule) { return rule.id == id; });
                if (ruleIt != package.rules.end()) {
                    package.rules.erase(ruleIt);
                    deleted = true;
                    return;
                }
            }
        }
    });
    return deleted;
}

void DataManager::setSyncHandOver(std::shared_ptr<SyncHandOver> handOver) {
    std::lock_guard lock(mutex_);
    syncHandOver_ = std::move(handOver);
}

std::shared_ptr<SyncHandOver> DataManager::syncHandOver() const {
    std::lock_guard lock(mutex_);
    return syncHandOver_;
}

} // namespace orvane
