#include "app/StorageMode.h"

#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "prefs/PreferenceStore.h"
#include "storage/PersistentStore.h"

namespace orvane {

void setStorePreferencesLocally(bool local) {
    UserDefaults& defaults = PersistentStore::sharedDefaults();
    defaults.set(kStorePreferencesLocally, local);
    defaults.synchronize();
    if (local) {
        BlockerPreferenceManager::migrateToLocalStore();
    } else {
        BlockerPreferenceManager::migrateToUbiquitousStore();
    }
}

bool storesPreferencesLocally() {
    return PersistentStore::sharedDefaults().boolForKey(kStorePreferencesLocally).value_or(false);
}

} // namespace orvane
