#include "app/SwitchServices.h"

#include "app/PackageServices.h"
#include "app/RuleListSnapshot.h"
#include "app/ServiceErrors.h"
#include "catalog/DataManager.h"
#include "platform/MainQueue.h"
#include "prefs/BlockerPreferenceManager.h"

#include <algorithm>
#include <chrono>

namespace orvane {
namespace {

// The switch's own rebuild tells nobody how it ended. This one follows it, once the write is done
// (the writes run off the main thread, which must not wait for them), and so reads the new switch.
void rebuildWhenWritten(std::shared_ptr<BlockerPreferenceManager> preferences, ReloadHandler told) {
    if (!preferences->serialWriteQueue().isIdle()) {
        runOnMainAfter(std::chrono::milliseconds(5), [preferences, told = std::move(told)]() mutable {
            rebuildWhenWritten(std::move(preferences), std::move(told));
        });
        return;
    }
    DataManager::shared().requestRebuild(true, [told = std::move(told)](const ReloadOutcome& outcome) {
        if (outcome.needsTelling()) {
            showMessage(outcome.message, true, outcome.rejectedRule);
        }
        if (told) {
            told(outcome);
        }
    });
}

} // namespace

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

ServiceResult<void> SwitchServices::setPackageEnabled(const std::string& packageId, bool enabled, ReloadHandler told) {
    auto switched = setPackageEnabled(packageId, enabled);
    if (switched) {
        rebuildWhenWritten(preferences_, std::move(told));
    }
    return switched;
}

ServiceResult<void> SwitchServices::setRulesEnabled(const std::string& packageId,
                                                    const std::vector<std::string>& ruleIds, bool enabled,
                                                    ReloadHandler told) {
    auto switched = setRulesEnabled(packageId, ruleIds, enabled);
    if (switched) {
        rebuildWhenWritten(preferences_, std::move(told));
    }
    return switched;
}

bool SwitchServices::isIdle() const { return preferences_->serialWriteQueue().isIdle(); }

} // namespace orvane
