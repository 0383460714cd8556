#include "cloud/KeyValueStore.h"

#include "cloud/SyncedKeyValueStore.h"
#include "platform/Locations.h"

namespace orvane {

KeyValueStore& KeyValueStore::shared() {
    // Without an account the values stay on this machine, so no other device can change them.
    static SyncedKeyValueStore store(CloudBackend::shared()->keyValueStorage(),
                                     cloudSetting() == "none" ? nullptr : CloudBackend::shared());
    return store;
}

} // namespace orvane
