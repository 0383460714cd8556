#include "prefs/PreferenceStore.h"

#include "cloud/KeyValueStore.h"
#include "platform/UserDefaults.h"


namespace orvane {
namespace {

class GroupDefaultsStore final : public PreferenceStore {
public:
    std::optional<PropertyValue> object(const std::string& key) const override {
        return UserDefaults::group().object(key);
    }
    void set(const std::string& key, PropertyValue value) override { UserDefaults::group().set(key, std::move(value)); }
    void remove(const std::string& key) override { UserDefaults::group().remove(key); }
    bool synchronize() override { return UserDefaults::group().synchronize(); }
};

class UbiquitousStore final : public PreferenceStore {
public:
    std::optional<PropertyValue> object(const std::string& key) const override {
        return KeyValueStore::shared().object(key);
    }
    void set(const std::string& key, PropertyValue value) override { KeyValueStore::shared().set(key, std::move(value)); }
    void remove(const std::string& key) override { KeyValueStore::shared().remove(key); }
    bool synchronize() override { return KeyValueStore::shared().synchronize(); }
};

} // namespace

PreferenceStore& groupDefaultsStore() {
    static GroupDefaultsStore store;
    return store;
}

PreferenceStore& ubiquitousStore() {
    static UbiquitousStore store;
    return store;
}

PreferenceStore& currentPreferenceStore() {
    // Read each time: another process (the preferences pane, orvanectl prefs) may have moved the
    // switches since.
    const bool local = UserDefaults::group().boolForKey(kStorePreferencesLocally).value_or(false);
    return local ? groupDefaultsStore() : ubiquitousStore();
}

void useLocalPreferenceStore(bool local) { UserDefaults::group().set(kStorePreferencesLocally, local); }

} // namespace orvane
