#include "inspector/BlockingPatterns.h"

#include <algorithm>

namespace orvane {
namespace {

// Whether the URL of a load says whether the rule is about it. A rule that applies on some sites
// only ("$domain=example.com") is about those sites, and lists write broad patterns for them
// ("any .com host, on these few sites"); a rule for every address that only conditions narrow
// ("$ping,third-party") is about the kind of load. Taken by their URLs alone, both would claim
// the resources of every page.
bool judgedByAddress(const Trigger& trigger) {
    const bool someSites = (trigger.domainFilter && trigger.domainFilter->type == DomainFilterType::IfDomain) ||
                           (trigger.topURLFilter && trigger.topURLFilter->type == TopURLFilterType::IfTopURL) ||
                           (trigger.frameURLFilter && trigger.frameURLFilter->type == FrameURLFilterType::IfFrameURL);
    const bool everyAddress = trigger.urlFilter.empty() || trigger.urlFilter == ".*";
    const bool conditions = trigger.resourceTypes || trigger.loadType || trigger.domainFilter || trigger.topURLFilter ||
                            trigger.frameURLFilter || trigger.loadContext || trigger.requestMethod;
    return !someSites && !(everyAddress && conditions);
}

} // namespace

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
            if (rule.blocker.action.type == ActionType::Block && judgedByAddress(rule.blocker.trigger)) {
                patterns.push_back(rule.blocker.trigger.urlFilter);
            }
        }
    }
    return patterns;
}

} // namespace orvane
