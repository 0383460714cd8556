#include "app/CloudSyncHooks.h"

#include "catalog/DataManager.h"
#include "cloud/RemoteNotifications.h"
#include "platform/Log.h"
#include "sync/SyncManager.h"

namespace orvane {

void addCloudSyncHooks(LaunchHooks& hooks) {
    hooks.startCloudSync = [] { SyncManager::shared().startSync(*DataManager::shared().configurablePackages()); };
    hooks.registerRemoteNotifications = [] {
        // The sync manager hears the pushes once they are registered.
        SyncManager::shared();
        RemoteNotifications::shared().registerForRemoteNotifications([](const std::optional<CloudError>& error) {
            if (error) {
                log("No remote notifications for me " + error->localizedDescription);
            } else {
                log("Did register for remote notifications");
            }
        });
    };
}

} // namespace orvane
