#pragma once

#include "app/LaunchSequence.h"

namespace orvane {

// Fills the launch's cloud steps as the application takes them: sync starts with the
// configurable packages, and the record store's pushes start fetches from then on.
void addCloudSyncHooks(LaunchHooks& hooks);

} // namespace orvane
