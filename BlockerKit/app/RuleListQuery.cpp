#include "app/RuleListQuery.h"

#include "prefs/BlockerPreferenceManager.h"

#include <glib.h>

#include <memory>

namespace orvane {
namespace {

using GString = std::unique_ptr<gchar, decltype(&g_free)>;

std::string lowered(const std::string& text) {
    GString result(g_utf8_strdown(text.c_str(), static_cast<gssize>(text.size())), g_free);
    return result.get();
}

std::string folded(const std::string& text) {
    GString result(g_utf8_casefold(text.c_str(), static_cast<gssize>(text.size())), g_free);
    return result.get();
}

} // namespace

RuleSearch::RuleSearch(const std::string& text) : lowerText_(lowered(text)), foldedText_(folded(lowerText_)) {}

std::string RuleSearch::foldedName(const std::string& name) { return folded(name); }

bool RuleSearch::matches(const Rule& rule) const { return empty() || matches(rule, folded(rule.name)); }

bool RuleSearch::matches(const Rule& rule, std::string_view foldedRuleName) const {
    if (empty() || foldedRuleName.find(foldedText_) != std::string_view::npos) {
        return true;
    }
    const auto& filter = rule.blocker.trigger.domainFilter;
    if (!filter) {
        return false;
    }
    for (const auto& domain : filter->values) {
        if (domain.find(lowerText_) != std::string::npos) {
            return true;
        }
    }
    return false;
}

bool RuleSearch::narrows(const RuleSearch& earlier) const {
    // A longer text that contains the earlier one matches a subset, in names and domains alike.
    return foldedText_.find(earlier.foldedText_) != std::string::npos &&
           lowerText_.find(earlier.lowerText_) != std::string::npos;
}

std::vector<Rule> filterAndSearchRules(const Package& package, EnabledFilter filter, const std::string& search,
                                       const BlockerPreferenceManager& preferences) {
    std::vector<Rule> filtered = filter == EnabledFilter::ShowAll
                                     ? package.rules
                                     : preferences.filterRules(package.rules, package.id,
                                                               filter == EnabledFilter::EnabledOnly);
    const RuleSearch matcher(search);
    if (matcher.empty()) {
        return filtered;
    }
    std::vector<Rule> found;
    for (auto& rule : filtered) {
        if (matcher.matches(rule)) {
            found.push_back(std::move(rule));
        }
    }
    return found;
}

} // namespace orvane
