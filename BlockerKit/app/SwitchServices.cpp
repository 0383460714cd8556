#include "app/SwitchServices.h"

#include "app/PackageServices.h"
#include "app/RuleListSnapshot.h"
#include "app/ServiceErrors.h"
#include "prefs/BlockerPreferenceManager.h"

#include <algorithm>

namespace orvane {

SwitchServices::SwitchServices(std::shared_ptr<BlockerPreferenceManager> preferences)
    : preferences_(std::move(preferences)) {}

// The package is read where the catalog holds it: a switch in a large package copies nothing.
ServiceResult<void> SwitchServices::setPackageEnabled(const std::string& packageId, bool enabled) {
    auto snapshot = packageSnapshot(packageId);
    if (!snapshot) {
        return unknownPackage(packageId);
    }
    const Package& package = **snapshot;
    // A package's switch is kept under its id alone; its rules need not come along.
    preferences_->setPackagesDisabled({Package{package.id, package.name, {}}}, !enabled);
    return {};
}

ServiceResult<void> SwitchServices::setRulesEnabled(const std::string& packageId,
                                                    const std::vector<std::string>& ruleIds, bool enabled) {
    auto snapshot = packageSnapshot(packageId);
    if (!snapshot) {
        return unknownPackage(packageId);
    }
    const Package& package = **snapshot;
    std::vector<Rule> rules;
    for (const auto& id : ruleIds) {
        auto rule = std::find_if(package.rules.begin(), package.rules.end(), [&](const Rule& r) { return r.id == id; });
        if (rule == package.rules.end()) {
            return unknownRule(id, packageId);
        }
        rules.push_back(*rule);
    }
    preferences_->setRulesDisabled(rules, package, !enabled);
    return {};
}

bool SwitchServices::isIdle() const { return preferences_->serialWriteQueue().isIdle(); }

} // namespace orvane
