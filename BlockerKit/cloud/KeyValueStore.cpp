#include "cloud/KeyValueStore.h"

#include "cloud/SyncedKeyValueStore.h"
#include "platform/HomeInstances.h"

namespace orvane {

KeyValueStore& KeyValueStore::shared() {
    static HomeInstances<SyncedKeyValueStore> stores;
    return *stores.get(CloudBackend::sharedKey(), [] {
        auto backend = CloudBackend::shared();
        // Without an account the values stay on this machine, where other processes of the home
        // change them too: the backend reports their writes as it reports another device's.
        return std::make_shared<SyncedKeyValueStore>(backend->keyValueStorage(), backend);
    });
}

} // namespace orvane
