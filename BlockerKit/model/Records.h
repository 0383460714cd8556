#pragma once

#include "model/Enums.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane {

// Plain values with structural equality. An absent list and a present empty list differ.

struct DomainFilter {
    DomainFilterType type = DomainFilterType::IfDomain;
    std::vector<std::string> values;

    bool operator==(const DomainFilter&) const = default;
};

// Patterns over the URL of the page (top) or of the frame a load happens in.
template <typename Type>
struct URLFilterList {
    Type type{};
    std::vector<std::string> values;

    bool operator==(const URLFilterList&) const = default;
};
using TopURLFilter = URLFilterList<TopURLFilterType>;
using FrameURLFilter = URLFilterList<FrameURLFilterType>;

// Everything WebKit's content blocker reads in a trigger. The fields after `domainFilter` have
// default member initializers, so a trigger written out up to `domainFilter` leaves them unset.
// WebKit allows only one of domainFilter, topURLFilter and frameURLFilter in a trigger.
struct Trigger {
    std::string urlFilter;
    bool caseSensitive = false;
    std::optional<std::vector<ResourceType>> resourceTypes; // absent: every type
    std::optional<std::vector<LoadType>> loadType;          // absent: both
    std::optional<DomainFilter> domainFilter;               // absent: every site
    std::optional<TopURLFilter> topURLFilter = std::nullopt;     // absent: every page
    bool topURLFilterCaseSensitive = false;
    std::optional<FrameURLFilter> frameURLFilter = std::nullopt; // absent: every frame
    bool frameURLFilterCaseSensitive = false;
    std::optional<std::vector<LoadContext>> loadContext = std::nullopt; // absent: every frame
    std::optional<std::string> requestMethod = std::nullopt;            // as written; absent: every method

    bool operator==(const Trigger&) const = default;
};

// How many of the domain, page URL and frame URL conditions the trigger has.
int conditionCount(const Trigger& trigger);

struct Action {
    ActionType type = ActionType::Block;
    std::optional<std::string> selector; // meaningful for Hide only

    bool operator==(const Action&) const = default;
};

// The strict constructor: a Hide action needs a selector; every other type drops it.
std::optional<Action> makeAction(ActionType type, std::optional<std::string> selector);

struct Blocker {
    Trigger trigger;
    Action action;

    bool operator==(const Blocker&) const = default;
};

struct Rule {
    std::string id;
    std::string name;
    Blocker blocker;

    bool operator==(const Rule&) const = default;
};

struct Package {
    std::string id;
    std::string name;
    std::vector<Rule> rules;

    bool operator==(const Package&) const = default;
};

// Replaces the rule with the same id in place, else appends.
void upsertRule(std::vector<Rule>& rules, Rule rule);

} // namespace orvane
