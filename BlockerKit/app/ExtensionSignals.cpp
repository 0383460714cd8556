#include "app/ExtensionSignals.h"

#include "cloud/KeyValueStore.h"
#include "output/Safari.h"
#include "platform/UserDefaults.h"
#include "platform/Uuid.h"
#include "prefs/BlockerPreferenceManager.h"
#include "storage/PersistentStore.h"
#include "sync/SyncManager.h"

#include <string>

namespace orvane {

void rebuildContentBlocker(ReloadHandler handler) {
    Safari::requestReload(BlockerPreferenceManager::create(), true, std::move(handler));
}

void signalPaused(bool paused) {
    UserDefaults& defaults = PersistentStore::sharedDefaults();
    defaults.set(kPausedKey, paused);
    defaults.synchronize();
}

void signalReloadRulesFromDisk() {
    UserDefaults& defaults = PersistentStore::sharedDefaults();
    defaults.set(std::string(rawValue(Message::reloadRulesFromDisk)), makeUUID());
    defaults.synchronize();
}

std::unique_ptr<ExtensionSignalObservation> observeExtensionSignals() {
    return std::make_unique<ExtensionSignalObservation>();
}

void listenToRemotePreferences() {
    // The sync manager answers the store's external changes.
    SyncManager::shared();
    KeyValueStore::shared();
}

} // namespace orvane
