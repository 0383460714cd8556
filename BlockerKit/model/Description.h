#pragma once

#include "model/Records.h"

#include <string>

namespace orvane {

// The readable sentence shown beside a rule's name, sometimes with a second line after a line
// feed. Depends on the rule's blocker alone; total for every rule, including ones read from files
// that no editor would produce, and it names every condition such a rule has, so that what a
// rule does is never more than its description says.
std::string descriptionText(const Rule& rule);

} // namespace orvane
