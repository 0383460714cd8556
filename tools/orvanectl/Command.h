#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orvane::cli {

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

using Arguments = std::span<const std::string>;

struct Command {
    std::string_view name;
    std::string_view usage;   // one or more lines, each a synopsis
    int (*run)(Arguments arguments); // arguments after the command name
};

// Prints "orvanectl: MESSAGE" and the command's usage on standard error; answers kExitUsage.
int usageError(const Command& command, std::string_view message);

} // namespace orvane::cli
