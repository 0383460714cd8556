#include "app/CoreBridge.h"

#include "app/ExtensionSignals.h"
#include "app/LaunchSequence.h"

namespace orvane::desktop::core {

struct RunningCore::Observation {
    std::unique_ptr<ExtensionSignalObservation> signals;
};

RunningCore::RunningCore()
    : services_(std::make_unique<CoreServices>()), observation_(std::make_unique<Observation>()) {}
RunningCore::~RunningCore() = default;

void RunningCore::importPackageFile(const std::filesystem::path& path) {
    services_->packages().importPackageFile(path);
}

std::unique_ptr<RunningCore> launch(const WindowLaunchSteps& steps) {
    auto running = std::make_unique<RunningCore>();
    LaunchHooks hooks;
    hooks.firstLaunchExtensionCheck = steps.firstLaunchExtensionCheck;
    hooks.registerInformationMessages = steps.registerInformationMessages;
    hooks.startCloudSync = startCloudSync;
    hooks.registerRemoteNotifications = registerRemoteNotifications;
    running->observation_->signals = runLaunchSequence(hooks);
    return running;
}

} // namespace orvane::desktop::core
