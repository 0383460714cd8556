#include "filterlists/ElementHiding.h"

#include "filterlists/StableIds.h"
#include "model/ShortText.h"

#include <array>
#include <cstdint>

namespace orvane::filterlists {
namespace {

// FNV-1a: stable across builds and machines, unlike std::hash.
std::uint64_t stableHash(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

Rule hidingRule(std::string id, std::string name, std::string selector, std::optional<DomainFilter> domains) {
    Trigger trigger;
    trigger.urlFilter = ".*";
    trigger.domainFilter = std::move(domains);
    return Rule{std::move(id), std::move(name), Blocker{std::move(trigger), Action{ActionType::Hide, std::move(selector)}}};
}

} // namespace

void ElementHiding::add(HidingFilter filter, std::string_view text) {
    if (!filter.exception) {
        hidings_.push_back({std::move(filter.sites), std::move(filter.selector), text});
        return;
    }
    ++exceptions_;
    // An exception everywhere, or everywhere but some sites, is kept narrower than written: the
    // selector is hidden nowhere, rather than on sites the list never named.
    if (filter.sites.included.empty()) {
        exemptEverywhere_.insert(std::move(filter.selector));
        return;
    }
    auto& sites = exemptSites_[filter.selector];
    sites.insert(sites.end(), filter.sites.included.begin(), filter.sites.included.end());
}

ElementHiding::Rules ElementHiding::rules(SkippedRules& applied, SkippedRules& skipped) const {
    Rules rules;
    if (exceptions_ > 0) {
        applied.add("hiding exception", exceptions_);
    }
    std::array<std::vector<const Hiding*>, kGenericGroups> groups;
    for (const Hiding& hiding : hidings_) {
        if (exemptEverywhere_.contains(hiding.selector)) {
            applied.add("hiding left out by an exception");
            continue;
        }
        Sites sites = hiding.sites;
        if (auto exempt = exemptSites_.find(hiding.selector); exempt != exemptSites_.end()) {
            sites.excluded.insert(sites.excluded.end(), exempt->second.begin(), exempt->second.end());
        }
        const SiteCondition where = resolve(sites);
        const std::string name = shortened(hiding.selector, 60);
        switch (where.kind) {
        case SiteCondition::Kind::Everywhere:
            groups[stableHash(hiding.selector) % kGenericGroups].push_back(&hiding);
            break;
        case SiteCondition::Kind::Except:
            rules.everywhere.push_back(hidingRule(stableRuleId(packageId_, hiding.text), name, hiding.selector,
                                                  DomainFilter{DomainFilterType::UnlessDomain, webkitDomains(where.sites)}));
            break;
        case SiteCondition::Kind::Only:
            rules.onSites.push_back(hidingRule(stableRuleId(packageId_, hiding.text), name, hiding.selector,
                                               DomainFilter{DomainFilterType::IfDomain, webkitDomains(where.sites)}));
            break;
        case SiteCondition::Kind::Nowhere: applied.add("hiding left out by an exception"); break;
        case SiteCondition::Kind::Mixed: skipped.add("hiding on a site but not on its subdomain"); break;
        }
    }
    std::vector<Rule> generic;
    for (std::size_t group = 0; group < kGenericGroups; ++group) {
        if (groups[group].empty()) {
            continue;
        }
        std::string selectors;
        for (const Hiding* hiding : groups[group]) {
            selectors += selectors.empty() ? "" : ", ";
            selectors += hiding->selector;
        }
        const std::string number = std::to_string(group + 1);
        const std::size_t count = groups[group].size();
        generic.push_back(hidingRule(stableRuleId(packageId_, "generic hiding group " + number),
                                     "Hidden on every site, group " + number + " (" + std::to_string(count) +
                                         (count == 1 ? " selector)" : " selectors)"),
                                     std::move(selectors), std::nullopt));
    }
    rules.everywhere.insert(rules.everywhere.begin(), generic.begin(), generic.end());
    return rules;
}

} // namespace orvane::filterlists
