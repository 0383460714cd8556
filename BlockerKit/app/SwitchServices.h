#pragma once

#include "app/ServiceError.h"

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

    // No switch is still being written.
    bool isIdle() const;

private:
    std::shared_ptr<BlockerPreferenceManager> preferences_;
};

} // namespace orvane
