#pragma once

#include "model/Records.h"

#include <optional>
#include <string>

namespace orvane::fixtures {

// A rule of the given kind on a URL filter; its id is the filter, so rules stay unique per package.
inline Rule urlRule(std::string urlFilter, ActionType type = ActionType::Block, bool caseSensitive = false) {
    Trigger trigger;
    trigger.urlFilter = std::move(urlFilter);
    trigger.caseSensitive = caseSensitive;
    std::optional<std::string> selector;
    if (type == ActionType::Hide) {
        selector = ".banner";
    }
    return Rule{"id-" + trigger.urlFilter, "rule", Blocker{trigger, Action{type, selector}}};
}

} // namespace orvane::fixtures
