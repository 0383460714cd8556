// orvanectl sync: one full pass of cloud sync, as the application makes at launch, then a fetch.

#include "SyncCommand.h"

#include "CoreSession.h"

#include "catalog/DataManager.h"
#include "output/Safari.h"
#include "platform/MainQueue.h"
#include "sync/SyncManager.h"

#include <iostream>

namespace orvane::cli {
namespace {

// Long enough for a few retries of a transient failure.
constexpr std::chrono::seconds kPassTimeout(120);

bool settle(SyncManager& sync) {
    return runMainLoopUntil(
        [&] { return sync.isIdle() && !sync.hasRetryPending() && !Safari::hasRequestsInFlight(); }, kPassTimeout);
}

} // namespace

int runSync(Arguments arguments) {
    if (!arguments.empty()) {
        return usageError(kSyncCommand, "sync takes no arguments");
    }
    CoreSession session(CloudSync::on);
    SyncManager& sync = SyncManager::shared();
    sync.startSync(*DataManager::shared().configurablePackages());
    bool settled = settle(sync);
    if (settled) {
        sync.fetchRemoteChanges(nullptr);
        settled = settle(sync);
    }
    const SyncStatistics& moved = sync.statistics();
    std::cout << "pushed: " << moved.recordsPushed << "\n"
              << "deleted: " << moved.deletionsPushed << "\n"
              << "fetched: " << moved.recordsFetched << "\n"
              << "fetched deletions: " << moved.deletionsFetched << "\n";
    const int code = session.finish();
    if (!settled) {
        std::cerr << "orvanectl: the sync pass did not finish in time; what is left stays queued\n";
        return kExitFailure;
    }
    return code;
}

} // namespace orvane::cli
