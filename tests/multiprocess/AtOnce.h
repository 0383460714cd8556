#pragma once

#include "support/RunProgram.h"

#include <string>
#include <vector>

namespace orvane::test {

// Runs one orvanectl process per argument list, all started together, and waits for every one;
// the results come back in the order of the lists.
std::vector<ProgramResult> orvanectlAtOnce(const std::vector<std::vector<std::string>>& commands,
                                           const Environment& environment = {});

// The first line a command printed (the id of what it made).
std::string firstLine(const std::string& text);

} // namespace orvane::test
