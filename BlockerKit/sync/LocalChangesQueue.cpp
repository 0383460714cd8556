#include "sync/LocalChangesQueue.h"

#include "platform/UserDefaults.h"
#include "sync/SyncKeys.h"

#include <algorithm>

namespace orvane {

const char* groupDefaultsKey(LocalAddKeys kind) {
    return kind == LocalAddKeys::Packages ? "AddedPackages" : "AddedRules";
}

const char* groupDefaultsKey(LocalDeleteKeys kind) {
    return kind == LocalDeleteKeys::Packages ? "DeletedPackages" : "DeletedRules";
}

std::map<std::string, FieldDictionary> LocalChangesQueue::added(LocalAddKeys kind) const {
    std::map<std::string, FieldDictionary> entries;
    auto stored = defaults_.dictionaryForKey(groupDefaultsKey(kind));
    if (!stored) {
        return entries;
    }
    for (auto& [name, value] : *stored) {
        const PropertyDictionary* fields = value.asDictionary();
        if (fields == nullptr) {
            return {};
        }
        entries.emplace(name, *fields);
    }
    return entries;
}

std::vector<std::string> LocalChangesQueue::deleted(LocalDeleteKeys kind) const {
    auto stored = defaults_.object(groupDefaultsKey(kind));
    if (!stored) {
        return {};
    }
    return stored->asStringArray().value_or(std::vector<std::string>{});
}

void LocalChangesQueue::write(LocalAddKeys kind, const std::map<std::string, FieldDictionary>& entries) {
    PropertyDictionary value;
    for (const auto& [name, fields] : entries) {
        value.emplace(name, fields);
    }
    defaults_.set(groupDefaultsKey(kind), std::move(value));
}

void LocalChangesQueue::write(LocalDeleteKeys kind, const std::vector<std::string>& ids) {
    defaults_.set(groupDefaultsKey(kind), toPropertyValue(ids));
}

void LocalChangesQueue::markPackageAdded(const std::string& packageId, const std::string& name) {
    setAdded(packageId, packageRecordFields(Package{packageId, name, {}}), LocalAddKeys::Packages);
}

void LocalChangesQueue::markRulesAdded(const std::vector<Rule>& rules, const std::string& packageId) {
    auto entries = added(LocalAddKeys::Rules);
    for (const auto& rule : rules) {
        entries[rule.id] = ruleRecordFields(rule, packageId);
    }
    write(LocalAddKeys::Rules, entries);
}

void LocalChangesQueue::setAdded(const std::string& name, FieldDictionary fields, LocalAddKeys kind) {
    auto entries = added(kind);
    entries[name] = std::move(fields);
    write(kind, entries);
}

void LocalChangesQueue::removeAdded(const std::vector<std::string>& names, LocalAddKeys kind) {
    auto entries = added(kind);
    for (const auto& name : names) {
        entries.erase(name);
    }
    write(kind, entries);
}

void LocalChangesQueue::removeUploaded(const std::map<std::string, FieldDictionary>& uploaded, LocalAddKeys kind) {
    auto entries = added(kind);
    std::erase_if(entries, [&](const auto& entry) {
        auto sent = uploaded.find(entry.first);
        return sent != uploaded.end() && sent->second == entry.second;
    });
    write(kind, entries);
}

void LocalChangesQueue::markDeleted(const std::string& id, LocalDeleteKeys kind) {
    auto ids = deleted(kind);
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
        ids.push_back(id);
        write(kind, ids);
    }
}

void LocalChangesQueue::unmarkDeleted(const std::vector<std::string>& ids, LocalDeleteKeys kind) {
    if (!defaults_.object(groupDefaultsKey(kind))) {
        return;
    }
    auto stored = deleted(kind);
    for (const auto& id : ids) {
        auto it = std::find(stored.begin(), stored.end(), id);
        if (it != stored.end()) {
            stored.erase(it);
        }
    }
    write(kind, stored);
}

void LocalChangesQueue::forget(const std::string& name) {
    removeAdded({name}, LocalAddKeys::Rules);
    removeAdded({name}, LocalAddKeys::Packages);
    unmarkDeleted({name}, LocalDeleteKeys::Rules);
    unmarkDeleted({name}, LocalDeleteKeys::Packages);
}

bool LocalChangesQueue::isPending(const std::string& name) const {
    return added(LocalAddKeys::Rules).contains(name) || added(LocalAddKeys::Packages).contains(name);
}

std::vector<RecordToSave> LocalChangesQueue::recordsToSave(const PropertyDictionary& metadata) const {
    std::vector<RecordToSave> records;
    for (auto [kind, type] : {std::pair{LocalAddKeys::Packages, kPackageRecordType},
                              std::pair{LocalAddKeys::Rules, kRuleRecordType}}) {
        for (auto& [name, fields] : added(kind)) {
            records.push_back({makeRecord(type, name, fields, metadata), fields});
        }
    }
    return records;
}

std::vector<RecordID> LocalChangesQueue::recordIDsToDelete() const {
    std::vector<RecordID> ids;
    for (auto kind : {LocalDeleteKeys::Packages, LocalDeleteKeys::Rules}) {
        for (auto& name : deleted(kind)) {
            ids.push_back(RecordID{name, syncZoneID()});
        }
    }
    return ids;
}

} // namespace orvane
