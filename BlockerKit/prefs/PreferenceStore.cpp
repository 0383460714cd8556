#include "prefs/PreferenceStore.h"

#include "cloud/KeyValueStore.h"
#include "platform/UserDefaults.h"

#include <atomic>

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

enum class Choice { Undecided, Local, Ubiquitous };

std::atomic<Choice>& choice() {
    static std::atomic<Choice> current{Choice::Undecided};
    return current;
}

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
    Choice current = choice().load();
    if (current == Choice::Undecided) {
        const bool local = UserDefaults::group().boolForKey(kStorePreferencesLocally).value_or(false);
        Choice decided = local ? Choice::Local : Choice::Ubiquitous;
        // The first decision wins if two threads race here.
        choice().compare_exchange_strong(current, decided);
        current = choice().load();
    }
    return current == Choice::Local ? groupDefaultsStore() : ubiquitousStore();
}

void useLocalPreferenceStore(bool local) { choice().store(local ? Choice::Local : Choice::Ubiquitous); }

} // namespace orvane
