#pragma once

#include "Command.h"

namespace orvane::cli {

// orvanectl cloud init|add-user|status|watch|reports
int runCloud(Arguments arguments);

inline constexpr std::string_view kCloudUsage =
    "cloud init URI                 create or update the schema on a PostgreSQL cloud server\n"
    "  cloud add-user URI NAME        create a user on it and print the user's ORVANE_CLOUD\n"
    "  cloud status                   print the account status of ORVANE_CLOUD\n"
    "  cloud watch [--count N] [--timeout SECONDS]\n"
    "                                 print the pushes and key-value changes of other devices\n"
    "  cloud reports [CLOUD] [--json] list the problem reports of CLOUD (default ORVANE_CLOUD); on\n"
    "                                 PostgreSQL only the server's administrator may read them";

} // namespace orvane::cli
