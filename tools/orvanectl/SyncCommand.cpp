// orvanectl sync: one full pass of cloud sync, as the application makes at launch, then a fetch.

#include "SyncCommand.h"

#include "CoreSession.h"

#include "app/SyncPass.h"

#include <iostream>

namespace orvane::cli {
namespace {

// Long enough for a few retries of a transient failure.
constexpr std::chrono::seconds kPassTimeout(120);

} // namespace

int runSync(Arguments arguments) {
    if (!arguments.empty()) {
        return usageError(kSyncCommand, "sync takes no arguments");
    }
    CoreSession session;
    const SyncPassReport pass = runSyncPass(kPassTimeout);
    const SyncStatistics& moved = pass.moved;
    std::cout << "pushed: " << moved.recordsPushed << "\n"
              << "deleted: " << moved.deletionsPushed << "\n"
              << "fetched: " << moved.recordsFetched << "\n"
              << "fetched deletions: " << moved.deletionsFetched << "\n";
    const int code = session.finish();
    if (!pass.finished) {
        std::cerr << "orvanectl: the sync pass did not finish in time; what is left stays queued\n";
        return kExitFailure;
    }
    return code;
}

} // namespace orvane::cli
