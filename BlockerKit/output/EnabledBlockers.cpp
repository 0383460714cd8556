#include "output/EnabledBlockers.h"

#include "prefs/SortedIds.h"
#include "storage/PersistentStore.h"

#include <algorithm>

namespace orvane {

std::vector<const Package*> EnabledBlockers::packages() const {
    if (!order_.empty()) {
        return order_.packages();
    }
    std::vector<const Package*> packages;
    for (const auto& package : stored_) {
        packages.push_back(&package);
    }
    return packages;
}

EnabledBlockers enabledBlockers(const std::vector<std::string>& disabledPackageIds, const DisabledRules& disabledRules) {
    PackageOrder order = DataManager::shared().packageOrder();
    std::vector<Package> stored;
    if (order.empty()) {
        stored = PersistentStore::loadAllPackages();
    }
    EnabledBlockers blockers(std::move(order), std::move(stored));
    const std::vector<const Package*> packages = blockers.packages();
    const auto isDisabled = [&](const Package& package) {
        return std::find(disabledPackageIds.begin(), disabledPackageIds.end(), package.id) != disabledPackageIds.end();
    };
    std::size_t upperBound = 0;
    for (const Package* each : packages) {
        upperBound += isDisabled(*each) ? 0 : each->rules.size();
    }
    blockers.blockers_.reserve(upperBound);
    blockers.rules_.reserve(upperBound);
    for (const Package* each : packages) {
        const Package& package = *each;
        if (isDisabled(package)) {
            continue;
        }
        auto entry = disabledRules.find(package.id);
        for (const auto& rule : package.rules) {
            if (entry == disabledRules.end() || !searchSorted(entry->second, rule.id).found) {
                blockers.blockers_.push_back(&rule.blocker);
                blockers.rules_.push_back(ListedRule{&package, &rule});
            }
        }
    }
    return blockers;
}

} // namespace orvane
