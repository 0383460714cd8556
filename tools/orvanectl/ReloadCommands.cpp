// Commands around the rebuild of the content blocker: launch, rebuild, signal, watch, prefs.

#include "ReloadCommands.h"

#include "CoreSession.h"

#include "app/CloudSyncHooks.h"
#include "app/LaunchSequence.h"
#include "cloud/KeyValueStore.h"
#include "output/Communication.h"
#include "output/Safari.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"
#include "platform/Uuid.h"
#include "prefs/BlockerPreferenceManager.h"
#include "prefs/PreferenceStore.h"
#include "storage/PersistentStore.h"

#include <glib-unix.h>
#include <glib.h>

#include <iostream>

namespace orvane::cli {

int runLaunch(Arguments arguments) {
    if (!arguments.empty()) {
        return usageError(kLaunchCommand, "launch takes no arguments");
    }
    CoreSession session(CloudSync::on);
    LaunchHooks hooks;
    addCloudSyncHooks(hooks);
    auto observation = runLaunchSequence(hooks);
    return session.finish();
}

int runRebuild(Arguments arguments) {
    if (!arguments.empty()) {
        return usageError(kRebuildCommand, "rebuild takes no arguments");
    }
    CoreSession session;
    std::optional<SafariReloadingResult> outcome;
    Safari::requestReload(BlockerPreferenceManager::create(), true,
                          [&outcome](const SafariReloadingResult& result) { outcome = result; });
    session.waitForReloads();
    if (!outcome) {
        std::cerr << "The reload was dropped: the content blocker's state could not be read\n";
        return kExitFailure;
    }
    if (!outcome->isSuccess()) {
        std::cerr << outcome->error()->localizedDescription << "\n";
        return kExitFailure;
    }
    std::cout << "Reloaded\n";
    return kExitOk;
}

int runSignal(Arguments arguments) {
    UserDefaults& defaults = PersistentStore::sharedDefaults();
    if (arguments.size() == 2 && arguments[0] == kPausedKey && (arguments[1] == "on" || arguments[1] == "off")) {
        defaults.set(kPausedKey, arguments[1] == "on");
    } else if (arguments.size() == 1 && arguments[0] == rawValue(Message::reloadRulesFromDisk)) {
        defaults.set(arguments[0], makeUUID());
    } else {
        return usageError(kSignalCommand, "expected paused on|off or reloadRulesFromDisk");
    }
    defaults.synchronize();
    return kExitOk;
}

namespace {

gboolean stopLoop(gpointer data) {
    *static_cast<bool*>(data) = true;
    return G_SOURCE_CONTINUE;
}

} // namespace

int runWatch(Arguments arguments) {
    if (!arguments.empty()) {
        return usageError(kWatchCommand, "watch takes no arguments");
    }
    CoreSession session(CloudSync::on);
    ExtensionSignalObservation observation;
    // As the running application: pushes of the record store fetch, and changes of the cloud
    // key-value store from other machines rebuild.
    registerRemoteNotifications();
    KeyValueStore::shared();
    bool interrupted = false;
    const guint onInterrupt = g_unix_signal_add(SIGINT, stopLoop, &interrupted);
    const guint onTerminate = g_unix_signal_add(SIGTERM, stopLoop, &interrupted);
    std::cout << "Watching; interrupt to stop" << std::endl;
    while (!interrupted) {
        runMainLoopUntil([&] { return interrupted; }, std::chrono::hours(24));
    }
    g_source_remove(onInterrupt);
    g_source_remove(onTerminate);
    return session.finish();
}

int runPrefs(Arguments arguments) {
    if (arguments.size() != 1 || (arguments[0] != "local" && arguments[0] != "cloud")) {
        return usageError(kPrefsCommand, "expected local or cloud");
    }
    const bool local = arguments[0] == "local";
    UserDefaults& defaults = PersistentStore::sharedDefaults();
    defaults.set(kStorePreferencesLocally, local);
    defaults.synchronize();
    if (local) {
        BlockerPreferenceManager::migrateToLocalStore();
    } else {
        BlockerPreferenceManager::migrateToUbiquitousStore();
    }
    return kExitOk;
}

} // namespace orvane::cli
