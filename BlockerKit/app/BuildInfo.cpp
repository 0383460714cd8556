#include "app/BuildInfo.h"

#include "PreinstalledDigest.h"

namespace orvane {

std::string applicationVersion() { return ORVANE_VERSION; }

// A new preinstalled package file (a new version of a list) makes a new build, whose first launch
// installs it.
std::string buildNumber() { return ORVANE_BUILD_NUMBER "." ORVANE_PREINSTALLED_DIGEST; }

} // namespace orvane
