#pragma once

#include "Command.h"

#include "model/Enums.h"
#include "model/Records.h"
#include "model/RuleInput.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane::cli {

// What a rule editor would hold at Save, given as options:
//   --name TEXT, --id ID, --url-filter TEXT, --selector TEXT, --resource-type TYPE (repeatable),
//   --load-type first-party|third-party, --if-domain | --unless-domain, --domain TEXT (repeatable,
//   one domain-table row each), --include-subdomains.
struct RuleOptions {
    std::optional<std::string> name;
    std::optional<std::string> id;
    std::optional<std::string> urlFilter;
    std::optional<std::string> selector;
    ResourceTypeSegments resourceTypes;
    int loadTypeSegment = 0;
    int domainFilterItem = static_cast<int>(DomainFilterSelector::All);
    std::vector<std::string> domainRows;
    bool includeSubdomains = false;
};

struct ParsedRuleOptions {
    RuleOptions options;
    // Why the arguments cannot be used (unknown option, missing or bad value); absent when fine.
    std::optional<std::string> problem;
};

// Every argument must be one of the options above.
ParsedRuleOptions parseRuleOptions(Arguments arguments);

// The first option given that the editor of `kind` has no control for; absent when all apply.
std::optional<std::string> inapplicableOption(ConfigurablePackageType kind, const RuleOptions& options);

// Builds the rule as the editor of `kind` does at Save; `id` is the id of the rule being edited.
// Absent after the builder has shown its one message.
std::optional<Rule> buildRuleFromOptions(ConfigurablePackageType kind, const RuleOptions& options,
                                         std::optional<std::string> id);

} // namespace orvane::cli
