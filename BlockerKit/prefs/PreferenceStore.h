#pragma once

#include "platform/PropertyValue.h"

#include <optional>
#include <string>

namespace orvane {

// One of the two places the enable switches are kept: the group defaults (this machine) or
// the cloud key-value store (every machine of the user).
class PreferenceStore {
public:
    virtual ~PreferenceStore() = default;
    virtual std::optional<PropertyValue> object(const std::string& key) const = 0;
    virtual void set(const std::string& key, PropertyValue value) = 0;
    virtual void remove(const std::string& key) = 0;
    virtual bool synchronize() = 0;
};

inline constexpr const char* kStorePreferencesLocally = "StorePreferencesLocally";
inline constexpr const char* kPreV12StorePreferencesLocallyValue = "preV12StorePreferencesLocallyValue";

// The group defaults and the cloud key-value store as preference stores.
PreferenceStore& groupDefaultsStore();
PreferenceStore& ubiquitousStore();

// The store in use: the group defaults when they hold "StorePreferencesLocally" = true, else the
// cloud key-value store. Read each time it is used, so a switch made by another process counts.
PreferenceStore& currentPreferenceStore();
// Makes one of the two the store in use (the store migrations' last step).
void useLocalPreferenceStore(bool local);

} // namespace orvane
