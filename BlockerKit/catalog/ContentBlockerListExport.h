#pragma once

#include "model/Records.h"

#include <filesystem>
#include <vector>

namespace orvane {

// Writes the blockers as a plain content-blocker list (a JSON array of entries, the form WebKit
// compiles and every content blocker publishes), replacing any file at `path` in one step. A
// failed write tells the user (a warning) and answers false.
bool exportContentBlockerList(const std::vector<Blocker>& blockers, const std::filesystem::path& path);

} // namespace orvane
