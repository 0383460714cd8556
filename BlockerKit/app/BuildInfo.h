#pragma once

#include <string>

namespace orvane {

// The project's version and the bundle's build number ("CFBundleVersion"): a new number is a
// new build, which the launch installs the preinstalled packages for.
std::string applicationVersion();
std::string buildNumber();

} // namespace orvane
