#pragma once

#include "Command.h"

#include <span>

namespace orvane::cli {

// Every command of orvanectl, in the order --help lists them.
std::span<const Command> commands();

} // namespace orvane::cli
