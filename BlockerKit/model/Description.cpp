#include "model/Description.h"

#include <algorithm>

namespace orvane {
namespace {

template <typename Element, typename Text>
std::string joined(const std::vector<Element>& elements, Text text) {
    std::string result;
    bool first = true;
    for (const auto& element : elements) {
        if (!first) {
            result += ", ";
        }
        first = false;
        result += text(element);
    }
    return result;
}

std::string joinedDomains(const DomainFilter& filter) {
    return joined(filter.values, [](const std::string& domain) -> const std::string& { return domain; });
}

std::string loadTypePhrase(const Trigger& trigger) {
    if (!trigger.loadType) {
        return {};
    }
    const auto& types = *trigger.loadType;
    const auto holds = [&](LoadType type) { return std::find(types.begin(), types.end(), type) != types.end(); };
    const bool firstParty = holds(LoadType::FirstParty);
    const bool thirdParty = holds(LoadType::ThirdParty);
    if (firstParty && thirdParty) {
        return " first-party and third-party";
    }
    if (firstParty) {
        return " first-party";
    }
    if (thirdParty) {
        return " third-party";
    }
    return {};
}

// The lead for the filter's type, a space, the domains and a full stop; empty without a filter.
std::string domainSentence(const Trigger& trigger, const char* ifDomain, const char* unlessDomain) {
    if (!trigger.domainFilter) {
        return {};
    }
    const char* lead = trigger.domainFilter->type == DomainFilterType::IfDomain ? ifDomain : unlessDomain;
    return std::string(lead) + " " + joinedDomains(*trigger.domainFilter) + ".";
}

std::string domainSuffix(const Trigger& trigger) {
    return domainSentence(trigger, "\nThe blocker only applies for", "\nThe blocker only applies outside of");
}

std::string blockDescription(const Trigger& trigger) {
    std::string text = "Abort loading" + loadTypePhrase(trigger) + " resources";
    if (!trigger.resourceTypes || trigger.resourceTypes->empty()) {
        text += " of any type";
    } else {
        text +=
            " (" + joined(*trigger.resourceTypes, [](ResourceType type) { return std::string(rawValue(type)); }) + ")";
    }
    return text + " where the resource's URL matches the pattern: " + trigger.urlFilter + domainSuffix(trigger);
}

std::string cookiesDescription(const Trigger& trigger) {
    std::string text = "Ignore";
    if (!trigger.domainFilter) {
        text += " all";
    }
    return text + loadTypePhrase(trigger) + " cookies when sending outgoing requests." + domainSuffix(trigger);
}

std::string hideDescription(const Blocker& blocker) {
    // A hide action read from a file may lack its selector; the quotes then stand empty.
    return "Hide page elements with CSS selector \"" + blocker.action.selector.value_or("") +
           "\" on a page with URL matching the pattern: " + blocker.trigger.urlFilter + domainSuffix(blocker.trigger);
}

} // namespace

std::string descriptionText(const Rule& rule) {
    const Blocker& blocker = rule.blocker;
    switch (blocker.action.type) {
    case ActionType::Block: return blockDescription(blocker.trigger);
    case ActionType::BlockCookies: return cookiesDescription(blocker.trigger);
    case ActionType::Hide: return hideDescription(blocker);
    case ActionType::IgnorePreviousRules:
        return domainSentence(blocker.trigger, "Ignore all rules for", "Ignore rules outside of");
    case ActionType::makeHttps:
        return domainSentence(blocker.trigger, "Change URL from HTTP to HTTPS before making a request if domain",
                              "Change URL from HTTP to HTTPS before making a request unless domain");
    }
    return {};
}

} // namespace orvane
