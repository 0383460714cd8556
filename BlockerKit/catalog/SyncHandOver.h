#pragma once

#include "model/Records.h"

#include <string>
#include <vector>

namespace orvane {

// How the catalog tells cloud sync about local changes. The sync manager installs itself;
// without it the catalog records nothing.
class SyncHandOver {
public:
    virtual ~SyncHandOver() = default;
    // A custom package was created or renamed (its rules come along).
    virtual void packageChanged(const Package& package) = 0;
    virtual void rulesChanged(const std::vector<Rule>& rules, const std::string& packageId) = 0;
    virtual void packageDeleted(const std::string& packageId, const std::vector<Rule>& rules) = 0;
    virtual void ruleDeleted(const std::string& ruleId) = 0;
};

} // namespace orvane
