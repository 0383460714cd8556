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

std::string joinedTexts(const std::vector<std::string>& texts) {
    return joined(texts, [](const std::string& text) -> const std::string& { return text; });
}

std::string joinedDomains(const DomainFilter& filter) { return joinedTexts(filter.values); }

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

template <typename Enum>
std::string joinedRawValues(const std::vector<Enum>& values) {
    return joined(values, [](Enum value) { return std::string(rawValue(value)); });
}

bool hasElements(const auto& list) { return list && !list->empty(); }

// " of any type", or the types in parentheses.
std::string resourceTypesPhrase(const Trigger& trigger) {
    if (!hasElements(trigger.resourceTypes)) {
        return " of any type";
    }
    return " (" + joinedRawValues(*trigger.resourceTypes) + ")";
}

// The conditions that no editor offers, each as ", only …" or ", except …"; empty for every rule
// an editor makes.
std::string conditionPhrases(const Trigger& trigger) {
    std::string text;
    if (const auto& filter = trigger.topURLFilter) {
        text += filter->type == TopURLFilterType::IfTopURL ? ", only on pages whose URL matches "
                                                           : ", except on pages whose URL matches ";
        text += joinedTexts(filter->values);
    }
    if (const auto& filter = trigger.frameURLFilter) {
        text += filter->type == FrameURLFilterType::IfFrameURL ? ", only in frames whose URL matches "
                                                               : ", except in frames whose URL matches ";
        text += joinedTexts(filter->values);
    }
    if (trigger.loadContext) {
        const auto& contexts = *trigger.loadContext;
        const auto holds = [&](LoadContext context) {
            return std::find(contexts.begin(), contexts.end(), context) != contexts.end();
        };
        if (holds(LoadContext::TopFrame) && !holds(LoadContext::ChildFrame)) {
            text += ", only in the top frame";
        } else if (holds(LoadContext::ChildFrame) && !holds(LoadContext::TopFrame)) {
            text += ", only in child frames";
        }
    }
    if (trigger.requestMethod) {
        std::string method = *trigger.requestMethod;
        std::transform(method.begin(), method.end(), method.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
        text += ", only for " + method + " requests";
    }
    return text;
}

// What an editor's rule never has: load or resource types on a rule whose sentence does not
// name them, as ", only for … resources (…)".
std::string scopePhrase(const Trigger& trigger) {
    const std::string load = loadTypePhrase(trigger);
    if (load.empty() && !hasElements(trigger.resourceTypes)) {
        return {};
    }
    std::string text = ", only for" + load + " resources";
    if (hasElements(trigger.resourceTypes)) {
        text += " (" + joinedRawValues(*trigger.resourceTypes) + ")";
    }
    return text;
}

// The url part of a rule that works on resources: the load types, the resource types and the url filter.
std::string resourcesMatching(const Trigger& trigger) {
    return loadTypePhrase(trigger) + " resources" + resourceTypesPhrase(trigger) +
           " where the resource's URL matches the pattern: " + trigger.urlFilter;
}

std::string blockDescription(const Trigger& trigger) {
    return "Abort loading" + resourcesMatching(trigger) + conditionPhrases(trigger) + domainSuffix(trigger);
}

std::string cookiesDescription(const Trigger& trigger) {
    std::string text = "Ignore";
    if (!trigger.domainFilter) {
        text += " all";
    }
    text += loadTypePhrase(trigger) + " cookies when sending outgoing requests";
    if (trigger.urlFilter != ".*") {
        text += " to URLs matching the pattern: " + trigger.urlFilter;
    }
    if (hasElements(trigger.resourceTypes)) {
        text += " for resources (" + joinedRawValues(*trigger.resourceTypes) + ")";
    }
    return text + conditionPhrases(trigger) + "." + domainSuffix(trigger);
}

std::string hideDescription(const Blocker& blocker) {
    // A hide action read from a file may lack its selector; the quotes then stand empty.
    return "Hide page elements with CSS selector \"" + blocker.action.selector.value_or("") +
           "\" on a page with URL matching the pattern: " + blocker.trigger.urlFilter + scopePhrase(blocker.trigger) +
           conditionPhrases(blocker.trigger) + domainSuffix(blocker.trigger);
}

// Exemption and HTTPS rules as their editors make them (any URL, no types) are told by their
// domains; every other one by what it matches, like a blocking rule.
std::string siteRuleDescription(const Trigger& trigger, const char* ifDomain, const char* unlessDomain,
                                const char* onResources) {
    const bool editorShape =
        trigger.urlFilter == ".*" && !hasElements(trigger.resourceTypes) && loadTypePhrase(trigger).empty();
    if (trigger.domainFilter && editorShape) {
        const char* lead = trigger.domainFilter->type == DomainFilterType::IfDomain ? ifDomain : unlessDomain;
        return std::string(lead) + " " + joinedDomains(*trigger.domainFilter) + conditionPhrases(trigger) + ".";
    }
    return onResources + resourcesMatching(trigger) + conditionPhrases(trigger) + domainSuffix(trigger);
}

} // namespace

std::string descriptionText(const Rule& rule) {
    const Blocker& blocker = rule.blocker;
    switch (blocker.action.type) {
    case ActionType::Block: return blockDescription(blocker.trigger);
    case ActionType::BlockCookies: return cookiesDescription(blocker.trigger);
    case ActionType::Hide: return hideDescription(blocker);
    case ActionType::IgnorePreviousRules:
        return siteRuleDescription(blocker.trigger, "Ignore all rules for", "Ignore rules outside of",
                                   "Ignore previous rules for");
    case ActionType::makeHttps:
        return siteRuleDescription(blocker.trigger, "Change URL from HTTP to HTTPS before making a request if domain",
                                   "Change URL from HTTP to HTTPS before making a request unless domain",
                                   "Change URL from HTTP to HTTPS before loading");
    }
    return {};
}

} // namespace orvane
