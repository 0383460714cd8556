#pragma once

#include "catalog/DataManager.h"
#include "model/Records.h"
#include "prefs/BlockerPreferenceManager.h"

#include <span>
#include <string>
#include <utility>
#include <vector>

namespace orvane {

// Where an enabled blocker comes from: its rule and the rule's package.
struct ListedRule {
    const Package* package;
    const Rule* rule;
};

// The blockers of the enabled rules in catalog order, pointing into the packages they come from,
// which this holds: tens of thousands of blockers reach "tmp.json" without being copied.
class EnabledBlockers {
public:
    // `stored` holds the packages when the catalog had none in memory.
    EnabledBlockers(PackageOrder order, std::vector<Package> stored)
        : order_(std::move(order)), stored_(std::move(stored)) {}
    // A copy would point into the packages of the original; a move keeps them where they are.
    EnabledBlockers(const EnabledBlockers&) = delete;
    EnabledBlockers& operator=(const EnabledBlockers&) = delete;
    EnabledBlockers(EnabledBlockers&&) = default;
    EnabledBlockers& operator=(EnabledBlockers&&) = default;

    std::span<const Blocker* const> list() const { return blockers_; }
    // The rule and package of each blocker of list(), at the same position.
    std::span<const ListedRule> rules() const { return rules_; }
    bool empty() const { return blockers_.empty(); }

private:
    friend EnabledBlockers enabledBlockers(const std::vector<std::string>&, const DisabledRules&);

    // The packages to pick from: the catalog's order, or the stored packages.
    std::vector<const Package*> packages() const;

    PackageOrder order_;
    std::vector<Package> stored_;
    std::vector<const Blocker*> blockers_;
    std::vector<ListedRule> rules_;
};

// The blockers of every enabled rule of every enabled package, in the catalog's combined order
// (read from the package files when the catalog holds none). A package whose id is disabled
// gives nothing; a rule whose id is disabled under its package's id is left out.
EnabledBlockers enabledBlockers(const std::vector<std::string>& disabledPackageIds, const DisabledRules& disabledRules);

} // namespace orvane
