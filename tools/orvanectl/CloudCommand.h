#pragma once

#include "Command.h"

namespace orvane::cli {

// orvanectl cloud init|add-user|status|watch
int runCloud(Arguments arguments);

inline constexpr std::string_view kCloudUsage =
    "cloud init URI                 create or update the schema on a PostgreSQL cloud server\n"
    "  cloud add-user URI NAME        create a user on it and print the user's ORVANE_CLOUD\n"
    "  cloud status                   print the account status of ORVANE_CLOUD\n"
    "  cloud watch [--count N] [--timeout SECONDS]\n"
    "                                 print the pushes and key-value changes of other devices";

} // namespace orvane::cli
