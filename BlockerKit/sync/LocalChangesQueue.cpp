#include "sync/LocalChangesQueue.h"

#include "platform/UserDefaults.h"
#include "sync/SyncKeys.h"

#include <algorithm>

namespace orvane {

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

void LocalChangesQueue::edit(const std::function<void(SyncStateEdit&)>& change) {
    defaults_.update([&](PropertyDictionary& domain) {
        SyncStateEdit edit(domain);
        change(edit);
    });
}

void LocalChangesQueue::markPackageAdded(const std::string& packageId, const std::string& name) {
    setAdded(packageId, packageRecordFields(Package{packageId, name, {}}), LocalAddKeys::Packages);
}

void LocalChangesQueue::markRulesAdded(const std::vector<Rule>& rules, const std::string& packageId) {
    edit([&](SyncStateEdit& queue) {
        for (const auto& rule : rules) {
            queue.setAdded(rule.id, ruleRecordFields(rule, packageId), LocalAddKeys::Rules);
        }
    });
}

void LocalChangesQueue::setAdded(const std::string& name, FieldDictionary fields, LocalAddKeys kind) {
    edit([&](SyncStateEdit& queue) { queue.setAdded(name, std::move(fields), kind); });
}

void LocalChangesQueue::removeAdded(const std::vector<std::string>& names, LocalAddKeys kind) {
    edit([&](SyncStateEdit& queue) { queue.removeAdded(names, kind); });
}

void LocalChangesQueue::removeUploaded(const std::map<std::string, FieldDictionary>& uploaded, LocalAddKeys kind) {
    edit([&](SyncStateEdit& queue) { queue.removeUploaded(uploaded, kind); });
}

void LocalChangesQueue::markDeleted(const std::string& id, LocalDeleteKeys kind) {
    edit([&](SyncStateEdit& queue) { queue.markDeleted({id}, kind); });
}

void LocalChangesQueue::unmarkDeleted(const std::vector<std::string>& ids, LocalDeleteKeys kind) {
    edit([&](SyncStateEdit& queue) { queue.unmarkDeleted(ids, kind); });
}

void LocalChangesQueue::forget(const std::string& name) {
    edit([&](SyncStateEdit& queue) { queue.forget(name); });
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
