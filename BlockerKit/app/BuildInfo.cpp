#include "app/BuildInfo.h"

namespace orvane {

std::string applicationVersion() { return ORVANE_VERSION; }

std::string buildNumber() { return ORVANE_BUILD_NUMBER; }

} // namespace orvane
