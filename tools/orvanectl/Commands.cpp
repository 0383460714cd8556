#include "Commands.h"

#include <array>

namespace orvane::cli {

std::span<const Command> commands() {
    static constexpr std::array<Command, 0> kCommands{};
    return kCommands;
}

} // namespace orvane::cli
