#include "model/Records.h"

#include <algorithm>

namespace orvane {

int conditionCount(const Trigger& trigger) {
    return static_cast<int>(trigger.domainFilter.has_value()) + static_cast<int>(trigger.topURLFilter.has_value()) +
           static_cast<int>(trigger.frameURLFilter.has_value());
}

std::optional<Action> makeAction(ActionType type, std::optional<std::string> selector) {
    if (type != ActionType::Hide) {
        return Action{type, std::nullopt};
    }
    if (!selector) {
        return std::nullopt;
    }
    return Action{type, std::move(selector)};
}

void upsertRule(std::vector<Rule>& rules, Rule rule) {
    auto it = std::find_if(rules.begin(), rules.end(), [&](const Rule& existing) { return existing.id == rule.id; });
    if (it != rules.end()) {
        *it = std::move(rule);
    } else {
        rules.push_back(std::move(rule));
    }
}

} // namespace orvane
