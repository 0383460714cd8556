#include "app/CoreServices.h"

#include "catalog/DataManager.h"
#include "cloud/RemoteNotifications.h"
#include "output/Safari.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "prefs/SwitchCleanup.h"
#include "sync/SyncManager.h"

namespace orvane {
namespace {

// Hands the catalog's changes to the shared sync manager, which it creates on the first one:
// a command that changes nothing never connects to the cloud.
class SharedSyncHandOver final : public SyncHandOver {
public:
    void packageChanged(const Package& package) override { SyncManager::shared().packageChanged(package); }
    void rulesChanged(const std::vector<Rule>& rules, const std::string& packageId) override {
        SyncManager::shared().rulesChanged(rules, packageId);
    }
    void packageDeleted(const std::string& packageId, const std::vector<Rule>& rules) override {
        SyncManager::shared().packageDeleted(packageId, rules);
    }
    void ruleDeleted(const std::string& ruleId) override { SyncManager::shared().ruleDeleted(ruleId); }
};

} // namespace

CoreServices::CoreServices()
    : preferences_(BlockerPreferenceManager::create()), packages_(preferences_), rules_(preferences_),
      switches_(preferences_), groupDefaults_(UserDefaults::group()) {
    DataManager& catalog = DataManager::shared();
    catalog.setRebuilder(std::make_shared<SafariRebuilder>());
    catalog.setDisabledMarks(std::make_shared<SwitchCleanup>());
    catalog.setSyncHandOver(std::make_shared<SharedSyncHandOver>());
    catalog.loadPreinstalledPackagesIfEmpty();
    for (const char* key : {kDisabledUserPreferenceForPackages, kDisabledUserPreferenceForRules}) {
        switchObservers_.push_back(groupDefaults_.observe(
            key, [](const std::string&) { NotificationCenter::shared().post(kDidSaveUserPreference); }));
    }
}

CoreServices::~CoreServices() {
    for (auto token : switchObservers_) {
        groupDefaults_.removeObserver(token);
    }
    DataManager& catalog = DataManager::shared();
    catalog.setSyncHandOver(nullptr);
    catalog.setDisabledMarks(nullptr);
    catalog.setRebuilder(nullptr);
}

bool CoreServices::isSettled() const {
    if (!switches_.isIdle() || Safari::hasRequestsInFlight()) {
        return false;
    }
    const SyncManager* sync = SyncManager::sharedIfCreated();
    return sync == nullptr || sync->isIdle();
}

bool CoreServices::waitUntilSettled(std::chrono::milliseconds timeout) const {
    const bool settled = runMainLoopUntil([this] { return isSettled(); }, timeout);
    drainMainQueue();
    return settled;
}

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

} // namespace orvane
