#pragma once

#include "app/CoreServices.h"
#include "app/ServiceError.h"
#include "platform/NotificationCenter.h"

#include <chrono>
#include <string>
#include <vector>

namespace orvane::cli {

// The command that switches off the rule WebKit refused: "To disable the rule: orvanectl disable
// PACKAGE RULE".
std::string disableOffer(const std::string& packageId, const std::string& ruleId);

// The core for one command, as the application runs it, with the "DisplayInformation" warnings
// collected for standard error (a warning about a rule WebKit refused is followed by the command
// that disables it).
class CoreSession {
public:
    CoreSession();

    CoreServices& services() { return services_; }

    // Runs the main loop until the command's rebuilds and sync requests are done (bounded).
    bool waitUntilSettled(std::chrono::seconds timeout = std::chrono::seconds(300));
    // Waits, prints the collected warnings on standard error and answers the exit code: failure
    // when a warning was shown or the wait timed out.
    int finish();
    // The same after a failed service: its message is printed with the warnings (once, when the
    // service also showed it), and the command fails.
    int fail(const ServiceError& error);

private:
    void addWarning(const std::string& message);

    ObserverRegistration messages_;
    std::vector<std::string> warnings_;
    CoreServices services_;
};

} // namespace orvane::cli
