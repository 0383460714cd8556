// Commands around the rebuild of the content blocker: launch, rebuild, signal, watch, prefs.

#include "ReloadCommands.h"

#include "CoreSession.h"

#include "app/ExtensionSignals.h"
#include "app/LaunchSequence.h"
#include "app/StorageMode.h"
#include "platform/MainQueue.h"

#include <glib-unix.h>
#include <glib.h>

#include <iostream>

namespace orvane::cli {

int runLaunch(Arguments arguments) {
    if (!arguments.empty()) {
        return usageError(kLaunchCommand, "launch takes no arguments");
    }
    CoreSession session;
    LaunchHooks hooks;
    hooks.startCloudSync = startCloudSync;
    hooks.registerRemoteNotifications = registerRemoteNotifications;
    auto observation = runLaunchSequence(hooks);
    return session.finish();
}

int runRebuild(Arguments arguments) {
    if (!arguments.empty()) {
        return usageError(kRebuildCommand, "rebuild takes no arguments");
    }
    CoreSession session;
    std::optional<ReloadOutcome> outcome;
    rebuildContentBlocker([&outcome](const ReloadOutcome& told) { outcome = told; });
    session.waitUntilSettled();
    if (!outcome) {
        std::cerr << "orvanectl: the content blocker did not finish reloading in time\n";
        return kExitFailure;
    }
    switch (outcome->kind) {
    case ReloadOutcome::Kind::Reloaded: std::cout << "Reloaded\n"; return kExitOk;
    case ReloadOutcome::Kind::Superseded: std::cerr << "A newer rebuild took the place of this one\n"; break;
    case ReloadOutcome::Kind::Failed:
    case ReloadOutcome::Kind::Dropped:
        std::cerr << outcome->message << "\n";
        if (const auto& rule = outcome->rejectedRule) {
            std::cerr << disableOffer(rule->packageId, rule->ruleId) << "\n";
        }
        break;
    }
    return kExitFailure;
}

int runSignal(Arguments arguments) {
    if (arguments.size() == 2 && arguments[0] == "paused" && (arguments[1] == "on" || arguments[1] == "off")) {
        signalPaused(arguments[1] == "on");
    } else if (arguments.size() == 1 && arguments[0] == "reloadRulesFromDisk") {
        signalReloadRulesFromDisk();
    } else {
        return usageError(kSignalCommand, "expected paused on|off or reloadRulesFromDisk");
    }
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
    CoreSession session;
    // As the running application: the extension's signals rebuild, pushes of the record store
    // fetch, and changes of the cloud key-value store from other machines rebuild.
    auto observation = observeExtensionSignals();
    registerRemoteNotifications();
    listenToRemotePreferences();
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
    setStorePreferencesLocally(arguments[0] == "local");
    return kExitOk;
}

} // namespace orvane::cli
