#pragma once

#include "app/ServiceError.h"
#include "catalog/ReloadOutcome.h"

#include <memory>
#include <string>
#include <vector>

namespace orvane {

class BlockerPreferenceManager;

// The switches of packages and rules. A switch is written in the background and followed by a
// rebuild of the content blocker; the preference manager posts "DidSaveUserPreference" when
// that is done.
class SwitchServices {
public:
    explicit SwitchServices(std::shared_ptr<BlockerPreferenceManager> preferences);

    ServiceResult<void> setPackageEnabled(const std::string& packageId, bool enabled);
    ServiceResult<void> setRulesEnabled(const std::string& packageId, const std::vector<std::string>& ruleIds,
                                        bool enabled);

    // The same, followed by a rebuild once the switch is written, whose outcome `told` hears; a
    // refusal is shown as a save shows it, with the rule WebKit refuses (RejectedRule.h). So a
    // front end learns whether the list compiles with the switch flipped: switching off the rule
    // a refusal named either lets the rebuild succeed or names the next rule.
    ServiceResult<void> setPackageEnabled(const std::string& packageId, bool enabled, ReloadHandler told);
    ServiceResult<void> setRulesEnabled(const std::string& packageId, const std::vector<std::string>& ruleIds,
                                        bool enabled, ReloadHandler told);

    // No switch is still being written.
    bool isIdle() const;

private:
    std::shared_ptr<BlockerPreferenceManager> preferences_;
};

} // namespace orvane
