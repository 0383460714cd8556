#include "sync/SyncStateEdit.h"

#include "sync/SyncKeys.h"

#include <algorithm>
#include <set>

namespace orvane {

const char* groupDefaultsKey(LocalAddKeys kind) {
    return kind == LocalAddKeys::Packages ? "AddedPackages" : "AddedRules";
}

const char* groupDefaultsKey(LocalDeleteKeys kind) {
    return kind == LocalDeleteKeys::Packages ? "DeletedPackages" : "DeletedRules";
}

PropertyDictionary& SyncStateEdit::dictionary(const char* key) {
    auto [entry, made] = domain_.try_emplace(key, PropertyDictionary{});
    if (!entry->second.isDictionary()) {
        entry->second = PropertyDictionary{};
    }
    return *entry->second.asDictionary();
}

PropertyArray& SyncStateEdit::array(const char* key) {
    auto [entry, made] = domain_.try_emplace(key, PropertyArray{});
    if (!entry->second.isArray()) {
        entry->second = PropertyArray{};
    }
    return *entry->second.asArray();
}

PropertyDictionary& SyncStateEdit::queue(LocalAddKeys kind) {
    PropertyDictionary& entries = dictionary(groupDefaultsKey(kind));
    // The readers take a queue with one entry of another shape for no queue at all; so does a
    // change. Looked at once per edit: the edit itself only adds dictionaries.
    if (checked_.insert(groupDefaultsKey(kind)).second && std::any_of(entries.begin(), entries.end(), [](const auto& entry) { return !entry.second.isDictionary(); })) {
        entries.clear();
    }
    return entries;
}

PropertyArray& SyncStateEdit::queue(LocalDeleteKeys kind) {
    PropertyArray& ids = array(groupDefaultsKey(kind));
    if (checked_.insert(groupDefaultsKey(kind)).second && std::any_of(ids.begin(), ids.end(), [](const PropertyValue& id) { return !id.isString(); })) {
        ids.clear();
    }
    return ids;
}

void SyncStateEdit::setAdded(const std::string& name, FieldDictionary fields, LocalAddKeys kind) {
    queue(kind).insert_or_assign(name, std::move(fields));
}

void SyncStateEdit::removeAdded(const std::vector<std::string>& names, LocalAddKeys kind) {
    PropertyDictionary& entries = queue(kind);
    for (const auto& name : names) {
        entries.erase(name);
    }
}

void SyncStateEdit::removeUploaded(const std::map<std::string, FieldDictionary>& uploaded, LocalAddKeys kind) {
    PropertyDictionary& entries = queue(kind);
    for (const auto& [name, fields] : uploaded) {
        auto entry = entries.find(name);
        const PropertyDictionary* queued = entry == entries.end() ? nullptr : entry->second.asDictionary();
        if (queued != nullptr && *queued == fields) {
            entries.erase(entry);
        }
    }
}

void SyncStateEdit::markDeleted(const std::vector<std::string>& names, LocalDeleteKeys kind) {
    PropertyArray& ids = queue(kind);
    std::set<std::string> marked;
    for (const auto& id : ids) {
        marked.insert(*id.asString());
    }
    for (const auto& name : names) {
        if (marked.insert(name).second) {
            ids.emplace_back(name);
        }
    }
}

void SyncStateEdit::unmarkDeleted(const std::vector<std::string>& names, LocalDeleteKeys kind) {
    if (names.empty() || !domain_.contains(groupDefaultsKey(kind))) {
        return;
    }
    const std::set<std::string> unmarked(names.begin(), names.end());
    std::erase_if(queue(kind), [&](const PropertyValue& id) {
        const std::string* text = id.asString();
        return text != nullptr && unmarked.contains(*text);
    });
}

void SyncStateEdit::forget(const std::string& name) {
    removeAdded({name}, LocalAddKeys::Rules);
    removeAdded({name}, LocalAddKeys::Packages);
    unmarkDeleted({name}, LocalDeleteKeys::Rules);
    unmarkDeleted({name}, LocalDeleteKeys::Packages);
}

void SyncStateEdit::setMetadata(const std::string& name, Bytes systemFields) {
    dictionary(SyncKeys::RecordMetaData).insert_or_assign(name, std::move(systemFields));
}

void SyncStateEdit::eraseMetadata(const std::string& name) { dictionary(SyncKeys::RecordMetaData).erase(name); }

} // namespace orvane
