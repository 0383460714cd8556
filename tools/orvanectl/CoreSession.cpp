#include "CoreSession.h"

#include <algorithm>
#include <iostream>

namespace orvane::cli {

CoreSession::CoreSession()
    : messages_(kDisplayInformation, [this](const Notification& note) {
          if (note.boolValue("warning").value_or(false)) {
              addWarning(note.stringValue("message").value_or(""));
          }
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
