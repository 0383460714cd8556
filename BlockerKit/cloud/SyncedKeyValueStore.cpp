#include "cloud/SyncedKeyValueStore.h"

#include "platform/Log.h"
#include "platform/NotificationCenter.h"

namespace orvane {

SyncedKeyValueStore::SyncedKeyValueStore(std::unique_ptr<KeyValueStorage> storage, std::shared_ptr<CloudBackend> events)
    : storage_(std::move(storage)), events_(std::move(events)) {
    {
        std::lock_guard lock(mutex_);
        reload();
    }
    if (!events_) {
        return;
    }
    auto answer = events_->addEventObserver([this](const CloudEvent& event) {
        if (event.kind != CloudEvent::Kind::keyValueChange) {
            return;
        }
        {
            std::lock_guard lock(mutex_);
            reload();
        }
        NotificationCenter::shared().postOnMain(Notification{kKeyValueStoreDidChangeExternally, this, {}});
    });
    if (const auto* token = std::get_if<CloudBackend::ObserverToken>(&answer)) {
        token_ = *token;
    } else {
        log("Key-value store can't watch other devices: " + std::get<CloudError>(answer).localizedDescription);
    }
}

SyncedKeyValueStore::~SyncedKeyValueStore() {
    if (token_) {
        events_->removeEventObserver(*token_);
    }
}

std::optional<PropertyValue> SyncedKeyValueStore::object(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    return it == values_.end() ? std::nullopt : std::optional<PropertyValue>(it->second);
}

void SyncedKeyValueStore::set(const std::string& key, PropertyValue value) {
    auto encoded = encodePropertyValue(value);
    if (!encoded) {
        log("Key-value store refused a value that is not valid UTF-8 under " + key);
        return;
    }
    std::lock_guard lock(mutex_);
    values_[key] = std::move(value);
    unsent_[key] = std::move(*encoded);
}

void SyncedKeyValueStore::remove(const std::string& key) {
    std::lock_guard lock(mutex_);
    values_.erase(key);
    unsent_[key] = std::nullopt;
}

bool SyncedKeyValueStore::synchronize() {
    std::lock_guard lock(mutex_);
    if (!unsent_.empty() && storage_->write(unsent_)) {
        unsent_.clear();
    }
    return reload() && unsent_.empty();
}

bool SyncedKeyValueStore::reload() {
    auto stored = storage_->load();
    if (!stored) {
        return false;
    }
    values_.clear();
    for (const auto& [key, json] : *stored) {
        if (auto value = decodePropertyValue(json)) {
            values_.emplace(key, std::move(*value));
        }
    }
    for (const auto& [key, json] : unsent_) {
        if (!json) {
            values_.erase(key);
        } else if (auto value = decodePropertyValue(*json)) {
            values_[key] = std::move(*value);
        }
    }
    return true;
}

} // namespace orvane
