#include "model/RuleBuilders.h"

#include "model/DomainValidation.h"
#include "platform/NotificationCenter.h"
#include "platform/Uuid.h"

namespace orvane {
namespace {

constexpr const char* kAnyURL = ".*";

bool validFilter(const std::optional<DomainFilter>& filter) { return !filter || validateDomainList(filter->values); }

// The one domain, or how many there are.
std::string domainsInName(const std::vector<std::string>& domains) {
    if (domains.size() == 1) {
        return domains.front();
    }
    return std::to_string(domains.size()) + " domains";
}

Rule makeRule(std::optional<std::string> id, std::optional<std::string> name, std::string defaultName, Trigger trigger,
              Action action) {
    return Rule{id ? std::move(*id) : makeUUID(), name ? std::move(*name) : std::move(defaultName),
                Blocker{std::move(trigger), std::move(action)}};
}

Trigger anyURLTrigger(std::optional<DomainFilter> domainFilter) {
    Trigger trigger;
    trigger.urlFilter = kAnyURL;
    trigger.caseSensitive = true;
    trigger.domainFilter = std::move(domainFilter);
    return trigger;
}

std::vector<LoadType> asList(std::optional<LoadType> loadType) {
    return loadType ? std::vector<LoadType>{*loadType} : std::vector<LoadType>{};
}

} // namespace

std::optional<Rule> buildCookiesRule(std::optional<LoadType> loadType, std::optional<DomainFilter> domainFilter,
                                     std::optional<std::string> id, std::optional<std::string> name) {
    if (!validFilter(domainFilter)) {
        return std::nullopt;
    }
    Trigger trigger = anyURLTrigger(std::move(domainFilter));
    // Present even when empty: "no choice" is stored as an empty list for cookie rules.
    trigger.loadType = asList(loadType);
    return makeRule(std::move(id), std::move(name), "Block Cookies", std::move(trigger),
                    Action{ActionType::BlockCookies, std::nullopt});
}

std::optional<Rule> buildURLRule(const std::string& urlFilter, std::vector<ResourceType> resourceTypes,
                                 std::optional<LoadType> loadType, std::optional<DomainFilter> domainFilter,
                                 std::optional<std::string> id, std::optional<std::string> name) {
    if (urlFilter.empty()) {
        showMessage("URL is empty", true);
        return std::nullopt;
    }
    if (urlFilter.starts_with('*')) {
        showMessage("Invalid URL filter. Please use regular expressions.", true);
        return std::nullopt;
    }
    if (!validFilter(domainFilter)) {
        return std::nullopt;
    }
    Trigger trigger;
    trigger.urlFilter = urlFilter;
    trigger.caseSensitive = true;
    if (!resourceTypes.empty()) {
        trigger.resourceTypes = std::move(resourceTypes);
    }
    if (loadType) {
        trigger.loadType = asList(loadType);
    }
    trigger.domainFilter = std::move(domainFilter);
    return makeRule(std::move(id), std::move(name), "Block " + urlFilter, std::move(trigger),
                    Action{ActionType::Block, std::nullopt});
}

std::optional<Rule> buildMakeHttpsRule(std::vector<std::string> domains, std::optional<std::string> id,
                                       std::optional<std::string> name) {
    if (!validateDomainList(domains)) {
        return std::nullopt;
    }
    std::string defaultName = "Make " + domainsInName(domains) + " HTTPS-only";
    return makeRule(std::move(id), std::move(name), std::move(defaultName),
                    anyURLTrigger(DomainFilter{DomainFilterType::IfDomain, std::move(domains)}),
                    Action{ActionType::makeHttps, std::nullopt});
}

std::optional<Rule> buildWhitelistRule(std::vector<std::string> domains, std::optional<std::string> id,
                                       std::optional<std::string> name) {
    if (!validateDomainList(domains)) {
        return std::nullopt;
    }
    std::string defaultName = "Whitelist " + domainsInName(domains);
    return makeRule(std::move(id), std::move(name), std::move(defaultName),
                    anyURLTrigger(DomainFilter{DomainFilterType::IfDomain, std::move(domains)}),
                    Action{ActionType::IgnorePreviousRules, std::nullopt});
}

std::optional<Rule> buildCSSRule(const std::string& selector, std::optional<DomainFilter> domainFilter,
                                 std::optional<std::string> id, std::optional<std::string> name) {
    if (selector.empty()) {
        showMessage("CSS Selector is empty", true);
        return std::nullopt;
    }
    if (!validFilter(domainFilter)) {
        return std::nullopt;
    }
    return makeRule(std::move(id), std::move(name), "Hide " + selector, anyURLTrigger(std::move(domainFilter)),
                    Action{ActionType::Hide, selector});
}

} // namespace orvane
