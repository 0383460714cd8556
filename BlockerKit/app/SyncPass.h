#pragma once

#include "sync/SyncManager.h"

#include <chrono>

namespace orvane {

struct SyncPassReport {
    // Everything queued went up and the fetch was applied within the time given.
    bool finished = false;
    SyncStatistics moved;
};

// One pass of cloud sync as the launch makes it, then a fetch: uploads what is queued (retries
// of a transient failure included), then fetches and applies the cloud's changes. Runs the main
// loop until done or the timeout passes; what is left stays queued.
SyncPassReport runSyncPass(std::chrono::seconds timeout);

} // namespace orvane
