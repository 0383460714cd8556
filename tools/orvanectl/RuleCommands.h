#pragma once

#include "Command.h"

namespace orvane::cli {

// `rule build`: builds a rule as an editor would and prints its storage form.
// `rule describe`: prints the description of a rule in storage form.
int runRuleCommand(Arguments arguments);

inline constexpr Command kRuleCommand{
    "rule",
    "rule build KIND [--name TEXT] [--id ID] [--url-filter TEXT] [--selector TEXT] [--resource-type TYPE]... "
    "[--load-type first-party|third-party] [--if-domain|--unless-domain] [--domain TEXT]... [--include-subdomains]\n"
    "  rule describe [FILE]",
    runRuleCommand};

} // namespace orvane::cli
