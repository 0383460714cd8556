#include "inspector/BlockingPatterns.h"

#include <algorithm>

namespace orvane {

std::vector<std::string> blockingPatterns(const std::vector<Package>& packages,
                                          std::initializer_list<std::string_view> packageIds) {
    std::vector<std::string> patterns;
    for (std::string_view id : packageIds) {
        auto package = std::find_if(packages.begin(), packages.end(),
                                    [&](const Package& candidate) { return candidate.id == id; });
        if (package == packages.end()) {
            continue;
        }
        for (const Rule& rule : package->rules) {
            if (rule.blocker.action.type == ActionType::Block) {
                patterns.push_back(rule.blocker.trigger.urlFilter);
            }
        }
    }
    return patterns;
}

} // namespace orvane
