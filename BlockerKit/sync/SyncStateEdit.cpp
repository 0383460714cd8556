#include "sync/SyncStateEdit.h"

#include "sync/SyncKeys.h"

#include <algorithm>

namespace orvane {

PropertyDictionary* SyncStateEdit::dictionary(const char* key) {
    auto [entry, made] = domain_.try_emplace(key, PropertyDictionary{});
    if (!entry->second.isDictionary()) {
        entry->second = PropertyDictionary{};
    }
    return entry->second.asDictionary();
}

void SyncStateEdit::removeUploaded(const std::map<std::string, FieldDictionary>& uploaded, LocalAddKeys kind) {
    auto found = domain_.find(groupDefaultsKey(kind));
    PropertyDictionary* entries = found == domain_.end() ? nullptr : found->second.asDictionary();
    if (entries == nullptr) {
        return;
    }
    for (const auto& [name, fields] : uploaded) {
        auto entry = entries->find(name);
        const PropertyDictionary* queued = entry == entries->end() ? nullptr : entry->second.asDictionary();
        if (queued != nullptr && *queued == fields) {
            entries->erase(entry);
        }
    }
}

void SyncStateEdit::unmarkDeleted(const std::vector<std::string>& names, LocalDeleteKeys kind) {
    auto found = domain_.find(groupDefaultsKey(kind));
    PropertyArray* ids = found == domain_.end() ? nullptr : found->second.asArray();
    if (ids == nullptr) {
        return;
    }
    std::erase_if(*ids, [&](const PropertyValue& id) {
        const std::string* text = id.asString();
        return text != nullptr && std::find(names.begin(), names.end(), *text) != names.end();
    });
}

void SyncStateEdit::forget(const std::string& name) {
    for (LocalAddKeys kind : {LocalAddKeys::Rules, LocalAddKeys::Packages}) {
        auto found = domain_.find(groupDefaultsKey(kind));
        if (PropertyDictionary* entries = found == domain_.end() ? nullptr : found->second.asDictionary()) {
            entries->erase(name);
        }
    }
    unmarkDeleted({name}, LocalDeleteKeys::Rules);
    unmarkDeleted({name}, LocalDeleteKeys::Packages);
}

void SyncStateEdit::setMetadata(const std::string& name, Bytes systemFields) {
    if (PropertyDictionary* metadata = dictionary(SyncKeys::RecordMetaData)) {
        metadata->insert_or_assign(name, std::move(systemFields));
    }
}

void SyncStateEdit::eraseMetadata(const std::string& name) {
    if (PropertyDictionary* metadata = dictionary(SyncKeys::RecordMetaData)) {
        metadata->erase(name);
    }
}

} // namespace orvane
