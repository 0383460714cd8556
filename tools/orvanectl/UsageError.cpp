#include "Command.h"

#include <iostream>

namespace orvane::cli {

int usageError(const Command& command, std::string_view message) {
    std::cerr << "orvanectl: " << message << "\nusage:\n  " << command.usage << "\n";
    return kExitUsage;
}

} // namespace orvane::cli
