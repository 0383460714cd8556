#pragma once

#include "model/Records.h"
#include "platform/NotificationCenter.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace orvane::cli {

// Whether a command's catalog edits go to cloud sync, as the application's do.
enum class CloudSync { off, on };

// The core as the application brings it up for a command: the preinstalled list loaded as the
// package list does, and the "DisplayInformation" warnings collected for standard error. With
// cloud sync on, the sync manager records the edits and uploads them before the command ends.
class CoreSession {
public:
    explicit CoreSession(CloudSync sync = CloudSync::off);

    // Runs the main loop until no rebuild (and, with cloud sync, no sync request) is in
    // flight (bounded).
    bool waitForReloads(std::chrono::seconds timeout = std::chrono::seconds(300));
    // Waits for the reloads, prints the collected warnings on standard error and answers the
    // exit code: failure when a warning was shown or the wait timed out.
    int finish();

    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    CloudSync sync_;
    ObserverRegistration messages_;
    std::vector<std::string> warnings_;
};

// A package of the catalog by id (any section), or absent.
std::optional<Package> findPackage(const std::string& id);
// A custom package by id, or absent.
std::optional<Package> findCustomPackage(const std::string& id);

} // namespace orvane::cli
