#pragma once

#include "model/Records.h"

#include <string>
#include <vector>

namespace orvane {

// Rules an import added to an existing package; possibly none.
struct MergedRules {
    std::string packageId;
    std::vector<Rule> rules;
};

// What an import added, with the ids the additions ended up with.
struct ImportOutcome {
    // Imported packages that matched an existing one with another rule count, in file order.
    std::vector<MergedRules> mergedRules;
    // Imported packages that matched none, in file order, as appended to the custom list.
    std::vector<Package> newPackages;

    bool addedAnything() const;
};

// Merges imported packages into the editable lists, by package id. An imported package whose
// existing namesake has as many rules is taken as imported already; otherwise its rules that
// the existing package lacks are appended to it. Packages without a namesake among the
// configurable and custom ones are appended to `custom`.
//
// Package and rule ids stay unique across the catalog (`preinstalled` included), since the
// disabled sets and the sync records are keyed by them: an addition whose id is taken gets a
// fresh one, and a rule whose id is taken is skipped when its package already holds the same
// rule under another id, so that importing a file twice adds it once.
//
// The lists are changed only when something is added.
ImportOutcome mergeImport(std::vector<Package>& configurable, std::vector<Package>& custom,
                          const std::vector<Package>& preinstalled, const std::vector<Package>& imported);

} // namespace orvane
