#include "output/Communication.h"

#include "catalog/DataManager.h"
#include "output/Safari.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Uuid.h"
#include "prefs/BlockerPreferenceManager.h"
#include "storage/PersistentStore.h"

#include <string>

namespace orvane {
namespace {

// Extension signals do not allow cancelling: two quick signals both run to the end.
void rebuildAndReload() {
    Safari::requestReload(BlockerPreferenceManager::create(), false, [](const ReloadOutcome& outcome) {
        if (!outcome.isReloaded()) {
            if (!outcome.message.empty()) {
                log("Error reloading content blocker: " + outcome.message);
            }
            return;
        }
        Communication::send(Message::reloadTab);
    });
}

} // namespace

std::string_view rawValue(Message message) {
    switch (message) {
    case Message::reloadTab: return "reloadTab";
    case Message::reloadRulesFromDisk: return "reloadRulesFromDisk";
    }
    return {};
}

void Communication::send(Message message) {
    const std::string key(rawValue(message));
    log("Sending " + key + "...");
    UserDefaults& defaults = PersistentStore::sharedDefaults();
    defaults.set(key, makeUUID());
    defaults.synchronize();
}

void Communication::handleChange(std::string_view key) {
    log("Got message " + std::string(key));
    if (key == rawValue(Message::reloadRulesFromDisk)) {
        DataManager::shared().reloadEditablePackagesFromDisk();
        rebuildAndReload();
        NotificationCenter::shared().post(kDidSavePackages);
    } else if (key == kPausedKey) {
        rebuildAndReload();
    }
}

ExtensionSignalObservation::ExtensionSignalObservation() {
    UserDefaults& defaults = PersistentStore::sharedDefaults();
    for (const std::string& key : {std::string(kPausedKey), std::string(rawValue(Message::reloadRulesFromDisk))}) {
        tokens_.push_back(defaults.observe(key, [](const std::string& changed) { Communication::handleChange(changed); }));
    }
}

ExtensionSignalObservation::~ExtensionSignalObservation() {
    for (auto token : tokens_) {
        PersistentStore::sharedDefaults().removeObserver(token);
    }
}

} // namespace orvane
