#pragma once

#include "platform/PropertyValue.h"

#include <memory>
#include <optional>
#include <string>

namespace orvane {

// Posted on the main thread when another machine (another process on the same cloud) changed
// the store. User info: none.
inline constexpr const char* kKeyValueStoreDidChangeExternally = "NSUbiquitousKeyValueStoreDidChangeExternallyNotification";

// The cloud key-value store of the account that ORVANE_CLOUD names. Values written here reach
// the user's other machines; with ORVANE_CLOUD=none they stay on this machine.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;

    // The store of this process's account, created on first use.
    static KeyValueStore& shared();

    virtual std::optional<PropertyValue> object(const std::string& key) const = 0;
    virtual void set(const std::string& key, PropertyValue value) = 0;
    virtual void remove(const std::string& key) = 0;
    // Pushes local writes and pulls remote ones; answers whether the store was reachable.
    virtual bool synchronize() = 0;
};

} // namespace orvane
