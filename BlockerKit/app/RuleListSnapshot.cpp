#include "app/RuleListSnapshot.h"

#include "app/RuleServices.h"
#include "app/ServiceErrors.h"
#include "prefs/BlockerPreferenceManager.h"

#include <algorithm>

namespace orvane {
namespace {

const Package* findIn(const PackageList& list, const std::string& id) {
    auto it = std::find_if(list.begin(), list.end(), [&](const Package& p) { return p.id == id; });
    return it == list.end() ? nullptr : &*it;
}

} // namespace

std::optional<PackageSnapshot> packageSnapshot(const std::string& packageId) {
    DataManager& catalog = DataManager::shared();
    for (auto [list, section] : {std::pair{catalog.configurablePackages(), PackageSection::Configurables},
                                 std::pair{catalog.customPackages(), PackageSection::Custom},
                                 std::pair{catalog.preinstalledPackages(), PackageSection::Preinstalled}}) {
        if (const Package* package = findIn(*list, packageId)) {
            return PackageSnapshot{std::move(list), package, section};
        }
    }
    return std::nullopt;
}

bool RuleListSnapshot::isRuleEnabled(const std::string& ruleId) const {
    return !std::binary_search(disabledRuleIds.begin(), disabledRuleIds.end(), ruleId);
}

ServiceResult<RuleListSnapshot> RuleServices::ruleListSnapshot(const std::string& packageId) const {
    auto package = packageSnapshot(packageId);
    if (!package) {
        return unknownPackage(packageId);
    }
    return RuleListSnapshot{std::move(*package), disabledRuleIds(packageId)};
}

std::vector<std::string> RuleServices::disabledRuleIds(const std::string& packageId) const {
    DisabledRules disabled = preferences_->disabledRules();
    auto marks = disabled.find(packageId);
    return marks == disabled.end() ? std::vector<std::string>{} : std::move(marks->second);
}

} // namespace orvane
