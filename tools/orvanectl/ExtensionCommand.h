#pragma once

#include "Command.h"

namespace orvane::cli {

int runExtension(Arguments arguments);

inline constexpr Command kExtensionCommand{
    "extension", "extension status [IDENTIFIER] [--json] | extension enable|disable [IDENTIFIER]", runExtension};

} // namespace orvane::cli
