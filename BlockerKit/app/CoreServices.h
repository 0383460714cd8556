#pragma once

#include "app/PackageServices.h"
#include "app/RuleServices.h"
#include "app/SwitchServices.h"

#include <chrono>
#include <cstdint>
#include <vector>
#include <memory>

namespace orvane {

class BlockerPreferenceManager;
class UserDefaults;

// The core as a front end runs it. While it lives, the catalog's saves rebuild the content
// blocker through output/, its deletions forget their switches in prefs/, and every edit of the
// user's packages and rules is handed to cloud sync (the sync manager starts with the first
// edit), whichever front end makes it. It also fills the preinstalled list, as the package list
// does when it appears.
//
// One per process, for as long as the front end runs: the application holds it for its life,
// orvanectl for one command, a test for one case. Main thread.
class CoreServices {
public:
    CoreServices();
    ~CoreServices();
    CoreServices(const CoreServices&) = delete;
    CoreServices& operator=(const CoreServices&) = delete;

    PackageServices& packages() { return packages_; }
    RuleServices& rules() { return rules_; }
    SwitchServices& switches() { return switches_; }

    // No switch is being written, no rebuild is in flight, and the sync manager, if this
    // process started it, has no request in flight (a retry may still wait for its time).
    bool isSettled() const;
    // Runs the main loop until isSettled() holds, or the timeout passes; answers which.
    bool waitUntilSettled(std::chrono::milliseconds timeout) const;

private:
    std::shared_ptr<BlockerPreferenceManager> preferences_;
    PackageServices packages_;
    RuleServices rules_;
    SwitchServices switches_;
    // Another process that switches packages or rules: the open lists hear of it as of a switch
    // made here.
    UserDefaults& groupDefaults_;
    std::vector<std::uint64_t> switchObservers_;
};

// Starts the shared sync manager with the catalog's configurable packages.
void startCloudSync();
// Registers for the record store's pushes; from then on each starts a fetch.
void registerRemoteNotifications();

} // namespace orvane
