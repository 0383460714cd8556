#pragma once

#include "model/Records.h"
#include "model/SkippedRules.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane {

// WebKit's content-blocker compiler refuses a whole list for one rule it cannot read, so every
// rule that enters the catalog from the user, a file or the cloud is checked first. This is the
// check: what WebKit would refuse in a rule, said in the terms of the rule's fields.
//
// Refused: an empty url filter, a url filter or page or frame URL pattern outside WebKit's
// regular expressions (UrlFilterSyntax.h), an empty condition list or pattern, a domain that is
// empty or not in lower-case ASCII, and a hiding rule without a selector. A selector WebKit
// cannot read does not break the list (WebKit leaves that one rule out), so it is not checked
// here but where a rule is written (SelectorSyntax.h).
struct RuleRejection {
    // A sentence for the user: "The URL filter uses "|", which content blockers do not support".
    std::string message;

    // The same with a lower-case start, to follow "left out: " in a count of skipped rules.
    std::string reason() const;

    bool operator==(const RuleRejection&) const = default;
};

std::optional<RuleRejection> ruleRejection(const Blocker& blocker);

// Takes out the rules WebKit would refuse, counting each in `skipped` by its reason and logging
// "Left out a rule content blockers refuse: " with the rule's name and the reason (an entry, with
// its url filter).
void dropRejectedRules(std::vector<Package>& packages, SkippedRules& skipped);
// The same for the entries of a plain content-blocker list.
void dropRejectedBlockers(std::vector<Blocker>& blockers, SkippedRules& skipped);

} // namespace orvane
