#include "app/LaunchSequence.h"

#include "app/BuildInfo.h"

#include "catalog/DataManager.h"
#include "cloud/KeyValueStore.h"
#include "model/RejectedRule.h"
#include "output/Safari.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "storage/PersistentStore.h"

namespace orvane {
namespace {

void run(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

// A list WebKit refuses at launch leaves none of the user's rules applied: that is told, with the
// rule to blame when the search finds it. A disabled extension has its own message.
void requestReload() {
    Safari::requestReload(BlockerPreferenceManager::create(), true, [](const ReloadOutcome& outcome) {
        if (outcome.kind == ReloadOutcome::Kind::Failed) {
            showMessage(outcome.message, true, outcome.rejectedRule);
        }
    });
}

} // namespace

std::string didLaunchOnceBuildKey() { return "DidLaunchOnceBuild" + buildNumber(); }

std::unique_ptr<ExtensionSignalObservation> runLaunchSequence(const LaunchHooks& hooks) {
    UserDefaults& standard = UserDefaults::standard();

    if (!standard.boolForKey("launchedOnce").value_or(false)) {
        standard.set("launchedOnce", true);
        standard.synchronize();
        run(hooks.firstLaunchExtensionCheck);
    } else {
        requestReload();
    }

    BlockerPreferenceManager::restorePreV12StoreSetting();

    const std::string buildKey = didLaunchOnceBuildKey();
    if (!standard.boolForKey(buildKey).value_or(false)) {
        log("Going thru " + buildKey + " routine");
        standard.set(buildKey, true);
        standard.synchronize();
        PersistentStore::installPreinstalledPackages();
        DataManager::shared().reloadPreinstalledPackagesFromDisk();
        requestReload();
    }

    run(hooks.registerInformationMessages);
    run(hooks.startCloudSync);
    run(hooks.registerRemoteNotifications);
    run(hooks.registerDisabledContentBlocker);

    auto observation = std::make_unique<ExtensionSignalObservation>();
    KeyValueStore::shared().synchronize();
    return observation;
}

} // namespace orvane
