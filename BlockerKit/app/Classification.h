#pragma once

#include "inspector/ResourceFilter.h"

#include <optional>

namespace orvane {

// The inspector's filter over the catalog's preinstalled packages (loaded from storage when the
// catalog has none yet); absent when there are none to be had.
std::optional<ResourceFilter> preinstalledResourceFilter();

} // namespace orvane
