#pragma once

#include "platform/NotificationCenter.h"

#include <optional>
#include <string>

namespace orvane {

// The rule that made WebKit refuse the compiled list, found by compiling parts of the list, with
// WebKit's reason. Disabling it (its package id and rule id) lets the other rules apply again.
struct RejectedRule {
    std::string packageId;
    std::string packageName;
    std::string ruleId;
    std::string ruleName;
    std::string reason; // WebKit's message for the rule, and ours in the rule's terms when we have one

    bool operator==(const RejectedRule&) const = default;
};

// Keys a "DisplayInformation" about a refused list carries besides "message" and "warning", so
// that the window can offer to disable the rule.
inline constexpr const char* kRejectedPackageIdKey = "rejectedPackageId";
inline constexpr const char* kRejectedRuleIdKey = "rejectedRuleId";

// Posts "DisplayInformation" as showMessage(message, warning) does, with the rejected rule's ids
// when there is one.
void showMessage(const std::string& message, bool warning, const std::optional<RejectedRule>& rejected);

} // namespace orvane
