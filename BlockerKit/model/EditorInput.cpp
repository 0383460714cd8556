#include "model/EditorInput.h"

#include "model/RuleBuilders.h"

#include <algorithm>

namespace orvane {

EditorInput editorInputForRule(const Rule& rule) {
    const Trigger& trigger = rule.blocker.trigger;
    EditorInput input;
    input.name = rule.name;
    input.urlFilter = trigger.urlFilter;
    input.selector = rule.blocker.action.selector.value_or("");
    if (trigger.resourceTypes) {
        for (ResourceType type : *trigger.resourceTypes) {
            const std::size_t segment = resourceTypeSegment(type);
            if (segment < input.resourceTypes.size()) {
                input.resourceTypes.set(segment);
            }
        }
    }
    if (trigger.loadType && trigger.loadType->size() == 1) {
        const auto position = std::find(kEditorLoadTypes.begin(), kEditorLoadTypes.end(), trigger.loadType->front());
        input.loadTypeSegment = static_cast<int>(position - kEditorLoadTypes.begin()) + 1;
    }
    if (trigger.domainFilter) {
        input.domainFilter = trigger.domainFilter->type == DomainFilterType::IfDomain ? DomainFilterSelector::IfDomain
                                                                                      : DomainFilterSelector::UnlessDomain;
        for (std::string domain : trigger.domainFilter->values) {
            input.includeSubdomains = input.includeSubdomains || domain.starts_with('*');
            std::erase(domain, '*');
            input.domainRows.push_back(std::move(domain));
        }
    }
    return input;
}

std::optional<Rule> buildRule(ConfigurablePackageType kind, const EditorInput& input, std::optional<std::string> id) {
    auto name = nameFromField(input.name);
    auto domains = nonEmptyDomains(input.domainRows, input.includeSubdomains);
    auto loadType = loadTypeForSegment(input.loadTypeSegment);
    const int item = static_cast<int>(input.domainFilter);
    switch (kind) {
    case ConfigurablePackageType::BlockURL:
        return buildURLRule(input.urlFilter, resourceTypesForSegments(input.resourceTypes), loadType,
                            domainFilterForItem(item, std::move(domains)), std::move(id), std::move(name));
    case ConfigurablePackageType::BlockCookies:
        return buildCookiesRule(loadType, domainFilterForItem(item, std::move(domains)), std::move(id),
                                std::move(name));
    case ConfigurablePackageType::HideElements:
        return buildCSSRule(input.selector, domainFilterForItem(item, std::move(domains)), std::move(id),
                            std::move(name));
    case ConfigurablePackageType::Whitelist:
        return buildWhitelistRule(std::move(domains), std::move(id), std::move(name));
    case ConfigurablePackageType::makeHttps:
        return buildMakeHttpsRule(std::move(domains), std::move(id), std::move(name));
    }
    return std::nullopt;
}

} // namespace orvane
