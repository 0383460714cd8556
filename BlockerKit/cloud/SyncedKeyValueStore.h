#pragma once

#include "cloud/CloudBackend.h"
#include "cloud/KeyValueStore.h"
#include "cloud/KeyValueStorage.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace orvane {

// The key-value store over a backend's storage. Reads come from a copy in memory; writes
// change the copy at once and reach the storage at the next synchronize(). When `events` is
// given, a change written by another device refreshes the copy and posts
// kKeyValueStoreDidChangeExternally on the main thread.
class SyncedKeyValueStore final : public KeyValueStore {
public:
    SyncedKeyValueStore(std::unique_ptr<KeyValueStorage> storage, std::shared_ptr<CloudBackend> events);
    ~SyncedKeyValueStore() override;

    std::optional<PropertyValue> object(const std::string& key) const override;
    void set(const std::string& key, PropertyValue value) override;
    void remove(const std::string& key) override;
    bool synchronize() override;

private:
    // With the lock held: the storage's values with the unsent writes on top.
    bool reload();

    std::unique_ptr<KeyValueStorage> storage_;
    std::shared_ptr<CloudBackend> events_;
    std::optional<CloudBackend::ObserverToken> token_;
    mutable std::mutex mutex_;
    std::map<std::string, PropertyValue> values_;
    std::map<std::string, std::optional<std::string>> unsent_;
};

} // namespace orvane
