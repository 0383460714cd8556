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

bool matchesSearch(const Rule& rule, const std::string& lowerText, const std::string& foldedText) {
    if (folded(rule.name).find(foldedText) != std::string::npos) {
        return true;
    }
    const auto& filter = rule.blocker.trigger.domainFilter;
    if (!filter) {
        return false;
    }
    for (const auto& domain : filter->values) {
        if (domain.find(lowerText) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<Rule> filterAndSearchRules(const Package& package, EnabledFilter filter, const std::string& search,
                                       const BlockerPreferenceManager& preferences) {
    std::vector<Rule> filtered = filter == EnabledFilter::ShowAll
                                     ? package.rules
                                     : preferences.filterRules(package.rules, package.id,
                                                               filter == EnabledFilter::EnabledOnly);
    if (search.empty()) {
        return filtered;
    }
    const std::string lowerText = lowered(search);
    const std::string foldedText = folded(lowerText);
    std::vector<Rule> found;
    for (auto& rule : filtered) {
        if (matchesSearch(rule, lowerText, foldedText)) {
            found.push_back(std::move(rule));
        }
    }
    return found;
}

} // namespace orvane
