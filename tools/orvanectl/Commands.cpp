#include "Commands.h"

#include "ClassifyCommand.h"

#include <array>

namespace orvane::cli {

std::span<const Command> commands() {
    static constexpr std::array kCommands{
        Command{"classify", "classify URL[=BYTES]... [--json]   (URLs one per line on standard input when none given)",
                runClassify},
    };
    return kCommands;
}

} // namespace orvane::cli
