#pragma once

#include "Command.h"

#include "model/Enums.h"
#include "model/EditorInput.h"
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

// The editor's controls after the options given changed theirs: each option replaces its
// control's content (all domain rows at once, all resource types at once); the others keep
// what `base` holds (a new rule's empty editor, or an edited rule's).
EditorInput applyOptions(EditorInput base, const RuleOptions& options);

} // namespace orvane::cli
