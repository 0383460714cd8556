#pragma once

#include "model/Records.h"

#include <string>
#include <vector>

namespace orvane::test {

// A Block rule whose url filter names it.
Rule blockRule(const std::string& id, const std::string& urlFilter = "", const std::string& name = "");
Package makePackage(const std::string& id, const std::string& name, std::vector<Rule> rules = {});
// Writes packages as a list file of the shared container of the current ORVANE_HOME.
void writeSharedPackages(const std::string& fileName, const std::vector<Package>& packages);

} // namespace orvane::test
