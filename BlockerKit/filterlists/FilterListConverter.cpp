#include "filterlists/FilterListConverter.h"

#include "filterlists/ElementHiding.h"
#include "filterlists/HidingFilters.h"
#include "filterlists/NetworkFilters.h"
#include "filterlists/StableIds.h"

#include <array>
#include <unordered_set>

namespace orvane::filterlists {
namespace {

using Place = NetworkRules::Place;

// The package's sections in the order they are written; see the header.
constexpr std::array kNetworkOrder{Place::GenericHidingException, Place::HidingException, Place::Block,
                                   Place::Exception, Place::PageException, Place::Important};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view line) {
    while (!line.empty() && isBlank(line.front())) {
        line.remove_prefix(1);
    }
    while (!line.empty() && isBlank(line.back())) {
        line.remove_suffix(1);
    }
    return line;
}

// Calls `visit` with each line of `text`, blanks trimmed, while it answers true.
template <typename Visit>
void forEachTrimmedLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (!visit(trimmed(text.substr(start, end - start)))) {
            return;
        }
        start = end + 1;
    }
}

bool isFilter(std::string_view line) { return !line.empty() && !line.starts_with('!') && !line.starts_with('['); }

// The filters of the list in order: every line but blank ones, comments ("!") and the
// "[Adblock Plus 2.0]" header.
std::vector<std::string_view> filterLines(std::string_view text) {
    std::vector<std::string_view> filters;
    forEachTrimmedLine(text, [&](std::string_view line) {
        if (isFilter(line)) {
            filters.push_back(line);
        }
        return true;
    });
    return filters;
}

std::size_t sectionOf(Place place) {
    for (std::size_t i = 0; i < kNetworkOrder.size(); ++i) {
        if (kNetworkOrder[i] == place) {
            return i;
        }
    }
    return 0;
}

bool isLoadException(Place place) { return place == Place::Exception || place == Place::PageException; }

// One list; `inherited` holds the exception filters of the lists before it, and the list's own
// exceptions are added to `exceptions` for the lists after it.
ConvertedList convert(std::string_view text, std::string packageId, std::string packageName,
                      const std::vector<std::string_view>& inherited, std::vector<std::string_view>* exceptions) {
    ConvertedList converted;
    ConversionReport& report = converted.report;
    const std::vector<std::string_view> filters = filterLines(text);
    report.filtersRead = filters.size();

    std::unordered_set<std::string> disabled;
    for (std::string_view filter : filters) {
        if (!isContentFilter(filter)) {
            if (auto target = badfilterTarget(filter)) {
                disabled.insert(std::move(*target));
            }
        }
    }

    ElementHiding hiding(packageId);
    std::array<std::vector<Rule>, kNetworkOrder.size()> sections;
    std::unordered_set<std::string_view> seen;
    for (std::string_view filter : filters) {
        if (!seen.insert(filter).second) {
            report.applied.add("duplicate of an earlier filter");
            continue;
        }
        if (disabled.contains(std::string(filter))) {
            report.applied.add("disabled by $badfilter");
            continue;
        }
        if (isContentFilter(filter)) {
            auto parsed = parseHidingFilter(filter);
            if (!parsed) {
                report.skipped.add(parsed.error());
                continue;
            }
            hiding.add(std::move(parsed).value(), filter);
            continue;
        }
        if (badfilterTarget(filter)) {
            report.applied.add("$badfilter");
            continue;
        }
        auto rules = convertNetworkFilter(filter);
        if (!rules) {
            report.skipped.add(rules.error());
            continue;
        }
        std::size_t part = 0;
        bool loadException = false;
        for (auto& placed : rules.value().blockers) {
            loadException = loadException || isLoadException(placed.place);
            sections[sectionOf(placed.place)].push_back(
                Rule{stableRuleId(packageId, filter, part++), rules->name, std::move(placed.blocker)});
        }
        if (loadException && exceptions != nullptr) {
            exceptions->push_back(filter);
        }
    }
    // They come after the list's own exceptions, so after every block of the list.
    for (std::string_view filter : inherited) {
        auto rules = convertNetworkFilter(filter);
        if (seen.contains(filter) || !rules) {
            continue;
        }
        std::size_t part = 0;
        for (auto& placed : rules.value().blockers) {
            if (isLoadException(placed.place)) {
                sections[sectionOf(placed.place)].push_back(
                    Rule{stableRuleId(packageId, filter, part), rules->name, std::move(placed.blocker)});
                ++report.exceptionsRepeated;
            }
            ++part;
        }
    }

    ElementHiding::Rules hidingRules = hiding.rules(report.applied, report.skipped);
    std::vector<Rule>& rules = converted.package.rules;
    auto append = [&rules](std::vector<Rule>& section) {
        rules.insert(rules.end(), std::make_move_iterator(section.begin()), std::make_move_iterator(section.end()));
    };
    append(hidingRules.everywhere);
    append(sections[sectionOf(Place::GenericHidingException)]);
    append(hidingRules.onSites);
    for (Place place : kNetworkOrder) {
        if (place != Place::GenericHidingException) {
            append(sections[sectionOf(place)]);
        }
    }
    converted.package.id = std::move(packageId);
    converted.package.name = std::move(packageName);
    report.rulesWritten = rules.size();
    return converted;
}

} // namespace

ConvertedList convertFilterList(std::string_view text, std::string packageId, std::string packageName) {
    return convert(text, std::move(packageId), std::move(packageName), {}, nullptr);
}

std::vector<ConvertedList> convertFilterLists(const std::vector<ListSource>& lists) {
    std::vector<ConvertedList> converted;
    std::vector<std::string_view> exceptions;
    for (const ListSource& list : lists) {
        const std::vector<std::string_view> inherited = exceptions;
        converted.push_back(convert(list.text, list.packageId, list.packageName, inherited, &exceptions));
    }
    return converted;
}

std::string listTitle(std::string_view text) {
    constexpr std::string_view kTitle = "! Title:";
    std::string title;
    forEachTrimmedLine(text, [&](std::string_view line) {
        if (line.starts_with(kTitle)) {
            title = trimmed(line.substr(kTitle.size()));
            return false;
        }
        return !isFilter(line);
    });
    return title;
}

} // namespace orvane::filterlists
