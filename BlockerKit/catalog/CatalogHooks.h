#pragma once

#include "catalog/ReloadOutcome.h"
#include "model/Records.h"

#include <string>

namespace orvane {

// What the catalog asks of the layers above it. The application services install an
// implementation of each at start (as the sync manager is installed as the SyncHandOver), so
// the catalog never includes them.

// Rebuilds the content blocker from the current lists and has the browser reload it.
class ContentBlockerRebuilder {
public:
    virtual ~ContentBlockerRebuilder() = default;
    // `handler`, when given, is told the outcome exactly once, on the main thread.
    virtual void requestRebuild(bool allowsCancelling, ReloadHandler handler) = 0;
};

// Forgets the switches of what the catalog deleted, so that no disabled mark outlives its rule
// or package.
class DisabledMarks {
public:
    virtual ~DisabledMarks() = default;
    virtual void ruleRemoved(const Rule& rule, const std::string& packageId) = 0;
    // The package and every rule it held are enabled again.
    virtual void packageRemoved(const Package& package) = 0;
};

} // namespace orvane
