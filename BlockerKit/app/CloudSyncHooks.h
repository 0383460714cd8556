#pragma once

#include "app/LaunchSequence.h"

namespace orvane {

// Starts the shared sync manager with the catalog's configurable packages.
void startCloudSync();
// Registers for the record store's pushes; from then on each starts a fetch.
void registerRemoteNotifications();

// Fills the launch's cloud steps with the two above, as the application takes them.
void addCloudSyncHooks(LaunchHooks& hooks);

} // namespace orvane
