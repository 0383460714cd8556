#include "CoreSession.h"

#include "model/RejectedRule.h"

#include <algorithm>
#include <iostream>

namespace orvane::cli {

std::string disableOffer(const std::string& packageId, const std::string& ruleId) {
    return "To disable the rule: orvanectl disable " + packageId + " " + ruleId;
}

CoreSession::CoreSession()
    : messages_(kDisplayInformation, [this](const Notification& note) {
          if (!note.boolValue("warning").value_or(false)) {
              return;
          }
          std::string message = note.stringValue("message").value_or("");
          const auto packageId = note.stringValue(kRejectedPackageIdKey);
          const auto ruleId = note.stringValue(kRejectedRuleIdKey);
          if (packageId && ruleId) {
              message += "\n" + disableOffer(*packageId, *ruleId);
          }
          addWarning(message);
      }) {}

void CoreSession::addWarning(const std::string& message) {
    if (std::find(warnings_.begin(), warnings_.end(), message) == warnings_.end()) {
        warnings_.push_back(message);
    }
}

bool CoreSession::waitUntilSettled(std::chrono::seconds timeout) { return services_.waitUntilSettled(timeout); }

int CoreSession::finish() {
    const bool settled = waitUntilSettled();
    for (const auto& warning : warnings_) {
        std::cerr << warning << "\n";
    }
    if (!settled) {
        std::cerr << "orvanectl: the content blocker did not finish reloading in time\n";
    }
    return settled && warnings_.empty() ? 0 : 1;
}

int CoreSession::fail(const ServiceError& error) {
    addWarning(error.message);
    finish();
    return 1;
}

} // namespace orvane::cli
