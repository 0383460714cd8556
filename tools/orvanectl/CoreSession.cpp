#include "CoreSession.h"

#include "catalog/DataManager.h"
#include "output/Safari.h"
#include "platform/MainQueue.h"
#include "sync/SyncManager.h"

#include <iostream>

namespace orvane::cli {

CoreSession::CoreSession(CloudSync sync)
    : sync_(sync), messages_(kDisplayInformation, [this](const Notification& note) {
          if (note.boolValue("warning").value_or(false)) {
              warnings_.push_back(note.stringValue("message").value_or(""));
          }
      }) {
    DataManager::shared().loadPreinstalledPackagesIfEmpty();
    if (sync_ == CloudSync::on) {
        SyncManager::shared();
    }
}

bool CoreSession::waitForReloads(std::chrono::seconds timeout) {
    const bool settled = runMainLoopUntil(
        [this] { return !Safari::hasRequestsInFlight() && (sync_ == CloudSync::off || SyncManager::shared().isIdle()); },
        timeout);
    drainMainQueue();
    return settled;
}

int CoreSession::finish() {
    const bool settled = waitForReloads();
    for (const auto& warning : warnings_) {
        std::cerr << warning << "\n";
    }
    if (!settled) {
        std::cerr << "orvanectl: the content blocker did not finish reloading in time\n";
    }
    return settled && warnings_.empty() ? 0 : 1;
}

std::optional<Package> findPackage(const std::string& id) {
    for (auto& package : DataManager::shared().allPackages()) {
        if (package.id == id) {
            return package;
        }
    }
    return std::nullopt;
}

std::optional<Package> findCustomPackage(const std::string& id) {
    for (const auto& package : *DataManager::shared().customPackages()) {
        if (package.id == id) {
            return package;
        }
    }
    return std::nullopt;
}

} // namespace orvane::cli
