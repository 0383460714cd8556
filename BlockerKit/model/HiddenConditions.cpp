#include "model/HiddenConditions.h"

#include "model/RuleInput.h"
#include "platform/NotificationCenter.h"

#include <algorithm>
#include <vector>

namespace orvane {
namespace {

template <typename Value>
bool contains(const std::vector<Value>& values, Value value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

bool hasSegment(ResourceType type) {
    return std::find(kEditorResourceTypes.begin(), kEditorResourceTypes.end(), type) != kEditorResourceTypes.end();
}

// The URL editor's choice with the stored types it cannot show.
std::optional<std::vector<ResourceType>> keptResourceTypes(const std::optional<std::vector<ResourceType>>& stored,
                                                           const std::optional<std::vector<ResourceType>>& chosen) {
    if (!stored || std::all_of(stored->begin(), stored->end(), hasSegment)) {
        return chosen;
    }
    const std::vector<ResourceType> selected = chosen.value_or(std::vector<ResourceType>{});
    std::vector<ResourceType> types;
    for (ResourceType type : *stored) {
        if (!hasSegment(type) || contains(selected, type)) {
            types.push_back(type);
        }
    }
    for (ResourceType type : selected) {
        if (!contains(*stored, type)) {
            types.push_back(type);
        }
    }
    return types;
}

} // namespace

std::optional<Rule> withHiddenConditions(ConfigurablePackageType editor, const Rule& stored, Rule built) {
    const Trigger& kept = stored.blocker.trigger;
    Trigger& trigger = built.blocker.trigger;
    trigger.caseSensitive = kept.caseSensitive;
    trigger.topURLFilter = kept.topURLFilter;
    trigger.topURLFilterCaseSensitive = kept.topURLFilterCaseSensitive;
    trigger.frameURLFilter = kept.frameURLFilter;
    trigger.frameURLFilterCaseSensitive = kept.frameURLFilterCaseSensitive;
    trigger.loadContext = kept.loadContext;
    trigger.requestMethod = kept.requestMethod;
    if (editor == ConfigurablePackageType::BlockURL) {
        trigger.resourceTypes = keptResourceTypes(kept.resourceTypes, trigger.resourceTypes);
    } else {
        trigger.urlFilter = kept.urlFilter;
        trigger.resourceTypes = kept.resourceTypes;
    }
    if (editor != ConfigurablePackageType::BlockURL && editor != ConfigurablePackageType::BlockCookies) {
        trigger.loadType = kept.loadType;
    }
    const bool domainsOnly =
        editor == ConfigurablePackageType::Whitelist || editor == ConfigurablePackageType::makeHttps;
    if (domainsOnly && kept.domainFilter && trigger.domainFilter) {
        trigger.domainFilter->type = kept.domainFilter->type;
    }
    if (conditionCount(trigger) > 1) {
        showMessage("A domain filter cannot be added: the rule already applies only to pages or frames whose URL "
                    "matches a pattern.",
                    true);
        return std::nullopt;
    }
    return built;
}

} // namespace orvane
