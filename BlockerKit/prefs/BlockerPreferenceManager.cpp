#include "prefs/BlockerPreferenceManager.h"

#include "catalog/DataManager.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "prefs/PreferenceStore.h"
#include "prefs/SortedIds.h"
#include "storage/HomeLock.h"
#include "storage/PersistentStore.h"

#include <algorithm>
#include <optional>

namespace orvane {
namespace {

std::vector<Package> catalogOrder() {
    auto packages = DataManager::shared().allPackages();
    return packages.empty() ? PersistentStore::loadAllPackages() : packages;
}

std::string describe(const DisabledRules& rules) {
    std::string text = "[";
    for (const auto& [packageId, ruleIds] : rules) {
        text += (text.size() > 1 ? ", " : "") + packageId + ": [";
        for (std::size_t i = 0; i < ruleIds.size(); ++i) {
            text += (i ? ", " : "") + ruleIds[i];
        }
        text += "]";
    }
    return text + "]";
}

PropertyValue toPropertyValue(const DisabledRules& rules) {
    PropertyDictionary dictionary;
    for (const auto& [packageId, ruleIds] : rules) {
        dictionary.emplace(packageId, orvane::toPropertyValue(ruleIds));
    }
    return PropertyValue(std::move(dictionary));
}

void writeDisabledPackages(const std::vector<std::string>& ids) {
    currentPreferenceStore().set(kDisabledUserPreferenceForPackages, orvane::toPropertyValue(ids));
    currentPreferenceStore().synchronize();
}

void writeDisabledRules(const DisabledRules& rules) {
    currentPreferenceStore().set(kDisabledUserPreferenceForRules, toPropertyValue(rules));
    currentPreferenceStore().synchronize();
}

// The older form is a flat array of rule ids; each finds its package in catalog order.
DisabledRules migrateOlderForm(const std::vector<std::string>& ruleIds) {
    log("migrating from pre v1.2 way of handling disabled rules");
    const auto packages = catalogOrder();
    DisabledRules rules;
    for (const auto& ruleId : ruleIds) {
        const Package* owner = nullptr;
        for (const auto& package : packages) {
            if (std::any_of(package.rules.begin(), package.rules.end(),
                            [&](const Rule& rule) { return rule.id == ruleId; })) {
                owner = &package;
                break;
            }
        }
        if (owner == nullptr) {
            log("can't find package ID for " + ruleId);
            continue;
        }
        insertSorted(rules[owner->id], ruleId);
    }
    log("Migrated disabled rules: " + describe(rules));
    writeDisabledRules(rules);
    return rules;
}

// Every change of the switches is a read-modify-write of what the store holds now, under the
// home's lock: another process of the home may have changed them since this one last looked.
class StoreEdit {
public:
    StoreEdit() { currentPreferenceStore().synchronize(); }

private:
    HomeLock home_;
};

} // namespace

std::shared_ptr<BlockerPreferenceManager> BlockerPreferenceManager::create() {
    return std::make_shared<BlockerPreferenceManager>(Private{});
}

BlockerPreferenceManager::BlockerPreferenceManager(Private) : serialWriteQueue_("larkmoor.Blocker.writeQueue") {}

std::vector<std::string> BlockerPreferenceManager::disabledPackages() const {
    auto value = currentPreferenceStore().object(kDisabledUserPreferenceForPackages);
    if (!value) {
        return {};
    }
    auto ids = value->asStringArray().value_or(std::vector<std::string>{});
    // Written by hand or by a broken writer, an id may be there twice: it is one mark.
    std::vector<std::string> unique;
    for (auto& id : ids) {
        if (std::find(unique.begin(), unique.end(), id) == unique.end()) {
            unique.push_back(std::move(id));
        }
    }
    if (unique.size() != ids.size()) {
        log("The disabled packages held an id twice; each is kept once");
        StoreEdit edit;
        writeDisabledPackages(unique);
    }
    return unique;
}

bool BlockerPreferenceManager::isPackageDisabled(const Package& package) const {
    auto ids = disabledPackages();
    return std::find(ids.begin(), ids.end(), package.id) != ids.end();
}

void BlockerPreferenceManager::enablePackage(const std::string& packageId) {
    StoreEdit edit;
    auto ids = disabledPackages();
    auto it = std::find(ids.begin(), ids.end(), packageId);
    if (it == ids.end()) {
        return;
    }
    ids.erase(it);
    writeDisabledPackages(ids);
}

void BlockerPreferenceManager::setPackagesDisabled(const std::vector<Package>& packages, bool disabled) {
    NotificationCenter::shared().post(kWillSaveUserPreference, this);
    std::vector<std::string> ids;
    ids.reserve(packages.size());
    for (const auto& package : packages) {
        ids.push_back(package.id);
    }
    serialWriteQueue_.async([self = shared_from_this(), ids = std::move(ids), disabled] {
        {
            StoreEdit edit;
            for (const auto& id : ids) {
                if (disabled) {
                    auto current = self->disabledPackages();
                    if (std::find(current.begin(), current.end(), id) == current.end()) {
                        current.push_back(id);
                        writeDisabledPackages(current);
                    }
                } else {
                    self->enablePackage(id);
                }
            }
        }
        self->reloadContentBlocker();
    });
}

DisabledRules BlockerPreferenceManager::disabledRules() const {
    auto value = currentPreferenceStore().object(kDisabledUserPreferenceForRules);
    if (!value) {
        return {};
    }
    if (auto olderForm = value->asStringArray(); olderForm && !olderForm->empty()) {
        StoreEdit edit;
        return migrateOlderForm(*olderForm);
    }
    const PropertyDictionary* dictionary = value->asDictionary();
    if (dictionary == nullptr) {
        return {};
    }
    DisabledRules rules;
    bool repaired = false;
    for (const auto& [packageId, ids] : *dictionary) {
        auto strings = ids.asStringArray();
        if (!strings) {
            return {};
        }
        // The binary search needs every array sorted and without repeats; one that is not (written
        // by hand, or by a broken writer) is put in order before anything searches it.
        if (!std::is_sorted(strings->begin(), strings->end()) ||
            std::adjacent_find(strings->begin(), strings->end()) != strings->end()) {
            std::sort(strings->begin(), strings->end());
            strings->erase(std::unique(strings->begin(), strings->end()), strings->end());
            repaired = true;
        }
        rules.emplace(packageId, std::move(*strings));
    }
    if (repaired) {
        log("Disabled rules were out of order; they are sorted again");
        StoreEdit edit;
        writeDisabledRules(rules);
    }
    return rules;
}

std::size_t BlockerPreferenceManager::disabledRuleCount(const std::string& packageId) const {
    auto rules = disabledRules();
    auto it = rules.find(packageId);
    return it == rules.end() ? 0 : it->second.size();
}

bool BlockerPreferenceManager::isRuleDisabled(const Rule& rule, const std::string& packageId) const {
    auto rules = disabledRules();
    auto it = rules.find(packageId);
    return it != rules.end() && searchSorted(it->second, rule.id).found;
}

void BlockerPreferenceManager::setRulesDisabled(const std::vector<Rule>& rules, const Package& package,
                                                bool disabled) {
    NotificationCenter::shared().post(kWillSaveUserPreference, this);
    std::vector<std::string> ids;
    ids.reserve(rules.size());
    for (const auto& rule : rules) {
        ids.push_back(rule.id);
    }
    serialWriteQueue_.async([self = shared_from_this(), ids = std::move(ids), packageId = package.id,
                             packageRuleCount = package.rules.size(), disabled] {
        std::optional<StoreEdit> edit(std::in_place);
        DisabledRules current = self->disabledRules();
        auto entry = current.find(packageId);
        if (!disabled && ids.size() == packageRuleCount) {
            log("Enabling all (" + std::to_string(ids.size()) + ") rules in (" + packageId + ")");
            current.erase(packageId);
        } else if (entry != current.end()) {
            for (const auto& id : ids) {
                if (disabled) {
                    insertSorted(entry->second, id);
                } else {
                    removeSorted(entry->second, id);
                }
            }
            if (entry->second.empty()) {
                current.erase(entry);
            }
        } else if (disabled) {
            std::vector<std::string> sorted = ids;
            std::sort(sorted.begin(), sorted.end());
            sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
            current.emplace(packageId, std::move(sorted));
        }
        writeDisabledRules(current);
        edit.reset();
        self->reloadContentBlocker();
    });
}

std::vector<Rule> BlockerPreferenceManager::filterRules(const std::vector<Rule>& rules, const std::string& packageId,
                                                        bool enabled) const {
    auto disabled = disabledRules();
    auto entry = disabled.find(packageId);
    if (entry == disabled.end()) {
        return enabled ? rules : std::vector<Rule>{};
    }
    std::vector<Rule> result;
    for (const auto& rule : rules) {
        if (searchSorted(entry->second, rule.id).found != enabled) {
            result.push_back(rule);
        }
    }
    return result;
}

bool BlockerPreferenceManager::removeDisabledRule(const Rule& rule, const std::string& packageId) {
    NotificationCenter::shared().post(kWillSaveUserPreference, this);
    StoreEdit edit;
    DisabledRules current = disabledRules();
    auto entry = current.find(packageId);
    if (entry != current.end() && removeSorted(entry->second, rule.id)) {
        if (entry->second.empty()) {
            current.erase(entry);
        }
        writeDisabledRules(current);
        return true;
    }
    NotificationCenter::shared().post(kDidSaveUserPreference, this);
    return false;
}

void BlockerPreferenceManager::reloadContentBlocker() {
    std::weak_ptr<BlockerPreferenceManager> weakSelf = weak_from_this();
    DataManager::shared().requestRebuild(true, [weakSelf](const ReloadOutcome&) {
        if (auto self = weakSelf.lock()) {
            NotificationCenter::shared().post(kDidSaveUserPreference, self.get());
        }
    });
}

void BlockerPreferenceManager::migrateToLocalStore() {
    HomeLock home;
    log("Migrating preferences to local store");
    for (const char* key : {kDisabledUserPreferenceForPackages, kDisabledUserPreferenceForRules}) {
        if (auto value = ubiquitousStore().object(key)) {
            groupDefaultsStore().set(key, *value);
        } else {
            groupDefaultsStore().remove(key);
        }
    }
    useLocalPreferenceStore(true);
    groupDefaultsStore().synchronize();
}

void BlockerPreferenceManager::migrateToUbiquitousStore() {
    HomeLock home;
    log("Migrating preferences to ubiq store");
    for (const char* key : {kDisabledUserPreferenceForPackages, kDisabledUserPreferenceForRules}) {
        if (auto value = groupDefaultsStore().object(key)) {
            ubiquitousStore().set(key, *value);
        } else {
            ubiquitousStore().remove(key);
        }
        groupDefaultsStore().remove(key);
    }
    useLocalPreferenceStore(false);
    groupDefaultsStore().synchronize();
    ubiquitousStore().synchronize();
}

void BlockerPreferenceManager::restorePreV12StoreSetting() {
    UserDefaults& group = UserDefaults::group();
    auto legacy = group.object(kPreV12StorePreferencesLocallyValue);
    if (!legacy || !legacy->isBool()) {
        return;
    }
    log("Orvane: Restoring previous iCloud KVS setting");
    if (group.boolForKey(kStorePreferencesLocally).value_or(false) && !*legacy->asBool()) {
        group.set(kStorePreferencesLocally, false);
        migrateToUbiquitousStore();
    }
    group.remove(kPreV12StorePreferencesLocallyValue);
    group.synchronize();
}

} // namespace orvane
