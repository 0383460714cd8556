#pragma once

#include "Command.h"

namespace orvane::cli {

// orvanectl classify URL[=BYTES]... [--json]
int runClassify(Arguments arguments);

} // namespace orvane::cli
