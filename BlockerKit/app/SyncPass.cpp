#include "app/SyncPass.h"

#include "catalog/DataManager.h"
#include "output/Safari.h"
#include "platform/MainQueue.h"

namespace orvane {
namespace {

bool settle(const SyncManager& sync, std::chrono::seconds timeout) {
    return runMainLoopUntil(
        [&] { return sync.isIdle() && !sync.hasRetryPending() && !Safari::hasRequestsInFlight(); }, timeout);
}

} // namespace

SyncPassReport runSyncPass(std::chrono::seconds timeout) {
    SyncManager& sync = SyncManager::shared();
    sync.startSync(*DataManager::shared().configurablePackages());
    bool finished = settle(sync, timeout);
    if (finished) {
        sync.fetchRemoteChanges(nullptr);
        finished = settle(sync, timeout);
    }
    return SyncPassReport{finished, sync.statistics()};
}

} // namespace orvane
