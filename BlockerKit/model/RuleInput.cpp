#include "model/RuleInput.h"

#include <algorithm>

namespace orvane {

std::optional<std::string> nameFromField(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    return text;
}

std::vector<std::string> nonEmptyDomains(const std::vector<std::string>& rows, bool includeSubdomains) {
    std::vector<std::string> domains;
    for (const auto& row : rows) {
        if (row.empty()) {
            continue;
        }
        std::string domain = row;
        if (includeSubdomains) {
            if (!domain.starts_with('*')) {
                domain.insert(domain.begin(), '*');
            }
        } else {
            std::erase(domain, '*');
        }
        domains.push_back(std::move(domain));
    }
    return domains;
}

std::optional<DomainFilter> domainFilterForItem(int item, std::vector<std::string> domains) {
    switch (item) {
    case static_cast<int>(DomainFilterSelector::IfDomain):
        return DomainFilter{DomainFilterType::IfDomain, std::move(domains)};
    case static_cast<int>(DomainFilterSelector::UnlessDomain):
        return DomainFilter{DomainFilterType::UnlessDomain, std::move(domains)};
    default: return std::nullopt;
    }
}

std::optional<LoadType> loadTypeForSegment(int segment) {
    if (segment < 1 || static_cast<std::size_t>(segment) > kEditorLoadTypes.size()) {
        return std::nullopt;
    }
    return kEditorLoadTypes[static_cast<std::size_t>(segment) - 1];
}

std::vector<ResourceType> resourceTypesForSegments(const ResourceTypeSegments& selected) {
    std::vector<ResourceType> types;
    if (selected.all()) {
        return types;
    }
    for (std::size_t segment = 0; segment < kEditorResourceTypes.size(); ++segment) {
        if (selected.test(segment)) {
            types.push_back(kEditorResourceTypes[segment]);
        }
    }
    return types;
}

std::size_t resourceTypeSegment(ResourceType type) {
    return static_cast<std::size_t>(std::find(kEditorResourceTypes.begin(), kEditorResourceTypes.end(), type) -
                                    kEditorResourceTypes.begin());
}

} // namespace orvane
