#pragma once

#include "model/Enums.h"

#include <string>

namespace orvane::desktop {

// What an editor of a kind is called, on its title and on the kind chooser's segment.
std::string kindTitle(ConfigurablePackageType kind);
// One sentence under the title on what a rule of the kind does.
std::string kindHint(ConfigurablePackageType kind);

} // namespace orvane::desktop
