#pragma once

#include "Command.h"

namespace orvane::cli {

inline constexpr std::string_view kInspectUsage =
    "inspect URL [--json] [--timeout SECONDS]   (needs a display: run it under xvfb-run on a server)";

// The inspection itself, in orvane-inspect.
int runInspect(Arguments arguments);

// What orvanectl runs: orvane-inspect in its place, so that no other command loads WebKit.
int launchInspect(Arguments arguments);

inline constexpr Command kInspectCommand{"inspect", kInspectUsage, launchInspect};

} // namespace orvane::cli
