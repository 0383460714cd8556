#pragma once

#include "model/Records.h"

#include <string>
#include <utility>
#include <vector>

namespace orvane {

// The merges of cloud changes into the editable lists, shared by the single merges and the
// application of a whole fetch.

// A configurable id is left alone (logged); an existing custom package takes the new name and
// keeps its rules; otherwise the package is appended to the custom list.
void mergePackage(std::vector<Package>& configurable, std::vector<Package>& custom, const Package& package);
// Upserts the rule into the configurable, else the custom package with that id (logged when
// there is none).
void mergeRule(std::vector<Package>& configurable, std::vector<Package>& custom, const Rule& rule,
               const std::string& packageId);
// The same for many rules at once, in order, as fast for thousands of rules as for a few.
void mergeRules(std::vector<Package>& configurable, std::vector<Package>& custom,
                const std::vector<std::pair<Rule, std::string>>& rules);
// Removes the custom package with that id, else the first rule with that id; answers whether
// something was removed.
bool deleteById(std::vector<Package>& configurable, std::vector<Package>& custom, const std::string& id);

} // namespace orvane
