#pragma once

#include "output/Communication.h"

#include <functional>
#include <memory>
#include <string>

namespace orvane {

// The steps a front end adds to the launch: the window's first-launch check and handlers,
// and the start of cloud sync. Any of them may be left empty.
struct LaunchHooks {
    std::function<void()> firstLaunchExtensionCheck;
    std::function<void()> registerInformationMessages;
    std::function<void()> startCloudSync;
    std::function<void()> registerRemoteNotifications;
    std::function<void()> registerDisabledContentBlocker;
};

// The key of the standard defaults that says a build has run.
std::string didLaunchOnceBuildKey();

// Brings the system up on the main thread: launch flags, installation of the preinstalled file
// of a new build, the old storage mode, the first rebuilds, the hooks, the observation of the
// extension's signals (alive as long as the result) and one synchronisation of the cloud
// key-value store.
std::unique_ptr<ExtensionSignalObservation> runLaunchSequence(const LaunchHooks& hooks);

} // namespace orvane
