#pragma once

#include "app/PackageServices.h"
#include "catalog/DataManager.h"
#include "model/Records.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// One package as the catalog holds it now, without a copy: the handle keeps the catalog's list
// alive while the package is read, so a 50,000-rule package costs nothing to look at.
struct PackageSnapshot {
    PackageListSnapshot list;
    const Package* package = nullptr;
    PackageSection section = PackageSection::Preinstalled;

    const Package& operator*() const { return *package; }
    const Package* operator->() const { return package; }
    // Whether `other` holds the very same stored package (no edit in between).
    bool sameAs(const PackageSnapshot& other) const { return list == other.list && package == other.package; }
};

// The package with that id as the catalog holds it now, absent for an unknown id.
std::optional<PackageSnapshot> packageSnapshot(const std::string& packageId);

// The rules of one package with their switches, as the rule list shows them.
struct RuleListSnapshot {
    PackageSnapshot package;
    // Sorted ids of the package's disabled rules.
    std::vector<std::string> disabledRuleIds;

    bool isRuleEnabled(const std::string& ruleId) const;
    const std::vector<Rule>& rules() const { return package->rules; }
};

} // namespace orvane
