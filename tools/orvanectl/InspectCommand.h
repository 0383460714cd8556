#pragma once

#include "Command.h"

namespace orvane::cli {

int runInspect(Arguments arguments);

inline constexpr Command kInspectCommand{
    "inspect", "inspect URL [--json] [--timeout SECONDS]   (needs a display: run it under xvfb-run on a server)",
    runInspect};

} // namespace orvane::cli
