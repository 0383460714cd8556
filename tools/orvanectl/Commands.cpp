#include "Commands.h"

#include "RuleCommands.h"

#include <array>

namespace orvane::cli {

std::span<const Command> commands() {
    static constexpr std::array kCommands{kRuleCommand};
    return kCommands;
}

} // namespace orvane::cli
