#pragma once

#include "Command.h"

namespace orvane::cli {

int runBrowser(Arguments arguments);

inline constexpr Command kBrowserCommand{
    "browser", "browser status [--json] | browser connect | browser disconnect | browser content-blocking on|off",
    runBrowser};

} // namespace orvane::cli
