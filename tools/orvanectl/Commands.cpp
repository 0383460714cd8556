#include "Commands.h"

#include "CloudCommand.h"

#include <array>

namespace orvane::cli {

std::span<const Command> commands() {
    static constexpr std::array kCommands{
        Command{"cloud", kCloudUsage, runCloud},
    };
    return kCommands;
}

} // namespace orvane::cli
