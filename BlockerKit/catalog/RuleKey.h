#pragma once

#include "model/Records.h"

#include <string>

namespace orvane {

// A text that is equal for two rules exactly when their names and blockers are equal, so rules
// can be found in hash sets instead of by scanning a package (a hostile import may hold many
// thousands of rules).
std::string ruleContentKey(const Rule& rule);

// The same for every field, the id included.
std::string ruleKey(const Rule& rule, const std::string& contentKey);

} // namespace orvane
