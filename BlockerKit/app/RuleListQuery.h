#pragma once

#include "model/Records.h"

#include <string>
#include <vector>

namespace orvane {

class BlockerPreferenceManager;

// The rule list's three-way filter, in the order of its segments.
enum class EnabledFilter { DisabledOnly = 0, ShowAll = 1, EnabledOnly = 2 };

// The rules the rule list shows: the package's rules after the enabled filter, then after the
// search (names ignoring case, else domains of the domain filter containing the lower-cased
// text). Package order is kept.
std::vector<Rule> filterAndSearchRules(const Package& package, EnabledFilter filter, const std::string& search,
                                       const BlockerPreferenceManager& preferences);

} // namespace orvane
