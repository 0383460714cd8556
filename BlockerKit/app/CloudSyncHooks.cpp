#include "app/CloudSyncHooks.h"

#include "catalog/DataManager.h"
#include "cloud/RemoteNotifications.h"
#include "platform/Log.h"
#include "sync/SyncManager.h"

namespace orvane {

void startCloudSync() { SyncManager::shared().startSync(*DataManager::shared().configurablePackages()); }

void registerRemoteNotifications() {
    // The sync manager is the one that hears the pushes.
    SyncManager::shared();
    RemoteNotifications::shared().registerForRemoteNotifications([](const std::optional<CloudError>& error) {
        if (error) {
            log("No remote notifications for me " + error->localizedDescription);
        } else {
            log("Did register for remote notifications");
        }
    });
}

void addCloudSyncHooks(LaunchHooks& hooks) {
    hooks.startCloudSync = startCloudSync;
    hooks.registerRemoteNotifications = registerRemoteNotifications;
}

} // namespace orvane
