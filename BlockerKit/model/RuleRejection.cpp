#include "model/RuleRejection.h"

#include "model/ShortText.h"
#include "model/UrlFilterSyntax.h"
#include "platform/Log.h"

#include <algorithm>
#include <cctype>

namespace orvane {
namespace {

std::optional<RuleRejection> rejected(std::string message) { return RuleRejection{std::move(message)}; }

std::optional<RuleRejection> domainRejection(const DomainFilter& filter) {
    if (filter.values.empty()) {
        return rejected("The domain list is empty");
    }
    for (const auto& domain : filter.values) {
        if (domain.empty()) {
            return rejected("A domain of the list is empty");
        }
        // WebKit matches domains as punycode in lower case, and says so by refusing the list.
        if (std::any_of(domain.begin(), domain.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            return rejected("The domain " + quoted(domain) +
                            " has characters beyond ASCII, which content blockers do not support: write it in "
                            "punycode (\"xn--…\")");
        }
        if (std::any_of(domain.begin(), domain.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
            return rejected("The domain " + quoted(domain) +
                            " has capital letters, which content blockers do not support: write it in lower case");
        }
    }
    return std::nullopt;
}

// The patterns of a page or frame URL condition; `what` names them ("page URL").
std::optional<RuleRejection> conditionRejection(const std::vector<std::string>& patterns, const std::string& what) {
    if (patterns.empty()) {
        return rejected("The " + what + " condition has no pattern");
    }
    for (const auto& pattern : patterns) {
        if (pattern.empty()) {
            return rejected("A " + what + " pattern of the condition is empty");
        }
        if (auto problem = urlPatternProblem(pattern)) {
            return rejected("The " + what + " pattern " + quoted(pattern) + " " + problemPhrase(*problem));
        }
    }
    return std::nullopt;
}

std::string ruleLabel(const Rule& rule) { return rule.name.empty() ? quoted(rule.id) : quoted(rule.name); }

} // namespace

std::string RuleRejection::reason() const {
    std::string text = message;
    if (!text.empty()) {
        text.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(text.front())));
    }
    return text;
}

std::optional<RuleRejection> ruleRejection(const Blocker& blocker) {
    const Trigger& trigger = blocker.trigger;
    if (trigger.urlFilter.empty()) {
        return rejected("The URL filter is empty");
    }
    if (auto problem = urlPatternProblem(trigger.urlFilter)) {
        return rejected("The URL filter " + problemPhrase(*problem));
    }
    if (trigger.domainFilter) {
        if (auto rejection = domainRejection(*trigger.domainFilter)) {
            return rejection;
        }
    }
    if (trigger.topURLFilter) {
        if (auto rejection = conditionRejection(trigger.topURLFilter->values, "page URL")) {
            return rejection;
        }
    }
    if (trigger.frameURLFilter) {
        if (auto rejection = conditionRejection(trigger.frameURLFilter->values, "frame URL")) {
            return rejection;
        }
    }
    if (blocker.action.type == ActionType::Hide && !blocker.action.selector) {
        return rejected("The rule hides page elements but has no CSS selector");
    }
    return std::nullopt;
}

void dropRejectedRules(std::vector<Package>& packages, SkippedRules& skipped) {
    for (auto& package : packages) {
        std::erase_if(package.rules, [&](const Rule& rule) {
            auto rejection = ruleRejection(rule.blocker);
            if (rejection) {
                log("Left out a rule content blockers refuse: " + ruleLabel(rule) + ": " + rejection->message);
                skipped.add(rejection->reason());
            }
            return rejection.has_value();
        });
    }
}

void dropRejectedBlockers(std::vector<Blocker>& blockers, SkippedRules& skipped) {
    std::erase_if(blockers, [&](const Blocker& blocker) {
        auto rejection = ruleRejection(blocker);
        if (rejection) {
            log("Left out an entry content blockers refuse: " + quoted(blocker.trigger.urlFilter) + ": " +
                rejection->message);
            skipped.add(rejection->reason());
        }
        return rejection.has_value();
    });
}

} // namespace orvane
