#pragma once

#include "model/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class BlockerPreferenceManager;

// The rule list's three-way filter, in the order of its segments.
enum class EnabledFilter { DisabledOnly = 0, ShowAll = 1, EnabledOnly = 2 };

// The rule list's search: a rule matches when its name contains the text ignoring case, or,
// failing that, when a domain of its domain filter contains the lower-cased text. URL filters,
// selectors and ids are never searched. An empty text matches every rule.
class RuleSearch {
public:
    explicit RuleSearch(const std::string& text);

    bool empty() const { return lowerText_.empty(); }
    const std::string& text() const { return lowerText_; }
    bool matches(const Rule& rule) const;
    // The same, with the rule's name already folded by foldedName(); lists that search the same
    // rules again and again fold each name once.
    bool matches(const Rule& rule, std::string_view foldedRuleName) const;
    // Whether every rule this search matches also matches `earlier` (the text grew).
    bool narrows(const RuleSearch& earlier) const;

    static std::string foldedName(const std::string& name);

private:
    std::string lowerText_;
    std::string foldedText_;
};

// The rules the rule list shows: the package's rules after the enabled filter, then after the
// search (names ignoring case, else domains of the domain filter containing the lower-cased
// text). Package order is kept.
std::vector<Rule> filterAndSearchRules(const Package& package, EnabledFilter filter, const std::string& search,
                                       const BlockerPreferenceManager& preferences);

} // namespace orvane
