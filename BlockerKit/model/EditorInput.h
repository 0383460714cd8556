#pragma once

#include "model/Enums.h"
#include "model/Records.h"
#include "model/RuleInput.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane {

// What a rule editor's controls hold: the name field, the url filter and selector fields, the
// resource-type and load-type segments, the domain-filter pop-up, the domain table's rows and
// the include-subdomains box. The editors of each kind use the controls they have.
struct EditorInput {
    std::string name;
    std::string urlFilter;
    std::string selector;
    ResourceTypeSegments resourceTypes;
    int loadTypeSegment = 0;
    DomainFilterSelector domainFilter = DomainFilterSelector::All;
    std::vector<std::string> domainRows;
    bool includeSubdomains = false;

    bool operator==(const EditorInput&) const = default;
};

// The controls as an editor fills them from a stored rule: the domains without their "*", the
// box ticked when any domain had one, the load-type segment of a single load type.
EditorInput editorInputForRule(const Rule& rule);

// Builds the rule of `kind` from the controls as the editor's Save does; `id` is the id of the
// rule being edited. Absent after the builder has shown its one message.
std::optional<Rule> buildRule(ConfigurablePackageType kind, const EditorInput& input, std::optional<std::string> id);

} // namespace orvane
