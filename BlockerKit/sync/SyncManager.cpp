#include "sync/SyncManager.h"

#include "cloud/CloudNotification.h"
#include "cloud/KeyValueStore.h"
#include "platform/HomeInstances.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "prefs/PreferenceStore.h"
#include "sync/SyncInternals.h"
#include "sync/SyncKeys.h"

#include <mutex>
#include <set>

namespace orvane {
namespace {

// The catalog lives until the process ends and must not keep the sync manager alive with it:
// the manager goes first, while the notification centre it observes is still there.
class WeakHandOver final : public SyncHandOver {
public:
    explicit WeakHandOver(std::weak_ptr<SyncManager> manager) : manager_(std::move(manager)) {}

    void packageChanged(const Package& package) override {
        if (auto manager = manager_.lock()) {
            manager->packageChanged(package);
        }
    }
    void rulesChanged(const std::vector<Rule>& rules, const std::string& packageId) override {
        if (auto manager = manager_.lock()) {
            manager->rulesChanged(rules, packageId);
        }
    }
    void packageDeleted(const std::string& packageId, const std::vector<Rule>& rules) override {
        if (auto manager = manager_.lock()) {
            manager->packageDeleted(packageId, rules);
        }
    }
    void ruleDeleted(const std::string& ruleId) override {
        if (auto manager = manager_.lock()) {
            manager->ruleDeleted(ruleId);
        }
    }

private:
    std::weak_ptr<SyncManager> manager_;
};

} // namespace

namespace {

HomeInstances<SyncManager>& sharedInstances() {
    static HomeInstances<SyncManager> instances;
    return instances;
}

// Which homes have a shared manager already; asking must not make one.
std::set<std::string>& createdFor() {
    static std::set<std::string> homes;
    return homes;
}

std::mutex& createdMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

SyncManager& SyncManager::shared() {
    const std::string key = CloudBackend::sharedKey();
    return *sharedInstances().get(key, [&] {
        auto manager = create(CloudContainer::containerWithIdentifier(kSyncContainerIdentifier));
        std::lock_guard lock(createdMutex());
        createdFor().insert(key);
        return manager;
    });
}

SyncManager* SyncManager::sharedIfCreated() {
    const std::string key = CloudBackend::sharedKey();
    {
        std::lock_guard lock(createdMutex());
        if (createdFor().count(key) == 0) {
            return nullptr;
        }
    }
    return &shared();
}

std::shared_ptr<SyncManager> SyncManager::create(std::shared_ptr<CloudContainer> container, Scheduler runAfter) {
    return std::make_shared<SyncManager>(Private{}, std::move(container), std::move(runAfter));
}

SyncManager::SyncManager(Private, std::shared_ptr<CloudContainer> container, Scheduler runAfter)
    : defaults_(UserDefaults::group()), localChanges_(defaults_), metadata_(defaults_),
      container_(std::move(container)), queue_("Schedule CloudKit requests", 1), zone_(kSyncZoneName),
      runAfter_(std::move(runAfter)),
      keyValueChanges_(kKeyValueStoreDidChangeExternally, [this](const Notification&) { ubiqStoreDidChange(); }),
      accountChanges_(kCloudAccountChangedNotification, [this](const Notification&) { accountStatusChanged(); }),
      remoteNotifications_(kCloudRemoteNotification,
                           [this](const Notification& note) { didReceiveRemoteNotification(note.userInfo); }) {}

SyncManager::~SyncManager() { recordPushes(); }

void SyncManager::installAsSyncHandOver() {
    DataManager::shared().setSyncHandOver(std::make_shared<WeakHandOver>(weak_from_this()));
}

void SyncManager::onMain(const std::weak_ptr<SyncManager>& instance, std::function<void(SyncManager&)> work) {
    runOnMain([instance, work = std::move(work)] {
        if (auto self = instance.lock()) {
            work(*self);
        }
    });
}

bool SyncManager::isCurrent(const std::weak_ptr<Batch>& batch) const {
    auto locked = batch.lock();
    return locked && locked == currentBatch_;
}

bool SyncManager::isIdle() const {
    return operationsInFlight_ == 0 && accountChecksInFlight_ == 0 && !fetchInFlight_;
}

void SyncManager::recordedLocalChange() {
    defaults_.synchronize();
    scheduleSync(1);
}

namespace {

void queueRules(SyncStateEdit& queue, const std::vector<Rule>& rules, const std::string& packageId) {
    std::vector<std::string> ids;
    for (const auto& rule : rules) {
        ids.push_back(rule.id);
        queue.setAdded(rule.id, ruleRecordFields(rule, packageId), LocalAddKeys::Rules);
    }
    queue.unmarkDeleted(ids, LocalDeleteKeys::Rules);
}

} // namespace

void SyncManager::packageChanged(const Package& package) {
    localChanges_.edit([&](SyncStateEdit& queue) {
        queue.unmarkDeleted({package.id}, LocalDeleteKeys::Packages);
        queue.setAdded(package.id, packageRecordFields(Package{package.id, package.name, {}}), LocalAddKeys::Packages);
        queueRules(queue, package.rules, package.id);
    });
    recordedLocalChange();
}

void SyncManager::rulesChanged(const std::vector<Rule>& rules, const std::string& packageId) {
    localChanges_.edit([&](SyncStateEdit& queue) { queueRules(queue, rules, packageId); });
    recordedLocalChange();
}

void SyncManager::ruleChanged(const Rule& rule, const std::string& packageId) { rulesChanged({rule}, packageId); }

void SyncManager::packageDeleted(const std::string& packageId, const std::vector<Rule>& rules) {
    localChanges_.edit([&](SyncStateEdit& queue) {
        queue.markDeleted({packageId}, LocalDeleteKeys::Packages);
        queue.removeAdded({packageId}, LocalAddKeys::Packages);
        std::vector<std::string> ids;
        for (const auto& rule : rules) {
            ids.push_back(rule.id);
        }
        queue.removeAdded(ids, LocalAddKeys::Rules);
        queue.markDeleted(ids, LocalDeleteKeys::Rules);
    });
    recordedLocalChange();
}

void SyncManager::ruleDeleted(const std::string& ruleId) {
    localChanges_.edit([&](SyncStateEdit& queue) {
        queue.removeAdded({ruleId}, LocalAddKeys::Rules);
        queue.markDeleted({ruleId}, LocalDeleteKeys::Rules);
    });
    recordedLocalChange();
}

void SyncManager::ubiqStoreDidChange() {
    log("Ubiq store got remote changes!");
    if (defaults_.boolForKey(kStorePreferencesLocally).value_or(false)) {
        return;
    }
    ubiquitousStore().synchronize();
    NotificationCenter::shared().post(kRemotePreferenceSync, this);
    DataManager::shared().requestRebuild(true, nullptr);
}

void SyncManager::didReceiveRemoteNotification(const UserInfo&) {
    log("Got remote notification, from CloudKit");
    fetchRemoteChanges(nullptr);
}

} // namespace orvane
