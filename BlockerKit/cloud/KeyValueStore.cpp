#include "cloud/KeyValueStore.h"

#include "cloud/SyncedKeyValueStore.h"
#include "platform/HomeInstances.h"
#include "platform/Locations.h"

namespace orvane {

KeyValueStore& KeyValueStore::shared() {
    static HomeInstances<SyncedKeyValueStore> stores;
    return *stores.get(CloudBackend::sharedKey(), [] {
        auto backend = CloudBackend::shared();
        // Without an account the values stay on this machine, so no other device can change them.
        return std::make_shared<SyncedKeyValueStore>(backend->keyValueStorage(),
                                                     cloudSetting() == "none" ? nullptr : backend);
    });
}

} // namespace orvane
