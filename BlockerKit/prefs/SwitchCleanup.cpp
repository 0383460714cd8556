#include "prefs/SwitchCleanup.h"

#include "prefs/BlockerPreferenceManager.h"

namespace orvane {

SwitchCleanup::SwitchCleanup() : preferences_(BlockerPreferenceManager::create()) {}

void SwitchCleanup::ruleRemoved(const Rule& rule, const std::string& packageId) {
    preferences_->removeDisabledRule(rule, packageId);
}

void SwitchCleanup::packageRemoved(const Package& package) {
    preferences_->enablePackage(package.id);
    preferences_->setRulesDisabled(package.rules, package, false);
}

} // namespace orvane
